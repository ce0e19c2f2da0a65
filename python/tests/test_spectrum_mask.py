"""Spectrum peaks of known signals, and a mask that passes and then fails when the signal changes."""
import numpy as np
import pytest

import uzyv
from conftest import setup_timebase

RATE = 1_000_000
N = 2048
BIN = RATE / N
PI32 = float(np.float32(np.pi))


def reference_dbv(volts, window):
    """The amplitude spectrum in dBV as the library defines it, in numpy."""
    n = len(volts)
    x = 2 * PI32 * np.arange(n) / (n - 1)
    weights = {
        "rectangle": np.where((np.arange(n) >= n // 4) & (np.arange(n) < 3 * n // 4), 1.0, 0.0),
        "hanning": float(np.float32(0.5)) - float(np.float32(0.5)) * np.cos(x),
        "blackman": float(np.float32(0.42)) - 0.5 * np.cos(x) + float(np.float32(0.08)) * np.cos(2 * x),
    }[window]
    rms = np.sqrt(np.mean(weights ** 2))
    m = np.abs(np.fft.fft(volts * 1000.0 * weights))[: n // 2]
    with np.errstate(divide="ignore"):
        return 20 * np.log10(m / 1000.0 / n * 2 / rms)


@pytest.mark.parametrize("window", ["rectangle", "hanning", "blackman"])
def test_sine_on_a_bin_peaks_there_as_numpy_computes_it(scope, instrument, window):
    k = 41
    instrument.signal(0, shape="sine", frequency=k * BIN, amplitude=2.0)  # 1 V peak
    setup_timebase(scope, rate=RATE, length=4096)
    scope.capture()
    wave = scope.read()
    sp = uzyv.spectrum(wave, window=window, scale="dBV")
    assert sp.size == N and len(sp.values) == N // 2
    assert sp.bin_width == pytest.approx(BIN)
    (f, v), = sp.peaks(1)
    assert f == pytest.approx(k * BIN)
    # Within the twiddles' 2e-10 of the peak (they take 6.283185307 for 2 pi).
    ours, theirs = 10 ** (sp.values / 20), 10 ** (reference_dbv(wave.channel(0)[:N], window) / 20)
    np.testing.assert_allclose(ours, theirs, rtol=1e-9, atol=1e-8 * theirs.max())
    # Each bin is written twice by the library; the values are a view of its output.
    np.testing.assert_array_equal(sp.bins[0::2], sp.bins[1::2])
    assert np.shares_memory(sp.values, sp.bins)


def test_square_wave_has_its_odd_harmonics(scope, instrument):
    instrument.signal(0, shape="square", frequency=20 * BIN, amplitude=2.0, rise=50e-9)
    setup_timebase(scope, rate=RATE, length=4096)
    scope.capture()
    sp = uzyv.spectrum(scope.read(), window="blackman-harris")
    frequencies = [f for f, _ in sp.peaks(3)]
    assert frequencies == pytest.approx([20 * BIN, 60 * BIN, 100 * BIN])
    levels = dict(sp.peaks(3))
    # Odd harmonics of a square fall as 1/k: 3rd about 9.5 dB below the fundamental.
    assert levels[20 * BIN] - levels[60 * BIN] == pytest.approx(20 * np.log10(3), abs=0.3)


def test_linear_scale_is_in_volts_and_fills_a_given_array():
    t = np.arange(1024) / 1024.0
    volts = 0.5 * np.cos(2 * np.pi * 64 * t)
    out = np.full(1024, np.nan)
    sp = uzyv.spectrum(volts, window="rectangle", scale="linear", sample_rate=1024.0, out=out)
    assert np.shares_memory(sp.values, out) and not np.isnan(out).any()
    assert sp.frequencies[64] == 64.0
    # The scale divides by the window's RMS: the middle-half rectangle gives 0.5 x 0.5 / sqrt(0.5).
    assert sp.values[64] == pytest.approx(0.5 * np.sqrt(0.5), rel=1e-9)


def test_spectrum_refuses_what_it_cannot_transform():
    with pytest.raises(uzyv.ArgumentError):
        uzyv.spectrum([1.0], window="hanning")
    with pytest.raises(uzyv.ArgumentError):
        uzyv.spectrum(np.zeros(64), window="kaiser")
    with pytest.raises(uzyv.ArgumentError):
        uzyv.spectrum(np.zeros(64), scale="dBu")


def reference_capture(scope, instrument, amplitude=2.0):
    instrument.signal(0, shape="sine", frequency=1000.0, amplitude=amplitude, noise=0.0)
    setup_timebase(scope, rate=RATE, length=4000)
    scope.capture()
    return scope.read(aligned=False)


def test_mask_passes_the_same_signal_and_fails_a_changed_one(scope, instrument):
    reference = reference_capture(scope, instrument)
    mask = uzyv.Mask(reference, 0, tolerance_volts=0.1, tolerance_samples=3)
    for _ in range(3):
        scope.capture()
        result = mask.check(scope)
        assert result.passed and result.first_failure is None and bool(result)
    instrument.signal(0, shape="sine", frequency=1000.0, amplitude=2.6)
    scope.capture()
    result = mask.check(scope)
    assert not result and 0 <= result.first_failure < 4000


def test_mask_limits_bracket_the_reference(scope, instrument):
    reference = reference_capture(scope, instrument)
    mask = uzyv.Mask(reference, 0, tolerance_volts=0.05, tolerance_samples=0)
    upper, lower, shift = mask.limits()
    assert len(upper) == len(lower) == 4000
    codes = reference.raw[0]
    # 0.05 V at 0.5 V/div is 40 counts.
    np.testing.assert_array_equal(upper, np.minimum(codes.astype(int) + 40, 2047))
    np.testing.assert_array_equal(lower, np.maximum(codes.astype(int) - 40, -2048))
    high, low = mask.limits_volts()
    assert np.all(high >= reference.volts[0]) and np.all(low <= reference.volts[0])
    np.testing.assert_allclose(high - reference.volts[0], 0.05, atol=1e-12)


def test_a_mask_puts_itself_back_after_another_was_built(scope, instrument):
    reference = reference_capture(scope, instrument)
    wide = uzyv.Mask(reference, 0, tolerance_volts=0.2)
    narrow = uzyv.Mask(reference, 0, tolerance_volts=0.0, tolerance_samples=0)
    instrument.signal(0, shape="sine", frequency=1000.0, amplitude=2.2)
    scope.capture()
    assert not narrow.check(scope)
    assert wide.check(scope)
    assert not narrow.check(scope)


def test_mask_tolerance_beyond_the_code_range_keeps_the_previous_mask(scope, instrument):
    reference = reference_capture(scope, instrument)
    kept = uzyv.Mask(reference, 0, tolerance_volts=0.1)
    before = kept.limits()[0].copy()
    with pytest.raises(uzyv.ArgumentError) as e:
        uzyv.Mask(reference, 0, tolerance_volts=1000.0)  # 800000 counts
    assert e.value.code == 17
    np.testing.assert_array_equal(kept.limits()[0], before)

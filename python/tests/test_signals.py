"""Captures of the simulated instrument's known signals measure as the signals were set."""
import numpy as np
import pytest

import uzyv
from conftest import setup_timebase

RATE = 1_000_000
LENGTH = 10000


def angle_apart(a, b):
    d = (a - b) % 360.0
    return min(d, 360.0 - d)


def capture(scope, **kw):
    setup_timebase(scope, rate=RATE, length=LENGTH, **kw)
    assert scope.capture(timeout=1.0), "the edge trigger at 0 V should fire on these signals"
    return scope.read()


@pytest.mark.parametrize("frequency, vpp, delay_deg", [
    (1000.0, 2.0, 90.0),
    (2500.0, 1.2, 45.0),
    (10000.0, 3.0, 30.0),
])
def test_sine_gives_its_frequency_amplitude_and_phase(scope, instrument, frequency, vpp, delay_deg):
    delay = delay_deg / 360.0 / frequency
    instrument.signal(0, shape="sine", frequency=frequency, amplitude=vpp)
    instrument.signal(1, shape="sine", frequency=frequency, amplitude=vpp, delay=delay)
    wave = capture(scope)
    # Phase takes the edges and delays of the same run: all types are measured.
    m = uzyv.measure(wave)
    assert m["Frequency"] == pytest.approx(frequency, rel=2e-3)
    assert m["Period"] == pytest.approx(1.0 / frequency, rel=2e-3)
    # Within a code of the 0.5 V/div scale (20 mV per 8-bit code).
    assert m["Vpp"] == pytest.approx(vpp, abs=0.045)
    assert m["Vrms"] == pytest.approx(vpp / 2 / np.sqrt(2), abs=0.02)
    assert m["Mean"] == pytest.approx(0.0, abs=0.02)
    # The phase is the reference's delay in degrees, read either way round the circle.
    assert min(angle_apart(m["Phase"], delay_deg), angle_apart(m["Phase"], -delay_deg)) < 2.0
    assert angle_apart(m["Rise Delay"] * frequency * 360.0, m["Phase"]) < 2.0 or \
        angle_apart(-m["Rise Delay"] * frequency * 360.0, m["Phase"]) < 2.0


def test_square_duty_and_levels(scope, instrument):
    instrument.signal(0, shape="pulse", frequency=5000.0, amplitude=2.0, dc=0.5, duty=0.25, rise=200e-9)
    wave = capture(scope)
    m = uzyv.measure(wave, [uzyv.MeasType.HIGH, uzyv.MeasType.LOW, uzyv.MeasType.POS_DUTY,
                            uzyv.MeasType.POS_WIDTH, uzyv.MeasType.FREQUENCY])
    assert m[uzyv.MeasType.HIGH] == pytest.approx(1.5, abs=0.03)
    assert m["Low"] == pytest.approx(-0.5, abs=0.03)
    assert m["+ Duty"] == pytest.approx(25.0, abs=1.0)
    assert m["+ Width"] == pytest.approx(50e-6, rel=0.03)
    assert m["Frequency"] == pytest.approx(5000.0, rel=2e-3)


def test_trigger_event_lies_at_time_zero(scope, instrument):
    instrument.signal(0, shape="sine", frequency=1000.0, amplitude=2.0)
    wave = capture(scope)
    t, v = wave.time, wave.channel(0)
    k = int(np.argmin(np.abs(t)))
    # A rising edge through 0 V: within one sample's rise of 0, below before and above after.
    step = 2 * np.pi * 1000.0 * 1.0 / RATE
    assert abs(v[k]) <= step + 0.03
    assert v[k - 20] < v[k] < v[k + 20]
    assert wave.triggered


def test_volts_agree_with_the_library_conversion_and_the_offset(scope, instrument):
    instrument.signal(0, shape="sine", frequency=1000.0, amplitude=1.0, dc=0.8)
    setup_timebase(scope, rate=RATE, length=LENGTH)
    scope[0].offset_volts = 0.8
    scope[1].offset_volts = -0.3
    scope.set_edge_trigger(0, 0.8)
    scope.capture()
    wave = scope.read()
    expected = ((wave.raw.astype(np.float64) - np.array(wave.zero_levels)[:, None]) * np.array(wave.gains)[:, None]
                + np.array(wave.base_offsets)[:, None] + np.array(wave.offsets_volts)[:, None] * 1e6 / 1000.0) / 1000.0
    np.testing.assert_array_equal(wave.volts, expected)
    assert wave.volts[0].mean() == pytest.approx(0.8, abs=0.02)
    # The library's combined read of the same capture gives the same millivolts.
    np.testing.assert_array_equal(scope.read_converted() / 1000.0, wave.volts)
    assert instrument.setting(0, 9) == -800000  # the runtime receives the offset negated


def test_unshifted_read_reports_a_time_offset_within_a_sample(scope, instrument):
    instrument.signal(0, shape="sine", frequency=1000.0, amplitude=2.0)
    setup_timebase(scope, rate=RATE, length=LENGTH)
    scope.capture()
    wave = scope.read(aligned=False)
    assert not wave.aligned
    assert -1e-6 < wave.time_offset_seconds <= 0.0
    assert wave.time[0] == pytest.approx(-wave.trigger_index / RATE + wave.time_offset_seconds)


def test_staged_and_single_call_measurements_agree(scope, instrument):
    wave = capture(scope)
    single = uzyv.measure(wave)
    staged = uzyv.measure(wave, staged=True)
    assert dict(single) == dict(staged)
    assert set(single) == set(uzyv.MEASUREMENT_NAMES)


def test_without_reference_the_delay_types_are_not_valid(scope):
    wave = capture(scope)
    m = uzyv.measure(wave, ["Phase", "Rise Delay", "Frequency"], reference=False)
    assert m["Phase"] is None and m["Rise Delay"] is None
    assert m["Frequency"] is not None


def test_measure_range_and_second_channel(scope, instrument):
    instrument.signal(1, shape="sine", frequency=2000.0, amplitude=1.0)
    wave = capture(scope)
    m = uzyv.measure(wave, ["Frequency", "Vpp"], channel=1, start=1000, end=6000)
    assert (m.start, m.end) == (1000, 6000)
    assert m["Frequency"] == pytest.approx(2000.0, rel=3e-3)
    assert m["Vpp"] == pytest.approx(1.0, abs=0.045)


def crossing_time(wave, channel=0):
    """Seconds of the rising zero crossing nearest to time 0, interpolated between samples."""
    t, v = wave.time, wave.channel(channel)
    k = int(np.argmin(np.abs(t)))
    for j in range(max(k - 3, 0), min(k + 3, len(v) - 1)):
        if v[j] <= 0.0 < v[j + 1]:
            return t[j] + (t[j + 1] - t[j]) * (0.0 - v[j]) / (v[j + 1] - v[j])
    raise AssertionError("no rising crossing next to time 0")


@pytest.mark.parametrize("aligned", [True, False], ids=["aligned", "unshifted"])
def test_time_axis_puts_the_trigger_event_at_zero(scope, instrument, aligned):
    # 0.63 V per sample through 0 V: the crossing is placed to a few hundredths of a sample.
    instrument.signal(0, shape="sine", frequency=100e3, amplitude=2.0)
    setup_timebase(scope, rate=RATE, length=2000)
    offsets = []
    for _ in range(5):
        scope.capture()
        wave = scope.read(aligned=aligned)
        assert abs(crossing_time(wave)) < 0.1 / RATE
        offsets.append(wave.time_offset_ps)
    # The sample clock's phase differs from capture to capture; only the unshifted read shows it.
    assert (len(set(offsets)) > 1) != aligned


def test_measurements_account_for_the_channel_offset(scope, instrument):
    instrument.signal(0, shape="sine", frequency=1000.0, amplitude=1.0, dc=2.5)
    setup_timebase(scope, rate=RATE, length=LENGTH)
    scope[0].offset_volts = 2.5  # the signal's middle at the middle of the screen
    scope.set_edge_trigger(0, 2.5)
    assert scope.capture()
    m = uzyv.measure(scope.read(), ["Mean", "Max.", "Min.", "Frequency"])
    assert m["Mean"] == pytest.approx(2.5, abs=0.02)
    assert m["Max."] == pytest.approx(3.0, abs=0.03) and m["Min."] == pytest.approx(2.0, abs=0.03)

"""Measurements, spectra and the pass/fail mask, computed by the library on a Waveform's data."""
from __future__ import annotations

import math
from ctypes import byref, c_double, c_int16, c_int32, c_uint8
from dataclasses import dataclass
from typing import Any, Dict, Iterable, Iterator, List, Mapping, Optional, Sequence, Tuple, Union

import numpy as np

from . import _calls
from ._calls import call, int_arg, pico, pointer
from ._library import MeasParams, library
from .enums import MEASUREMENT_NAMES, MEASUREMENT_UNITS, MeasType, SpectrumScale, Window, as_enum
from .errors import ArgumentError
from .waveform import Waveform, pyplot

__all__ = ["measure", "Measurements", "spectrum", "Spectrum", "Mask", "MaskResult"]

MeasTypeLike = Union[MeasType, int, str]

_RESERVED_TYPE = 30


def _type_index(sp: MeasTypeLike) -> int:
    if isinstance(sp, MeasType):
        return int(sp)
    if isinstance(sp, str):
        key = sp.strip()
        for i, name in enumerate(MEASUREMENT_NAMES):
            if key.lower() == name.lower():
                return i
        try:
            return int(MeasType[key.upper().replace(" ", "_").replace(".", "")])
        except KeyError:
            raise ArgumentError(18, f"{sp!r} names no measurement type", call="measure") from None
    return int_arg(sp, "measurement type")


def _type_name(index: int) -> str:
    base = index - 2500 if index >= 2500 else index
    if 0 <= base < len(MEASUREMENT_NAMES):
        return MEASUREMENT_NAMES[base]
    return "Reserved" if base == _RESERVED_TYPE else str(index)


class Measurements(Mapping[str, Optional[float]]):
    """Results by display name ("Frequency", "Vpp", ...); a result the run did not produce is None.

    Values are in volts, seconds, hertz, percent, degrees or counts (see
    :attr:`units`). Indexing also takes a :class:`MeasType`.
    """

    def __init__(self, values: Dict[str, Optional[float]], start: int, end: int) -> None:
        self._values = values
        #: the sample range [start, end) that was measured
        self.start = start
        self.end = end

    def __getitem__(self, key: Union[str, MeasType]) -> Optional[float]:
        if isinstance(key, MeasType):
            key = key.display_name
        return self._values[key]

    def __iter__(self) -> Iterator[str]:
        return iter(self._values)

    def __len__(self) -> int:
        return len(self._values)

    def valid(self) -> Dict[str, float]:
        """Only the results that are valid."""
        return {k: v for k, v in self._values.items() if v is not None}

    @property
    def units(self) -> Dict[str, str]:
        """The unit of each result."""
        out = {}
        for name in self._values:
            idx = MEASUREMENT_NAMES.index(name) if name in MEASUREMENT_NAMES else -1
            out[name] = MEASUREMENT_UNITS[idx] if idx >= 0 else ""
        return out

    def __repr__(self) -> str:
        return f"Measurements({self._values!r})"


# The staged form keeps sample pointers in the library between calls; the arrays stay alive here.
_staged_arrays: List[np.ndarray] = []


def measure(waveform: Waveform, types: Optional[Iterable[MeasTypeLike]] = None, *, channel: Optional[int] = None,
            reference: Union[bool, int] = True, start: int = 0, end: Optional[int] = None,
            abort: Optional[c_uint8] = None, staged: bool = False) -> Measurements:
    """Measures a channel of a waveform with the library's measurement engine.

    Args:
        waveform: the record, as :meth:`Scope.read` returns it.
        types: measurement types (display names, :class:`MeasType` members
            or their numbers); all 30 when None.
        channel: the group channel to measure (the device's first when None).
        reference: the channel Rise Delay, Fall Delay and Phase refer to:
            True for the other input of the device, a channel number of the
            device, or False for none.
        start, end: the sample range [start, end) (the whole record by default).
        abort: a ``ctypes.c_uint8`` that another thread may set non-zero to
            stop the run.
        staged: measure through the library's staged calls instead of its
            single call (both drive the same engine).

    Returns:
        :class:`Measurements`: display name -> value, None when not valid.
    """
    kinds = list(range(30)) if types is None else [_type_index(t) for t in types]
    if not kinds:
        raise ArgumentError(0, "no measurement type given", call="measure")
    first = waveform.channel_numbers[0] if channel is None else channel
    inp = waveform.input_of(first)
    ref: Optional[int]
    if reference is True:
        ref = 1 - inp
    elif reference is False or reference is None:
        ref = None
    else:
        ref = waveform.input_of(int(reference))
    n = waveform.record_length
    stop = n if end is None else int_arg(end, "end")
    begin = int_arg(start, "start")
    if stop > n:
        raise ArgumentError(0, f"end {stop} lies beyond the record of {n} samples", call="measure")
    rows = [np.ascontiguousarray(waveform.raw[inp], dtype=np.int16)]
    if ref is not None:
        rows.append(np.ascontiguousarray(waveform.raw[ref], dtype=np.int16))
    sources = [inp] + ([ref] if ref is not None else [])
    abort_ptr = byref(abort) if abort is not None else None
    lib = library()
    values: Dict[str, Optional[float]] = {}
    with lib.lock:
        if staged:
            if ref is None:
                raise ArgumentError(0, "the staged form keeps a reference once given; measure with staged=False",
                                    call="measure")
            _staged_arrays[:] = rows
            for k, s in enumerate(sources):
                call("uZyvSDKMeasExInit", k, 0, -waveform.offsets_volts[s], waveform.zero_levels[s],
                     waveform.base_offsets[s], waveform.gains[s], 1, int(waveform.sample_rate), 0,
                     pointer(rows[k], c_int16))
            call("uZyvSDKMeasExFreeResource")
            for kind in kinds:
                call("uZyvSDKMeasExAddType", kind)
            call("uZyvSDKMeasExStart", begin, stop, abort_ptr)
            for kind in kinds:
                ok = lib.uZyvSDKMeasExGetResult(kind)
                values[_type_name(kind)] = float(lib.uZyvSDKMeasExGetValue(kind)) if ok else None
        else:
            params = MeasParams()
            params.sampleRate = int(waveform.sample_rate)
            for k, s in enumerate(sources):
                # The read adds the channel offset; the engine subtracts its volt offset.
                params.voltOffset[k] = -waveform.offsets_volts[s]
                params.zeroLevel[k] = waveform.zero_levels[s]
                params.baseOffset[k] = waveform.base_offsets[s]
                params.gain[k] = waveform.gains[s]
                params.multiplier[k] = 1
                params.samples[k] = pointer(rows[k], c_int16)
            listed = (c_int32 * (len(kinds) + 1))(*kinds, -1)
            valid = (c_uint8 * len(kinds))()
            results = (c_double * len(kinds))()
            call("uZyvSDKMeasurement", listed, begin, stop, byref(params), abort_ptr, valid, results)
            for j, kind in enumerate(kinds):
                values[_type_name(kind)] = float(results[j]) if valid[j] else None
    return Measurements(values, begin, stop)


@dataclass
class Spectrum:
    """A one-sided amplitude spectrum: ``values[j]`` at ``frequencies[j]``."""

    #: hertz (cycles per sample when the sample rate is not known)
    frequencies: np.ndarray
    #: volts (LINEAR), dBV or dBm; a view of :attr:`bins`' even elements
    values: np.ndarray
    window: Window
    scale: SpectrumScale
    sample_rate: float
    #: samples transformed (a power of two, at most 2048)
    size: int
    #: the library's output: each bin twice
    bins: np.ndarray

    @property
    def bin_width(self) -> float:
        """Hertz between bins."""
        return self.sample_rate / self.size

    @property
    def unit(self) -> str:
        """The unit of the values: "V", "dBV" or "dBm"."""
        return {SpectrumScale.LINEAR: "V", SpectrumScale.DBV: "dBV", SpectrumScale.DBM: "dBm"}[self.scale]

    def peaks(self, count: int = 5) -> List[Tuple[float, float]]:
        """The ``count`` highest local maxima as (frequency, value), highest first (bin 0 is not a peak)."""
        v = self.values
        found = []
        for j in range(1, len(v)):
            left = v[j] >= v[j - 1]
            right = j + 1 == len(v) or v[j] > v[j + 1]
            if math.isfinite(v[j]) and left and right:
                found.append(j)
        found.sort(key=lambda j: -v[j])
        return [(float(self.frequencies[j]), float(v[j])) for j in found[:count]]

    def to_csv(self, path: str) -> None:
        """Writes frequency and value as CSV."""
        values = np.where(np.isfinite(self.values), self.values, -999.0)
        np.savetxt(path, np.column_stack([self.frequencies, values]), delimiter=",", fmt=("%.9g", "%.4f"),
                   header=f"frequency_Hz,{self.unit}", comments="")

    def plot(self, ax: Any = None, label: Optional[str] = None) -> Any:
        """Draws the spectrum with matplotlib and returns the axes."""
        plt = pyplot()
        if ax is None:
            _, ax = plt.subplots(figsize=(10, 5))
        values = np.where(np.isfinite(self.values), self.values, np.nan)
        ax.plot(self.frequencies, values, linewidth=1.0, label=label)
        ax.set_xlabel("frequency (Hz)")
        ax.set_ylabel(self.unit)
        ax.grid(True, alpha=0.3)
        ax.set_title(f"{self.size} samples, {self.window.name.lower().replace('_', '-')} window")
        if label:
            ax.legend(loc="upper right")
        return ax


def _window(value: Union[Window, int, str]) -> Window:
    if isinstance(value, str) and value.strip().lower() in ("hann", "rect", "none"):
        value = {"hann": "hanning", "rect": "rectangle", "none": "rectangle"}[value.strip().lower()]
    member = as_enum(Window, value)
    if not isinstance(member, Window):
        raise ArgumentError(0, f"window {value!r} is not one of 0..8", call="spectrum")
    return member


def _scale(value: Union[SpectrumScale, int, str]) -> SpectrumScale:
    if isinstance(value, str):
        key = value.strip().lower()
        names = {"linear": SpectrumScale.LINEAR, "v": SpectrumScale.LINEAR, "dbv": SpectrumScale.DBV,
                 "dbm": SpectrumScale.DBM}
        if key not in names:
            raise ArgumentError(0, f"scale is 'linear', 'dBV' or 'dBm', not {value!r}", call="spectrum")
        return names[key]
    member = as_enum(SpectrumScale, value)
    if not isinstance(member, SpectrumScale):
        raise ArgumentError(0, f"scale {value!r} is not one of 0..2", call="spectrum")
    return member


def spectrum(samples: Union[Waveform, np.ndarray, Sequence[float]], window: Union[Window, int, str] = "hanning",
             scale: Union[SpectrumScale, int, str] = "dBV", *, channel: Optional[int] = None,
             sample_rate: Optional[float] = None, out: Optional[np.ndarray] = None) -> Spectrum:
    """The library's amplitude spectrum of the first N samples (N the largest power of two up to 2048).

    Args:
        samples: a :class:`Waveform` (its ``channel``, the device's first by
            default) or volts.
        window: "rectangle" (the middle half), "blackman", "hanning",
            "hamming", "blackman-harris", "bartlett", "sine", "lanczos",
            "gaussian", or a :class:`Window`.
        scale: "linear" (volts), "dBV" or "dBm" (re 0.2236 V).
        sample_rate: samples per second of plain samples (the waveform's own
            otherwise); without one the frequencies are in cycles per sample.
        out: a float64 array of N elements that receives the library's
            output (each bin twice); :attr:`Spectrum.values` is a view of it.
    """
    win, sc = _window(window), _scale(scale)
    if isinstance(samples, Waveform):
        ch = samples.channel_numbers[0] if channel is None else channel
        volts = samples.channel(ch)
        rate = float(samples.sample_rate) if sample_rate is None else float(sample_rate)
    else:
        volts = np.asarray(samples, dtype=np.float64)
        if volts.ndim != 1:
            raise ArgumentError(0, "samples must be one-dimensional", call="spectrum")
        rate = 1.0 if sample_rate is None else float(sample_rate)
    count = min(len(volts), 2048)
    if count < 2:
        raise ArgumentError(0, f"a spectrum needs at least 2 samples, not {len(volts)}", call="spectrum")
    size = 1 << (count.bit_length() - 1)
    # The decibel scales take millivolts; the linear scale gives the input's unit back.
    data = np.multiply(volts[:size], 1000.0) if sc != SpectrumScale.LINEAR else \
        np.ascontiguousarray(volts[:size], dtype=np.float64)
    bins = _calls.buffer_of(out, np.float64, size, "out")
    call("uZyvSDKGetFFTData", pointer(data, c_double), size, int(sc), int(win), pointer(bins, c_double))
    frequencies = np.arange(size // 2, dtype=np.float64) * (rate / size)
    return Spectrum(frequencies, bins[0::2], win, sc, rate, size, bins)


@dataclass(frozen=True)
class MaskResult:
    """The outcome of a mask check; true when every sample compared lay within the mask."""

    passed: bool
    #: the step of the first sample outside the mask, None when it passed
    first_failure: Optional[int]
    channel: int

    def __bool__(self) -> bool:
        return self.passed


class Mask:
    """A pass/fail mask built from a reference channel of a waveform.

    The library holds one mask at a time; a Mask object puts its own back in
    place when another one was built since (:meth:`check`, :meth:`limits`).

    Args:
        reference: the reference record; read it with ``aligned=False`` so
            that its time offset places the mask against later captures.
        channel: the group channel of the reference (the device's first by default).
        tolerance_volts: the amplitude tolerance above and below.
        tolerance_samples: the time tolerance before and after each point, in
            samples (``tolerance_seconds`` instead when given).
    """

    _installed: Optional["Mask"] = None

    def __init__(self, reference: Waveform, channel: Optional[int] = None, *, tolerance_volts: float = 0.1,
                 tolerance_samples: float = 2.0, tolerance_seconds: Optional[float] = None,
                 tolerance_above_volts: Optional[float] = None, tolerance_below_volts: Optional[float] = None) -> None:
        self.channel = reference.channel_numbers[0] if channel is None else channel
        inp = reference.input_of(self.channel)
        self.reference = np.array(reference.raw[inp], dtype=np.int16, copy=True)
        self.sample_rate = int(reference.sample_rate)
        if self.sample_rate <= 0:
            raise ArgumentError(17, f"the reference's sample rate {self.sample_rate} cannot place a mask",
                                call="Mask")
        period_ps = 1e12 / self.sample_rate
        seconds = tolerance_seconds if tolerance_seconds is not None else float(tolerance_samples) * period_ps / 1e12
        self.tolerance_ps = pico(seconds, "time tolerance")
        above = tolerance_volts if tolerance_above_volts is None else tolerance_above_volts
        below = tolerance_volts if tolerance_below_volts is None else tolerance_below_volts
        self.tolerance_above_uv = _calls.micro(above, "amplitude tolerance", bits=32)
        self.tolerance_below_uv = _calls.micro(below, "amplitude tolerance", bits=32)
        self.gain = float(reference.gains[inp])
        self.zero_level = float(reference.zero_levels[inp])
        self.base_offset = float(reference.base_offsets[inp])
        self.offset_volts = float(reference.offsets_volts[inp])
        self.time_offset_ps = int(reference.time_offset_ps)
        self._install()

    def _install(self) -> None:
        if Mask._installed is self:
            return
        divisor = c_double(self.gain)
        Mask._installed = None
        # Microvolts x 1000 / (1e6 x mV per count) = counts.
        call("uZyvSDKPassFailInit", pointer(self.reference, c_int16), len(self.reference), self.sample_rate,
             self.tolerance_ps, self.tolerance_ps, self.tolerance_below_uv, self.tolerance_above_uv, 1000,
             byref(divisor), self.time_offset_ps)
        Mask._installed = self

    def limits(self) -> Tuple[np.ndarray, np.ndarray, int]:
        """The mask's upper and lower limits in raw codes (int16 arrays) and its shift in samples."""
        lib = library()
        with lib.lock:
            self._install()
            n = len(self.reference)
            upper = np.empty(n, dtype=np.int16)
            lower = np.empty(n, dtype=np.int16)
            up_count, low_count, shift = c_int32(n), c_int32(n), c_int32()
            call("uZyvSDKPassFailGetMask", pointer(upper, c_int16), byref(up_count), pointer(lower, c_int16),
                 byref(low_count), byref(shift))
        return upper[:up_count.value], lower[:low_count.value], shift.value

    def limits_volts(self) -> Tuple[np.ndarray, np.ndarray]:
        """The upper and lower limits in volts, converted with the reference's calibration."""
        upper, lower, _ = self.limits()
        out = []
        for codes in (upper, lower):
            codes = np.ascontiguousarray(codes)
            volts = np.empty(len(codes), dtype=np.float64)
            if len(codes):
                call("uZyvSDKRawToDbl_mv", pointer(codes, c_int16), pointer(volts, c_double), len(codes),
                     self.zero_level, self.base_offset, self.gain, self.offset_volts * 1e6, 1)
            out.append(np.divide(volts, 1000.0, out=volts))
        return out[0], out[1]

    def check(self, scope: Any, channel: Optional[int] = None) -> MaskResult:
        """Checks the channel's record of the last capture (the reference's channel by default)."""
        ch = self.channel if channel is None else int_arg(channel, "channel")
        result = c_int32()
        lib = library()
        with lib.lock:
            scope._ensure_current()
            self._install()
            call("uZyvSDKPassFailCheck", ch, byref(result))
        failed = result.value >= 0
        return MaskResult(not failed, result.value if failed else None, ch)

    def plot(self, ax: Any = None, time: Optional[np.ndarray] = None) -> Any:
        """Draws the limits in volts with matplotlib (against ``time`` when given) and returns the axes."""
        plt = pyplot()
        if ax is None:
            _, ax = plt.subplots(figsize=(10, 6))
        upper, lower = self.limits_volts()
        x = np.arange(len(upper)) if time is None else time[:len(upper)]
        ax.fill_between(x, lower, upper, color="0.6", alpha=0.3, step="mid", label="mask")
        return ax

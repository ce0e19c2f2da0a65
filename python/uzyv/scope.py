"""The scope object: a device group opened on a runtime folder, its channels, timebase, triggers and captures."""
from __future__ import annotations

import builtins
import ctypes
import os
import time
import warnings
from ctypes import byref, c_char, c_double, c_int32, c_int64, c_uint32
from dataclasses import dataclass, field
from typing import Any, Dict, Optional, Sequence, Tuple, Union

import numpy as np

from . import _calls
from ._calls import call, int_arg, last_error, micro, pico, pointer
from ._library import CaptureParams, Library, library, load_library
from .enums import (
    AcquireMode,
    BandwidthLimit,
    Coupling,
    TriggerCoupling,
    TriggerSlope,
    WaitMode,
    as_enum,
    from_code,
)
from .errors import (
    ArgumentError,
    CaptureTimeout,
    Error,
    InstrumentError,
    NoDeviceError,
    NotSupportedError,
    ReadRefusedError,
    StateError,
    UzyvWarning,
    error_for,
)
from .waveform import Waveform

__all__ = ["open", "Scope", "Channel", "DeviceInfo", "Trigger", "simulator_folder"]

_I16P = ctypes.POINTER(ctypes.c_int16)
_DP = ctypes.POINTER(ctypes.c_double)


class _Process:
    """What this process has done with the library: it is process-wide, and so is this record."""

    workdir: Optional[str] = None
    current_group: Optional[int] = None
    open_groups: Dict[int, "Scope"] = {}


def _select(group: int) -> None:
    if _Process.current_group != group:
        call("uZyvSDKSelectGroup", group)
        _Process.current_group = group


def _normalised_folder(path: str) -> str:
    folder = os.path.abspath(path)
    if os.path.basename(folder).lower() == "zyvrun.dll":
        folder = os.path.dirname(folder)
    return os.path.normcase(os.path.realpath(folder))


def open(workdir: Optional[Union[str, os.PathLike]] = None, group: int = 0, *,
         library_path: Optional[str] = None, stack: Optional[Sequence[str]] = None,
         environment: Optional[Tuple[int, int, int]] = None) -> "Scope":
    """Opens a device group and returns its :class:`Scope` (use it as a context manager).

    Args:
        workdir: the folder of ``Zyvrun.dll`` (or the file itself). The
            library accepts it only before its first start-up, so every
            :func:`open` of a process names the same folder (or ``None``,
            which keeps the one in force; before any start-up ``None`` means
            the environment variable ``UZYV_RUNTIME``, else the current folder).
        group: the device group, 0..19.
        library_path: the shared library file or folder (see
            :func:`uzyv.load_library`).
        stack: items of the stack list for the runtime's stacked
            initialisation (up to 20 items of up to 16 characters).
        environment: (mode, second, third) handed to the runtime before the
            group is initialised.

    Raises:
        Error: the library's code when a step fails; NoDeviceError when the
        runtime found no device.
    """
    lib = load_library(library_path)
    # Selection and initialisation run as one step: the current group is library-wide.
    with lib.lock:
        group = int_arg(group, "group")
        if group in _Process.open_groups:
            raise StateError(0, f"group {group} is already open in this process", call="open")
        if workdir is None and _Process.workdir is None and _Process.current_group is None:
            workdir = os.environ.get("UZYV_RUNTIME") or None
        if workdir is not None:
            folder = os.fspath(workdir)
            if _Process.workdir is None or _normalised_folder(folder) != _Process.workdir:
                call("uZyvSDKSetWorkDir", _calls.path_bytes(folder))
                _Process.workdir = _normalised_folder(folder)
        # The current group after a failed selection is not known; select again next time.
        _Process.current_group = None
        call("uZyvSDKSelectGroup", group)
        _Process.current_group = group
        if environment is not None:
            mode, second, third = environment
            call("uZyvSDKSetEnv", int_arg(mode, "mode") & 0xFFFFFFFF, int_arg(second, "second") & 0xFFFFFFFF,
                 int_arg(third, "third") & 0xFFFFFFFF)
        last_error(lib)
        if stack is None:
            name = "uZyvSDKInit"
            devices = lib.uZyvSDKInit()
        else:
            name = "uZyvSDKInitStack"
            items = [str(s) for s in stack]
            devices = lib.uZyvSDKInitStack(",".join(items).encode() if items else None)
        if devices <= 0:
            code = last_error(lib)
            if code:
                raise error_for(code, call=name)
            raise NoDeviceError(0, "the runtime found no device", call=name)
        scope = Scope(lib, group, int(devices))
        _Process.open_groups[group] = scope
    return scope


@dataclass(frozen=True)
class DeviceInfo:
    """What a device tells about itself."""

    device: int
    vendor: str
    product: str
    serial: str
    hardware_version: int
    firmware_version: int
    product_id: int
    usb_handle: int
    #: (gain in mV per count, zero level in counts, base offset in mV) of input 0 and input 1.
    calibration: Tuple[Tuple[float, float, float], Tuple[float, float, float]]

    @property
    def extended(self) -> bool:
        """The extended product, which offers the runt, width, pattern and state triggers."""
        return self.product_id == 8722


@dataclass(frozen=True)
class Trigger:
    """The trigger last set through this package (the library has no getter for it)."""

    kind: str
    source: int
    slope: Union[TriggerSlope, int, None] = None
    #: volts; None when autoset chose the level
    level_volts: Optional[float] = None
    parameters: Tuple[Any, ...] = field(default=())


class Channel:
    """One channel of a group (``scope.channels[i]`` or ``scope[i]``); its settings are properties."""

    def __init__(self, scope: "Scope", index: int) -> None:
        self._scope = scope
        self.index = index

    def __repr__(self) -> str:
        return f"<uzyv.Channel {self.index} of group {self._scope.group}>"

    @property
    def device(self) -> int:
        """The device the channel belongs to."""
        return self.index // 2

    @property
    def input(self) -> int:
        """The device's input, 0 or 1."""
        return self.index % 2

    def _get(self, name: str) -> int:
        value = c_int32()
        self._scope._call(name, self.index, byref(value))
        return value.value

    def _set(self, name: str, value: int) -> None:
        self._scope._call(name, self.index, int(value))

    @property
    def volts_per_div(self) -> float:
        """Vertical scale in volts per division: one of :data:`uzyv.VOLTS_PER_DIV`."""
        return self._get("uZyvSDKGetVoltDiv") / 1e6

    @volts_per_div.setter
    def volts_per_div(self, volts: float) -> None:
        self.set_volts_per_div(volts)

    def set_volts_per_div(self, volts: float, extended: bool = False) -> None:
        """Sets the vertical scale; ``extended`` sends it under the runtime's extended setting."""
        uv = micro(volts, "volts/div", bits=32)
        self._set("uZyvSDKSetVoltDivEx" if extended else "uZyvSDKSetVoltDiv", uv)

    @property
    def offset_volts(self) -> float:
        """Vertical offset in volts: this voltage lies at the middle of the screen."""
        return self._get("uZyvSDKGetVoltOfs") / 1e6

    @offset_volts.setter
    def offset_volts(self, volts: float) -> None:
        self._set("uZyvSDKSetVoltOfs", micro(volts, "offset", bits=32))

    @property
    def position_code(self) -> int:
        """Vertical position, 0..16000 (8000 puts 0 divisions at the middle, 2000 per division)."""
        return self._get("uZyvSDKGetVoltPos")

    @position_code.setter
    def position_code(self, code: int) -> None:
        self._set("uZyvSDKSetVoltPos", int_arg(code, "position"))

    @property
    def position_divisions(self) -> float:
        """Vertical position in divisions from the middle of the screen (-4..+4)."""
        return (self.position_code - 8000) / 2000.0

    @position_divisions.setter
    def position_divisions(self, divisions: float) -> None:
        self.position_code = int(round(8000 + float(divisions) * 2000.0))

    @property
    def coupling(self) -> Union[Coupling, int]:
        """Input coupling."""
        return from_code(Coupling, self._get("uZyvSDKGetCoupling"))

    @coupling.setter
    def coupling(self, value: Union[Coupling, int, str]) -> None:
        self._set("uZyvSDKSetCoupling", as_enum(Coupling, value))

    @property
    def bandwidth_limit(self) -> Union[BandwidthLimit, int]:
        """Bandwidth limit."""
        return from_code(BandwidthLimit, self._get("uZyvSDKGetBWL"))

    @bandwidth_limit.setter
    def bandwidth_limit(self, value: Union[BandwidthLimit, int, str]) -> None:
        self._set("uZyvSDKSetBWL", as_enum(BandwidthLimit, value))

    @property
    def acquire_mode(self) -> Union[AcquireMode, int]:
        """Acquire mode."""
        return from_code(AcquireMode, self._get("uZyvSDKGetAcquireMode"))

    @acquire_mode.setter
    def acquire_mode(self, value: Union[AcquireMode, int, str]) -> None:
        self._set("uZyvSDKSetAcquireMode", as_enum(AcquireMode, value))

    @property
    def enabled(self) -> bool:
        """Whether the channel is on, as the instrument reports it."""
        scope = self._scope
        with scope._lib.lock:
            scope._ensure_current()
            last_error(scope._lib)
            on = scope._lib.uZyvSDKGetChOnOff(self.index)
            _calls.raise_left_code("uZyvSDKGetChOnOff", scope._lib)
        return bool(on)

    @enabled.setter
    def enabled(self, on: bool) -> None:
        self._set("uZyvSDKSetChOnOff", 1 if on else 0)


class Scope:
    """An open device group. Made by :func:`uzyv.open`; closes the group on :meth:`close` or at the end of
    its ``with`` block.

    Channels are numbered across the group: channel ``c`` is input ``c % 2``
    of device ``c // 2``.
    """

    def __init__(self, lib: Library, group: int, devices: int) -> None:
        self._lib = lib
        self.group = group
        self.devices = devices
        self.channels: Tuple[Channel, ...] = tuple(Channel(self, c) for c in range(2 * devices))
        # What initialisation leaves cached.
        self.trigger: Optional[Trigger] = Trigger("edge", 0, TriggerSlope.RISING, 0.16)
        self._closed = False

    # ------------------------------------------------------------------ lifecycle
    def __repr__(self) -> str:
        state = "closed" if self._closed else "open"
        return f"<uzyv.Scope group {self.group}, {self.devices} device(s), {state}>"

    def __enter__(self) -> "Scope":
        return self

    def __exit__(self, kind: Any, value: Any, traceback: Any) -> None:
        try:
            self.close()
        except Error:
            if kind is None:
                raise

    def __getitem__(self, channel: int) -> Channel:
        return self.channels[channel]

    @property
    def closed(self) -> bool:
        """Whether the group was shut down through this object."""
        return self._closed

    def close(self) -> None:
        """Shuts the group down (once; later calls do nothing)."""
        if self._closed:
            return
        self._closed = True
        _Process.open_groups.pop(self.group, None)
        with self._lib.lock:
            _select(self.group)
            result = self._lib.uZyvSDKShutdown()
        if result == 0:
            raise Error(0, "the runtime reported a failed shutdown", call="uZyvSDKShutdown")

    def _ensure_current(self) -> None:
        if self._closed:
            raise StateError(28, "the scope is closed", call="uzyv.Scope")
        _select(self.group)

    def _call(self, name: str, *args: Any, silent: Optional[str] = None, silent_kind: type = Error) -> int:
        with self._lib.lock:
            self._ensure_current()
            return call(name, *args, silent=silent, silent_kind=silent_kind)

    def _get(self, name: str, ctype: Any = c_int32) -> int:
        value = ctype()
        self._call(name, byref(value))
        return value.value

    # ------------------------------------------------------------------ devices
    def device_info(self, device: int = 0) -> DeviceInfo:
        """Names, versions, product ID, USB handle and calibration of a device."""
        vendor = (c_char * 10)()
        product = (c_char * 10)()
        serial = (c_char * 16)()
        hw, fw, pid = c_int32(), c_int32(), c_int32()
        usb = c_uint32()
        cal = (c_double * 6)()
        self._call("uZyvSDKGetVendorName", device, vendor)
        self._call("uZyvSDKGetProductName", device, product)
        self._call("uZyvSDKGetSerialNum", device, serial)
        self._call("uZyvSDKGetHwVer", device, byref(hw))
        self._call("uZyvSDKGetFwVer", device, byref(fw))
        self._call("uZyvSDKGetProductID", device, byref(pid))
        self._call("uZyvSDKGetUsbDeviceHandle", device, byref(usb))
        self._call("uZyvSDKGetCalibrationData", device, cal)

        def text(buf: Any) -> str:
            return bytes(buf).split(b"\0", 1)[0].decode("latin-1")

        return DeviceInfo(device, text(vendor), text(product), text(serial), hw.value, fw.value, pid.value,
                          usb.value, ((cal[0], cal[1], cal[2]), (cal[3], cal[4], cal[5])))

    @property
    def runtime_error_code(self) -> int:
        """The runtime's own error code as it reports it now (untranslated)."""
        with self._lib.lock:
            self._ensure_current()
            return int(self._lib.uZyvSDKGetErrorCode())

    # ------------------------------------------------------------------ timebase
    @property
    def sample_rate(self) -> int:
        """Samples per second."""
        return self._get("uZyvSDKGetSampleRate", c_int64)

    @sample_rate.setter
    def sample_rate(self, rate: int) -> None:
        self._call("uZyvSDKSetSampleRate", int_arg(int(rate), "sample rate", 64))

    @property
    def record_length(self) -> int:
        """Samples per channel and capture (a multiple of 8)."""
        return self._get("uZyvSDKGetRecordLength")

    @record_length.setter
    def record_length(self, samples: int) -> None:
        self._call("uZyvSDKSetRecordLength", int_arg(samples, "record length"))

    @property
    def trigger_position_seconds(self) -> float:
        """Where the trigger event lies, from the middle of the record, in seconds."""
        return self._get("uZyvSDKGetTrigPos", c_int64) / 1e12

    @trigger_position_seconds.setter
    def trigger_position_seconds(self, seconds: float) -> None:
        self._call("uZyvSDKSetTrigPos", pico(seconds, "trigger position"))

    @property
    def delay_seconds(self) -> float:
        """Trigger delay, seconds (0 to 50 s)."""
        return self._get("uZyvSDKGetDelayTime", c_int64) / 1e12

    @delay_seconds.setter
    def delay_seconds(self, seconds: float) -> None:
        self._call("uZyvSDKSetDelayTime", pico(seconds, "delay"))

    @property
    def holdoff_seconds(self) -> float:
        """Trigger holdoff, seconds (0 to 10 s)."""
        return self._get("uZyvSDKGetHoldoffTime", c_int64) / 1e12

    @holdoff_seconds.setter
    def holdoff_seconds(self, seconds: float) -> None:
        self._call("uZyvSDKSetHoldoffTime", pico(seconds, "holdoff"))

    @property
    def resolution_bits(self) -> int:
        """Sample resolution in bits (8 or 12 on the simulated instrument)."""
        return self._get("uZyvSDKGetHwBit")

    @resolution_bits.setter
    def resolution_bits(self, bits: int) -> None:
        self._call("uZyvSDKSetHwBit", int_arg(bits, "resolution"),
                   silent=f"the runtime refused a resolution of {bits} bits", silent_kind=InstrumentError)

    @property
    def wait_mode(self) -> Union[WaitMode, int]:
        """How captures wait for the trigger; set :meth:`set_wait_mode` for the timeout of AUTO_TIMEOUT."""
        mode, param = c_int32(), c_int64()
        self._call("uZyvSDKGetWaitMode", byref(mode), byref(param))
        return from_code(WaitMode, mode.value)

    @wait_mode.setter
    def wait_mode(self, mode: Union[WaitMode, int, str]) -> None:
        self.set_wait_mode(mode)

    def set_wait_mode(self, mode: Union[WaitMode, int, str], timeout_seconds: Optional[float] = None) -> None:
        """Sets the wait mode; AUTO_TIMEOUT takes the time to look for an event (``timeout_seconds``)."""
        mode = as_enum(WaitMode, mode)
        param = pico(timeout_seconds, "wait timeout") if timeout_seconds is not None else 0
        if mode == WaitMode.AUTO_TIMEOUT and timeout_seconds is None:
            raise ArgumentError(0, "AUTO_TIMEOUT needs timeout_seconds", call="set_wait_mode")
        self._call("uZyvSDKSetWaitMode", int(mode), param)

    @property
    def wait_timeout_seconds(self) -> float:
        """The timeout last given with AUTO_TIMEOUT, seconds."""
        mode, param = c_int32(), c_int64()
        self._call("uZyvSDKGetWaitMode", byref(mode), byref(param))
        return param.value / 1e12

    @property
    def trigger_coupling(self) -> Union[TriggerCoupling, int]:
        """Coupling of the trigger comparator."""
        return from_code(TriggerCoupling, self._get("uZyvSDKGetTrigCouple"))

    @trigger_coupling.setter
    def trigger_coupling(self, value: Union[TriggerCoupling, int, str]) -> None:
        self._call("uZyvSDKSetTrigCouple", int(as_enum(TriggerCoupling, value)))

    # ------------------------------------------------------------------ triggers
    def set_edge_trigger(self, source: int = 0, level_volts: float = 0.0,
                         slope: Union[TriggerSlope, int, str] = TriggerSlope.RISING) -> None:
        """Edge trigger on channel ``source`` (0..2) at ``level_volts``; sent with the next capture."""
        slope = as_enum(TriggerSlope, slope)
        self._call("uZyvSDKSetEdgeTrig", int_arg(source, "source"), int(slope), micro(level_volts))
        self.trigger = Trigger("edge", source, slope, float(level_volts))

    def set_video_trigger(self, source: int, mode: int, value: int) -> None:
        """Video trigger on channel 0 or 1; mode 0..3 and value are passed to the runtime."""
        self._call("uZyvSDKSetVideoTrig", int_arg(source, "source"), int_arg(mode, "mode"), int_arg(value, "value"),
                   silent=f"the video trigger takes source 0 or 1, not {source}", silent_kind=ArgumentError)
        self.trigger = Trigger("video", source, None, None, (mode, value))

    def set_runt_trigger(self, source: int, sel_a: int, sel_b: int, value: int, value64: int,
                         level_volts: float, level2_volts: float) -> None:
        """Runt trigger (extended product) on channel 0 or 1 between two levels."""
        self._call("uZyvSDKSetRuntTrig", int_arg(source, "source"), int_arg(sel_a, "sel_a"), int_arg(sel_b, "sel_b"),
                   int_arg(value, "value"), int_arg(value64, "value64", 64), micro(level_volts), micro(level2_volts),
                   silent=f"the runt trigger takes source 0 or 1, not {source}", silent_kind=ArgumentError)
        self.trigger = Trigger("runt", source, None, float(level_volts), (sel_a, sel_b, value, value64, level2_volts))

    def set_width_trigger(self, source: int, sel_a: int, sel_b: int, value: int, value64: int,
                          level_volts: float) -> None:
        """Width trigger (extended product) on channel 0..2."""
        self._call("uZyvSDKSetWidthTrig", int_arg(source, "source"), int_arg(sel_a, "sel_a"),
                   int_arg(sel_b, "sel_b"), int_arg(value, "value"), int_arg(value64, "value64", 64),
                   micro(level_volts))
        self.trigger = Trigger("width", source, None, float(level_volts), (sel_a, sel_b, value, value64))

    def set_pattern_trigger(self, source: int, source2: int, value: int, value2: int, flag: int, value64: int,
                            level_volts: float, level2_volts: float) -> None:
        """Pattern trigger (extended product) on two sources."""
        self._call("uZyvSDKSetPatternTrig", int_arg(source, "source"), int_arg(source2, "source2"),
                   int_arg(value, "value"), int_arg(value2, "value2"), int_arg(flag, "flag"),
                   int_arg(value64, "value64", 64), micro(level_volts), micro(level2_volts))
        self.trigger = Trigger("pattern", source, None, float(level_volts),
                               (source2, value, value2, flag, value64, level2_volts))

    def set_state_trigger(self, source: int, source2: int, value: int, value2: int, flag: int,
                          level_volts: float, level2_volts: float) -> None:
        """State trigger (extended product) on two sources."""
        self._call("uZyvSDKSetStateTrig", int_arg(source, "source"), int_arg(source2, "source2"),
                   int_arg(value, "value"), int_arg(value2, "value2"), int_arg(flag, "flag"), micro(level_volts),
                   micro(level2_volts))
        self.trigger = Trigger("state", source, None, float(level_volts), (source2, value, value2, flag, level2_volts))

    # ------------------------------------------------------------------ capture
    def start_capture(self, params: Optional[CaptureParams] = None) -> None:
        """Starts a capture with the cached settings and trigger, or with a capture-parameter block."""
        if params is None:
            self._call("uZyvSDKCaptureEx")
        else:
            if not isinstance(params, CaptureParams):
                raise ArgumentError(0, "params must be a uzyv.CaptureParams", call="start_capture")
            self._call("uZyvSDKCapture", byref(params))

    @property
    def data_ready(self) -> bool:
        """Whether the capture's data are ready (one poll)."""
        with self._lib.lock:
            self._ensure_current()
            last_error(self._lib)
            ready = self._lib.uZyvSDKDataReady()
            if not ready:
                _calls.raise_left_code("uZyvSDKDataReady", self._lib)
        return ready != 0

    def wait(self, timeout: Optional[float] = 1.0) -> bool:
        """Polls until the data are ready; False when ``timeout`` seconds passed first (None: no limit)."""
        until = None if timeout is None else time.monotonic() + max(0.0, float(timeout))
        polls = 0
        while True:
            if self.data_ready:
                return True
            if until is not None and time.monotonic() >= until:
                return False
            polls += 1
            if polls > 100:
                time.sleep(0.001)

    def capture(self, timeout: Optional[float] = 1.0, force: bool = True) -> bool:
        """Captures and waits for the data.

        Returns True when the trigger event came within ``timeout`` seconds.
        Without it, ``force`` forces the trigger and returns False once the
        data are there; otherwise :class:`CaptureTimeout` is raised.
        """
        self.start_capture()
        if self.wait(timeout):
            return True
        if not force:
            raise CaptureTimeout(0, f"no trigger within {timeout} s", call="capture")
        self.force_trigger()
        if self.wait(timeout):
            return False
        raise CaptureTimeout(0, f"no data within {timeout} s even after forcing the trigger", call="capture")

    def force_trigger(self) -> None:
        """Forces a trigger on every device."""
        self._call("uZyvSDKForceTrig")

    def stop(self) -> None:
        """Stops the capture in progress (nothing happens when none runs)."""
        self._call("uZyvSDKStop")

    def status(self, value: int = 0) -> int:
        """The runtime's status for ``value``, unchanged."""
        with self._lib.lock:
            self._ensure_current()
            return int(self._lib.uZyvSDKGetStatus(int_arg(value, "value")))

    def autoset(self) -> None:
        """Sets every channel's volts/div, an edge trigger on channel 0 and the sample rate for the signals present.

        Blocks for its 40 captures. A step that failed on the way is reported
        as a :class:`uzyv.UzyvWarning`.
        """
        self._call("uZyvSDKAutoset",
                   silent="the runtime offers no signal summaries (ZyvHwInfo); autoset changed nothing",
                   silent_kind=NotSupportedError)
        code = last_error(self._lib)
        if code:
            warnings.warn(UzyvWarning(f"a step of autoset failed: {error_for(code, 'uZyvSDKAutoset')}"), stacklevel=2)
        self.trigger = Trigger("edge", 0, TriggerSlope.RISING, None)

    # ------------------------------------------------------------------ settings files
    def load_settings(self, path: Union[str, os.PathLike]) -> None:
        """Applies a settings file ("Key = v1, v2" lines, ";" comments) line by line; the first refused line stops it."""
        path = os.fspath(path)
        self._call("uZyvSDKReadIniFile", _calls.path_bytes(path),
                   silent=f"{path}: a line was refused without an error code (a video or runt trigger source, "
                          "or a resolution the runtime refused)")
        trigger = _edge_trigger_of(path)
        if trigger is not None:
            self.trigger = trigger

    def save_settings(self, path: Union[str, os.PathLike]) -> None:
        """Writes the settings in force as a settings file that :meth:`load_settings` applies again."""
        lines = ["; uZyvSDK settings", f"SampleRate = {self.sample_rate}", f"RecordLength = {self.record_length}",
                 f"HwBit = {self.resolution_bits}"]
        for ch in self.channels:
            i = ch.index
            lines += [f"VoltDiv = {i}, {int(round(ch.volts_per_div * 1e6))}",
                      f"VoltPos = {i}, {ch.position_code}",
                      f"VoltOfs = {i}, {int(round(ch.offset_volts * 1e6))}",
                      f"Coupling = {i}, {int(ch.coupling)}",
                      f"BandWidth = {i}, {int(ch.bandwidth_limit)}",
                      f"Acquire = {i}, {int(ch.acquire_mode)}",
                      f"ChOnOff = {i}, {1 if ch.enabled else 0}"]
        mode, param = c_int32(), c_int64()
        self._call("uZyvSDKGetWaitMode", byref(mode), byref(param))
        lines += [f"WaitMode = {mode.value}, {param.value}",
                  f"TrigDelay = {self._get('uZyvSDKGetDelayTime', c_int64)}",
                  f"HoldOff = {self._get('uZyvSDKGetHoldoffTime', c_int64)}",
                  f"TrigPos = {self._get('uZyvSDKGetTrigPos', c_int64)}",
                  f"TrigCoupling = {int(self.trigger_coupling)}"]
        t = self.trigger
        if t is not None and t.kind == "edge" and t.level_volts is not None:
            lines.append(f"TrigEdge = {t.source}, {int(t.slope or 0)}, {micro(t.level_volts)}")
        with builtins.open(os.fspath(path), "w", encoding="ascii") as f:
            f.write("\n".join(lines) + "\n")

    # ------------------------------------------------------------------ data
    def read(self, device: int = 0, *, aligned: bool = True, out: Optional[np.ndarray] = None,
             raw_out: Optional[np.ndarray] = None) -> Waveform:
        """Reads both inputs of a device from the last capture.

        Args:
            device: the device index.
            aligned: True for the record shifted to line up with the trigger;
                False for the record as captured, with its time offset.
            out: a float64 array of 2 x record length elements (C-contiguous,
                writable) that receives the volts, input 0's then input 1's;
                the waveform's ``volts`` is a view of it.
            raw_out: the same for the raw codes (int16).

        Raises:
            ReadRefusedError: the aligned read was refused (the trigger shift
            lies outside the data delivered); read with ``aligned=False``.
        """
        device = int_arg(device, "device")
        n = self.record_length
        rate = self.sample_rate
        raw = _calls.buffer_of(raw_out, np.int16, 2 * n, "raw_out")
        volts = _calls.buffer_of(out, np.float64, 2 * n, "out")
        status, time_offset = c_int32(), c_int32()
        zero, base, gain = (c_double * 2)(), (c_double * 2)(), (c_double * 2)()
        offsets = [0, 0]
        lib = self._lib
        with lib.lock:
            self._ensure_current()
            for i in range(2):
                ch = 2 * device + i
                if 0 <= ch < 2 * self.devices:
                    offsets[i] = self.channels[ch]._get("uZyvSDKGetVoltOfs")
            call("uZyvSDKReadExRaw", device, byref(status), pointer(raw, ctypes.c_int16), zero, base, gain,
                 None if aligned else byref(time_offset),
                 silent="the aligned read was refused: the trigger shift lies outside the data delivered "
                        "(read with aligned=False)", silent_kind=ReadRefusedError)
            _calls.raise_left_code("uZyvSDKReadExRaw (calibration)", lib)
            for i in range(2):
                if n:
                    call("uZyvSDKRawToDbl_mv", pointer(raw, ctypes.c_int16, i * n), pointer(volts, c_double, i * n),
                         n, zero[i], base[i], gain[i], float(offsets[i]), 1)
        np.divide(volts, 1000.0, out=volts)
        trig_pos = self._get("uZyvSDKGetTrigPos", c_int64)
        delay = self._get("uZyvSDKGetDelayTime", c_int64)
        period_ps = 1e12 / rate if rate > 0 else 0.0
        trigger_index = 0.5 * n + ((trig_pos - delay) / period_ps if period_ps > 0 else 0.0)
        vpd = []
        for i in range(2):
            ch = 2 * device + i
            vpd.append(self.channels[ch].volts_per_div if ch < 2 * self.devices else 0.0)
        return Waveform(
            device=device, sample_rate=rate, volts=volts.reshape(2, n), raw=raw.reshape(2, n),
            status=status.value, aligned=aligned,
            time_offset_seconds=0.0 if aligned else time_offset.value / 1e12,
            trigger_index=trigger_index, zero_levels=(zero[0], zero[1]), base_offsets=(base[0], base[1]),
            gains=(gain[0], gain[1]), offsets_volts=(offsets[0] / 1e6, offsets[1] / 1e6),
            volts_per_div=(vpd[0], vpd[1]), time_offset_ps=0 if aligned else time_offset.value)

    def read_converted(self, device: int = 0, multipliers: Tuple[int, int] = (1, 1), unit: str = "mV",
                       out: Optional[np.ndarray] = None) -> np.ndarray:
        """The library's combined aligned read and conversion: a (2, record length) float64 array in
        millivolts (``unit="mV"``) or microvolts (``"uV"``), each input scaled by its probe multiplier."""
        if unit not in ("mV", "uV"):
            raise ArgumentError(0, f"unit is 'mV' or 'uV', not {unit!r}", call="read_converted")
        n = self.record_length
        buf = _calls.buffer_of(out, np.float64, 2 * n, "out")
        mult = (c_int32 * 2)(int_arg(multipliers[0], "multiplier"), int_arg(multipliers[1], "multiplier"))
        name = "uZyvSDKReadDbl_mv" if unit == "mV" else "uZyvSDKReadDbl_uv"
        with self._lib.lock:
            self._call(name, int_arg(device, "device"), None, pointer(buf, c_double), mult,
                       silent="the aligned read was refused: the trigger shift lies outside the data delivered",
                       silent_kind=ReadRefusedError)
        return buf.reshape(2, n)

    # ------------------------------------------------------------------ the runtime, directly
    def send_setting(self, channel: int, setting_id: int, value: int) -> None:
        """Sends a setting to the runtime unchanged (nothing is cached); ``value`` is pointer-sized."""
        self._call("uZyvSDKSetting", int_arg(channel, "channel"), int_arg(setting_id, "setting"), int(value))

    def function_generator_setting(self, index: int, value: int) -> None:
        """Sends the function-generator setting with (index, value)."""
        self._call("uZyvSDKFGSetting", int_arg(index, "index"), int(value))

    def plain_read(self, value: int) -> None:
        """Hands a pointer-sized value to the runtime's plain read."""
        self._call("uZyvSDKRead", int(value))




def _edge_trigger_of(path: str) -> Optional[Trigger]:
    """The last edge trigger a settings file sets, as the library reads it."""
    found = None
    try:
        with builtins.open(path, "rb") as f:
            lines = f.read().decode("latin-1").splitlines()
    except OSError:
        return None
    for line in lines:
        s = "".join(c for c in line if c not in " \t\r").split(";", 1)[0]
        if "=" not in s:
            continue
        key, values = s.split("=", 1)
        if key.lower() != "trigedge":
            continue
        fields = (values.split(",") + ["0", "0", "0"])[:3]

        def number(text: str) -> int:
            digits = ""
            for k, c in enumerate(text):
                if c.isdigit() or (k == 0 and c in "+-"):
                    digits += c
                else:
                    break
            try:
                return int(digits)
            except ValueError:
                return 0

        source, slope, level = (number(x) for x in fields)
        found = Trigger("edge", source, from_code(TriggerSlope, slope), level / 1e6)
    return found


def simulator_folder() -> str:
    """The folder of the simulated runtime (``Zyvrun.dll`` of ``sim/``), for developing without hardware.

    Looked for in the environment variable ``UZYV_SIMULATOR`` (a folder or
    the file), beside the loaded library (a build tree's ``sim/default``, an
    installation's ``lib/uZyvSDK/sim/default``), then under ``UZYV_PREFIX``,
    ``sys.prefix``, ``/usr/local`` and ``/usr``.
    """
    import sys

    def has_runtime(folder: str) -> bool:
        return os.path.isfile(os.path.join(folder, "Zyvrun.dll"))

    given = os.environ.get("UZYV_SIMULATOR")
    if given:
        folder = os.path.dirname(given) if os.path.basename(given).lower() == "zyvrun.dll" else given
        if has_runtime(folder):
            return os.path.abspath(folder)
        raise Error(0, f"UZYV_SIMULATOR names {given}, which holds no Zyvrun.dll", call="simulator_folder")
    here = os.path.dirname(os.path.abspath(library().path))
    # A build tree's bin/../sim/default, a Windows archive's <arch>/bin/../sim/default, an installed
    # lib/uZyvSDK/sim/default.
    candidates = [os.path.join(here, "..", "sim", "default"), os.path.join(here, "uZyvSDK", "sim", "default")]
    from ._library import WINDOWS_ARCH

    for prefix in (os.environ.get("UZYV_PREFIX"), sys.prefix, "/usr/local", "/usr"):
        if prefix:
            for sub in ("lib/uZyvSDK/sim/default", "lib64/uZyvSDK/sim/default",
                        "lib/x86_64-linux-gnu/uZyvSDK/sim/default", f"{WINDOWS_ARCH}/sim/default", "sim/default"):
                candidates.append(os.path.join(prefix, *sub.split("/")))
    for folder in candidates:
        if has_runtime(folder):
            return os.path.abspath(folder)
    raise Error(0, "the simulated runtime was not found (set UZYV_SIMULATOR to its folder)",
                call="simulator_folder")

"""The simulated instrument's control interface (zyvsim.h), for the tests."""
from __future__ import annotations

import ctypes
from ctypes import POINTER, c_char, c_char_p, c_double, c_int32, c_int64, c_uint8, c_uint32

SHAPES = {"sine": 0, "square": 1, "triangle": 2, "pulse": 3, "step": 4, "dc": 5}
MAX_DEVICES = 16


class Signal(ctypes.Structure):
    _fields_ = [("shape", c_int32), ("frequency", c_double), ("amplitude", c_double), ("dcLevel", c_double),
                ("delay", c_double), ("duty", c_double), ("riseTime", c_double), ("overshoot", c_double),
                ("noise", c_double)]


class Device(ctypes.Structure):
    _fields_ = [("vendorName", c_char * 10), ("productName", c_char * 10), ("serialNum", c_char * 16),
                ("hwVer", c_int32), ("fwVer", c_int32), ("productId", c_int32), ("usbHandle", c_uint32),
                ("calibration", c_double * 6), ("temperature", c_int32), ("signals", Signal * 2)]


class Config(ctypes.Structure):
    _fields_ = [("deviceCount", c_int32), ("devices", Device * MAX_DEVICES), ("instrument", c_int32),
                ("seed", c_uint32)]


class Call(ctypes.Structure):
    _fields_ = [("entry", c_char * 24), ("arg", c_int64 * 3), ("blockSize", c_int32), ("block", c_uint8 * 320)]


class CaptureInfo(ctypes.Structure):
    _fields_ = [("captures", c_int64), ("pending", c_int32), ("triggered", c_int32), ("eventTime", c_double),
                ("timeOffset", c_int64 * MAX_DEVICES)]


class Hub:
    """The hub library shared by every loaded copy of the simulated runtime."""

    def __init__(self, path: str) -> None:
        self.dll = ctypes.CDLL(path)
        d = self.dll
        d.zyvsim_config.restype = POINTER(Config)
        d.zyvsim_config.argtypes = [c_int32]
        d.zyvsim_defaults.restype = POINTER(Config)
        d.zyvsim_instance_count.restype = c_int32
        d.zyvsim_loaded.argtypes = [c_int32]
        d.zyvsim_fail.argtypes = [c_int32, c_char_p, c_int64, c_int32, c_int32]
        d.zyvsim_clear_faults.argtypes = [c_int32]
        d.zyvsim_log_count.argtypes = [c_int32]
        d.zyvsim_log_count.restype = c_int32
        d.zyvsim_log_entry.argtypes = [c_int32, c_int32]
        d.zyvsim_log_entry.restype = POINTER(Call)
        d.zyvsim_clear_log.argtypes = [c_int32]
        d.zyvsim_setting.argtypes = [c_int32, c_int32, c_int32, POINTER(c_int64)]
        d.zyvsim_set_read_reply.argtypes = [c_int32, c_int32, c_int32, c_int64]
        d.zyvsim_capture_info.argtypes = [c_int32, POINTER(CaptureInfo)]

    def instance_count(self) -> int:
        return self.dll.zyvsim_instance_count()

    def config(self, instance: int) -> Config:
        p = self.dll.zyvsim_config(instance)
        if not p:
            raise LookupError(f"no simulated instance {instance}")
        return p.contents

    def fail(self, instance: int, entry: str, match: int, result: int, error_code: int) -> None:
        self.dll.zyvsim_fail(instance, entry.encode(), match, result, error_code)

    def clear_faults(self, instance: int) -> None:
        self.dll.zyvsim_clear_faults(instance)

    def setting(self, instance: int, channel: int, setting_id: int):
        value = c_int64()
        found = self.dll.zyvsim_setting(instance, channel, setting_id, ctypes.byref(value))
        return value.value if found else None

    def log(self, instance: int):
        return [self.dll.zyvsim_log_entry(instance, i).contents for i in range(self.dll.zyvsim_log_count(instance))]

    def clear_log(self, instance: int) -> None:
        self.dll.zyvsim_clear_log(instance)

    def set_read_reply(self, instance: int, device: int, status: int, time_offset_ps: int) -> None:
        self.dll.zyvsim_set_read_reply(instance, device, status, time_offset_ps)

    def capture_info(self, instance: int) -> CaptureInfo:
        info = CaptureInfo()
        self.dll.zyvsim_capture_info(instance, ctypes.byref(info))
        return info


def set_signal(config: Config, channel: int, shape: str = "sine", frequency: float = 1000.0,
               amplitude: float = 1.0, dc: float = 0.0, delay: float = 0.0, noise: float = 0.0,
               duty: float = 0.5, rise: float = 100e-9, overshoot: float = 0.0) -> None:
    s = config.devices[channel // 2].signals[channel % 2]
    s.shape = SHAPES[shape]
    s.frequency, s.amplitude, s.dcLevel, s.delay = frequency, amplitude, dc, delay
    s.noise, s.duty, s.riseTime, s.overshoot = noise, duty, rise, overshoot

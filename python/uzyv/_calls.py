"""Calling the library: LastError turned into exceptions, buffers checked, pointers formed."""
from __future__ import annotations

import ctypes
from typing import Any, Optional, Tuple

import numpy as np

from ._library import Library, library
from .errors import ArgumentError, Error, error_for

__all__ = ["call", "last_error", "pointer", "buffer_of", "micro", "pico"]


def call(name: str, *args: Any, silent: Optional[str] = None, silent_kind: type = Error) -> int:
    """Calls an export that returns 0 for failure and raises the error it reports.

    LastError is cleared first, so the code read after a failure belongs to
    this call. ``silent`` describes a failure that records no code, raised as ``silent_kind``.
    """
    lib = library()
    with lib.lock:
        lib.uZyvSDKGetErrorCodeEx()
        result = getattr(lib, name)(*args)
        if result == 0:
            code = lib.uZyvSDKGetErrorCodeEx()
            if code:
                raise error_for(code, call=name)
            raise silent_kind(0, silent or "failed without an error code", call=name)
        return result


def path_bytes(path: Any) -> bytes:
    """A path as the library takes it: the system's ANSI code page on Windows, the file-system encoding elsewhere."""
    import os
    import sys

    text = os.fspath(path)
    if isinstance(text, bytes):
        return text
    return text.encode("mbcs") if sys.platform == "win32" else os.fsencode(text)


def last_error(lib: Optional[Library] = None) -> int:
    """Reads LastError and resets it."""
    return int((lib or library()).uZyvSDKGetErrorCodeEx())


def pointer(array: np.ndarray, ctype: Any, offset: int = 0) -> Any:
    """A ctypes pointer to element ``offset`` of a contiguous array."""
    return ctypes.cast(ctypes.c_void_p(array.ctypes.data + offset * array.itemsize), ctypes.POINTER(ctype))


def buffer_of(given: Optional[np.ndarray], dtype: Any, size: int, name: str) -> np.ndarray:
    """The caller's array when it can be written in place (C-contiguous, writable, ``size`` elements of
    ``dtype``), else a new one when none was given."""
    if given is None:
        return np.empty(size, dtype=dtype)
    if not isinstance(given, np.ndarray):
        raise ArgumentError(0, f"{name} must be a numpy array, not {type(given).__name__}")
    problems = []
    if given.dtype != np.dtype(dtype):
        problems.append(f"dtype {given.dtype} (needs {np.dtype(dtype)})")
    if not given.flags.c_contiguous:
        problems.append("not C-contiguous")
    if not given.flags.writeable:
        problems.append("read-only")
    if given.size != size:
        problems.append(f"{given.size} elements (needs {size})")
    if problems:
        raise ArgumentError(0, f"{name} cannot be written in place: " + ", ".join(problems))
    return given


def _scaled_int(value: float, scale: float, what: str, low: int, high: int) -> int:
    try:
        scaled = float(value) * scale
    except (TypeError, ValueError):
        raise ArgumentError(0, f"{what} must be a number, not {value!r}") from None
    if not (low <= scaled <= high):
        raise ArgumentError(0, f"{what} {value!r} is out of range")
    return int(round(scaled))


_I64 = (-(2 ** 63), 2 ** 63 - 1024)
_I32 = (-(2 ** 31), 2 ** 31 - 1)


def micro(volts: float, what: str = "a level", bits: int = 64) -> int:
    """Volts as whole microvolts (int64 or int32 range)."""
    low, high = _I64 if bits == 64 else _I32
    return _scaled_int(volts, 1e6, what, low, high)


def pico(seconds: float, what: str = "a time") -> int:
    """Seconds as whole picoseconds (int64 range)."""
    return _scaled_int(seconds, 1e12, what, *_I64)


def int_arg(value: Any, what: str, bits: int = 32) -> int:
    """An integer argument within the C type's range."""
    if isinstance(value, bool) or not isinstance(value, (int, np.integer)):
        raise ArgumentError(0, f"{what} must be an integer, not {value!r}")
    low, high = _I32 if bits == 32 else (-(2 ** 63), 2 ** 63 - 1)
    if not (low <= int(value) <= high):
        raise ArgumentError(0, f"{what} {value} does not fit in {bits} bits")
    return int(value)


def raise_left_code(name: str, lib: Optional[Library] = None) -> None:
    """Raises the code a call that succeeded left in LastError, if any."""
    code = last_error(lib)
    if code:
        raise error_for(code, call=name)


def pair(values: Any) -> Tuple[float, float]:
    return float(values[0]), float(values[1])


__all__ += ["int_arg", "raise_left_code", "pair", "path_bytes"]

"""Exceptions carrying the library's LastError code and its meaning."""
from __future__ import annotations

from typing import Dict, Optional, Type

__all__ = [
    "ERROR_TEXTS",
    "error_text",
    "Error",
    "ArgumentError",
    "StateError",
    "RuntimeFileError",
    "InstrumentError",
    "NotSupportedError",
    "MeasurementError",
    "SettingsFileError",
    "NoDeviceError",
    "ReadRefusedError",
    "CaptureTimeout",
    "PlotUnavailable",
    "UzyvWarning",
    "error_for",
]

#: The meaning of every LastError code the library reports.
ERROR_TEXTS: Dict[int, str] = {
    0: "no error recorded",
    1: "a pointer argument is null or not writable for the size the call needs, or a text argument is null or "
       "too long",
    2: "a value argument is outside its allowed range",
    3: "channel index out of range",
    4: "device index outside 0 to the device count - 1",
    5: "volts/div value not in the allowed list",
    6: "vertical position or voltage offset out of range",
    7: "the absolute trigger position exceeds half the record's duration",
    8: "runtime code 7",
    9: "runtime code 8",
    10: "the trigger kind needs the extended product",
    11: "runtime code 10",
    12: "runtime code 11",
    13: "record length not a multiple of 8",
    14: "the hardware-version query that a measurement needs failed",
    15: "the measurement engine has no channel records, or a runtime code without its own meaning",
    16: "runtime code 1",
    17: "the pass/fail mask parameters do not fit or its buffer is not available",
    18: "measurement type not accepted, or the engine has no channel records",
    19: "measurement range starts below 0",
    20: "the measurement run failed (empty range, abort requested, or data refused)",
    21: "group index above 19",
    22: "the runtime file is missing, older than 1.4.0.2 or without version resource; the preparation of a newly "
        "selected group failed",
    23: "the runtime's entry points are not available",
    28: "the library is not started, or the current group is not open",
    29: "the current group slot is empty",
    30: "the settings file cannot be opened",
    31: "runtime code 17",
    32: "runtime code 18",
    33: "runtime code 19",
    34: "the stack list has an item of more than 16 characters or more than 20 items",
    35: "not allowed in the present state: working folder after the start-up, environment on an open group",
    36: "runtime code 12 with the extended product",
    37: "pass/fail check or mask read-out without a mask",
    40: "delay time out of range",
    41: "holdoff time out of range",
}


def error_text(code: int) -> str:
    """The meaning of a LastError code ("unknown error code N" for one the library never reports)."""
    return ERROR_TEXTS.get(code, f"unknown error code {code}")


class Error(Exception):
    """A failed library call.

    Attributes:
        code: the LastError code the library reported (0 when the call failed
            without recording one, or when the package refused the request
            before calling the library).
        text: the meaning of the code, or what went wrong when the code is 0.
        call: the call that failed, as far as it is useful to name it.
    """

    def __init__(self, code: int, text: Optional[str] = None, call: str = "") -> None:
        self.code = int(code)
        self.text = text if text is not None else error_text(self.code)
        self.call = call
        message = f"{call}: " if call else ""
        message += f"error {self.code} ({self.text})" if self.code else self.text
        super().__init__(message)


class ArgumentError(Error, ValueError):
    """A value, index, pointer or range that the library (or the package) refused."""


class StateError(Error):
    """The library or the group is not in a state that allows the call (not started, not open, no mask...)."""


class RuntimeFileError(Error):
    """The acquisition runtime cannot be prepared or its entry points are missing."""


class InstrumentError(Error):
    """The acquisition runtime refused the request (its own code, translated)."""


class NotSupportedError(Error):
    """The instrument or runtime does not offer what was asked (extended-product triggers, autoset data)."""


class MeasurementError(Error):
    """The measurement run failed."""


class SettingsFileError(Error):
    """The settings file cannot be opened or read."""


class NoDeviceError(Error):
    """The runtime found no device in the group."""


class ReadRefusedError(Error):
    """An aligned read was refused: the shift would place the record outside the data the runtime delivered."""


class CaptureTimeout(Error, TimeoutError):
    """No data arrived within the time allowed."""


class PlotUnavailable(Error, ImportError):
    """Plotting needs matplotlib, which is not installed."""


class UzyvWarning(UserWarning):
    """A step inside a successful call failed (its code was left in LastError)."""


_CLASSES: Dict[int, Type[Error]] = {}
for _code in (1, 2, 3, 4, 5, 6, 7, 13, 17, 18, 19, 21, 34, 40, 41):
    _CLASSES[_code] = ArgumentError
for _code in (28, 29, 35, 37):
    _CLASSES[_code] = StateError
for _code in (22, 23):
    _CLASSES[_code] = RuntimeFileError
for _code in (10, 36):
    _CLASSES[_code] = NotSupportedError
_CLASSES[20] = MeasurementError
_CLASSES[30] = SettingsFileError


def error_for(code: int, call: str = "", text: Optional[str] = None) -> Error:
    """The exception for a LastError code: its subclass, carrying the code and its text."""
    return _CLASSES.get(code, InstrumentError if code else Error)(code, text, call)

"""Enumerations of the library's setting codes, measurement types and spectrum options."""
from __future__ import annotations

import enum
from typing import Tuple, Type, TypeVar, Union

__all__ = [
    "Coupling",
    "BandwidthLimit",
    "AcquireMode",
    "WaitMode",
    "TriggerSlope",
    "TriggerCoupling",
    "Window",
    "SpectrumScale",
    "MeasType",
    "MEASUREMENT_NAMES",
    "MEASUREMENT_UNITS",
    "VOLTS_PER_DIV",
]


class Coupling(enum.IntEnum):
    """Input coupling of a channel."""

    DC = 0
    AC = 1
    GND = 2


class BandwidthLimit(enum.IntEnum):
    """Bandwidth limit of a channel."""

    FULL = 0
    MHZ_20 = 1
    MHZ_2 = 2


class AcquireMode(enum.IntEnum):
    """Acquire mode of a channel: single samples, or averages of several captures."""

    SAMPLE = 0
    SAMPLE_1 = 1
    AVERAGE_4 = 2
    AVERAGE_16 = 3
    AVERAGE_64 = 4
    AVERAGE_256 = 5


class WaitMode(enum.IntEnum):
    """How a capture waits for its trigger event."""

    AUTO = 0  #: free-runs when no event comes
    NORMAL = 1  #: waits for the event (or a forced trigger)
    SINGLE = 2  #: waits for one event
    AUTO_TIMEOUT = 3  #: auto, with its own time to look for an event


class TriggerSlope(enum.IntEnum):
    """The edge trigger's slope (its mode)."""

    RISING = 0
    FALLING = 1
    EITHER = 2
    EITHER_3 = 3


class TriggerCoupling(enum.IntEnum):
    """Coupling of the trigger comparator; values 2 and 3 are passed to the runtime as they are."""

    DC = 0
    AC = 1
    MODE_2 = 2
    MODE_3 = 3


class Window(enum.IntEnum):
    """Window functions of the spectrum."""

    RECTANGLE = 0  #: the middle half of the record, unit weights
    BLACKMAN = 1
    HANNING = 2
    HAMMING = 3
    BLACKMAN_HARRIS = 4
    BARTLETT = 5
    SINE = 6
    LANCZOS = 7
    GAUSSIAN = 8


class SpectrumScale(enum.IntEnum):
    """Output scales of the spectrum."""

    LINEAR = 0  #: amplitude, volts
    DBV = 1  #: decibels relative to 1 V
    DBM = 2  #: decibels relative to 0.2236 V (1 mW into 50 ohm)


class MeasType(enum.IntEnum):
    """The measurement types; ``MeasType.FREQUENCY.display_name`` is "Frequency"."""

    FREQUENCY = 0
    PERIOD = 1
    MAX = 2
    MIN = 3
    HIGH = 4
    LOW = 5
    VPP = 6
    AMPLITUDE = 7
    VRMS = 8
    MEAN = 9
    POS_DUTY = 10
    NEG_DUTY = 11
    POS_WIDTH = 12
    NEG_WIDTH = 13
    RISE_TIME = 14
    FALL_TIME = 15
    POS_OVERSHOOT = 16
    NEG_OVERSHOOT = 17
    MID = 18
    CYCLE_VRMS = 19
    CYCLE_MEAN = 20
    RISE_DELAY = 21
    FALL_DELAY = 22
    RISE_PRESHOOT = 23
    FALL_PRESHOOT = 24
    PHASE = 25
    AVG_FREQ = 26
    RISE_EDGE_COUNT = 27
    FALL_EDGE_COUNT = 28
    EDGE_COUNT = 29

    @property
    def display_name(self) -> str:
        """The English display name of the library's string table."""
        return MEASUREMENT_NAMES[self]

    @property
    def unit(self) -> str:
        """The unit of the value: "V", "s", "Hz", "%", "deg" or "" (a count)."""
        return MEASUREMENT_UNITS[self]


#: The display names of the measurement types (string identifiers 2500..2529, English).
MEASUREMENT_NAMES: Tuple[str, ...] = (
    "Frequency", "Period", "Max.", "Min.", "High", "Low", "Vpp", "Amplitude", "Vrms", "Mean",
    "+ Duty", "- Duty", "+ Width", "- Width", "Rise Time", "Fall Time", "+ Overshoot", "- Overshoot", "Mid",
    "Cycle Vrms", "Cycle Mean", "Rise Delay", "Fall Delay", "RPreshoot", "FPreshoot", "Phase", "Avg. Freq.",
    "R. Edge Cnt", "F. Edge Cnt", "Edge Count",
)

#: The unit of each measurement type's value, in type order.
MEASUREMENT_UNITS: Tuple[str, ...] = (
    "Hz", "s", "V", "V", "V", "V", "V", "V", "V", "V",
    "%", "%", "s", "s", "s", "s", "%", "%", "V",
    "V", "V", "s", "s", "%", "%", "deg", "Hz",
    "", "", "",
)

#: The volts/div values the instrument accepts, in volts per division.
VOLTS_PER_DIV: Tuple[float, ...] = (
    0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0,
)

E = TypeVar("E", bound=enum.IntEnum)


def as_enum(kind: Type[E], value: Union[int, str, E]) -> Union[E, int]:
    """A member of ``kind`` for a member, its name (any case) or its value; other integers pass unchanged."""
    if isinstance(value, kind):
        return value
    if isinstance(value, str):
        key = value.strip().upper().replace("-", "_").replace(" ", "_")
        try:
            return kind[key]
        except KeyError:
            from .errors import ArgumentError

            names = ", ".join(m.name.lower() for m in kind)
            raise ArgumentError(0, f"{value!r} is not a {kind.__name__} (one of {names})") from None
    if isinstance(value, bool) or not isinstance(value, int):
        from .errors import ArgumentError

        raise ArgumentError(0, f"{kind.__name__} takes a member, a name or an int, not {value!r}")
    try:
        return kind(value)
    except ValueError:
        return int(value)


def from_code(kind: Type[E], value: int) -> Union[E, int]:
    """The member of ``kind`` with the value, or the int when it has none."""
    try:
        return kind(value)
    except ValueError:
        return value


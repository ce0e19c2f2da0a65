"""A device's record after a capture: volts and raw codes per input, its time axis and calibration."""
from __future__ import annotations

from dataclasses import dataclass
from typing import Any, Optional, Sequence, Tuple

import numpy as np

from .errors import ArgumentError, PlotUnavailable

__all__ = ["Waveform", "pyplot"]

#: Trace colours of the scope screen, by channel.
CHANNEL_COLOURS = ("#c9a800", "#1f9fc4", "#c4279b", "#2f9e4f")


def pyplot() -> Any:
    """matplotlib.pyplot, or PlotUnavailable when matplotlib is not installed."""
    try:
        import matplotlib.pyplot as plt  # noqa: WPS433
    except ImportError as exc:
        raise PlotUnavailable(0, f"plotting needs matplotlib ({exc})", call="plot") from None
    return plt


@dataclass
class Waveform:
    """Both inputs of one device from one capture.

    ``volts[i]`` and ``raw[i]`` are input ``i`` (channel ``2 * device + i``).
    Sample ``n`` was taken :attr:`time` ``[n]`` seconds after the trigger event.
    """

    device: int
    #: samples per second
    sample_rate: int
    #: (2, record length) float64, volts
    volts: np.ndarray
    #: (2, record length) int16, the raw codes the volts were converted from
    raw: np.ndarray
    #: the runtime's status word of the read (bit 0: triggered, bit 1: free-running on the simulated instrument)
    status: int
    #: shifted to line up with the trigger (True), or as captured with its time offset (False)
    aligned: bool
    #: the unshifted record's time offset, seconds (0 when aligned)
    time_offset_seconds: float
    #: where the trigger event lies, in samples from the start of the record
    trigger_index: float
    zero_levels: Tuple[float, float]
    base_offsets: Tuple[float, float]
    #: millivolts per count
    gains: Tuple[float, float]
    #: the channels' offsets, volts
    offsets_volts: Tuple[float, float]
    volts_per_div: Tuple[float, float]
    #: the unshifted record's time offset in picoseconds, as the library reports it
    time_offset_ps: int = 0

    @property
    def record_length(self) -> int:
        """Samples per input."""
        return int(self.volts.shape[1])

    @property
    def channel_numbers(self) -> Tuple[int, int]:
        """The group's channel numbers of the two inputs."""
        return 2 * self.device, 2 * self.device + 1

    @property
    def duration_seconds(self) -> float:
        """Length of the record, seconds."""
        return self.record_length / self.sample_rate if self.sample_rate > 0 else 0.0

    @property
    def time(self) -> np.ndarray:
        """Seconds from the trigger event to each sample (float64)."""
        rate = float(self.sample_rate) if self.sample_rate > 0 else 1.0
        return (np.arange(self.record_length, dtype=np.float64) - self.trigger_index) / rate + \
            self.time_offset_seconds

    @property
    def triggered(self) -> bool:
        """Whether the capture found its trigger event (status bit 0)."""
        return bool(self.status & 1)

    def input_of(self, channel: int) -> int:
        """The input (0 or 1) of a group channel number, or ArgumentError when it is not this device's."""
        if channel not in self.channel_numbers:
            raise ArgumentError(0, f"channel {channel} is not one of device {self.device}'s "
                                   f"({self.channel_numbers[0]}, {self.channel_numbers[1]})")
        return channel - 2 * self.device

    def channel(self, channel: int) -> np.ndarray:
        """The volts of a group channel number (a view, no copy)."""
        return self.volts[self.input_of(channel)]

    def to_csv(self, path: str) -> None:
        """Writes time and both inputs' volts as CSV."""
        first, second = self.channel_numbers
        data = np.column_stack([self.time, self.volts[0], self.volts[1]])
        np.savetxt(path, data, delimiter=",", fmt=("%.9g", "%.6g", "%.6g"),
                   header=f"time_s,CH{first}_V,CH{second}_V", comments="")

    def plot(self, ax: Any = None, channels: Optional[Sequence[int]] = None, screen: bool = False) -> Any:
        """Draws the inputs against time with matplotlib and returns the axes.

        Args:
            ax: the axes to draw into (a new figure when None).
            channels: group channel numbers to draw (both inputs when None).
            screen: draw in divisions of each channel's volts/div, as on the
                scope's screen of 8 divisions, instead of volts.
        """
        plt = pyplot()
        if ax is None:
            _, ax = plt.subplots(figsize=(10, 6))
        chosen = list(self.channel_numbers) if channels is None else list(channels)
        t = self.time
        scale, unit = _time_scale(float(np.max(np.abs(t))) if t.size else 0.0)
        for ch in chosen:
            i = self.input_of(ch)
            y = self.volts[i]
            label = f"CH{ch}"
            if screen and self.volts_per_div[i] > 0:
                y = (y - self.offsets_volts[i]) / self.volts_per_div[i]
                label += f" {self.volts_per_div[i]:g} V/div"
            ax.plot(t * scale, y, color=CHANNEL_COLOURS[ch % 4], label=label, linewidth=1.0)
        ax.axvline(0.0, color="0.5", linestyle=":", linewidth=0.8)
        ax.set_xlabel(f"time from trigger ({unit})")
        ax.set_ylabel("divisions" if screen else "volts")
        if screen:
            ax.set_ylim(-4, 4)
        ax.grid(True, alpha=0.3)
        ax.legend(loc="upper right")
        ax.set_title(f"device {self.device}, {self.record_length} samples at {self.sample_rate:g} Sa/s")
        return ax


def _time_scale(span: float) -> Tuple[float, str]:
    for factor, unit in ((1.0, "s"), (1e3, "ms"), (1e6, "\u00b5s"), (1e9, "ns")):
        if span * factor >= 1.0:
            return factor, unit
    return 1e12, "ps"

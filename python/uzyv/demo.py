"""The scope demo: autoset, a capture in volts, every measurement, the spectrum's peaks and a mask test.

Run it with ``python3 -m uzyv demo``; it writes its pictures as PNG when
matplotlib is installed, and its data as CSV in any case.
"""
from __future__ import annotations

import argparse
import math
import os
import sys
import warnings
from typing import List, Optional, Sequence

from . import analysis
from .enums import MEASUREMENT_NAMES, MEASUREMENT_UNITS
from .errors import Error
from .scope import Scope, open as open_scope, simulator_folder
from .waveform import Waveform, _time_scale, pyplot

__all__ = ["main", "run_demo"]

EXIT_OK, EXIT_FAILURE, EXIT_USAGE, EXIT_MASK_FAILED = 0, 1, 2, 3


def engineering(value: Optional[float], unit: str, digits: int = 4) -> str:
    """A value with an SI prefix: 1.234 kHz, 250.0 mV."""
    if value is None or not math.isfinite(value):
        return "---"
    if value == 0:
        return f"0 {unit}"
    exponent = max(-4, min(4, int(math.floor(math.log10(abs(value)) / 3))))
    mantissa = value / 1000.0 ** exponent
    if round(abs(mantissa), max(0, digits - 3)) >= 1000 and exponent < 4:
        exponent += 1
        mantissa = value / 1000.0 ** exponent
    whole = int(math.floor(math.log10(abs(mantissa)))) + 1 if mantissa else 1
    prefix = {-4: "p", -3: "n", -2: "\u00b5", -1: "m", 0: "", 1: "k", 2: "M", 3: "G", 4: "T"}[exponent]
    return f"{mantissa:.{max(0, digits - max(whole, 1))}f} {prefix}{unit}"


def format_measurement(index: int, value: Optional[float]) -> str:
    if value is None:
        return "invalid"
    unit = MEASUREMENT_UNITS[index]
    if unit == "%":
        return f"{value:.2f} %"
    if unit == "deg":
        return f"{value:.2f} deg"
    if unit == "":
        return f"{value:.0f}"
    return engineering(value, unit)


def _nice_step(value: float) -> float:
    if not (value > 0) or not math.isfinite(value):
        return 1.0
    decade = 10.0 ** math.floor(math.log10(value))
    for m in (1.0, 2.0, 5.0, 10.0):
        if m * decade >= value * (1 - 1e-9):
            return m * decade
    return 10 * decade


def _time_per_div(wave: Waveform, frequency: Optional[float]) -> float:
    whole = _nice_step(wave.duration_seconds / 10.0)
    if frequency and frequency > 0 and math.isfinite(frequency):
        target = 4.0 / (10.0 * frequency)
        best = min((_nice_step(target), _nice_step(target / 2.5), _nice_step(target / 2.0)),
                   key=lambda c: abs(math.log(c / target)))
        return min(whole, best)
    return whole


def _print_settings(scope: Scope) -> None:
    for ch in scope.channels:
        print(f"  CH{ch.index:<2} {'on' if ch.enabled else 'off':3} {engineering(ch.volts_per_div, 'V/div', 3):>12}"
              f"  position {ch.position_code:5d}  offset {engineering(ch.offset_volts, 'V', 3):>10}"
              f"  {ch.coupling.name if hasattr(ch.coupling, 'name') else ch.coupling}")
    rate, n = scope.sample_rate, scope.record_length
    print(f"  timebase {engineering(rate, 'Sa/s')}, record {n} samples ({engineering(n / rate if rate else 0, 's')}),"
          f" {scope.resolution_bits} bits")


def _waveform_picture(wave: Waveform, frequency: Optional[float], path: str, notes: List[str]) -> None:
    import matplotlib

    matplotlib.use("Agg")
    plt = pyplot()
    fig, ax = plt.subplots(figsize=(10, 7))
    wave.plot(ax=ax, screen=True)
    tpd = _time_per_div(wave, frequency)
    centre = (wave.time[0] + wave.time[-1]) / 2 if wave.record_length else 0.0
    scale, _ = _time_scale(float(abs(wave.time).max()) if wave.record_length else 0.0)
    ax.set_xlim((centre - 5 * tpd) * scale, (centre + 5 * tpd) * scale)
    ax.set_title(f"device {wave.device}: {engineering(tpd, 's/div', 3)}, {engineering(wave.sample_rate, 'Sa/s')}")
    fig.text(0.01, 0.01, "\n".join(notes), family="monospace", fontsize=8, va="bottom")
    fig.subplots_adjust(bottom=0.18)
    fig.savefig(path, dpi=100)
    plt.close(fig)


def _spectrum_picture(sp: analysis.Spectrum, path: str, label: str) -> None:
    import matplotlib

    matplotlib.use("Agg")
    plt = pyplot()
    fig, ax = plt.subplots(figsize=(10, 5))
    sp.plot(ax=ax, label=label)
    fig.savefig(path, dpi=100)
    plt.close(fig)


def _have_matplotlib() -> bool:
    try:
        import matplotlib
    except ImportError:
        return False
    return matplotlib is not None


def run_demo(runtime: Optional[str], out: str, group: int = 0, library: Optional[str] = None,
             mask_captures: int = 5, plots: Optional[bool] = None) -> int:
    """Runs the demo and returns its exit status (0, or 3 when a capture failed the mask)."""
    os.makedirs(out, exist_ok=True)
    plots = _have_matplotlib() if plots is None else plots
    written: List[str] = []
    with open_scope(runtime if runtime else _default_runtime(library), group, library_path=library) as scope:
        print("== devices")
        print(f"{scope.devices} device(s) behind {runtime or simulator_folder()}")

        print("\n== autoset")
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            scope.autoset()
        for w in caught:
            print(f"warning: {w.message}", file=sys.stderr)
        print("autoset chose:")
        _print_settings(scope)

        print("\n== capture (aligned to the trigger, converted to volts)")
        triggered = scope.capture(timeout=1.0)
        wave = scope.read()
        lows, highs = wave.volts.min(axis=1), wave.volts.max(axis=1)
        csv = os.path.join(out, "waveform.csv")
        wave.to_csv(csv)
        written.append(csv)
        first, second = wave.channel_numbers
        print(f"capture: {'triggered' if triggered else 'trigger forced'}, {wave.record_length} samples at "
              f"{engineering(wave.sample_rate, 'Sa/s')}; CH{first} {engineering(lows[0], 'V', 3)} to "
              f"{engineering(highs[0], 'V', 3)}, CH{second} {engineering(lows[1], 'V', 3)} to "
              f"{engineering(highs[1], 'V', 3)} -> {csv}")

        print("\n== measure")
        results = analysis.measure(wave)
        print(f"measurements of CH{first} against CH{second}: samples {results.start} to {results.end - 1}")
        print(f"  {'#':>2}  {'type':12} value")
        for i, name in enumerate(MEASUREMENT_NAMES):
            print(f"  {i:2d}  {name:12} {format_measurement(i, results[name])}")
        notes = []
        for ch in wave.channel_numbers:
            m = results if ch == first else analysis.measure(wave, channel=ch)
            line = (f"CH{ch}  Freq {engineering(m['Frequency'], 'Hz')}   Vpp {engineering(m['Vpp'], 'V')}   "
                    f"Vrms {engineering(m['Vrms'], 'V')}   Mean {engineering(m['Mean'], 'V')}")
            if ch == first:
                line += f"   Phase {format_measurement(25, m['Phase'])}"
            notes.append(line)

        print("\n== spectrum")
        sp = analysis.spectrum(wave, window="hanning", scale="dBV")
        print(f"spectrum of CH{first}: {sp.size} samples at {engineering(wave.sample_rate, 'Sa/s')}, hanning window,"
              f" bins of {engineering(sp.bin_width, 'Hz')}")
        for k, (f, v) in enumerate(sp.peaks(5), 1):
            print(f"  peak {k}  {engineering(f, 'Hz'):>12}  {v:7.2f} dBV")
        csv = os.path.join(out, "spectrum.csv")
        sp.to_csv(csv)
        written.append(csv)

        print("\n== mask test")
        scope.capture(timeout=1.0)
        reference = scope.read(aligned=False)
        tolerance = 0.1 * scope.channels[first].volts_per_div
        mask = analysis.Mask(reference, first, tolerance_volts=tolerance, tolerance_samples=2)
        print(f"mask of CH{first} from one capture: +-{engineering(tolerance, 'V', 3)}, +-2 samples; "
              f"testing {mask_captures} captures")
        failed = 0
        for k in range(1, mask_captures + 1):
            scope.capture(timeout=1.0)
            result = mask.check(scope)
            if result:
                print(f"  capture {k:2d}: pass")
            else:
                failed += 1
                print(f"  capture {k:2d}: FAIL at step {result.first_failure} "
                      f"({engineering(result.first_failure / wave.sample_rate, 's')} into the record)")
        print(f"mask test: {mask_captures - failed} of {mask_captures} passed")

        print("\n== pictures")
        if plots:
            png = os.path.join(out, "waveform.png")
            _waveform_picture(wave, results["Frequency"], png, notes)
            written.append(png)
            png = os.path.join(out, "spectrum.png")
            _spectrum_picture(sp, png, f"CH{first}")
            written.append(png)
        else:
            print("matplotlib is not installed: no PNG pictures, the data are in the CSV files")
        for path in written:
            print(f"  {os.path.abspath(path)}")
    return EXIT_MASK_FAILED if failed else EXIT_OK


def _default_runtime(library: Optional[str]) -> str:
    from ._library import load_library

    load_library(library)
    return simulator_folder()


def main(argv: Sequence[str]) -> int:
    """The command line: ``python3 -m uzyv demo [--runtime DIR] [--out DIR] [--library PATH] [--group N]``."""
    parser = argparse.ArgumentParser(prog="python3 -m uzyv", description="The scope demo on uZyvSDK.")
    parser.add_argument("command", choices=["demo"], help="demo: autoset, capture, measure, spectrum, mask test")
    parser.add_argument("-r", "--runtime", help="folder of Zyvrun.dll (default: the simulated runtime)")
    parser.add_argument("-l", "--library", help="the uZyvSDK library file or its folder")
    parser.add_argument("-o", "--out", default=".", help="folder for the files written (.)")
    parser.add_argument("-g", "--group", type=int, default=0, help="device group 0..19 (0)")
    parser.add_argument("--no-plots", action="store_true", help="write CSV only, even with matplotlib")
    try:
        args = parser.parse_args(list(argv))
    except SystemExit as exc:
        return EXIT_USAGE if exc.code else EXIT_OK
    try:
        return run_demo(args.runtime, args.out, args.group, args.library, plots=False if args.no_plots else None)
    except Error as exc:
        print(f"python3 -m uzyv: {exc}", file=sys.stderr)
        return EXIT_FAILURE

"""Test set-up: the library and simulated runtime of a native build, and the simulated instrument's hub.

The build is found through UZYV_LIBRARY, UZYV_SIMULATOR and UZYV_SIM_HUB,
or else in the repository's build/native. The library keeps process-wide
state, so the tests share one loaded copy and group 0 of one runtime folder;
cases that need a fresh library run in a child process (``fresh_python``).
"""
from __future__ import annotations

import copy
import ctypes
import os
import subprocess
import sys
import tempfile
import textwrap
from pathlib import Path

import pytest

HERE = Path(__file__).resolve().parent
REPO = HERE.parent.parent
BUILD = Path(os.environ.get("UZYV_BUILD", REPO / "build" / "native"))



def _absolute(variable: str, default: Path) -> str:
    # Child processes of the tests run in other folders.
    os.environ[variable] = os.path.abspath(os.environ.get(variable) or default)
    return os.environ[variable]


LIBRARY = _absolute("UZYV_LIBRARY", BUILD / "bin" / "libuZyvSDK.so")
SIMULATOR = _absolute("UZYV_SIMULATOR", BUILD / "sim" / "default")
HUB = _absolute("UZYV_SIM_HUB", BUILD / "bin" / "libzyvsim.so")
SIM_VARIANTS = Path(SIMULATOR).parent

for what, path in (("library", LIBRARY), ("simulated runtime", os.path.join(SIMULATOR, "Zyvrun.dll")),
                   ("simulator hub", HUB)):
    if not os.path.exists(path):
        pytest.exit(f"the {what} is missing: {path} (build natively first, or set UZYV_LIBRARY, "
                    "UZYV_SIMULATOR and UZYV_SIM_HUB)", returncode=1)

# The runtime copies and the trace file go to a folder of this run, where they can be counted.
TEMP = tempfile.mkdtemp(prefix="uzyv-pytest-")
os.environ["TMPDIR"] = TEMP

sys.path.insert(0, str(HERE))
import simhub  # noqa: E402

import uzyv  # noqa: E402

_hub = simhub.Hub(HUB)


class Instrument:
    """The simulated instance behind group 0: its live configuration, faults and log."""

    def __init__(self, hub: simhub.Hub, index: int) -> None:
        self.hub = hub
        self.index = index
        self.saved = copy.deepcopy(bytes(hub.config(index)))

    @property
    def config(self) -> simhub.Config:
        return self.hub.config(self.index)

    def restore(self) -> None:
        ctypes.memmove(ctypes.addressof(self.config), self.saved, len(self.saved))
        self.hub.clear_faults(self.index)

    def signal(self, channel: int, **kw) -> None:
        simhub.set_signal(self.config, channel, **kw)

    def fail(self, entry: str, match: int, error_code: int, result: int = 0) -> None:
        self.hub.fail(self.index, entry, match, result, error_code)

    def setting(self, channel: int, setting_id: int):
        return self.hub.setting(self.index, channel, setting_id)


def open_extended(group: int):
    """Opens a group whose runtime copy is loaded now, as the extended product; returns (scope, instance)."""
    defaults = _hub.dll.zyvsim_defaults().contents
    before = defaults.devices[0].productId
    defaults.devices[0].productId = 8722
    try:
        s = uzyv.open(SIMULATOR, group)
    finally:
        defaults.devices[0].productId = before
    return s, _hub.instance_count() - 1


_instrument = None


@pytest.fixture(scope="session")
def hub() -> simhub.Hub:
    return _hub


@pytest.fixture
def scope():
    """Group 0 opened on the simulated runtime with its default signals, closed afterwards."""
    global _instrument
    s = uzyv.open(SIMULATOR, 0)
    if _instrument is None:
        # The group's runtime copy was loaded by this first open: the newest instance.
        _instrument = Instrument(_hub, _hub.instance_count() - 1)
    else:
        _instrument.restore()
    s.instrument = _instrument
    # Initialisation leaves these as an earlier test set them.
    s.delay_seconds = 0.0
    s.holdoff_seconds = 0.0
    s.trigger_coupling = uzyv.TriggerCoupling.DC
    s.sample_rate = 10_000_000
    try:
        yield s
    finally:
        _instrument.restore()
        if not s.closed:
            s.close()


@pytest.fixture
def instrument(scope) -> Instrument:
    return scope.instrument


def setup_timebase(scope, rate: int = 1_000_000, length: int = 10000, volts_per_div: float = 0.5) -> None:
    """A fixed set-up instead of autoset: the same for every channel, edge trigger at 0 V on channel 0."""
    scope.record_length = length
    scope.sample_rate = rate
    for ch in scope.channels:
        ch.volts_per_div = volts_per_div
        ch.offset_volts = 0.0
        ch.position_code = 8000
    scope.set_edge_trigger(0, 0.0, uzyv.TriggerSlope.RISING)


def fresh_python(code: str, *, cwd: str = None, env: dict = None, timeout: float = 120) -> subprocess.CompletedProcess:
    """Runs code in a new interpreter (a library that has not started yet)."""
    full_env = dict(os.environ)
    full_env.update(env or {})
    full_env["TMPDIR"] = tempfile.mkdtemp(prefix="uzyv-child-", dir=TEMP)
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True, text=True,
                          cwd=cwd, env=full_env, timeout=timeout)

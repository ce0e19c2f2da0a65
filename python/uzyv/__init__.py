"""uzyv: the two-channel USB oscilloscopes from Python, over the uZyvSDK library.

    import uzyv

    with uzyv.open(uzyv.simulator_folder()) as scope:
        scope.autoset()
        scope.capture()
        wave = scope.read()
        print(uzyv.measure(wave, ["Frequency", "Vpp"]))

Every failed library call raises :class:`uzyv.Error` (or a subclass) with
the library's LastError code and its meaning.
"""
from ._library import EXPORTS, CaptureParams, Library, MeasParams, library, library_candidates, load_library
from .analysis import Mask, MaskResult, Measurements, Spectrum, measure, spectrum
from .enums import (
    MEASUREMENT_NAMES,
    MEASUREMENT_UNITS,
    VOLTS_PER_DIV,
    AcquireMode,
    BandwidthLimit,
    Coupling,
    MeasType,
    SpectrumScale,
    TriggerCoupling,
    TriggerSlope,
    WaitMode,
    Window,
)
from .errors import (
    ERROR_TEXTS,
    ArgumentError,
    CaptureTimeout,
    Error,
    InstrumentError,
    MeasurementError,
    NoDeviceError,
    NotSupportedError,
    PlotUnavailable,
    ReadRefusedError,
    RuntimeFileError,
    SettingsFileError,
    StateError,
    UzyvWarning,
    error_text,
)
from .scope import Channel, DeviceInfo, Scope, Trigger, open, simulator_folder
from .waveform import Waveform

__version__ = "1.0.0"

__all__ = [
    "open", "Scope", "Channel", "DeviceInfo", "Trigger", "Waveform", "simulator_folder",
    "measure", "Measurements", "spectrum", "Spectrum", "Mask", "MaskResult",
    "load_library", "library", "library_candidates", "Library", "EXPORTS", "CaptureParams", "MeasParams",
    "Coupling", "BandwidthLimit", "AcquireMode", "WaitMode", "TriggerSlope", "TriggerCoupling", "Window",
    "SpectrumScale", "MeasType", "MEASUREMENT_NAMES", "MEASUREMENT_UNITS", "VOLTS_PER_DIV",
    "Error", "ArgumentError", "StateError", "RuntimeFileError", "InstrumentError", "NotSupportedError",
    "MeasurementError", "SettingsFileError", "NoDeviceError", "ReadRefusedError", "CaptureTimeout",
    "PlotUnavailable", "UzyvWarning", "ERROR_TEXTS", "error_text",
]

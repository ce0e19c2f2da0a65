"""Finding, loading and declaring the uZyvSDK shared library.

Every export of ``uZyvSDK.h`` is declared here once, with the argument and
result types of the header. The 32-bit Windows DLL uses ``__stdcall`` and is
loaded with :class:`ctypes.WinDLL`; every other host uses :class:`ctypes.CDLL`.
"""
from __future__ import annotations

import ctypes
import ctypes.util
import os
import sys
import threading
from ctypes import POINTER, c_char_p, c_double, c_int16, c_int32, c_int64, c_uint8, c_uint32, c_void_p
from typing import Dict, List, Optional, Tuple

__all__ = [
    "CaptureParams",
    "MeasParams",
    "VALUE",
    "EXPORTS",
    "Library",
    "load_library",
    "library",
    "library_candidates",
]

#: Setting values that may carry an address (``uZyvValue``): pointer-sized.
VALUE = c_int64 if ctypes.sizeof(c_void_p) == 8 else c_int32

_IS_WINDOWS = sys.platform == "win32"
_IS_32BIT_WINDOWS = _IS_WINDOWS and ctypes.sizeof(c_void_p) == 4


class CaptureParams(ctypes.Structure):
    """The capture-parameter block handed unchanged to the runtime by ``uZyvSDKCapture``."""

    _fields_ = [
        ("runtimeArea0", c_uint8 * 8),
        ("sampleRate", c_int64),
        ("runtimeArea1", c_uint8 * 104),
        ("trigPos", c_int64),
        ("runtimeArea2", c_uint8 * 8),
        ("recordLength", c_int32),
        ("runtimeArea3", c_uint8 * 4),
    ]


class MeasParams(ctypes.Structure):
    """Samples and calibration for ``uZyvSDKMeasurement``; [0] measured, [1] reference."""

    _fields_ = [
        ("sampleRate", c_int64),
        ("reserved0", c_int32),
        ("reservedCh", c_int32 * 2),
        ("alignment", c_int32),
        ("voltOffset", c_double * 2),
        ("zeroLevel", c_double * 2),
        ("baseOffset", c_double * 2),
        ("gain", c_double * 2),
        ("multiplier", c_int32 * 2),
        ("samples", POINTER(c_int16) * 2),
    ]


_I32P = POINTER(c_int32)
_I64P = POINTER(c_int64)
_U32P = POINTER(c_uint32)
_I16P = POINTER(c_int16)
_DP = POINTER(c_double)
_U8P = POINTER(c_uint8)
_I = c_int32

#: name -> (result type, argument types), in the order of the header.
EXPORTS: Dict[str, Tuple[type, Tuple[type, ...]]] = {
    # start-up, groups and errors
    "uZyvSDKSetWorkDir": (_I, (c_char_p,)),
    "uZyvSDKSelectGroup": (_I, (c_uint32,)),
    "uZyvSDKSetEnv": (_I, (c_uint32, c_uint32, c_uint32)),
    "uZyvSDKInit": (_I, ()),
    "uZyvSDKInitStack": (_I, (c_char_p,)),
    "uZyvSDKShutdown": (_I, ()),
    "uZyvSDKGetDeviceCount": (_I, ()),
    "uZyvSDKGetErrorCode": (_I, ()),
    "uZyvSDKGetErrorCodeEx": (_I, ()),
    # device information
    "uZyvSDKGetHwInfo": (_I, (_I, c_uint32, c_void_p)),
    "uZyvSDKGetHwInfoA": (_I, (_I, c_uint32, c_void_p)),
    "uZyvSDKGetHwInfoB": (_I, (_I, c_uint32, c_void_p)),
    "uZyvSDKGetVendorName": (_I, (_I, c_char_p)),
    "uZyvSDKGetProductName": (_I, (_I, c_char_p)),
    "uZyvSDKGetSerialNum": (_I, (_I, c_char_p)),
    "uZyvSDKGetHwVer": (_I, (_I, _I32P)),
    "uZyvSDKGetFwVer": (_I, (_I, _I32P)),
    "uZyvSDKGetProductID": (_I, (_I, _I32P)),
    "uZyvSDKGetUsbDeviceHandle": (_I, (_I, _U32P)),
    "uZyvSDKGetCalibrationData": (_I, (_I, _DP)),
    "uZyvSDKGetTemperature": (_I, (_I, c_void_p)),
    # settings
    "uZyvSDKSetting": (_I, (_I, _I, VALUE)),
    "uZyvSDKSetBWL": (_I, (_I, _I)),
    "uZyvSDKSetCoupling": (_I, (_I, _I)),
    "uZyvSDKSetChOnOff": (_I, (_I, _I)),
    "uZyvSDKSetAcquireMode": (_I, (_I, _I)),
    "uZyvSDKSetTrigCouple": (_I, (_I,)),
    "uZyvSDKSetVoltDiv": (_I, (_I, _I)),
    "uZyvSDKSetVoltDivEx": (_I, (_I, _I)),
    "uZyvSDKSetVoltPos": (_I, (_I, _I)),
    "uZyvSDKSetVoltOfs": (_I, (_I, _I)),
    "uZyvSDKSetSampleRate": (_I, (c_int64,)),
    "uZyvSDKSetRecordLength": (_I, (_I,)),
    "uZyvSDKSetWaitMode": (_I, (_I, c_int64)),
    "uZyvSDKSetDelayTime": (_I, (c_int64,)),
    "uZyvSDKSetHoldoffTime": (_I, (c_int64,)),
    "uZyvSDKSetTrigPos": (_I, (c_int64,)),
    "uZyvSDKSetHwBit": (_I, (_I,)),
    "uZyvSDKGetBWL": (_I, (_I, _I32P)),
    "uZyvSDKGetCoupling": (_I, (_I, _I32P)),
    "uZyvSDKGetAcquireMode": (_I, (_I, _I32P)),
    "uZyvSDKGetVoltDiv": (_I, (_I, _I32P)),
    "uZyvSDKGetVoltPos": (_I, (_I, _I32P)),
    "uZyvSDKGetVoltOfs": (_I, (_I, _I32P)),
    "uZyvSDKGetTrigCouple": (_I, (_I32P,)),
    "uZyvSDKGetSampleRate": (_I, (_I64P,)),
    "uZyvSDKGetRecordLength": (_I, (_I32P,)),
    "uZyvSDKGetWaitMode": (_I, (_I32P, _I64P)),
    "uZyvSDKGetDelayTime": (_I, (_I64P,)),
    "uZyvSDKGetHoldoffTime": (_I, (_I64P,)),
    "uZyvSDKGetTrigPos": (_I, (_I64P,)),
    "uZyvSDKGetHwBit": (_I, (_I32P,)),
    "uZyvSDKGetChOnOff": (_I, (_I,)),
    # spectrum
    "uZyvSDKGetFFTData": (_I, (_DP, _I, _I, _I, _DP)),
    # triggers
    "uZyvSDKSetEdgeTrig": (_I, (_I, _I, c_int64)),
    "uZyvSDKSetVideoTrig": (_I, (_I, _I, _I)),
    "uZyvSDKSetRuntTrig": (_I, (_I, _I, _I, _I, c_int64, c_int64, c_int64)),
    "uZyvSDKSetWidthTrig": (_I, (_I, _I, _I, _I, c_int64, c_int64)),
    "uZyvSDKSetPatternTrig": (_I, (_I, _I, _I, _I, _I, c_int64, c_int64, c_int64)),
    "uZyvSDKSetStateTrig": (_I, (_I, _I, _I, _I, _I, c_int64, c_int64)),
    # capture control
    "uZyvSDKCapture": (_I, (POINTER(CaptureParams),)),
    "uZyvSDKCaptureEx": (_I, ()),
    "uZyvSDKStop": (_I, ()),
    "uZyvSDKForceTrig": (_I, ()),
    "uZyvSDKGetStatus": (_I, (_I,)),
    "uZyvSDKDataReady": (_I, ()),
    "uZyvSDKFGSetting": (_I, (_I, VALUE)),
    # waveforms
    "uZyvSDKRead": (_I, (VALUE,)),
    "uZyvSDKReadExRaw": (_I, (_I, _I32P, _I16P, _DP, _DP, _DP, _I32P)),
    "uZyvSDKRawToDbl_mv": (_I, (_I16P, _DP, _I, c_double, c_double, c_double, c_double, _I)),
    "uZyvSDKRawToDbl_uv": (_I, (_I16P, _DP, _I, c_double, c_double, c_double, c_double, _I)),
    "uZyvSDKReadDbl_mv": (_I, (_I, _I32P, _DP, _I32P)),
    "uZyvSDKReadDbl_uv": (_I, (_I, _I32P, _DP, _I32P)),
    # settings file
    "uZyvSDKReadIniFile": (_I, (c_char_p,)),
    # measurement
    "uZyvSDKMeasurement": (_I, (_I32P, _I, _I, POINTER(MeasParams), _U8P, _U8P, _DP)),
    "uZyvSDKMeasExInit": (_I, (_I, _I, c_double, c_double, c_double, c_double, _I, c_int64, _I, _I16P)),
    "uZyvSDKMeasExAddType": (_I, (_I,)),
    "uZyvSDKMeasExStart": (_I, (_I, _I, _U8P)),
    "uZyvSDKMeasExGetResult": (_I, (_I,)),
    "uZyvSDKMeasExGetValue": (c_double, (_I,)),
    "uZyvSDKMeasExFreeResource": (_I, ()),
    # pass/fail
    "uZyvSDKPassFailInit": (_I, (_I16P, _I, c_int64, c_int64, c_int64, _I, _I, _I, _DP, _I)),
    "uZyvSDKPassFailGetMask": (_I, (_I16P, _I32P, _I16P, _I32P, _I32P)),
    "uZyvSDKPassFailCheck": (_I, (_I, _I32P)),
    # autoset
    "uZyvSDKAutoset": (_I, ()),
}


class Library:
    """The loaded shared library with every export declared.

    Each export is an attribute under its own name (``lib.uZyvSDKInit()``).
    Calls must not overlap: the library takes no lock, so the package
    serialises its own calls through :attr:`lock`.
    """

    def __init__(self, path: str) -> None:
        self.path = path
        loader = ctypes.WinDLL if _IS_32BIT_WINDOWS else ctypes.CDLL
        self.dll = loader(path)
        self.lock = threading.RLock()
        for name, (restype, argtypes) in EXPORTS.items():
            function = getattr(self.dll, name)
            function.restype = restype
            function.argtypes = list(argtypes)
            setattr(self, name, function)

    def __repr__(self) -> str:
        return f"<uzyv.Library {self.path!r}>"


def _library_names() -> List[str]:
    if _IS_WINDOWS:
        return ["uZyvSDK.dll"]
    if sys.platform == "darwin":
        return ["libuZyvSDK.1.dylib", "libuZyvSDK.dylib"]
    return ["libuZyvSDK.so.1", "libuZyvSDK.so"]


def _files_in(folder: str) -> List[str]:
    return [os.path.join(folder, name) for name in _library_names()]


#: The folder of this Python's binaries in the Windows SDK archive.
WINDOWS_ARCH = "x64" if ctypes.sizeof(c_void_p) == 8 else "x86"


def _prefix_folders(prefix: str) -> List[str]:
    if _IS_WINDOWS:
        return [os.path.join(prefix, WINDOWS_ARCH, "bin"), os.path.join(prefix, "bin"), prefix]
    return [os.path.join(prefix, sub) for sub in ("lib", "lib64", "lib/x86_64-linux-gnu", "bin")]


def library_candidates(path: Optional[str] = None) -> List[str]:
    """The files tried, in order, to load the library.

    1. ``path`` (a file, or a folder holding the library), and nothing else when given;
    2. the environment variable ``UZYV_LIBRARY`` (a file or a folder), and nothing else when set;
    3. the prefix in ``UZYV_PREFIX``, then the installation prefix of this
       Python (``sys.prefix``), ``/usr/local`` and ``/usr`` (their ``lib``
       folders; ``bin`` on Windows);
    4. what the system's library search finds for ``uZyvSDK``;
    5. the native build (``build/native/bin``) of the repository the package
       runs from or was installed from with pip.
    """
    given = [path] if path else [p for p in (os.environ.get("UZYV_LIBRARY"),) if p]
    candidates: List[str] = []
    for p in given:
        candidates.extend(_files_in(p) if os.path.isdir(p) else [p])
    if given:
        return candidates
    prefixes = [os.environ.get("UZYV_PREFIX"), sys.prefix, sys.base_prefix]
    if not _IS_WINDOWS:
        prefixes += ["/usr/local", "/usr"]
    seen = set()
    for prefix in prefixes:
        if not prefix or prefix in seen:
            continue
        seen.add(prefix)
        for folder in _prefix_folders(prefix):
            candidates.extend(_files_in(folder))
    found = ctypes.util.find_library("uZyvSDK")
    if found:
        candidates.append(found)
    for checkout in _source_checkouts():
        for build in ("build/native", "build"):
            candidates.extend(_files_in(os.path.join(checkout, build, "bin")))
    return candidates


def _source_checkouts() -> List[str]:
    """The repository this package runs from (in place), or was installed from with pip (its direct URL)."""
    here = os.path.dirname(os.path.abspath(__file__))
    roots = [os.path.dirname(os.path.dirname(here))]
    try:
        import json
        from importlib import metadata
        from urllib.parse import unquote, urlparse

        text = metadata.distribution("uzyv").read_text("direct_url.json")
        url = urlparse(json.loads(text).get("url", "")) if text else None
        if url is not None and url.scheme == "file":
            roots.append(os.path.dirname(os.path.abspath(unquote(url.path).rstrip("/"))))
    except Exception:  # no metadata: not installed by pip
        pass
    seen: List[str] = []
    for root in roots:
        if root not in seen and os.path.isfile(os.path.join(root, "include", "uZyvSDK.h")):
            seen.append(root)
    return seen


_loaded: Optional[Library] = None
_load_lock = threading.Lock()


def load_library(path: Optional[str] = None) -> Library:
    """Loads the library (once per process) and returns it.

    ``path`` names the library file or its folder; without it the places of
    :func:`library_candidates` are tried. The library holds process-wide
    state (working folder, groups, LastError), so a process uses one copy:
    asking for another file once one is loaded raises :class:`uzyv.StateError`.
    """
    global _loaded
    from .errors import Error, StateError

    with _load_lock:
        if _loaded is not None:
            if path is not None and not _same_file(path, _loaded.path):
                raise StateError(0, f"uZyvSDK is already loaded from {_loaded.path}; a process uses one copy",
                                 call="load_library")
            return _loaded
        candidates = library_candidates(path)
        explicit = bool(path or os.environ.get("UZYV_LIBRARY"))
        failures = []
        for candidate in candidates:
            # A bare name from the system's search is loaded as it stands.
            if os.path.sep in candidate and not os.path.exists(candidate):
                continue
            try:
                _loaded = Library(candidate)
                return _loaded
            except OSError as exc:
                failures.append(f"{candidate}: {exc}")
        where = "; ".join(failures) if failures else ", ".join(candidates) or "nowhere"
        hint = "" if explicit else " (give its path, or set UZYV_LIBRARY to the file or its folder)"
        raise Error(0, f"cannot load uZyvSDK{hint}; tried {where}", call="load_library")


def library() -> Library:
    """The loaded library, loading it from the default places on first use."""
    return _loaded if _loaded is not None else load_library()


def _same_file(a: str, b: str) -> bool:
    try:
        if os.path.isdir(a):
            return any(os.path.exists(f) and os.path.samefile(f, b) for f in _files_in(a))
        return os.path.samefile(a, b)
    except OSError:
        return False


"""Every failure raises uzyv.Error with the library's code; silent refusals raise too."""
import ctypes
import json
import os
import shutil

import numpy as np
import pytest

import uzyv
from conftest import SIM_VARIANTS, SIMULATOR, fresh_python, setup_timebase


def ch(i):
    return lambda s: s.channels[i]


# (what is done, code, class)
CASES = [
    ("volts/div not in the list", lambda s: setattr(s[0], "volts_per_div", 0.003), 5, uzyv.ArgumentError),
    ("position above 16000", lambda s: setattr(s[0], "position_code", 16001), 6, uzyv.ArgumentError),
    ("offset beyond the limit", lambda s: setattr(s[0], "offset_volts", 15.000001), 6, uzyv.ArgumentError),
    ("bandwidth limit 7", lambda s: setattr(s[0], "bandwidth_limit", 7), 2, uzyv.ArgumentError),
    ("coupling 3", lambda s: setattr(s[1], "coupling", 3), 2, uzyv.ArgumentError),
    ("acquire mode 6", lambda s: setattr(s[1], "acquire_mode", 6), 2, uzyv.ArgumentError),
    ("trigger coupling 4", lambda s: setattr(s, "trigger_coupling", 4), 2, uzyv.ArgumentError),
    ("record length not a multiple of 8", lambda s: setattr(s, "record_length", 1001), 13, uzyv.ArgumentError),
    ("negative record length", lambda s: setattr(s, "record_length", -8), 13, uzyv.ArgumentError),
    ("delay beyond 50 s", lambda s: setattr(s, "delay_seconds", 50.000001), 40, uzyv.ArgumentError),
    ("negative holdoff", lambda s: setattr(s, "holdoff_seconds", -1e-12), 41, uzyv.ArgumentError),
    ("wait mode 4", lambda s: setattr(s, "wait_mode", 4), 2, uzyv.ArgumentError),
    ("channel beyond the group", lambda s: uzyv.Channel(s, 4).volts_per_div, 3, uzyv.ArgumentError),
    ("setting on a channel beyond 2N", lambda s: s.send_setting(5, 7, 100000), 3, uzyv.ArgumentError),
    ("device beyond the group", lambda s: s.device_info(2), 4, uzyv.ArgumentError),
    ("edge trigger slope 4", lambda s: s.set_edge_trigger(0, 0.0, 4), 2, uzyv.ArgumentError),
    ("edge trigger source 3", lambda s: s.set_edge_trigger(3, 0.0), 2, uzyv.ArgumentError),
    ("video trigger mode 4", lambda s: s.set_video_trigger(1, 4, 0), 2, uzyv.ArgumentError),
    ("width trigger without the extended product", lambda s: s.set_width_trigger(0, 0, 0, 0, 0, 0.0), 10,
     uzyv.NotSupportedError),
    ("runt trigger without the extended product", lambda s: s.set_runt_trigger(0, 0, 0, 0, 0, 0.0, 0.1), 10,
     uzyv.NotSupportedError),
    ("pattern trigger without the extended product", lambda s: s.set_pattern_trigger(0, 1, 0, 0, 0, 0, 0.0, 0.0),
     10, uzyv.NotSupportedError),
    ("state trigger without the extended product", lambda s: s.set_state_trigger(0, 1, 0, 0, 0, 0.0, 0.0), 10,
     uzyv.NotSupportedError),
    ("settings file missing", lambda s: s.load_settings("/nonexistent/bench.ini"), 30, uzyv.SettingsFileError),
    ("group index above 19", lambda s: uzyv.open(None, 20), 21, uzyv.ArgumentError),
    ("environment mode 3", lambda s: uzyv.open(None, 3, environment=(3, 0, 0)), 2, uzyv.ArgumentError),
    ("working folder after the start-up", lambda s: uzyv.open(os.path.join(SIM_VARIANTS, "v2000"), 3), 35,
     uzyv.StateError),
]


@pytest.mark.parametrize("what, action, code, kind", CASES, ids=[c[0] for c in CASES])
def test_refusal_raises_the_library_code(scope, what, action, code, kind):
    with pytest.raises(kind) as e:
        action(scope)
    assert e.value.code == code
    assert e.value.text == uzyv.error_text(code)
    assert str(code) in str(e.value)


def test_trigger_position_beyond_half_the_record_fails_the_capture(scope):
    setup_timebase(scope, rate=1_000_000, length=1000)
    scope.trigger_position_seconds = 0.000500001  # half the record is 500 us
    with pytest.raises(uzyv.ArgumentError) as e:
        scope.capture()
    assert e.value.code == 7 and e.value.call == "uZyvSDKCaptureEx"
    scope.trigger_position_seconds = 0.0005
    assert scope.capture()


def test_silent_refusals_raise_without_a_code(scope):
    with pytest.raises(uzyv.ArgumentError) as e:
        scope.set_video_trigger(2, 0, 0)
    assert e.value.code == 0 and "source 0 or 1" in e.value.text


@pytest.mark.parametrize("runtime_code, extended, reported", [(2, False, 5), (12, False, 15), (99, False, 14),
                                                                (1, False, 16), (17, False, 31)])
def test_a_runtime_refusal_is_reported_translated(scope, instrument, runtime_code, extended, reported):
    instrument.fail("uZyvSetting", 7, runtime_code)
    with pytest.raises(uzyv.Error) as e:
        scope[0].volts_per_div = 1.0
    assert e.value.code == reported
    # The cache keeps the refused value.
    assert scope[0].volts_per_div == 1.0


def test_capture_failure_in_the_runtime_raises(scope, instrument):
    instrument.fail("uZyvCapture", -1, 11)
    with pytest.raises(uzyv.InstrumentError) as e:
        scope.capture()
    assert e.value.code == 12


def test_measurement_errors(scope):
    setup_timebase(scope, length=1000)
    scope.capture()
    wave = scope.read()
    for kwargs, code, kind in [
        (dict(types=["Frequency"], start=100, end=100), 20, uzyv.MeasurementError),
        (dict(types=["Frequency"], start=-1), 19, uzyv.ArgumentError),
        (dict(types=[31]), 18, uzyv.ArgumentError),
        (dict(types=[-2]), 18, uzyv.ArgumentError),
        (dict(types=["Frequency"], start=0, end=1001), 0, uzyv.ArgumentError),
    ]:
        with pytest.raises(kind) as e:
            uzyv.measure(wave, **kwargs)
        assert e.value.code == code, kwargs
    with pytest.raises(uzyv.ArgumentError) as e:
        uzyv.measure(wave, ["Frequency"], staged=True, start=-1)
    assert e.value.code == 19
    with pytest.raises(uzyv.MeasurementError) as e:
        uzyv.measure(wave, abort=ctypes.c_uint8(1))
    assert e.value.code == 20


def test_capture_without_trigger_times_out_or_is_forced(scope, instrument):
    setup_timebase(scope, length=1000)
    scope.wait_mode = uzyv.WaitMode.NORMAL
    scope.set_edge_trigger(0, 5.0)  # above the signal: never fires
    with pytest.raises(uzyv.CaptureTimeout):
        scope.capture(timeout=0.05, force=False)
    assert not scope.data_ready
    scope.stop()
    assert scope.capture(timeout=0.05, force=True) is False
    wave = scope.read()
    assert not wave.triggered and wave.record_length == 1000


def test_an_aligned_read_that_the_library_refuses_raises(scope, hub, instrument):
    setup_timebase(scope, rate=100_000_000, length=1000)
    scope.capture()
    hub.set_read_reply(instrument.index, 0, 0, -3000 * 10_000)  # 3000 samples at 100 MS/s
    try:
        with pytest.raises(uzyv.ReadRefusedError) as e:
            scope.read()
        assert e.value.code == 0
        assert scope.read(aligned=False).time_offset_ps == -30_000_000
    finally:
        instrument.config.instrument = 1


def test_closed_scope_refuses_calls(scope):
    scope.close()
    with pytest.raises(uzyv.StateError) as e:
        scope.record_length
    assert e.value.code == 28
    scope.close()  # a second close does nothing


def test_a_group_is_opened_once(scope):
    with pytest.raises(uzyv.StateError):
        uzyv.open(SIMULATOR, 0)


def test_stack_list_item_too_long(scope):
    with pytest.raises(uzyv.ArgumentError) as e:
        uzyv.open(SIMULATOR, 1, stack=["x" * 17])
    assert e.value.code == 34


def test_buffers_that_cannot_be_written_in_place_are_refused(scope):
    setup_timebase(scope, length=1000)
    scope.capture()
    good = np.zeros(2000)
    for bad in (np.zeros(2000, dtype=np.float32), np.zeros((2000, 2))[:, 0], np.zeros(1999),
                np.zeros(2000)[::-1], good.copy().view()):
        if bad.flags.writeable and bad.size == 2000 and bad.dtype == np.float64 and bad.flags.c_contiguous:
            bad.flags.writeable = False
        with pytest.raises(uzyv.ArgumentError):
            scope.read(out=bad)
    with pytest.raises(uzyv.ArgumentError):
        scope.read(raw_out=np.zeros(2000, dtype=np.int32))


# Failures of a library that has not started yet, each in its own process.
FRESH = {
    "folder without the runtime": ("uzyv.open('/', 0)", 22, "RuntimeFileError"),
    # A start-up that cannot prepare its group leaves no entry points: 23.
    "runtime that fails to load": ("uzyv.open(os.path.join(variants, 'noload'), 0)", 23, "RuntimeFileError"),
    "runtime without an entry point": ("uzyv.open(os.path.join(variants, 'nofft'), 0)", 23, "RuntimeFileError"),
    "runtime too old at the start-up": ("uzyv.open(os.path.join(variants, 'v1401'), 0)", 23, "RuntimeFileError"),
    "autoset without signal summaries": ("uzyv.open(os.path.join(variants, 'nohwinfo'), 0).autoset()", 0,
                                         "NotSupportedError"),
}


@pytest.mark.parametrize("name", list(FRESH))
def test_start_up_failures(name):
    code, expected, kind = FRESH[name]
    child = fresh_python(f"""
        import json, os, uzyv
        sim, variants = {SIMULATOR!r}, {str(SIM_VARIANTS)!r}
        try:
            {code}
            print(json.dumps(None))
        except uzyv.Error as e:
            print(json.dumps([type(e).__name__, e.code]))
    """)
    assert child.returncode == 0, child.stderr
    assert json.loads(child.stdout.splitlines()[-1]) == [kind, expected]


def test_a_group_whose_runtime_is_too_old(tmp_path):
    shutil.copy(os.path.join(SIMULATOR, "Zyvrun.dll"), tmp_path / "Zyvrun.dll")
    child = fresh_python(f"""
        import shutil, uzyv
        with uzyv.open({str(tmp_path)!r}, 0):
            shutil.copy({os.path.join(SIM_VARIANTS, "v1401", "Zyvrun.dll")!r}, {str(tmp_path / "Zyvrun.dll")!r})
            try:
                uzyv.open(None, 1)
            except uzyv.RuntimeFileError as e:
                print(e.code)
    """)
    assert child.stdout.split() == ["22"], child.stderr


def test_mask_check_before_any_mask():
    child = fresh_python(f"""
        import ctypes, uzyv
        with uzyv.open({SIMULATOR!r}, 0) as s:
            s.capture()
            result = ctypes.c_int32()
            try:
                uzyv._calls.call("uZyvSDKPassFailCheck", 0, ctypes.byref(result))
            except uzyv.StateError as e:
                print(e.code)
    """)
    assert child.stdout.split() == ["37"], child.stderr


def test_no_device_found(tmp_path):
    shutil.copy(os.path.join(SIMULATOR, "Zyvrun.dll"), tmp_path / "Zyvrun.dll")
    (tmp_path / "zyvsim.ini").write_text("devices = 0\n")
    child = fresh_python(f"""
        import uzyv
        try:
            uzyv.open({str(tmp_path)!r})
        except uzyv.NoDeviceError as e:
            print("no device", e.code)
    """)
    assert child.stdout.strip() == "no device 0", child.stderr


def test_every_code_has_its_text_and_class():
    for code, text in uzyv.ERROR_TEXTS.items():
        e = uzyv._calls.error_for(code, "call") if code else uzyv.Error(0)
        assert isinstance(e, uzyv.Error) and e.code == code and e.text == text
    assert isinstance(uzyv._calls.error_for(5), ValueError)
    assert isinstance(uzyv._calls.error_for(24), uzyv.InstrumentError)

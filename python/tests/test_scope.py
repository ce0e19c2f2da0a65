"""Settings, triggers, reads into caller arrays, settings files, and open/close cycles without leaks."""
import gc
import os
import struct

import numpy as np
import pytest

import uzyv
from conftest import SIMULATOR, TEMP, open_extended, setup_timebase


# (property path, value given, value read back, (setting id, channel, value the instrument received))
SETTINGS = [
    ("0.volts_per_div", 0.2, 0.2, (7, 0, 200000)),
    ("1.offset_volts", -1.25, -1.25, (9, 1, 1250000)),
    ("2.position_divisions", 1.5, 1.5, (8, 2, 11000)),
    ("1.coupling", "ac", uzyv.Coupling.AC, (1, 1, 1)),
    ("0.bandwidth_limit", uzyv.BandwidthLimit.MHZ_20, uzyv.BandwidthLimit.MHZ_20, (2, 0, 1)),
    ("3.acquire_mode", uzyv.AcquireMode.AVERAGE_16, uzyv.AcquireMode.AVERAGE_16, (4, 3, 3)),
    ("sample_rate", 25_000_000, 25_000_000, (11, 0, 25_000_000)),
    ("record_length", 4096, 4096, (12, 0, 4096 + 4096)),
    ("trigger_position_seconds", 2e-6, 2e-6, (18, 0, 2_000_000)),
    ("delay_seconds", 1e-3, 1e-3, (15, 0, 1_000_000_000)),
    ("holdoff_seconds", 5e-6, 5e-6, (16, 0, 5_000_000)),
    ("wait_mode", "normal", uzyv.WaitMode.NORMAL, (13, 0, 1)),
    ("trigger_coupling", uzyv.TriggerCoupling.AC, uzyv.TriggerCoupling.AC, (6, 0, 1)),
    ("resolution_bits", 12, 12, None),
]


def target(scope, path):
    *head, name = path.split(".")
    obj = scope[int(head[0])] if head else scope
    return obj, name


@pytest.mark.parametrize("path, given, expected, sent", SETTINGS, ids=[s[0] for s in SETTINGS])
def test_setting_reads_back_and_reaches_the_instrument(scope, instrument, path, given, expected, sent):
    obj, name = target(scope, path)
    setattr(obj, name, given)
    assert getattr(obj, name) == pytest.approx(expected) if isinstance(expected, float) else \
        getattr(obj, name) == expected
    if sent:
        setting_id, channel, value = sent
        assert instrument.setting(channel, setting_id) == value


def test_channel_on_off_and_wait_timeout(scope):
    scope[1].enabled = False
    assert scope[1].enabled is False
    scope[1].enabled = True
    assert scope[1].enabled is True
    scope.set_wait_mode("auto_timeout", timeout_seconds=0.25)
    assert scope.wait_mode == uzyv.WaitMode.AUTO_TIMEOUT and scope.wait_timeout_seconds == 0.25


def test_extended_volts_per_div(scope, instrument):
    scope[0].set_volts_per_div(5.0, extended=True)
    assert instrument.setting(0, 17) == 5000000 and scope[0].volts_per_div == 5.0


def trigger_records(hub, instance):
    return [bytes(c.block[:c.blockSize]) for c in hub.log(instance)
            if c.entry == b"uZyvSetting" and c.arg[1] == 10]


def test_every_trigger_kind_reaches_the_instrument(hub):
    # A group of its own: the extended product stays a property of the group once initialised.
    extended, instance = open_extended(2)
    with extended:
        assert extended.device_info(0).extended
        setup_timebase(extended, length=1000)
        extended[1].offset_volts = 0.5
        kinds = [
            (lambda: extended.set_edge_trigger(1, 0.75, "falling"), (0, 20, 1, 1, 250000)),
            (lambda: extended.set_video_trigger(1, 2, 7), (1, 24, 1, 2, 7, 0)),
            (lambda: extended.set_runt_trigger(0, 1, 2, 3, 44, 0.001, 0.002), (3, 40, 0, 1, 2, 3, 44, 0, 1000, 2000)),
            (lambda: extended.set_width_trigger(2, 2, 3, 5, 66, 0.003), (2, 36, 2, 2, 3, 5, 66, 0, 3000)),
            (lambda: extended.set_pattern_trigger(0, 1, 5, 6, 1, 77, 0.001, 0.002),
             (4, 44, 0, 1, 5, 6, 1, 77, 0, 1000, 2000 - 500000)),
            (lambda: extended.set_state_trigger(0, 1, 5, 6, 1, 0.001, 0.002), (5, 32, 1, 0, 6, 5, 1000, 2000 - 500000)),
        ]
        for setter, expected in kinds:
            setter()
            hub.clear_log(instance)
            extended.start_capture()
            extended.stop()
            record, = trigger_records(hub, instance)
            fields = struct.unpack(f"<{len(record) // 4}i", record)
            assert fields == expected, extended.trigger
        assert extended.trigger.kind == "state"
        with pytest.raises(uzyv.ArgumentError) as e:
            extended.set_runt_trigger(2, 0, 0, 0, 0, 0.0, 0.1)  # refused without a code
        assert e.value.code == 0 and extended.trigger.kind == "state"


def test_read_writes_into_the_given_arrays(scope, instrument):
    setup_timebase(scope, length=2000)
    scope.capture()
    volts = np.full(4000, np.nan)
    raw = np.full(4000, -32768, dtype=np.int16)
    wave = scope.read(out=volts, raw_out=raw)
    assert np.shares_memory(wave.volts, volts) and np.shares_memory(wave.raw, raw)
    assert not np.isnan(volts).any() and not (raw == -32768).any()
    assert wave.volts.base is volts or wave.volts.base is volts.base or np.shares_memory(wave.volts, volts)
    np.testing.assert_array_equal(wave.volts.reshape(-1), volts)
    # Arrays of the waveform's shape are taken as they are, too.
    shaped = np.zeros((2, 2000))
    again = scope.read(out=shaped)
    assert again.volts is shaped or np.shares_memory(again.volts, shaped)
    np.testing.assert_array_equal(shaped, again.volts)


def test_settings_file_round_trip(scope, tmp_path):
    setup_timebase(scope, rate=2_000_000, length=3000 - 3000 % 8)
    scope[0].volts_per_div = 0.05
    scope[1].offset_volts = 0.4
    scope[1].coupling = "ac"
    scope.set_edge_trigger(1, 0.3, "falling")
    path = tmp_path / "bench.ini"
    scope.save_settings(path)
    scope[0].volts_per_div = 1.0
    scope.sample_rate = 1000
    scope[1].coupling = "dc"
    scope.set_edge_trigger(0, 0.0)
    scope.load_settings(path)
    assert scope[0].volts_per_div == 0.05 and scope.sample_rate == 2_000_000
    assert scope[1].coupling == uzyv.Coupling.AC and scope[1].offset_volts == 0.4
    assert scope.trigger == uzyv.Trigger("edge", 1, uzyv.TriggerSlope.FALLING, 0.3)


def test_a_refused_line_stops_the_file(scope, tmp_path):
    path = tmp_path / "bad.ini"
    path.write_text("VoltDiv = 0, 500000\nRecordLength = 1001\nVoltDiv = 1, 200000\n")
    scope[1].volts_per_div = 1.0
    with pytest.raises(uzyv.ArgumentError) as e:
        scope.load_settings(path)
    assert e.value.code == 13
    assert scope[0].volts_per_div == 0.5 and scope[1].volts_per_div == 1.0


def test_autoset_finds_the_default_signals(scope):
    scope.autoset()
    assert scope.sample_rate == 100_000 and scope.record_length == 10000
    assert scope[0].volts_per_div == 2.0  # 3 Vpp square
    assert scope.capture()
    m = uzyv.measure(scope.read(), ["Frequency", "Vpp"])
    assert m["Frequency"] == pytest.approx(1000.0, rel=1e-3) and m["Vpp"] == pytest.approx(3.0, abs=0.1)


def test_polling_capture(scope):
    setup_timebase(scope, length=1000)
    scope.start_capture()
    assert scope.wait(timeout=1.0) and scope.data_ready
    params = uzyv.CaptureParams()
    params.sampleRate, params.trigPos, params.recordLength = 2_000_000, 0, 1000
    scope.start_capture(params)
    assert scope.wait(timeout=1.0)
    assert scope.sample_rate == 1_000_000  # the block does not change the cached settings


def open_files():
    return len(os.listdir("/proc/self/fd"))


def runtime_copies():
    return sorted(n for n in os.listdir(TEMP) if n.upper().startswith("ZYVRUN"))


def resident_kib():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024


def test_nothing_leaks_over_many_open_close_cycles(scope, hub, instrument):
    setup_timebase(scope, length=1000)
    scope.close()
    instances, copies, files = hub.instance_count(), runtime_copies(), open_files()

    def cycles(count):
        for _ in range(count):
            with uzyv.open(SIMULATOR, 0) as s:
                s.record_length = 1000
                s.capture()
                wave = s.read()
                uzyv.measure(wave, ["Frequency"])
                uzyv.spectrum(wave)
            hub.clear_log(instrument.index)  # the simulator logs every call
        gc.collect()

    cycles(50)  # allocators settle
    rss = resident_kib()
    cycles(300)
    grown_kib = resident_kib() - rss
    assert hub.instance_count() == instances, "a group's runtime copy was loaded again"
    assert runtime_copies() == copies
    assert open_files() == files
    assert grown_kib < 256, f"the resident memory grew by {grown_kib} KiB over 300 cycles"
    assert not uzyv.scope._Process.open_groups


def test_two_groups_each_keep_their_own_settings(scope):
    with uzyv.open(SIMULATOR, 1) as second:
        scope.record_length = 1000
        second.record_length = 3000
        scope[0].volts_per_div = 0.1
        second[0].volts_per_div = 5.0
        for _ in range(2):
            assert (scope.record_length, scope[0].volts_per_div) == (1000, 0.1)
            assert (second.record_length, second[0].volts_per_div) == (3000, 5.0)
        scope.capture()
        second.capture()
        assert scope.read().record_length == 1000 and second.read().record_length == 3000


def test_environment_and_stack_reach_the_runtime(hub):
    with uzyv.open(SIMULATOR, 4, environment=(2, 0x1FF, 7), stack=["dev-a", "dev-b"]) as s:
        assert s.devices == 2
        calls = {bytes(c.entry): c for c in hub.log(hub.instance_count() - 1)}
    env = struct.unpack("<5i", bytes(calls[b"uZyvEnv"].block[:20]))
    assert env == (0x3A7C41E5, 7, 2, 0xFF, 7)
    assert bytes(calls[b"uZyvInitStack"].block[:32]) == b"dev-a".ljust(16, b"\0") + b"dev-b".ljust(16, b"\0")


def test_a_step_of_autoset_that_fails_is_a_warning(scope, instrument):
    instrument.fail("uZyvSetting", 11, 2)  # the sample rate
    with pytest.warns(uzyv.UzyvWarning, match="error 5"):
        scope.autoset()

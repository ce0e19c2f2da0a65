"""The declarations against the header, loading, the demo, the README example and the plots."""
import os
import re
import subprocess
import sys

import pytest

import uzyv
from conftest import LIBRARY, REPO, SIMULATOR, fresh_python, setup_timebase

HEADER = REPO / "include" / "uZyvSDK.h"

C_TYPES = {
    "int32_t": "c_int", "uint32_t": "c_uint", "int64_t": "c_long", "double": "c_double", "uZyvValue": "c_long",
    "void": None, "const char*": "c_char_p", "char*": "c_char_p", "void*": "c_void_p",
}


def ctypes_name(t):
    """A ctypes type as the name of its C type on this host."""
    import ctypes

    if t is None:
        return None
    if t in (ctypes.c_char_p, ctypes.c_void_p):
        return t.__name__
    if hasattr(t, "_type_") and isinstance(t._type_, type):
        return "P" + ctypes_name(t._type_)
    return t.__name__


def header_prototypes():
    text = re.sub(r"/\*.*?\*/", " ", HEADER.read_text(), flags=re.S)
    found = {}
    for m in re.finditer(r"UZYV_API\s+(\w+)\s+UZYV_CALL\s+(\w+)\s*\(([^)]*)\)", text):
        result, name, args = m.groups()
        params = [] if args.strip() in ("", "void") else [a.strip() for a in args.split(",")]
        found[name] = (result, [re.sub(r"\s*\b\w+$", "", p).replace(" *", "*") for p in params])
    return found


def expected_ctypes(c_type):
    import ctypes

    c_type = c_type.replace("const ", "").strip()
    pointer = c_type.endswith("*")
    base = c_type.rstrip("*").strip()
    simple = {"int32_t": ctypes.c_int32, "uint32_t": ctypes.c_uint32, "int64_t": ctypes.c_int64,
              "double": ctypes.c_double, "uZyvValue": ctypes.c_ssize_t, "int16_t": ctypes.c_int16,
              "uint8_t": ctypes.c_uint8, "CaptureParams": uzyv.CaptureParams, "MeasParams": uzyv.MeasParams}
    if pointer:
        if base == "char":
            return ctypes.c_char_p
        if base == "void":
            return ctypes.c_void_p
        return ctypes.POINTER(simple[base])
    return simple[base]


def test_every_export_is_declared_with_the_header_types():
    import ctypes

    prototypes = header_prototypes()
    assert len(prototypes) == 85
    assert set(prototypes) == set(uzyv.EXPORTS)
    for name, (result, params) in prototypes.items():
        restype, argtypes = uzyv.EXPORTS[name]
        assert ctypes.sizeof(restype) == ctypes.sizeof(expected_ctypes(result)), name
        assert len(argtypes) == len(params), name
        for declared, c_type in zip(argtypes, params):
            want = expected_ctypes(c_type)
            assert ctypes.sizeof(declared) == ctypes.sizeof(want), (name, c_type)
            if issubclass(want, ctypes._Pointer):
                assert declared is want, (name, c_type)
            else:
                assert declared._type_ == want._type_ or ctypes.sizeof(want) == ctypes.sizeof(declared), name


def test_records_have_the_layout_of_the_header():
    import ctypes

    assert ctypes.sizeof(uzyv.CaptureParams) == 144
    assert uzyv.CaptureParams.sampleRate.offset == 8 and uzyv.CaptureParams.trigPos.offset == 120
    assert uzyv.CaptureParams.recordLength.offset == 136
    assert uzyv.MeasParams.voltOffset.offset == 24 and uzyv.MeasParams.multiplier.offset == 88
    assert uzyv.MeasParams.samples.offset == 96


def test_loading_by_path_folder_and_environment(tmp_path):
    folder = os.path.dirname(LIBRARY)
    for env, arg in [({"UZYV_LIBRARY": LIBRARY}, None), ({"UZYV_LIBRARY": folder}, None),
                     ({"UZYV_LIBRARY": ""}, LIBRARY), ({"UZYV_LIBRARY": "", "UZYV_PREFIX": str(tmp_path)}, folder)]:
        child = fresh_python(f"import uzyv; print(uzyv.load_library({arg!r}).path)", env=env)
        assert child.returncode == 0, child.stderr
        assert os.path.samefile(child.stdout.strip(), LIBRARY)
    child = fresh_python("""
        import uzyv
        try:
            uzyv.load_library("/nonexistent/libuZyvSDK.so")
        except uzyv.Error as e:
            print("refused", e.code)
    """)
    assert child.stdout.strip() == "refused 0", child.stderr


def test_the_installed_prefix_is_searched(tmp_path):
    lib = tmp_path / "lib"
    sim = lib / "uZyvSDK" / "sim" / "default"
    sim.mkdir(parents=True)
    os.symlink(LIBRARY, lib / "libuZyvSDK.so.1")
    os.symlink(os.path.join(SIMULATOR, "Zyvrun.dll"), sim / "Zyvrun.dll")
    child = fresh_python("""
        import uzyv
        print(uzyv.load_library().path)
        print(uzyv.simulator_folder())
        with uzyv.open(uzyv.simulator_folder()) as scope:
            print(scope.devices)
    """, env={"UZYV_LIBRARY": "", "UZYV_SIMULATOR": "", "UZYV_PREFIX": str(tmp_path)})
    assert child.stdout.split() == [str(lib / "libuZyvSDK.so.1"), str(sim), "2"], child.stderr


def readme_example():
    text = (REPO / "python" / "README.md").read_text()
    code = re.search(r"```python\n(.*?)```", text, re.S).group(1)
    assert len(code.strip().splitlines()) <= 10
    assert code in (REPO / "README.md").read_text(), "README.md carries the same example"
    return code


def test_the_readme_example_prints_the_simulated_signal(tmp_path):
    env = {}
    if os.path.samefile(LIBRARY, REPO / "build" / "native" / "bin" / "libuZyvSDK.so"):
        # As after pip install in a checkout with a native build: nothing to set.
        env = {"UZYV_LIBRARY": "", "UZYV_SIMULATOR": ""}
    child = fresh_python(readme_example(), cwd=str(tmp_path), env=env)
    assert child.returncode == 0, child.stderr
    values = dict(line.split(None, 1) for line in child.stdout.splitlines()[:2])
    assert float(values["Frequency"]) == pytest.approx(1000.0, rel=1e-3)
    assert float(values["Vpp"]) == pytest.approx(3.0, abs=0.1)
    assert "peak" in child.stdout


def have_matplotlib():
    try:
        import matplotlib
    except ImportError:
        return False
    return matplotlib is not None


@pytest.mark.parametrize("matplotlib", [True, False], ids=["with matplotlib", "without matplotlib"])
def test_demo_writes_its_pictures_or_says_why_not(tmp_path, matplotlib):
    if matplotlib and not have_matplotlib():
        pytest.skip("matplotlib is not installed")
    block = "" if matplotlib else "sys.modules['matplotlib'] = None; "
    child = fresh_python(f"import sys, runpy; {block}sys.argv = ['uzyv', 'demo', '-o', {str(tmp_path)!r}]; "
                         "runpy.run_module('uzyv', run_name='__main__')")
    assert child.returncode == 0, child.stderr
    for section in ("== autoset", "== capture", "== measure", "== spectrum", "== mask test", "5 of 5 passed"):
        assert section in child.stdout
    assert "Frequency    1.000 kHz" in child.stdout
    assert (tmp_path / "waveform.csv").exists() and (tmp_path / "spectrum.csv").exists()
    pictures = [tmp_path / "waveform.png", tmp_path / "spectrum.png"]
    if matplotlib:
        for p in pictures:
            assert p.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    else:
        assert "matplotlib is not installed" in child.stdout
        assert not any(p.exists() for p in pictures)


def test_demo_usage_and_failure_exit_status(tmp_path):
    assert subprocess.run([sys.executable, "-m", "uzyv", "nonsense"], capture_output=True).returncode == 2
    child = subprocess.run([sys.executable, "-m", "uzyv", "demo", "-r", str(tmp_path), "-o", str(tmp_path)],
                           capture_output=True, text=True, env=dict(os.environ, TMPDIR=str(tmp_path)))
    assert child.returncode == 1 and "error 22" in child.stderr


def test_plots_draw_waveform_spectrum_and_mask(scope, tmp_path):
    if not have_matplotlib():
        pytest.skip("matplotlib is not installed")
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    setup_timebase(scope, length=2000)
    scope.capture()
    wave = scope.read(aligned=False)
    ax = wave.plot()
    assert len(ax.get_lines()) >= 2
    uzyv.Mask(wave, 0).plot(ax, time=wave.time * 1e3)
    assert uzyv.spectrum(wave).plot().get_lines()
    plt.savefig(tmp_path / "plot.png")
    plt.close("all")
    assert (tmp_path / "plot.png").stat().st_size > 1000


def test_without_matplotlib_plotting_raises(monkeypatch, scope):
    monkeypatch.setitem(sys.modules, "matplotlib.pyplot", None)
    setup_timebase(scope, length=1000)
    scope.capture()
    with pytest.raises(uzyv.PlotUnavailable):
        scope.read().plot()

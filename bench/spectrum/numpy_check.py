#!/usr/bin/python3
"""Cross-check of uZyvSDKGetFFTData and of the pass/fail mask build against
numpy on random inputs, through the native library.

    /usr/bin/python3 bench/spectrum/numpy_check.py build/<dir>/bin/libuZyvSDK.so

Prints the largest spectrum difference relative to the peak bin per scale,
and the number of mask builds whose acceptance, limits or shift differ from
the arithmetic done here (0 expected); the mask is read back through the
simulated runtime built beside the library (../sim/default/).
"""
import ctypes
import os
import sys

import numpy as np

lib = ctypes.CDLL(sys.argv[1])
f32 = lambda v: float(np.float32(v))
PI = f32(np.pi)


def window(kind, n):
    i = np.arange(n, dtype=float)
    if kind == 0:
        return ((i >= n // 4) & (i < 3 * n // 4)).astype(float)
    x = i * (2 * PI) / (n - 1)
    if kind == 1:
        return f32(0.42) - 0.5 * np.cos(x) + f32(0.08) * np.cos(2 * x)
    if kind == 2:
        return 0.5 - 0.5 * np.cos(x)
    if kind == 3:
        return f32(0.54) - f32(0.46) * np.cos(x)
    if kind == 4:
        return (f32(0.35875) - f32(0.48829) * np.cos(x) + f32(0.14128) * np.cos(2 * x)
                - f32(0.01168) * np.cos(3 * x))
    if kind == 5:
        return np.where(i <= (n - 1) // 2, 2 * i / (n - 1), 2 - 2 * i / (n - 1))
    if kind == 6:
        return np.sin(i * PI / (n - 1))
    if kind == 7:
        y = PI * (2 * i / (n - 1) - 1)
        return np.sin(y) / y
    t = 2.5 * (i - n // 2) / (n // 2)
    return np.exp(-0.5 * t * t)


def spectra(rng):
    worst = [0.0, 0.0, 0.0]
    for _ in range(300):
        count = int(rng.integers(2, 4096))
        n = 1 << (count.bit_length() - 1)
        kind = int(rng.integers(0, 9))
        if n == 2 and kind == 5:
            continue  # every weight zero
        x = rng.uniform(-1, 1, count) * 10.0 ** rng.uniform(-3, 4)
        w = window(kind, n)
        rms = np.sqrt((n // 2) / n) if kind == 0 else np.sqrt(np.sum(w * w) / n)
        m = np.abs(np.fft.rfft(x[:n] * w))[: n // 2]
        want = [m / n * 2 / rms, m / 1000 / n * 2 / rms, m / 1000 / f32(0.2236) / n * 2 / rms]
        for scale in range(3):
            out = (ctypes.c_double * count)()
            ok = lib.uZyvSDKGetFFTData((ctypes.c_double * count)(*x), count, scale, kind, out)
            assert ok == 1
            got = np.array(out[:n:2])
            if scale == 0:
                err = np.max(np.abs(got - want[0])) / np.max(want[0])
            else:  # compare in linear terms: 10^(dB/20)
                lin = 10 ** (got / 20)
                err = np.max(np.abs(lin - want[scale])) / np.max(want[scale])
            worst[scale] = max(worst[scale], err)
    print("spectrum: largest difference / peak, scales 0 1 2: %.1e %.1e %.1e" % tuple(worst))


def masks(rng, runtime_folder):
    """Random builds read back through uZyvSDKPassFailGetMask (which needs an
    open group: the simulated runtime's) and compared with a numpy scan."""
    i16p, i32p = ctypes.POINTER(ctypes.c_int16), ctypes.POINTER(ctypes.c_int32)
    lib.uZyvSDKPassFailInit.argtypes = [i16p, ctypes.c_int32, ctypes.c_int64, ctypes.c_int64, ctypes.c_int64,
                                        ctypes.c_int32, ctypes.c_int32, ctypes.c_int32,
                                        ctypes.POINTER(ctypes.c_double), ctypes.c_int32]
    lib.uZyvSDKPassFailGetMask.argtypes = [i16p, i32p, i16p, i32p, i32p]
    lib.uZyvSDKSetWorkDir(runtime_folder.encode())
    lib.uZyvSDKSelectGroup(0)
    if lib.uZyvSDKInit() < 1:
        print("mask builds: no simulated runtime in", runtime_folder)
        return
    builds = refused = mismatched = 0
    for _ in range(500):
        count = 8 * int(rng.integers(0, 50))
        ref = rng.integers(-2100, 2100, count).astype(np.int16)
        rate = int(rng.choice([10**6, 10**9, 2 * 10**9, 10**12, 0, 10**12 + 1]))
        before, after = (int(v) for v in rng.integers(-5000, 20000, 2))
        below, above = (int(v) for v in rng.integers(-10**6, 10**8, 2))
        factor, divisor, offset = int(rng.integers(1, 5)), float(rng.uniform(0.5, 4)), int(rng.integers(-10**5, 10**5))
        up, down = above / 1000000 * factor / divisor, below / 1000000 * factor / divisor
        fits = 1 <= rate <= 10**12 and -1 < up < 65536 and -1 < down < 65536
        d = ctypes.c_double(divisor)
        refbuf = (ctypes.c_int16 * max(count, 1))(*ref.tolist())
        ok = lib.uZyvSDKPassFailInit(refbuf, count, rate, before, after, below, above, factor, ctypes.byref(d), offset)
        if bool(ok) != fits:
            mismatched += 1
            continue
        if not ok:
            refused += 1
            continue
        builds += 1
        back, ahead = int(rate * before / 1e12), int(rate * after / 1e12)
        windows = [list(ref[max(0, i - back):max(0, min(i + ahead, count - 1) + 1)]) for i in range(count)]
        hi = np.array([max([-9999] + w) for w in windows], dtype=int)
        lo = np.array([min([9999] + w) for w in windows], dtype=int)
        want_upper = np.minimum(hi + int(up), 2047)
        want_lower = np.maximum(lo - int(down), -2048)
        interval = 10**12 // rate
        want_shift = int(offset / interval)  # truncation toward zero
        lib.uZyvSDKSetRecordLength(count)
        upper, lower = (ctypes.c_int16 * max(count, 1))(), (ctypes.c_int16 * max(count, 1))()
        nu, nl, shift = ctypes.c_int32(count), ctypes.c_int32(count), ctypes.c_int32(0)
        lib.uZyvSDKPassFailGetMask(upper, ctypes.byref(nu), lower, ctypes.byref(nl), ctypes.byref(shift))
        same = (nu.value == count and list(upper[:count]) == want_upper.tolist()
                and list(lower[:count]) == want_lower.tolist() and shift.value == want_shift)
        mismatched += int(not same)
    print("mask builds: %d read back, %d refused, %d not as the arithmetic says" % (builds, refused, mismatched))


rng = np.random.default_rng(12)
spectra(rng)
masks(rng, os.path.join(os.path.dirname(os.path.abspath(sys.argv[1])), "..", "sim", "default", ""))

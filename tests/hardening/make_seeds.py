#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus (corpus/*.bin): short host sessions in the byte format that
fuzz_driver.cpp decodes, one per kind of session. Rerun after changing that format."""
import os
import struct

CREATE, FREE, MESSAGE, DSP, RUN, EMPTY, ASSIST = range(7)
SELECTORS = ["period", "gain", "fbgain", "brightness", "clear", "info", "params",
             "assist", "dsp64", "int", "float", "list", "bang", "signal"]
FRAME_COUNTS = [1, 2, 3, 7, 63, 64, 65, 100, 128, 256, 512, 1024, 4096, 8196, 8200]
NAN = float("nan")
INF = float("inf")


def num(v):  # any double, as raw bits
    return bytes([128]) + struct.pack("<d", v)


def atom_long(v):
    return bytes([0, 128]) + struct.pack("<q", v)


def atom_float(v):
    return bytes([1]) + num(v)


def atom_sym(i):
    return bytes([2, i])


def create(lite, *atoms):
    return bytes([CREATE, 1 if lite else 0, len(atoms)]) + b"".join(atoms)


def message(selector, *atoms, target=0):
    return bytes([MESSAGE, target, SELECTORS.index(selector), len(atoms)]) + b"".join(atoms)


def dsp(flags, rate, max_vector=64, target=0):
    out = bytes([DSP, target])
    for f in flags:
        out += bytes([{0: 0, 1: 1, -1: 2}[f]]) if f in (0, 1, -1) else bytes([3]) + struct.pack("<h", f)
    return out + num(rate) + struct.pack("<h", max_vector)


def vector(mode, *args):  # fill modes: 0 zeros, 1 constant, 2 per sample, 3 noise, 4 ramp
    return bytes([mode]) + b"".join(args)


def run(n, excitation, gain=vector(0), period=vector(0), in_place=-1, target=0):
    count = bytes([FRAME_COUNTS.index(n)]) if n in FRAME_COUNTS else bytes([200]) + struct.pack("<H", n)
    return bytes([RUN, target]) + count + excitation + gain + period + bytes([in_place + 1])


NOISE = vector(3, struct.pack("<H", 5))

SEEDS = {
    "control_rate": create(False) + dsp([1, 0, 0], 44100.0) + run(64, NOISE) + message("period", atom_float(100.0))
    + run(256, vector(0)) + message("clear") + run(64, NOISE, in_place=0),
    "period_signal": create(True) + dsp([1, 0, 1], 48000.0) + run(128, NOISE, period=vector(4, num(2.0), num(9000.0)))
    + run(7, NOISE, period=vector(1, num(NAN))),
    "gain_signal": create(False) + dsp([1, 1, 0], 96000.0) + run(100, NOISE, gain=vector(4, num(-2.0), num(2.0)))
    + run(1, vector(1, num(1.0)), gain=vector(1, num(NAN)), in_place=1),
    "both_signals": create(True, atom_long(20000)) + dsp([0, -1, 1], 1.0)
    + run(512, NOISE, gain=vector(1, num(0.99999)), period=vector(1, num(20001.0)), in_place=2),
    "odd_rates": create(False) + dsp([1, 0, 0], NAN) + run(63, NOISE) + dsp([1, 0, 1], -INF)
    + run(65, NOISE, period=vector(1, num(3.5))) + dsp([1, 0, 0], 0.0, 0) + run(3, NOISE)
    + dsp([1, 1, 1], 1e300) + run(2, NOISE),
    "nan_messages": create(False) + message("period", atom_float(NAN)) + message("gain", atom_float(NAN))
    + message("brightness", atom_float(NAN)) + message("fbgain", atom_float(-INF)) + message("period", atom_float(INF))
    + message("period", atom_float(-1e300)) + message("brightness", atom_float(5e-324)) + message("params")
    + dsp([1, 0, 0], 44100.0) + run(64, NOISE),
    "creation_args": create(False, atom_float(20000.5)) + create(True, atom_sym(0), atom_long(30000))
    + create(False, atom_long(-5), atom_long(10000)) + create(True, atom_long(1 << 40)) + message("info", target=1)
    + bytes([FREE, 0]) + bytes([ASSIST, 0, 1, 2, 0]) + bytes([ASSIST, 1, 2, 0, 1]),
    "empty_vectors": create(True) + dsp([1, 1, 1], 44100.0) + bytes([EMPTY, 0, 0]) + bytes([EMPTY, 0, 1])
    + bytes([EMPTY, 0, 3]) + run(4096, NOISE, period=vector(2, num(5.0), num(NAN), num(1e9), num(-3.0))),
    "wrong_messages": create(False) + message("period") + message("period", atom_sym(1)) + message("dsp64")
    + message("assist", atom_long(1), atom_long(0)) + message("int", atom_long(3)) + message("clear", atom_long(1))
    + message("gain", atom_long(1), atom_float(2.0), atom_float(3.0)),
}

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
os.makedirs(here, exist_ok=True)
for name, data in SEEDS.items():
    with open(os.path.join(here, name + ".bin"), "wb") as f:
        f.write(data)

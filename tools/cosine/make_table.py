#!/usr/bin/env python3
"""Writes core/cosine_table.h: cos and sin of k/256, k = 0..804 (entry 402 is pi/2 itself), each as a pair of doubles (the nearest
double, then the nearest double to the rest), and pi/2 as three doubles. Needs python3-mpmath; the
table is checked entry by entry against MPFR by the cosine test, so it is regenerated only if the
centres change. Usage: tools/cosine/make_table.py > core/cosine_table.h"""
import mpmath

mpmath.mp.prec = 300
STEPS = 256
COUNT = 805  # k/256 up to 804/256 < pi < 804.5/256
HALF_PI_SLOT = 402  # the slot of pi/2 = 402.12/256


def split(v, parts):
    out = []
    for _ in range(parts):
        d = float(v)  # mpf -> nearest double
        out.append(d)
        v = v - mpmath.mpf(d)
    return out


def hexf(d):
    return "0.0" if d == 0.0 else d.hex()


print("// cos and sin of the cosine's centres k/256, k = 0 .. 804, but for 402, whose centre is pi/2 itself (cos 0,")
print("// sin 1). Each is the sum of two doubles: the nearest double to the value and the nearest double to the")
print("// rest. Written by tools/cosine/make_table.py, checked against MPFR entry by entry by the cosine test.")
print("// Hexadecimal literals: exact, the same bits on every target.")
print("#pragma once")
print()
print('#include "variant.h"')
print()
print("namespace VIBREL_NS::cosine_parts {")
print()
hp = split(mpmath.pi / 2, 3)
print("// pi/2 = kHalfPi[0] + kHalfPi[1] + kHalfPi[2] to within 2^-160.")
print("inline constexpr double kHalfPi[3] = {%s, %s, %s};" % tuple(hexf(d) for d in hp))
print()
print("struct Centre {")
print("    double cosHi, cosLo, sinHi, sinLo;")
print("};")
print()
print("inline constexpr long kCentres = %d;" % COUNT)
print("inline constexpr long kHalfPiCentre = %d;" % HALF_PI_SLOT)
print("alignas(32) inline constexpr Centre kCentre[kCentres] = {")
for k in range(COUNT):
    c = mpmath.pi / 2 if k == HALF_PI_SLOT else mpmath.mpf(k) / STEPS
    ch, cl = (0.0, 0.0) if k == HALF_PI_SLOT else split(mpmath.cos(c), 2)
    sh, sl = split(mpmath.sin(c), 2)
    print("    {%s, %s, %s, %s}," % (hexf(ch), hexf(cl), hexf(sh), hexf(sl)))
print("};")
print()
print("} // namespace VIBREL_NS::cosine_parts")

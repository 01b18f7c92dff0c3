#!/usr/bin/env python3
"""Writes examples/74hc00-weak.kvx: the 74HC00 test cut down to the input pairs 00 and 11.

It passes the good chip but cannot see an input stuck at 1 (with 00 the other input already
holds the output at 1, with 11 the input is 1 anyway): `kvxtool grade` lists exactly those
eight faults. Run from anywhere: python3 examples/make_weak_test.py
"""
import sys

sys.dont_write_bytecode = True
from make_chip_tests import write_test  # noqa: E402


def hc00_weak():
    pins = {1: ("I", "A1"), 2: ("I", "B1"), 3: ("O", "Y1"), 4: ("I", "A2"), 5: ("I", "B2"), 6: ("O", "Y2"),
            7: ("GND", ""), 8: ("O", "Y3"), 9: ("I", "A3"), 10: ("I", "B3"), 11: ("O", "Y4"), 12: ("I", "A4"),
            13: ("I", "B4"), 14: ("VCC", "")}
    gates = [(1, 2, 3), (4, 5, 6), (9, 10, 8), (12, 13, 11)]
    rows = {n: [] for n in range(1, 15)}
    for t in range(4):
        for g, (a, b, y) in enumerate(gates):
            v = (t + g) % 2
            rows[a].append(v)
            rows[b].append(v)
            rows[y].append(0 if v else 1)
    write_test("74hc00-weak.kvx", "74HC00: только пары 00 и 11", pins, [], rows)


if __name__ == "__main__":
    hc00_weak()

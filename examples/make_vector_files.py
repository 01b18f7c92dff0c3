#!/usr/bin/env python3
"""Writes the vector files of the example chips (74hc00.vec, 74hc161.vec, 74hc595.vec).

One character per pin and step, pin 1 first: 0/1 drive an input, C clocks it (low, high,
low, then the outputs are compared), L/H expect an output, Z expects high impedance, X is
not compared, G/V are ground and supply. The expected levels come from each part's function
table, computed here step by step. `kvxtool import-vectors` makes a test of each file and
`kvxtool check-model` proves it on the model beside it (the map files name the pins, since
imported pins have no names). Run from anywhere: python3 examples/make_vector_files.py
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def write(path, header, pins, steps):
    """steps: list of {pin: char}; pins missing from a step are X."""
    lines = ["# " + l for l in header]
    for step in steps:
        lines.append(" ".join(step.get(n, "X") for n in range(1, pins + 1)))
    with open(os.path.join(HERE, path), "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def lh(bit):
    return "H" if bit else "L"


def hc00():
    gates = [(1, 2, 3), (4, 5, 6), (9, 10, 8), (12, 13, 11)]
    pairs = [(0, 0), (0, 1), (1, 0), (1, 1)]
    steps = []
    for t in range(8):
        s = {7: "G", 14: "V"}
        for g, (a, b, y) in enumerate(gates):
            av, bv = pairs[(t + g) % 4]
            s[a], s[b], s[y] = str(av), str(bv), lh(not (av and bv))
        steps.append(s)
    write("74hc00.vec", ["74HC00: four 2-input NAND gates, Y = not (A and B); every gate sees",
                         "every input pair twice. Pins: A1 B1 Y1 A2 B2 Y2 GND Y3 A3 B3 Y4 A4 B4 VCC"], 14, steps)


def hc161():
    # Pins: 1 nMR, 2 CP, 3..6 D0..D3, 7 CEP, 8 GND, 9 nPE, 10 CET, 11 Q3, 12 Q2, 13 Q1, 14 Q0, 15 TC, 16 VCC
    plan = [  # (nMR, nPE, CEP, CET, D, clocked, repeat)
        (0, 1, 0, 0, 0, False, 1),    # asynchronous reset, no clock
        (1, 0, 0, 0, 0xD, True, 1),   # load 13 without the count enables
        (1, 1, 1, 1, 0, True, 4),     # count 14, 15 (TC), 0, 1
        (1, 1, 0, 1, 0, True, 2),     # CEP low: hold
        (1, 0, 1, 1, 0xE, True, 1),   # load 14 takes precedence over counting
        (1, 1, 1, 1, 0, True, 1),     # 15: TC high
        (1, 1, 1, 0, 0, True, 2),     # CET low: hold at 15, TC low
        (1, 1, 0, 1, 0, True, 1),     # CEP low, CET high: hold, TC high again
        (1, 0, 1, 1, 0x0, True, 1),   # load 0
        (1, 1, 1, 1, 0, True, 16),    # every count 1..15, 0
        (1, 0, 0, 0, 0x5, True, 1),   # load 5
        (0, 0, 1, 1, 0x7, True, 1),   # reset takes precedence over load
        (1, 1, 1, 1, 0, True, 3),     # count 1, 2, 3
    ]
    q = 0
    steps = []
    for mr, pe, cep, cet, d, clocked, repeat in plan:
        for _ in range(repeat):
            if mr == 0:
                q = 0
            elif clocked:
                q = d if pe == 0 else (q + 1) % 16 if cep and cet else q
            s = {1: str(mr), 2: "C" if clocked else "0", 7: str(cep), 8: "G", 9: str(pe), 10: str(cet),
                 15: lh(cet and q == 15), 16: "V"}
            for b in range(4):
                s[3 + b] = str(d >> b & 1)
                s[14 - b] = lh(q >> b & 1)
            steps.append(s)
    write("74hc161.vec", ["74HC161: synchronous 4-bit counter; C on CP (pin 2) is one clock period.",
                          "Pins: nMR CP D0 D1 D2 D3 CEP GND nPE CET Q3 Q2 Q1 Q0 TC VCC"], 16, steps)


def hc595():
    # Pins: 1..7 QB..QH, 8 GND, 9 QH', 10 nSRCLR, 11 SRCK, 12 RCK, 13 nOE, 14 SER, 15 QA, 16 VCC
    q_pins = [15, 1, 2, 3, 4, 5, 6, 7]
    plan = [(0, 0, 0, 0, 0)]                      # (nSRCLR, shift, latch, nOE, SER): clear
    plan.append((1, 0, 1, 0, 0))                  # latch the cleared register: outputs low
    plan += [(1, 1, 0, 0, b) for b in [1, 0, 1, 1, 0, 0, 1, 0]]  # shift a pattern in; the outputs hold
    plan.append((1, 0, 1, 0, 0))                  # latch it
    plan += [(1, 1, 0, 1, b) for b in [0, 1, 1]]  # outputs off (Z) while shifting on
    plan.append((1, 0, 0, 0, 0))                  # outputs on: still the old latch
    plan.append((1, 1, 1, 0, 1))                  # shift and latch at once: the register before the shift
    plan.append((1, 0, 1, 0, 0))                  # latch again: now with the shifted bit
    plan.append((0, 0, 0, 0, 0))                  # clear: QH' low, the latch holds
    plan += [(1, 1, 0, 0, 1)] * 8 + [(1, 1, 0, 0, 0)] * 2   # ones run through to QH'
    plan.append((1, 0, 1, 0, 0))
    sr, latch = 0, None
    steps = []
    for clr, shift, latch_it, oe, ser in plan:
        old = sr
        if clr == 0:
            sr = 0
        elif shift:
            sr = ((sr << 1) | ser) & 0xFF
        if latch_it:
            latch = old if clr else sr
        s = {8: "G", 16: "V", 9: lh(sr >> 7 & 1), 10: str(clr), 11: "C" if shift else "0",
             12: "C" if latch_it else "0", 13: str(oe), 14: str(ser)}
        for b, n in enumerate(q_pins):
            s[n] = "Z" if oe else "X" if latch is None else lh(latch >> b & 1)
        steps.append(s)
    write("74hc595.vec", ["74HC595: shift register with an output latch; C on SRCK (pin 11) shifts,",
                          "C on RCK (pin 12) latches, nOE high turns QA..QH off (Z).",
                          "Pins: QB QC QD QE QF QG QH GND QH' nSRCLR SRCK RCK nOE SER QA VCC"], 16, steps)


if __name__ == "__main__":
    hc00()
    hc161()
    hc595()

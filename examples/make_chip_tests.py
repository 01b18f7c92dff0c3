#!/usr/bin/env python3
"""Writes the tests of real chips in examples/ (74hc00.kvx, 74hc161.kvx, 74hc595.kvx).

The expected levels come from each part's function table, computed here tact by tact; the
Verilog models beside the tests are written separately, and `kvxtool check-model` proves each
test on its model. Run from anywhere: python3 examples/make_chip_tests.py
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
Z = None  # an inactive level: not driven, not compared


def cp866(text):
    return text.encode("cp866")


def write_test(path, name, pins, words, rows, radix=16, duration=2):
    """pins: {n: (type, name)}; words: [(name, [rows], direction)]; rows: {row: [levels]}."""
    count = len(pins)
    tacts = len(next(iter(rows.values())))
    lines = ["Тип корпуса=DIP%d" % count]
    lines += ["%d=%s" % (n, pins[n][0]) for n in range(1, count + 1)]
    lines += ["Число Тестов=1", 'Тест0="%s"' % name, "Слов Данных=%d" % len(words)]
    if words:
        lines.append("СистемаСчисления=%d" % radix)
    for wname, members, direction in words:
        lines.append("%s=%d|%d" % (wname, len(members), direction))
        lines += [str(m) for m in members]
    signals = []
    for n in range(1, count + 1):
        ptype, pname = pins[n]
        if ptype in ("NC", "VCC", "GND"):
            continue
        signals.append(("i" if ptype.startswith("I") else "o", n, pname, n))
        if ptype == "I/O":
            signals.append(("o", n, pname, n + 50))
    lines += ["Число Тактов=%d" % tacts, "Число сигналов управления=%d" % len(signals)]
    for prefix, n, pname, row in signals:
        levels = rows.get(row, [Z] * tacts)
        assert len(levels) == tacts, (path, row)
        lines.append("%s%d=%s" % (prefix, n, pname))
        lines.append("".join({0: "_", 1: "-", Z: "*"}[v] for v in levels))
    lines += ["АлгоритмТестирования=0", "Конец Файла", "Дополнительные парметры:( uhul, gen)",
              str(102 * 256 + 41), str(duration), "Файл описания:", ""]
    with open(os.path.join(HERE, path), "wb") as f:
        f.write(b"".join(cp866(l) + b"\r\n" for l in lines))


def hc00():
    """Four NAND gates: Y = not (A and B); each gate sees every input pair twice."""
    pins = {1: ("I", "A1"), 2: ("I", "B1"), 3: ("O", "Y1"), 4: ("I", "A2"), 5: ("I", "B2"), 6: ("O", "Y2"),
            7: ("GND", ""), 8: ("O", "Y3"), 9: ("I", "A3"), 10: ("I", "B3"), 11: ("O", "Y4"), 12: ("I", "A4"),
            13: ("I", "B4"), 14: ("VCC", "")}
    gates = [(1, 2, 3), (4, 5, 6), (9, 10, 8), (12, 13, 11)]
    pairs = [(0, 0), (0, 1), (1, 0), (1, 1)]
    rows = {n: [] for n in range(1, 15)}
    for t in range(9):
        for g, (a, b, y) in enumerate(gates):
            if t == 8:  # inputs left open: the outputs are not compared
                av = bv = yv = Z
            else:
                av, bv = pairs[(t + g) % 4]
                yv = 0 if av and bv else 1
            rows[a].append(av)
            rows[b].append(bv)
            rows[y].append(yv)
    write_test("74hc00.kvx", "74HC00: четыре элемента 2И-НЕ", pins, [], rows)


def hc161():
    """Synchronous 4-bit counter: asynchronous reset, synchronous load, count enables CEP and
    CET, terminal count TC = CET and Q = 15. One clock period is two tacts (CP low, CP high)."""
    pins = {1: ("I", "nMR"), 2: ("I", "CP"), 3: ("I", "D0"), 4: ("I", "D1"), 5: ("I", "D2"), 6: ("I", "D3"),
            7: ("I", "CEP"), 8: ("GND", ""), 9: ("I", "nPE"), 10: ("I", "CET"), 11: ("O", "Q3"), 12: ("O", "Q2"),
            13: ("O", "Q1"), 14: ("O", "Q0"), 15: ("O", "TC"), 16: ("VCC", "")}
    # One step per clock period: (nMR, nPE, CEP, CET, D, cycles); nMR only low in the first tact
    # when marked "pulse" (an asynchronous reset while the clock is high).
    steps = [
        (0, 1, 0, 0, 0, 1),        # reset
        (1, 0, 0, 0, 0xD, 1),      # load 13 without the count enables
        (1, 1, 1, 1, 0, 4),        # count 14, 15 (TC), 0, 1
        (1, 1, 0, 1, 0, 2),        # CEP low: hold
        (1, 0, 1, 1, 0xE, 1),      # load 14 takes precedence over counting
        (1, 1, 1, 1, 0, 1),        # 15: TC high
        (1, 1, 1, 0, 0, 2),        # CET low: hold at 15, TC low
        (1, 1, 0, 1, 0, 1),        # CEP low, CET high: hold, TC high again
        (1, 0, 1, 1, 0x0, 1),      # load 0
        (1, 1, 1, 1, 0, 16),       # every count 1..15, 0
        (1, 0, 0, 0, 0x5, 1),      # load 5
        (1, 0, 1, 1, 0xA, 1),      # load 10
        ("pulse", 1, 1, 1, 0, 1),  # reset while the clock is high
        (0, 0, 1, 1, 0x7, 1),      # reset takes precedence over load
        (1, 1, 1, 1, 0, 3),        # count 1, 2, 3
    ]
    names = ["nMR", "CP", "D0", "D1", "D2", "D3", "CEP", "nPE", "CET", "Q0", "Q1", "Q2", "Q3", "TC"]
    pin_of = {pins[n][1]: n for n in pins if pins[n][1]}
    rows = {pin_of[k]: [] for k in names}
    q = None
    prev_cp = None
    for mr, pe, cep, cet, d, cycles in steps:
        for _ in range(cycles):
            for cp in (0, 1):
                nmr = (0 if cp == 1 else 1) if mr == "pulse" else mr
                if nmr == 0:
                    q = 0
                elif prev_cp == 0 and cp == 1:
                    if pe == 0:
                        q = d
                    elif cep and cet:
                        q = (q + 1) % 16
                prev_cp = cp
                levels = {"nMR": nmr, "CP": cp, "CEP": cep, "nPE": pe, "CET": cet,
                          "TC": 1 if cet and q == 15 else 0}
                for b in range(4):
                    levels["D%d" % b] = d >> b & 1
                    levels["Q%d" % b] = q >> b & 1
                for k in names:
                    rows[pin_of[k]].append(levels[k])
    words = [("D", [3, 4, 5, 6], 0), ("Q", [14, 13, 12, 11], 1)]
    write_test("74hc161.kvx", "74HC161: синхронный двоичный счетчик", pins, words, rows)


def hc595():
    """8-bit shift register with an output latch: SER shifts in on the rising edge of SRCK,
    nSRCLR clears the shift register at once, the rising edge of RCK copies the shift register
    into the latch (the value before a shift of the same edge), nOE high turns the outputs QA..QH
    off (not compared); QH' is the last stage of the shift register and is never turned off."""
    pins = {1: ("O", "QB"), 2: ("O", "QC"), 3: ("O", "QD"), 4: ("O", "QE"), 5: ("O", "QF"), 6: ("O", "QG"),
            7: ("O", "QH"), 8: ("GND", ""), 9: ("O", "QHS"), 10: ("I", "nSRCLR"), 11: ("I", "SRCK"),
            12: ("I", "RCK"), 13: ("I", "nOE"), 14: ("I", "SER"), 15: ("O", "QA"), 16: ("VCC", "")}
    q_pins = [15, 1, 2, 3, 4, 5, 6, 7]  # QA..QH
    # Tacts as (nSRCLR, SRCK, RCK, nOE, SER).
    tacts = []
    def pulse(srck, rck, ser=0, oe=0, clr=1):
        tacts.append((clr, 0, 0, oe, ser))
        tacts.append((clr, srck, rck, oe, ser))
    tacts.append((0, 0, 0, 0, 0))           # clear the shift register
    pulse(0, 1)                              # latch the cleared register: outputs 0
    for bit in [1, 0, 1, 1, 0, 0, 1, 0]:     # shift in a pattern; the outputs hold
        pulse(1, 0, bit)
    pulse(0, 1)                              # latch it
    for bit in [0, 1, 1]:                    # outputs off while shifting on
        pulse(1, 0, bit, oe=1)
    tacts.append((1, 0, 0, 0, 0))            # outputs on: still the old latch
    pulse(1, 1, 1)                           # shift and latch on one edge: the latch gets the register before the shift
    pulse(0, 1)                              # latch again: now with the shifted bit
    tacts.append((0, 0, 0, 0, 0))            # clear: QH' low, the latch holds
    pulse(0, 1, clr=1)                       # latch the cleared register
    for bit in [1] * 8 + [0] * 2:            # ones run through to QH'
        pulse(1, 0, bit)
    pulse(0, 1)
    sr = None
    latch = None
    prev = (None, None)
    rows = {n: [] for n in range(1, 17)}
    for clr, srck, rck, oe, ser in tacts:
        old = sr
        if clr == 0:
            sr = 0
        elif prev[0] == 0 and srck == 1:
            sr = ((sr << 1) | ser) & 0xFF
        if prev[1] == 0 and rck == 1:
            latch = old if clr else sr
        prev = (srck, rck)
        rows[10].append(clr)
        rows[11].append(srck)
        rows[12].append(rck)
        rows[13].append(oe)
        rows[14].append(ser)
        rows[9].append(Z if sr is None else sr >> 7 & 1)
        for b, n in enumerate(q_pins):
            rows[n].append(Z if oe or latch is None else latch >> b & 1)
    words = [("Q", q_pins, 1)]
    write_test("74hc595.kvx", "74HC595: сдвиговый регистр с регистром хранения", pins, words, rows)


if __name__ == "__main__":
    hc00()
    hc161()
    hc595()

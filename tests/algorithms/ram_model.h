#pragma once
// The RAM test written out literally, cell by cell, with getCell, setCell, setTactCount and
// setWordValue: the reference the expansion is tested and measured against.

#include <vector>

#include "algorithms/expansion.h"

namespace kvx::algorithms::reference {

inline void modelCopyTact(model::TestDocument& d, int from, int to, int lastRow) {
    for (int r = 1; r <= lastRow; ++r) d.setCell(0, r, to, d.getCell(0, r, from));
}

inline void modelRam(model::TestDocument& d) {
    const auto a = d.algorithm(model::Algorithm::Ram);
    // Read cycle first: read 1..writeAddressTact - 1, write the rest. Write cycle first (its
    // start tact before the read start tact R): write 1..R - 1, read R..L.
    const bool writeFirst = a.writeStartTact < a.startTact;
    const long long L = d.baseTactCount();
    const long long rFirst = writeFirst ? a.startTact : 1, rLast = writeFirst ? L : a.writeAddressTact - 1;
    const long long wFirst = writeFirst ? 1 : rLast + 1, wLast = writeFirst ? a.startTact - 1 : L;
    const long long Rl = rLast - rFirst + 1, Wl = wLast - wFirst + 1;
    const long long n = d.dataWords()[a.addressWord].memberCount(), m = d.dataWords()[a.dataWord].memberCount();
    const long long B = static_cast<long long>(a.startAddress), E = static_cast<long long>(a.endAddress);
    const long long G = (n + 1) * L + n * (2 * Wl + (n + 1) * Rl) + (n + 1) * Wl + n * Rl +
                        (n + 1) * (2 * Wl + (n + 1) * Rl) + 2 * (m + 1) * L + 2 * (E - B + 1) * L;
    d.setTactCount(static_cast<int>(L + G));
    int out = static_cast<int>(L) + 1;
    auto W = [&](unsigned long long address, unsigned long long data) {
        for (int t = static_cast<int>(wFirst); t <= wLast; ++t, ++out) {
            modelCopyTact(d, t, out, 100);
            if (a.writeAddressTact <= t && t <= a.writeAddressTact + a.writeAddressTactCount - 1)
                words::setWordValue(d, a.writeAddressWord, out, address);
            if (t == a.writeDataTact) words::setWordValue(d, a.writeDataWord, out, data);
        }
    };
    auto R = [&](unsigned long long address, unsigned long long expected) {
        for (int t = static_cast<int>(rFirst); t <= rLast; ++t, ++out) {
            modelCopyTact(d, t, out, 100);
            if (a.addressTact <= t && t <= a.addressTact + a.addressTactCount - 1)
                words::setWordValue(d, a.addressWord, out, address);
            if (t == a.dataTact) words::setWordValue(d, a.dataWord, out, expected);
        }
    };
    std::vector<unsigned long long> walk = {0, 1};
    while (walk.size() < 80) walk.push_back(walk.back() * 2);
    const unsigned long long M = (1ull << (n + 1)) - 1;
    for (int j = 0; j <= n; ++j) W(walk[j], 0);
    for (int j = 0; j <= n; ++j) R(walk[j], 0);
    for (int j = 0; j <= n - 1; ++j) {
        W(walk[j], M);
        for (int i = 0; i <= n; ++i) R(walk[i], i == j ? M : 0);
        W(walk[j], 0);
    }
    for (int j = 0; j <= n; ++j) W(M - walk[j], 0);
    for (int j = 0; j <= n - 1; ++j) R(M - walk[j], 0);
    for (int j = 0; j <= n; ++j) {
        W(M - walk[j], M);
        for (int i = 0; i <= n; ++i) R(M - walk[i], i == j ? M : 0);
        W(M - walk[j], 0);
    }
    for (int j = 0; j <= m; ++j) W(0, walk[j]), R(0, walk[j]);
    for (int j = 0; j <= m; ++j) W(0, M - walk[j]), R(0, M - walk[j]);
    unsigned long long D1 = 1, D2 = 0;
    for (int q = 0; q <= m; ++q)
        if (q % 2 == 0) D1 += 1ull << (q + 1);
    for (int q = 1; q <= m; ++q)
        if (q % 2 == 1) D2 += 1ull << q;
    for (unsigned long long D : {D1, D2}) {
        for (long long i = 0; i <= E - B; ++i) W(B + i, D);
        for (long long i = 0; i <= E - B; ++i) R(B + i, D);
    }
}

}  // namespace kvx::algorithms::reference

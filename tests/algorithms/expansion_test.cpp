// The expansions against a literal model written cell by cell with getCell, setCell,
// setTactCount and setWordValue, on random small documents (a RAM test drawn write cycle first
// also against the same cycles drawn read cycle first); the hand-computed cases; and the
// refusal of expansions that would pass the largest tact count.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "algorithms/expansion.h"
#include "ram_model.h"

namespace kvx::algorithms {
namespace {

using model::Algorithm;
using model::TestDocument;
using words::setWordValue;
using reference::modelRam;

// ---- the model ---------------------------------------------------------------------------

void modelCyclic(TestDocument& d) {
    const auto& a = d.algorithm(Algorithm::Cyclic);
    const int S = a.startTact, E = a.endTact, C = a.cycleCount, P = E - S + 1;
    const int T = E + P * (C - 1);
    if (d.tactCount() < T + 1) d.setTactCount(T);
    for (int k = 1; k <= C - 1; ++k)
        for (int t = S; t <= E; ++t)
            for (int r = 1; r <= 96; ++r) d.setCell(0, r, t + P * k, d.getCell(0, r, t));
}

void modelRom(TestDocument& d) {
    const auto rom = d.algorithm(Algorithm::Rom);
    const int L = d.baseTactCount(), S = rom.romStartTact, TA = rom.addressTact;
    const int B = static_cast<int>(rom.startAddress), E = static_cast<int>(rom.endAddress), N = E - B + 1;
    auto& cyc = d.algorithm(Algorithm::Cyclic);
    cyc.startTact = S;
    cyc.endTact = L;
    cyc.cycleCount = N;
    modelCyclic(d);
    const int last = (S - 1) + TA + N * L - 1;
    if (d.tactCount() < last) d.setTactCount(last);
    for (int i = 0; i <= E - B; ++i)
        for (int j = 0; j <= L - 1; ++j) setWordValue(d, rom.addressWord, (S - 1) + TA + i * L + j, B + i);
}

/// A RAM test drawn write cycle first, expanded as the same two cycles drawn read cycle first
/// (the write address from the first tact of the write cycle, so that the read-first drawing
/// splits there): the generated tacts must be the same, the drawn ones and the settings stay.
void modelRamDrawnReadFirst(TestDocument& d) {
    const auto a = d.algorithm(Algorithm::Ram);
    const int L = d.baseTactCount(), Wl = a.startTact - 1, Rl = L - Wl;
    TestDocument r = d;
    for (int row = 0; row <= 100; ++row)
        for (int t = 1; t <= L; ++t) r.setCell(0, row, t, d.getCell(0, row, t <= Rl ? t + Wl : t - Rl));
    auto& b = r.algorithm(Algorithm::Ram);
    b.startTact = 1, b.writeStartTact = Rl + 1;
    b.addressTact -= Wl, b.dataTact -= Wl;
    b.writeAddressTact += Rl, b.writeDataTact += Rl;
    modelRam(r);
    for (int row = 0; row <= 100; ++row)
        for (int t = 1; t <= L; ++t) r.setCell(0, row, t, d.getCell(0, row, t));
    r.algorithms() = d.algorithms();
    d = r;
}

// ---- random small documents ----------------------------------------------------------------

struct Random {
    std::mt19937 rng;
    int operator()(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); }
};

model::DataWord word(Random& rnd, int members, int pins) {
    model::DataWord w;
    w.wordName = "W";
    for (int k = 0; k < members; ++k) w.addMember(rnd(1, pins));  // rows may repeat
    return w;
}

/// A drawn diagram of L tacts with random levels, hidden levels behind it, and two words.
TestDocument randomDocument(Random& rnd, int L) {
    TestDocument d;
    d.setPackage({model::PackageType::DIP, 16});
    const int hidden = L + rnd(0, 12);
    d.setTactCount(hidden);
    for (int r = 1; r <= 100; ++r)
        for (int t = 1; t <= hidden; ++t) d.setCell(0, r, t, static_cast<model::CellLevel>(rnd(0, 2)));
    d.setTactCount(L);
    d.dataWords() = {word(rnd, rnd(0, 4), 16), word(rnd, rnd(1, 3), 16), word(rnd, rnd(1, 3), 16)};
    return d;
}

void expectSameDocument(const TestDocument& got, const TestDocument& want, const std::string& what) {
    ASSERT_EQ(got.tactCount(), want.tactCount()) << what;
    EXPECT_EQ(got.baseTactCount(), want.baseTactCount()) << what;
    EXPECT_EQ(got.tactHighWater(), want.tactHighWater()) << what;
    EXPECT_EQ(got.algorithms(), want.algorithms()) << what;
    for (int r = 0; r <= 100; ++r)
        for (int t = 1; t <= want.tactCount(); ++t)
            ASSERT_EQ(got.getCell(0, r, t), want.getCell(0, r, t)) << what << " row " << r << " tact " << t;
}

/// The words and addresses of a random RAM test: address word 0..2, data word 1..2, 0..9 and
/// up to four more addresses.
void randomRamWords(Random& rnd, model::AlgorithmSettings& a) {
    a.addressWord = rnd(0, 2);
    a.dataWord = rnd(1, 2);
    a.writeAddressWord = rnd(0, 2);
    a.writeDataWord = rnd(0, 2);
    a.startAddress = static_cast<std::uint64_t>(rnd(0, 9));
    a.endAddress = a.startAddress + static_cast<std::uint64_t>(rnd(0, 4));
}

TEST(Expansion, RandomDocumentsMatchTheModel) {
    struct Case {
        const char* name;
        unsigned seed;
        int runs;
        TestDocument (*configure)(Random&);
        void (*model)(TestDocument&);
        bool (*expand)(TestDocument&);
    };
    const Case cases[] = {
        {"cyclic", 11, 60, [](Random& rnd) {
             TestDocument d = randomDocument(rnd, rnd(1, 20));
             auto& a = d.algorithm(Algorithm::Cyclic);
             a.startTact = rnd(1, d.tactCount() + 3);
             a.endTact = a.startTact + rnd(0, 6);
             a.cycleCount = rnd(1, 5);
             return d;
         }, modelCyclic, ExpandCyclic},
        {"ROM", 12, 60, [](Random& rnd) {
             TestDocument d = randomDocument(rnd, rnd(1, 12));
             auto& a = d.algorithm(Algorithm::Rom);
             a.romStartTact = rnd(1, d.tactCount() + 2);
             a.addressTact = rnd(1, 5);
             a.addressWord = rnd(0, 2);
             a.startAddress = static_cast<std::uint64_t>(rnd(0, 20));
             a.endAddress = a.startAddress + static_cast<std::uint64_t>(rnd(0, 6));
             return d;
         }, modelRom, ExpandRom},
        {"RAM", 13, 40, [](Random& rnd) {
             const int L = rnd(1, 10);
             TestDocument d = randomDocument(rnd, L);
             auto& a = d.algorithm(Algorithm::Ram);
             a.writeAddressTact = rnd(1, L + 1);
             a.writeAddressTactCount = rnd(1, 4);
             a.writeDataTact = rnd(1, L + 1);
             a.addressTact = rnd(1, L);
             a.addressTactCount = rnd(1, 4);
             a.dataTact = rnd(1, L);
             randomRamWords(rnd, a);
             a.startTact = rnd(1, 3);  // read cycle first, or both starts equal: split at the write address
             a.writeStartTact = a.startTact + rnd(0, 3);
             return d;
         }, modelRam, ExpandRam},
        {"RAM drawn write cycle first", 15, 40, [](Random& rnd) {
             const int L = rnd(1, 10);
             TestDocument d = randomDocument(rnd, L);
             auto& a = d.algorithm(Algorithm::Ram);
             a.startTact = rnd(2, L + 1);  // the read cycle may be empty
             a.writeStartTact = rnd(1, a.startTact - 1);
             a.writeAddressTact = rnd(1, L + 1);
             a.writeAddressTactCount = rnd(1, 4);
             a.writeDataTact = rnd(1, L + 1);
             a.addressTact = rnd(1, L);
             a.addressTactCount = rnd(1, 4);
             a.dataTact = rnd(1, L);
             randomRamWords(rnd, a);
             return d;
         }, modelRam, ExpandRam},
        {"RAM cycles drawn in either order", 16, 40, [](Random& rnd) {
             const int Wl = rnd(1, 5), Rl = rnd(0, 5);
             TestDocument d = randomDocument(rnd, Wl + Rl);
             auto& a = d.algorithm(Algorithm::Ram);
             a.writeStartTact = 1, a.startTact = Wl + 1;
             a.writeAddressTact = 1;
             a.writeAddressTactCount = rnd(1, Wl);
             a.writeDataTact = rnd(1, Wl);
             a.addressTact = Wl + rnd(1, std::max(1, Rl));
             a.addressTactCount = rnd(1, 4);
             a.dataTact = Wl + rnd(1, std::max(1, Rl));
             randomRamWords(rnd, a);
             return d;
         }, modelRamDrawnReadFirst, ExpandRam},
    };
    for (const Case& c : cases) {
        Random rnd{std::mt19937(c.seed)};
        for (int run = 0; run < c.runs; ++run) {
            TestDocument d = c.configure(rnd);
            TestDocument want = d;
            c.model(want);
            ASSERT_TRUE(c.expand(d)) << c.name << " run " << run;
            expectSameDocument(d, want, std::string(c.name) + " run " + std::to_string(run));
        }
    }
}

TEST(Expansion, RamWithAnAddressWordOf34MembersMatchesTheModel) {
    // M = 2^35 - 1 and the walking addresses beyond 2^31 need 64 bits.
    Random rnd{std::mt19937(14)};
    TestDocument d = randomDocument(rnd, 4);
    d.setPackage({model::PackageType::DIP, 40});
    model::DataWord wide;
    for (int r = 1; r <= 34; ++r) wide.addMember(r);
    d.dataWords()[0] = wide;
    auto& a = d.algorithm(Algorithm::Ram);
    a.writeAddressTact = 3;
    a.writeDataTact = 4;
    a.addressWord = 0;
    a.writeAddressWord = 0;
    a.dataWord = 1;
    a.writeDataWord = 0;  // M goes to a data word of 34 members too
    a.startAddress = 0;
    a.endAddress = 1;
    TestDocument want = d;
    modelRam(want);
    ASSERT_TRUE(ExpandRam(d));
    expectSameDocument(d, want, "34-bit RAM");
    // Phases 1 and 2 take 35 cycles of 2 tacts each; the first W of phase 3 writes M on its data tact.
    EXPECT_EQ(words::wordValue(d, 0, 5 + 70 + 70 + 1), allOnes(34));
}

// ---- hand-computed cases -------------------------------------------------------------------

TEST(Expansion, CyclicThreeToFiveThreeTimes) {
    TestDocument d;
    for (int t = 1; t <= 26; ++t)
        for (int r : {1, 96, 97, 100}) d.setCell(0, r, t, static_cast<model::CellLevel>(t % 2));
    d.setCell(0, 1, 4, 2);
    auto& a = d.algorithm(Algorithm::Cyclic);
    a.startTact = 3, a.endTact = 5, a.cycleCount = 3;
    ASSERT_TRUE(ExpandCyclic(d));
    EXPECT_EQ(d.tactCount(), 26);
    const std::vector<int> row1 = {1, 2, 1, 1, 2, 1, 1, 2, 1};  // tacts 3..11
    for (int t = 3; t <= 11; ++t) {
        EXPECT_EQ(d.getCell(0, 1, t), row1[static_cast<size_t>(t - 3)]) << t;
        EXPECT_EQ(d.getCell(0, 97, t), t % 2) << "row 97 keeps its levels, tact " << t;
    }
    EXPECT_EQ(d.getCell(0, 1, 12), 0);  // behind the copies nothing changed
    a.cycleCount = 1;
    const TestDocument before = d;
    ASSERT_TRUE(ExpandCyclic(d));
    expectSameDocument(d, before, "C = 1");
}

TEST(Expansion, RomAddressFiveOnFourMembers) {
    TestDocument d;
    d.setTactCount(4);
    model::DataWord w;
    for (int r : {3, 1, 4, 2}) w.addMember(r);
    d.dataWords() = {w};
    auto& a = d.algorithm(Algorithm::Rom);
    a.romStartTact = 1, a.addressTact = 2, a.addressWord = 0, a.startAddress = 5, a.endAddress = 5;
    ASSERT_TRUE(ExpandRom(d));
    EXPECT_EQ(d.tactCount(), 5);  // (S - 1) + TA + 1·L - 1
    for (int t = 2; t <= 5; ++t) {
        EXPECT_EQ(d.getCell(0, 3, t), 1);
        EXPECT_EQ(d.getCell(0, 1, t), 0);
        EXPECT_EQ(d.getCell(0, 4, t), 1);
        EXPECT_EQ(d.getCell(0, 2, t), 0);
    }
    EXPECT_EQ(d.getCell(0, 3, 1), 2);
    EXPECT_EQ(d.algorithm(Algorithm::Cyclic).cycleCount, 1);
    EXPECT_EQ(d.algorithm(Algorithm::Cyclic).endTact, 4);
}

TEST(Expansion, Arithmetic) {
    EXPECT_EQ(walkingAddress(0), 0u);
    EXPECT_EQ(walkingAddress(1), 1u);
    EXPECT_EQ(walkingAddress(4), 8u);
    EXPECT_EQ(walkingAddress(33), 1ull << 32);
    EXPECT_EQ(walkingAddress(64), 1ull << 63);
    EXPECT_EQ(walkingAddress(65), 0u);
    EXPECT_EQ(allOnes(2), 3u);  // n = 1: M = 3
    EXPECT_EQ(allOnes(32), 0xFFFFFFFFu);
    EXPECT_EQ(allOnes(64), ~0ull);
    EXPECT_EQ(allOnes(100), ~0ull);
    EXPECT_EQ(ramPattern1(8) & 0xFF, 0xABu);
    EXPECT_EQ(ramPattern2(8), 0xAAu);
    // n = 1, m = 1, Rl = 2, Wl = 3, one address: 2·5 + 1·(6 + 4) + 2·3 + 2 + 2·(6 + 4) + 4·5 + 2·5.
    EXPECT_EQ(ramGeneratedTacts(2, 3, 1, 1, 1), 78u);
    EXPECT_EQ(ramGeneratedTacts(2, 3, 1, 1, ~0ull), ~0ull);
}

// ---- refusal -------------------------------------------------------------------------------

TEST(Expansion, TooLongExpansionsAreRefusedAndChangeNothing) {
    struct Case {
        const char* name;
        void (*configure)(TestDocument&);
        bool (*expand)(TestDocument&);
    };
    const Case cases[] = {
        {"cyclic 65000 x 65000", [](TestDocument& d) {
             auto& a = d.algorithm(Algorithm::Cyclic);
             a.startTact = 1, a.endTact = 65000, a.cycleCount = 65000;
         }, ExpandCyclic},
        {"ROM over 2^64 addresses", [](TestDocument& d) {
             auto& a = d.algorithm(Algorithm::Rom);
             a.startAddress = 0, a.endAddress = ~0ull, a.addressTact = 1;
         }, ExpandRom},
        {"RAM over 0..FFFFF", [](TestDocument& d) {
             auto& a = d.algorithm(Algorithm::Ram);
             a.writeAddressTact = 10, a.startAddress = 0, a.endAddress = 0xFFFFF;
         }, ExpandRam},
        {"RAM over 2^64 addresses", [](TestDocument& d) {
             auto& a = d.algorithm(Algorithm::Ram);
             a.writeAddressTact = 10, a.startAddress = 0, a.endAddress = ~0ull;
         }, ExpandRam},
    };
    for (const Case& c : cases) {
        TestDocument d;
        model::DataWord w;
        for (int r = 1; r <= 20; ++r) w.addMember(r);
        d.dataWords() = {w};
        d.setCell(0, 1, 3, model::kHigh);
        c.configure(d);
        d.setSaved(true);
        std::vector<std::string> errors;
        d.events().error = [&](const std::string& e) { errors.push_back(e); };
        const TestDocument before = d;
        EXPECT_FALSE(c.expand(d)) << c.name;
        EXPECT_EQ(errors, std::vector<std::string>{"Error DiagrSize"}) << c.name;
        EXPECT_TRUE(d.saved()) << c.name;
        expectSameDocument(d, before, c.name);
    }
}

}  // namespace
}  // namespace kvx::algorithms

#include <gtest/gtest.h>

#include "app/recent_files.h"

using kvx::app::RecentFiles;

namespace {

RecentFiles listOf(std::vector<std::string> e) {
    RecentFiles r;
    r.setEntries(e);
    return r;
}

std::vector<std::string> entries(const RecentFiles& r) { return {r.entries().begin(), r.entries().end()}; }

}  // namespace

TEST(RecentFiles, NewPathGoesToTopAndOldestDropsOut) {
    auto r = listOf({"a.kvx", "b.kvx", "c.kvx", "d.kvx"});
    r.moveToTop("e.kvx");
    EXPECT_EQ(entries(r), (std::vector<std::string>{"e.kvx", "a.kvx", "b.kvx", "c.kvx"}));
}

TEST(RecentFiles, PathAlreadyInListMovesUpAndListKeepsFour) {
    auto r = listOf({"a.kvx", "b.kvx", "c.kvx", "d.kvx"});
    r.moveToTop("b.kvx");
    EXPECT_EQ(entries(r), (std::vector<std::string>{"b.kvx", "a.kvx", "c.kvx", "d.kvx"}));
    r.moveToTop("d.kvx");
    EXPECT_EQ(entries(r), (std::vector<std::string>{"d.kvx", "b.kvx", "a.kvx", "c.kvx"}));
    r.moveToTop("d.kvx");  // already on top: nothing moves
    EXPECT_EQ(entries(r), (std::vector<std::string>{"d.kvx", "b.kvx", "a.kvx", "c.kvx"}));
}

TEST(RecentFiles, FreeEntriesFillFromTheTop) {
    RecentFiles r;
    EXPECT_EQ(entries(r), (std::vector<std::string>{"", "", "", ""}));
    r.moveToTop("x.kvx");
    r.moveToTop("y.rsq");
    EXPECT_EQ(entries(r), (std::vector<std::string>{"y.rsq", "x.kvx", "", ""}));
    r.moveToTop("");  // an empty path is never stored
    EXPECT_EQ(entries(r), (std::vector<std::string>{"y.rsq", "x.kvx", "", ""}));
}

TEST(RecentFiles, DuplicatesAreAllRemovedAndTheFreedPlaceStaysEmpty) {
    auto r = listOf({"a.kvx", "b.kvx", "a.kvx", "c.kvx"});
    r.moveToTop("a.kvx");
    EXPECT_EQ(entries(r), (std::vector<std::string>{"a.kvx", "b.kvx", "c.kvx", ""}));
}

TEST(RecentFiles, ComparisonIsExact) {
    auto r = listOf({"/t/A.kvx", "", "", ""});
    r.moveToTop("/t/a.kvx");
    EXPECT_EQ(entries(r), (std::vector<std::string>{"/t/a.kvx", "/t/A.kvx", "", ""}));
}

TEST(RecentFiles, SetEntriesTakesAtMostFour) {
    auto r = listOf({"1", "2", "3", "4", "5"});
    EXPECT_EQ(entries(r), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(r.entry(4), "");
    EXPECT_EQ(r.entry(-1), "");
    r.setEntries({"only"});
    EXPECT_EQ(entries(r), (std::vector<std::string>{"only", "", "", ""}));
}

// Help file choice, version texts and dialog filters.
#include <gtest/gtest.h>

#include <set>

#include "platform/file_filter.h"
#include "app/help_files.h"
#include "platform/prompter.h"
#include "app/version.h"
#include "version_info.h"

using namespace kvx::app;
namespace platform = kvx::platform;

TEST(HelpFiles, OwnHelpFilesWinOverTheGuideWhenPresent) {
    const ProgramLocation program{"/opt/kvx", "KVX_Edit"};
    std::set<std::string> present = {"/opt/kvx/HELPEDITOR.HLP", "/opt/kvx/KVX_Edit.chm"};
    auto exists = [&](const std::string& p) { return present.count(p) > 0; };
    EXPECT_EQ(helpDocumentPath(HelpCommand::Key, program, exists), "/opt/kvx/HELPEDITOR.HLP");
    EXPECT_EQ(helpDocumentPath(HelpCommand::Topics, program, exists), "/opt/kvx/KVX_Edit.chm");
    present.clear();
    EXPECT_EQ(helpDocumentPath(HelpCommand::Key, program, exists), "/opt/kvx/KVX_Edit_guide.html");
    EXPECT_EQ(helpDocumentPath(HelpCommand::Topics, program, exists), "/opt/kvx/KVX_Edit_guide.html");
}

TEST(HelpFiles, TheChmFileIsNamedAfterTheProgram) {
    const ProgramLocation renamed{"C:\\Tools\\", "Editor2"};
    std::string asked;
    auto exists = [&](const std::string& p) {
        if (asked.empty()) asked = p;
        return true;
    };
    EXPECT_EQ(helpDocumentPath(HelpCommand::Topics, renamed, exists), "C:\\Tools\\Editor2.chm");
    EXPECT_EQ(asked, "C:\\Tools\\Editor2.chm");
    EXPECT_EQ(joinPath("", "a.html"), "a.html");
    EXPECT_EQ(joinPath("/x", "a.html"), "/x/a.html");
}

// On Windows the values come from the version block the build puts into the program file.
TEST(Version, KnownNamesGiveBuildDataAndOthersAreEmpty) {
    EXPECT_EQ(readVersionValue("FileVersion"), KVX_VERSION_STRING);
    EXPECT_FALSE(readVersionValue("FileVersion").empty());
    EXPECT_EQ(readVersionValue("LegalCopyright"), KVX_COPYRIGHT);
    EXPECT_EQ(readVersionValue("Support"), KVX_SUPPORT);
    EXPECT_EQ(readVersionValue("Email"), KVX_EMAIL);
    EXPECT_EQ(readVersionValue("ProductName"), "Редактор KVX");
#ifndef _WIN32
    EXPECT_EQ(readVersionValue("fileversion"), "");  // names compare exactly (Windows ignores case)
#endif
    EXPECT_EQ(readVersionValue(""), "");
    EXPECT_EQ(readVersionValue("Comments"), "");
}

TEST(FileFilter, TestFileFilterBecomesQtSyntax) {
    EXPECT_EQ(platform::toQtFilter(platform::kTestFileFilter), "AllTest (*.kvx *.rsq);;KVX (*.kvx);;RSQ (*.rsq)");
}

TEST(FileFilter, DescriptionsThatNameTheirPatternsAreKept) {
    EXPECT_EQ(platform::toQtFilter("Все файлы (*.*)|*.*|Файлы PDF|*.pdf|Файлы DOC|*.doc"),
              "Все файлы (*.*);;Файлы PDF (*.pdf);;Файлы DOC (*.doc)");
}

TEST(FileFilter, MalformedFiltersDoNotBreak) {
    EXPECT_EQ(platform::toQtFilter(""), "");
    EXPECT_EQ(platform::toQtFilter("Lonely"), "");
    EXPECT_EQ(platform::toQtFilter("A|*.a|B"), "A (*.a)");
    EXPECT_EQ(platform::toQtFilter("A|;;|B|*.b; *.c"), "B (*.b *.c)");
    EXPECT_EQ(platform::toQtFilter("|*.x"), "(*.x)");
}

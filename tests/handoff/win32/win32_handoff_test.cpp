// The Windows hand-off with real windows, registry values and programs (run under Wine on
// Linux). The test plays the tester: it registers the tester's window class and checks what
// the editor posts and writes; a stand-in KVX_Test.exe, started from a Dir_KVX with a
// Cyrillic name, checks how it was started. Paths and arguments carry Cyrillic names.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "../../platform/recording_shell.h"
#include "../../platform/scripted_prompter.h"
#include "handoff/handoff.h"
#include "handoff/protocol.h"
#include "handoff/win32/registry_settings_store.h"
#include "handoff/win32/wide_text.h"
#include "handoff/win32/win32_handoff_channel.h"
#include "handoff/win32/win32_shell.h"
#include "model/test_document.h"
#include "storage/file_path.h"
#include "storage/test_file.h"

namespace kvx::handoff::win32 {
namespace {

namespace fs = std::filesystem;
using platform::WindowMessage;

/// Dispatches the messages of this thread's windows until `done` or the time is up.
bool pumpUntil(const std::function<bool()>& done, int ms = 3000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        Sleep(5);
    } while (std::chrono::steady_clock::now() < until);
    return done();
}

fs::path programFolder() {
    wchar_t self[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    return fs::path(self).parent_path();
}

/// A fresh folder with a Cyrillic name inside the temporary folder.
fs::path freshFolder(const std::wstring& name) {
    const fs::path p = fs::temp_directory_path() / name;
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

std::map<std::string, std::string> readReport(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::map<std::string, std::string> values;
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

/// Runs a program with a UTF-16 command line and returns its exit code (-1: not started).
int run(const std::wstring& commandLine) {
    std::wstring line = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    // The child posts to a window of this thread: keep dispatching while it runs.
    pumpUntil([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 30000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

class Win32Handoff : public ::testing::Test {
protected:
    void SetUp() override {
        RegistrySettingsStore::removeKey("Software\\KVX_Main");
        RegistrySettingsStore::removeKey("Software\\KVX_Tester");
    }
    void TearDown() override { SetUp(); }
    /// The test's own tester window, collecting what it receives.
    void playTester() {
        ASSERT_TRUE(tester.openOwnWindow(testerWindow(), [this](const WindowMessage& m) {
            testerGot.push_back(m);
            return true;
        }));
    }

    RegistrySettingsStore registry;
    Win32HandoffChannel channel;
    Win32HandoffChannel tester;
    std::vector<WindowMessage> testerGot;
    testing::ScriptedPrompter prompter;
    const std::string path = "C:\\Тесты\\счётчик.kvx";
};

TEST_F(Win32Handoff, TheRegistryKeepsTextsAsUtf16AndFlagsAsDwords) {
    EXPECT_FALSE(registry.keyExists("Software\\KVX_Main"));
    ASSERT_TRUE(registry.setValue("Software\\KVX_Main", "FileName", path));
    ASSERT_TRUE(registry.setIntValue("Software\\KVX_Tester\\historylist", "TestCanalOnStart", 0));
    EXPECT_TRUE(registry.keyExists("Software\\KVX_Main"));
    EXPECT_EQ(registry.value("Software\\KVX_Main", "FileName"), path);
    EXPECT_EQ(registry.value("Software\\KVX_Tester\\historylist", "TestCanalOnStart"), "0");
    EXPECT_EQ(registry.value("Software\\KVX_Main", "Missing"), "");
    wchar_t wide[64] = {};
    DWORD size = sizeof wide, type = 0;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\KVX_Main", L"FileName", RRF_RT_REG_SZ, &type, wide, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(wide), L"C:\\Тесты\\счётчик.kvx");
    DWORD flag = 1;
    size = sizeof flag;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\KVX_Tester\\historylist", L"TestCanalOnStart",
                           RRF_RT_REG_DWORD, &type, &flag, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(flag, 0u);
}

TEST_F(Win32Handoff, TheHiddenWindowIsFoundByClassAndTitleAndNeverShown) {
    ASSERT_TRUE(channel.openOwnWindow(editorWindow(), [](const WindowMessage&) { return true; }));
    const HWND found = FindWindowA("TKVX_Edit_MessageForm_NoFileMapping", "KVX_Edit_MessageForm_NoFileMapping");
    EXPECT_EQ(found, static_cast<HWND>(channel.window()));
    EXPECT_FALSE(IsWindowVisible(found));
    EXPECT_EQ(GetParent(found), nullptr);
    EXPECT_EQ(FindWindowA("TKVX_Edit_MessageForm_NoFileMapping", "other title"), nullptr);
    EXPECT_FALSE(channel.findWindow(testerWindow()));
}

TEST_F(Win32Handoff, TheHiddenWindowOutlivesEveryRequestToCloseOrRenameItUntilItsProgramEndsIt) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM first;
        bool sent;  // sent and handled at once, or posted to the window's queue
    };
    const std::vector<Case> cases = {
        {"WM_CLOSE posted", WM_CLOSE, 0, false},
        {"WM_CLOSE sent", WM_CLOSE, 0, true},
        {"SC_CLOSE", WM_SYSCOMMAND, SC_CLOSE, false},
        {"WM_DESTROY", WM_DESTROY, 0, true},
        {"WM_NCDESTROY", WM_NCDESTROY, 0, true},
        {"WM_SETTEXT", WM_SETTEXT, 0, true},
    };
    const char* otherTitle = "other title";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<WindowMessage> got;
        {
            Win32HandoffChannel editor;
            ASSERT_TRUE(editor.openOwnWindow(editorWindow(), [&](const WindowMessage& m) {
                got.push_back(m);
                return true;
            }));
            const HWND hwnd = static_cast<HWND>(editor.window());
            const LPARAM second = c.message == WM_SETTEXT ? reinterpret_cast<LPARAM>(otherTitle) : 0;
            if (c.sent) SendMessageA(hwnd, c.message, c.first, second);
            else ASSERT_TRUE(PostMessageA(hwnd, c.message, c.first, second));
            pumpUntil([] { return false; }, 100);
            EXPECT_TRUE(IsWindow(hwnd));
            EXPECT_EQ(FindWindowA("TKVX_Edit_MessageForm_NoFileMapping", "KVX_Edit_MessageForm_NoFileMapping"), hwnd);
            // It still receives the hand-off, and says that it took it.
            EXPECT_EQ(SendMessageA(hwnd, 1100, 777, 0), 1);
            EXPECT_EQ(got.size(), 1u);
        }
        // Its program ends it.
        EXPECT_EQ(FindWindowA("TKVX_Edit_MessageForm_NoFileMapping", nullptr), nullptr);
    }
}

TEST_F(Win32Handoff, WithTheTesterRunningOneMessageIsPostedAfterFileName) {
    playTester();
    testing::RecordingShell shell;
    EXPECT_EQ(sendFileToTester(path, "C:\\KVX\\", {channel, registry, shell, prompter}), TesterHandoff::Posted);
    // Posted, not sent: nothing has arrived before the message loop runs.
    EXPECT_TRUE(testerGot.empty());
    EXPECT_EQ(registry.value("Software\\KVX_Main", "FileName"), path);
    pumpUntil([] { return false; }, 200);
    ASSERT_EQ(testerGot.size(), 1u);
    EXPECT_EQ(testerGot[0], (WindowMessage{1101, 777, 0}));
    EXPECT_TRUE(shell.started.empty());
    EXPECT_FALSE(registry.keyExists("Software\\KVX_Tester\\historylist"));
}

TEST_F(Win32Handoff, WithoutTheTesterTheStandInIsStartedFromDirKvxAndGetsTheFile) {
    const fs::path dirKvx = freshFolder(L"Тестер КВХ");
    fs::copy_file(programFolder() / L"KVX_Test.exe", dirKvx / L"KVX_Test.exe");
    ASSERT_TRUE(registry.setIntValue("Software\\KVX_Tester\\historylist", "TestCanalOnStart", 1));
    Win32Shell shell;
    const std::string dir = storage::utf8FromPath(dirKvx) + "\\";
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(sendFileToTester(path, dir, {channel, registry, shell, prompter}), TesterHandoff::Posted);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1900));
    const fs::path report = dirKvx / L"KVX_Test.report";
    ASSERT_TRUE(pumpUntil([&] { return fs::exists(report); }, 20000));
    Sleep(200);  // the stand-in writes and closes its report
    const auto seen = readReport(report);
    EXPECT_EQ(seen.at("program"), dir + "KVX_Test.exe");
    EXPECT_EQ(seen.at("startFlag"), "0");
    EXPECT_EQ(seen.at("startFlagType"), "dword");
    EXPECT_EQ(seen.at("message"), "1101 777 0");
    EXPECT_EQ(seen.at("fileName"), path);
    EXPECT_TRUE(prompter.errors().empty());
    fs::remove_all(dirKvx);
}

TEST_F(Win32Handoff, ATesterThatCannotBeStartedIsATransferError) {
    const fs::path empty = freshFolder(L"пусто");
    Win32Shell shell;
    EXPECT_EQ(sendFileToTester(path, storage::utf8FromPath(empty) + "\\", {channel, registry, shell, prompter}),
              TesterHandoff::Failed);
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{"Ошибка передачи данных"});
    EXPECT_EQ(registry.value("Software\\KVX_Tester\\historylist", "TestCanalOnStart"), "0");
    EXPECT_EQ(registry.value("Software\\KVX_Main", "FileName"), "");
    fs::remove_all(empty);
}

TEST_F(Win32Handoff, TheEditorWindowOpensOnlyHandOffMessages) {
    std::vector<std::string> opened;
    EditorMailbox mailbox;
    mailbox.attach(registry, prompter, [&](const std::string& p) { opened.push_back(p); });
    ASSERT_TRUE(channel.openOwnWindow(editorWindow(), [&](const WindowMessage& m) { return mailbox.receive(m); }));
    const HWND editor = static_cast<HWND>(channel.window());

    struct Case {
        UINT message;
        WPARAM first;
        bool fileNameStored;
        std::vector<std::string> opened;
        std::vector<std::string> errors;
    };
    const std::vector<Case> cases = {
        {1100, 777, true, {path}, {}},
        {1100, 776, true, {}, {}},
        {1101, 777, true, {}, {}},
        {WM_USER, 777, true, {}, {}},
        {1100, 777, false, {""}, {"Ошибка сообщения открытия файла"}},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.fileNameStored) {
            ASSERT_TRUE(registry.setValue("Software\\KVX_Main", "FileName", path));
        }
        opened.clear();
        prompter.questions.clear();
        ASSERT_TRUE(PostMessageA(editor, c.message, c.first, 0));
        pumpUntil([] { return false; }, 100);
        EXPECT_EQ(opened, c.opened) << c.message << " " << c.first;
        EXPECT_EQ(prompter.errors(), c.errors) << c.message << " " << c.first;
    }
}

TEST_F(Win32Handoff, KvxtoolOpenInEditorTakesCyrillicArgumentsAndTellsWhetherAnEditorRuns) {
    const std::wstring tool = L"\"" + (programFolder() / L"kvxtool.exe").wstring() + L"\"";
    const fs::path folder = freshFolder(L"Тесты");
    const fs::path file = folder / L"счётчик.kvx";
    EXPECT_EQ(run(tool + L" open-in-editor \"" + file.wstring() + L"\""), 3);
    EXPECT_EQ(registry.value("Software\\KVX_Main", "FileName"), "");

    std::vector<WindowMessage> got;
    ASSERT_TRUE(channel.openOwnWindow(editorWindow(), [&](const WindowMessage& m) {
        got.push_back(m);
        return true;
    }));
    EXPECT_EQ(run(tool + L" open-in-editor \"" + file.wstring() + L"\""), 0);
    pumpUntil([&] { return !got.empty(); }, 2000);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], (WindowMessage{1100, 777, 0}));
    EXPECT_EQ(registry.value("Software\\KVX_Main", "FileName"), storage::utf8FromPath(file));
    fs::remove_all(folder);
}

TEST_F(Win32Handoff, TestFilesInCyrillicFoldersAreWrittenReadAndDumpedByKvxtool) {
    const fs::path folder = freshFolder(L"Тесты КВХ");
    const std::string file = storage::utf8FromPath(folder / L"счётчик №1.kvx");
    model::TestDocument doc;
    doc.clearDocument();
    doc.setCell(0, 1, 2, model::kHigh);
    ASSERT_TRUE(storage::saveTestFile(doc, file).ok);
    EXPECT_TRUE(fs::exists(folder / L"счётчик №1.kvx"));
    model::TestDocument back;
    ASSERT_EQ(storage::loadTestFile(back, file).status, storage::LoadStatus::Loaded);
    EXPECT_EQ(back.getCell(0, 1, 2), model::kHigh);
    EXPECT_EQ(back.fileName(), file);

    const std::wstring tool = L"\"" + (programFolder() / L"kvxtool.exe").wstring() + L"\"";
    const fs::path copy = folder / L"копия.kvx";
    EXPECT_EQ(run(tool + L" resave \"" + storage::pathFromUtf8(file).wstring() + L"\" \"" + copy.wstring() + L"\""), 0);
    model::TestDocument resaved;
    ASSERT_EQ(storage::loadTestFile(resaved, storage::utf8FromPath(copy)).status, storage::LoadStatus::Loaded);
    EXPECT_EQ(resaved.getCell(0, 1, 2), model::kHigh);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace kvx::handoff::win32

// kvxtool on a Windows console (run under Wine): the Russian text reaches the console as
// characters whatever its code page, and files and pipes still get UTF-8.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "handoff/win32/wide_text.h"

namespace {

namespace fs = std::filesystem;

/// Runs kvxtool with `arguments`, its standard output and error going to `output`.
int runTool(const std::wstring& arguments, HANDLE output) {
    std::wstring line = L"\"" + kvx::handoff::win32::toWide(KVX_TOOL_PATH) + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = output;
    si.hStdError = output;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return -1;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

/// Lines as a console shows them: no blanks at their ends, no empty lines at the end.
std::wstring trimmedLines(const std::wstring& text) {
    std::wstring out, empties;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        line.erase(line.find_last_not_of(L' ') + 1);
        if (line.empty()) {
            empties += L'\n';
        } else {
            out += empties + line + L'\n';
            empties.clear();
        }
        start = end + 1;
    }
    return out;
}

/// The text of a console buffer, a line for each of its rows.
std::wstring consoleText(HANDLE buffer, SHORT width, SHORT height) {
    std::wstring text;
    std::wstring row(static_cast<size_t>(width), L' ');
    for (SHORT y = 0; y < height; ++y) {
        DWORD read = 0;
        ReadConsoleOutputCharacterW(buffer, row.data(), static_cast<DWORD>(width), COORD{0, y}, &read);
        text += row.substr(0, read) + L'\n';
    }
    return trimmedLines(text);
}

}  // namespace

TEST(ConsoleText, KvxtoolWritesRussianToAConsoleAsCharactersAndUtf8ToAFile) {
    // A console in the code page of a Russian system, with a screen buffer of its own.
    if (!GetConsoleWindow()) AllocConsole();
    const UINT codePage = GetConsoleOutputCP();
    SetConsoleOutputCP(866);
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const SHORT width = 200, height = 300;
    const HANDLE screen = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    &inherited, CONSOLE_TEXTMODE_BUFFER, nullptr);
    ASSERT_NE(screen, INVALID_HANDLE_VALUE);
    SetConsoleScreenBufferSize(screen, COORD{width, height});
    // The help text is long: the buffer's ends cut its Russian letters.
    EXPECT_EQ(runTool(L"--help", screen), 0);
    const std::wstring shown = consoleText(screen, width, height);
    CloseHandle(screen);
    SetConsoleOutputCP(codePage);

    const fs::path file = fs::temp_directory_path() / L"kvx-console-text.txt";
    const HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    EXPECT_EQ(runTool(L"--help", out), 0);
    CloseHandle(out);
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    fs::remove(file);
    const std::wstring written = trimmedLines(kvx::handoff::win32::toWide(bytes));
    EXPECT_NE(written.find(L"Показать результат"), std::wstring::npos);
    EXPECT_EQ(shown, written);
}

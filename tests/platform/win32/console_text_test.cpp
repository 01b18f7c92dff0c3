// kvxtool's Russian text on a Windows console of code page 866 (run under Wine).

#include <windows.h>

#include <gtest/gtest.h>

#include "handoff/win32/wide_text.h"

TEST(ConsoleText, KvxtoolWritesRussianToAConsoleAsCharacters) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const auto newScreen = [&] {
        return CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                         CONSOLE_TEXTMODE_BUFFER, nullptr);
    };
    HANDLE screen = newScreen();
    if (screen == INVALID_HANDLE_VALUE && FreeConsole() && AllocConsole()) screen = newScreen();  // no console of its own
    const UINT codePage = GetConsoleOutputCP();
    SetConsoleOutputCP(866);
    const SHORT width = 200, height = 300;
    ASSERT_NE(screen, INVALID_HANDLE_VALUE);
    SetConsoleScreenBufferSize(screen, COORD{width, height});
    std::wstring line = L"\"" + kvx::handoff::win32::toWide(KVX_TOOL_PATH) + L"\" --help";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = screen;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 60000);
    std::wstring shown, row(static_cast<size_t>(width), L' ');
    for (SHORT y = 0; y < height; ++y) {
        DWORD read = 0;
        ReadConsoleOutputCharacterW(screen, row.data(), static_cast<DWORD>(width), COORD{0, y}, &read);
        shown += row.substr(0, read) + L'\n';
    }
    CloseHandle(screen);
    SetConsoleOutputCP(codePage);
    // The help text is longer than what the tool writes at once: some letters are cut.
    for (const wchar_t* text : {L"Показать результат", L"Неопеделено", L"\"№,Слово Данных,Данные\""})
        EXPECT_NE(shown.find(text), std::wstring::npos) << text;
    EXPECT_EQ(shown.find(L'\uFFFD'), std::wstring::npos) << "a letter was cut";
}

#ifdef _WIN32
#include "handoff/win32/win32_shell.h"

#include <windows.h>
#include <shellapi.h>

#include "handoff/win32/wide_text.h"

namespace kvx::handoff::win32 {

bool Win32Shell::openDocument(const std::string& path, const std::string& workingFolder,
                              platform::WindowState state) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", toWide(path).c_str(), nullptr, toWide(workingFolder).c_str(),
                      state == platform::WindowState::Maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL));
    return result > 32;
}

bool Win32Shell::startProgram(const std::string& path) {
    std::wstring program = toWide(path);
    std::wstring folder = program;
    const auto slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void Win32Shell::sleepMilliseconds(int ms) {
    if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

}  // namespace kvx::handoff::win32
#endif

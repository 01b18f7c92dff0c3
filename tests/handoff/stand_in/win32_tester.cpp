// A stand-in for the tester program, started by the Windows hand-off tests as
// Dir_KVX + "KVX_Test.exe". It notes how it was started and what the editor left for it,
// waits (at most 20 s) for the open message on its hidden window, and writes what it saw to
// "KVX_Test.report" beside itself, one "name=value" line each.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "handoff/protocol.h"
#include "handoff/win32/registry_settings_store.h"
#include "handoff/win32/wide_text.h"
#include "handoff/win32/win32_handoff_channel.h"

namespace handoff = kvx::handoff;

namespace {

/// The type of a registry value of the current user ("dword", "sz", "missing", "other").
std::string valueType(const wchar_t* key, const wchar_t* name) {
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return "missing";
    return type == REG_DWORD ? "dword" : type == REG_SZ ? "sz" : "other";
}

}  // namespace

int main() {
    wchar_t self[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    const std::filesystem::path program(self);

    handoff::win32::RegistrySettingsStore settings;
    std::string report = "program=" + handoff::win32::toUtf8(self) + "\n";
    report += "startFlag=" + settings.value(handoff::kTesterKey, handoff::kTesterStartFlag) + "\n";
    report += "startFlagType=" + valueType(L"Software\\KVX_Tester\\historylist", L"TestCanalOnStart") + "\n";

    bool received = false;
    handoff::win32::Win32HandoffChannel channel;
    const bool open = channel.openOwnWindow(handoff::testerWindow(), [&](const kvx::platform::WindowMessage& m) {
        report += "message=" + std::to_string(m.number) + " " + std::to_string(m.first) + " " +
                  std::to_string(m.second) + "\n";
        // The tester reads the path when it handles the message.
        report += "fileName=" + settings.value(handoff::kFileNameKey, handoff::kFileNameValue) + "\n";
        received = true;
        return true;
    });
    report += std::string("window=") + (open ? "yes" : "no") + "\n";

    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    MSG msg;
    while (open && !received && std::chrono::steady_clock::now() < until) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    std::ofstream out(program.parent_path() / L"KVX_Test.report", std::ios::binary);
    out << report;
    return received ? 0 : 1;
}

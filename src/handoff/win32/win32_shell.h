#pragma once
// The shell seam with the Windows API alone: ShellExecuteW, CreateProcessW with a normal
// window, Sleep. For programs built without the toolkit (kvxtool, the Windows tests).
#ifdef _WIN32

#include "platform/shell.h"

namespace kvx::handoff::win32 {

class Win32Shell : public platform::Shell {
public:
    bool openDocument(const std::string& path, const std::string& workingFolder, platform::WindowState state) override;
    /// Starts the program in its own folder, without waiting for it.
    bool startProgram(const std::string& path) override;
    void sleepMilliseconds(int ms) override;
};

}  // namespace kvx::handoff::win32

#endif

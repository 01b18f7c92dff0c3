#pragma once
// The shell seam realised with QDesktopServices, QProcess and QThread.

#include "platform/shell.h"

namespace kvx::platform {

class QtShell : public Shell {
public:
    bool openDocument(const std::string& path, const std::string& workingFolder, WindowState state) override;
    bool startProgram(const std::string& path) override;
    void sleepMilliseconds(int ms) override;
};

}  // namespace kvx::platform

#pragma once
// The operating-system shell: opening a document with its associated program, starting a
// program, sleeping. A small seam so that commands can be run with a recording double.

#include <string>

namespace kvx::platform {

enum class WindowState { Default, Maximized };

class Shell {
public:
    virtual ~Shell() = default;
    /// Opens a document with the program the system associates with it ("open" verb).
    /// The result is not checked by the help commands: a missing file is left to the shell.
    virtual bool openDocument(const std::string& path, const std::string& workingFolder, WindowState state) = 0;
    /// Starts a program with a normal window without waiting for it; false when it cannot start.
    virtual bool startProgram(const std::string& path) = 0;
    /// Blocks the calling thread.
    virtual void sleepMilliseconds(int ms) = 0;
};

}  // namespace kvx::platform

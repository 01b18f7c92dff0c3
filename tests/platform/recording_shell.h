#pragma once
// A Shell for tests: records what would have been opened or started, never sleeps.

#include <string>
#include <vector>

#include "platform/shell.h"

namespace kvx::testing {

class RecordingShell : public platform::Shell {
public:
    struct Opened {
        std::string path;
        std::string folder;
        platform::WindowState state;
    };
    bool openDocument(const std::string& path, const std::string& folder, platform::WindowState state) override {
        opened.push_back({path, folder, state});
        return true;
    }
    bool startProgram(const std::string& path) override {
        started.push_back(path);
        return startSucceeds;
    }
    void sleepMilliseconds(int ms) override { slept.push_back(ms); }

    std::vector<Opened> opened;
    std::vector<std::string> started;
    std::vector<int> slept;
    bool startSucceeds = true;
};

}  // namespace kvx::testing

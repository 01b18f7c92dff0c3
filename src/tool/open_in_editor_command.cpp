#include "tool/open_in_editor_command.h"

#include <iostream>
#include <system_error>

#include "handoff/handoff.h"
#include "storage/file_path.h"

namespace kvx::tool {

int runOpenInEditor(const std::string& utf8Path, platform::HandoffChannel& channel,
                    platform::SettingsStore& settings) {
    // The editor may run in another folder: it is given the full path.
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(storage::pathFromUtf8(utf8Path), ec);
    const std::string path = ec ? utf8Path : storage::utf8FromPath(absolute.lexically_normal());
    switch (handoff::sendFileToEditor(path, channel, settings)) {
    case handoff::EditorHandoff::Delivered:
        return 0;
    case handoff::EditorHandoff::NoEditor:
        std::cerr << "kvxtool: no editor is running\n";
        return kNoEditorExitCode;
    case handoff::EditorHandoff::NotTaken:
        std::cerr << "kvxtool: the running editor did not take the file\n";
        return kNotTakenExitCode;
    case handoff::EditorHandoff::Unavailable:
        std::cerr << "kvxtool: " << channel.unavailableReason() << "\n";
        return 2;
    case handoff::EditorHandoff::Failed:
        break;
    }
    std::cerr << "kvxtool: the path could not be written to the settings store\n";
    return 2;
}

#if !defined(_WIN32) && !defined(KVX_WITH_UI)
HandoffTools systemHandoffTools() { return {}; }
#endif

}  // namespace kvx::tool

#pragma once
// "kvxtool open-in-editor FILE": what another program of the tester family does to have a
// running editor open a test file — write its full path to "FileName" and post the
// editor's hidden window the open message.

#include <memory>
#include <string>

#include "platform/handoff_channel.h"
#include "platform/settings_store.h"

namespace kvx::tool {

inline constexpr int kNoEditorExitCode = 3;
inline constexpr int kNotTakenExitCode = 4;

/// The hand-off channel and settings store of this system; both null when this build has none.
struct HandoffTools {
    std::shared_ptr<void> runtime;  ///< what the two need alive (the toolkit's application object)
    std::unique_ptr<platform::HandoffChannel> channel;
    std::unique_ptr<platform::SettingsStore> settings;
};
HandoffTools systemHandoffTools();

/// 0 when a running editor took the request, kNoEditorExitCode when no editor runs,
/// kNotTakenExitCode when none of the running editors took it, 2 when "FileName" could not be
/// written or the channel cannot work here (a one-line reason on standard error).
int runOpenInEditor(const std::string& utf8Path, platform::HandoffChannel& channel,
                    platform::SettingsStore& settings);

}  // namespace kvx::tool

// The Windows hand-off of kvxtool: window messages and the registry, without the toolkit.
#ifdef _WIN32

#include "handoff/win32/registry_settings_store.h"
#include "handoff/win32/win32_handoff_channel.h"
#include "tool/open_in_editor_command.h"

namespace kvx::tool {

HandoffTools systemHandoffTools() {
    HandoffTools tools;
    tools.channel = std::make_unique<handoff::win32::Win32HandoffChannel>();
    tools.settings = std::make_unique<handoff::win32::RegistrySettingsStore>();
    return tools;
}

}  // namespace kvx::tool

#endif

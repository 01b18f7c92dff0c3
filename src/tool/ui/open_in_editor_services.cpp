// The hand-off of kvxtool where the editor talks through local sockets: the editor's own
// channel and settings store.
#ifndef _WIN32

#include <QCoreApplication>

#include "handoff/ui/local_handoff_channel.h"
#include "platform/ui/qt_settings_store.h"
#include "tool/open_in_editor_command.h"

namespace kvx::tool {

HandoffTools systemHandoffTools() {
    HandoffTools tools;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "kvxtool";
        static char* argv[] = {name, nullptr};
        tools.runtime = std::make_shared<QCoreApplication>(argc, argv);
    }
    tools.channel = std::make_unique<handoff::ui::LocalHandoffChannel>();
    tools.settings = std::make_unique<platform::QtSettingsStore>();
    return tools;
}

}  // namespace kvx::tool

#endif

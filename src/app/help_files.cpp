#include "app/help_files.h"

namespace kvx::app {

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    if (last == '/' || last == '\\') return folder + name;
    return folder + "/" + name;
}

std::string helpDocumentPath(HelpCommand command, const ProgramLocation& program,
                             const std::function<bool(const std::string&)>& exists) {
    const std::string own = command == HelpCommand::Key ? joinPath(program.folder, kKeyHelpFile)
                                                        : joinPath(program.folder, program.baseName + ".chm");
    if (exists && exists(own)) return own;
    return joinPath(program.folder, kGuideFile);
}

}  // namespace kvx::app

#pragma once
// Which help document the help commands open: the help files that lie beside the program
// when they are there, otherwise the user guide shipped with it.

#include <functional>
#include <string>

namespace kvx::app {

/// The help file opened by F1.
inline constexpr const char* kKeyHelpFile = "HELPEDITOR.HLP";
/// The user guide installed beside the program.
inline constexpr const char* kGuideFile = "KVX_Edit_guide.html";

enum class HelpCommand {
    Key,    ///< F1: "HELPEDITOR.HLP"
    Topics  ///< "&Справка": the program's name with the extension ".chm"
};

/// Where the program lives: its folder and its file name without extension ("KVX_Edit").
struct ProgramLocation {
    std::string folder;
    std::string baseName;
};

/// Path of the help document for a command; `exists` tells whether a file is present.
std::string helpDocumentPath(HelpCommand command, const ProgramLocation& program,
                             const std::function<bool(const std::string&)>& exists);

/// Joins a folder and a file name with one separator.
std::string joinPath(const std::string& folder, const std::string& name);

}  // namespace kvx::app

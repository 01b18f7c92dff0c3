#pragma once
// File dialog filters are written as "description|patterns|description|patterns", patterns
// separated by ';'. The Qt file dialogs want "description (patterns);;...".

#include <string>

namespace kvx::platform {

/// Converts a '|'-separated filter into the ";;"-separated form of the Qt file dialogs.
/// A description that already names its patterns in brackets is kept as it is; an odd
/// trailing description without patterns is dropped.
std::string toQtFilter(const std::string& filter);

}  // namespace kvx::platform

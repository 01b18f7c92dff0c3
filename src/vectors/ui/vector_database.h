#pragma once
// The vector databases that programmers ship (XML: logicic > database > manufacturer > ic >
// vector), read as a stream with QXmlStreamReader, and the one reader of every vector source:
// a database, a vector file or the vectors of a JEDEC file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vectors/vectors.h"

namespace kvx::vectors::ui {

/// The chips of a database text, in file order. A chip whose vectors cannot be read keeps
/// its names and the reason in `error`. nullopt with a Russian message (line and character)
/// for broken XML or a database without chips.
std::optional<std::vector<Chip>> parseDatabase(std::string_view text, std::string& error);

/// The chips of a source file: every chip of a database, or the one chip of a vector or
/// JEDEC file (named after the file). nullopt with a Russian message that names the file.
std::optional<std::vector<Chip>> readSource(const std::string& path, std::string& error);

}  // namespace kvx::vectors::ui

#pragma once
// The JSON picture of a loaded test that `kvxtool dump` prints.

#include <string>
#include <vector>

#include "model/test_document.h"

namespace kvx::tool {

/// One JSON object (UTF-8) describing the document and the messages of its load.
std::string dumpJson(const model::TestDocument& doc, const std::vector<std::string>& messages);

}  // namespace kvx::tool

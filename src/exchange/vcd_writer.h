#pragma once
// VCD (value change dump) of the current test: one variable per signal row, one vector per
// data word, one tact = `tactDuration` microseconds. Inactive cells are written as 'z' on the
// rows the tester drives and as 'x' on the rows it compares.

#include <string>

#include "model/test_document.h"

namespace kvx::exchange {

struct VcdWriteOptions {
    std::string date;     ///< text of $date (the caller's clock; tests give a fixed one)
    std::string version;  ///< text of $version, e.g. "KVX_Edit 1.0.0"
};

/// The whole VCD text. Tact t starts at (t - 1) * tactDuration us; a last time stamp marks the
/// end of the last tact.
std::string writeVcd(const model::TestDocument& doc, const VcdWriteOptions& options);

/// Writes the VCD of the document to a file (replaced only when everything was written);
/// a Russian message naming the path on failure, else empty.
std::string saveVcd(const model::TestDocument& doc, const std::string& path, const VcdWriteOptions& options);

/// "KVX_Edit <version>" and the local date and time, as the editor and kvxtool write them.
VcdWriteOptions defaultVcdOptions();

}  // namespace kvx::exchange

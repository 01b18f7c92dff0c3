#pragma once
// WaveJSON (the input of the WaveDrom renderer) of the current test: one lane per signal row
// with one wave character per tact ('0', '1', 'z' for inactive driven rows, 'x' for inactive
// compared rows, '.' for a repeat), and one group per data word whose value lane shows the
// word's values in its radix.

#include <string>

#include "model/test_document.h"

namespace kvx::exchange {

/// The WaveJSON text (strict JSON, UTF-8).
std::string writeWaveJson(const model::TestDocument& doc);

/// Writes it to a file; a Russian message naming the path on failure, else empty.
std::string saveWaveJson(const model::TestDocument& doc, const std::string& path);

}  // namespace kvx::exchange

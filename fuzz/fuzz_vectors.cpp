// libFuzzer target: the vector file reader on arbitrary bytes; a chip it reads is made into a
// test (DIP and SOIC), exported again, and the export must read back to the same vectors.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "vectors/vectors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kvx::vectors;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto chip = readVectorFile(bytes, "fuzz", error);
    if (!chip) {
        if (error.empty()) std::abort();
        return 0;
    }
    for (bool soic : {false, true}) {
        kvx::model::TestDocument doc;
        const auto outcome = importChip(doc, *chip, soic);
        if (!outcome.ok) continue;
        const auto exported = exportChip(doc, "fuzz");
        const auto back = readVectorFile(vectorFileText(exported.chip), "fuzz", error);
        kvx::model::TestDocument again;
        if (!back || !importChip(again, *back, soic).ok) std::abort();
        if (vectorFileText(exportChip(again, "fuzz").chip) != vectorFileText(exported.chip)) std::abort();
    }
    return 0;
}

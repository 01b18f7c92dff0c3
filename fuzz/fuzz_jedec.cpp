// libFuzzer target: the JEDEC vector reader on arbitrary bytes; the vectors it reads are
// written as JEDEC again and must read back to the same vectors, and a chip a test can take is
// made into one.
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
    const auto chip = readJedec(bytes, "fuzz", error);
    if (!chip) {
        if (error.empty()) std::abort();
        return 0;
    }
    const auto back = readJedec(jedecText(*chip), "fuzz", error);
    if (!back || back->cells != chip->cells || back->pins != chip->pins) std::abort();
    kvx::model::TestDocument doc;
    importChip(doc, *chip, false);
    return 0;
}

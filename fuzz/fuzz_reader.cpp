// libFuzzer target: the test file reader on arbitrary bytes, then the writer on what it read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "storage/test_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kvx::model::TestDocument doc;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    kvx::storage::loadTestFileBytes(doc, bytes, "fuzz.kvx");
    const std::string written = kvx::storage::writeTestFileBytes(doc);
    kvx::model::TestDocument again;
    kvx::storage::loadTestFileBytes(again, written, "fuzz.kvx");
    return 0;
}

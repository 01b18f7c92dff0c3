// libFuzzer target: the comment reader on arbitrary bytes (RTF or plain text), then the
// writer on what it read and the reader again on that RTF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "params/rtf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const kvx::params::RichText first = kvx::params::readRichText(bytes);
    const std::string written = kvx::params::writeRtf(first);
    const kvx::params::RichText again = kvx::params::readRtf(written);
    // What the writer writes, the reader reads back unchanged.
    if (!(kvx::params::writeRtf(again) == written)) std::abort();
    return 0;
}

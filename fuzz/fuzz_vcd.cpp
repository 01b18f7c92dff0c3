// libFuzzer target: the VCD reader and the import on arbitrary bytes. The bytes are read once
// whole and once in chunks cut where the data says, with a map that the file's own declarations
// suggest plus every bit of its first vector, into a DIP16 test with two words.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "exchange/vcd_import.h"

namespace {

kvx::model::TestDocument target() {
    using namespace kvx::model;
    TestDocument doc;
    doc.setPackage({PackageType::DIP, 16});
    doc.setPinType(3, PinType::InOut);
    doc.setPinType(4, PinType::Output);
    DataWord w;
    w.addMember(5);
    w.addMember(6);
    doc.dataWords() = {w, w};
    return doc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    kvx::exchange::VcdReader headerOnly(nullptr);
    headerOnly.feed(bytes);
    headerOnly.finish();

    kvx::model::TestDocument doc = target();
    std::vector<kvx::exchange::MapEntry> map = kvx::exchange::suggestMap(doc, headerOnly.header());
    int pin = 1;
    for (const auto& v : headerOnly.header().variables) {
        if (pin > 16) break;
        map.push_back({v.fullName(), {kvx::exchange::MapTarget::Kind::Pin, pin++}, 0});
    }
    kvx::exchange::ImportOptions options;
    options.maxTacts = 20000;  // the refusal of longer files is fuzzed too, without huge tests
    options.offsetPercent = size ? data[0] % 101 : 100;
    kvx::exchange::importVcdBytes(doc, bytes, map, options);

    // The same bytes in chunks of sizes taken from the data: tokens cut anywhere.
    kvx::exchange::VcdReader chunked(nullptr);
    for (std::size_t p = 0, i = 0; p < size && !chunked.stopped();) {
        const std::size_t n = std::min<std::size_t>(size - p, 1 + data[i++ % size] % 17);
        if (!chunked.feed(bytes.substr(p, n))) break;
        p += n;
    }
    chunked.finish();
    return 0;
}

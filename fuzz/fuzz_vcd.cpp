// libFuzzer target: the VCD reader and the import on arbitrary bytes, into a DIP16 test with
// two words: once with the map that the file's declarations suggest, once with its first
// signals on the pins; then the reader alone on chunks cut where the data says.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

    kvx::exchange::ImportOptions options;
    options.maxTacts = 20000;  // the refusal of longer files is fuzzed too, without huge tests
    options.offsetPercent = size ? data[0] % 101 : 100;
    kvx::model::TestDocument doc = target();
    kvx::exchange::importVcdBytes(doc, bytes, kvx::exchange::suggestMap(doc, headerOnly.header()), options);

    // The first signals onto the pins, vectors by their lowest bit.
    std::vector<kvx::exchange::MapEntry> pins;
    for (const auto& v : headerOnly.header().variables) {
        if (pins.size() >= 16) break;
        std::string name = v.fullName();
        if (v.width > 1) name += "[" + std::to_string(v.hasRange ? v.lsb : 0) + "]";
        pins.push_back({name, {kvx::exchange::MapTarget::Kind::Pin, static_cast<int>(pins.size()) + 1}, 0});
    }
    kvx::model::TestDocument second = target();
    kvx::exchange::importVcdBytes(second, bytes, pins, options);

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

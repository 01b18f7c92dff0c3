#include "tool/json_dump.h"

#include <cstdint>
#include <cstdio>

namespace kvx::tool {
namespace {

class Json {
public:
    void open(char c) { sep(); out_ += c; first_ = true; }
    void close(char c) { out_ += c; first_ = false; }
    void key(const char* k) { sep(); str(k); out_ += ':'; first_ = true; }
    void value(const std::string& s) { sep(); str(s); }
    void value(long long n) { sep(); out_ += std::to_string(n); }
    void value(unsigned long long n) { sep(); out_ += std::to_string(n); }
    void value(bool b) { sep(); out_ += b ? "true" : "false"; }
    template <typename T> void field(const char* k, const T& v) { key(k); value(v); }
    void field(const char* k, int v) { key(k); value(static_cast<long long>(v)); }
    void field(const char* k, std::uint64_t v) { key(k); value(static_cast<unsigned long long>(v)); }
    void field(const char* k, const char* v) { key(k); value(std::string(v)); }
    std::string take() { return std::move(out_); }

private:
    void sep() {
        if (!first_) out_ += ',';
        first_ = false;
    }
    void str(const std::string& s) {
        out_ += '"';
        for (unsigned char c : s) {
            switch (c) {
            case '"': out_ += "\\\""; break;
            case '\\': out_ += "\\\\"; break;
            case '\n': out_ += "\\n"; break;
            case '\r': out_ += "\\r"; break;
            case '\t': out_ += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out_ += buf;
                } else {
                    out_ += static_cast<char>(c);
                }
            }
        }
        out_ += '"';
    }
    std::string out_;
    bool first_ = true;
};

void algorithmFields(Json& j, const model::AlgorithmSettings& a) {
    j.field("active", a.active);
    j.field("cycleCount", a.cycleCount);
    j.field("romStartTact", a.romStartTact);
    j.field("startTact", a.startTact);
    j.field("writeStartTact", a.writeStartTact);
    j.field("endTact", a.endTact);
    j.field("dataWord", a.dataWord);
    j.field("dataTact", a.dataTact);
    j.field("dataTactCount", a.dataTactCount);
    j.field("writeDataWord", a.writeDataWord);
    j.field("writeDataTact", a.writeDataTact);
    j.field("writeDataTactCount", a.writeDataTactCount);
    j.field("dataFileName", a.dataFileName);
    j.field("addressWord", a.addressWord);
    j.field("addressTact", a.addressTact);
    j.field("addressTactCount", a.addressTactCount);
    j.field("startAddress", a.startAddress);
    j.field("endAddress", a.endAddress);
    j.field("writeAddressWord", a.writeAddressWord);
    j.field("writeAddressTact", a.writeAddressTact);
    j.field("writeAddressTactCount", a.writeAddressTactCount);
}

}  // namespace

std::string dumpJson(const model::TestDocument& doc, const std::vector<std::string>& messages) {
    Json j;
    const int test = doc.currentTest();
    j.open('{');
    j.field("fileName", doc.fileName());
    j.field("testName", doc.testName());
    j.field("testCount", doc.testCount());
    j.field("tactCount", doc.tactCount());
    j.key("package");
    j.open('{');
    j.field("packageType", doc.package().packageType == model::PackageType::SOIC ? "SOIC" : "DIP");
    j.field("pinCount", doc.pinCount());
    j.close('}');

    auto pinObject = [&](int row) {
        j.open('{');
        j.field("row", row);
        j.field("pinType", doc.pin(row).pinType);
        j.field("pinName", doc.pin(row).pinName);
        j.close('}');
    };
    j.key("pins");
    j.open('[');
    for (int n = 1; n <= doc.pinCount(); ++n) pinObject(n);
    for (int n = 1; n <= doc.pinCount(); ++n)
        if (doc.pin(n).pinType == model::PinType::InOut) pinObject(n + model::kPinRows);
    j.close(']');

    j.key("rows");
    j.open('[');
    for (int k = 1; k <= doc.displayRowCount(); ++k) {
        const model::SignalEntry e = doc.signalEntry(test, k);
        const int row = doc.signalRow(test, k);
        j.open('{');
        j.field("position", k);
        j.field("row", row);
        j.field("pin", e.pin);
        j.field("kind", static_cast<int>(e.kind));
        const bool valid = row >= 0 && row <= model::kMaxRow;
        j.field("pinType", valid ? doc.pin(row).pinType : std::string());
        j.field("pinName", valid ? doc.pin(row).pinName : std::string());
        j.field("pinFunction", doc.pinFunction(test, row));
        std::string levels(static_cast<size_t>(doc.tactCount()), '2');
        for (int t = 1; t <= doc.tactCount(); ++t)
            levels[static_cast<size_t>(t) - 1] = static_cast<char>('0' + doc.getCell(test, row, t));
        j.field("levels", levels);
        j.close('}');
    }
    j.close(']');

    j.key("dataWords");
    j.open('[');
    for (const model::DataWord& w : doc.dataWords()) {
        j.open('{');
        j.field("wordName", w.wordName);
        j.key("memberRows");
        j.open('[');
        for (int r : w.members()) j.value(static_cast<long long>(r));
        j.close(']');
        j.field("radix", w.radix);
        j.field("code", w.code);
        j.field("direction", w.direction);
        j.field("linkToTestFile", w.linkToTestFile);
        j.close('}');
    }
    j.close(']');

    j.field("activeAlgorithm", doc.activeAlgorithm());
    j.key("algorithms");
    j.open('[');
    for (const auto& a : doc.algorithms()) {
        j.open('{');
        algorithmFields(j, a);
        j.close('}');
    }
    j.close(']');
    j.key("testParameters");
    j.open('{');
    j.field("tactDuration", doc.testParameters().tactDuration);
    j.field("levelHighCode", doc.testParameters().levelHighCode);
    j.field("levelLowCode", doc.testParameters().levelLowCode);
    j.close('}');
    j.field("descriptionFile", doc.descriptionFile());
    j.key("messages");
    j.open('[');
    for (const auto& m : messages) j.value(m);
    j.close(']');
    j.close('}');
    return j.take();
}

}  // namespace kvx::tool

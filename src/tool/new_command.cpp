#include "tool/new_command.h"

#include <iostream>
#include <tuple>

#include "storage/test_file.h"

namespace kvx::tool {

namespace {

std::optional<int> pinNumber(const std::string& text) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    return std::stoi(text);
}

}  // namespace

std::optional<NewOptions> parseNewOptions(const std::vector<std::string>& args, std::string& error) {
    NewOptions o;
    std::optional<std::string> packageName;
    std::optional<std::string> vcc;
    std::optional<std::string> gnd;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--package" || a == "--vcc" || a == "--gnd") {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return std::nullopt;
            }
            auto& slot = a == "--package" ? packageName : a == "--vcc" ? vcc : gnd;
            slot = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option " + a;
            return std::nullopt;
        } else if (o.out.empty()) {
            o.out = a;
        } else {
            error = "more than one output file";
            return std::nullopt;
        }
    }
    if (o.out.empty()) {
        error = "no output file";
        return std::nullopt;
    }
    if (!packageName) {
        if (vcc || gnd) {
            error = "--vcc and --gnd need --package";
            return std::nullopt;
        }
        return o;
    }
    const auto package = params::parsePackageName(*packageName);
    if (!package) {
        error = "unknown package '" + *packageName +
                "': DIP or SOIC followed by 8, 14, 16, 18, 20, 24, 28, 32 or 40 (DIP16, SOIC28)";
        return std::nullopt;
    }
    params::PackageChoice c = params::defaultChoice(package->packageType, package->pinCount);
    for (const auto& [text, pin, name] : {std::tuple{vcc, &c.vcc, "--vcc"}, std::tuple{gnd, &c.gnd, "--gnd"}}) {
        if (!text) continue;
        const auto n = pinNumber(*text);
        if (!n || *n < 1 || *n > c.pinCount) {
            error = std::string(name) + " must be a pin number from 1 to " + std::to_string(c.pinCount);
            return std::nullopt;
        }
        *pin = *n;
    }
    if (c.vcc == c.gnd) {
        error = "VCC and GND cannot be the same pin (" + std::to_string(c.vcc) + ")";
        return std::nullopt;
    }
    o.package = c;
    return o;
}

void makeNewTest(model::TestDocument& doc, const NewOptions& options) {
    doc.testParameters().resetToDefaults();
    doc.clearDocument();
    if (options.package) params::applyPackage(doc, *options.package);
}

int runNew(const std::vector<std::string>& args) {
    std::string error;
    const auto options = parseNewOptions(args, error);
    if (!options) {
        std::cerr << "kvxtool new: " << error << "\n";
        return 2;
    }
    model::TestDocument doc;
    makeNewTest(doc, *options);
    const auto saved = storage::saveTestFile(doc, options->out);
    if (!saved.ok) {
        std::cerr << "kvxtool: " << saved.error << "\n";
        return 2;
    }
    return 0;
}

}  // namespace kvx::tool

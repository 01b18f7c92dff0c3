#pragma once
// "kvxtool new OUT [--package DIP16 [--vcc N --gnd N]]": the test that "Новый файл" gives,
// with the package the package dialog would apply.

#include <optional>
#include <string>
#include <vector>

#include "params/package.h"

namespace kvx::tool {

struct NewOptions {
    std::string out;
    std::optional<params::PackageChoice> package;  ///< none: the cleared 8-pin test
};

/// Parses the arguments after "new"; on failure `error` holds a one-line reason.
std::optional<NewOptions> parseNewOptions(const std::vector<std::string>& args, std::string& error);
/// The new test of these options.
void makeNewTest(model::TestDocument& doc, const NewOptions& options);
/// Runs the command; exit status 0, or 2 with a reason on standard error.
int runNew(const std::vector<std::string>& args);

}  // namespace kvx::tool

#pragma once
// Version texts of the program, taken from the data the build puts into version_info.h.

#include <string>

namespace kvx::app {

/// The value of a named version string ("FileVersion", "LegalCopyright", "Support",
/// "Email", "CompanyName", "ProductName"), or an empty text for any other name.
std::string readVersionValue(const std::string& name);

}  // namespace kvx::app

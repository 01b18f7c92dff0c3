#include "app/version.h"

#include <array>
#include <utility>

#include "version_info.h"

namespace kvx::app {

std::string readVersionValue(const std::string& name) {
    // The same names as a version block of an executable carries; names compare exactly.
    static const std::array<std::pair<const char*, const char*>, 6> table = {{
        {"FileVersion", KVX_VERSION_STRING},
        {"LegalCopyright", KVX_COPYRIGHT},
        {"Support", KVX_SUPPORT},
        {"Email", KVX_EMAIL},
        {"CompanyName", KVX_COMPANY_NAME},
        {"ProductName", KVX_PRODUCT_NAME},
    }};
    for (const auto& [key, value] : table)
        if (name == key) return value;
    return {};
}

}  // namespace kvx::app

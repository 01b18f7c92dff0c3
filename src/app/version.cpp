#include "app/version.h"

#include <array>
#include <utility>

#include "version_info.h"
#ifdef _WIN32
#include "platform/win32/version_block.h"
#endif

namespace kvx::app {

std::string readVersionValue(const std::string& name) {
#ifdef _WIN32
    // The values the build wrote into the program file's own version block.
    return platform::win32::ownVersionValue(name);
#else
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
#endif
}

}  // namespace kvx::app

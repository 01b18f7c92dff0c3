#include "tool/utf8_arguments.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace kvx::tool {

Utf8Arguments::Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i) {
            const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
            std::string s(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
            if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, s.data(), n, nullptr, nullptr);
            texts_.push_back(std::move(s));
        }
        LocalFree(wide);
    }
#endif
    if (texts_.empty())
        for (int i = 0; i < argc; ++i) texts_.emplace_back(argv[i]);
    for (auto& t : texts_) pointers_.push_back(t.data());
    pointers_.push_back(nullptr);
}

}  // namespace kvx::tool

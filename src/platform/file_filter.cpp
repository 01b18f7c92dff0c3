#include "platform/file_filter.h"

#include <vector>

namespace kvx::platform {

namespace {

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : text) {
        if (c == sep) {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    return parts;
}

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string toQtFilter(const std::string& filter) {
    const auto parts = split(filter, '|');
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        const std::string description = trim(parts[i]);
        std::string patterns;
        for (const auto& p : split(parts[i + 1], ';')) {
            const std::string pattern = trim(p);
            if (pattern.empty()) continue;
            if (!patterns.empty()) patterns += ' ';
            patterns += pattern;
        }
        if (patterns.empty()) continue;
        if (!out.empty()) out += ";;";
        const std::string bracketed = "(" + patterns + ")";
        const bool named = description.size() >= bracketed.size() &&
                           description.compare(description.size() - bracketed.size(), bracketed.size(), bracketed) == 0;
        out += named ? description : (description.empty() ? bracketed : description + " " + bracketed);
    }
    return out;
}

}  // namespace kvx::platform

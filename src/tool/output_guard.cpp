#include "tool/output_guard.h"

#include <iostream>

#include "params/comment_file.h"

namespace kvx::tool {

std::string refusedOutput(const std::string& output, const std::string& test,
                          std::vector<storage::GuardedFile> others) {
    if (!test.empty()) {
        others.insert(others.begin(), {{test, "файл теста"}, {params::commentFilePath(test), "файл комментария к тесту"}});
    }
    return storage::refuseOverwrite(output, others);
}

bool outputRefused(const std::string& output, const std::string& test, std::vector<storage::GuardedFile> others) {
    const std::string refusal = refusedOutput(output, test, std::move(others));
    if (refusal.empty()) return false;
    std::cerr << "kvxtool: " << refusal << "\n";
    return true;
}

}  // namespace kvx::tool

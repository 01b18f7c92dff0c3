#pragma once
// The command line as UTF-8 texts. On Windows the narrow arguments of main are in the ANSI
// code page, which cannot hold every file name; they are taken from the UTF-16 command line.

#include <string>
#include <vector>

namespace kvx::tool {

class Utf8Arguments {
public:
    Utf8Arguments(int argc, char** argv);
    int argc() const { return static_cast<int>(pointers_.size()) - 1; }
    char** argv() { return pointers_.data(); }

private:
    std::vector<std::string> texts_;
    std::vector<char*> pointers_;
};

}  // namespace kvx::tool

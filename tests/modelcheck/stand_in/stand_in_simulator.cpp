// A stand-in for the simulator in the process runner's tests, where Icarus Verilog is not at
// hand (the Windows build under Wine):
//   echo CODE ARGS...   prints the current folder and each argument on a line, ends with CODE
//   loop                never ends
//   spawn FILE          starts "beat FILE" as a process of its own, then never ends
//   beat FILE           appends a line to FILE every 20 ms, never ends
//   trace NAME          writes a small trace file NAME in the current folder
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

std::string utf8(const std::filesystem::path& p) {
    const auto u = p.u8string();
    return std::string(u.begin(), u.end());
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Lines end with "\n" alone, as a simulator writes them elsewhere.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The arguments as the runner gave them (UTF-16), not in the system's code page.
    std::vector<std::string> wideArguments;
    std::vector<char*> pointers;
    if (wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        for (int i = 0; i < argc; ++i) wideArguments.push_back(utf8(std::filesystem::path(list[i])));
        for (auto& a : wideArguments) pointers.push_back(a.data());
        argv = pointers.data();
    }
#endif
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "echo" && argc > 2) {
        std::cout << "cwd=" << utf8(std::filesystem::current_path().filename()) << "\n";
        for (int i = 3; i < argc; ++i) std::cout << "arg=" << argv[i] << "\n";
        std::cout.flush();
        std::cerr << "done\n";
        return std::atoi(argv[2]);
    }
    if (mode == "loop") {
        volatile unsigned long long n = 0;
        for (;;) n = n + 1;
    }
    if (mode == "spawn" && argc > 2) {
#ifdef _WIN32
        std::wstring line = L"\"" + std::filesystem::absolute(std::filesystem::u8path(argv[0])).wstring() + L"\" beat \"" +
                            std::filesystem::u8path(argv[2]).wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return 3;
#else
        if (fork() == 0) {
            execl(argv[0], argv[0], "beat", argv[2], static_cast<char*>(nullptr));
            _exit(3);
        }
#endif
        for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (mode == "beat" && argc > 2) {
        for (;;) {
            std::ofstream(std::filesystem::u8path(argv[2]), std::ios::app) << "beat\n";
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    if (mode == "trace" && argc > 2) {
        std::ofstream(argv[2]) << "$timescale 1ns $end\n$enddefinitions $end\n";
        return 0;
    }
    std::cerr << "stand-in simulator: unknown mode\n";
    return 2;
}

// The process runner on POSIX: fork and exec in a process group of its own, so that the time
// limit and a cancellation stop the program together with everything it started.
#ifndef _WIN32

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "modelcheck/process_platform.h"

namespace kvx::modelcheck {

namespace {

bool executable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

/// The file the program name leads to on the search path; empty when there is none.
std::string findProgram(const std::string& program) {
    if (program.empty()) return {};
    if (program.find('/') != std::string::npos) return executable(program) ? program : std::string();
    const char* path = std::getenv("PATH");
    const std::string list = path ? path : "/usr/bin:/bin";
    std::size_t at = 0;
    while (at <= list.size()) {
        const auto end = std::min(list.find(':', at), list.size());
        const std::string dir = end > at ? list.substr(at, end - at) : std::string(".");
        if (const std::string candidate = dir + "/" + program; executable(candidate)) return candidate;
        at = end + 1;
    }
    return {};
}

extern "C" void onTerminationSignal(int signal) { stopAllRuns(signal); }

}  // namespace

bool programAvailable(const std::string& program) { return !findProgram(program).empty(); }

void stopRunsOnTerminationSignals() {
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

namespace platform {

ProgramRun spawnAndWait(const std::vector<std::string>& arguments, const std::string& logPath,
                        const RunOptions& options) {
    ProgramRun run;
    const std::string program = findProgram(arguments[0]);
    if (program.empty()) {
        run.started = false;
        run.output = "Программа " + arguments[0] + " не найдена";
        return run;
    }
    // Everything the child needs is made before fork: after it only system calls follow.
    std::vector<char*> argv;
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (log < 0 || null < 0) {
        if (log >= 0) ::close(log);
        if (null >= 0) ::close(null);
        run.started = false;
        run.output = "Не удалось создать файл " + logPath + ": " + std::strerror(errno);
        return run;
    }
    const char* folder = options.workFolder.empty() ? nullptr : options.workFolder.c_str();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        if (folder && ::chdir(folder) != 0) ::_exit(127);
        ::dup2(null, 0);
        ::dup2(log, 1);
        ::dup2(log, 2);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(log);
    ::close(null);
    if (pid < 0) {
        run.started = false;
        run.output = std::string("Не удалось запустить ") + arguments[0] + ": " + std::strerror(errno);
        return run;
    }
    ::setpgid(pid, pid);  // also here: the child may not have run yet

    const auto began = std::chrono::steady_clock::now();
    const auto limit = std::chrono::seconds(options.timeLimitSeconds);
    int status = 0;
    for (int looks = 0;; ++looks) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) {
            status = -1;
            break;
        }
        const bool late = options.timeLimitSeconds > 0 && std::chrono::steady_clock::now() - began >= limit;
        if (late || stopRequested(options.control)) {
            (late ? run.timedOut : run.cancelled) = true;
            ::kill(-pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMilliseconds(looks)));
    }
    // What the program started and left behind goes too.
    ::kill(-pid, SIGKILL);
    run.exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace platform

}  // namespace kvx::modelcheck

#endif  // !_WIN32

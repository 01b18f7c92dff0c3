// The process runner on Windows: CreateProcessW in a job object, so that the time limit and a
// cancellation end the program together with every process it started.
#ifdef _WIN32

#include <windows.h>

#include <chrono>
#include <cwchar>
#include <mutex>
#include <string>
#include <vector>

#include "modelcheck/process_platform.h"
#include "storage/file_path.h"

namespace kvx::modelcheck {

namespace {

std::wstring wide(const std::string& utf8) { return storage::pathFromUtf8(utf8).wstring(); }

/// One argument as the C runtime of the started program splits its command line.
std::wstring quotedArgument(const std::wstring& a) {
    if (!a.empty() && a.find_first_of(L" \t\n\v\"") == std::wstring::npos) return a;
    std::wstring out = L"\"";
    for (std::size_t i = 0;; ++i) {
        std::size_t slashes = 0;
        while (i < a.size() && a[i] == L'\\') {
            ++slashes;
            ++i;
        }
        if (i == a.size()) {
            out.append(slashes * 2, L'\\');
            break;
        }
        if (a[i] == L'"') {
            out.append(slashes * 2 + 1, L'\\');
        } else {
            out.append(slashes, L'\\');
        }
        out += a[i];
    }
    return out + L"\"";
}

/// The file the program name leads to on the search path (".exe" added); empty when none.
std::wstring findProgram(const std::string& program) {
    const std::wstring name = wide(program);
    for (const wchar_t* ext : {L".exe", static_cast<const wchar_t*>(nullptr)}) {
        wchar_t found[MAX_PATH * 4];
        const DWORD n = SearchPathW(nullptr, name.c_str(), ext, static_cast<DWORD>(std::size(found)), found, nullptr);
        if (n > 0 && n < std::size(found)) {
            const DWORD attributes = GetFileAttributesW(found);
            if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
                return std::wstring(found, n);
        }
    }
    return {};
}

/// Handles made inheritable only while one process is created, so that parallel runs do not
/// inherit each other's log files.
std::mutex creating;

BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
        stopAllRuns(event == CTRL_CLOSE_EVENT ? 15 : 2);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

bool programAvailable(const std::string& program) { return !findProgram(program).empty(); }

void stopRunsOnTerminationSignals() { SetConsoleCtrlHandler(onConsoleEvent, TRUE); }

namespace platform {

ProgramRun spawnAndWait(const std::vector<std::string>& arguments, const std::string& logPath,
                        const RunOptions& options) {
    ProgramRun run;
    const std::wstring program = findProgram(arguments[0]);
    if (program.empty()) {
        run.started = false;
        run.output = "Программа " + arguments[0] + " не найдена";
        return run;
    }
    std::wstring line = quotedArgument(program);
    for (std::size_t i = 1; i < arguments.size(); ++i) line += L" " + quotedArgument(wide(arguments[i]));
    std::vector<wchar_t> lineBuffer(line.begin(), line.end());
    lineBuffer.push_back(L'\0');
    const std::wstring folder = options.workFolder.empty() ? std::wstring() : wide(options.workFolder);

    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    PROCESS_INFORMATION process{};
    BOOL created = FALSE;
    {
        const std::lock_guard<std::mutex> lock(creating);
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE log = CreateFileW(wide(logPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        HANDLE null = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                  nullptr);
        if (log == INVALID_HANDLE_VALUE || null == INVALID_HANDLE_VALUE) {
            if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
            if (null != INVALID_HANDLE_VALUE) CloseHandle(null);
            if (job) CloseHandle(job);
            run.started = false;
            run.output = "Не удалось создать файл " + logPath;
            return run;
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = null;
        startup.hStdOutput = log;
        startup.hStdError = log;
        created = CreateProcessW(program.c_str(), lineBuffer.data(), nullptr, nullptr, TRUE,
                                 CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, nullptr,
                                 folder.empty() ? nullptr : folder.c_str(), &startup, &process);
        CloseHandle(log);
        CloseHandle(null);
    }
    if (!created) {
        if (job) CloseHandle(job);
        run.started = false;
        run.output = "Не удалось запустить " + arguments[0] + " (ошибка " + std::to_string(GetLastError()) + ")";
        return run;
    }
    if (job) AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);

    const auto began = std::chrono::steady_clock::now();
    const auto limit = std::chrono::seconds(options.timeLimitSeconds);
    for (int looks = 0;; ++looks) {
        if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(pollMilliseconds(looks))) == WAIT_OBJECT_0) break;
        const bool late = options.timeLimitSeconds > 0 && std::chrono::steady_clock::now() - began >= limit;
        if (late || stopRequested(options.control)) {
            (late ? run.timedOut : run.cancelled) = true;
            if (job) TerminateJobObject(job, kTimedOut);
            TerminateProcess(process.hProcess, kTimedOut);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
    }
    DWORD code = 0;
    run.exitCode = GetExitCodeProcess(process.hProcess, &code) ? static_cast<int>(code) : -1;
    CloseHandle(process.hProcess);
    if (job) {
        TerminateJobObject(job, 1);  // what the program started and left behind
        CloseHandle(job);
    }
    return run;
}

}  // namespace platform

}  // namespace kvx::modelcheck

#endif  // _WIN32

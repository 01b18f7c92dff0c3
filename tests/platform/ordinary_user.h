#pragma once
// Checks of access rights have to meet them: the superuser passes every permission check.
// asOrdinaryUser runs such checks directly when the tests run as an ordinary user; run as
// root (as the CI runs them), it forks, and the child gives up root for the user "nobody"
// before it runs the checks; the child's failures are printed as they happen and fail the
// test. On Windows the checks run directly: the read-only attribute binds every user.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#ifndef _WIN32
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace kvx::testing {

/// True where POSIX access rights (modes of files and folders) can be tested.
inline constexpr bool kPosixRights =
#ifdef _WIN32
    false;
#else
    true;
#endif

/// Runs `checks` as a user whose access rights the system checks. `scratch`, a folder of the
/// test, is handed to that user first: the checks make their files in it.
inline void asOrdinaryUser(const std::filesystem::path& scratch, const std::function<void()>& checks) {
#ifdef _WIN32
    (void)scratch;
    checks();
#else
    if (::geteuid() != 0) {
        checks();
        return;
    }
    const passwd* nobody = ::getpwnam("nobody");
    const uid_t uid = nobody ? nobody->pw_uid : 65534;
    const gid_t gid = nobody ? nobody->pw_gid : 65534;
    ASSERT_EQ(::chown(scratch.c_str(), uid, gid), 0) << scratch;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0) << "fork failed";
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0 ||
            ::geteuid() == 0) {
            std::fprintf(stderr, "could not become the user nobody\n");
            std::fflush(nullptr);
            ::_exit(3);
        }
        checks();
        std::fflush(nullptr);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the checks run as the user nobody failed (their messages are above); wait status " << status;
#endif
}

}  // namespace kvx::testing

#pragma once

// Runs a piece of a test as a user without privileges, in a child process:
// the tests run as root in CI, and root may write any file, so permission
// checks are only seen by a user who is refused.

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

inline constexpr uid_t kUnprivilegedId = 65534;

// The text body returned in the child, which runs as uid and gid 65534 when
// the test runs as root and as the test's own user otherwise. A text starting
// with "child:" says the child could not run body to its end.
inline std::string AsUnprivilegedUser(const std::function<std::string()>& body)
{
    int channel[2];
    if (::pipe(channel) != 0) return "child: no pipe";
    const pid_t child = ::fork();
    if (child < 0) return "child: no fork";
    if (child == 0) {
        ::close(channel[0]);
        const bool dropped =
            ::geteuid() != 0 || (::setgroups(0, nullptr) == 0 && ::setgid(kUnprivilegedId) == 0 &&
                                 ::setuid(kUnprivilegedId) == 0);
        const std::string result = dropped ? body() : "child: could not become uid 65534";
        std::size_t done = 0;
        while (done < result.size()) {
            const ssize_t written = ::write(channel[1], result.data() + done, result.size() - done);
            if (written <= 0) ::_exit(2);
            done += static_cast<std::size_t>(written);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string result;
    char buffer[512];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(got));
    ::close(channel[0]);
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child: ended abnormally";
    return result;
}

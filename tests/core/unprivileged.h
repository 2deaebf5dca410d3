#pragma once
// Runs a check where file permissions hold: in a child process which, when
// this one is root, first becomes the unprivileged user 65534 ("nobody").
// Root reads a file of mode 000 regardless, so without this a test of an
// unreadable file could only run as a normal user.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

namespace unprivileged {

struct Outcome {
    std::string value;    // what the check returned
    std::string problem;  // why the check could not run; empty when it did
};

namespace detail {

inline void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(4);
        done += static_cast<size_t>(n);
    }
}

}  // namespace detail

// Runs `check` in the child, once `reachable` (a path the check is about)
// can be looked up there, and hands back its result.
inline Outcome Run(const std::string& reachable, const std::function<std::string()>& check) {
    int fds[2];
    if (::pipe(fds) != 0) return {"", std::string("pipe: ") + std::strerror(errno)};
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int err = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        return {"", std::string("fork: ") + std::strerror(err)};
    }
    if (pid == 0) {
        ::close(fds[0]);
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0 || ::geteuid() == 0)) {
            detail::WriteAll(fds[1], std::string("cannot become user 65534: ") + std::strerror(errno));
            _exit(3);
        }
        struct stat st;
        if (::stat(reachable.c_str(), &st) != 0) {
            detail::WriteAll(fds[1], "cannot look up " + reachable + " as user " + std::to_string(::geteuid()) +
                                         ": " + std::strerror(errno));
            _exit(3);
        }
        detail::WriteAll(fds[1], check());
        _exit(0);  // no exit handlers of the parent's state
    }
    ::close(fds[1]);
    std::string text;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {text, ""};
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) return {"", text};
    return {"", "the check's process ended with status " + std::to_string(status)};
}

}  // namespace unprivileged

#pragma once
// Stations as separate processes, the way two stations on one host share a
// folder: each child runs body(child) and exits with its result.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <vector>

namespace tagwright::test {

// True when every child ran and its body returned true.
inline bool RunStations(int count, const std::function<bool(int)>& body) {
    std::vector<pid_t> children;
    for (int child = 0; child < count; ++child) {
        const pid_t pid = ::fork();
        if (pid < 0) return false;
        if (pid == 0) {
            bool ok = false;
            {
                ok = body(child);
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    bool all = true;
    for (pid_t pid : children) {
        int status = 0;
        all = ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
              WEXITSTATUS(status) == 0 && all;
    }
    return all;
}

}  // namespace tagwright::test

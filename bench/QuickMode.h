#pragma once
// The short mode every benchmark has: `--quick` runs a few iterations of its
// work, enough to prove that the work still runs and still succeeds. The
// test suite runs each benchmark so; the figures it prints mean nothing.

#include <cstring>

namespace tagwright::bench {

// True when the arguments hold --quick. The flag is taken out, so that the
// positional arguments keep their places.
inline bool TakeQuickFlag(int& argc, char** argv) {
    bool quick = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return quick;
}

}  // namespace tagwright::bench

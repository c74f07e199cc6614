#pragma once
// Lowers the largest file this process may write (RLIMIT_FSIZE) for the
// fixture's life, so that a write fails part way as on a full disk. Root
// ignores permission bits, so this is how the tests make writes fail.

#include <csignal>
#include <cstddef>

#include <sys/resource.h>

namespace tagwright::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(std::size_t bytes) {
        ok_ = ::getrlimit(RLIMIT_FSIZE, &saved_) == 0;
        // Beyond the limit a write fails with EFBIG instead of killing us.
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        ok_ = ok_ && ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool Ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
    bool ok_ = false;
};

}  // namespace tagwright::test

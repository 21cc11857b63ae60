#pragma once
// A write that fails for real without a full disk: while a FileSizeLimit lives, the kernel refuses every write
// past the given size (EFBIG), as a full disk refuses one (ENOSPC). Its signal is ignored meanwhile, so that
// the write fails instead of ending the test.

#include <csignal>

#include <sys/resource.h>

namespace test_support {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_old_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_old_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_old_handler)(int) = SIG_DFL;
};

} // namespace test_support

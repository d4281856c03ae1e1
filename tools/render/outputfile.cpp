#include "outputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace brindlewave::render {

namespace {

// The temporary file a signal handler removes: a fixed buffer, as a handler may not allocate.
char gPending[PATH_MAX];
volatile std::sig_atomic_t gHavePending = 0;

void setPending(const std::string& path) {
    gHavePending = 0;
    if (path.size() >= sizeof gPending) return;
    std::memcpy(gPending, path.c_str(), path.size() + 1);
    gHavePending = 1;
}

void removePendingAndEnd(int sig) {
    if (gHavePending) ::unlink(gPending);
    std::signal(sig, SIG_DFL);
    std::raise(sig);  // delivered on return, so the status still says which signal ended it
}

bool writeAll(int fd, const unsigned char* p, std::size_t n, int& err) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, std::min<std::size_t>(n, std::size_t(1) << 30));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            err = w < 0 ? errno : EIO;
            return false;
        }
        p += w;
        n -= std::size_t(w);
    }
    return true;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

bool OutputFile::fail(const char* what, int err, std::string& error) {
    error = std::string(what) + " " + path_ + ": " + std::strerror(err);
    discard();
    return false;
}

bool OutputFile::open(const std::string& path, std::string& error) {
    discard();
    standardOutput_ = regularStdout_ = false;
    start_ = 0;
    target_.clear();
    path_ = path == "-" ? "standard output" : path;
    struct stat st = {};
    struct stat out1 = {};
    const bool haveStdout = ::fstat(STDOUT_FILENO, &out1) == 0;
    const bool exists = path != "-" && ::stat(path.c_str(), &st) == 0;
    if (!exists && path != "-" && errno != ENOENT) return fail("cannot create", errno, error);
    // A device is shared by everyone: /dev/null here and as standard output is no sign that
    // standard output was meant.
    if (path == "-" || (exists && haveStdout && sameFile(st, out1) && !S_ISCHR(st.st_mode))) {
        const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
        if (!haveStdout || flags < 0) return fail("cannot write", EBADF, error);
        if ((flags & O_ACCMODE) == O_RDONLY) return fail("cannot write", EBADF, error);
        standardOutput_ = true;
        fd_ = STDOUT_FILENO;
        if (S_ISREG(out1.st_mode)) {
            regularStdout_ = true;
            start_ = (flags & O_APPEND) ? out1.st_size : ::lseek(STDOUT_FILENO, 0, SEEK_CUR);
            if (start_ < 0) return fail("cannot write", errno, error);
        }
        return true;
    }
    if (exists && S_ISDIR(st.st_mode)) return fail("cannot create", EISDIR, error);
    if (exists && !S_ISREG(st.st_mode)) {
        // Blocks until a FIFO has a reader, as any writer does.
        fd_ = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) return fail("cannot create", errno, error);
        return true;
    }

    // A link is written through, as opening it would: its target is replaced, not the link.
    mode_t mode;
    if (exists) {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (resolved == nullptr) return fail("cannot create", errno, error);
        target_ = resolved;
        std::free(resolved);
        mode = st.st_mode & 0777;
    } else {
        target_ = path;
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const std::size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
    const std::string name = target_.substr(folder.size());
    // Hidden, named after the output, and short enough for any file system's name limit.
    temporary_ = folder + "." + name.substr(0, 200) + ".XXXXXX";
    fd_ = ::mkostemp(temporary_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        const int err = errno;
        temporary_.clear();
        return fail("cannot create", err, error);
    }
    setPending(temporary_);
    // mkostemp makes the file private; the output gets what a plain creation would give it,
    // or keeps the permissions it had.
    if (::fchmod(fd_, mode) != 0) return fail("cannot create", errno, error);
    return true;
}

bool OutputFile::reserve(std::uint64_t bytes, std::string& error) {
    if (temporary_.empty() || fd_ < 0 || bytes == 0) return true;
    if (bytes > std::uint64_t(std::numeric_limits<off_t>::max()))
        return fail("cannot write", EFBIG, error);
    if (::fallocate(fd_, 0, 0, off_t(bytes)) == 0) return true;
    if (errno == EOPNOTSUPP || errno == ENOSYS) return true;
    return fail("cannot write", errno, error);
}

bool OutputFile::commit(std::span<const unsigned char> bytes, std::string& error) {
    if (fd_ < 0) return fail("cannot write", EBADF, error);
    int err = 0;
    if (temporary_.empty()) {
        // A regular file as standard output is flushed too, to hear of a failure now, and cut
        // back to where this write began when it fails; a pipe or device cannot be.
        bool ok = writeAll(fd_, bytes.data(), bytes.size(), err);
        if (ok && regularStdout_ && ::fsync(fd_) != 0) ok = false, err = errno;
        if (!ok && regularStdout_ && ::ftruncate(fd_, start_) == 0) ::lseek(fd_, start_, SEEK_SET);
        if (!ok) return fail("cannot write", err, error);
        if (!standardOutput_) ::close(fd_);
        fd_ = -1;
        return true;
    }
    if (!writeAll(fd_, bytes.data(), bytes.size(), err)) return fail("cannot write", err, error);
    // The reservation may have been longer than what was written.
    if (::ftruncate(fd_, off_t(bytes.size())) != 0) return fail("cannot write", errno, error);
    if (::fsync(fd_) != 0) return fail("cannot write", errno, error);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return fail("cannot write", errno, error);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        return fail("cannot write", errno, error);
    gHavePending = 0;
    temporary_.clear();
    return true;
}

void OutputFile::discard() noexcept {
    if (fd_ >= 0 && !standardOutput_) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) {
        gHavePending = 0;
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

bool sameStoredFile(const std::string& input, const std::string& output) {
    struct stat in = {};
    struct stat out = {};
    if (::stat(input.c_str(), &in) != 0) return false;
    // Reading a pipe or device writes nothing back to it.
    if (!S_ISREG(in.st_mode) && !S_ISBLK(in.st_mode)) return false;
    const int r = output == "-" ? ::fstat(STDOUT_FILENO, &out) : ::stat(output.c_str(), &out);
    return r == 0 && sameFile(in, out);
}

void cleanUpOnSignals() {
    struct sigaction sa {};
    sa.sa_handler = removePendingAndEnd;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        // A signal the caller chose to ignore stays ignored.
        if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        ::sigaction(sig, &sa, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace brindlewave::render

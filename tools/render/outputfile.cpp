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

// "dir/" of "dir/name", "" of "name".
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// The name a write to `path` lands on: the symbolic links at its end followed, as opening it
// follows them, also to a target that is not there yet.
bool followLinks(std::string path, std::string& target, int& err) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        const bool there = ::lstat(path.c_str(), &st) == 0;
        if (!there && errno != ENOENT) {
            err = errno;
            return false;
        }
        if (!there || !S_ISLNK(st.st_mode)) {
            target = path;
            return true;
        }
        char link[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), link, sizeof link);
        if (n < 0 || n == sizeof link) {
            err = n < 0 ? errno : ENAMETOOLONG;
            return false;
        }
        const std::string to(link, std::size_t(n));
        path = to[0] == '/' ? to : folderOf(path) + to;
    }
    err = ELOOP;
    return false;
}

// Hidden, named after the output, and short enough for any file system's name limit.
std::string temporaryName(const std::string& target, const std::string& suffix) {
    const std::string folder = folderOf(target);
    return folder + "." + target.substr(folder.size(), 200) + "." + suffix;
}

// A file with no name yet in `folder`, or -1 with `err` set. Naming it later goes through
// /proc, so without /proc it is as if the file system did not offer it.
int openUnnamed(const std::string& folder, int& err) {
    if (::access("/proc/self/fd", X_OK) != 0) {
        err = EOPNOTSUPP;
        return -1;
    }
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) err = errno;
    return fd;
}

// The owner and group of the file replaced, where the caller may set them, as its mode is kept.
// A group that cannot be kept gets only what others get, so that no one gains access.
bool keepOwner(int fd, const struct stat& old, mode_t& mode, int& err) {
    struct stat now {};
    if (::fstat(fd, &now) != 0) {
        err = errno;
        return false;
    }
    if (now.st_uid == old.st_uid && now.st_gid == old.st_gid) return true;
    // EPERM: not ours to give away; EINVAL: an id this user namespace cannot name.
    auto refused = [] { return errno == EPERM || errno == EINVAL; };
    if (::fchown(fd, old.st_uid, old.st_gid) == 0) return true;
    if (!refused()) {
        err = errno;
        return false;
    }
    if (now.st_gid == old.st_gid || ::fchown(fd, uid_t(-1), old.st_gid) == 0) return true;
    if (!refused()) {
        err = errno;
        return false;
    }
    mode = (mode & ~mode_t(070)) | ((mode & 07) << 3);
    return true;
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

    int err = 0;
    if (!followLinks(path, target_, err)) return fail("cannot create", err, error);
    const std::string folder = folderOf(target_);
    if (target_.size() == folder.size()) return fail("cannot create", EISDIR, error);
    mode_t mode;
    if (exists) {
        // What the file's permissions refuse the caller, replacing it would do all the same.
        if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
            return fail("cannot write", errno, error);
        mode = st.st_mode & 0777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    fd_ = openUnnamed(folder, err);
    if (fd_ < 0 && (err == EOPNOTSUPP || err == EISDIR || err == EINVAL)) {
        temporary_ = temporaryName(target_, "XXXXXX");
        fd_ = ::mkostemp(temporary_.data(), O_CLOEXEC);
        err = errno;
        if (fd_ >= 0)
            setPending(temporary_);
        else
            temporary_.clear();
    }
    if (fd_ < 0 && exists && (err == EACCES || err == EPERM)) {
        error = "cannot replace " + path_ +
                ": the new file is made beside it, and its folder cannot be written (" +
                std::strerror(err) + ")";
        discard();
        return false;
    }
    if (fd_ < 0) return fail("cannot create", err, error);
    // The new file gets what a plain creation would give it, or what the file it replaces had.
    if (exists && !keepOwner(fd_, st, mode, err)) return fail("cannot create", err, error);
    if (::fchmod(fd_, mode) != 0) return fail("cannot create", errno, error);
    return true;
}

bool OutputFile::reserve(std::uint64_t bytes, std::string& error) {
    if (target_.empty() || fd_ < 0 || bytes == 0) return true;
    if (bytes > std::uint64_t(std::numeric_limits<off_t>::max()))
        return fail("cannot write", EFBIG, error);
    if (::fallocate(fd_, 0, 0, off_t(bytes)) == 0) return true;
    if (errno == EOPNOTSUPP || errno == ENOSYS) return true;
    return fail("cannot write", errno, error);
}

bool OutputFile::commit(std::span<const unsigned char> bytes, std::string& error) {
    if (fd_ < 0) return fail("cannot write", EBADF, error);
    int err = 0;
    if (target_.empty()) {
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
    if (temporary_.empty()) {
        // The unnamed file is named only now that it is complete. A link cannot replace a
        // file, so it gets a temporary name for the moment until the rename; a link never
        // replaces a name either, so one another run left is passed over.
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        const std::string pid = std::to_string(::getpid());
        for (int tries = 0;; ++tries) {
            temporary_ = temporaryName(target_, pid + "-" + std::to_string(tries));
            setPending(temporary_);
            const int linked =
                ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary_.c_str(), AT_SYMLINK_FOLLOW);
            if (linked == 0) break;
            err = errno;
            gHavePending = 0;
            temporary_.clear();
            if (err != EEXIST || tries == 100) return fail("cannot write", err, error);
        }
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return fail("cannot write", errno, error);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        return fail("cannot write", errno, error);
    gHavePending = 0;
    temporary_.clear();
    // Without this the rename may not outlive a power loss; the file data already would, so
    // either the old file or the new one is found, and a folder that cannot be flushed is no
    // reason to call the render failed.
    const std::string folder = folderOf(target_);
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
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
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXCPU}) {
        struct sigaction old {};
        // A signal the caller chose to ignore stays ignored.
        if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        ::sigaction(sig, &sa, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace brindlewave::render

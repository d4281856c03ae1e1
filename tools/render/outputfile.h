#pragma once
// Where a rendered file goes, without ever leaving a partial one. A regular file, or a name not
// yet taken, is written as a new file in the same folder, flushed to the disk and renamed over
// the name at the end: a failure leaves no partial file, and a file already there as it was.
// The new file has no name until it is complete where the file system allows, so that nothing
// is left whatever ends the process; elsewhere it has a hidden temporary one. A symbolic link is
// written through: the file lands at its target, and the link stays. A pipe, FIFO, terminal or
// other device cannot be replaced so and is written directly, as is standard output.

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>

namespace brindlewave::render {

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { discard(); }  // what was not committed is removed

    // "-", or any name of the file standard output is, means standard output. The new file is
    // made here, so that a missing folder, one that cannot be written or a write-protected
    // output fails before any work is done. A replaced file keeps its mode, and its owner and
    // group where the caller may set them. On failure returns false and says why in `error`.
    bool open(const std::string& path, std::string& error);
    // Sets aside `bytes` of disk for the new file, so that a full disk or a file-size
    // limit fails before the work that fills them. Does nothing for a direct write or where
    // the file system cannot.
    bool reserve(std::uint64_t bytes, std::string& error);
    // Writes everything, flushes it to the disk and puts it in place, then flushes the folder so
    // that the rename survives a power loss. On failure nothing of it stays: the new file is
    // removed, and what went to a regular file as standard output is cut off again.
    bool commit(std::span<const unsigned char> bytes, std::string& error);
    void discard() noexcept;

    bool isStandardOutput() const { return standardOutput_; }

private:
    bool fail(const char* what, int err, std::string& error);

    std::string path_;    // as given, for messages
    std::string target_;  // what the new file is renamed to, links followed; none: a direct write
    std::string temporary_;  // the new file's name while it has one; none: named once complete
    int fd_ = -1;
    bool standardOutput_ = false;
    bool regularStdout_ = false;  // standard output is a regular file
    off_t start_ = 0;             // where the write into it begins
};

// Whether writing `output` (as OutputFile::open takes it) would overwrite the stored file that
// `input` names: the same device and inode, links followed, so that a symbolic or hard link or
// another spelling of the path is found too.
bool sameStoredFile(const std::string& input, const std::string& output);

// When SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE or a CPU limit ends the process, a pending
// temporary file goes with it. A file-size limit then fails a write, as a full disk does, instead
// of ending the process.
void cleanUpOnSignals();

}  // namespace brindlewave::render

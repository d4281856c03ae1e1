#pragma once
// A plug-in module opened the way hosts open one: dlopen with every symbol bound at once and
// kept local, symbols found by name or by name and version node.

#include <string>

namespace testhost {

class SharedLibrary {
public:
    SharedLibrary() = default;
    explicit SharedLibrary(const std::string& path) { open(path); }
    ~SharedLibrary() { close(); }
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Closes what was open first; false with error() set when the file does not load.
    bool open(const std::string& path);
    void close();

    bool loaded() const { return handle_ != nullptr; }
    const std::string& error() const { return error_; }
    void* handle() const { return handle_; }
    // Null when absent (or nothing is open).
    void* symbol(const char* name) const;
    // The symbol only when it carries the given version node.
    void* versionedSymbol(const char* name, const char* version) const;

private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace testhost

#include "sharedlibrary.h"

#include <dlfcn.h>

namespace testhost {

bool SharedLibrary::open(const std::string& path) {
    close();
    error_.clear();
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* e = dlerror();
        error_ = e ? e : "dlopen failed";
    }
    return handle_ != nullptr;
}

void SharedLibrary::close() {
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
}

void* SharedLibrary::symbol(const char* name) const {
    return handle_ ? dlsym(handle_, name) : nullptr;
}

void* SharedLibrary::versionedSymbol(const char* name, const char* version) const {
    return handle_ ? dlvsym(handle_, name, version) : nullptr;
}

}  // namespace testhost

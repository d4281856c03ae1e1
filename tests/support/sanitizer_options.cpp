// Exhaustion tests need malloc to return null so that our own handler reports it,
// instead of the sanitizer stopping the process first.
extern "C" {
__attribute__((visibility("default"))) const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
__attribute__((visibility("default"))) const char* __tsan_default_options() {
    return "allocator_may_return_null=1";
}
}

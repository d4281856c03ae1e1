#pragma once
// A borrowed reference to a callable taking (int index, int threadIndex): two words, no
// allocation. The callable must outlive every call made through the reference.

#include <concepts>
#include <memory>
#include <type_traits>

namespace rigging {

class TaskRef {
public:
    TaskRef() noexcept = default;

    template <typename F>
    requires(!std::same_as<std::remove_cvref_t<F>, TaskRef> &&
             std::is_object_v<std::remove_reference_t<F>> &&
             std::invocable<std::remove_reference_t<F>&, int, int>) TaskRef(F&& callable)
    noexcept  // NOLINT: converting on purpose
        : object_(const_cast<void*>(static_cast<const void*>(std::addressof(callable)))),
          call_(&invoke<std::remove_reference_t<F>>) {}

    void operator()(int index, int threadIndex) const { call_(object_, index, threadIndex); }
    explicit operator bool() const noexcept { return call_ != nullptr; }

private:
    template <typename F>
    static void invoke(void* object, int index, int threadIndex) {
        (*static_cast<F*>(object))(index, threadIndex);
    }

    void* object_ = nullptr;
    void (*call_)(void*, int, int) = nullptr;
};

}  // namespace rigging

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "rigging/core/nogc.h"

using namespace rigging;

namespace {

int g_destroyed = 0;

struct Base {
    virtual ~Base() { g_destroyed += 1; }
};
struct Secondary {
    virtual ~Secondary() { g_destroyed += 10; }
    int tag = 7;
};
struct Derived : Base, Secondary {
    explicit Derived(int v) : value(v) {}
    ~Derived() override { g_destroyed += 100; }
    int value;
};

TEST(ObjectLifetime, MallocNewRunsConstructorAndDestroyFreeRunsWholeChain) {
    g_destroyed = 0;
    Derived* d = mallocNew<Derived>(42);
    EXPECT_EQ(d->value, 42);
    EXPECT_EQ(d->tag, 7);
    // Released through a secondary base: the most-derived object must be freed.
    Secondary* s = d;
    destroyFree(s);
    EXPECT_EQ(g_destroyed, 111);
}

TEST(ObjectLifetime, DestroyNoGCKeepsMemoryAndNullIsIgnored) {
    g_destroyed = 0;
    void* mem = std::malloc(sizeof(Derived));
    Derived* d = ::new (mem) Derived(1);
    destroyNoGC(d);
    EXPECT_EQ(g_destroyed, 111);
    std::free(mem);
    destroyFree<Derived>(nullptr);
    EXPECT_EQ(g_destroyed, 111);
}

TEST(Slices, FloatSlicesStartAsQuietNaN) {
    auto s = mallocSlice<float>(5);
    ASSERT_EQ(s.size(), 5u);
    for (float f : s) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        EXPECT_EQ(bits, 0x7FC00000u);
    }
    freeSlice(s);
    auto ints = mallocSlice<int>(3);
    for (int i : ints) EXPECT_EQ(i, 0);
    freeSlice(ints);
}

TEST(Slices, DupCopiesBytesIntoANewBlock) {
    int src[4] = {1, 2, 3, 4};
    auto d = mallocDup(std::span<const int>(src));
    ASSERT_NE(d.data(), src);
    EXPECT_EQ(0, std::memcmp(d.data(), src, sizeof(src)));
    freeSlice(d);
}

TEST(Strings, StringDupOfEmptyIsNonNullWithLengthZero) {
    auto s = stringDup("");
    EXPECT_NE(s.data(), nullptr);
    EXPECT_EQ(s.size(), 0u);
    EXPECT_EQ(s.data()[0], '\0');
    std::free(s.data());
    auto t = stringDup("abc");
    EXPECT_EQ(t.size(), 3u);
    EXPECT_STREQ(t.data(), "abc");
    std::free(t.data());
}

// A buffer whose layout puts the element just past the slice at a chosen address residue.
template <typename Char>
void checkBorrowRule() {
    alignas(16) Char buf[32] = {};
    for (int i = 0; i < 31; ++i) buf[i] = static_cast<Char>('a' + (i % 26));
    for (std::size_t n = 1; n < 12; ++n) {
        buf[n] = 0;
        const Char* past = buf + n;
        bool oddAddress = (reinterpret_cast<std::uintptr_t>(past) & 3) != 0;
        {
            CStringImpl<Char> guaranteed(buf, n, true);
            EXPECT_EQ(guaranteed.owned(), !oddAddress) << n;
            EXPECT_EQ(guaranteed.storage()[n], 0);
            EXPECT_EQ(0, std::memcmp(guaranteed.storage(), buf, n * sizeof(Char)));
        }
        {
            // Without the caller's guarantee the view never reads past the slice: it copies.
            CStringImpl<Char> copied(buf, n);
            EXPECT_TRUE(copied.owned());
            EXPECT_NE(copied.storage(), buf);
            EXPECT_EQ(copied.storage()[n], 0);
        }
        buf[n] = static_cast<Char>('x');
        CStringImpl<Char> unterminated(buf, n, true);
        EXPECT_TRUE(unterminated.owned());
        EXPECT_EQ(unterminated.storage()[n], 0);
    }
}

TEST(Strings, CStringBorrowsOnlyTerminatedSlicesAtUnalignedEnds) {
    checkBorrowRule<char>();
    checkBorrowRule<char16_t>();
}

TEST(Strings, EmptyCStringUsesStaticEmptyString) {
    CString a(nullptr, 0);
    EXPECT_FALSE(a.owned());
    EXPECT_EQ(a.storage()[0], '\0');
    CString16 b(nullptr, 0, true);
    EXPECT_FALSE(b.owned());
    EXPECT_EQ(b.storage()[0], u'\0');
}

TEST(MemoryDeathTest, ExhaustionEndsTheProcessWithTheMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    constexpr std::size_t huge = std::numeric_limits<std::size_t>::max() / 4;
    EXPECT_DEATH(
        {
            auto s = mallocSlice<double>(huge);
            (void)s;
        },
        "Memory allocation failed");
    EXPECT_DEATH(
        {
            std::size_t n = std::numeric_limits<std::size_t>::max() / 2 + 1;
            asm("" : "+r"(n));  // keep the size opaque to the compiler
            auto s = mallocSlice<char>(n);
            (void)s;
        },
        "Memory allocation failed");
}

}  // namespace

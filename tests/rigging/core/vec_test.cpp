#include "rigging/core/vec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using namespace rigging;

namespace {

TEST(VecGrowth, DoublesTheNeededCountOnlyWhenFull) {
    Vec<int> v = makeVec<int>();
    EXPECT_EQ(v.ptr(), nullptr);
    EXPECT_EQ(v.capacity(), 0u);
    v.pushBack(1);
    EXPECT_EQ(v.capacity(), 2u);
    v.pushBack(2);
    EXPECT_EQ(v.capacity(), 2u);
    v.pushBack(3);
    EXPECT_EQ(v.capacity(), 6u);
    EXPECT_EQ(v.length(), 3u);
    EXPECT_EQ(v[0] + v[1] + v[2], 6);
}

TEST(VecGrowth, InitialLengthReservesTwiceAndAlignsTheBuffer) {
    Vec<float> v = makeVec<float>(5, 64);
    EXPECT_EQ(v.length(), 5u);
    EXPECT_EQ(v.capacity(), 10u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(v.ptr()) % 64, 0u);
    for (int i = 0; i < 100; ++i) v.pushBack(float(i));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(v.ptr()) % 64, 0u);
    EXPECT_EQ(v[104], 99.0f);
}

TEST(VecGrowth, ShrinkingResizeKeepsBuffer) {
    Vec<int> v(10);
    int* before = v.ptr();
    v.resize(3);
    EXPECT_EQ(v.ptr(), before);
    EXPECT_EQ(v.capacity(), 20u);
    EXPECT_EQ(v.length(), 3u);
}

TEST(VecElements, AppendsSlicesAndOtherVecsByCopy) {
    Vec<int> a;
    int xs[] = {4, 5, 6};
    a.pushBack(std::span<const int>(xs));
    Vec<int> b;
    b.pushBack(1);
    b.pushBack(a);
    ASSERT_EQ(b.length(), 4u);
    EXPECT_EQ(b[3], 6);
    EXPECT_EQ(a.length(), 3u);
    // Appending a Vec to itself reads the source before it moves.
    b.pushBack(b);
    ASSERT_EQ(b.length(), 8u);
    EXPECT_EQ(b[4], 1);
    EXPECT_EQ(b[7], 6);
    // Pushing an element of the Vec itself while it grows.
    Vec<int> c;
    c.pushBack(9);
    c.pushBack(c[0]);
    c.pushBack(c[1]);
    EXPECT_EQ(c[2], 9);
}

TEST(VecElements, IndexOfPopAndRemoveByLast) {
    Vec<int> v;
    EXPECT_EQ(v.indexOf(3), -1);
    for (int i : {7, 8, 9, 8}) v.pushBack(i);
    EXPECT_EQ(v.indexOf(8), 1);
    EXPECT_EQ(v.indexOf(5), -1);
    v.removeAndReplaceByLastElement(0);
    EXPECT_EQ(v.length(), 3u);
    EXPECT_EQ(v[0], 8);
    v.removeAndReplaceByLastElement(2);
    EXPECT_EQ(v.length(), 2u);
    EXPECT_EQ(v[1], 8);
    EXPECT_EQ(v.popBack(), 8);
    EXPECT_EQ(v.length(), 1u);
    v.clearContents();
    EXPECT_EQ(v.length(), 0u);
    EXPECT_NE(v.ptr(), nullptr);
}

TEST(VecOwnership, MoveTransfersAndReleaseHandsOverTheBuffer) {
    Vec<int> a(4, 16);
    int* buf = a.ptr();
    Vec<int> b;
    b.pushBack(1);
    b = std::move(a);
    EXPECT_EQ(b.ptr(), buf);
    EXPECT_EQ(b.length(), 4u);
    EXPECT_EQ(a.ptr(), nullptr);
    auto released = b.releaseData();
    EXPECT_EQ(released.data(), buf);
    EXPECT_EQ(b.ptr(), nullptr);
    EXPECT_EQ(b.capacity(), 0u);
    alignedFree(released.data(), 16);
}

TEST(ReallocBuffer, ResizesAndFreesToEmpty) {
    std::span<double> buf;
    reallocBuffer(buf, 10, 32);
    ASSERT_EQ(buf.size(), 10u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buf.data()) % 32, 0u);
    buf[9] = 3.5;
    reallocBuffer(buf, 40, 32);
    EXPECT_EQ(buf[9], 3.5);
    reallocBuffer(buf, 0, 32);
    EXPECT_EQ(buf.data(), nullptr);
    EXPECT_EQ(buf.size(), 0u);
}

TEST(VecDeathTest, GrowthThatWouldWrapEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            Vec<std::uint64_t> v(1, 16);
            v.resize(std::numeric_limits<std::size_t>::max() / 4);
        },
        "Memory allocation failed");
    EXPECT_DEATH(
        {
            Vec<char> v;
            v.resize(std::numeric_limits<std::size_t>::max() / 2 + 2);
        },
        "Memory allocation failed");
}

}  // namespace

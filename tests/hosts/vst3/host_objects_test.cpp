// The awkward streams and queues the plug-in tests rely on must misbehave exactly as asked.

#include "host_objects.h"

#include <gtest/gtest.h>

using namespace vst3host;

TEST(HostStream, ShortReadsAndEndOfStream) {
    MemoryStream s({1, 2, 3, 4, 5});
    s.maxChunk = 2;
    std::uint8_t buf[8];
    int32 got = -1;
    EXPECT_EQ(s.read(buf, 8, &got), kResultOk);
    EXPECT_EQ(got, 2);
    EXPECT_EQ(s.read(buf, 8, &got), kResultOk);
    EXPECT_EQ(s.read(buf, 8, &got), kResultOk);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(buf[0], 5);
    EXPECT_EQ(s.read(buf, 8, &got), kResultFalse);
    EXPECT_EQ(got, 0);
}

TEST(HostStream, UnseekableAndLimitedWrites) {
    MemoryStream s;
    s.seekable = false;
    int64 pos = 0;
    EXPECT_NE(s.tell(&pos), kResultOk);
    EXPECT_NE(s.seek(0, kIBSeekEnd, &pos), kResultOk);
    s.writeLimit = 3;
    std::uint8_t data[5] = {9, 9, 9, 9, 9};
    int32 written = -1;
    EXPECT_EQ(s.write(data, 5, &written), kResultOk);
    EXPECT_EQ(written, 3);
    EXPECT_EQ(s.bytes().size(), 3u);
}

TEST(HostQueues, PointsCollectPerParameter) {
    ParameterChanges changes;
    changes.add(7, 0, 0.25);
    changes.add(3, 10, 0.5);
    changes.add(7, 20, 0.75);
    ASSERT_EQ(changes.getParameterCount(), 2);
    IParamValueQueue* q = changes.getParameterData(0);
    EXPECT_EQ(q->getParameterId(), 7u);
    EXPECT_EQ(q->getPointCount(), 2);
    int32 offset;
    double value;
    EXPECT_EQ(q->getPoint(1, offset, value), kResultOk);
    EXPECT_EQ(offset, 20);
    EXPECT_EQ(value, 0.75);
    EXPECT_EQ(changes.getParameterData(2), nullptr);
    EXPECT_NE(q->getPoint(2, offset, value), kResultOk);
}

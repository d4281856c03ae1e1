// Every malformed stream ends the process with the decoder's error code.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <string>

#include "jpegtestencoder.h"
#include "rigging/graphics/jpegload.h"

namespace rigging::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes makeFile(int components = 3, bool progressive = false, int restartInterval = 0, int w = 24,
               int h = 16) {
    Bytes px(std::size_t(w) * h * components);
    for (std::size_t i = 0; i < px.size(); ++i)
        px[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
    JpegEncodeOptions o;
    o.components = components;
    o.progressive = progressive;
    o.restartInterval = restartInterval;
    return encodeJpeg(px, w, h, o).bytes;
}

void decodeAll(const Bytes& b) {
    DecodedImage d = decodeJpeg(b, 4);
    std::exit(d.pixels.empty() ? 2 : 0);
}

void set16(Bytes& b, long at, int v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}

// A segment placed before the first quantisation table.
Bytes withSegment(Bytes b, std::initializer_list<std::uint8_t> segment) {
    b.insert(b.begin() + findMarker(b, 0xDB), segment);
    return b;
}

#define EXPECT_JPEG_ERROR(bytes, code) \
    EXPECT_DEATH(decodeAll(bytes), "JPEG decoder error " + std::to_string(code) + "\n")

// Edits the copy `b` of `base` with `edit`, then expects the error.
#define EXPECT_EDIT_FAILS(base, edit, code) \
    do {                                    \
        Bytes b = (base);                   \
        edit;                               \
        EXPECT_JPEG_ERROR(b, code);         \
    } while (0)

TEST(JpegErrorDeathTest, FramesOutsideTheHandledProcesses) {
    const Bytes f = makeFile();
    const long sof = findMarker(f, 0xC0);
    EXPECT_EDIT_FAILS(f, b[sof + 1] = 0xC3, -238);  // lossless
    EXPECT_EDIT_FAILS(f, b[sof + 1] = 0xC9, -241);  // arithmetic coding
    EXPECT_JPEG_ERROR(withSegment(f, {0xFF, 0xCC, 0, 4, 0, 0x10}), -241);
    EXPECT_EDIT_FAILS(f, b[sof + 4] = 12, -251);
    EXPECT_EDIT_FAILS(f, set16(b, sof + 5, 0), -250);
    EXPECT_EDIT_FAILS(f, set16(b, sof + 7, 16385), -249);
    EXPECT_EDIT_FAILS(f, b[sof + 9] = 5, -248);
    EXPECT_EDIT_FAILS(f, b[sof + 3] += 1, -247);
    EXPECT_EDIT_FAILS(f, (b[sof + 9] = 2, b[sof + 3] = 14), -232);
    EXPECT_EDIT_FAILS(f, b[sof + 11] = 0x31, -231);  // luma 3 x 1
    EXPECT_EDIT_FAILS(f, b[sof + 14] = 0x22, -231);  // chroma sampled 2 x 2
    EXPECT_EDIT_FAILS(makeFile(1), b[findMarker(b, 0xC0) + 11] = 0x22, -231);

    // A fourth component in a progressive frame.
    Bytes p = makeFile(3, true);
    const long psof = findMarker(p, 0xC2);
    p[psof + 3] = 8 + 3 * 4;
    p[psof + 9] = 4;
    p.insert(p.begin() + psof + 19, {4, 0x11, 1});
    EXPECT_JPEG_ERROR(p, -232);
}

TEST(JpegErrorDeathTest, MalformedTableAndMarkerSegments) {
    const Bytes f = makeFile();
    const long dht = findMarker(f, 0xC4), dqt = findMarker(f, 0xDB);
    EXPECT_EDIT_FAILS(f, b[dht + 4] = 0x14, -255);
    EXPECT_EDIT_FAILS(f, b[dht + 20] = 255, -256);
    EXPECT_EDIT_FAILS(f, set16(b, dht + 2, 1), -254);
    EXPECT_EDIT_FAILS(f, b[dht + 3] -= 1, -254);
    EXPECT_EDIT_FAILS(f, set16(b, dqt + 2, 1), -253);
    EXPECT_EDIT_FAILS(f, b[dqt + 4] = 0x04, -252);
    EXPECT_EDIT_FAILS(f, b[dqt + 3] -= 1, -237);
    EXPECT_EDIT_FAILS(f, b[dqt + 4] = 0x10, -237);  // 16-bit entries need 129 bytes
    EXPECT_JPEG_ERROR(withSegment(f, {0xFF, 0xDD, 0, 5, 0, 1, 0}), -245);
    EXPECT_JPEG_ERROR(withSegment(f, {0xFF, 0xE0, 0, 1}), -246);
    EXPECT_JPEG_ERROR(withSegment(f, {0xFF, 0x01}), -240);  // TEM
    EXPECT_JPEG_ERROR(withSegment(f, {0xFF, 0xD3}), -240);  // a restart outside a scan
}

TEST(JpegErrorDeathTest, ScansThatCannotBeDecoded) {
    const Bytes f = makeFile();
    const long sos = findMarker(f, 0xDA), sof = findMarker(f, 0xC0);
    EXPECT_EDIT_FAILS(f, b[sos + 4] = 0, -244);
    EXPECT_EDIT_FAILS(f, b[sos + 4] = 5, -244);
    EXPECT_EDIT_FAILS(f, b[sos + 3] += 2, -244);
    // A sequential scan without every frame component.
    EXPECT_EDIT_FAILS(
        f, (b[sos + 3] = 8, b[sos + 4] = 1, b.erase(b.begin() + sos + 7, b.begin() + sos + 11)),
        -244);
    EXPECT_EDIT_FAILS(f, b[sos + 5] = 9, -243);
    EXPECT_EDIT_FAILS(f, b[sos + 7] = 1, -243);  // the same component twice
    EXPECT_EDIT_FAILS(f, b[sof + 12] = 2, -235);
    EXPECT_EDIT_FAILS(f, b[sos + 6] = 0x02, -234);
    EXPECT_EDIT_FAILS(f, b.resize(sos), -240);  // only end-of-image where a scan belongs
    EXPECT_EDIT_FAILS(f, b[sos + 1] = 0xC1, -240);

    const Bytes p = makeFile(3, true);
    const long dcScan = findMarker(p, 0xDA), acScan = findMarker(p, 0xDA, 1);
    EXPECT_EDIT_FAILS(p, b[dcScan + 12] = 5, -227);     // DC with AC terms
    EXPECT_EDIT_FAILS(p, b[acScan + 7] = 6, -227);      // start beyond end
    EXPECT_EDIT_FAILS(p, b[acScan + 8] = 64, -227);     // end beyond the block
    EXPECT_EDIT_FAILS(p, b[dcScan + 13] = 0x20, -226);  // refines 2 bits at once
    EXPECT_EDIT_FAILS(p, b[acScan + 9] = 0x13, -226);
}

TEST(JpegErrorDeathTest, CorruptEntropyCodedData) {
    const Bytes r = makeFile(3, false, 1, 80, 16);
    const long rst = findMarker(r, 0xD0);
    ASSERT_GT(rst, 0);
    EXPECT_EDIT_FAILS(r, b[rst + 1] = 0xD1, -229);                              // wrong number
    EXPECT_EDIT_FAILS(r, b.erase(b.begin() + rst, b.begin() + rst + 2), -229);  // missing
    EXPECT_EDIT_FAILS(r, b[findMarker(b, 0xD7) + 1] = 0xD0, -229);              // numbers run mod 8

    // Every AC symbol read as a run of 15 and a 1-bit value: the fourth leaves the block.
    const Bytes f = makeFile();
    const long acTable = findMarker(f, 0xC4, 2);
    EXPECT_EDIT_FAILS(f,
                      for (int i = 0, n = (f[acTable + 2] << 8 | f[acTable + 3]) - 19; i < n; ++i)
                          b[acTable + 21 + i] = 0xF1,
                      -230);
    // The same in the progressive scan of luma terms 6 to 63 (the sixth table defined).
    const Bytes p = makeFile(3, true);
    const long lateAc = findMarker(p, 0xC4, 5);
    ASSERT_EQ(p[lateAc + 4], 0x10);
    EXPECT_EDIT_FAILS(p,
                      for (int i = 0, n = (p[lateAc + 2] << 8 | p[lateAc + 3]) - 19; i < n; ++i)
                          b[lateAc + 21 + i] = 0xF1,
                      -230);
    // A DC size no difference can have.
    const long dcTable = findMarker(f, 0xC4);
    EXPECT_EDIT_FAILS(f,
                      for (int i = 0, n = (f[dcTable + 2] << 8 | f[dcTable + 3]) - 19; i < n; ++i)
                          b[dcTable + 21 + i] = 17,
                      -230);
}

int failingRead(void*, std::uint8_t*, int, bool*) {
    return -1;
}
int overlongRead(void*, std::uint8_t*, int maxBytes, bool*) {
    return maxBytes + 1;
}

TEST(JpegErrorDeathTest, InputThatIsNoJpegOrCannotBeRead) {
    EXPECT_JPEG_ERROR(Bytes(5000, 0x00), -239);
    EXPECT_JPEG_ERROR((Bytes{0x00, 0xFF, 0xD9, 0xFF, 0xD8, 0xFF}), -239);  // end before start
    EXPECT_JPEG_ERROR((Bytes{0x00, 0x00, 0xFF, 0xD8, 0x00, 0xFF}),
                      -239);  // found start, then no marker
    Bytes late(4200, 0x00);
    Bytes f = makeFile();
    late.insert(late.end(), f.begin(), f.end());
    EXPECT_JPEG_ERROR(late, -239);  // the start lies past the 4095 bytes searched

    int w, h, c;
    EXPECT_DEATH(decompress_jpeg_image_from_stream(failingRead, nullptr, &w, &h, &c, 3),
                 "JPEG decoder error -225\n");
    EXPECT_DEATH(decompress_jpeg_image_from_stream(overlongRead, nullptr, &w, &h, &c, 3),
                 "JPEG decoder error -225\n");
}

void decodeWithDataLimit(const Bytes& b, std::size_t bytes) {
    rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_DATA, &limit);
    decodeAll(b);
}

TEST(JpegErrorDeathTest, CoefficientMemoryBeyondTheHeap) {
    // A 16384 x 16384 progressive frame needs over 1 GB of coefficients.
    Bytes p = makeFile(3, true);
    const long sof = findMarker(p, 0xC2);
    set16(p, sof + 5, 16384);
    set16(p, sof + 7, 16384);
    EXPECT_DEATH(decodeWithDataLimit(p, std::size_t(512) << 20), "JPEG decoder error -224\n");
}

}  // namespace
}  // namespace rigging::test

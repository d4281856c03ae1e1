#include "rigging/gui/ransac.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

using geom::vec3f;
using rigging::computeRANSACNormal;

// The reciprocal square root that scales every unit normal.
float rsqrtOf(float x) {
    return geom::inverseSqrt(x);
}

struct Neighbourhood {
    float d[9];
    float& at(int dx, int dy) { return d[3 * (dy + 1) + (dx + 1)]; }
};

Neighbourhood plane(float z0, float sx, float sy) {
    Neighbourhood n;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) n.at(dx, dy) = z0 + sx * dx + sy * dy;
    return n;
}

float length(const vec3f& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

TEST(RansacNormal, FlatNeighbourhoodFacesTheViewer) {
    for (float z : {0.0f, 3.5f, 14.078f}) {
        Neighbourhood n = plane(z, 0, 0);
        vec3f v = computeRANSACNormal(n.d);
        EXPECT_EQ(v.x, 0.0f);
        EXPECT_EQ(v.y, 0.0f);
        EXPECT_EQ(v.z, rsqrtOf(1.0f));
        EXPECT_NEAR(v.z, 1.0f, 1e-3f);
    }
}

TEST(RansacNormal, PlanarSlopesGiveProportionalNormals) {
    for (float s : {0.25f, 1.0f, -2.0f, 6.0f}) {
        vec3f v = computeRANSACNormal(plane(5.0f, s, 0).d);
        float len = length(v);
        EXPECT_NEAR(len, 1.0f, 1e-3f);
        float k = 1.0f / std::sqrt(s * s + 1.0f);
        EXPECT_NEAR(v.x / len, -s * k, 1e-6f) << s;
        EXPECT_EQ(v.y, 0.0f);
        EXPECT_NEAR(v.z / len, k, 1e-6f) << s;
    }
    // A slope along y comes out with y flipped: rising towards the bottom faces up.
    vec3f v = computeRANSACNormal(plane(5.0f, 0, 1.0f).d);
    EXPECT_NEAR(v.x, 0.0f, 1e-7f);
    EXPECT_NEAR(v.y / length(v), 1.0f / std::sqrt(2.0f), 1e-6f);
    EXPECT_NEAR(v.z / length(v), 1.0f / std::sqrt(2.0f), 1e-6f);
}

TEST(RansacNormal, DistanceExactlyAtTheThresholdIsNotAnInlier) {
    // Flat except one corner. The flat planes have normal (0, 0, r) and put that corner at
    // distance r * h: choose h so that this is exactly 0.343 in float, then one step below.
    const float r = rsqrtOf(1.0f);
    const float threshold = 0.343f;
    float h = threshold / r;
    while (r * h < threshold) h = std::nextafter(h, 1.0f);
    while (r * h > threshold) h = std::nextafter(h, 0.0f);
    ASSERT_EQ(r * h, threshold);
    float below = h;
    while (r * below >= threshold) below = std::nextafter(below, 0.0f);

    Neighbourhood inside = plane(0, 0, 0);
    inside.at(1, 1) = below;
    vec3f early = computeRANSACNormal(inside.d);
    EXPECT_EQ(early.x, 0.0f);
    EXPECT_EQ(early.y, 0.0f);
    EXPECT_EQ(early.z, r);

    // At the threshold the flat planes lose the corner; the first plane that fits all eight is
    // then the one tilted up to the corner along y (its other neighbours lie 0.325 away).
    Neighbourhood at = plane(0, 0, 0);
    at.at(1, 1) = h;
    vec3f tilted = computeRANSACNormal(at.d);
    EXPECT_EQ(tilted.x, 0.0f);
    EXPECT_NEAR(tilted.y / length(tilted), h / std::sqrt(1.0f + h * h), 1e-6f);
    EXPECT_LT(tilted.z, 0.95f);
}

TEST(RansacNormal, BlendWithoutConsensusStaysSymmetric) {
    // A spike: no plane fits more than its own two points, so all twelve blend with the
    // smallest weight; the symmetric set cancels sideways.
    Neighbourhood spike = plane(0, 0, 0);
    spike.at(0, 0) = 10.0f;
    vec3f v = computeRANSACNormal(spike.d);
    EXPECT_NEAR(v.x, 0.0f, 1e-6f);
    EXPECT_NEAR(v.y, 0.0f, 1e-6f);
    EXPECT_NEAR(std::fabs(v.z), 1.0f, 2e-3f);

    // Mirroring the neighbourhood left to right mirrors the normal.
    Neighbourhood a = plane(0, 0, 0), b = plane(0, 0, 0);
    a.at(-1, -1) = 4.0f, a.at(1, 0) = -3.0f, a.at(0, 1) = 2.0f;
    b.at(1, -1) = 4.0f, b.at(-1, 0) = -3.0f, b.at(0, 1) = 2.0f;
    vec3f va = computeRANSACNormal(a.d), vb = computeRANSACNormal(b.d);
    EXPECT_NEAR(va.x, -vb.x, 2e-6f);
    EXPECT_NEAR(va.y, vb.y, 2e-6f);
    EXPECT_NEAR(va.z, vb.z, 2e-6f);
}

TEST(RansacNormal, OutlierCornerBarelyTiltsTheNormal) {
    // One corner 10 px up: ten planes agree on flat ground with seven inliers each and
    // outweigh the two steep planes through the corner, so an edge stays an edge.
    Neighbourhood spike = plane(0, 0, 0);
    spike.at(-1, -1) = 10.0f;
    vec3f v = computeRANSACNormal(spike.d);
    EXPECT_NEAR(length(v), 1.0f, 1e-3f);
    EXPECT_GT(v.z, 0.99f);
    EXPECT_GT(v.x, 0.0f);  // leans away from the raised corner
    EXPECT_LT(v.y, 0.0f);  // which is up the screen: y-up frame
}

TEST(RansacNormal, WallBesideTheCentreTiesFlatAndSteepPlanes) {
    // A wall in the left column: six flat planes and six planes of the ramp through the wall
    // top each fit five neighbours, so the normal is their even blend, leaning to +x.
    Neighbourhood wall = plane(0, 0, 0);
    for (int dy = -1; dy <= 1; ++dy) wall.at(-1, dy) = 10.0f;
    vec3f v = computeRANSACNormal(wall.d);
    geom::vec3f steep = geom::vec3f(10.0f, 0.0f, 1.0f).normalized();
    geom::vec3f expected = (steep + geom::vec3f(0, 0, 1)).normalized();
    EXPECT_NEAR(v.x, expected.x, 2e-3f);
    EXPECT_NEAR(v.y, 0.0f, 1e-6f);
    EXPECT_NEAR(v.z, expected.z, 2e-3f);
}

TEST(VectorHelpers, DotNormalizeAndReflect) {
    EXPECT_EQ(rigging::_mm_dot_ps(_mm_setr_ps(1, 2, 3, 4), _mm_setr_ps(5, 6, 7, 8)), 70.0f);

    float out[4];
    _mm_storeu_ps(out, rigging::_mm_fast_normalize_ps(_mm_setr_ps(3, 0, 4, 0)));
    EXPECT_NEAR(out[0], 0.6f, 6e-4f);
    EXPECT_NEAR(out[2], 0.8f, 6e-4f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[3], 0.0f);

    // Looking straight into a flat surface comes straight back; a glancing ray keeps its
    // tangential part and flips the normal part.
    _mm_storeu_ps(out,
                  rigging::_mm_reflectnormal_ps(_mm_setr_ps(0, 0, 1, 0), _mm_setr_ps(0, 0, 1, 0)));
    EXPECT_EQ(out[2], -1.0f);
    _mm_storeu_ps(out, rigging::_mm_reflectnormal_ps(_mm_setr_ps(0.6f, -0.2f, 0.5f, 0),
                                                     _mm_setr_ps(0, 1, 0, 0)));
    EXPECT_FLOAT_EQ(out[0], 0.6f);
    EXPECT_FLOAT_EQ(out[1], 0.2f);
    EXPECT_FLOAT_EQ(out[2], 0.5f);
}

}  // namespace

#include "rigging/gui/compositor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "compositor/scene.h"
#include "rigging/core/nogc.h"
#include "rigging/gui/legacypbr.h"

namespace {

using brindlewave::preview::PBRScene;
using geom::box2i;
using rigging::OwnedImage;
using rigging::PBRCompositor;
using rigging::RGBA;
using rigging::RGBAf;
using rigging::RGBf;

void onlyPasses(PBRCompositor& c, std::initializer_list<int> keep) {
    for (int i = 0; i < PBRCompositor::kPassCount; ++i)
        c.getPass(i)->active = std::find(keep.begin(), keep.end(), i) != keep.end();
}

void compositeAll(PBRScene& s) {
    box2i all(0, 0, s.width(), s.height());
    s.composite(std::span<const box2i>(&all, 1));
}

RGBAf accAt(PBRScene& s, int x, int y) {
    return s.compositor().accumulationBuffer()(x, y);
}

void expectNear(RGBA got, int r, int g, int b, int tolerance, const char* what) {
    EXPECT_NEAR(got.r, r, tolerance) << what;
    EXPECT_NEAR(got.g, g, tolerance) << what;
    EXPECT_NEAR(got.b, b, tolerance) << what;
    EXPECT_EQ(got.a, 255) << what;
}

// ---------------------------------------------------------------------------------------------
// Flat maps: every source of light at its budgeted strength.

struct FlatCase {
    RGBA diffuse;
    RGBA material;
    int r, g, b;
};

TEST(FlatMaps, GoldenOutputsBeforeColourCorrection) {
    const FlatCase cases[] = {
        {{255, 255, 255, 0}, {0, 0, 0, 255}, 154, 156, 120},
        {{255, 255, 255, 0}, {255, 0, 0, 255}, 165, 167, 133},
        {{255, 255, 255, 0}, {128, 0, 255, 255}, 161, 163, 129},
        {{128, 128, 128, 0}, {0, 0, 0, 255}, 77, 78, 60},
    };
    for (const FlatCase& c : cases) {
        PBRScene s(100, 80);
        s.fill(c.diffuse, c.material, 30000);
        s.regenerate();
        compositeAll(s);
        RGBA centre = s.output()(50, 40);
        expectNear(centre, c.r, c.g, c.b, 1, "centre");
        // Uniform everywhere, edges included: the samples clamp onto the same flat ground.
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x) {
                RGBA p = s.output()(x, y);
                ASSERT_LE(
                    std::abs(p.r - centre.r) + std::abs(p.g - centre.g) + std::abs(p.b - centre.b),
                    1)
                    << x << "," << y;
            }
    }
}

TEST(FlatMaps, EachLightAddsItsShareOfTheBudget) {
    PBRScene s(64, 48);
    s.fill(RGBA{255, 255, 255, 0}, RGBA{0, 0, 255, 255}, 40000);
    s.regenerate();
    PBRCompositor& c = s.compositor();
    struct Share {
        int pass;
        float r, g, b;
    } shares[] = {
        {PBRCompositor::kAmbientOcclusionPass, 0.032f, 0.032f, 0.032f},  // unoccluded
        {PBRCompositor::kObliqueShadowPass, 0.392f, 0.4018f, 0.2254f},   // unshadowed
        {PBRCompositor::kDirectionalPass, 0.1786f, 0.1786f, 0.2143f},
        {PBRCompositor::kSpecularPass, 0, 0, 0},  // tight glint, facing away on flat ground
        {PBRCompositor::kSkyboxPass, 0, 0, 0},    // no environment given
        {PBRCompositor::kEmissivePass, 0, 0, 0},  // no emission
    };
    for (const Share& share : shares) {
        onlyPasses(c, {PBRCompositor::kNormalPass, share.pass});
        compositeAll(s);
        RGBAf a = accAt(s, 32, 24);
        EXPECT_NEAR(a.r, share.r, 2e-4f) << share.pass;
        EXPECT_NEAR(a.g, share.g, 2e-4f) << share.pass;
        EXPECT_NEAR(a.b, share.b, 2e-4f) << share.pass;
    }
    onlyPasses(c, {PBRCompositor::kNormalPass});
    compositeAll(s);
    RGBf n = c.normalBuffer()(10, 10);
    EXPECT_EQ(n.r, 0.0f);
    EXPECT_EQ(n.g, 0.0f);
    EXPECT_NEAR(n.b, 1.0f, 1e-3f);
}

TEST(FlatMaps, RepeatedCompositingDoesNotAccumulate) {
    PBRScene s(40, 30);
    s.fill(RGBA{200, 180, 160, 0}, RGBA{90, 120, 200, 255}, 20000);
    s.regenerate();
    compositeAll(s);
    RGBA first = s.output()(20, 15);
    compositeAll(s);
    EXPECT_EQ(s.output()(20, 15), first);

    // With every pass off but the conversion, the area starts from black.
    onlyPasses(s.compositor(), {PBRCompositor::kConvertPass});
    compositeAll(s);
    EXPECT_EQ(s.output()(20, 15), (RGBA{0, 0, 0, 255}));
}

TEST(FlatMaps, ConversionTruncatesAndSaturates) {
    PBRScene s(8, 8);
    s.fill(RGBA{255, 255, 255, 0}, RGBA{0, 0, 0, 255}, 1000);
    s.regenerate();
    PBRCompositor& c = s.compositor();
    onlyPasses(c, {PBRCompositor::kAmbientOcclusionPass, PBRCompositor::kConvertPass});
    const struct {
        float light;
        int out;
    } cases[] = {{1.0f, 255}, {1.5f, 255}, {1e30f, 255},        {0.5f, 127},
                 {0.0f, 0},   {-0.5f, 0},  {1.0f / 255.99f, 1}, {0.999f / 255.99f, 0}};
    for (const auto& k : cases) {
        c.ambientLight(k.light);
        compositeAll(s);
        RGBA p = s.output()(3, 3);
        EXPECT_EQ(p.r, k.out) << k.light;
        EXPECT_EQ(p.b, k.out) << k.light;
        EXPECT_EQ(p.a, 255) << k.light;
    }
}

// ---------------------------------------------------------------------------------------------
// A raised square: bevels, shadows and glints where the lights put them.

struct SquareScene {
    PBRScene scene{320, 240};
    brindlewave::preview::RaisedSquare sq;
    explicit SquareScene(RGBA material) {
        sq = brindlewave::preview::drawRaisedSquare(scene, RGBA{200, 200, 200, 0}, material);
        scene.regenerate();
    }
    // Mean of r + g + b of the output over a box.
    double brightness(box2i b) {
        double sum = 0;
        for (int y = b.min.y; y < b.max.y; ++y)
            for (int x = b.min.x; x < b.max.x; ++x) {
                RGBA p = scene.output()(x, y);
                sum += p.r + p.g + p.b;
            }
        return sum / b.volume();
    }
};

TEST(RaisedSquare, UpperLeftBevelsAreLit) {
    SquareScene s(RGBA{255, 0, 0, 255});  // rough paint: no glints
    s.scene.compositeTiled();
    const box2i q = s.sq.square;
    const int b = s.sq.bevel, inset = 20;
    double top = s.brightness(box2i(q.min.x + inset, q.min.y, q.max.x - inset, q.min.y + b));
    double bottom = s.brightness(box2i(q.min.x + inset, q.max.y - b, q.max.x - inset, q.max.y));
    double left = s.brightness(box2i(q.min.x, q.min.y + inset, q.min.x + b, q.max.y - inset));
    double right = s.brightness(box2i(q.max.x - b, q.min.y + inset, q.max.x, q.max.y - inset));
    // The fill light comes from the upper left; the left bevel also loses the right key light
    // to the square's own shadow, but still beats the right one.
    EXPECT_GT(top, bottom + 30);
    EXPECT_GT(left, right + 30);
}

TEST(RaisedSquare, ShadowsFallWithinTenPixels) {
    SquareScene s(RGBA{255, 0, 0, 255});
    PBRCompositor& c = s.scene.compositor();
    onlyPasses(c, {PBRCompositor::kObliqueShadowPass});
    s.scene.compositeTiled();
    const float open = accAt(s.scene, 10, 10).g;  // far floor
    EXPECT_NEAR(open, 0.4018f * 200 / 255, 2e-4f);
    const box2i q = s.sq.square;
    const int cx = (q.min.x + q.max.x) / 2, cy = (q.min.y + q.max.y) / 2;

    // Below the square, and beside it (the left light is weaker than the right one).
    for (int d = 0; d < 10; ++d) {
        EXPECT_LT(accAt(s.scene, cx, q.max.y + d).g, open) << "below " << d;
        EXPECT_LT(accAt(s.scene, q.min.x - 1 - d, cy).g, open) << "left " << d;
        EXPECT_LT(accAt(s.scene, q.max.x + d, cy).g, open) << "right " << d;
    }
    EXPECT_LT(accAt(s.scene, q.min.x - 1, cy).g, accAt(s.scene, q.max.x, cy).g);
    for (int d = 10; d < 30; ++d) {
        EXPECT_EQ(accAt(s.scene, cx, q.max.y + d).g, open) << "below " << d;
        EXPECT_EQ(accAt(s.scene, q.min.x - 1 - d, cy).g, open) << "left " << d;
        EXPECT_EQ(accAt(s.scene, q.max.x + d, cy).g, open) << "right " << d;
    }
    // Nothing is shadowed above the square or on its top.
    for (int y = 0; y < q.min.y; ++y) EXPECT_EQ(accAt(s.scene, cx, y).g, open) << y;
    EXPECT_EQ(accAt(s.scene, cx, cy).g, open);
}

TEST(RaisedSquare, GlossyPaintGlintsOnTheUpperRightBevel) {
    SquareScene s(RGBA{40, 0, 255, 255});
    PBRCompositor& c = s.scene.compositor();
    onlyPasses(c, {PBRCompositor::kNormalPass, PBRCompositor::kSpecularPass});
    s.scene.compositeTiled();
    const box2i q = s.sq.square;
    const int cx = (q.min.x + q.max.x) / 2, cy = (q.min.y + q.max.y) / 2;
    int bx = 0, by = 0;
    float best = -1;
    for (int y = 0; y < s.scene.height(); ++y)
        for (int x = 0; x < s.scene.width(); ++x)
            if (accAt(s.scene, x, y).r > best) best = accAt(s.scene, x, y).r, bx = x, by = y;
    EXPECT_GT(best, 0.2f);
    EXPECT_GT(bx, cx);
    EXPECT_LT(by, cy);
    // On the bevel of the rounded corner, not on the flat top or the floor.
    box2i inner(q.min.x + s.sq.bevel, q.min.y + s.sq.bevel, q.max.x - s.sq.bevel,
                q.max.y - s.sq.bevel);
    EXPECT_TRUE(q.contains(geom::vec2i(bx, by)));
    EXPECT_FALSE(inner.contains(geom::vec2i(bx, by)));
    EXPECT_LT(accAt(s.scene, cx, cy).r, 1e-3f);
    EXPECT_LT(accAt(s.scene, 5, 5).r, 1e-3f);
    // Lower-left bevels face away from the light.
    float lowerLeft = 0;
    for (int y = cy; y < q.max.y; ++y)
        for (int x = q.min.x; x < cx; ++x) lowerLeft = std::max(lowerLeft, accAt(s.scene, x, y).r);
    EXPECT_LT(lowerLeft, 0.01f);
}

// ---------------------------------------------------------------------------------------------
// Emission glows into the neighbourhood through the coarse diffuse levels.

// Distance along the row through (px, py) of the farthest glow, and whether anything lies more
// than `limit` px (in x or y) away.
struct GlowReach {
    int alongRow = 0;
    bool beyond = false;
};

GlowReach glowOf(int size, int limit) {
    PBRScene s(512, 512);
    s.fill(RGBA{0, 0, 0, 0}, RGBA{255, 0, 0, 255}, 30000);
    const int p0 = 256 - size / 2;
    for (int y = p0; y < p0 + size; ++y)
        for (int x = p0; x < p0 + size; ++x) s.diffuse()(x, y) = RGBA{255, 255, 255, 255};
    s.regenerate();
    onlyPasses(s.compositor(), {PBRCompositor::kEmissivePass});
    compositeAll(s);
    GlowReach r;
    for (int d = 1; d < 256; ++d)
        if (accAt(s, p0 + size - 1 + d, 256).g > 0 || accAt(s, p0 - d, 256).g > 0) r.alongRow = d;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            int dx = std::max({p0 - x, x - (p0 + size - 1), 0}),
                dy = std::max({p0 - y, y - (p0 + size - 1), 0});
            if (std::max(dx, dy) > limit && accAt(s, x, y).g != 0.0f) r.beyond = true;
        }
    return r;
}

TEST(Emission, GlowsNearbyAndNotFar) {
    // A single pixel: the emission-weighted levels round away after a few octaves, so its glow
    // is short; a large spot reaches through all five levels.
    GlowReach one = glowOf(1, 130), spot = glowOf(64, 130);
    EXPECT_GE(one.alongRow, 8);
    EXPECT_FALSE(one.beyond);
    EXPECT_GE(spot.alongRow, 32);
    EXPECT_LE(spot.alongRow, 64);
    EXPECT_FALSE(spot.beyond);
}

TEST(Emission, PixelLightsItsNeighboursVisibly) {
    PBRScene s(256, 256);
    s.fill(RGBA{0, 0, 0, 0}, RGBA{255, 0, 0, 255}, 30000);
    s.diffuse()(128, 128) = RGBA{255, 255, 255, 255};
    s.regenerate();
    compositeAll(s);
    // Black, rough, non-metal ground: only the glow lights it.
    EXPECT_GT(s.output()(131, 128).g, 0);
    EXPECT_GT(s.output()(128, 125).g, 0);
    EXPECT_EQ(s.output()(128, 200), (RGBA{0, 0, 0, 255}));
    // Emission is colour-weighted: a red emitter glows red.
    s.diffuse()(128, 128) = RGBA{255, 0, 0, 255};
    s.regenerate();
    compositeAll(s);
    EXPECT_GT(s.output()(131, 128).r, 0);
    EXPECT_EQ(s.output()(131, 128).g, 0);
}

// ---------------------------------------------------------------------------------------------
// Tiles and workers change nothing in the picture.

struct PanelScene {
    PBRScene scene;
    explicit PanelScene(int workers) : scene(1000, 700, workers) {
        brindlewave::preview::drawTestPanel(scene);
        scene.regenerate();
        scene.compositor().skyboxPass().setSkybox(brindlewave::preview::makeStudioSkybox(500, 350));
    }
};

bool sameImage(const OwnedImage<RGBA>& a, const OwnedImage<RGBA>& b) {
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.scanlinePtr(y), b.scanlinePtr(y), a.width() * sizeof(RGBA)) != 0)
            return false;
    return true;
}

TEST(Tiling, FortyEightTilesEqualOneAreaAndOneWorkerEqualsTwo) {
    PanelScene two(2), one(1);
    ASSERT_EQ(two.scene.pool().numThreads(), 2);
    ASSERT_EQ(one.scene.pool().numThreads(), 1);
    two.scene.compositeTiled(128);
    compositeAll(one.scene);
    EXPECT_TRUE(sameImage(two.scene.output(), one.scene.output()));
    one.scene.compositeTiled(128);
    EXPECT_TRUE(sameImage(two.scene.output(), one.scene.output()));
    // Odd tile shapes too.
    two.scene.compositeTiled(37);
    EXPECT_TRUE(sameImage(two.scene.output(), one.scene.output()));
}

struct Snapshot {
    OwnedImage<RGBA> out;
    OwnedImage<RGBAf> acc;
    OwnedImage<rigging::RGBf> normals;
};

template <typename C>
void copyImage(const OwnedImage<C>& from, OwnedImage<C>& to) {
    to.size(from.width(), from.height());
    for (int y = 0; y < from.height(); ++y)
        std::memcpy(static_cast<void*>(to.scanlinePtr(y)), from.scanlinePtr(y),
                    from.width() * sizeof(C));
}

// Random heights, materials and emission: every pass has work everywhere.
void drawNoise(PBRScene& s) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> byte(0, 255), height(10000, 50000);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            auto b = [&] { return static_cast<std::uint8_t>(byte(rng)); };
            s.diffuse()(x, y) =
                RGBA{b(), b(), b(), static_cast<std::uint8_t>(byte(rng) < 20 ? 255 : 0)};
            s.material()(x, y) = RGBA{b(), b(), b(), 255};
            s.depth()(x, y).l = static_cast<std::uint16_t>(height(rng));
        }
}

TEST(Tiling, NarrowAreasWriteOnlyInsideThemselves) {
    PBRScene s(200, 60);
    drawNoise(s);
    s.regenerate();
    s.compositor().skyboxPass().setSkybox(brindlewave::preview::makeStudioSkybox(64, 48));
    compositeAll(s);
    Snapshot full;
    copyImage(s.output(), full.out);
    copyImage(s.compositor().accumulationBuffer(), full.acc);
    copyImage(s.compositor().normalBuffer(), full.normals);

    const RGBA canary{0xCD, 0xCD, 0xCD, 0xCD};
    for (int w = 1; w <= 9; ++w) {
        for (int x0 : {0, 1, 2, 3, 5, 97, 200 - w}) {
            box2i area(x0, w % 3 == 0 ? 0 : 20, x0 + w, w % 3 == 0 ? 3 : 60);
            for (int y = 0; y < s.height(); ++y)
                std::fill_n(s.output().scanlinePtr(y), s.width(), canary);
            s.composite(std::span<const box2i>(&area, 1));
            for (int y = 0; y < s.height(); ++y)
                for (int x = 0; x < s.width(); ++x) {
                    const bool inside = area.contains(geom::vec2i(x, y));
                    RGBA expect = inside ? full.out(x, y) : canary;
                    ASSERT_EQ(s.output()(x, y), expect) << "width " << w << " at " << x << "," << y;
                    ASSERT_EQ(accAt(s, x, y), full.acc(x, y))
                        << "width " << w << " at " << x << "," << y;
                    ASSERT_EQ(s.compositor().normalBuffer()(x, y), full.normals(x, y));
                }
        }
    }
}

TEST(Tiling, AreasAreClippedToTheBuffersAndEmptyOnesIgnored) {
    PBRScene s(64, 40);
    drawNoise(s);
    s.regenerate();
    compositeAll(s);
    OwnedImage<RGBA> full;
    copyImage(s.output(), full);
    const RGBA canary{1, 2, 3, 4};
    for (int y = 0; y < s.height(); ++y) std::fill_n(s.output().scanlinePtr(y), s.width(), canary);
    const box2i areas[] = {box2i(50, 30, 90, 80), box2i(-20, -5, 3, 2), box2i(10, 10, 10, 20),
                           box2i(30, 20, 25, 25), box2i(64, 0, 70, 40)};
    s.composite(areas);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            bool inside = (x >= 50 && y >= 30) || (x < 3 && y < 2);
            ASSERT_EQ(s.output()(x, y), inside ? full(x, y) : canary) << x << "," << y;
        }
}

TEST(Tiling, NormalsDoNotNeedTheDepthRing) {
    // Maps whose depth level 0 lacks the replicated ring: the neighbourhood is clamped to the
    // image instead, which is what the ring holds, so the normals are the same.
    PBRScene ringed(90, 50);
    drawNoise(ringed);
    ringed.regenerate();
    compositeAll(ringed);

    rigging::Mipmap<RGBA> diffuse, material;
    rigging::Mipmap<rigging::L16> depth;
    diffuse.size(5, 90, 50);
    material.size(0, 90, 50);
    depth.size(4, 90, 50);
    ASSERT_EQ(depth.level(0).border(), 0);
    for (int y = 0; y < 50; ++y) {
        std::memcpy(diffuse.level(0).scanlinePtr(y), ringed.diffuse().scanlinePtr(y), 90 * 4);
        std::memcpy(material.level(0).scanlinePtr(y), ringed.material().scanlinePtr(y), 90 * 4);
        std::memcpy(depth.level(0).scanlinePtr(y), ringed.depth().scanlinePtr(y), 90 * 2);
    }
    rigging::CompositorCreationContext context{&ringed.pool()};
    PBRCompositor plain(context);
    plain.resizeBuffers(90, 50, 128, 128);
    OwnedImage<RGBA> target(90, 50);
    onlyPasses(plain, {PBRCompositor::kNormalPass});
    box2i all(0, 0, 90, 50);
    plain.compositeTile(rigging::toRef(target), std::span<const box2i>(&all, 1), diffuse, material,
                        depth);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 90; ++x)
            ASSERT_EQ(plain.normalBuffer()(x, y), ringed.compositor().normalBuffer()(x, y))
                << x << "," << y;
}

// ---------------------------------------------------------------------------------------------
// Environment reflections.

OwnedImage<RGBA>* twoToneSky(int w, int h) {
    auto* sky = rigging::mallocNew<OwnedImage<RGBA>>(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            (*sky)(x, y) = y < h / 2 ? RGBA{200, 0, 0, 255} : RGBA{0, 0, 200, 255};
    return sky;
}

TEST(Skybox, EmptyOrMissingEnvironmentAddsNothing) {
    PBRScene s(48, 32);
    s.fill(RGBA{255, 255, 255, 0}, RGBA{0, 255, 0, 255}, 30000);
    s.regenerate();
    PBRCompositor& c = s.compositor();
    onlyPasses(c, {PBRCompositor::kNormalPass, PBRCompositor::kSkyboxPass});
    compositeAll(s);
    EXPECT_EQ(accAt(s, 24, 16), (RGBAf{0, 0, 0, 0}));

    c.skyboxPass().setSkybox(rigging::mallocNew<OwnedImage<RGBA>>());
    EXPECT_FALSE(c.skyboxPass().hasSkybox());
    compositeAll(s);
    EXPECT_EQ(accAt(s, 24, 16), (RGBAf{0, 0, 0, 0}));

    // An empty image also removes an environment given before.
    c.skyboxPass().setSkybox(twoToneSky(32, 32));
    compositeAll(s);
    EXPECT_GT(accAt(s, 24, 16).r + accAt(s, 24, 16).b, 0.1f);
    c.skyboxPass().setSkybox(rigging::mallocNew<OwnedImage<RGBA>>(0, 7));
    compositeAll(s);
    EXPECT_EQ(accAt(s, 24, 16), (RGBAf{0, 0, 0, 0}));
    c.skyboxPass().setSkybox(nullptr);
    EXPECT_FALSE(c.skyboxPass().hasSkybox());
}

TEST(Skybox, FlatMetalMirrorsTheSkySharply) {
    PBRScene s(200, 160);
    s.fill(RGBA{255, 255, 255, 0}, RGBA{0, 255, 0, 255}, 30000);
    // Non-metal stripe.
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < 10; ++x) s.material()(x, y) = RGBA{0, 0, 0, 255};
    s.regenerate();
    PBRCompositor& c = s.compositor();
    c.skyboxPass().setSkybox(twoToneSky(64, 64));
    onlyPasses(c, {PBRCompositor::kNormalPass, PBRCompositor::kSkyboxPass});
    compositeAll(s);
    // The top of the window sees the upper sky, the bottom the lower; level 0 keeps the colours
    // unmixed (200 * metal 1 * amount 0.6 / 255).
    const float full = 200.0f * 0.6f / 255.0f;
    RGBAf top = accAt(s, 100, 4), bottom = accAt(s, 100, 155);
    EXPECT_NEAR(top.r, full, 1e-3f);
    EXPECT_EQ(top.b, 0.0f);
    EXPECT_NEAR(bottom.b, full, 1e-3f);
    EXPECT_EQ(bottom.r, 0.0f);
    EXPECT_EQ(accAt(s, 5, 4), (RGBAf{0, 0, 0, 0}));
}

}  // namespace

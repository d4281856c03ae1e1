// Random paths drawn by the canvas against a plain reference: the same path flattened finely and
// sampled 64 x 64 times per pixel.
//
// The rasterizer sums signed area per pixel, so inside a pixel where regions of different winding
// meet it shows their net area (opposite windings cancel, double winding counts twice up to full
// coverage). For shapes whose winding is 0 or 1 everywhere that is the non-zero rule's coverage;
// for arbitrary paths the reference measures the net area too.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "pixels.h"
#include "rigging/canvas/canvas.h"

namespace {

using rigging::Canvas;
using testpix::kBlack;
using testpix::kWhite;
using testpix::Pixels;

struct Pt {
    double x, y;
};

// A path as closed polygons, built from the same calls the canvas receives.
class Reference {
public:
    Reference(double dx, double dy) : dx_(dx), dy_(dy) {}

    void moveTo(double x, double y) {
        close();
        current_.push_back({x + dx_, y + dy_});
    }
    void lineTo(double x, double y) { current_.push_back({x + dx_, y + dy_}); }
    void cubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y) {
        Pt p0 = current_.back();
        Pt c1{c1x + dx_, c1y + dy_}, c2{c2x + dx_, c2y + dy_}, p3{x + dx_, y + dy_};
        for (int i = 1; i <= 512; ++i) {
            double t = i / 512.0, u = 1 - t;
            double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
            current_.push_back({a * p0.x + b * c1.x + c * c2.x + d * p3.x,
                                a * p0.y + b * c1.y + c * c2.y + d * p3.y});
        }
    }
    // A true circular arc over end - start (callers keep the sweep within one turn).
    void arc(double cx, double cy, double r, double a0, double a1) {
        for (int i = 0; i <= 1024; ++i) {
            double a = a0 + (a1 - a0) * i / 1024.0;
            lineTo(cx + r * std::cos(a), cy + r * std::sin(a));
        }
    }
    void close() {
        if (current_.size() > 1) polygons_.push_back(current_);
        current_.clear();
    }

    // Coverage of each pixel of a w x h target in [0, 1]: the share of samples with a non-zero
    // winding, or with `net`, the magnitude of the mean winding capped at 1.
    std::vector<double> coverage(int w, int h, bool net) {
        close();
        constexpr int kS = 64;
        std::vector<double> cov(static_cast<std::size_t>(w) * h, 0.0);
        std::vector<std::pair<double, int>> crossings;
        for (int sy = 0; sy < h * kS; ++sy) {
            double y = (sy + 0.5) / kS;
            crossings.clear();
            for (const auto& poly : polygons_)
                for (std::size_t i = 0; i < poly.size(); ++i) {
                    Pt a = poly[i], b = poly[(i + 1) % poly.size()];
                    if ((a.y <= y) == (b.y <= y)) continue;
                    double x = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
                    crossings.push_back({x, b.y > a.y ? 1 : -1});
                }
            std::sort(crossings.begin(), crossings.end());
            std::size_t k = 0;
            int winding = 0;
            for (int sx = 0; sx < w * kS; ++sx) {
                double x = (sx + 0.5) / kS;
                while (k < crossings.size() && crossings[k].first < x)
                    winding += crossings[k++].second;
                double v = net ? winding : (winding != 0);
                cov[static_cast<std::size_t>(sy / kS) * w + sx / kS] += v / (kS * kS);
            }
        }
        for (double& c : cov) c = std::min(1.0, std::fabs(c));
        return cov;
    }

private:
    double dx_, dy_;
    std::vector<Pt> current_;
    std::vector<std::vector<Pt>> polygons_;
};

// Sends each call to both.
struct Both {
    Canvas& canvas;
    Reference& ref;
    void moveTo(float x, float y) {
        canvas.moveTo(x, y);
        ref.moveTo(x, y);
    }
    void lineTo(float x, float y) {
        canvas.lineTo(x, y);
        ref.lineTo(x, y);
    }
    void cubicTo(float a, float b, float c, float d, float e, float f) {
        canvas.bezierCurveTo(a, b, c, d, e, f);
        ref.cubicTo(a, b, c, d, e, f);
    }
    void arc(float x, float y, float r, float a0, float a1, bool anticlockwise) {
        canvas.arc(x, y, r, a0, a1, anticlockwise);
        ref.lineTo(x + r * std::cos(a0), y + r * std::sin(a0));
        ref.arc(x, y, r, a0, a1);
    }
    void rect(float x, float y, float w, float h) {
        canvas.rect(x, y, w, h);
        ref.moveTo(x, y);
        ref.lineTo(x + w, y);
        ref.lineTo(x + w, y + h);
        ref.lineTo(x, y + h);
    }
};

class Differential : public ::testing::Test {
protected:
    std::mt19937 rng{2024};
    double uni(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); }
    float f(double a, double b) { return static_cast<float>(uni(a, b)); }

    double worst = 0, sumEdgeError = 0;
    long edgePixels = 0;

    // Draws with `build` into a random crop of a larger buffer, under a random translation, and
    // compares with the reference inside the crop; outside it nothing may change.
    template <typename Build>
    void trial(bool net, Build&& build) {
        const int bw = 40, bh = 32;
        const int cw = 4 + static_cast<int>(rng() % 28), ch = 4 + static_cast<int>(rng() % 22);
        const int cx = static_cast<int>(rng() % (bw - cw + 1));
        const int cy = static_cast<int>(rng() % (bh - ch + 1));
        Pixels p(bw, bh);
        Canvas canvas;
        canvas.initialize(p.view(cx, cy, cw, ch));
        canvas.fillStyle(kWhite);
        const float tx = f(-3, 3), ty = f(-3, 3);
        canvas.translate(tx, ty);
        Reference ref(tx, ty);
        Both both{canvas, ref};
        canvas.beginPath();
        build(both, static_cast<float>(cw), static_cast<float>(ch));
        canvas.fill();

        std::vector<double> want = ref.coverage(cw, ch, net);
        for (int y = 0; y < bh; ++y)
            for (int x = 0; x < bw; ++x) {
                bool inside = x >= cx && x < cx + cw && y >= cy && y < cy + ch;
                if (!inside) {
                    ASSERT_EQ(p.at(x, y), kBlack);
                    continue;
                }
                double expected = want[static_cast<std::size_t>(y - cy) * cw + (x - cx)] * 255;
                double err = std::fabs(p.red(x, y) - expected);
                worst = std::max(worst, err);
                ASSERT_LE(err, 8.0) << "at " << x - cx << "," << y - cy;
                if (expected > 0.5 && expected < 254.5) {  // pixels an edge crosses
                    sumEdgeError += err;
                    ++edgePixels;
                }
            }
    }

    void report(const char* what) {
        ASSERT_GT(edgePixels, 1000);
        const double mean = sumEdgeError / static_cast<double>(edgePixels);
        EXPECT_LE(mean, 2.0);
        std::printf("%s: worst %.2f / 255, mean over %ld edge pixels %.3f / 255\n", what, worst,
                    edgePixels, mean);
    }
};

TEST_F(Differential, SimpleShapesMatchTheNonZeroCoverageOfASupersampledReference) {
    for (int t = 0; t < 120; ++t) {
        const unsigned kind = rng() % 4;
        trial(false, [&](Both& b, float w, float h) {
            const float x = f(-4, w + 4), y = f(-4, h + 4);
            switch (kind) {
                case 0: {  // a convex polygon, either way round
                    const int n = 3 + static_cast<int>(rng() % 6);
                    std::vector<double> angles(static_cast<std::size_t>(n));
                    for (double& a : angles) a = uni(0, 6.2831853);
                    std::sort(angles.begin(), angles.end());
                    if (rng() % 2) std::reverse(angles.begin(), angles.end());
                    const float r = f(1, 16);
                    for (int i = 0; i < n; ++i) {
                        float px = x + r * static_cast<float>(std::cos(angles[i]));
                        float py = y + r * static_cast<float>(std::sin(angles[i]));
                        if (i == 0)
                            b.moveTo(px, py);
                        else
                            b.lineTo(px, py);
                    }
                    break;
                }
                case 1: {  // a circle, a pie slice or a chord segment
                    const float r = f(0.3, 16), a0 = f(-4, 4), sweep = f(0.05, 6.28);
                    const bool anticlockwise = rng() % 2 == 0;
                    if (rng() % 2)
                        b.moveTo(x, y);  // a slice
                    else
                        b.moveTo(x + r * std::cos(a0), y + r * std::sin(a0));
                    b.arc(x, y, r, a0, anticlockwise ? a0 - sweep : a0 + sweep, anticlockwise);
                    break;
                }
                case 2:  // a rectangle at any offset and either orientation
                    b.rect(x, y, f(-18, 18), f(-18, 18));
                    break;
                default: {
                    // A cubic bulging to one side of its chord (a convex control polygon has no
                    // loop), closed by the chord.
                    const float ex = f(-4, w + 4), ey = f(-4, h + 4);
                    const float dx = ex - x, dy = ey - y;
                    const float side = rng() % 2 ? 1.0f : -1.0f;
                    const float t1 = f(0.05, 0.5), t2 = f(0.5, 0.95);
                    const float h1 = f(0.0, 0.8) * side, h2 = f(0.0, 0.8) * side;
                    b.moveTo(x, y);
                    b.cubicTo(x + t1 * dx - h1 * dy, y + t1 * dy + h1 * dx, x + t2 * dx - h2 * dy,
                              y + t2 * dy + h2 * dx, ex, ey);
                }
            }
        });
        if (HasFatalFailure()) FAIL() << "trial " << t << " kind " << kind;
    }
    report("non-zero, simple shapes");
}

TEST_F(Differential, ArbitraryPathsMatchTheNetCoverageOfASupersampledReference) {
    for (int t = 0; t < 120; ++t) {
        trial(true, [&](Both& b, float w, float h) {
            auto px = [&] { return f(-6, w + 6); };
            auto py = [&] { return f(-6, h + 6); };
            for (int s = 0, subpaths = 1 + static_cast<int>(rng() % 3); s < subpaths; ++s) {
                switch (rng() % 4) {
                    case 0:
                        b.moveTo(px(), py());
                        for (int i = 0, n = 2 + static_cast<int>(rng() % 5); i < n; ++i)
                            b.lineTo(px(), py());
                        break;
                    case 1:
                        b.moveTo(px(), py());
                        for (int i = 0, n = 1 + static_cast<int>(rng() % 3); i < n; ++i)
                            b.cubicTo(px(), py(), px(), py(), px(), py());
                        break;
                    case 2: {
                        float x = px(), y = py(), r = f(0.3, 14), a0 = f(-4, 4);
                        float sweep = f(0.05, 6.28);
                        bool anticlockwise = rng() % 2 == 0;
                        b.moveTo(x, y);
                        b.arc(x, y, r, a0, anticlockwise ? a0 - sweep : a0 + sweep, anticlockwise);
                        break;
                    }
                    default:
                        b.rect(px(), py(), f(-15, 15), f(-15, 15));
                }
            }
        });
        if (HasFatalFailure()) FAIL() << "trial " << t;
    }
    report("net area, arbitrary paths");
}

}  // namespace

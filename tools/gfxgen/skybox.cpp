#include "skybox.h"

#include <cmath>

#include "shapes.h"

namespace gfxgen {

namespace {

// A soft-edged rectangle of light: 1 inside, falling off smoothly over `soft` pixels.
float softBox(float x, float y, float x0, float y0, float x1, float y1, float soft) {
    const float d = sdRoundRect(x, y, x0, y0, x1, y1, soft * 0.5f);
    return 1.0f - smoothstep(-soft, soft, d);
}

}  // namespace

RgbPlanes makeSkybox(int w, int h) {
    const Rgb top{235, 230, 220}, middle{120, 125, 130}, floor{25, 25, 30};
    const Rgb softboxLight{255, 250, 242}, rim{150, 185, 235};
    RgbPlanes sky(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float t = py / h;
            // Vertical gradient: the horizon sits a little below the middle.
            Rgb c = t < 0.55f ? mix(top, middle, smoothstep(0.0f, 0.55f, t))
                              : mix(middle, floor, smoothstep(0.55f, 1.0f, t));
            // Two tall soft boxes near the outer edges and a wide one overhead.
            const float left =
                softBox(px, py, 0.03f * w, 0.16f * h, 0.17f * w, 0.58f * h, 0.07f * w);
            const float right =
                softBox(px, py, 0.83f * w, 0.14f * h, 0.97f * w, 0.56f * h, 0.07f * w);
            const float overhead =
                softBox(px, py, 0.30f * w, -0.10f * h, 0.70f * w, 0.10f * h, 0.10f * w);
            c = mix(c, softboxLight, 0.85f * left);
            c = mix(c, softboxLight, 0.70f * right);
            c = mix(c, softboxLight, 0.45f * overhead);
            // Cool rim on the right, strongest at mid height.
            const float rimWeight = smoothstep(0.84f * w, 1.0f * w, px) *
                                    (1.0f - smoothstep(0.25f, 0.5f, std::fabs(t - 0.5f)));
            c = mix(c, rim, 0.55f * rimWeight);
            sky.set(x, y, c);
        }
    // Blur once more so that no detail survives at mip level 0.
    sky.r = gaussianBlur(sky.r, 18.0f);
    sky.g = gaussianBlur(sky.g, 18.0f);
    sky.b = gaussianBlur(sky.b, 18.0f);
    return sky;
}

Image8 encodeSkybox(const RgbPlanes& sky) {
    Image8 out(sky.width(), sky.height(), 3);
    for (int y = 0; y < sky.height(); ++y)
        for (int x = 0; x < sky.width(); ++x) {
            uint8_t* p = out.at(x, y);
            const Rgb c = sky.at(x, y);
            p[0] = toByte(c.r), p[1] = toByte(c.g), p[2] = toByte(c.b);
        }
    return out;
}

}  // namespace gfxgen

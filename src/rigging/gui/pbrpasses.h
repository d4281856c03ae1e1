#pragma once
// The eight lighting passes of the PBR compositor, in the order it runs them. Heights are the
// 16-bit depth map (4655 units = one pixel of height); colours and materials are level-0 map
// pixels divided by 255; "add" means add into the float accumulation buffer.

#include <xmmintrin.h>

#include "geom/vector.h"
#include "rigging/gui/compositor.h"

namespace rigging {

// Normals from the 3 x 3 height neighbourhood, edge-preserving.
class PassComputeNormal : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    void render(int threadIndex, const geom::box2i& area,
                const CompositorPassBuffers& buffers) noexcept override;
};

// Ambient light, darkened where a pixel lies below the mean of the coarser depth levels.
class PassAmbientOcclusion : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    void render(int threadIndex, const geom::box2i& area,
                const CompositorPassBuffers& buffers) noexcept override;
    float ambientLight = 0.032f;
};

// Light from the upper left and the upper right, shadowed by higher ground up to 10 px away.
class PassObliqueShadowLight : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    void render(int threadIndex, const geom::box2i& area,
                const CompositorPassBuffers& buffers) noexcept override;
    geom::vec3f color = geom::vec3f(0.392f, 0.4018f, 0.2254f);
};

// Half-Lambert light along a direction, rougher surfaces taking more of it.
class PassDirectionalLight : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    void render(int threadIndex, const geom::box2i& area,
                const CompositorPassBuffers& buffers) noexcept override;
    geom::vec3f direction = geom::vec3f(-0.681005f, 0.595880f, 0.425628f);
    geom::vec3f color = geom::vec3f(0.287f, 0.287f, 0.3444f);
};

// Blinn-Phong glints; the exponent falls with roughness.
class PassSpecularLight : public CompositorPass {
public:
    explicit PassSpecularLight(MultipassCompositor& parent) noexcept;
    ~PassSpecularLight() override;
    void resizeBuffers(int width, int height, int areaMaxWidth,
                       int areaMaxHeight) noexcept override;
    void render(int threadIndex, const geom::box2i& area,
                const CompositorPassBuffers& buffers) noexcept override;

    // exp((1 - i / 255) * 5.5) * 0.8 * 2.8 for material red byte i.
    float exponentFor(int roughnessByte) const noexcept { return exponents_[roughnessByte]; }

    geom::vec3f direction = geom::vec3f(0.691714f, 0.691714f, -0.207514f);
    geom::vec3f color = geom::vec3f(0.252f, 0.252f, 0.252f);

private:
    __m128 halfVectorCosine4(__m128 ex, __m128 ey, __m128 nx, __m128 ny, __m128 nz) const noexcept;

    float exponents_[256];
    // Per worker: the clamped cosines and the exponents of one row, indexed by window x, so
    // the powers can be taken four at a time.
    float** rows_;
    int rowLength_ = 0;
};

// The environment reflected by metal, blurrier where the surface curves.
class PassSkyboxReflections : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    ~PassSkyboxReflections() override;
    void render(int threadIndex, const geom::box2i& area,
                const CompositorPassBuffers& buffers) noexcept override;

    // Takes the image (made with mallocNew) and builds its pyramid. An empty image, or null,
    // removes the environment: the pass then adds nothing.
    void setSkybox(OwnedImage<RGBA>* image) noexcept;
    bool hasSkybox() const noexcept { return skybox_ != nullptr; }

    float skyboxAmount = 0.6f;

private:
    Mipmap<RGBA>* skybox_ = nullptr;
};

// Glow: the emission-weighted coarse levels of the diffuse map.
class PassEmissiveContribution : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    void render(int threadIndex, const geom::box2i& area,
                const CompositorPassBuffers& buffers) noexcept override;
};

// The accumulation to 8-bit colour, saturated, opaque.
class PassClampAndConvertTo8bit : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    void render(int threadIndex, const geom::box2i& area,
                const CompositorPassBuffers& buffers) noexcept override;
};

}  // namespace rigging

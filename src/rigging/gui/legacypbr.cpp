#include "rigging/gui/legacypbr.h"

#include <cstring>

#include "rigging/core/nogc.h"

namespace rigging {

PBRCompositor::PBRCompositor(const CompositorCreationContext& context) noexcept
    : MultipassCompositor(context) {
    addPass(mallocNew<PassComputeNormal>(*this));
    addPass(mallocNew<PassAmbientOcclusion>(*this));
    addPass(mallocNew<PassObliqueShadowLight>(*this));
    addPass(mallocNew<PassDirectionalLight>(*this));
    addPass(mallocNew<PassSpecularLight>(*this));
    addPass(mallocNew<PassSkyboxReflections>(*this));
    addPass(mallocNew<PassEmissiveContribution>(*this));
    addPass(mallocNew<PassClampAndConvertTo8bit>(*this));

    // Until a GUI sets its own, the editor's lighting: a warm key light from the upper left and
    // upper right, a cool fill from the upper left, a specular light from the upper right.
    light1Color(geom::vec3f(0.4f, 0.41f, 0.23f) * 0.98f);
    light2Dir(geom::vec3f(-0.8f, 0.7f, 0.5f).normalized());
    light2Color(geom::vec3f(0.287f, 0.287f, 0.3444f));
    light3Dir(geom::vec3f(1.0f, 1.0f, -0.3f).normalized());
    light3Color(geom::vec3f(0.3f, 0.3f, 0.3f) * 0.84f);
    ambientLight(0.032f);
    skyboxAmount(0.6f);
}

void PBRCompositor::resizeBuffers(int width, int height, int areaMaxWidth, int areaMaxHeight) {
    MultipassCompositor::resizeBuffers(width, height, areaMaxWidth, areaMaxHeight);
    normalBuffer_.size(width, height);
    accumBuffer_.size(width, height, 0, 16);
    buffers_.normalBuffer = &normalBuffer_;
    buffers_.accumBuffer = &accumBuffer_;
}

void PBRCompositor::light1Color(geom::vec3f color) noexcept {
    pass<PassObliqueShadowLight>(kObliqueShadowPass).color = color;
}
void PBRCompositor::light2Dir(geom::vec3f direction) noexcept {
    pass<PassDirectionalLight>(kDirectionalPass).direction = direction;
}
void PBRCompositor::light2Color(geom::vec3f color) noexcept {
    pass<PassDirectionalLight>(kDirectionalPass).color = color;
}
void PBRCompositor::light3Dir(geom::vec3f direction) noexcept {
    pass<PassSpecularLight>(kSpecularPass).direction = direction;
}
void PBRCompositor::light3Color(geom::vec3f color) noexcept {
    pass<PassSpecularLight>(kSpecularPass).color = color;
}
void PBRCompositor::skyboxAmount(float amount) noexcept {
    pass<PassSkyboxReflections>(kSkyboxPass).skyboxAmount = amount;
}
void PBRCompositor::ambientLight(float amount) noexcept {
    pass<PassAmbientOcclusion>(kAmbientOcclusionPass).ambientLight = amount;
}

PassSkyboxReflections& PBRCompositor::skyboxPass() noexcept {
    return pass<PassSkyboxReflections>(kSkyboxPass);
}

geom::box2i PBRCompositor::writableBounds() const noexcept {
    geom::box2i r = MultipassCompositor::writableBounds();
    r = r.intersection(geom::box2i(0, 0, normalBuffer_.width(), normalBuffer_.height()));
    return r.intersection(geom::box2i(0, 0, accumBuffer_.width(), accumBuffer_.height()));
}

void PBRCompositor::compositeArea(int threadIndex, const geom::box2i& area) noexcept {
    const std::size_t bytes = static_cast<std::size_t>(area.width()) * sizeof(RGBAf);
    for (int y = area.min.y; y < area.max.y; ++y)
        std::memset(static_cast<void*>(accumBuffer_.scanlinePtr(y) + area.min.x), 0, bytes);
    MultipassCompositor::compositeArea(threadIndex, area);
}

}  // namespace rigging

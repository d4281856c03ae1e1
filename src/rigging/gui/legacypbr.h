#pragma once
// The editor's compositor: normals from depth, then ambient, shadowed, directional, specular,
// sky-reflected and emitted light summed in float, then converted to 8 bits.

#include "geom/vector.h"
#include "rigging/gui/compositor.h"
#include "rigging/gui/pbrpasses.h"

namespace rigging {

class PBRCompositor : public MultipassCompositor {
public:
    // Pass indices, in running order.
    enum PassIndex {
        kNormalPass,
        kAmbientOcclusionPass,
        kObliqueShadowPass,
        kDirectionalPass,
        kSpecularPass,
        kSkyboxPass,
        kEmissivePass,
        kConvertPass,
        kPassCount
    };

    explicit PBRCompositor(const CompositorCreationContext& context) noexcept;

    void resizeBuffers(int width, int height, int areaMaxWidth, int areaMaxHeight) override;

    // Colours are linear multipliers; directions are used as given (pass them normalised).
    virtual void light1Color(geom::vec3f color) noexcept;
    virtual void light2Dir(geom::vec3f direction) noexcept;
    virtual void light2Color(geom::vec3f color) noexcept;
    virtual void light3Dir(geom::vec3f direction) noexcept;
    virtual void light3Color(geom::vec3f color) noexcept;
    virtual void skyboxAmount(float amount) noexcept;
    virtual void ambientLight(float amount) noexcept;

    // The skybox pass; GUIs hand it their environment image.
    PassSkyboxReflections& skyboxPass() noexcept;

    // Window-sized intermediates, for inspection.
    const OwnedImage<RGBf>& normalBuffer() const noexcept { return normalBuffer_; }
    const OwnedImage<RGBAf>& accumulationBuffer() const noexcept { return accumBuffer_; }

protected:
    void compositeArea(int threadIndex, const geom::box2i& area) noexcept override;
    geom::box2i writableBounds() const noexcept override;

private:
    template <typename P>
    P& pass(int index) noexcept {
        return *static_cast<P*>(getPass(index));
    }

    OwnedImage<RGBf> normalBuffer_;
    OwnedImage<RGBAf> accumBuffer_;
};

}  // namespace rigging

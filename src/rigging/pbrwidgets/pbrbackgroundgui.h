#pragma once
// The root an editor derives from when its whole lit layer comes from pre-rendered maps: base
// colour with emission, material and depth images are copied into the PBR layer wherever it
// is dirty, so widgets only draw what changes over a lit, textured panel. The sky image goes
// to the compositor's reflection pass.

#include <cstdint>
#include <span>

#include "geom/box.h"
#include "geom/vector.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"
#include "rigging/gui/graphics.h"

namespace rigging {

class PBRBackgroundGUI : public GUIGraphics {
public:
    using Bytes = std::span<const std::uint8_t>;

    // The five files' contents (PNG or JPEG data); see loadImages.
    PBRBackgroundGUI(const SizeConstraints& constraints, Bytes basecolor, Bytes emissive,
                     Bytes material, Bytes depth, Bytes skybox, int maxWorkers = 2) noexcept;
    ~PBRBackgroundGUI() override;

    // Diffuse = colour of basecolor with the grey of emissive as alpha (emission); material as
    // it is; depth = (R + G + B) * 257 / 3 of its pixels, so white is 65535; the sky image
    // goes to every reflection pass of the compositor (once it exists). Images replace those
    // loaded before; one that fails to decode is empty and paints nothing.
    void loadImages(Bytes basecolor, Bytes emissive, Bytes material, Bytes depth,
                    Bytes skybox) noexcept;

    // Places the element; the painted rectangle is the part of it the images cover. The
    // children are not moved.
    void reflow(const geom::box2i& box) noexcept override;

    // Copies the images, unscaled and unlit, under each dirty rectangle, only where the image
    // has pixels.
    void onDrawPBR(ImageRef<RGBA> diffuseMap, ImageRef<L16> depthMap, ImageRef<RGBA> materialMap,
                   std::span<const geom::box2i> dirtyRects) noexcept override;

    const OwnedImage<RGBA>& diffuseImage() const noexcept { return *diffuse_; }
    const OwnedImage<RGBA>& materialImage() const noexcept { return *material_; }
    const OwnedImage<L16>& depthImage() const noexcept { return *depth_; }
    const geom::box2i& sourceRect() const noexcept { return sourceRect_; }
    const geom::box2i& destRect() const noexcept { return destRect_; }

protected:
    void onCompositorBuilt(ICompositor& compositor) noexcept override;

private:
    void handSkyboxTo(ICompositor& compositor) noexcept;
    void freeImages() noexcept;

    OwnedImage<RGBA>* diffuse_ = nullptr;
    OwnedImage<RGBA>* material_ = nullptr;
    OwnedImage<L16>* depth_ = nullptr;
    geom::box2i sourceRect_;
    geom::box2i destRect_;
    geom::vec2i offset_{0, 0};
    // Decoded, waiting for the compositor.
    OwnedImage<RGBA>* pendingSkybox_ = nullptr;
};

// The L16 height of a depth pixel: the sum of its colour channels spread over 0..65535.
inline L16 depthFromRGB(RGBA p) noexcept {
    return L16{static_cast<std::uint16_t>((p.r + p.g + p.b) * 257 / 3)};
}

}  // namespace rigging

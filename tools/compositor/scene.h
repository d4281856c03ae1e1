#pragma once
// A window's worth of PBR layer maps with a compositor and a pool, for looking at and
// measuring the lighting without a GUI: fill level 0 of the maps, regenerate, composite.

#include <cstdint>
#include <span>

#include "geom/box.h"
#include "rigging/core/threadpool.h"
#include "rigging/core/vec.h"
#include "rigging/graphics/image.h"
#include "rigging/graphics/mipmap.h"
#include "rigging/gui/legacypbr.h"

namespace brindlewave::preview {

using rigging::L16;
using rigging::OwnedImage;
using rigging::RGBA;

class PBRScene {
public:
    // workers: the pool's worker count (the GUI caps its pool at 2).
    PBRScene(int width, int height, int workers = 2) noexcept;
    ~PBRScene();
    PBRScene(const PBRScene&) = delete;
    PBRScene& operator=(const PBRScene&) = delete;

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }

    // Level 0 of the maps, for drawing.
    OwnedImage<RGBA>& diffuse() noexcept { return diffuse_.level(0); }
    OwnedImage<RGBA>& material() noexcept { return material_.level(0); }
    OwnedImage<L16>& depth() noexcept { return depth_.level(0); }

    void fill(RGBA diffuse, RGBA material, std::uint16_t depth) noexcept;

    // Coarser levels under the rectangles (the whole window by default).
    void regenerate() noexcept;
    void regenerate(std::span<const geom::box2i> dirty) noexcept;

    // Lights the areas into the output, which keeps everything else.
    void composite(std::span<const geom::box2i> areas) noexcept;
    // The whole window in tiles of at most tile x tile.
    void compositeTiled(int tile = 128) noexcept;

    OwnedImage<RGBA>& output() noexcept { return output_; }
    rigging::PBRCompositor& compositor() noexcept { return *compositor_; }
    rigging::ThreadPool& pool() noexcept { return *pool_; }

private:
    int width_, height_;
    rigging::ThreadPool* pool_;
    rigging::PBRCompositor* compositor_;
    rigging::Mipmap<RGBA> diffuse_;
    rigging::Mipmap<L16> depth_;
    rigging::Mipmap<RGBA> material_;
    OwnedImage<RGBA> output_;
    rigging::Vec<geom::box2i> work1_, work2_, tiles_;
};

// Heights in depth units (4655 = one pixel).
constexpr int kPixelHeight = 4655;

// A square raised 20,000 units over a floor at 20,000, with a bevel of `bevel` px and
// rounded corners, smooth glossy paint on top of it: the picture the lighting tests describe.
struct RaisedSquare {
    geom::box2i square;
    int bevel;
    int cornerRadius;
};
RaisedSquare drawRaisedSquare(PBRScene& scene, RGBA paint, RGBA material) noexcept;

// A smooth studio environment: warm light top, neutral middle, dark floor, soft boxes near the
// edges, a cool rim on the right. Made with mallocNew, for setSkybox.
OwnedImage<RGBA>* makeStudioSkybox(int width, int height) noexcept;

// An editor-like 1000 x 700 panel exercising every pass: brushed metal, painted bars, a sunken
// glass screen with glowing grid lines, raised keys, knob collars, screws, a glowing logo and
// an LCD well with lit text.
void drawTestPanel(PBRScene& scene) noexcept;

// RGBA PNG, 8 bits, not interlaced. False when the file cannot be written.
bool writePNG(const char* path, const OwnedImage<RGBA>& image) noexcept;
// A region enlarged `factor` times, pixel by pixel.
bool writeZoomedPNG(const char* path, const OwnedImage<RGBA>& image, const geom::box2i& region,
                    int factor) noexcept;

}  // namespace brindlewave::preview

#pragma once
// Image pyramids: level 0 full size, each further level half the one before. Widgets draw into
// level 0; only the parts of the smaller levels under a dirty rectangle are recomputed, by
// integer filters with exactly stated rounding. Sampling is read-only and may run on several
// threads at once; generation must not overlap sampling.

#include "geom/box.h"
#include "geom/vector.h"
#include "rigging/core/vec.h"
#include "rigging/graphics/image.h"

namespace rigging {

enum class MipmapQuality {
    box = 0,                    // 2 x 2 box
    cubic = 1,                  // 4 x 4 cubic, weights 1 3 3 1
    boxAlphaCov = 2,            // 2 x 2 box weighted by alpha (RGBA only)
    boxAlphaCovIntoPremul = 3,  // the same, result premultiplied (RGBA only)
};

// Level filters: compute `rect` of `level` (half-open, inside it) from `previous`, the level
// above. The vector forms give the same results as the per-pixel forms suffixed Scalar.
void generateLevelBoxRGBA(OwnedImage<RGBA>& level, const OwnedImage<RGBA>& previous,
                          geom::box2i rect) noexcept;
void generateLevelBoxL16(OwnedImage<L16>& level, const OwnedImage<L16>& previous,
                         geom::box2i rect) noexcept;
void generateLevelBoxAlphaCovRGBA(OwnedImage<RGBA>& level, const OwnedImage<RGBA>& previous,
                                  geom::box2i rect) noexcept;
void generateLevelBoxAlphaCovIntoPremulRGBA(OwnedImage<RGBA>& level,
                                            const OwnedImage<RGBA>& previous,
                                            geom::box2i rect) noexcept;
void generateLevelCubicRGBA(OwnedImage<RGBA>& level, const OwnedImage<RGBA>& previous,
                            geom::box2i rect) noexcept;
void generateLevelCubicL16(OwnedImage<L16>& level, const OwnedImage<L16>& previous,
                           geom::box2i rect) noexcept;

void generateLevelBoxRGBAScalar(OwnedImage<RGBA>& level, const OwnedImage<RGBA>& previous,
                                geom::box2i rect) noexcept;
void generateLevelBoxL16Scalar(OwnedImage<L16>& level, const OwnedImage<L16>& previous,
                               geom::box2i rect) noexcept;
void generateLevelBoxAlphaCovRGBAScalar(OwnedImage<RGBA>& level, const OwnedImage<RGBA>& previous,
                                        geom::box2i rect) noexcept;
void generateLevelBoxAlphaCovIntoPremulRGBAScalar(OwnedImage<RGBA>& level,
                                                  const OwnedImage<RGBA>& previous,
                                                  geom::box2i rect) noexcept;
void generateLevelCubicRGBAScalar(OwnedImage<RGBA>& level, const OwnedImage<RGBA>& previous,
                                  geom::box2i rect) noexcept;
void generateLevelCubicL16Scalar(OwnedImage<L16>& level, const OwnedImage<L16>& previous,
                                 geom::box2i rect) noexcept;

// Instantiated for RGBA and L16.
template <typename C>
class Mipmap {
public:
    using Quality = MipmapQuality;
    // What linearSample returns: four channels on the 0-255 scale, or one on 0-65535.
    using Sample = std::conditional_t<std::is_same_v<C, RGBA>, geom::vec4f, float>;

    Mipmap() noexcept = default;
    // Takes ownership of level0 (made with mallocNew) as level 0 of a pyramid of its size.
    Mipmap(int maxLevel, OwnedImage<C>* level0) noexcept;
    Mipmap(const Mipmap&) = delete;
    Mipmap& operator=(const Mipmap&) = delete;
    ~Mipmap();

    // Levels 0 .. n - 1 where n - 1 <= maxLevel and every level is at least 1 x 1; all pixels
    // are discarded. The level count never decreases: a call giving fewer levels is fatal.
    void size(int maxLevel, int width, int height) noexcept;

    int width() const noexcept { return numLevels() ? levels_[0]->width() : 0; }
    int height() const noexcept { return numLevels() ? levels_[0]->height() : 0; }
    int numLevels() const noexcept { return static_cast<int>(levels_.length()); }
    OwnedImage<C>& level(int i) const noexcept { return *levels_[static_cast<std::size_t>(i)]; }

    // Recomputes every level from level 0; box turns into cubic from level 3 on.
    void generateMipmaps(Quality quality) noexcept;

    // Recomputes the part of `level` (1 or more) that `rect` of level - 1 affects, and
    // returns that part.
    geom::box2i generateNextLevel(Quality quality, geom::box2i rect, int level) noexcept;

    // The rectangle of the next level that `rect` of a source level of width x height
    // affects, clipped to the next level.
    static geom::box2i impactOnNextLevel(Quality quality, geom::box2i rect, int width,
                                         int height) noexcept;

    // Bilinear sample of one level (clamped to the pyramid) at level-0 coordinates.
    Sample linearSample(int level, float x, float y) const noexcept;

    // Trilinear sample between two levels.
    Sample linearMipmapSample(float level, float x, float y) const noexcept;

private:
    void filter(Quality quality, int level, geom::box2i rect) noexcept;

    Vec<OwnedImage<C>*> levels_;
};

extern template class Mipmap<RGBA>;
extern template class Mipmap<L16>;

}  // namespace rigging

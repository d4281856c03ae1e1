#pragma once
// What a redraw changed: the window keeps a copy of the pixels the server shows, and after each
// redraw only the parts of the new picture that differ from it are copied over and sent.

#include "geom/box.h"
#include "rigging/core/vec.h"
#include "rigging/graphics/color.h"
#include "rigging/graphics/image.h"

namespace rigging {

// Compares `drawn` with `shown` (the same size) over `region`, clipped to the images, in tiles
// of tileSize x tileSize pixels aligned to the image origin. For each tile that differs, the
// smallest box holding its differing pixels is copied from `drawn` to `shown` and appended to
// `changed`; the boxes are disjoint. Nothing is appended when nothing differs.
void takeChangedTiles(const ImageRef<RGBA>& drawn, const ImageRef<RGBA>& shown,
                      const geom::box2i& region, int tileSize, Vec<geom::box2i>& changed) noexcept;

// Joins each box from index `from` on with the one before it when it lies to its right, their
// rows overlap, and the box around both holds at most `slackPixels` pixels that neither does:
// one larger put costs the server less than two small ones. Boxes that were disjoint stay so
// when they come from takeChangedTiles (one band of tiles after another, left to right).
void joinNeighbours(Vec<geom::box2i>& boxes, std::size_t from, long long slackPixels) noexcept;

// Copies `area`, clipped to the images, from `drawn` to `shown`; the clipped area.
geom::box2i copyArea(const ImageRef<RGBA>& drawn, const ImageRef<RGBA>& shown,
                     const geom::box2i& area) noexcept;

}  // namespace rigging

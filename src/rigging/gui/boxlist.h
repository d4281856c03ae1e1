#pragma once
// Lists of integer rectangles: bounding box, subtraction, overlap removal and tiling. The GUI
// turns dirty areas into disjoint areas with these and composites them in tiles.

#include <span>

#include "geom/box.h"
#include "rigging/core/vec.h"

namespace rigging {

// (0, 0)-(0, 0) for no box; empty boxes are ignored by the union.
geom::box2i boundingBox(std::span<const geom::box2i> boxes) noexcept;

// Cuts A around B (B inside A) into four bands that, with B, cover A without overlap; some
// bands may be empty.
void boxSubtraction(const geom::box2i& a, const geom::box2i& b, geom::box2i& top, geom::box2i& left,
                    geom::box2i& right, geom::box2i& bottom) noexcept;

// Appends to `filtered` pairwise disjoint boxes covering exactly the union of the boxes of
// positive area in `boxes`; `boxes` is used as the work list and left edited.
void removeOverlappingAreas(Vec<geom::box2i>& boxes, Vec<geom::box2i>& filtered) noexcept;

// Appends tiles of at most maxWidth x maxHeight covering each area, row by row.
void tileAreas(std::span<const geom::box2i> areas, int maxWidth, int maxHeight,
               Vec<geom::box2i>& splitted) noexcept;

}  // namespace rigging

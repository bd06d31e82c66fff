#pragma once
// Warp paths: the four-sided outlines that the diagram warps bend a picture
// between, measured and sampled into a bilinearly blended (Coons) patch.
//
// A warp path is a DiagramInfo whose elements form four sides separated by
// Separator elements: side 1 from the first point (corner 0) to corner 1,
// side 2 to corner 2, side 3 to corner 3, side 4 from corner 3 to the next
// Separator or the end. With S steps along sides 1 and 3 and T along sides 2
// and 4, mesh point (i, j) (i = 0 .. S, j = 0 .. T) is
//   rows[i].point + j x rows[i].step + columns[j].point + i x columns[j].step
// for x and y, which passes through all four sides.
#include <cstdint>

#include "foundation/containers/ArrayAuto.h"

class DiagramInfo;

struct WarpPathPatch {
    // T + 1 entries: point (x, y), step (x, y).
    CArrayAuto<double[4]> columns;
    // S + 1 entries, same layout.
    CArrayAuto<double[4]> rows;
    double corner0[2] = {0, 0};
    double corner3[2] = {0, 0};
    double corner1[2] = {0, 0};
    double corner2[2] = {0, 0};
    double side1Step[2] = {0, 0};  // (corner 1 - corner 0) / S
    double side4Step[2] = {0, 0};  // (corner 3 - corner 0) / T
    double twistStep[2] = {0, 0};  // ((corner 2 - corner 1) / T - (corner 3 - corner 0) / T) / S
    double length1 = 0;
    double length2 = 0;
    double length3 = 0;
    double length4 = 0;
};

// Measures the four sides: the corners and the side lengths (each element's
// length computed from the point before it, and left on the element). False
// when the path has no four sides: a first, second or third Separator is
// missing, or the path ends right after its first or second one (right after
// the third, side 4 is empty). The sample arrays are not touched.
bool BuildDiagramSegments(WarpPathPatch& patch, DiagramInfo& path);

// Samples the four sides at equal arc-length steps (S along sides 1 and 3, T
// along 2 and 4) into the patch that BuildDiagramSegments measured from the
// same path, and derives the steps of the blend. Always true.
bool ResampleWarpPath(WarpPathPatch& patch, const DiagramInfo& path, uint32_t T, uint32_t S);

#pragma once
// Everything the renderer keeps while it draws, in one object passed down
// every call: the nesting counters that bound recursion, and the scratch
// canvases the factor branches share.
//
// Drawing is single-threaded and re-entered only through its own recursion
// (sources drawn on demand, ghost objects, Foreach, links into other
// documents). Each counter is raised by a RenderDepthGuard, so an exception
// passing through leaves it where it was before.
#include <cstdint>

#include "platform/fonts/FontEngine.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/Sprite.h"

struct RenderContext {
    // GhostObject expansions now open; above kMaxGhostDepth a ghost fails.
    int32_t GhostDepth = 0;
    // Foreach repetitions now open (bounded by the Foreach branch).
    int32_t ForeachDepth = 0;
    // Object and factor draws now open, all kinds together: one bound on the
    // stack whatever mix of sources, ghosts and Foreach a document nests.
    int32_t RenderDepth = 0;

    // Intermediate images of the branches that need one (supersampled,
    // rotated and 3D draws, maps), and a second where two are needed at once.
    // Their contents mean nothing from one factor to the next; a branch sizes
    // one with ResizeUncleared or RecreateIfReady before use.
    CSprite Scratch;
    CSprite Scratch2;
    // The outline each segment of a stroked path is built in (the strokes of
    // the path and FrameRef kinds), so that no stroke falls back on the
    // rasteriser's own process-wide record.
    DiagramInfo StrokeScratch;
    // The font service of the text factors: the faces they open for the
    // documents' font maps. Cheap to make; faces are found on first use.
    platform::FontEngine Fonts;

    static constexpr int32_t kMaxGhostDepth = 100;
    // Room for the 101 nested ghost expansions a document may use (two draws
    // each) and deep chains of distinct objects, far below what the stack
    // holds.
    static constexpr int32_t kMaxRenderDepth = 1000;
};

// Raises a counter for one scope and lowers it again on every way out.
class RenderDepthGuard {
public:
    explicit RenderDepthGuard(int32_t& counter) noexcept : m_counter(counter) { ++m_counter; }
    ~RenderDepthGuard() { --m_counter; }
    RenderDepthGuard(const RenderDepthGuard&) = delete;
    RenderDepthGuard& operator=(const RenderDepthGuard&) = delete;

private:
    int32_t& m_counter;
};

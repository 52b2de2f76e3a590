// Helpers the renderer's drawing files share among themselves; not for
// callers of the renderer.
#pragma once

#include <cstdint>
#include <functional>

namespace Kivo {

struct TriVertex;

using StripBatchDraw = std::function<void(const TriVertex* batch, int32_t triangleCount)>;

// Cuts a strip of vertex triangles (triangle k is vertices k, k + 1, k + 2;
// screen columns and negated rows) into lists of at most 100 triangles,
// three vertices each, moved to the coordinates centred on a buffer of the
// given size, and hands each list to draw. Nothing for a count below 1.
void ForEachCentredStripBatch(const TriVertex* vertices, int32_t triangleCount, int32_t bufferWidth,
                              int32_t bufferHeight, const StripBatchDraw& draw);

}  // namespace Kivo

// The replace-copy and replace-draw kinds.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
#include "document/renderer/RenderTable.h"

namespace {

constexpr RenderRow kConditionalRows[] = {
    {1301, RenderKindNotBuilt},  // ReplaceCopyFromAlpha(
    {1302, RenderKindNotBuilt},  // ReplaceCopyFromColor(
    {1303, RenderKindNotBuilt},  // ReplaceCopyFromData(
    {1304, RenderKindNotBuilt},  // ReplaceCopyIfGE(
    {1305, RenderKindNotBuilt},  // ReplaceCopyIfLE(
    {1306, RenderKindNotBuilt},  // ReplaceCopyIfGrOr(
    {1307, RenderKindNotBuilt},  // ReplaceCopyIfLeOr(
    {1351, RenderKindNotBuilt},  // ReplaceDrawFromAlpha(
    {1352, RenderKindNotBuilt},  // ReplaceDrawFromColor(
    {1353, RenderKindNotBuilt},  // ReplaceDrawFromData(
    {1354, RenderKindNotBuilt},  // ReplaceDrawIfGE(
    {1355, RenderKindNotBuilt},  // ReplaceDrawIfLE(
    {1356, RenderKindNotBuilt},  // ReplaceDrawIfGrOr(
    {1357, RenderKindNotBuilt},  // ReplaceDrawIfLeOr(
    {1381, RenderKindNotBuilt},  // ReplaceDrawAlpha(
    {1382, RenderKindNotBuilt},  // ReplaceDrawAlphaFromColor(
    {1383, RenderKindNotBuilt},  // ReplaceDrawAlphaFromData(
    {1384, RenderKindNotBuilt},  // ReplaceDrawAlphaIfGE(
    {1385, RenderKindNotBuilt},  // ReplaceDrawAlphaIfLE(
    {1386, RenderKindNotBuilt},  // ReplaceDrawAlphaIfGrOr(
    {1387, RenderKindNotBuilt},  // ReplaceDrawAlphaIfLeOr(
};

}  // namespace

const RenderFamily kConditionalRender = MakeRenderFamily(kConditionalRows);

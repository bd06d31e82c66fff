// TargetList and Foreach.
#include "document/renderer/TargetListRender.h"

#include "document/renderer/RenderTable.h"

bool RenderTargetList(FactorFrame& frame) { return RenderKindNotBuilt(frame); }

bool RenderForeach(FactorFrame& frame) { return RenderKindNotBuilt(frame); }

#pragma once
// The target-list kinds: TargetList (1110) holds entries of four names and
// draws nothing; Foreach (1111) draws another factor of the object once per
// enabled entry of a TargetList, with the entry's names as template
// arguments.
#include "document/renderer/FactorFrame.h"

bool RenderTargetList(FactorFrame& frame);
bool RenderForeach(FactorFrame& frame);

// The composition passes over the tree; placeholder bodies that walk the
// tree and mark nothing, until the cell map's own file replaces them.
#include "windows/Window.h"

void IQRKWnd::ComposeCells(CSprite&, int32_t, int32_t, uint16_t*, IQRKWnd**, tagPOINT) {}
void IQRKWnd::MarkCells(int32_t, int32_t, uint16_t*, IQRKWnd**, tagPOINT) {}
void IQRKWnd::ComposeTree(CSprite&, int32_t, int32_t, uint16_t*, IQRKWnd**, tagPOINT) {}
void IQRKWnd::CollectDirtyTree(int32_t, int32_t, uint16_t*, IQRKWnd**, tagPOINT) {}
void IQRKWnd::AdjustCellsTree(int32_t, int32_t, uint16_t*, IQRKWnd**, tagPOINT) {}
void IQRKWnd::MarkOwnedCells(int32_t, int32_t, uint16_t*, IQRKWnd**, tagPOINT) {}
void IQRKWnd::MarkOpaqueCells(const CSprite&, int32_t, int32_t, uint16_t*, IQRKWnd**, tagPOINT) {}
void IQRKWnd::ComposeCellsFromCache(CSprite&, int32_t, int32_t, uint16_t*, IQRKWnd**, tagPOINT) {}
void CQRKWnd::ComposeCells(CSprite&, int32_t, int32_t, uint16_t*, IQRKWnd**, tagPOINT) {}
void CQRKWnd::MarkCells(int32_t, int32_t, uint16_t*, IQRKWnd**, tagPOINT) {}

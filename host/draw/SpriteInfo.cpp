#include "host/draw/SpriteInfo.h"

CSprite* ResolveSpriteReference(CQRKSpriteMgr& reference) {
    switch (reference.GetKind()) {
        case CQRKSpriteMgr::kLinked: return reference.GetLink().Get();
        case CQRKSpriteMgr::kSharedLazy:
            if (!reference.ResolveShared()) return nullptr;
            return reference.GetSprite();
        default: return reference.GetSprite();
    }
}

void QRKWDRSpriteInfo::SetSprite(const CQRKSpriteMgr& reference, uint32_t drawMode, uint8_t drawLevel) {
    m_reference = reference;
    const CSprite* sprite = ResolveSpriteReference(m_reference);
    sourceX = 0;
    sourceY = 0;
    sourceWidth = sprite != nullptr ? sprite->GetWidth() : 0;
    sourceHeight = sprite != nullptr ? sprite->GetHeight() : 0;
    mode = drawMode;
    level = drawLevel;
    colourParameter1 = 0;
    colourParameter2 = 0;
    m_changes.Increment();
}

bool QRKWDRSpriteInfo::Reset() {
    m_reference.Reset();
    sourceX = sourceY = sourceWidth = sourceHeight = 0;
    mode = kDefaultMode;
    level = kDefaultLevel;
    colourParameter1 = 0;
    colourParameter2 = 0;
    m_changes.Increment();
    return true;
}

bool QRKWDRSpriteInfo::Draw(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint32_t,
                            CQRKDRConnector*) {
    const CSprite* sprite = ResolveSpriteReference(m_reference);
    if (sprite == nullptr) return false;
    if (w == sourceWidth && h == sourceHeight) {
        target.BlitByMode(x, y, *sprite, sourceX, sourceY, w, h, mode, level, colourParameter1, colourParameter2);
    } else {
        target.BlitByModeStretched(x, y, w, h, *sprite, sourceX, sourceY, sourceWidth, sourceHeight, mode, level,
                                   colourParameter1, colourParameter2);
    }
    return true;
}

namespace {

// One axis of DrawPart: the destination start and the drawn length of the
// window that starts at `offset` into a source of `length`. False when
// nothing can be drawn. 64-bit sums: the destination moves by -offset and
// offset + size may pass 2^31.
bool PartAxis(int32_t position, int32_t size, int32_t offset, int32_t length, int64_t& start, int64_t& drawn,
              int64_t& cut) {
    cut = offset > 0 ? offset : 0;
    if (cut >= length) return false;
    start = position;
    int64_t room = size;
    if (offset < 0) {
        start -= offset;
        room += offset;
        if (room < 0) return false;
    }
    drawn = cut + room > length ? length - cut : room;
    return true;
}

}  // namespace

bool QRKWDRSpriteInfo::DrawPart(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, int32_t sx,
                                int32_t sy) {
    const CSprite* sprite = ResolveSpriteReference(m_reference);
    if (sprite == nullptr) return false;
    int64_t dx, dw, cx, dy, dh, cy;
    if (!PartAxis(x, w, sx, sourceWidth, dx, dw, cx)) return false;
    if (!PartAxis(y, h, sy, sourceHeight, dy, dh, cy)) return false;
    target.BlitByMode(ClampDrawPosition(dx), ClampDrawPosition(dy), *sprite, ClampDrawPosition(sourceX + cx),
                      ClampDrawPosition(sourceY + cy), ClampDrawPosition(dw), ClampDrawPosition(dh), mode, level, colourParameter1,
                      colourParameter2);
    return true;
}

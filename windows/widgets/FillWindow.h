#pragma once
// QRKWFillWindow: a window without an image of its own that paints one solid
// colour by its draw mode (the editor's background and neutral focus holder).
// It claims its cells like an opaque cached window, so in COPY mode nothing
// below it is composed there.
#include <cstdint>

#include "windows/Window.h"

class QRKWFillWindow : public IQRKWnd {
public:
    QRKWFillWindow() = default;
    ~QRKWFillWindow() override = default;

    void Paint(int32_t dx, int32_t dy, CSprite& target, int32_t sx, int32_t sy, int32_t w, int32_t h) override;
    int32_t Process(CQRKInputMgr* input, IQRKWnd* focus, tagPOINT mouse, tagPOINT origin, bool drawFrame) override;
    void ComposeCells(CSprite& screen, int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners,
                      tagPOINT origin) override;
    void MarkCells(int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners, tagPOINT origin) override;
    // Colour back to white.
    bool ResetContents() override;

    // 0x00RRGGBB. The owner sets it and invalidates the window.
    uint32_t colour = 0xFFFFFF;
};

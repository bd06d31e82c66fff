#pragma once
// SC_Startup: the first scene. Its Enter prepares the interface font and a
// back buffer of the client size (at least 640 x 600), its first nine updates
// show the white back buffer, and the tenth hands over to the scene its owner
// gave it (the editor).
#include <cstdint>

#include "host/Scene.h"

class CQRKWindowCtrl;

class SC_Startup : public IScene {
public:
    // `next` is the scene the tenth update changes to (may be null: the
    // change then leaves no scene current).
    SC_Startup(CQRKWindowCtrl& host, IScene* next) noexcept : m_host(host), m_next(next) {}

    void Enter() override;
    void Update() override;

    void SetNextScene(IScene* next) noexcept { m_next = next; }
    int32_t GetUpdateCount() const noexcept { return m_updates; }

    // The interface face: "メイリオ" (aliased to an installed Japanese face).
    static const char* InterfaceFace() noexcept;

    // The smallest client area the start-up scene leaves.
    static constexpr int32_t kMinClientWidth = 640;
    static constexpr int32_t kMinClientHeight = 600;
    static constexpr int32_t kHandOverUpdate = 10;

    // The interface font: 23 x 23 cells, 11 points, black text with a white
    // effect colour, proportional advances.
    static constexpr int32_t kTileFontCell = 23;
    static constexpr int32_t kTileFontSize = 110;
    static constexpr uint32_t kTileFontTextColour = 0x000000;
    static constexpr uint32_t kTileFontEffectColour = 0xFFFFFF;
    static constexpr uint32_t kTileFontFlags = 0x100;

private:
    // Builds the host's tile font with the face; false when it cannot (the
    // interface then shows no text).
    static bool BuildTileFont(CQRKWindowCtrl& host, const char* face);

    CQRKWindowCtrl& m_host;
    IScene* m_next;
    int32_t m_updates = 0;
};

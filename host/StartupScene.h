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

private:
    // Builds the host's tile font (23 x 23 cells, the face at 11 points).
    // The tile font does not exist yet: nothing is built.
    static bool BuildTileFontPending(CQRKWindowCtrl& host, const char* face);

    CQRKWindowCtrl& m_host;
    IScene* m_next;
    int32_t m_updates = 0;
};

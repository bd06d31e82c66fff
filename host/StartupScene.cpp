// The start-up scene: interface font, a back buffer of the client size, and
// the hand-over to the editor on the tenth update.
#include "host/StartupScene.h"

#include "host/WindowCtrl.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {
// "メイリオ"
constexpr char kMeiryo[] = "\x83\x81\x83\x43\x83\x8A\x83I";
}  // namespace

const char* SC_Startup::InterfaceFace() noexcept { return kMeiryo; }

bool SC_Startup::BuildTileFont(CQRKWindowCtrl& host, const char* face) {
    return host.GetTileFont().CreateA(host.GetFontEngine(), kTileFontCell, kTileFontCell, kTileFontTextColour,
                                      kTileFontEffectColour, face, kTileFontSize, kTileFontFlags, nullptr);
}

void SC_Startup::Enter() {
    CQRKWindowCtrl& host = m_host;
    platform::IHostWindow& window = host.GetWindow();

    BuildTileFont(host, InterfaceFace());

    // Both sides are replaced, not only the short one.
    if (host.GetClientWidth() < kMinClientWidth || host.GetClientHeight() < kMinClientHeight) {
        host.SetClientSize(kMinClientWidth, kMinClientHeight);
        const platform::Rect frame = window.AdjustWindowRect(platform::Rect{0, 0, kMinClientWidth, kMinClientHeight});
        window.MoveWindow(frame, true);
        window.CenterWindow();
    }

    if (!host.IsPresenting()) return;
    CSpriteView& buffer = host.GetBackBuffer();
    // Release throws while the bitmap is selected: a broken invariant.
    buffer.Release();
    const int32_t width = host.GetClientWidth();
    const int32_t height = host.GetClientHeight();
    if (!IsSpriteSizeAllowed(width, height) || !IsRasterReady()) return;
    if (!buffer.Create(width, height, true)) return;
    buffer.CreateGdiObjects(window.GetClientDevice());
    host.SetBackBufferSize(width, height);
}

void SC_Startup::Update() {
    ++m_updates;
    if (m_updates >= kHandOverUpdate) {
        m_host.ChangeScene(m_next);
        return;
    }
    if (m_host.IsDrawFrame()) m_host.RequestPresent();
}

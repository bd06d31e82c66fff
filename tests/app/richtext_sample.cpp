// A test program, not part of the shipped program: the real window with the
// main dialog, whose start-up scene hands over to a scene that draws a rich-text
// sample into the back buffer with the host's tile font (the interface face,
// made by the start-up scene) and presents it. The screenshot test photographs
// it under a virtual X display.
//
//   richtext_sample               run the window until it is closed
//   richtext_sample --face-check  exit 0 when the interface face covers
//                                 Japanese, 77 (skip) when it does not
//   richtext_sample --quit-after N  quit by itself N updates after drawing
//                                 (sanitizer runs: a normal shutdown)
#include <QApplication>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/dialog/OutlinecrafterDlg.h"
#include "host/Scene.h"
#include "host/StartupScene.h"
#include "host/WindowCtrl.h"
#include "host/text/TileFont.h"
#include "platform/Cp932.h"
#include "platform/MessageBox.h"
#include "platform/Utf8.h"
#include "platform/fonts/FontEngine.h"
#include "platform/qt/QtHostWindow.h"
#include "platform/qt/QtMessageBox.h"

namespace {

// The sample, one drawing call: Japanese mixed with ASCII, colour tags and
// the return to the initial colour, a line at 200 percent (the line feed after
// it is zoomed too, the zoom ends after it), a centred and a right-aligned
// line, tab stops, and an effect in its own colour.
//   リッチテキストの見本 Rich text sample
//   赤 red・青 blue・緑 green、元の黒 black
//   拡大 200%
//   中央揃え centred / 右揃え right
//   名前<tab>Name<tab>値 42
//   縁取り outline 普通 plain
constexpr char kSample[] =
    "%c[000000]\x83\x8A\x83\x62\x83`\x83\x65\x83L\x83X\x83g\x82\xCC\x8C\xA9\x96{ Rich text sample\n"
    "%c[C00000]\x90\xD4 red%c[000000]\x81\x45%c[0050C0]\x90\xC2 blue%c[000000]\x81\x45%c[008000]\x97\xCE green"
    "%d[c]\x81\x41\x8C\xB3\x82\xCC\x8D\x95 black\n"
    "%z[200]\x8Ag\x91\xE5 200%%\n%d[z]"
    "%lc\x92\x86\x89\x9B\x91\xB5\x82\xA6 centred\n%lr\x89\x45\x91\xB5\x82\xA6 right\n%ll"
    "\x96\xBC\x91O\tName\t\x92l 42\n"
    "%s[FFB000]%o[b2]\x89\x8F\x8E\xE6\x82\xE8 outline%d[so] \x95\x81\x92\xCA plain";

// The text rectangle inside the back buffer; a grey frame just outside it
// shows where the centred and right-aligned lines must sit.
constexpr int32_t kMargin = 24;
constexpr uint32_t kFrameColour = 0xFFC0C0C0;

void FillRect(CSprite& target, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, target.GetWidth());
    bottom = std::min(bottom, target.GetHeight());
    for (int32_t y = top; y < bottom; ++y) {
        uint32_t* row = target.PixelAt(left, y);
        for (int32_t x = left; x < right; ++x) *row++ = colour;
    }
}

class SC_RichTextSample final : public IScene {
public:
    // quitAfter: updates after drawing until the scene quits the host (0:
    // never).
    SC_RichTextSample(CQRKWindowCtrl& host, int32_t quitAfter) noexcept : m_host(host), m_quitAfter(quitAfter) {}

    void Update() override {
        if (!m_drawn) {
            m_drawn = DrawSample();
        } else if (m_quitAfter > 0 && --m_quitAfter == 0) {
            m_host.Quit();
            return;
        }
        if (m_host.IsDrawFrame()) m_host.RequestPresent();
    }

private:
    bool DrawSample() {
        CQRKTileFontCore& font = m_host.GetTileFont();
        CSprite& buffer = m_host.GetBackBuffer();
        if (!font.IsCreated() || !buffer.HasImage()) return false;
        const int32_t width = m_host.GetBackBufferWidth();
        const int32_t height = m_host.GetBackBufferHeight();
        FillRect(buffer, 0, 0, width, height, 0xFFFFFFFF);
        const int32_t right = width - kMargin;
        const int32_t bottom = height - kMargin;
        FillRect(buffer, kMargin - 1, kMargin - 1, right + 1, kMargin, kFrameColour);
        FillRect(buffer, kMargin - 1, bottom, right + 1, bottom + 1, kFrameColour);
        FillRect(buffer, kMargin - 1, kMargin, kMargin, bottom, kFrameColour);
        FillRect(buffer, right, kMargin, right + 1, bottom, kFrameColour);
        platform::Rect bounds{};
        if (!font.DrawRichTextA(kSample, buffer, kMargin, kMargin, right - kMargin, bottom - kMargin,
                                CQRKTileFontCore::kTypeAlphaC, &bounds, nullptr, 128)) {
            std::fprintf(stderr, "richtext_sample: the sample could not be drawn\n");
        }
        return true;
    }

    CQRKWindowCtrl& m_host;
    int32_t m_quitAfter;
    bool m_drawn = false;
};

// Whether the interface face (after aliasing) is a Japanese face here.
bool InterfaceFaceIsJapanese() {
    const char* face = SC_Startup::InterfaceFace();
    char16_t units[32];
    const ptrdiff_t n = platform::Cp932ToUtf16(face, std::strlen(face), units, 32);
    std::string utf8;
    if (n < 0 || !platform::Utf16ToUtf8(units, size_t(n), utf8)) return false;
    platform::FontEngine engine;
    return engine.FaceCoversLanguage(utf8, "ja");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--face-check") == 0) {
        if (InterfaceFaceIsJapanese()) return 0;
        std::printf("SKIP: the interface face covers no Japanese here\n");
        return 77;
    }

    int32_t quitAfter = 0;
    if (argc > 2 && std::strcmp(argv[1], "--quit-after") == 0) quitAfter = std::max(std::atoi(argv[2]), 0);

    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    platform::QtMessageBoxPresenter presenter;
    platform::SetMessageBoxPresenter(&presenter);
    {
        platform::QtHostWindow window;
        COutlinecrafterDlg dialog(window);
        SC_RichTextSample sample(dialog, quitAfter);
        dialog.GetStartupScene().SetNextScene(&sample);
        dialog.DoModal();
    }
    platform::SetMessageBoxPresenter(nullptr);
    return 0;
}

#include "app/dialog/OutlinecrafterDlg.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTimer>

#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/qt/QtHostWindow.h"
#include "tests/app/QtTestSupport.h"

namespace {

using namespace platform;

struct CountingScene final : IScene {
    int32_t enters = 0;
    int32_t leaves = 0;
    void Enter() override { ++enters; }
    void Leave() override { ++leaves; }
};

std::vector<std::string>* g_teardown = nullptr;
void Record(void* name) { g_teardown->push_back(static_cast<const char*>(name)); }

TEST(OutlinecrafterDlgTest, TheProgramRunsShowsItsRateAndQuitsCleanly) {
    app_test::Application();
    QtHostWindow window;
    COutlinecrafterDlg dialog(window);
    std::vector<std::string> teardown;
    g_teardown = &teardown;
    static char first[] = "list0-first", second[] = "list0-second", last[] = "list9";
    dialog.AddTeardown(9, Record, last);
    dialog.AddTeardown(0, Record, first);
    dialog.AddTeardown(0, Record, second);

    CountingScene a, b;
    QString title;
    IScene* currentBeforeQuit = nullptr;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        // The title comes at the first change of the calendar second, which
        // may fall before the start-up scene's tenth frame: wait for both.
        if (!window.windowTitle().startsWith(QStringLiteral("FPS:"))) return;
        if (dialog.GetCurrentScene() != &dialog.GetEmptyScene()) return;
        poll.stop();
        title = window.windowTitle();
        currentBeforeQuit = dialog.GetCurrentScene();
        dialog.PushScene(&a);
        dialog.PushScene(&b);
        window.close();  // the close box: WM_CLOSE, the cancel path, Quit
    });
    poll.start();
    QTimer::singleShot(10000, &window, [&] { window.EndDialog(-1); });  // never hang the suite

    const int32_t result = dialog.DoModal();
    g_teardown = nullptr;

    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(title.endsWith(QString::fromUtf8(" 無題 - Tarn Outline Crafter Tool"))) << title.toStdString();
    EXPECT_TRUE(title.contains(QStringLiteral(" WAIT:"))) << title.toStdString();
    // The tenth start-up update handed over to the empty scene.
    EXPECT_EQ(dialog.GetStartupScene().GetUpdateCount(), 10);
    EXPECT_EQ(currentBeforeQuit, &dialog.GetEmptyScene());
    EXPECT_FALSE(title.isEmpty());
    // Every scene left exactly once.
    EXPECT_EQ(a.enters, 1);
    EXPECT_EQ(a.leaves, 1);
    EXPECT_EQ(b.enters, 1);
    EXPECT_EQ(b.leaves, 1);
    EXPECT_TRUE(dialog.IsClosing());
    EXPECT_EQ(dialog.GetTimerId(), 0u);
    // Teardown: list 0 newest first, then list 9.
    EXPECT_EQ(teardown, (std::vector<std::string>{"list0-second", "list0-first", "list9"}));
}

TEST(OutlinecrafterDlgTest, TheTitleNamesTheDocument) {
    app_test::Application();
    QtHostWindow window;
    COutlinecrafterDlg dialog(window);
    const struct {
        const char* document;
        bool modified;
        const char* expected;
    } cases[] = {
        {"", false, "FPS:62 WAIT:1 \x96\xB3\x91\xE8 - Tarn Outline Crafter Tool"},
        {"a.qdx", false, "FPS:62 WAIT:1 a.qdx - Tarn Outline Crafter Tool"},
        {"a.qdx", true, "FPS:62 WAIT:1 a.qdx * - Tarn Outline Crafter Tool"},
    };
    for (const auto& c : cases) {
        dialog.SetDocumentTitle(c.document);
        dialog.SetDocumentModified(c.modified);
        CStr_base<64> title;
        dialog.MakeTitle(title, 62, 70, 1);  // the update count is not shown
        EXPECT_STREQ(title.GetText(), c.expected);
    }
}

// Input reaches the host's tables both through its own entry (the window's
// delivery: PreTranslateMessage, then WindowProc) and from toolkit events.
TEST(OutlinecrafterDlgTest, InputReachesTheHostsTables) {
    app_test::Application();
    QtHostWindow window;
    COutlinecrafterDlg dialog(window);
    window.show();
    QRKHostInputTables& in = dialog.GetInputTables();

    window.Deliver(WindowMessage{WM_KEYDOWN, 0x41, 1, nullptr, nullptr, 0});
    window.Deliver(WindowMessage{WM_KEYDOWN, 0x41, 1 | (1 << 30), nullptr, nullptr, 0});  // auto-repeat
    EXPECT_EQ(in.keyPressed[0x41], 1);
    EXPECT_EQ(in.keyDown[0x41], 1);
    window.Deliver(WindowMessage{WM_CHAR, 'a', 1, nullptr, nullptr, 0});  // nothing recorded for characters
    window.Deliver(WindowMessage{WM_LBUTTONDOWN, 1, 0x00050005, nullptr, nullptr, 0});
    EXPECT_EQ(in.mouse[0].pressed, 1);
    EXPECT_TRUE(window.HasCapture());
    window.Deliver(WindowMessage{WM_MOUSEWHEEL, static_cast<uintptr_t>(0xFF88u) << 16, 0, nullptr, nullptr, 0});
    EXPECT_EQ(in.wheel, -120);

    // Deactivation releases what is held, and the capture.
    window.Deliver(WindowMessage{WM_ACTIVATE, WA_INACTIVE, 0, nullptr, nullptr, 0});
    EXPECT_EQ(in.keyDown[0x41], 0);
    EXPECT_EQ(in.keyReleased[0x41], 1);
    EXPECT_EQ(in.mouse[0].down, 0);
    EXPECT_EQ(in.mouse[0].released, 1);
    EXPECT_FALSE(window.HasCapture());

    // From the toolkit: the keypad 5 and F10 go to the same tables.
    in.Clear();
    for (const auto& [key, mods] : {std::pair{Qt::Key_5, Qt::KeypadModifier}, std::pair{Qt::Key_F10, Qt::NoModifier}}) {
        QKeyEvent press(QEvent::KeyPress, key, mods);
        QCoreApplication::sendEvent(window.ClientArea(), &press);
    }
    EXPECT_EQ(in.keyPressed[0x65], 1);
    EXPECT_EQ(in.keyPressed[0x79], 1);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_F10, Qt::NoModifier);
    QCoreApplication::sendEvent(window.ClientArea(), &release);
    EXPECT_EQ(in.keyDown[0x79], 0);
    EXPECT_EQ(in.keyReleased[0x79], 1);
}

}  // namespace

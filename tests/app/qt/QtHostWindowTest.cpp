#include "platform/qt/QtHostWindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QWheelEvent>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/qt/QtEnvironmentDialog.h"
#include "platform/qt/QtMessageBox.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/SpriteView.h"
#include "tests/app/QtTestSupport.h"

namespace {

using namespace platform;

// A client that records every message and can consume key presses, as the
// host does without a text field.
struct RecordingClient final : IWindowClient {
    QtHostWindow* window = nullptr;
    std::vector<WindowMessage> messages;
    bool consumeKeys = false;
    int32_t ticks = 0;
    // Painted on WM_PAINT through the window's device.
    std::vector<uint32_t> pixels;
    int32_t pixelsWidth = 0;
    // WM_SIZING: the width the window is held to (0: none).
    int32_t sizingWidth = 0;

    bool PreTranslateMessage(const WindowMessage& m) override {
        messages.push_back(m);
        return consumeKeys && (m.code == WM_KEYDOWN || m.code == WM_KEYUP);
    }
    intptr_t WindowProc(const WindowMessage& m) override {
        if (m.code == WM_PAINT && !pixels.empty()) {
            Rect client;
            window->GetClientRect(client);
            const int32_t h = static_cast<int32_t>(pixels.size()) / pixelsWidth;
            window->GetClientDevice()->StretchFromMemory(0, 0, client.Width(), client.Height(), pixels.data(),
                                                         pixelsWidth, h, pixelsWidth, 0, 0, pixelsWidth, h,
                                                         SRCCOPY);
        }
        if (m.code == WM_SIZING && sizingWidth != 0) m.rect->right = m.rect->left + sizingWidth;
        return 0;
    }
    void TimerTick() override { ++ticks; }

    std::vector<WindowMessage> Take(uint32_t code) const {
        std::vector<WindowMessage> out;
        for (const WindowMessage& m : messages)
            if (m.code == code) out.push_back(m);
        return out;
    }
};

class QtHostWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        app_test::Application();
        window = std::make_unique<QtHostWindow>();
        client.window = window.get();
        window->SetClient(&client);
        window->MoveWindow(Rect{100, 100, 500, 400}, false);
        window->show();
        QCoreApplication::processEvents();
        client.messages.clear();
    }
    void TearDown() override {
        window->SetClient(nullptr);
        window.reset();
    }

    void Key(QEvent::Type type, int key, Qt::KeyboardModifiers mods, const QString& text = {},
             bool autoRepeat = false) {
        QKeyEvent e(type, key, mods, text, autoRepeat);
        QCoreApplication::sendEvent(window->ClientArea(), &e);
    }

    RecordingClient client;
    std::unique_ptr<QtHostWindow> window;
};

TEST_F(QtHostWindowTest, KeysBecomeKeyMessagesWithTheirFlags) {
    struct Case {
        const char* name;
        QEvent::Type type;
        int key;
        Qt::KeyboardModifiers mods;
        bool autoRepeat;
        uint32_t code;
        uintptr_t vk;
        uint32_t flagBits;  // bits 29-31 of lParam
    } cases[] = {
        {"A down", QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, false, WM_KEYDOWN, 0x41, 0},
        {"A repeated", QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, true, WM_KEYDOWN, 0x41, 2},
        {"A up", QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, false, WM_KEYUP, 0x41, 6},
        {"keypad 7", QEvent::KeyPress, Qt::Key_7, Qt::KeypadModifier, false, WM_KEYDOWN, 0x67, 0},
        {"Alt down", QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier, false, WM_SYSKEYDOWN, 0x12, 1},
        {"Alt up", QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier, false, WM_SYSKEYUP, 0x12, 6},
        {"F10 down", QEvent::KeyPress, Qt::Key_F10, Qt::NoModifier, false, WM_SYSKEYDOWN, 0x79, 0},
        {"Alt+Enter up", QEvent::KeyRelease, Qt::Key_Return, Qt::AltModifier, false, WM_SYSKEYUP, 0x0D, 7},
        {"Tab stays a key", QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, false, WM_KEYDOWN, 0x09, 0},
    };
    client.consumeKeys = true;
    for (const Case& c : cases) {
        client.messages.clear();
        Key(c.type, c.key, c.mods, {}, c.autoRepeat);
        ASSERT_EQ(client.messages.size(), 1u) << c.name;
        const WindowMessage& m = client.messages[0];
        EXPECT_EQ(m.code, c.code) << c.name;
        EXPECT_EQ(m.wParam, c.vk) << c.name;
        EXPECT_EQ((static_cast<uint32_t>(m.lParam) >> 29) & 7u, c.flagBits) << c.name;
        EXPECT_EQ(static_cast<uint32_t>(m.lParam) & 0xFFFFu, 1u) << c.name;  // repeat count
    }
    // Neither Alt nor F10 opened the menu bar, and Tab moved no focus.
    EXPECT_EQ(window->MenuBar()->activeAction(), nullptr);
    EXPECT_FALSE(window->SystemMenu()->isVisible());

    // A repeated release means the key is still held: nothing is sent.
    client.messages.clear();
    Key(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, {}, true);
    EXPECT_TRUE(client.messages.empty());
}

TEST_F(QtHostWindowTest, AKeyPressThatIsNotConsumedTypesItsText) {
    Key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    ASSERT_EQ(client.messages.size(), 2u);
    EXPECT_EQ(client.messages[0].code, WM_KEYDOWN);
    EXPECT_EQ(client.messages[1].code, WM_CHAR);
    EXPECT_EQ(client.messages[1].wParam, uintptr_t('a'));

    // Consumed (the host records the key): no character.
    client.messages.clear();
    client.consumeKeys = true;
    Key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    EXPECT_TRUE(client.Take(WM_CHAR).empty());

    // Text beyond one UTF-16 unit: one message per unit; a key without a code
    // still types.
    client.messages.clear();
    client.consumeKeys = false;
    Key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf16(u"\U0001F600"));
    const auto chars = client.Take(WM_CHAR);
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].wParam, 0xD83Du);
    EXPECT_EQ(chars[1].wParam, 0xDE00u);
}

TEST_F(QtHostWindowTest, MouseMessagesCarryClientPositionsAndButtons) {
    QWidget* area = window->ClientArea();
    const QPointF local(10, 20);
    const QPointF global = area->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(area, &press);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, local, global, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(area, &dbl);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-5, 3), area->mapToGlobal(QPointF(-5, 3)),
                        Qt::MiddleButton, Qt::NoButton, Qt::ControlModifier);
    QCoreApplication::sendEvent(area, &release);
    QWheelEvent down(local, global, QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                     false);
    QCoreApplication::sendEvent(area, &down);

    ASSERT_EQ(client.messages.size(), 4u);
    EXPECT_EQ(client.messages[0].code, WM_LBUTTONDOWN);
    EXPECT_EQ(client.messages[0].wParam, 0x01u | 0x04u);  // MK_LBUTTON | MK_SHIFT
    EXPECT_EQ(client.messages[0].lParam, intptr_t(20 << 16 | 10));
    EXPECT_EQ(client.messages[1].code, WM_RBUTTONDBLCLK);
    EXPECT_EQ(client.messages[2].code, WM_MBUTTONUP);
    EXPECT_EQ(client.messages[2].wParam, 0x08u);                 // MK_CONTROL
    EXPECT_EQ(client.messages[2].lParam, intptr_t(3 << 16 | 0xFFFB));  // x = -5 as a signed word
    EXPECT_EQ(client.messages[3].code, WM_MOUSEWHEEL);
    EXPECT_EQ(static_cast<int16_t>(client.messages[3].wParam >> 16), -120);
}

TEST_F(QtHostWindowTest, AtMostOneFrameMessageWaits) {
    window->PostFrameMessage();
    window->PostFrameMessage();
    window->PostFrameMessage();
    QCoreApplication::processEvents();
    EXPECT_EQ(client.Take(WM_HOST_FRAME).size(), 1u);
    window->PostFrameMessage();  // delivered: a new one may be posted
    window->PumpMessages();
    EXPECT_EQ(client.Take(WM_HOST_FRAME).size(), 2u);
}

TEST_F(QtHostWindowTest, TicksFollowTheClockAcrossAStall) {
    const uint32_t id = window->StartTimer(4);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(window->StartTimer(4), 0u);  // one tick source at a time
    // The GUI thread is busy for 100 ms: the ticks of that time come late, not never.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(app_test::RunUntil([&] { return client.ticks >= 25; }, 2000));
    EXPECT_EQ(static_cast<uint64_t>(client.ticks), window->TicksDelivered());
    window->KillTimer(id);
    const int32_t after = client.ticks;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    QCoreApplication::processEvents();
    EXPECT_EQ(client.ticks, after);
}

TEST_F(QtHostWindowTest, TheCloseBoxAsksTheClientAndTheWindowStays) {
    window->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(client.Take(WM_CLOSE).size(), 1u);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(QtHostWindowTest, SystemMenuItemsSendTheirCommands) {
    // "環境設定(&E)..." and a separator.
    ASSERT_TRUE(window->AppendSystemMenuItem(MF_SEPARATOR, 0, nullptr));
    ASSERT_TRUE(window->AppendSystemMenuItem(MF_STRING, 32, "\x8A\xC2\x8B\xAB\x90\xDD\x92\xE8(&E)..."));
    ASSERT_TRUE(window->AppendSystemMenuItem(MF_STRING, 48, "Full\tAlt+Enter"));
    const QList<QAction*> actions = window->SystemMenu()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_TRUE(actions[0]->isSeparator());
    EXPECT_EQ(actions[1]->text(), QString::fromUtf8("環境設定(&E)..."));
    actions[2]->trigger();
    const auto commands = client.Take(WM_SYSCOMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, 48u);
    window->CheckSystemMenuItem(48, true);
    EXPECT_TRUE(actions[2]->isChecked());
    window->CheckSystemMenuItem(48, false);
    EXPECT_FALSE(actions[2]->isChecked());
}

TEST_F(QtHostWindowTest, GeometryRoundTripsAndReportsTheClientSize) {
    Rect client{0, 0, 320, 200};
    const Rect frame = window->AdjustWindowRect(client);
    const Rect back = window->ClientFromWindowRect(frame);
    EXPECT_EQ(back.Width(), 320);
    EXPECT_EQ(back.Height(), 200);
    EXPECT_GT(frame.Height(), 200);  // the menu bar is part of the window
    window->MoveWindow(Rect{50, 60, 50 + frame.Width(), 60 + frame.Height()}, true);
    const auto sizes = this->client.Take(WM_SIZE);
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back().lParam, intptr_t(200 << 16 | 320));
    Rect now;
    ASSERT_TRUE(window->GetClientRect(now));
    EXPECT_EQ(now.Width(), 320);
    EXPECT_EQ(now.Height(), 200);

    Rect work;
    ASSERT_TRUE(window->GetWorkArea(Rect{-5000, -5000, -4000, -4000}, work));  // touches no screen: the primary
    EXPECT_GT(work.Width(), 0);
}

TEST_F(QtHostWindowTest, AResizeByTheUserIsCorrectedByTheClient) {
    this->client.sizingWidth = 300;
    window->resize(450, 350);  // not through MoveWindow: as the window manager would
    QCoreApplication::processEvents();
    const auto sizing = client.Take(WM_SIZING);
    ASSERT_FALSE(sizing.empty());
    EXPECT_EQ(sizing[0].wParam, WMSZ_BOTTOMRIGHT);
    EXPECT_EQ(window->frameGeometry().width(), 300);
}

TEST_F(QtHostWindowTest, PresentingDrawsTheCallersPixelsWithoutSmoothing) {
    client.pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00FFFFFF};  // alpha ignored
    client.pixelsWidth = 2;
    const QImage shot = window->ClientArea()->grab().toImage();  // paints through WM_PAINT
    ASSERT_FALSE(shot.isNull());
    const int w = shot.width();
    const int h = shot.height();
    const struct {
        int x, y;
        QRgb rgb;
    } probes[] = {
        {0, 0, 0xFF0000}, {w / 2 - 1, h / 2 - 1, 0xFF0000}, {w / 2, 0, 0x00FF00}, {w - 1, h / 2 - 1, 0x00FF00},
        {0, h / 2, 0x0000FF}, {w - 1, h - 1, 0xFFFFFF},
    };
    for (const auto& p : probes) EXPECT_EQ(shot.pixel(p.x, p.y) & 0xFFFFFFu, p.rgb) << p.x << "," << p.y;

    // Outside a paint, a present paints at once, without asking the client.
    client.messages.clear();
    EXPECT_TRUE(window->GetClientDevice()->StretchFromMemory(0, 0, 10, 10, client.pixels.data(), 2, 2, 2, 0, 0, 2,
                                                             2, SRCCOPY));
    EXPECT_TRUE(client.Take(WM_PAINT).empty());
    EXPECT_FALSE(window->GetClientDevice()->StretchFromMemory(0, 0, 10, 10, client.pixels.data(), 2, 2, 2, 0, 0, 2,
                                                              2, 0x00EE0086 /* SRCPAINT */));
}

TEST_F(QtHostWindowTest, TheBackBufferIsPresentedFromItsOwnMemory) {
    InitRasterLibrary(1);
    CSpriteView buffer;
    ASSERT_TRUE(buffer.Create(64, 48, true));
    EXPECT_TRUE(buffer.StretchBltTo(window->GetClientDevice(), 0, 0, 128, 96, 0, 0, 64, 48, SRCCOPY));
    EXPECT_FALSE(buffer.HasGdiObjects());  // no bitmap, no upload
    // The device objects a start-up scene makes still work.
    EXPECT_TRUE(buffer.CreateGdiObjects(window->GetClientDevice()));
    EXPECT_TRUE(buffer.Upload());
}

TEST_F(QtHostWindowTest, RunModalInitialisesShownAndEndsWithDestroy) {
    bool shownAtInit = false;
    window->hide();
    const int32_t result = window->RunModal([&] {
        shownAtInit = window->isVisible();
        QTimer::singleShot(10, window.get(), [&] { window->EndDialog(IDCANCEL); });
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(shownAtInit);
    EXPECT_FALSE(window->isVisible());
    ASSERT_FALSE(client.messages.empty());
    EXPECT_EQ(client.messages.back().code, WM_DESTROY);

    // Ended during initialisation: no loop at all.
    EXPECT_EQ(window->RunModal([&] { window->EndDialog(IDOK); }), IDOK);
}

// --- Dialogs ------------------------------------------------------------------

TEST(QtEnvironmentDialogTest, SlidersAndLabelsAreDisabledAndTheModeTextIsShown) {
    app_test::Application();
    // "描画モード\nQDXPU proto 32bit BGRA-8888 Convert\nGDI Compatible"
    const char mode[] = "\x95\x60\x89\xE6\x83\x82\x81[\x83h\nQDXPU proto 32bit BGRA-8888 Convert\nGDI Compatible";
    QtEnvironmentDialog dialog(mode);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("環境設定"));
    const struct {
        const char* id;
        bool slider;
        const char* text;
    } controls[] = {
        {"1000", true, nullptr}, {"1001", true, nullptr}, {"1002", true, nullptr}, {"1007", true, nullptr},
        {"1005", false, "メインBGMボリューム"}, {"1006", false, "効果音ボリューム"},
        {"1003", false, "MIDIボリューム"}, {"1008", false, "サブBGMボリューム"},
    };
    for (const auto& c : controls) {
        QWidget* w = dialog.findChild<QWidget*>(QString::fromLatin1(c.id));
        ASSERT_NE(w, nullptr) << c.id;
        EXPECT_FALSE(w->isEnabled()) << c.id;
        if (c.slider) {
            EXPECT_NE(qobject_cast<QSlider*>(w), nullptr) << c.id;
        } else {
            EXPECT_EQ(qobject_cast<QLabel*>(w)->text(), QString::fromUtf8(c.text)) << c.id;
        }
    }
    auto* modeLabel = dialog.findChild<QLabel*>(QStringLiteral("1004"));
    ASSERT_NE(modeLabel, nullptr);
    EXPECT_EQ(modeLabel->text(),
              QString::fromUtf8("描画モード\nQDXPU proto 32bit BGRA-8888 Convert\nGDI Compatible"));
    auto* close = dialog.findChild<QPushButton*>(QStringLiteral("1"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QString::fromUtf8("閉じる"));
}

TEST(QtEnvironmentDialogTest, CloseAnswersOkAndTheCloseBoxCancel) {
    app_test::Application();
    QtHostWindow window;
    for (const bool useButton : {true, false}) {
        QTimer::singleShot(20, [useButton] {
            auto* dialog = qobject_cast<QtEnvironmentDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (useButton)
                dialog->findChild<QPushButton*>(QStringLiteral("1"))->click();
            else
                dialog->reject();
        });
        EXPECT_EQ(window.RunEnvironmentDialog("mode"), useButton ? 1 : 2);
    }
}

TEST(QtMessageBoxTest, ButtonsCarryTheSystemTextsAndAnswerTheirIds) {
    app_test::Application();
    QtMessageBoxPresenter presenter;
    const struct {
        uint32_t type;
        const char* click;  // the button to press; null: Escape
        int32_t result;
        const char* defaultText;
    } cases[] = {
        {MB_YESNO | MB_DEFBUTTON2, "いいえ(&N)", IDNO, "いいえ(&N)"},
        {MB_YESNOCANCEL, nullptr, IDCANCEL, "はい(&Y)"},
        {MB_OKCANCEL | MB_ICONWARNING, "OK", IDOK, "OK"},
        {MB_OK, nullptr, IDOK, "OK"},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, "無視(&I)", IDIGNORE, "無視(&I)"},
    };
    for (const auto& c : cases) {
        QString defaultText;
        QTimer::singleShot(20, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            defaultText = box->defaultButton()->text();
            if (c.click == nullptr) {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(box, &escape);
                return;
            }
            for (QAbstractButton* b : box->buttons())
                if (b->text() == QString::fromUtf8(c.click)) b->click();
        });
        EXPECT_EQ(presenter.Show(nullptr, u"text", u"caption", c.type), c.result) << c.type;
        EXPECT_EQ(defaultText, QString::fromUtf8(c.defaultText)) << c.type;
    }
    EXPECT_EQ(presenter.Show(nullptr, u"", u"", 0xF), 0);  // unknown button set: nothing shown
}

}  // namespace

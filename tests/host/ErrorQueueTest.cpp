#include "host/ErrorQueue.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Cp932.h"
#include "platform/MessageBox.h"

namespace {

// Texts as the program holds them (code page 932).
const std::string kAsk = "\n\x88\xC8\x8F\xE3\x82\xCC\x83G\x83\x89\x81[\x82\xAA\x95\xF1\x8D\x90\x82\xB3\x82\xEA\x82\xDC"
                         "\x82\xB5\x82\xBD\x81\x42\x91\xB1\x8Ds\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H";  // 以上の…続行しますか？
const std::string kFatal =
    "\n\x88\xC8\x8F\xE3\x82\xCC\x83G\x83\x89\x81[\x82\xAA\x95\xF1\x8D\x90\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD\x81"
    "\x42\n\x83Q\x81[\x83\x80\x83v\x83\x8D\x83O\x83\x89\x83\x80\x91\xA4\x82\xCC\x97v\x8B\x81\x82\xC9\x82\xE6\x82\xE8"
    "\x81\x41\x8B\xAD\x90\xA7\x8FI\x97\xB9\x82\xB5\x82\xDC\x82\xB7\x81\x42";  // 以上の…強制終了します。
const std::string kOthers12Ask =
    "\n\x91\xBC\x81\x41\x8D\x87\x8Cv 12 \x82\xCC\x83G\x83\x89\x81[\x82\xAA\x95\xF1\x8D\x90\x82\xB3\x82\xEA\x82\xDC\x82"
    "\xB5\x82\xBD\x81\x42\x91\xB1\x8Ds\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H";  // 他、合計 12 の…続行しますか？
const std::string kTooLong =
    "...(\x92\xB7\x82\xB7\x82\xAC\x82\xE9\x82\xBD\x82\xDF\x8F\xC8\x97\xAA\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD)";
const std::string kShownSetFull =  // エラーの種類が多すぎるため、以降の新しいエラーは表示されません。
    "\x83G\x83\x89\x81[\x82\xCC\x8E\xED\x97\xDE\x82\xAA\x91\xBD\x82\xB7\x82\xAC\x82\xE9\x82\xBD\x82\xDF\x81\x41\x88\xC8"
    "\x8D~\x82\xCC\x90V\x82\xB5\x82\xA2\x83G\x83\x89\x81[\x82\xCD\x95\x5C\x8E\xA6\x82\xB3\x82\xEA\x82\xDC\x82\xB9\x82"
    "\xF1\x81\x42";
const char kKanji[] = "\x88\x9F";  // 亜: its trail byte can also start a character

struct Box {
    std::string text;  // back in code page 932
    std::u16string caption;
    uint32_t type;
};

// Answers every box with `answer` and records it; `during` runs while a box is open.
class AnsweringPresenter final : public platform::IMessageBoxPresenter {
public:
    explicit AnsweringPresenter(int32_t answer) : m_answer(answer) { m_previous = platform::SetMessageBoxPresenter(this); }
    ~AnsweringPresenter() override { platform::SetMessageBoxPresenter(m_previous); }

    int32_t Show(void*, const char16_t* text, const char16_t* caption, uint32_t type) override {
        std::u16string wide(text);
        std::string narrow(platform::Utf16ToCp932MaxBytes(wide.size()), '\0');
        const ptrdiff_t n = platform::Utf16ToCp932(wide.data(), wide.size(), narrow.data(), narrow.size(), nullptr);
        narrow.resize(n < 0 ? 0 : size_t(n));
        boxes.push_back({narrow, caption, type});
        if (during) during();
        return m_answer;
    }

    std::vector<Box> boxes;
    std::function<void()> during;

private:
    int32_t m_answer;
    platform::IMessageBoxPresenter* m_previous;
};

std::string Repeat(const std::string& piece, size_t times) {
    std::string s;
    for (size_t i = 0; i < times; ++i) s += piece;
    return s;
}

TEST(ErrorQueue, LongTextsAreCutOnACharacterBoundary) {
    struct Case {
        const char* name;
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {"900 bytes stay whole", std::string(900, 'a'), std::string(900, 'a')},
        {"901 single bytes keep 900", std::string(901, 'a'), std::string(900, 'a') + kTooLong},
        {"byte 899 starts a character: 901 kept", "a" + Repeat(kKanji, 450),
         "a" + Repeat(kKanji, 450) + kTooLong},
        {"byte 899 ends a character: 900 kept", Repeat(kKanji, 460), Repeat(kKanji, 450) + kTooLong},
        {"long text, lead at 899 after single bytes", std::string(899, 'b') + Repeat(kKanji, 10),
         std::string(899, 'b') + kKanji + kTooLong},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AnsweringPresenter presenter(platform::IDYES);
        CQRKErrorQueue queue;
        queue.ReportError(c.text.c_str(), false);
        EXPECT_FALSE(queue.Display(nullptr));
        ASSERT_EQ(presenter.boxes.size(), 1u);
        EXPECT_EQ(presenter.boxes[0].text, c.shown + "\n" + kAsk);
    }
}

TEST(ErrorQueue, OneBoxListsTheFrameTextsInReportOrder) {
    AnsweringPresenter presenter(platform::IDYES);
    CQRKErrorQueue queue;
    queue.ReportError("first", false);
    queue.ReportError("second", false);
    queue.ReportError("third", false);
    EXPECT_FALSE(queue.Display(reinterpret_cast<void*>(0x1234)));
    ASSERT_EQ(presenter.boxes.size(), 1u);
    EXPECT_EQ(presenter.boxes[0].text, "first\nsecond\nthird\n" + kAsk);
    EXPECT_EQ(presenter.boxes[0].caption, u"Tarn Outline Crafter Tool");
    EXPECT_EQ(presenter.boxes[0].type, platform::MB_ICONERROR | platform::MB_YESNO);
    EXPECT_FALSE(queue.HasPending());
}

TEST(ErrorQueue, TwelveTextsListTenAndCountAll) {
    AnsweringPresenter presenter(platform::IDYES);
    CQRKErrorQueue queue;
    std::string listed;
    for (int i = 0; i < 12; ++i) {
        const std::string text = "error " + std::to_string(i);
        queue.ReportError(text.c_str(), false);
        if (i < 10) listed += text + "\n";
    }
    queue.Display(nullptr);
    ASSERT_EQ(presenter.boxes.size(), 1u);
    EXPECT_EQ(presenter.boxes[0].text, listed + kOthers12Ask);
    // The two unlisted texts count as shown too.
    queue.ReportError("error 11", false);
    EXPECT_FALSE(queue.HasPending());
}

TEST(ErrorQueue, EachTextIsShownOncePerRun) {
    AnsweringPresenter presenter(platform::IDYES);
    CQRKErrorQueue queue;
    queue.ReportError("twice", false);
    queue.ReportError("twice", false);
    queue.Display(nullptr);
    ASSERT_EQ(presenter.boxes.size(), 1u);
    EXPECT_EQ(presenter.boxes[0].text, "twice\n" + kAsk);

    // Later reports of it, fatal or not, are dropped at once.
    queue.ReportError("twice", false);
    queue.ReportError("twice", true);
    EXPECT_FALSE(queue.HasPending());
    EXPECT_FALSE(queue.IsFatal());
    EXPECT_FALSE(queue.Display(nullptr));
    EXPECT_EQ(presenter.boxes.size(), 1u);
}

TEST(ErrorQueue, AnswerAndFatalDecideWhetherTheProgramEnds) {
    {
        AnsweringPresenter presenter(platform::IDNO);
        CQRKErrorQueue queue;
        queue.ReportError("x", false);
        EXPECT_TRUE(queue.Display(nullptr)) << "No ends the program";
    }
    {
        AnsweringPresenter presenter(platform::IDYES);
        CQRKErrorQueue queue;
        queue.ReportError("plain", false);
        queue.ReportError("deadly", true);
        EXPECT_TRUE(queue.IsFatal());
        EXPECT_TRUE(queue.Display(nullptr));
        ASSERT_EQ(presenter.boxes.size(), 1u);
        EXPECT_EQ(presenter.boxes[0].text, "plain\ndeadly\n" + kFatal);
        EXPECT_EQ(presenter.boxes[0].type, platform::MB_ICONERROR | platform::MB_OK);

        // The flag stays: when the quit was cancelled, the next batch is fatal too.
        queue.ReportError("afterwards", false);
        EXPECT_TRUE(queue.Display(nullptr));
        EXPECT_EQ(presenter.boxes.back().text, "afterwards\n" + kFatal);
        queue.ClearFatal();
        EXPECT_FALSE(queue.IsFatal());
    }
}

TEST(ErrorQueue, ReportsMadeWhileTheBoxIsOpenWaitForTheNextDisplay) {
    AnsweringPresenter presenter(platform::IDYES);
    CQRKErrorQueue queue;
    int reports = 0;
    presenter.during = [&] {
        if (reports++ == 0) queue.ReportError("during the box", false);
    };
    queue.ReportError("before", false);
    queue.Display(nullptr);
    EXPECT_TRUE(queue.HasPending());
    queue.Display(nullptr);
    ASSERT_EQ(presenter.boxes.size(), 2u);
    EXPECT_EQ(presenter.boxes[1].text, "during the box\n" + kAsk);
}

TEST(ErrorQueue, AFullShownSetDropsNewTextsAndSaysSoOnce) {
    AnsweringPresenter presenter(platform::IDYES);
    CQRKErrorQueue queue;
    for (uint32_t i = 0; i < CQRKErrorQueue::kShownLimit; ++i)
        queue.ReportError(("text " + std::to_string(i)).c_str(), false);
    queue.ReportError("one too many (same frame)", false);
    queue.Display(nullptr);
    ASSERT_EQ(presenter.boxes.size(), 1u);
    EXPECT_NE(presenter.boxes[0].text.find(kShownSetFull), std::string::npos);

    // Once said, further drops stay quiet; shown texts are still recognised.
    queue.ReportError("another new one", false);
    queue.ReportError("text 5", false);
    EXPECT_FALSE(queue.HasPending());
    EXPECT_FALSE(queue.Display(nullptr));

    // A dropped fatal text still ends the program, with the notice as its box.
    queue.ReportError("fatal but no room", true);
    ASSERT_TRUE(queue.HasPending());
    EXPECT_TRUE(queue.Display(nullptr));
    EXPECT_EQ(presenter.boxes.back().text, kShownSetFull + "\n" + kFatal);
}

TEST(ErrorQueue, TextsThatAreNotCodePage932StillShow) {
    AnsweringPresenter presenter(platform::IDYES);
    CQRKErrorQueue queue;
    queue.ReportError("bad \x81\x7F name", false);  // no such character
    queue.Display(nullptr);
    ASSERT_EQ(presenter.boxes.size(), 1u);
    // U+FFFD has no code page 932 form: the round trip gives "?".
    EXPECT_EQ(presenter.boxes[0].text, "bad ? name\n" + kAsk);
}

}  // namespace

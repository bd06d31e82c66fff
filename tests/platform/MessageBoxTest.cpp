// The message-box presenter switch and the answer of the default presenter,
// which stands in for the user whenever no GUI is installed.
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace platform;

TEST(MessageBox, DefaultButtonOfEachButtonSet) {
    const struct {
        uint32_t type;
        int32_t expected;
        const char* name;
    } cases[] = {
        {MB_OK, IDOK, "OK"},
        {MB_OK | MB_DEFBUTTON2, IDOK, "a default beyond the buttons falls back to the first"},
        {MB_OKCANCEL, IDOK, "OK/Cancel"},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL, "OK/Cancel, second"},
        {MB_OKCANCEL | MB_DEFBUTTON3, IDOK, "OK/Cancel, third is beyond"},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE, "Abort/Retry/Ignore, third"},
        {MB_YESNOCANCEL, IDYES, "Yes/No/Cancel"},
        {MB_YESNOCANCEL | MB_DEFBUTTON2, IDNO, "Yes/No/Cancel, second"},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL, "Yes/No/Cancel, third"},
        {MB_YESNOCANCEL | MB_DEFBUTTON4, IDYES, "Yes/No/Cancel, fourth is beyond"},
        {MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION | MB_TOPMOST, IDNO, "icon and placement bits ignored"},
        {MB_RETRYCANCEL, IDRETRY, "Retry/Cancel"},
        {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, IDCONTINUE, "Cancel/Try again/Continue, third"},
        {0x7, 0, "unknown button set: no box"},
        {0xF | MB_DEFBUTTON2, 0, "unknown button set with a default"},
    };
    for (const auto& c : cases) EXPECT_EQ(DefaultMessageBoxResult(c.type), c.expected) << c.name;
}

class RecordingPresenter : public IMessageBoxPresenter {
public:
    int32_t Show(void* owner, const char16_t* text, const char16_t* caption, uint32_t type) override {
        lastOwner = owner;
        lastText = text;
        lastCaption = caption;
        lastType = type;
        return answer;
    }
    void* lastOwner = nullptr;
    std::u16string lastText, lastCaption;
    uint32_t lastType = 0;
    int32_t answer = IDNO;
};

TEST(MessageBox, InstalledPresenterAnswersUntilRemoved) {
    RecordingPresenter fake;
    int owner = 0;
    IMessageBoxPresenter* previous = SetMessageBoxPresenter(&fake);
    EXPECT_EQ(previous, nullptr);

    EXPECT_EQ(PresentMessageBox(&owner, u"text", nullptr, MB_YESNO), IDNO);
    EXPECT_EQ(fake.lastOwner, &owner);
    EXPECT_EQ(fake.lastText, u"text");
    EXPECT_EQ(fake.lastCaption, u"") << "a null caption reaches the presenter as empty";
    EXPECT_EQ(fake.lastType, MB_YESNO);

    EXPECT_EQ(PresentMessageBox(nullptr, nullptr, u"cap", MB_OK), IDNO);
    EXPECT_EQ(fake.lastText, u"");
    EXPECT_EQ(fake.lastCaption, u"cap");

    EXPECT_EQ(SetMessageBoxPresenter(previous), &fake);
}

TEST(MessageBox, DefaultPresenterWritesToStderrAndAnswersAtOnce) {
    ASSERT_EQ(SetMessageBoxPresenter(nullptr), nullptr);
    testing::internal::CaptureStderr();
    // A lone surrogate must not lose the rest of the message.
    const int32_t result = PresentMessageBox(nullptr, u"\u3042 \xD800 \U0001F600 end", u"Title",
                                             MB_YESNOCANCEL | MB_DEFBUTTON2);
    const std::string out = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, IDNO);
    EXPECT_EQ(out, "Title: \xE3\x81\x82 \xEF\xBF\xBD \xF0\x9F\x98\x80 end\n");

    testing::internal::CaptureStderr();
    EXPECT_EQ(PresentMessageBox(nullptr, u"plain", u"", MB_OK), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "plain\n");
}

}  // namespace

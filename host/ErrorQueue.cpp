#include "host/ErrorQueue.h"

#include <cstring>
#include <mutex>

#include "foundation/strings/Format.h"
#include "foundation/strings/UStr.h"
#include "platform/Cp932.h"
#include "platform/MessageBox.h"

namespace {

// "...(長すぎるため省略されました)"
constexpr char kTooLongSuffix[] =
    "...(\x92\xB7\x82\xB7\x82\xAC\x82\xE9\x82\xBD\x82\xDF\x8F\xC8\x97\xAA\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD)";
// "\n以上のエラーが報告されました。\nゲームプログラム側の要求により、強制終了します。"
constexpr char kFatalTail[] =
    "\n\x88\xC8\x8F\xE3\x82\xCC\x83G\x83\x89\x81[\x82\xAA\x95\xF1\x8D\x90\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD\x81"
    "\x42\n\x83Q\x81[\x83\x80\x83v\x83\x8D\x83O\x83\x89\x83\x80\x91\xA4\x82\xCC\x97v\x8B\x81\x82\xC9\x82\xE6\x82\xE8"
    "\x81\x41\x8B\xAD\x90\xA7\x8FI\x97\xB9\x82\xB5\x82\xDC\x82\xB7\x81\x42";
// "\n他、合計 %d のエラーが報告されました。\nゲームプログラム側の要求により、強制終了します。"
constexpr char kFatalTailCount[] =
    "\n\x91\xBC\x81\x41\x8D\x87\x8Cv %d \x82\xCC\x83G\x83\x89\x81[\x82\xAA\x95\xF1\x8D\x90\x82\xB3\x82\xEA\x82\xDC\x82"
    "\xB5\x82\xBD\x81\x42\n\x83Q\x81[\x83\x80\x83v\x83\x8D\x83O\x83\x89\x83\x80\x91\xA4\x82\xCC\x97v\x8B\x81\x82\xC9"
    "\x82\xE6\x82\xE8\x81\x41\x8B\xAD\x90\xA7\x8FI\x97\xB9\x82\xB5\x82\xDC\x82\xB7\x81\x42";
// "\n以上のエラーが報告されました。続行しますか？"
constexpr char kAskTail[] =
    "\n\x88\xC8\x8F\xE3\x82\xCC\x83G\x83\x89\x81[\x82\xAA\x95\xF1\x8D\x90\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD\x81"
    "\x42\x91\xB1\x8Ds\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H";
// "\n他、合計 %d のエラーが報告されました。続行しますか？"
constexpr char kAskTailCount[] =
    "\n\x91\xBC\x81\x41\x8D\x87\x8Cv %d \x82\xCC\x83G\x83\x89\x81[\x82\xAA\x95\xF1\x8D\x90\x82\xB3\x82\xEA\x82\xDC\x82"
    "\xB5\x82\xBD\x81\x42\x91\xB1\x8Ds\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H";
// "エラーの種類が多すぎるため、以降の新しいエラーは表示されません。"
constexpr char kShownSetFull[] =
    "\x83G\x83\x89\x81[\x82\xCC\x8E\xED\x97\xDE\x82\xAA\x91\xBD\x82\xB7\x82\xAC\x82\xE9\x82\xBD\x82\xDF\x81\x41\x88\xC8"
    "\x8D~\x82\xCC\x90V\x82\xB5\x82\xA2\x83G\x83\x89\x81[\x82\xCD\x95\x5C\x8E\xA6\x82\xB3\x82\xEA\x82\xDC\x82\xB9\x82"
    "\xF1\x81\x42";

constexpr char16_t kCaption[] = u"Tarn Outline Crafter Tool";

// A box lists at most this many texts; the rest are only counted.
constexpr int32_t kListedTexts = 10;

// Copies text, cut to kMaxTextBytes on a character boundary with the marker
// appended when it is longer. Whether byte 899 starts a two-byte character is
// decided by the parity of the run of lead-capable bytes ending there: a lead
// byte can also be a trail byte, so only the run's length tells.
void CopyShortened(const char* text, CStr_base<1024>& out) {
    const size_t length = std::strlen(text);
    constexpr size_t kLimit = CQRKErrorQueue::kMaxTextBytes;
    if (length <= kLimit) {
        out.Assign(text);
        return;
    }
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    size_t run = 0;
    for (size_t i = kLimit; i-- > 0 && platform::IsCp932LeadByte(bytes[i]);) ++run;
    out.AssignBytesN(text, static_cast<int32_t>(run % 2 != 0 ? kLimit + 1 : kLimit));
    out.Append(kTooLongSuffix);
}

// UTF-16 for the box. A reporter may pass bytes that are not valid code page
// 932 (a name read from a file): such a character is shown as U+FFFD instead of
// losing the whole message.
void ToBoxText(const CStr_base<1024>& text, CUStr_base<1024>& out) {
    if (out.FromCP932(text.GetText(), false)) return;
    out.SetLength(0);
    const char* p = text.GetText();
    const char* end = p + text.GetLength();
    while (p < end) {
        const size_t n = platform::IsCp932LeadByte(static_cast<unsigned char>(*p)) && p + 1 < end ? 2 : 1;
        char16_t unit[2];
        const ptrdiff_t got = platform::Cp932ToUtf16(p, n, unit, 2);
        const char16_t c = got == 1 ? unit[0] : char16_t(0xFFFD);
        out.AppendUnitsN(&c, 1);
        p += n;
    }
}

}  // namespace

struct CQRKErrorQueue::State {
    // Every text shown so far (the mapped byte carries nothing).
    CMapSingle<char, 128, 512> shown;
    // Texts reported since the last display, in report order.
    CStrArray_base<1024> pending;
    bool fatal = false;
    // New texts dropped because the shown set was full, since the last display,
    // and whether one of them was fatal.
    uint32_t dropped = 0;
    bool droppedFatal = false;
    // The notice about dropped texts has been shown once.
    bool noticeShown = false;
    // Every ReportError call.
    uint32_t reports = 0;
    // Recursive: the GUI thread may report while its display runs the box.
    mutable std::recursive_mutex lock;

    bool NoticeDue() const noexcept { return dropped != 0 && (!noticeShown || droppedFatal); }
};

CQRKErrorQueue::CQRKErrorQueue() : m_state(new State) {}
CQRKErrorQueue::~CQRKErrorQueue() { delete m_state; }

void CQRKErrorQueue::ClearFatal() {
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    m_state->fatal = false;
}

bool CQRKErrorQueue::IsFatal() const {
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    return m_state->fatal;
}

void CQRKErrorQueue::ReportError(const char* text, bool fatal) {
    CStr_base<1024> copy;
    CopyShortened(text != nullptr ? text : "", copy);
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    ++m_state->reports;
    if (m_state->shown.Find(copy.GetText()) != nullptr) return;
    if (m_state->shown.GetCount() >= kShownLimit) {
        ++m_state->dropped;
        if (fatal) {
            m_state->fatal = true;
            m_state->droppedFatal = true;
        }
        return;
    }
    m_state->pending.Add(copy.GetText());
    if (fatal) m_state->fatal = true;
}

bool CQRKErrorQueue::HasPending() const {
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    return m_state->pending.GetCount() != 0 || m_state->NoticeDue();
}

uint32_t CQRKErrorQueue::GetReportCount() const {
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    return m_state->reports;
}

bool CQRKErrorQueue::Display(void* owner) {
    State& s = *m_state;
    std::lock_guard<std::recursive_mutex> guard(s.lock);

    // The batch leaves the pending list before the box runs, so that texts the
    // GUI thread reports while the box is open wait for the next display.
    CStrArray_base<1024> batch(std::move(s.pending));

    CStr_base<1024> message;
    int32_t n = 0;
    for (const CStr_base<1024>* item : batch) {
        const char* text = item->GetText();
        if (s.shown.Find(text) != nullptr) continue;  // reported twice before this display
        if (s.shown.GetCount() >= kShownLimit) {
            ++s.dropped;
            continue;
        }
        if (n < kListedTexts) {
            message.Append(text);
            message.AppendChar('\n');
        }
        s.shown.Insert(text, nullptr);
        ++n;
    }
    // A fatal text dropped for lack of room repeats the notice: the box it
    // makes is what ends the program.
    const bool notice = s.NoticeDue();
    if (notice) {
        message.Append(kShownSetFull);
        message.AppendChar('\n');
        s.noticeShown = true;
    }
    s.dropped = 0;
    s.droppedFatal = false;
    if (n == 0 && !notice) return false;

    CStr_base<1024> tail;
    if (s.fatal)
        tail.Format(n <= kListedTexts ? kFatalTail : kFatalTailCount, n);
    else
        tail.Format(n <= kListedTexts ? kAskTail : kAskTailCount, n);
    message.AppendString(tail);

    CUStr_base<1024> wide;
    ToBoxText(message, wide);
    if (s.fatal) {
        platform::PresentMessageBox(owner, wide.GetText(), kCaption, platform::MB_ICONERROR | platform::MB_OK);
        return true;
    }
    return platform::PresentMessageBox(owner, wide.GetText(), kCaption, platform::MB_ICONERROR | platform::MB_YESNO) ==
           platform::IDNO;
}

#include "platform/MessageBox.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "platform/Utf8.h"

namespace platform {

namespace {

// UTF-8 for a terminal: unlike the strict path conversion, an unpaired
// surrogate is shown as U+FFFD rather than losing the whole message.
void AppendUtf8ForDisplay(std::string& out, const char16_t* text) {
    for (const char16_t* p = text; *p != 0; ++p) {
        uint32_t c = *p;
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(p[1]) - 0xDC00);
                ++p;
            } else {
                c = 0xFFFD;
            }
        }
        char bytes[4];
        out.append(bytes, EncodeUtf8(c, bytes));
    }
}

class StderrPresenter final : public IMessageBoxPresenter {
public:
    int32_t Show(void*, const char16_t* text, const char16_t* caption, uint32_t type) override {
        std::string line;
        if (*caption != 0) {
            AppendUtf8ForDisplay(line, caption);
            line += ": ";
        }
        AppendUtf8ForDisplay(line, text);
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
        return DefaultMessageBoxResult(type);
    }
};

StderrPresenter g_stderrPresenter;
std::atomic<IMessageBoxPresenter*> g_presenter{nullptr};

}  // namespace

IMessageBoxPresenter* SetMessageBoxPresenter(IMessageBoxPresenter* presenter) noexcept {
    return g_presenter.exchange(presenter);
}

int32_t PresentMessageBox(void* owner, const char16_t* text, const char16_t* caption, uint32_t type) {
    IMessageBoxPresenter* presenter = g_presenter.load();
    if (presenter == nullptr) presenter = &g_stderrPresenter;
    return presenter->Show(owner, text != nullptr ? text : u"", caption != nullptr ? caption : u"", type);
}

int32_t DefaultMessageBoxResult(uint32_t type) noexcept {
    // The buttons of each set, left to right.
    static constexpr int32_t kButtons[][3] = {
        {IDOK, 0, 0},                          // MB_OK
        {IDOK, IDCANCEL, 0},                   // MB_OKCANCEL
        {IDABORT, IDRETRY, IDIGNORE},          // MB_ABORTRETRYIGNORE
        {IDYES, IDNO, IDCANCEL},               // MB_YESNOCANCEL
        {IDYES, IDNO, 0},                      // MB_YESNO
        {IDRETRY, IDCANCEL, 0},                // MB_RETRYCANCEL
        {IDCANCEL, IDTRYAGAIN, IDCONTINUE},    // MB_CANCELTRYCONTINUE
    };
    const uint32_t set = type & MB_TYPEMASK;
    if (set >= sizeof kButtons / sizeof kButtons[0]) return 0;
    const uint32_t index = (type & MB_DEFMASK) >> 8;
    if (index < 3 && kButtons[set][index] != 0) return kButtons[set][index];
    return kButtons[set][0];
}

}  // namespace platform

// Message boxes with the library-wide owner window and default caption. The
// box itself is shown by the platform's presenter (a Qt dialog in the GUI, a
// stand-in elsewhere).
#include "foundation/strings/UStr.h"
#include "foundation/util/Utilities.h"

namespace {

void* g_messageBoxOwner = nullptr;
CUStr_base<64> g_defaultCaption;

}  // namespace

bool SetMessageBoxOwner(void* owner, const char* caption) {
    g_messageBoxOwner = owner;
    return g_defaultCaption.FromCP932(caption != nullptr ? caption : "", false);
}

void SetMessageBoxOwner(void* owner, const char16_t* caption) {
    g_messageBoxOwner = owner;
    g_defaultCaption.Assign(caption != nullptr ? caption : u"");
}

// A modal box runs an event loop, and code run from it may set a new default
// caption; the box therefore shows a copy of the caption, never the global's
// buffer.

int32_t ShowMessageBox(const char* text, uint32_t type, const char* caption) {
    CUStr_base<64> wideText;
    wideText.FromCP932(text != nullptr ? text : "", false);
    CUStr_base<64> wideCaption;
    if (caption != nullptr)
        wideCaption.FromCP932(caption, false);
    else
        wideCaption = g_defaultCaption;
    return platform::PresentMessageBox(g_messageBoxOwner, wideText.GetText(), wideCaption.GetText(), type);
}

int32_t ShowMessageBoxW(const char16_t* text, uint32_t type, const char16_t* caption) {
    if (caption != nullptr) return platform::PresentMessageBox(g_messageBoxOwner, text, caption, type);
    const CUStr_base<64> defaultCaption(g_defaultCaption);
    return platform::PresentMessageBox(g_messageBoxOwner, text, defaultCaption.GetText(), type);
}

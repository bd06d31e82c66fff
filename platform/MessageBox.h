#pragma once
// Message boxes, reached through a presenter that the program installs.
//
// The GUI installs a presenter that shows a real modal box; tests install one
// that answers on their behalf. While none is installed (command-line tools,
// tests of non-GUI code, start-up before the first window) a default presenter
// writes the caption and text to stderr as UTF-8 and answers with the box's
// default button at once, so nothing blocks waiting for a window that does not
// exist.
//
// Type bits and result codes keep their Windows values, because callers build
// the one and compare the other as plain numbers.
#include <cstdint>

namespace platform {

// Buttons (the low four bits of the type).
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_RETRYCANCEL = 0x5;
inline constexpr uint32_t MB_CANCELTRYCONTINUE = 0x6;
inline constexpr uint32_t MB_TYPEMASK = 0xF;

// Icons.
inline constexpr uint32_t MB_ICONHAND = 0x10;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
inline constexpr uint32_t MB_ICONASTERISK = 0x40;
inline constexpr uint32_t MB_ICONERROR = MB_ICONHAND;
inline constexpr uint32_t MB_ICONSTOP = MB_ICONHAND;
inline constexpr uint32_t MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr uint32_t MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr uint32_t MB_ICONMASK = 0xF0;

// Default button: the first unless one of these names another.
inline constexpr uint32_t MB_DEFBUTTON1 = 0x000;
inline constexpr uint32_t MB_DEFBUTTON2 = 0x100;
inline constexpr uint32_t MB_DEFBUTTON3 = 0x200;
inline constexpr uint32_t MB_DEFBUTTON4 = 0x300;
inline constexpr uint32_t MB_DEFMASK = 0xF00;

// Modality and window placement.
inline constexpr uint32_t MB_APPLMODAL = 0x0000;
inline constexpr uint32_t MB_SYSTEMMODAL = 0x1000;
inline constexpr uint32_t MB_TASKMODAL = 0x2000;
inline constexpr uint32_t MB_HELP = 0x4000;
inline constexpr uint32_t MB_SETFOREGROUND = 0x10000;
inline constexpr uint32_t MB_TOPMOST = 0x40000;

// Results: the button that closed the box; 0 when no box could be shown.
inline constexpr int32_t IDOK = 1;
inline constexpr int32_t IDCANCEL = 2;
inline constexpr int32_t IDABORT = 3;
inline constexpr int32_t IDRETRY = 4;
inline constexpr int32_t IDIGNORE = 5;
inline constexpr int32_t IDYES = 6;
inline constexpr int32_t IDNO = 7;
inline constexpr int32_t IDTRYAGAIN = 10;
inline constexpr int32_t IDCONTINUE = 11;

class IMessageBoxPresenter {
public:
    virtual ~IMessageBoxPresenter() = default;
    // Shows a modal box over `owner` (an opaque window handle, may be null) and
    // returns the result code of the button chosen, or 0 when it cannot show it.
    // text and caption are NUL-terminated and never null.
    virtual int32_t Show(void* owner, const char16_t* text, const char16_t* caption, uint32_t type) = 0;
};

// Installs the process-wide presenter (null restores the default one) and
// returns the previous one (null when the default was in place). The presenter
// is not owned and must outlive its installation.
IMessageBoxPresenter* SetMessageBoxPresenter(IMessageBoxPresenter* presenter) noexcept;

// Shows a box through the installed presenter. A null text or caption is shown
// as an empty one.
int32_t PresentMessageBox(void* owner, const char16_t* text, const char16_t* caption, uint32_t type);

// The answer of the box's default button: the button named by the MB_DEFBUTTON
// bits, or the first button when the box has fewer; 0 for an unknown button set.
int32_t DefaultMessageBoxResult(uint32_t type) noexcept;

}  // namespace platform

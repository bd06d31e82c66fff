#include "platform/qt/QtMessageBox.h"

#include <QMessageBox>
#include <QPushButton>

#include <vector>

#include "platform/qt/QtText.h"

namespace platform {
namespace {

struct ButtonSpec {
    int32_t result;
    const char* text;  // code page 932
};

constexpr char kOk[] = "OK";
constexpr char kCancel[] = "\x83L\x83\x83\x83\x93\x83Z\x83\x8B";   // キャンセル
constexpr char kYes[] = "\x82\xCD\x82\xA2(&Y)";                     // はい(&Y)
constexpr char kNo[] = "\x82\xA2\x82\xA2\x82\xA6(&N)";              // いいえ(&N)
constexpr char kAbort[] = "\x92\x86\x8E~(&A)";                      // 中止(&A)
constexpr char kRetry[] = "\x8D\xC4\x8E\x8E\x8Ds(&R)";              // 再試行(&R)
constexpr char kIgnore[] = "\x96\xB3\x8E\x8B(&I)";                  // 無視(&I)
constexpr char kTryAgain[] = "\x8D\xC4\x8E\x8E\x8Ds(&T)";           // 再試行(&T)
constexpr char kContinue[] = "\x91\xB1\x8Ds(&C)";                   // 続行(&C)

std::vector<ButtonSpec> Buttons(uint32_t type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL: return {{IDOK, kOk}, {IDCANCEL, kCancel}};
        case MB_ABORTRETRYIGNORE: return {{IDABORT, kAbort}, {IDRETRY, kRetry}, {IDIGNORE, kIgnore}};
        case MB_YESNOCANCEL: return {{IDYES, kYes}, {IDNO, kNo}, {IDCANCEL, kCancel}};
        case MB_YESNO: return {{IDYES, kYes}, {IDNO, kNo}};
        case MB_RETRYCANCEL: return {{IDRETRY, kRetry}, {IDCANCEL, kCancel}};
        case MB_CANCELTRYCONTINUE: return {{IDCANCEL, kCancel}, {IDTRYAGAIN, kTryAgain}, {IDCONTINUE, kContinue}};
        case MB_OK: return {{IDOK, kOk}};
        default: return {};
    }
}

QMessageBox::Icon Icon(uint32_t type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONHAND: return QMessageBox::Critical;
        case MB_ICONQUESTION: return QMessageBox::Question;
        case MB_ICONEXCLAMATION: return QMessageBox::Warning;
        case MB_ICONASTERISK: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

}  // namespace

int32_t QtMessageBoxPresenter::Show(void* owner, const char16_t* text, const char16_t* caption, uint32_t type) {
    const std::vector<ButtonSpec> specs = Buttons(type);
    if (specs.empty()) return 0;
    QMessageBox box(static_cast<QWidget*>(owner));
    box.setWindowTitle(QString::fromUtf16(caption));
    box.setText(QString::fromUtf16(text));
    box.setIcon(Icon(type));
    box.setTextFormat(Qt::PlainText);
    std::vector<std::pair<QAbstractButton*, int32_t>> buttons;
    for (const ButtonSpec& spec : specs) {
        QPushButton* b = box.addButton(QStringFromCp932(spec.text), QMessageBox::ActionRole);
        buttons.emplace_back(b, spec.result);
        if (spec.result == IDCANCEL || (specs.size() == 1)) box.setEscapeButton(b);
    }
    // With Yes and No only, Escape answers nothing, as on Windows.
    const size_t def = static_cast<size_t>((type & MB_DEFMASK) >> 8);
    box.setDefaultButton(static_cast<QPushButton*>(buttons[def < buttons.size() ? def : 0].first));
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    for (const auto& [b, result] : buttons)
        if (b == clicked) return result;
    return 0;
}

}  // namespace platform

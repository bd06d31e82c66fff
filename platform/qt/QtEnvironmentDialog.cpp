#include "platform/qt/QtEnvironmentDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "platform/qt/QtText.h"

namespace platform {
namespace {

constexpr char kTitle[] = "\x8A\xC2\x8B\xAB\x90\xDD\x92\xE8";  // 環境設定
constexpr char kClose[] = "\x95\xC2\x82\xB6\x82\xE9";          // 閉じる

// The layout in dialog units (9-point face: 1.5 pixels across, 1.625 down).
QRect FromDialogUnits(int x, int y, int w, int h) { return QRect(x * 3 / 2, y * 13 / 8, w * 3 / 2, h * 13 / 8); }

struct Control {
    int id;
    bool slider;
    const char* text;  // code page 932; null for the mode text
    int x, y, w, h;
};

// In template order. The labels and sliders are disabled; the mode text is not.
constexpr Control kControls[] = {
    {1000, true, "", 5, 20, 159, 15},
    {1005, false, "\x83\x81\x83\x43\x83\x93\x42GM\x83{\x83\x8A\x83\x85\x81[\x83\x80", 5, 10, 95, 8},  // メインBGMボリューム
    {1006, false, "\x8C\xF8\x89\xCA\x89\xB9\x83{\x83\x8A\x83\x85\x81[\x83\x80", 5, 97, 90, 8},  // 効果音ボリューム
    {1001, true, "", 5, 107, 159, 15},
    {1002, true, "", 5, 77, 159, 15},
    {1003, false, "MIDI\x83{\x83\x8A\x83\x85\x81[\x83\x80", 5, 67, 95, 8},  // MIDIボリューム
    {1004, false, nullptr, 6, 131, 160, 45},
    {1007, true, "", 5, 47, 159, 15},
    {1008, false, "\x83T\x83uBGM\x83{\x83\x8A\x83\x85\x81[\x83\x80", 5, 37, 95, 8},  // サブBGMボリューム
};

}  // namespace

QtEnvironmentDialog::QtEnvironmentDialog(const char* modeText, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringFromCp932(kTitle));
    setFixedSize(FromDialogUnits(0, 0, 171, 196).size());
    for (const Control& c : kControls) {
        QWidget* widget;
        if (c.slider) {
            auto* slider = new QSlider(Qt::Horizontal, this);
            slider->setTickPosition(QSlider::NoTicks);
            widget = slider;
        } else {
            auto* label = new QLabel(QStringFromCp932(c.text != nullptr ? c.text : modeText), this);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(c.text == nullptr);
            widget = label;
        }
        widget->setObjectName(QString::number(c.id));
        widget->setGeometry(FromDialogUnits(c.x, c.y, c.w, c.h));
        widget->setEnabled(c.text == nullptr);
    }
    auto* close = new QPushButton(QStringFromCp932(kClose), this);
    close->setObjectName(QStringLiteral("1"));
    close->setDefault(true);
    close->setGeometry(FromDialogUnits(116, 177, 50, 14));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace platform

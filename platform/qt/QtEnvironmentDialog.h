#pragma once
// The environment dialog: four volume sliders and their labels, all disabled
// (the program plays no sound), the drawing-mode text and a close button.
// Controls carry their ids as objectName ("1000" ... "1008", "1").
#include <QDialog>

namespace platform {

class QtEnvironmentDialog final : public QDialog {
    Q_OBJECT

public:
    // `modeText`: the drawing-mode description, code page 932.
    explicit QtEnvironmentDialog(const char* modeText, QWidget* parent = nullptr);
};

}  // namespace platform

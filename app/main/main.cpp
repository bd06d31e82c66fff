// The program's entry: the toolkit, the message boxes, the main dialog.
#include <QApplication>

#include <clocale>

#include "app/dialog/OutlinecrafterDlg.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtHostWindow.h"
#include "platform/qt/QtMessageBox.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The toolkit takes the user's locale; numbers in documents and settings
    // must not: a decimal comma would be written and misread.
    std::setlocale(LC_NUMERIC, "C");

    platform::QtMessageBoxPresenter presenter;
    platform::SetMessageBoxPresenter(&presenter);

    int32_t result;
    {
        platform::QtHostWindow window;
        COutlinecrafterDlg dialog(window);
        result = dialog.DoModal();
    }
    platform::SetMessageBoxPresenter(nullptr);
    return result == platform::IDOK ? 0 : 0;
}

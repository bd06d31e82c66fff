// The program's entry: the toolkit, the message boxes, the main dialog.
#include <QApplication>

#include <clocale>
#include <new>

#include "app/dialog/OutlinecrafterDlg.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtHostWindow.h"
#include "platform/qt/QtMessageBox.h"
#include "raster/filter/TrigTables.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The toolkit takes the user's locale; numbers in documents and settings
    // must not: a decimal comma would be written and misread.
    std::setlocale(LC_NUMERIC, "C");

    platform::QtMessageBoxPresenter presenter;
    platform::SetMessageBoxPresenter(&presenter);

    // The trigonometric and sphere tables of the transforms take about a tenth
    // of a second to build: built here, before the window's first frame,
    // rather than inside the first frame that draws a transform. Without the
    // memory now, the first kernel that reads them tries again.
    try {
        InitSphereRatioTable();
    } catch (const std::bad_alloc&) {
    }

    int32_t result;
    {
        platform::QtHostWindow window;
        COutlinecrafterDlg dialog(window);
        result = dialog.DoModal();
    }
    platform::SetMessageBoxPresenter(nullptr);
    return result == platform::IDOK ? 0 : 0;
}

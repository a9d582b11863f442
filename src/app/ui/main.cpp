// zqmeter: mirrors, records and prints what a ZQ7, ZQ8 or ZQ9 power clamp
// meter measures.

#include "app/ui/frm_test.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // A single blank, so the task bar shows no program name.
    QCoreApplication::setApplicationName(QStringLiteral(" "));

    TFrmTest FrmTest;
    FrmTest.centreOnScreen();
    FrmTest.show();
    return application.exec();
}

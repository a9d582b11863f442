// zqmeter: mirrors, records and prints what a ZQ7, ZQ8 or ZQ9 power clamp
// meter measures.

#include "app/journal_recovery.h"
#include "app/ui/journal_recovery_dialog.h"
#include "app/ui/main_window.h"
#include "link/sim/hid_demo_platform.h"

#include <QApplication>

#include <string>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // A single blank, so the task bar shows no program name.
    QCoreApplication::setApplicationName(QStringLiteral(" "));

    // --demo adds a simulated cable with a meter behind it to the devices
    // the system finds, so the program can be seen at work without one.
    const bool demo = QCoreApplication::arguments().contains(QStringLiteral("--demo"));
    TFrmTest FrmTest(demo ? CreateDemoHidPlatform() : nullptr);
    FrmTest.centreOnScreen();
    FrmTest.show();

    // Every row recorded goes to the journal too, so a crash loses none;
    // what a run that did not end normally left there is offered back.
    MeterSession& session = FrmTest.session();
    const std::string journals = RecordJournal::defaultFolder();
    session.startJournal(journals);
    JournalRecovery recovery(session, [&FrmTest](const LeftoverJournal& journal, auto answer) {
        askAboutLeftoverJournal(&FrmTest, journal, std::move(answer));
    });
    recovery.start(journals, session.recordFiles().post);
    return application.exec();
}

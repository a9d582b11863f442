#include "report/ui/report_progress.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

bool runWithProgress(QWidget* parent, const QString& label, int total, const std::function<bool()>& step,
                     const std::function<int()>& done)
{
    QProgressDialog progress(label, QStringLiteral("Cancel"), 0, std::max(1, total), parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    progress.setAutoReset(false);
    progress.setAutoClose(false);

    bool cancelled = false;
    bool busy = false;
    QEventLoop loop;
    QTimer slices;
    slices.setInterval(0);
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        loop.quit();
    });
    QObject::connect(&slices, &QTimer::timeout, &loop, [&] {
        // setValue() lets events run; a timeout arriving then must not nest.
        if (cancelled || busy)
            return;
        busy = true;
        const bool more = step();
        progress.setValue(std::min(done(), progress.maximum()));
        busy = false;
        if (!more)
            loop.quit();
    });
    slices.start();
    loop.exec();
    slices.stop();
    return !cancelled;
}

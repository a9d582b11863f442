#include "record/ui/record_file_progress.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kPollInterval = 50;  // [ms]

}  // namespace

RecordFileProgress* RecordFileProgress::watch(QWidget* window, std::shared_ptr<const RecordFileJobProgress> progress)
{
    return new RecordFileProgress(window, std::move(progress));
}

RecordFileProgress::RecordFileProgress(QWidget* window, std::shared_ptr<const RecordFileJobProgress> progress)
    : QDialog(window, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      progress_(std::move(progress)),
      label_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      pollTimer_(new QTimer(this))
{
    setObjectName(QStringLiteral("RecordFileProgress"));
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Please wait"));
    label_->setText(progress_->kind == RecordFileJobProgress::Kind::Save ? QStringLiteral("Saving the records...")
                                                                         : QStringLiteral("Loading the records..."));
    bar_->setRange(0, 1000);
    bar_->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    setFixedWidth(320);

    connect(pollTimer_, &QTimer::timeout, this, &RecordFileProgress::poll);
    pollTimer_->start(kPollInterval);
    QTimer::singleShot(kShowDelay, this, [this]() {
        if (!progress_->finished.load(std::memory_order_acquire))
            show();
    });
}

void RecordFileProgress::poll()
{
    if (progress_->finished.load(std::memory_order_acquire)) {
        pollTimer_->stop();
        hide();
        deleteLater();
        return;
    }
    const std::uint64_t total = progress_->total.load(std::memory_order_relaxed);
    const std::uint64_t done = progress_->done.load(std::memory_order_relaxed);
    bar_->setValue(total == 0 ? 0 : static_cast<int>(std::min<std::uint64_t>(done, total) * 1000 / total));
}

void RecordFileProgress::reject()
{
    // Neither Escape nor the title bar ends the dialog: the work would run on unseen.
}

void RecordFileProgress::closeEvent(QCloseEvent* event)
{
    if (!progress_->finished.load(std::memory_order_acquire))
        event->ignore();
}

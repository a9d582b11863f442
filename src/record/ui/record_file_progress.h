#pragma once

#include "record/record_file_commands.h"
#include "record/record_file_job.h"

#include <QDialog>

#include <memory>

class QLabel;
class QObject;
class QProgressBar;
class QTimer;

/// The progress dialog of a running save or open command. It appears only
/// when the work takes longer than about half a second, follows the work's
/// progress, holds the window's other input back while shown (window-modal;
/// the event loop, and with it recording, runs on) and goes away by itself
/// when the work is over.
class RecordFileProgress : public QDialog {
    Q_OBJECT

public:
    /// Delay before the dialog appears [ms].
    static constexpr int kShowDelay = 500;

    /// Watches @p progress for the window @p window; deletes itself.
    static RecordFileProgress* watch(QWidget* window, std::shared_ptr<const RecordFileJobProgress> progress);

    /// Does nothing: neither Escape nor the title bar ends the dialog.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    RecordFileProgress(QWidget* window, std::shared_ptr<const RecordFileJobProgress> progress);
    void poll();

    std::shared_ptr<const RecordFileJobProgress> progress_;
    QLabel* label_;
    QProgressBar* bar_;
    QTimer* pollTimer_;
};

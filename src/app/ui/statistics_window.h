#pragma once

#include <QDialog>

#include <cstdint>

class MeterSession;
class QLabel;
class QLineEdit;
class QListWidget;
class QTableWidget;
class QPushButton;

/// The statistics window FrmStatistics, opened by "Statistics..." in the
/// menu Record and not modal: the figures of the record table (minimum and
/// maximum with their rows, mean, deviation, hold time, energy and charge),
/// kept current as rows are recorded; the high and low limits of the main
/// reading with their hysteresis, the state of the reading against them and
/// the list of limit events; Copy puts the figures on the clipboard as text.
/// It renders the session's state and hands the limits to it; it holds none
/// of its own.
class StatisticsWindow : public QDialog {
    Q_OBJECT
public:
    StatisticsWindow(MeterSession& session, QWidget* parent);

    /// Shows what changed since the last call; cheap when nothing did.
    void refresh();

    /// The figures and the events as the Copy button puts them on the clipboard.
    QString copyText() const;

    /// The limits typed in: applied to the session, or an error shown.
    void applyLimits();

private:
    MeterSession& session_;
    QTableWidget* figures_ = nullptr;
    QLabel* summary_ = nullptr;
    QLineEdit* high_ = nullptr;
    QLineEdit* low_ = nullptr;
    QLineEdit* hysteresis_ = nullptr;
    QPushButton* apply_ = nullptr;
    QLabel* limitState_ = nullptr;
    QLabel* limitError_ = nullptr;
    QListWidget* events_ = nullptr;
    QPushButton* copy_ = nullptr;

    // What was shown last, so that a refresh with nothing new costs nothing.
    std::uint64_t shownRows_ = UINT64_MAX;
    bool shownPending_ = false;
    std::uint64_t shownEvents_ = 0;
    int shownState_ = -1;
};

#pragma once

#include <QRect>

class QWidget;

/// Enlarge and restore of the trend chart (TbFd and TbSx, both TbSxClick):
/// enlarged, the chart covers the main window below its top strip, sized
/// from the window's frame (12 and 75 pixels less); restored,
/// it goes back to the bounds it had. The chart's own top tells which: more
/// than 50 pixels means it is in its place.
class ChartEnlarger {
public:
    /// @p window is the main window whose size the enlarged chart takes,
    /// @p chart the chart (Chtshow), @p enlarge and @p restore the pictures
    /// TbFd and TbSx. None is owned; all must outlive this object.
    ChartEnlarger(QWidget& window, QWidget& chart, QWidget& enlarge, QWidget& restore);

    /// Enlarges the chart when it is in its place, restores it otherwise.
    void TbSxClick();

    /// The chart's normal bounds, saved when it was enlarged (empty before).
    QRect SavedChartBounds() const { return saved_; }
    bool enlarged() const;

private:
    QWidget& window_;
    QWidget& chart_;
    QWidget& TbFd;
    QWidget& TbSx;
    QRect saved_{0, 0, 0, 0};
};

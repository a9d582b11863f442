#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>

class ChartPanelState;
class QAction;
class QWidget;

/// The trend chart's own menu, opened by a right click on the chart (or the
/// menu key) where no tool of its own takes the click: "Fit vertical axis to
/// readings" (FitValueAxis), a tick that goes to
/// ChartPanelState::fitValueAxisClick and shows the panel's state whenever
/// the menu opens.
class ChartContextMenu : public QObject {
public:
    /// @p chart is the chart (Chtshow) and @p panel its panel state; neither
    /// is owned, both must outlive this object.
    ChartContextMenu(QWidget& chart, ChartPanelState& panel);
    ~ChartContextMenu() override;

    QMenu* ChartMenu() const { return menu_; }
    QAction* FitValueAxis() const { return fitValueAxis_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& chart_;
    ChartPanelState& panel_;
    QPointer<QMenu> menu_;
    QAction* fitValueAxis_;
};

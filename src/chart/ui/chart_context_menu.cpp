#include "chart/ui/chart_context_menu.h"

#include "chart/chart_panel_state.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QWidget>

ChartContextMenu::ChartContextMenu(QWidget& chart, ChartPanelState& panel)
    : chart_(chart), panel_(panel), menu_(new QMenu(&chart))
{
    menu_->setObjectName(QStringLiteral("ChartMenu"));
    fitValueAxis_ = menu_->addAction(QStringLiteral("Fit vertical axis to readings"));
    fitValueAxis_->setObjectName(QStringLiteral("FitValueAxis"));
    fitValueAxis_->setCheckable(true);
    connect(menu_, &QMenu::aboutToShow, this, [this] { fitValueAxis_->setChecked(panel_.fitValueAxisChecked()); });
    connect(fitValueAxis_, &QAction::triggered, this, [this](bool ticked) { panel_.fitValueAxisClick(ticked); });
    chart_.installEventFilter(this);
}

// The menu is the chart's child, yet goes with this object (unless the
// chart took it first): its action reaches the panel, which may be gone
// before the chart is.
ChartContextMenu::~ChartContextMenu() { delete menu_; }

bool ChartContextMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &chart_ && event->type() == QEvent::ContextMenu) {
        menu_->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

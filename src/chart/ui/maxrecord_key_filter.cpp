#include "chart/ui/maxrecord_key_filter.h"

#include "chart/chart_panel_state.h"

#include <QKeyEvent>

bool MaxrecordKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text.isEmpty() || key->modifiers().testAnyFlags(Qt::ControlModifier | Qt::MetaModifier))
        return false;
    const QChar typed = text.front();
    if (typed != QChar(u'\b') && typed.category() == QChar::Other_Control)
        return false;
    const char latin1 = typed.unicode() < 0x100 ? static_cast<char>(typed.unicode()) : '\0';
    return text.size() != 1 || !ChartPanelState::MaxrecordKeyPress(latin1);
}

#include "meter/ui/digit_key_filter.h"

#include "meter/whole_number.h"

#include <QKeyEvent>

bool DigitKeyFilter::drops(const QKeyEvent& key)
{
    if (key.modifiers().testAnyFlags(Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier))
        return false;
    for (const QChar typed : key.text()) {
        if (typed.category() == QChar::Other_Control)
            continue;
        // Only the ASCII digits: other scripts' digits are no whole number either.
        if (typed.unicode() >= 0x80 || !keepsWholeNumberKey(static_cast<char>(typed.unicode())))
            return true;
    }
    return false;
}

bool DigitKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && drops(*static_cast<QKeyEvent*>(event)))
        return true;
    return QObject::eventFilter(watched, event);
}

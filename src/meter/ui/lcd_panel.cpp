#include "meter/ui/lcd_panel.h"

#include "meter/ui/lcd_label.h"
#include "meter/ui/svg_picture.h"

#include <map>

LcdPanel::LcdPanel(QWidget* parent) : BevelPanel(parent)
{
    loadLcdFonts();
    setObjectName(QStringLiteral("Panel40"));
    setGeometry(kPanel40Geometry);
    setColor(Qt::white);
    setBevels(Bevel::Raised, Bevel::Lowered, 2, 2);

    // Children of Panel40 first, then the sub-panels above them, each
    // filled with its own elements in stacking order.
    std::map<LcdParent, QWidget*> parents{{LcdParent::Panel40, this}};
    for (const LcdSubPanelLayout& sub : lcdSubPanels()) {
        auto* panel = new BevelPanel(this);
        panel->setObjectName(QString::fromLatin1(sub.name));
        panel->setGeometry(sub.geometry);
        panel->setColor(Qt::white);
        panel->setBevels(Bevel::None, Bevel::None);
        parents[sub.panel] = panel;
    }
    for (const LcdElementLayout& layout : lcdElementLayouts()) {
        QWidget* parentPanel = parents.at(layout.parent);
        QWidget* widget = nullptr;
        if (layout.picture) {
            widget = new SvgPicture(QString::fromLatin1(layout.picture), parentPanel);
            widget->setGeometry(layout.geometry);
        } else {
            auto* label = new LcdLabel(layout, parentPanel);
            labels_[lcdIndex(layout.element)] = label;
            widget = label;
        }
        const std::string_view name = lcdElementName(layout.element);
        widget->setObjectName(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
        widgets_[lcdIndex(layout.element)] = widget;
    }
    for (const LcdSubPanelLayout& sub : lcdSubPanels())
        parents.at(sub.panel)->raise();
    renderAll(LcdModel());
}

void LcdPanel::render(const LcdModel& model, const LcdModel::ChangeSet& changes)
{
    if (changes.none())
        return;
    for (std::size_t i = 0; i < kLcdElementCount; ++i) {
        if (!changes.test(i) || !widgets_[i])
            continue;
        const auto element = static_cast<LcdElement>(i);
        if (labels_[i])
            labels_[i]->setCaption(model.caption(element));
        widgets_[i]->setVisible(model.visible(element));
    }
}

void LcdPanel::renderAll(const LcdModel& model)
{
    LcdModel::ChangeSet all;
    all.set();
    render(model, all);
}

#pragma once

#include "meter/lcd_element.h"
#include "meter/lcd_model.h"
#include "meter/ui/bevel_panel.h"

#include <array>

class LcdLabel;

/// The virtual LCD, Panel40: a white panel holding the annunciators and the
/// four sub-panels of the main, voltage, current and memory displays, each
/// element a child widget named as in the layout. It renders an LcdModel
/// and has no logic of its own.
class LcdPanel : public BevelPanel {
    Q_OBJECT
public:
    explicit LcdPanel(QWidget* parent = nullptr);

    /// Applies the elements of @p model whose bit is set in @p changes.
    void render(const LcdModel& model, const LcdModel::ChangeSet& changes);
    /// Applies every element of @p model.
    void renderAll(const LcdModel& model);

    /// The widget of an element of the panel (nullptr for the link icons,
    /// which live on the dial panel).
    QWidget* element(LcdElement element) const { return widgets_[lcdIndex(element)]; }
    LcdLabel* label(LcdElement element) const { return labels_[lcdIndex(element)]; }

private:
    std::array<QWidget*, kLcdElementCount> widgets_{};
    std::array<LcdLabel*, kLcdElementCount> labels_{};
};

#pragma once

#include "meter/lcd_element.h"
#include "meter/ui/lcd_fonts.h"

#include <QPalette>
#include <QRect>

#include <span>

/// The panels that hold the LCD's elements: Panel40 itself and its four
/// white sub-panels (main digits, voltage, current, memory counter).
enum class LcdParent { Panel40, MainDigitsPanel, Panel8, Panel6, Panel5 };

struct LcdSubPanelLayout {
    LcdParent panel;
    const char* name;
    QRect geometry;  ///< relative to Panel40
};

/// Where and how one element of the LCD is drawn.
struct LcdElementLayout {
    LcdElement element;
    LcdParent parent;
    QRect geometry;             ///< relative to the parent panel
    LcdTypeface typeface;       ///< labels only
    int pixels;                 ///< character height; 0 for pictures
    bool bold;
    QPalette::ColorRole colour; ///< NoRole stands for pure black
    bool opaque;                ///< fills its box with the panel's white
    bool fixedSize;             ///< clips a longer caption instead of growing
    const char* picture;        ///< SVG resource of a picture, else nullptr
};

/// Panel40's geometry in the main window's client area.
inline constexpr QRect kPanel40Geometry{4, 36, 357, 275};

/// The four sub-panels, in stacking order.
std::span<const LcdSubPanelLayout> lcdSubPanels();

/// Every LCD element of Panel40 and its sub-panels, in stacking order per
/// parent (the link icons of the dial panel are not among them).
std::span<const LcdElementLayout> lcdElementLayouts();

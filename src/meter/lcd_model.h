#pragma once

#include "meter/lcd_element.h"

#include <array>
#include <bitset>
#include <string>
#include <string_view>

/// Captions and visibility of every LCD element. The panel widget renders it;
/// the frame decoding is the only writer while the program runs. Changes are
/// remembered per element so that a renderer touches only what changed.
class LcdModel {
public:
    using ChangeSet = std::bitset<kLcdElementCount>;

    /// The design state: every digit "8", every element visible except
    /// Image1, T_dPoint1 and the link-up icon CONok.
    LcdModel();

    const std::string& caption(LcdElement element) const { return captions_[lcdIndex(element)]; }
    bool visible(LcdElement element) const { return visible_[lcdIndex(element)]; }

    void setCaption(LcdElement element, std::string_view caption);
    void setVisible(LcdElement element, bool visible);
    void show(LcdElement element) { setVisible(element, true); }
    void hide(LcdElement element) { setVisible(element, false); }

    /// Kind 0 hides the annunciators that each frame switches on again as its
    /// bits say; it changes no caption. Other kinds do nothing.
    void DispInit(int kind);

    /// Elements whose caption or visibility changed since the last call.
    ChangeSet takeChanges();

private:
    std::array<std::string, kLcdElementCount> captions_;
    std::bitset<kLcdElementCount> visible_;
    ChangeSet changed_;
};

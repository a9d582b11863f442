#pragma once

#include <span>
#include <string_view>

/// One item of the main window's menu MainMenu1, as laid out. Items are
/// listed parents first, each menu's items in their order.
struct MenuItemLayout {
    const char* name;
    /// The caption exactly, blanks included; "-" is a separator line. No
    /// character is an accelerator.
    const char* caption;
    /// Name of the parent item; nullptr for an item of the menu bar.
    const char* parent;
    bool visible;
    /// Items that can carry a check mark (the marks live in the state).
    bool checkable;
    /// Resource path of the item's picture, or nullptr.
    const char* picture;
    /// Shortcut key sequence in portable text ("F1"), or nullptr.
    const char* shortcut;

    bool separator() const { return std::string_view(caption) == "-"; }
};

/// Every item of MainMenu1, in layout order.
std::span<const MenuItemLayout> mainMenuLayout();

/// Whether some item of the menu lists @p name as its parent.
bool isSubmenu(std::string_view name);

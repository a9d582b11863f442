#include "app/main_menu.h"

#include <algorithm>
#include <array>

namespace {

// name, caption, parent, visible, checkable, picture, shortcut
constexpr std::array kMenu{
    MenuItemLayout{"Comset", "ComSet", nullptr, false, false, nullptr, nullptr},
    MenuItemLayout{"COM", " COM", "Comset", true, false, ":/pictures/serial_plug.svg", nullptr},
    MenuItemLayout{"COM1", "COM1", "COM", true, true, nullptr, nullptr},
    MenuItemLayout{"COM2", "COM2", "COM", true, true, nullptr, nullptr},
    MenuItemLayout{"COM3", "COM3", "COM", true, true, nullptr, nullptr},
    MenuItemLayout{"COM4", "COM4", "COM", true, true, nullptr, nullptr},
    MenuItemLayout{"N4", "-", "Comset", true, false, nullptr, nullptr},
    MenuItemLayout{"USB", " USB", "Comset", true, true, ":/pictures/usb.svg", nullptr},
    MenuItemLayout{"Grap", "Graph", nullptr, false, false, nullptr, nullptr},
    MenuItemLayout{"Savepicture", " Save Whole", "Grap", true, false, nullptr, nullptr},
    MenuItemLayout{"Move", " GoTo", "Grap", true, false, nullptr, nullptr},
    MenuItemLayout{"FirstP", "First", "Move", true, false, nullptr, nullptr},
    MenuItemLayout{"NextP", "Next", "Move", true, false, nullptr, nullptr},
    MenuItemLayout{"LastP", "Last", "Move", true, false, nullptr, nullptr},
    MenuItemLayout{"PrivousP", "Privous", "Move", true, false, nullptr, nullptr},
    MenuItemLayout{"FillP", " Fill", "Grap", true, true, nullptr, nullptr},
    MenuItemLayout{"ClearP", " Clear", "Grap", true, false, nullptr, nullptr},
    MenuItemLayout{"Rec", "Record", nullptr, true, false, nullptr, nullptr},
    MenuItemLayout{"New1", " New", "Rec", false, false, nullptr, nullptr},
    MenuItemLayout{"SaveR", " Save", "Rec", false, false, nullptr, nullptr},
    MenuItemLayout{"RecSet", " RecordSet", "Rec", true, false, nullptr, nullptr},
    MenuItemLayout{"set1k", "1000", "RecSet", true, true, nullptr, nullptr},
    MenuItemLayout{"set5k", "5000", "RecSet", true, true, nullptr, nullptr},
    MenuItemLayout{"set10k", "10000", "RecSet", true, true, nullptr, nullptr},
    MenuItemLayout{"set50k", "50000", "RecSet", true, true, nullptr, nullptr},
    MenuItemLayout{"set100k", "100000", "RecSet", true, true, nullptr, nullptr},
    MenuItemLayout{"setlimit", "Limitless", "RecSet", true, true, nullptr, nullptr},
    MenuItemLayout{"ClearR", " Clear All", "Rec", false, false, nullptr, nullptr},
    MenuItemLayout{"SearchR", " Search", "Rec", false, false, ":/pictures/binoculars.svg", nullptr},
    MenuItemLayout{"N5", "-", "Rec", true, false, nullptr, nullptr},
    MenuItemLayout{"ReconnectAuto", " Reconnect automatically", "Rec", true, true, nullptr, nullptr},
    MenuItemLayout{"StatisticsR", " Statistics...", "Rec", true, false, nullptr, nullptr},
    MenuItemLayout{"About1", "About", nullptr, false, false, nullptr, nullptr},
    MenuItemLayout{"HELP1", "  Help     ", "About1", true, false, ":/pictures/help_book.svg", "F1"},
    MenuItemLayout{"N3", "-", "About1", true, false, nullptr, nullptr},
    MenuItemLayout{"About2", "  About...", "About1", false, false, ":/pictures/question_mark.svg", nullptr},
};

}  // namespace

std::span<const MenuItemLayout> mainMenuLayout() { return kMenu; }

bool isSubmenu(std::string_view name)
{
    return std::any_of(kMenu.begin(), kMenu.end(),
                       [name](const MenuItemLayout& item) { return item.parent && name == item.parent; });
}

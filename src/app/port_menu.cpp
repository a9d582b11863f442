#include "app/port_menu.h"

namespace {

constexpr std::array<std::string_view, 5> kItems{"COM1", "COM2", "COM3", "COM4", "USB"};

}  // namespace

void PortMenu::FormCreate()
{
    marks_[0] = true;
    portKind_ = kPortUsb;
}

void PortMenu::selectComPort(int8_t kind)
{
    // The mark of the chosen port toggles, the other COM marks go, USB's stays.
    for (int8_t port = 1; port <= 4; ++port) {
        bool& mark = marks_[static_cast<std::size_t>(port - 1)];
        mark = port == kind ? !mark : false;
    }
    portKind_ = kind;
    panel1Caption_ = "COM" + std::to_string(kind);
}

void PortMenu::USBClick()
{
    for (int i = 0; i < 4; ++i)
        marks_[static_cast<std::size_t>(i)] = false;
    marks_[4] = !marks_[4];
    portKind_ = kPortUsb;
    panel1Caption_ = "USB";
}

void PortMenu::Panel1Click(std::string_view Panel2Caption)
{
    if (Panel2Caption != "Connect")
        return;
    switch (portKind_) {
    case 1: COM2Click(); break;
    case 2: COM3Click(); break;
    case 3: COM4Click(); break;
    case 4: USBClick(); break;
    case 5: COM1Click(); break;
    default: break;
    }
}

bool PortMenu::marked(std::string_view item) const
{
    for (std::size_t i = 0; i < kItems.size(); ++i)
        if (kItems[i] == item)
            return marks_[i];
    return false;
}

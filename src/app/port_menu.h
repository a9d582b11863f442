#pragma once

#include "link/cable_connection.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

/// The hidden port-kind menu Comset (COM1 .. COM4 under " COM", and USB)
/// with the hidden panel Panel1 that steps through it, without widgets.
/// The port kind chosen here is what Panel2Click connects with; only 5
/// (USB) connects anything. Main thread.
class PortMenu {
public:
    /// Port kinds: 1..4 stand for COM1..COM4, 5 for USB.
    static constexpr int8_t kPortUsb = CableConnection::kPortUsb;

    /// FormCreate's steps: a check mark on COM1, and the port kind USB.
    void FormCreate();

    void COM1Click() { selectComPort(1); }
    void COM2Click() { selectComPort(2); }
    void COM3Click() { selectComPort(3); }
    void COM4Click() { selectComPort(4); }
    void USBClick();
    /// Clicks the next item of the cycle COM1, COM2, COM3, COM4, USB, COM1,
    /// but only while not connected: while @p Panel2Caption is "Connect".
    void Panel1Click(std::string_view Panel2Caption);

    int8_t PortKind() const { return portKind_; }
    const std::string& Panel1Caption() const { return panel1Caption_; }
    /// Whether the item called @p item ("COM1" .. "COM4", "USB") carries a
    /// check mark; false for any other name.
    bool marked(std::string_view item) const;

private:
    void selectComPort(int8_t kind);

    int8_t portKind_ = 0;
    std::string panel1Caption_ = "USB";
    /// COM1 .. COM4, then USB.
    std::array<bool, 5> marks_{};
};

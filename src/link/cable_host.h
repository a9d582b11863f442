#pragma once

#include "meter/meter_decoder.h"

#include <cstdint>
#include <string_view>

/// What the cable connection needs of the main window besides the HID
/// layer: the port kind, the frame decoder, the link icon and the LCD's
/// "USB" label, and a modal information box.
class CableHost {
public:
    virtual ~CableHost() = default;

    /// 1..4: COM1..COM4, 5: USB.
    virtual int8_t portKind() const = 0;
    /// Decodes one assembled frame that ends in "DA".
    virtual FrameOutcome ShowDataQ7(std::string_view frame) = 0;
    /// Why the last frame was dropped, after ShowDataQ7 returned Dropped.
    virtual std::string_view lastDropReason() const = 0;
    /// Sets the caption of the LCD label rsUSB.
    virtual void setRsUsbCaption(std::string_view caption) = 0;
    /// The link check: hides the link-up icon CONok and shows CONokN.
    virtual void showLinkDown() = 0;
    /// Shows an information box with one OK button and returns once it is
    /// closed; timers and report deliveries go on meanwhile.
    virtual void information(std::string_view text) = 0;
    /// The connection's visible state (Panel2, Comset) changed.
    virtual void connectionChanged() {}
};

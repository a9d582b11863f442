#pragma once

#include <functional>
#include <string_view>

/// What the receiver of a meter frame made of it.
struct FrameReceipt {
    /// The frame was malformed and changed nothing.
    bool dropped = false;
    /// Why, when dropped; must stay valid until the next frame.
    std::string_view reason;
};

/// Where the cable connection hands each assembled MeterFrame. It runs on the
/// main thread and must not call back into the connection.
using FrameSink = std::function<FrameReceipt(std::string_view frame)>;

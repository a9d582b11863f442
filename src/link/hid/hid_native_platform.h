#pragma once

#include "link/hid/hid_platform.h"

#include <memory>

/// The HID platform of the system the program runs on (Linux: hidraw and udev).
std::shared_ptr<THidPlatform> CreateNativeHidPlatform();

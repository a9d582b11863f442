#pragma once

#include <string_view>

/// What the application shell writes to the terminal (HID start-up, failed
/// posted work); the core units below it report through return values. One
/// line on standard error, so the window and the command line say it alike.
void appWarning(std::string_view text);

#pragma once

#include <stdexcept>

/// Construction failure of a device object or of the controller. The
/// messages are fixed: kHidErrorCannotOpen, kHidErrorCannotIdentify and
/// kHidErrorOneController.
class EHidControllerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kHidErrorCannotOpen = "device cannot be opened";
inline constexpr const char* kHidErrorCannotIdentify = "device cannot be identified";
inline constexpr const char* kHidErrorOneController =
    "Only one THidDeviceController allowed per program";

#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class THidPlatform;

/// zqmeter-cli devices: lists every HID interface the controller finds, one
/// per line (vendor:product, version, product and serial texts, path, access),
/// and points to the udev rule when a known cable bridge can only be queried.
/// @p args are the arguments after "devices". Returns the exit status: 0 also
/// when there is no device, 1 when the HID layer cannot start, 2 for a
/// malformed command line (usage on @p err).
int runDevicesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// The same on @p platform (tests pass a simulated one).
int runDevicesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                      std::shared_ptr<THidPlatform> platform);

#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class THidPlatform;

/// zqmeter-cli devices [--demo]: lists every HID interface the controller
/// finds, one per line (vendor:product, version, product and serial texts,
/// path, access, the caption of the program's device list), marks the one
/// the program would pre-select with "*", and points to the udev rule when a
/// known cable bridge can only be queried. --demo adds the simulated cable.
/// @p args are the arguments after "devices". Returns the exit status: 0 also
/// when there is no device, 1 when the HID layer cannot start, 2 for a
/// malformed command line (usage on @p err).
int runDevicesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// The same on @p platform (tests pass a simulated one).
int runDevicesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                      std::shared_ptr<THidPlatform> platform);

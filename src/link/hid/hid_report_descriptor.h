#pragma once

#include "link/hid/hid_platform.h"

#include <cstdint>
#include <optional>
#include <span>

/// Capabilities of a HID report descriptor, as the Windows HID class driver
/// reports them: for each report kind the longest report over all report IDs,
/// rounded up to bytes, plus 1 for the report ID byte (a 0 byte when the
/// device has no numbered reports). Usage and UsagePage are those of the
/// first top-level collection. nullopt when the descriptor is malformed (an
/// item running past the end, Pop without Push, a report longer than 65534
/// bytes).
std::optional<THidCaps> HidParseReportDescriptor(std::span<const uint8_t> descriptor);

/// Whether the descriptor declares report IDs (reports then start with their
/// ID byte on the wire).
bool HidDescriptorHasReportIds(std::span<const uint8_t> descriptor);

#pragma once

#include "cli/json_line.h"

class MeterSession;

/// Appends what the last decoded frame left, from "ValueText" to
/// "Captions", in the order the tools print it.
void appendReadingState(JsonLine& line, const MeterSession& session);

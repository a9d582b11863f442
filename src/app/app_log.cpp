#include "app/app_log.h"

#include <cstdio>

void appWarning(std::string_view text)
{
    std::fprintf(stderr, "zqmeter: %.*s\n", static_cast<int>(text.size()), text.data());
}

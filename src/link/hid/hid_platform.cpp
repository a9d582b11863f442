#include "link/hid/hid_platform.h"

namespace {
// Like the Windows last error: per thread, so the read thread reports the
// code of its own failed call.
thread_local uint32_t tLastError = 0;
}  // namespace

uint32_t THidPlatform::GetLastError()
{
    return tLastError;
}

void THidPlatform::SetLastError(uint32_t code)
{
    tLastError = code;
}

#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

// Environment and time zone of the test process, the same on every system.

/// Sets the environment variable @p name to @p value.
inline void setEnvironment(const char* name, const std::string& value)
{
#ifdef _WIN32
    ::_putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

/// Removes the environment variable @p name.
inline void unsetEnvironment(const char* name)
{
#ifdef _WIN32
    ::_putenv_s(name, "");
#else
    ::unsetenv(name);
#endif
}

/// Makes @p rule the local time zone of the process. A POSIX rule
/// ("CET-1CEST,M3.5.0,M10.5.0/3"); Windows' C library reads only its name,
/// offset and summer-time name ("CET-1CEST") and keeps US summer dates.
inline void setTimeZone(const std::string& rule)
{
    setEnvironment("TZ", rule);
#ifdef _WIN32
    ::_tzset();
#else
    ::tzset();
#endif
}

#pragma once

#include <QLatin1String>

// The monitor's name; followed by a colon it starts every message the monitor
// writes to standard error.
inline constexpr QLatin1String MonitorProgram {"kelvaris-monitor"};

// The monitor's exit codes, stable for scripts. The values follow the BSD sysexits
// convention so that shells and service managers read them the usual way.
enum class MonitorExitCode : int {
    Normal = 0, // ended by SIGINT or SIGTERM
    Usage = 64, // bad command line
    DeviceNotFound = 66, // the serial device does not exist
    DeviceBusy = 69, // another program has the device open
    SystemError = 71, // no pseudo-terminal could be created
    IoError = 74, // the device could not be opened or read, or went away
    PermissionDenied = 77, // no right to open the device
};

#pragma once
#include <string>
#include <vector>

#include "acquisition/LineAddress.h"

// Which line a port name "COMn" reads: a device, or a network line when its
// entry is a udp:// or tcp:// URL (see CLineAddress). By default COM1-COM32 are
// /dev/ttyS0-31, COM33-COM40 /dev/ttyUSB0-7, COM41-COM48 /dev/ttyACM0-7 and
// COM49 /dev/ttyAMA0. Three sources map any number to any path, each
// winning over the ones before it:
//   - the per-user file beside the settings,
//     $XDG_CONFIG_HOME/Quorvane International Ltd/Vantrel-ports.conf
//     (XDG_CONFIG_HOME defaults to ~/.config): lines "COMn=PATH", lines
//     starting with '#' are comments;
//   - the environment variable VANTREL_PORTS: "COMn=PATH" entries separated
//     by ';';
//   - the overrides this process sets (the demo line maps itself this way).
// An entry with an empty path unmaps the number. The file and the variable
// are read at every lookup, so a change takes effect at the next open.
// Control characters in their paths are read as '?': a path is shown on
// terminals and in the settings dialog, and the path opened is the one shown.
class CPortMap {
public:
    static constexpr int kHighestDefaultPort = 49;

    // The entry of port portNumber (a device path or a URL), or "" when the number maps to nothing
    // (0, negative numbers, numbers above 49 that nobody mapped).
    static std::string DevicePath(int portNumber);
    // That entry read as a line address.
    static CLineAddress LineAddress(int portNumber);

    // Every port number that maps to a device, ascending: the defaults plus
    // whatever the file, the variable and the overrides add.
    static std::vector<int> MappedPorts();

    // Thread-safe; wins over everything else. An empty path unmaps the
    // number for this process; ClearOverride hands it back to the other sources.
    static void SetOverride(int portNumber, const std::string& path);
    static void ClearOverride(int portNumber);

    // Where the per-user file is looked for.
    static std::string UserFilePath();

    // The stable name the system gives the device at devicePath: the entry
    // of folder (udev's /dev/serial/by-id, "usb-FTDI_FT232R_USB_UART_A5...-if00-port0")
    // that leads to the same device, which keeps its name whichever USB
    // socket the adapter is plugged into, while /dev/ttyUSB0 may become
    // /dev/ttyUSB1. "" when the folder has none, or devicePath is one of its
    // entries itself. Such a name maps a port as any path does.
    static std::string StableName(const std::string& devicePath,
                                  const std::string& folder = "/dev/serial/by-id");
};

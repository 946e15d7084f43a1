#pragma once
#include <string>

// Why the system refuses the user a device for permission, and what to do
// about it, told from the device itself: its group, whether the user is in
// it, and whether joining the group would help at all. Nothing is opened.
class CSerialPortAccess {
public:
    // True when path is a character device that this user may not read:
    // opening it would be refused for permission. Nothing is opened.
    static bool IsDenied(const std::string& path);

    // "PATH is not open to you: WHY", WHY as below.
    static std::string PermissionRefusal(const std::string& path);

    // The reason and the remedy, one of
    //   "it belongs to group dialout; run: sudo usermod -aG dialout $USER, then log out and in"
    //   "it belongs to group dialout, which you joined after logging in; log out and in"
    //   "permission denied (owner root, group dialout, mode 0600)"
    // the last where joining the group would not let the user read it.
    static std::string Why(const std::string& path);
};

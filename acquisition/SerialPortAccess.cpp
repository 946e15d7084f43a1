#include "acquisition/SerialPortAccess.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Whether this process runs with group gid: its effective group or one of
// its supplementary groups, which are fixed when the user logs in.
bool ProcessHasGroup(gid_t gid)
{
    if (getegid() == gid)
        return true;
    const int count = getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

// Whether the user database puts the user of this process in group gid
// (its primary group, or a member of it): the next login will have it.
bool UserIsListedInGroup(gid_t gid)
{
    const passwd* user = getpwuid(geteuid());
    if (user == nullptr)
        return false;
    if (user->pw_gid == gid)
        return true;
    const std::string name = user->pw_name;
    const group* entry = getgrgid(gid);
    if (entry == nullptr || entry->gr_mem == nullptr)
        return false;
    for (char** member = entry->gr_mem; *member != nullptr; ++member) {
        if (name == *member)
            return true;
    }
    return false;
}

std::string GroupName(gid_t gid)
{
    const group* entry = getgrgid(gid);
    return entry != nullptr ? entry->gr_name : std::to_string(gid);
}

std::string OwnerName(uid_t uid)
{
    const passwd* entry = getpwuid(uid);
    return entry != nullptr ? entry->pw_name : std::to_string(uid);
}

}  // namespace

bool CSerialPortAccess::IsDenied(const std::string& path)
{
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    // The check the opening would make, with this process's effective user and groups.
    return ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) != 0 && errno == EACCES;
}

std::string CSerialPortAccess::PermissionRefusal(const std::string& path)
{
    return path + " is not open to you: " + Why(path);
}

std::string CSerialPortAccess::Why(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return strerrordesc_np(EACCES);
    const std::string group = GroupName(status.st_gid);
    // Joining the group helps only where the group may read the device and
    // the user is not in it already.
    if ((status.st_mode & S_IRGRP) != 0 && !ProcessHasGroup(status.st_gid)) {
        if (UserIsListedInGroup(status.st_gid))
            return "it belongs to group " + group + ", which you joined after logging in; log out and in";
        return "it belongs to group " + group + "; run: sudo usermod -aG " + group + " $USER, then log out and in";
    }
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
    return "permission denied (owner " + OwnerName(status.st_uid) + ", group " + group + ", mode " + mode + ")";
}

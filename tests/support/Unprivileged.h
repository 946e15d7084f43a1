#pragma once
// Lets a test act as an ordinary user who is in none of the device groups:
// while a CUnprivileged lives, the whole process (every thread, and the
// children it starts) has the effective user "nobody" (65534), nobody's
// group or another one, and no supplementary groups, so the kernel checks a device's owner, group and
// mode as it would for that user. The process's own identity comes back
// when it ends. Only a process running as root can do this; elsewhere
// Active() is false and Why() says so.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

class CUnprivileged {
public:
    static constexpr uid_t kNobody = 65534;

    // group: the effective group the process takes (nobody's own by default).
    explicit CUnprivileged(gid_t group = kNobody)
    {
        if (geteuid() != 0) {
            why = "the test runs as an ordinary user already; only root can hand a device to another group";
            return;
        }
        const int count = getgroups(0, nullptr);
        groups.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
        if (count > 0 && getgroups(count, groups.data()) < 0)
            groups.clear();
        savedGid = getegid();
        if (setgroups(0, nullptr) != 0 || setegid(group) != 0 || seteuid(kNobody) != 0) {
            why = std::string("cannot become nobody: ") + std::strerror(errno);
            Restore();
            return;
        }
        active = true;
    }
    ~CUnprivileged() { Restore(); }
    CUnprivileged(const CUnprivileged&) = delete;
    CUnprivileged& operator=(const CUnprivileged&) = delete;

    bool Active() const { return active; }
    const std::string& Why() const { return why; }

    // A device node handed to owner root and group gid with mode; root only.
    static bool HandOver(const std::string& path, gid_t gid, mode_t mode)
    {
        return ::chown(path.c_str(), 0, gid) == 0 && ::chmod(path.c_str(), mode) == 0;
    }

    // The group serial devices belong to on Debian, or another the test
    // user is not in.
    static gid_t DialoutGroup()
    {
        const group* dialout = getgrnam("dialout");
        return dialout != nullptr ? dialout->gr_gid : 20;
    }

private:
    void Restore()
    {
        if (geteuid() != 0 && seteuid(0) != 0)
            return;
        if (setegid(savedGid) != 0 || setgroups(groups.size(), groups.data()) != 0)
            return;
        active = false;
    }

    bool active = false;
    std::string why;
    gid_t savedGid = 0;
    std::vector<gid_t> groups;
};

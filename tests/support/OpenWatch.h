#pragma once
// Whether anything opened the entries of a folder: the kernel tells an
// inotify watch of every opening, while looking at an entry's kind (stat)
// is no opening.
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

class COpenWatch {
public:
    explicit COpenWatch(const std::string& folder)
    {
        fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd < 0 || inotify_add_watch(fd, folder.c_str(), IN_OPEN) < 0)
            throw std::runtime_error(std::string("inotify: ") + std::strerror(errno));
    }
    ~COpenWatch()
    {
        if (fd >= 0)
            ::close(fd);
    }
    COpenWatch(const COpenWatch&) = delete;
    COpenWatch& operator=(const COpenWatch&) = delete;

    // The entries opened since the last call ("" stands for the folder itself).
    std::vector<std::string> Opened()
    {
        std::vector<std::string> names;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got <= 0)
                return names;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                names.push_back(event->len > 0 ? std::string(event->name) : std::string());
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int fd = -1;
};

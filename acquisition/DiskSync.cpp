#include "acquisition/DiskSync.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

FileSyncer DataSyncerFor(std::FILE* file)
{
    const int descriptor = fileno(file);
    return [descriptor]() -> std::string {
        if (::fdatasync(descriptor) == 0 || errno == EINVAL || errno == EROFS)
            return {};
        return std::strerror(errno);
    };
}

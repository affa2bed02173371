// Opening the files a player can put in the game folder. Only a regular file
// is ever read: a named pipe would block its reader, a device such as
// /dev/zero never ends, and a huge file costs its size in time or memory.
#include "media/media.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

int openRegularFile(const char *path, long maxBytes, std::string *why)
{
    if (why)
        why->clear();
    // The name is looked at first so that a device is never opened at all
    // (opening some devices already does something); the descriptor is then
    // checked again, so a file swapped in between is caught too.
    struct stat info;
    if (stat(path, &info) != 0)
        return -1;
    bool regular = S_ISREG(info.st_mode);
    int fd = regular ? open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) : -1;
    if (regular && fd < 0)
        return -1;
    if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)))
        regular = false;
    const char *problem = !regular ? " is not a regular file" : info.st_size > maxBytes ? " is too large" : nullptr;
    if (problem) {
        if (fd >= 0)
            close(fd);
        if (why)
            *why = std::string(path) + problem;
        errno = !regular ? EINVAL : EFBIG;
        return -1;
    }
    // Reads of a regular file never wait anyway; the flag only kept the open from blocking.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

FILE *openRegularStream(const char *path, long maxBytes, std::string *why)
{
    int fd = openRegularFile(path, maxBytes, why);
    if (fd < 0)
        return nullptr;
    FILE *file = fdopen(fd, "rb");
    if (!file)
        close(fd);
    return file;
}

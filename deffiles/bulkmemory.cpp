#include "deffiles/bulkmemory.h"

#include <cerrno>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {
bool readFully(int fd, char *out, std::size_t bytes, off_t offset)
{
    while (bytes > 0) {
        const ssize_t got = ::pread(fd, out, bytes, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        bytes -= std::size_t(got);
        offset += got;
    }
    return true;
}
} // namespace

bool readInHalves(int fd, char *data, std::size_t bytes)
{
    const std::size_t half = bytes / 2;
    bool secondRead = false;
    std::thread second;
    try {
        second = std::thread([&] { secondRead = readFully(fd, data + half, bytes - half, off_t(half)); });
    } catch (const std::system_error &) {
        return false;
    }
    const bool firstRead = readFully(fd, data, half, 0);
    second.join();
    return firstRead && secondRead;
}

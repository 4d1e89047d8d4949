#include "platform/system/FileIo.h"

#include <unistd.h>

#include <cerrno>

namespace sys {

int writeAll(int fd, const void* data, size_t size) {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, next, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        next += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

int readAll(int fd, std::string& out) {
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return 0;
        out.append(buffer, static_cast<size_t>(n));
    }
}

}  // namespace sys

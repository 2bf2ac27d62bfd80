#include "payload/ReadPayload.h"

#include "core/Error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace saver {

void WriteExtractedFile(const std::string& path, const uint8_t* data, size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throw Exception("Cannot write " + path + ": " + std::strerror(errno));
    size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = errno;
            ::close(fd);
            throw Exception("Cannot write " + path + ": " + std::strerror(error));
        }
        written += size_t(n);
    }
    if (::close(fd) != 0)
        throw Exception("Cannot write " + path + ": " + std::strerror(errno));
}

} // namespace saver

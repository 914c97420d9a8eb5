#include "display/fd_write.h"

#include <unistd.h>

#include <cerrno>

void fd_write_all(int fd, const char* bytes, size_t count) {
  while (count > 0) {
    ssize_t written = write(fd, bytes, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes += written;
    count -= static_cast<size_t>(written);
  }
}

#include "platform/fd_write.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool gone_for_good(int error) {
  return error == EIO || error == EPIPE || error == ENXIO || error == ENODEV || error == EBADF;
}

// Until the descriptor takes bytes again; false when even waiting fails.
bool wait_writable(int fd) {
  for (;;) {
    pollfd pfd{fd, POLLOUT, 0};
    if (poll(&pfd, 1, -1) >= 0) return true;
    if (errno != EINTR && errno != EAGAIN) return false;
  }
}

}  // namespace

FdWrite fd_write_all(int fd, const char* bytes, size_t count, size_t* written) {
  size_t done = 0;
  FdWrite result = FdWrite::Whole;
  while (done < count) {
    const ssize_t n = write(fd, bytes + done, count - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // Someone made the descriptor non-blocking (a shared terminal): wait.
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && wait_writable(fd)) continue;
    result = n < 0 && gone_for_good(errno) ? FdWrite::Gone : FdWrite::Cut;
    break;
  }
  if (written) *written = done;
  return result;
}

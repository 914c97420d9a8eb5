#include "platform/held_messages.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fd_write.h"
#include "platform/message_filter.h"

namespace {

int store_fd = -1;   // kept open and emptied after each replay
int saved_out = -1;  // the original descriptor 1 while holding
int saved_err = -1;  // the original descriptor 2, when it is held
bool keep_library_lines = false;

void write_to(void* fd, const char* bytes, size_t count) {
  fd_write_all(*static_cast<int*>(fd), bytes, count);
}

}  // namespace

bool held_begin() {
  if (saved_out >= 0) return true;
  keep_library_lines = message_filter_debug();
  if (store_fd < 0) store_fd = memfd_create("kolv17-messages", MFD_CLOEXEC);
  if (store_fd < 0) return false;
  saved_out = fcntl(1, F_DUPFD_CLOEXEC, 3);
  if (saved_out < 0) return false;
  if (isatty(2)) saved_err = fcntl(2, F_DUPFD_CLOEXEC, 3);
  dup2(store_fd, 1);
  if (saved_err >= 0) dup2(store_fd, 2);
  return true;
}

void held_end() {
  if (saved_out < 0) return;
  dup2(saved_out, 1);
  close(saved_out);
  saved_out = -1;
  int target = 1;
  if (saved_err >= 0) {
    dup2(saved_err, 2);
    close(saved_err);
    saved_err = -1;
    target = 2;
  }
  char chunk[4096];
  off_t at = 0;
  MessageFilter filter;
  message_filter_begin(&filter, keep_library_lines);
  for (;;) {
    ssize_t n = pread(store_fd, chunk, sizeof chunk, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    message_filter_feed(&filter, chunk, static_cast<size_t>(n), write_to, &target);
    at += n;
  }
  message_filter_end(&filter, write_to, &target);
  // fds 1 and 2 shared the store's offset; start the next hold from zero.
  (void)!ftruncate(store_fd, 0);
  lseek(store_fd, 0, SEEK_SET);
}

#include "sync/file_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool file_watch_open(FileWatch* watch, const char* path) {
  file_watch_close(watch);
  std::string full = path;
  size_t slash = full.rfind('/');
  watch->folder_path = slash == std::string::npos ? "." : (slash == 0 ? "/" : full.substr(0, slash));
  watch->name = slash == std::string::npos ? full : full.substr(slash + 1);
  watch->fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch->fd < 0) return false;
  watch->folder = inotify_add_watch(watch->fd, watch->folder_path.c_str(),
                                    IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE |
                                        IN_DELETE_SELF | IN_MOVE_SELF);
  if (watch->folder < 0) {
    file_watch_close(watch);
    return false;
  }
  return true;
}

void file_watch_close(FileWatch* watch) {
  if (watch->fd >= 0) close(watch->fd);
  watch->fd = -1;
  watch->folder = -1;
}

FileChange file_watch_poll(FileWatch* watch) {
  if (watch->fd < 0) return FileChange::None;
  FileChange change = FileChange::None;
  alignas(inotify_event) char events[4096];
  for (;;) {
    ssize_t n = read(watch->fd, events, sizeof events);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->len == 0 || watch->name != event->name) continue;
      // The last event decides: a save after a removal brings the file back.
      if (event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) change = FileChange::Saved;
      else if (event->mask & (IN_MOVED_FROM | IN_DELETE)) change = FileChange::Gone;
    }
  }
  return change;
}

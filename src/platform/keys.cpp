#include "platform/keys.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/clock.h"
#include "platform/key_parser.h"
#include "platform/terminal.h"

namespace {

int source_fd = 0;
KeyParser parser{};
KeyQueue queue{};

void pump() {
  if (source_fd < 0) return;
  uint8_t bytes[64];
  for (;;) {
    pollfd pfd{source_fd, POLLIN, 0};
    if (poll(&pfd, 1, 0) <= 0) break;
    if (pfd.revents & POLLNVAL) {
      source_fd = -1;  // closed under us: there is no keyboard any more
      return;
    }
    if (!(pfd.revents & (POLLIN | POLLHUP | POLLERR))) break;
    ssize_t n = read(source_fd, bytes, sizeof bytes);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) break;
    if (n <= 0) {
      // End of input: nothing more can complete a pending sequence.
      key_parser_end(&parser, &queue);
      source_fd = -1;
      return;
    }
    uint32_t now = clock_real_ms();
    for (ssize_t i = 0; i < n; ++i) key_parser_feed(&parser, bytes[i], now, &queue);
    if (parser.cell_width > 0) {
      term_note_cell_size(parser.cell_width, parser.cell_height);
      parser.cell_width = parser.cell_height = 0;
    }
    if (n < static_cast<ssize_t>(sizeof bytes)) break;
  }
  key_parser_idle(&parser, clock_real_ms(), &queue);
}

// When a sequence the parser holds must be settled (a lone ESC becomes
// Escape): a sleep ends there even with no byte arriving.
int64_t parser_deadline_us() {
  if (parser.state == KeyParseState::Ground) return -1;
  auto age_ms = static_cast<int64_t>(clock_real_ms() - parser.since_ms);
  return clock_real_us() + (KEY_ESC_TIMEOUT_MS + 1 - age_ms) * 1000;
}

}  // namespace

bool key_waiting() {
  pump();
  return queue.count > 0;
}

int key_read() {
  if (queue.count == 0) pump();
  return key_queue_pop(&queue);
}

void key_inject(int code) { key_queue_push(&queue, code); }

void key_set_source(int fd) {
  source_fd = fd;
  key_parser_reset(&parser);
}

Wake key_wait_until(int64_t deadline_us, bool keys, int watch_fd) {
  for (;;) {
    if (keys && key_waiting()) return Wake::Input;
    int64_t until = deadline_us;
    if (keys) {
      int64_t settle = parser_deadline_us();
      if (settle >= 0 && (until < 0 || settle < until)) until = settle;
    }
    int64_t now = clock_real_us();
    if (deadline_us >= 0 && now >= deadline_us) return Wake::Deadline;
    pollfd fds[3];
    nfds_t count = 0;
    const int wake_fd = term_wake_fd();
    if (wake_fd >= 0) fds[count++] = {wake_fd, POLLIN, 0};
    if (watch_fd >= 0) fds[count++] = {watch_fd, POLLIN, 0};
    if (keys && source_fd >= 0) fds[count++] = {source_fd, POLLIN, 0};
    timespec timeout{};
    if (until >= 0) {
      int64_t left = until > now ? until - now : 0;
      timeout = {static_cast<time_t>(left / 1000000), static_cast<long>(left % 1000000) * 1000};
    }
    int ready = ppoll(fds, count, until >= 0 ? &timeout : nullptr, nullptr);
    if (ready < 0 && errno == EINTR) return Wake::Signal;
    if (ready > 0 && wake_fd >= 0 && (fds[0].revents & POLLIN)) {
      term_drain_wake();
      return Wake::Signal;
    }
    // The watched file changed: its reader drains the descriptor.
    if (ready > 0 && watch_fd >= 0 && (fds[wake_fd >= 0 ? 1 : 0].revents & POLLIN)) return Wake::Input;
    // A key source that is gone (POLLNVAL) is noticed by the pump above.
  }
}

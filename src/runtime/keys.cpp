#include "runtime/keys.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "display/console.h"
#include "runtime/clock.h"
#include "runtime/key_parser.h"

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
      con_report_cell_size(parser.cell_width, parser.cell_height);
      parser.cell_width = parser.cell_height = 0;
    }
    if (n < static_cast<ssize_t>(sizeof bytes)) break;
  }
  key_parser_idle(&parser, clock_real_ms(), &queue);
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

KeyWake key_wait(int timeout_ms, int other_fd) {
  if (queue.count > 0) return KeyWake::Ready;
  pollfd fds[2] = {{source_fd, POLLIN, 0}, {other_fd, POLLIN, 0}};
  // A pending ESC becomes Escape only once its timeout has passed.
  if (parser.state != KeyParseState::Ground && timeout_ms > static_cast<int>(KEY_ESC_TIMEOUT_MS))
    timeout_ms = static_cast<int>(KEY_ESC_TIMEOUT_MS);
  int ready = poll(fds, 2, timeout_ms);  // negative descriptors are skipped
  if (ready < 0) return errno == EINTR ? KeyWake::Signal : KeyWake::Timeout;
  return ready > 0 ? KeyWake::Ready : KeyWake::Timeout;
}

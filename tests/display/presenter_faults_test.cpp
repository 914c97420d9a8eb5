// Terminals that stall or vanish under a frame. A child process presents on
// a pty while the test plays the terminal's reader.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/frame.h"
#include "display/console.h"
#include "display/lookup_tables.h"
#include "support/model_terminal.h"

namespace {

constexpr unsigned TIME_LIMIT_S = 30;
constexpr char SYNC_BEGIN[] = "\x1b[?2026h";
constexpr char SYNC_END[] = "\x1b[?2026l";

// Frames of noise: nearly every cell changes, so each frame is large (far
// more than a pty holds) and mostly a redraw.
void noise_frame(std::mt19937* rng, std::vector<Pixel>* frame) {
  for (Pixel& p : *frame) p = pixel_rgba((*rng)() & 0xFF, (*rng)() & 0xFF, (*rng)() & 0xFF);
}

struct Presenter {
  pid_t pid = -1;
  int master = -1;
  int errors = -1;  // the child's standard error
  int cells = -1;   // the last frame's cells, sent once presented
};

// Starts a child that takes the pty's slave as its terminal, presents
// `frames` frames and exits 0. `non_blocking` marks the terminal as shared
// non-blocking, so a stalled reader shows as EAGAIN.
Presenter start_presenter(int frames, bool non_blocking) {
  Presenter p;
  int slave = -1;
  winsize size{50, 80, 0, 0};
  int err_pipe[2], cell_pipe[2];
  if (openpty(&p.master, &slave, nullptr, nullptr, &size) != 0 || pipe(err_pipe) != 0 || pipe(cell_pipe) != 0) return p;
  fflush(nullptr);
  p.pid = fork();
  if (p.pid == 0) {
    alarm(TIME_LIMIT_S);
    close(p.master);
    dup2(slave, 0);
    dup2(slave, 1);
    dup2(err_pipe[1], 2);
    if (non_blocking) fcntl(1, F_SETFL, fcntl(1, F_GETFL) | O_NONBLOCK);
    cell_load_tables();
    con_configure({ColorMode::TrueColor, false});
    con_setup(80, 50, 1);
    std::mt19937 rng(5);
    std::vector<Pixel> frame(FRAME_PIXELS);
    for (int i = 0; i < frames; ++i) {
      noise_frame(&rng, &frame);
      con_present(frame.data());
    }
    // The console grid: 80 x 50 cells at the start of the buffer.
    const ssize_t size = sizeof(ConsoleCell) * CONSOLE_CELLS;
    ssize_t sent = write(cell_pipe[1], CellBuffer, size);
    con_restore();
    _exit(sent == size ? 0 : 4);
  }
  close(slave);
  close(err_pipe[1]);
  close(cell_pipe[1]);
  p.errors = err_pipe[0];
  p.cells = cell_pipe[0];
  return p;
}

// Reads until at least `count` bytes came (fewer if the writer is done),
// carrying on through signals.
std::string read_at_least(int fd, size_t count) {
  std::string out;
  char chunk[65536];
  for (ssize_t n; out.size() < count && ((n = read(fd, chunk, sizeof chunk)) > 0 || (n < 0 && errno == EINTR));)
    if (n > 0) out.append(chunk, static_cast<size_t>(n));
  return out;
}

std::string drain(int fd) { return read_at_least(fd, std::string::npos); }

double child_cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

// The reader stops twice for a while; the presenter waits without spinning,
// through signals, and once reading resumes every byte arrives: the screen
// the bytes build is the last frame, cell for cell.
TEST(PresenterFaults, AStalledTerminalResumesWithTheWholeFrame) {
  const double cpu_before = child_cpu_seconds();
  Presenter p = start_presenter(4, true);
  ASSERT_GT(p.pid, 0);
  std::string stream = read_at_least(p.master, 2000);
  for (int stall = 0; stall < 2; ++stall) {
    // Signals interrupt the wait (a resize also asks for a full redraw).
    for (int i = 0; i < 7; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      kill(p.pid, SIGWINCH);
    }
    stream += read_at_least(p.master, 60000);
  }
  stream += drain(p.master);  // EIO once the child has closed the pty
  std::vector<ConsoleCell> cells(CONSOLE_CELLS);
  const std::string cell_bytes = drain(p.cells);
  int status = 0;
  ASSERT_EQ(waitpid(p.pid, &status, 0), p.pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << " " << drain(p.errors);
  // Two stalls of 0.7 s: a spinning writer would burn about that much.
  EXPECT_LT(child_cpu_seconds() - cpu_before, 0.7);
  ASSERT_EQ(cell_bytes.size(), sizeof(ConsoleCell) * CONSOLE_CELLS);
  std::memcpy(cells.data(), cell_bytes.data(), cell_bytes.size());

  // From the first frame to the restore, which starts with CAN: the set-up
  // before and the restore after are not the picture's.
  const size_t first = stream.find(SYNC_BEGIN), restore = stream.find('\x18');
  ASSERT_TRUE(first != std::string::npos && restore != std::string::npos && restore > first);
  ASSERT_EQ(stream.compare(restore - (sizeof SYNC_END - 1), sizeof SYNC_END - 1, SYNC_END), 0) << "a frame was cut";
  Terminal term(80, 50);
  term.feed(stream.data() + first, restore - first);
  expect_shows(term, cells.data(), ansi_layout(80, 50), ColorMode::TrueColor, "after the stalls");
  EXPECT_EQ(term.faults, 0);
  close(p.master);
  close(p.errors);
  close(p.cells);
}

// The terminal vanishes part way through the first frame: the presenter gives
// the terminal back as far as it can, says so in one line and exits 1.
TEST(PresenterFaults, ATerminalGoneMidFrameEndsTheShowWithOneLine) {
  Presenter p = start_presenter(50, false);
  ASSERT_GT(p.pid, 0);
  read_at_least(p.master, 3000);
  close(p.master);
  const std::string errors = drain(p.errors);
  int status = 0;
  ASSERT_EQ(waitpid(p.pid, &status, 0), p.pid);
  EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
  EXPECT_NE(errors.find("terminal is gone"), std::string::npos) << errors;
  close(p.errors);
  close(p.cells);
}

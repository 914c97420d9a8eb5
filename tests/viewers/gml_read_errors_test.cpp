// Files that fail to read, or that end only when their writer goes, must end
// the reader like the end of a file: each case runs in a child process with
// a time limit, so a hang fails the test instead of stalling it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "common/frame.h"
#include "display/console.h"
#include "platform/clock.h"
#include "viewers/gml_reader.h"
#include "viewers/gml_view.h"
#include "viewers/viewer_keys.h"

namespace {

constexpr unsigned TIME_LIMIT_S = 20;

// Runs `body` in a child killed after the time limit; true when it finished
// in time and `body` held.
bool finishes_in_time(const std::function<bool()>& body) {
  fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    alarm(TIME_LIMIT_S);
    _exit(body() ? 0 : 3);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return false;
  EXPECT_TRUE(WIFEXITED(status)) << "killed by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0)
                                 << " (SIGALRM: the time limit)";
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int presented = 0;
void count_and_tick(const Pixel*, const ConsoleCell*) {
  presented++;
  clock_advance_frame();
}

// The viewer on `path`, headless on a virtual clock: true when it replayed
// its whole 16 seconds.
bool replays_in_full(const char* path) {
  con_configure({ColorMode::TrueColor, true});
  viewer_headless = true;
  clock_use_virtual(200.0);
  con_set_present_hook(count_and_tick);
  presented = 0;
  gml_view(path);
  return presented == static_cast<int>(GML_REPLAY_MS / 200);
}

const char DRAWING[] = "<gml><tag><drawing><stroke><pt><x>0.1</x><y>0.2</y><t>0</t></pt>"
                       "<pt><x>0.9</x><y>0.8</y><t>1</t></pt></stroke>";

// A stream that hands out `text` and then fails, as a disk or a network
// file system can part way through a file.
struct FailingSource {
  std::string text;
  size_t at = 0;
};

ssize_t failing_read(void* cookie, char* buffer, size_t size) {
  auto* source = static_cast<FailingSource*>(cookie);
  if (source->at >= source->text.size()) {
    errno = EIO;
    return -1;
  }
  const size_t n = std::min(size, source->text.size() - source->at);
  std::memcpy(buffer, source->text.data() + source->at, n);
  source->at += n;
  return static_cast<ssize_t>(n);
}

}  // namespace

// A directory replays black; a fifo is read until its writer closes; a read
// that fails part way keeps what came before it.
TEST(GmlReadErrors, EndTheReadLikeTheEndOfAFile) {
  const std::string dir = testing::TempDir() + "gml_dir_" + std::to_string(getpid()) + ".gml";
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  EXPECT_TRUE(finishes_in_time([&] { return replays_in_full(dir.c_str()); }));
  rmdir(dir.c_str());

  const std::string fifo = testing::TempDir() + "gml_fifo_" + std::to_string(getpid()) + ".gml";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_TRUE(finishes_in_time([&] {
    // The writer sends a drawing whose elements never close, then goes away.
    std::thread writer([&] {
      if (FILE* f = fopen(fifo.c_str(), "wb")) {
        fputs(DRAWING, f);
        fclose(f);
      }
    });
    const bool full = replays_in_full(fifo.c_str());
    writer.join();
    // What came through the pipe is drawn: the stream cannot seek, and the
    // tokenizer's steps back must not need to.
    return full && std::count(frame_buffer, frame_buffer + FRAME_PIXELS, 0u) < FRAME_PIXELS;
  }));
  unlink(fifo.c_str());

  EXPECT_TRUE(finishes_in_time([] {
    FailingSource source{std::string(DRAWING) + "</gml><stroke><pt><x>0.5"};
    FILE* stream = fopencookie(&source, "rb", {failing_read, nullptr, nullptr, nullptr});
    if (!stream) return false;
    auto drawing = std::make_unique<GmlDrawing>();
    std::memset(drawing.get(), 0, sizeof(GmlDrawing));
    gml_read_stream(stream, drawing.get());
    fclose(stream);
    const GmlStroke& s = drawing->strokes[0];
    return drawing->stroke_count == 1 && s.point_count == 2 && s.points[1][0] == 0.9f && s.times[1] == 1.0f;
  }));
}

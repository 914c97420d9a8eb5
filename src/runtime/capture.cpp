#include "runtime/capture.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "display/console_picture.h"
#include "platform/printable.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int MAX_PICTURE_H = 800;
uint32_t picture[CONSOLE_PICTURE_W * MAX_PICTURE_H];

pid_t encoder = -1;
int pipe_fd = -1;
// ffmpeg quotes the output name in its errors, control bytes and all; they
// are kept here and printed through the escaping once it has ended.
int encoder_messages = -1;
std::string out_path;
int glyph_h = 8;
bool stream_broken = false;
int32_t length_ms = 0;
SteadyClock::time_point started;
SteadyClock::time_point last_progress;
bool progress_shown = false;
bool progress_to_terminal = false;
int last_percent = -1;

bool on_path(const char* program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  for (;;) {
    size_t end = dirs.find(':', start);
    std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

bool write_all(const void* data, size_t size) {
  auto p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = write(pipe_fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string clock_text(double seconds) {
  auto s = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

// A bar redrawn in place on a terminal; on a log, a line every tenth.
void show_progress(int32_t demo_ms, bool force) {
  if (length_ms <= 0) return;
  SteadyClock::time_point now = SteadyClock::now();
  double done = static_cast<double>(demo_ms) / length_ms;
  if (done > 1.0) done = 1.0;
  int percent = static_cast<int>(done * 100.0);
  if (!force && (progress_to_terminal ? now - last_progress < std::chrono::milliseconds(200)
                                       : percent / 10 == last_percent / 10)) {
    return;
  }
  last_progress = now;
  last_percent = percent;
  double elapsed = std::chrono::duration<double>(now - started).count();
  std::string left = done > 0.01 ? clock_text(elapsed * (1.0 - done) / done) : "?:??";
  constexpr int BAR = 30;
  int filled = static_cast<int>(done * BAR);
  std::fprintf(stderr, "%scapturing [%.*s%.*s] %3d%%  %s left  ",
               progress_to_terminal ? "\r" : "", filled, "##############################",
               BAR - filled, "..............................", percent, left.c_str());
  if (!progress_to_terminal) std::fputc('\n', stderr);
  progress_shown = true;
}

// Each line ffmpeg wrote, made printable; the line ends stay.
void print_encoder_messages() {
  std::string text;
  char chunk[4096];
  ssize_t n;
  while ((n = pread(encoder_messages, chunk, sizeof chunk, static_cast<off_t>(text.size()))) > 0)
    text.append(chunk, static_cast<size_t>(n));
  close(encoder_messages);
  encoder_messages = -1;
  const std::string_view lines(text);
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    std::fprintf(stderr, "%s\n",
                 platform_printable_text(lines.substr(start, end - start)).c_str());
    start = end + 1;
  }
}

}  // namespace

bool capture_begin(const CaptureSettings& settings) {
  if (!on_path("ffmpeg")) {
    std::fprintf(stderr, "kolv17: --capture needs ffmpeg, which is not installed "
                         "(on Debian: apt-get install ffmpeg)\n");
    return false;
  }
  glyph_h = settings.glyph_height == 16 ? 16 : 8;
  out_path = settings.path;
  std::string size = std::to_string(CONSOLE_PICTURE_W) + "x" +
                     std::to_string(console_picture_height(glyph_h));
  std::string rate = std::to_string(CAPTURE_FPS);
  bool with_music = settings.music_path && access(settings.music_path, R_OK) == 0;
  // Silence pads a soundtrack shorter than the show; the video sets the length.
  // ultrafast keeps the encoder well ahead of the show on two cores; crf 20
  // keeps glyph edges clean.
  std::vector<const char*> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
                                   "-f", "rawvideo", "-pix_fmt", "rgba", "-s", size.c_str(),
                                   "-r", rate.c_str(), "-i", "-"};
  if (with_music) {
    args.insert(args.end(), {"-i", settings.music_path, "-map", "0:v", "-map", "1:a", "-c:a",
                             "aac", "-b:a", "192k", "-af", "apad", "-shortest"});
  }
  args.insert(args.end(), {"-c:v", "libx264", "-preset", "ultrafast", "-crf", "20", "-pix_fmt",
                           "yuv420p", "-movflags", "+faststart", settings.path, nullptr});

  int fds[2];
  if (pipe(fds) != 0) {
    std::fprintf(stderr, "kolv17: cannot start ffmpeg: %s\n", std::strerror(errno));
    return false;
  }
  encoder_messages = memfd_create("kolv17-ffmpeg", MFD_CLOEXEC);
  if (encoder_messages >= 0) encoder = fork();
  if (encoder_messages < 0 || encoder < 0) {
    std::fprintf(stderr, "kolv17: cannot start ffmpeg: %s\n", std::strerror(errno));
    close(fds[0]);
    close(fds[1]);
    if (encoder_messages >= 0) close(encoder_messages);
    encoder_messages = -1;
    encoder = -1;
    return false;
  }
  if (encoder == 0) {
    dup2(fds[0], STDIN_FILENO);
    dup2(encoder_messages, STDERR_FILENO);
    close(fds[0]);
    close(fds[1]);
    execvp("ffmpeg", const_cast<char* const*>(args.data()));
    _exit(127);
  }
  close(fds[0]);
  pipe_fd = fds[1];
  // A stopped encoder shows as a failed write, not as a fatal signal.
  signal(SIGPIPE, SIG_IGN);
  stream_broken = false;
  started = last_progress = SteadyClock::now();
  progress_to_terminal = isatty(STDERR_FILENO) != 0;
  last_percent = -1;
  progress_shown = false;
  return true;
}

bool capture_is_active() { return encoder > 0; }

void capture_set_length(int32_t ms) { length_ms = ms; }

bool capture_frame(const ConsoleCell* cells, int32_t demo_ms) {
  if (encoder <= 0 || stream_broken) return false;
  console_picture_render(cells, glyph_h, picture);
  size_t bytes = sizeof(uint32_t) * CONSOLE_PICTURE_W * console_picture_height(glyph_h);
  if (!write_all(picture, bytes)) {
    stream_broken = true;
    return false;
  }
  show_progress(demo_ms, false);
  return true;
}

bool capture_finish() {
  if (encoder <= 0) return true;
  close(pipe_fd);
  pipe_fd = -1;
  int status = 0;
  while (waitpid(encoder, &status, 0) < 0 && errno == EINTR) {
  }
  encoder = -1;
  bool ok = !stream_broken && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (progress_shown && progress_to_terminal) {
    if (ok) show_progress(length_ms, true);
    std::fputc('\n', stderr);
  }
  print_encoder_messages();
  if (!ok) {
    std::fprintf(stderr, "kolv17: ffmpeg failed (%s %d); %s is not complete\n",
                 WIFEXITED(status) ? "exit status" : "signal",
                 WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status),
                 platform_printable_text(out_path).c_str());
  } else {
    double seconds = std::chrono::duration<double>(SteadyClock::now() - started).count();
    std::fprintf(stderr, "captured %s in %s\n", platform_printable_text(out_path).c_str(),
                 clock_text(seconds).c_str());
  }
  return ok;
}

#include "platform/terminal.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "platform/fd_write.h"
#include "platform/held_messages.h"

namespace {

volatile sig_atomic_t active = 0;
volatile sig_atomic_t redraw_pending = 0;
float reported_aspect = 0;  // from the answer to CSI 16 t; 0 = none yet
int out_is_tty = -1;
int out_fd = -1;   // our own duplicate of fd 1: it keeps pointing at the terminal
int tty_fd = -1;   // where the line discipline is set (stdin, else stdout)
termios saved_termios;
bool have_termios = false;
int asked_cols = 80, asked_rows = 50;
int original_cols = 0, original_rows = 0;
bool handlers_installed = false;
int wake_pipe[2] = {-1, -1};  // written by the redraw signals, read by sleepers

// Built outside signal handlers so entering again after SIGCONT only writes.
char enter_seq[384];
size_t enter_len = 0;

constexpr int HANDLED[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS,
                           SIGFPE, SIGILL,  SIGABRT, SIGTSTP, SIGCONT, SIGWINCH};
struct sigaction previous[NSIG];

size_t put_num(char* p, int v) {
  char digits[12];
  size_t n = 0;
  unsigned u = v < 0 ? 0u : static_cast<unsigned>(v);
  do {
    digits[n++] = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u);
  for (size_t i = 0; i < n; ++i) p[i] = digits[n - 1 - i];
  return n;
}

// CSI 8 ; rows ; cols t
size_t put_resize(char* p, int cols, int rows) {
  size_t n = 0;
  std::memcpy(p, "\x1b[8;", 4);
  n += 4;
  n += put_num(p + n, rows);
  p[n++] = ';';
  n += put_num(p + n, cols);
  p[n++] = 't';
  return n;
}

// OSC 2 ; title BEL, with control characters left out so a title can
// never smuggle in a sequence of its own.
size_t put_title(char* p, const char* title) {
  size_t n = 0;
  std::memcpy(p, "\x1b]2;", 4);
  n += 4;
  for (const char* c = title; *c; ++c)
    if (static_cast<unsigned char>(*c) >= 0x20 && *c != 0x7F) p[n++] = *c;
  p[n++] = '\x07';
  return n;
}

char title_text[200];
bool title_set = false;

void build_enter_seq() {
  // Alternate screen, push the title, set it, hide the cursor, no autowrap
  // (a glyph in the last column can then never scroll), ask for the size.
  static const char head[] = "\x1b[?1049h\x1b[22;0t";
  static const char tail[] = "\x1b[?25l\x1b[?7l";
  size_t n = 0;
  std::memcpy(enter_seq, head, sizeof head - 1);
  n += sizeof head - 1;
  if (title_set) n += put_title(enter_seq + n, title_text);
  std::memcpy(enter_seq + n, tail, sizeof tail - 1);
  n += sizeof tail - 1;
  // A fitted grid takes the terminal as it is; a chosen one asks for its size.
  if (asked_cols > 0) n += put_resize(enter_seq + n, asked_cols, asked_rows);
  // Without pixel sizes in TIOCGWINSZ the cell shape can still be asked for;
  // the answer comes in with the keys.
  static const char ask_cell_size[] = "\x1b[16t";
  if (term_cell_aspect() == 0) {
    std::memcpy(enter_seq + n, ask_cell_size, sizeof ask_cell_size - 1);
    n += sizeof ask_cell_size - 1;
  }
  enter_len = n;
}

bool query_size(int fd, int* cols, int* rows) {
  winsize ws{};
  if (fd < 0 || ioctl(fd, TIOCGWINSZ, &ws) != 0 || ws.ws_col == 0 || ws.ws_row == 0) return false;
  *cols = ws.ws_col;
  *rows = ws.ws_row;
  return true;
}

void take_terminal() {
  if (tty_fd >= 0 && tcgetattr(tty_fd, &saved_termios) == 0) {
    have_termios = true;
    termios raw = saved_termios;
    // No echo, no line editing, no flow control; ISIG stays so Ctrl+C and
    // Ctrl+Z reach us as signals.
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    tcsetattr(tty_fd, TCSANOW, &raw);
  }
  fd_write_all(out_fd, enter_seq, enter_len);
  held_begin();
  active = 1;
  redraw_pending = 1;
}

void on_terminating(int sig, siginfo_t* info, void*) {
  term_leave();
  // Hand the signal to whoever had it before (the default action, or a
  // sanitizer's report). A real fault recurs on return and meets it there;
  // anything sent is sent again, delivered as soon as this handler returns.
  sigaction(sig, &previous[sig], nullptr);
  bool fault = sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGILL;
  if (!fault || info->si_code <= 0) raise(sig);
}

void on_stop(int) {
  int saved_errno = errno;
  bool was_active = active;
  term_leave();
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  struct sigaction mine {};
  sigaction(SIGTSTP, &dfl, &mine);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(SIGTSTP);  // stops here until SIGCONT
  sigprocmask(SIG_BLOCK, &set, nullptr);
  sigaction(SIGTSTP, &mine, nullptr);
  if (was_active) take_terminal();
  errno = saved_errno;
}

void on_redraw(int) {
  int saved_errno = errno;
  redraw_pending = 1;
  // Full pipe: a wake is already pending, which is all that is needed.
  if (wake_pipe[1] >= 0) (void)!write(wake_pipe[1], "w", 1);
  errno = saved_errno;
}

void install_handlers() {
  if (handlers_installed) return;
  handlers_installed = true;
  if (pipe2(wake_pipe, O_NONBLOCK | O_CLOEXEC) != 0) wake_pipe[0] = wake_pipe[1] = -1;
  for (int sig : HANDLED) {
    struct sigaction sa {};
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    if (sig == SIGWINCH || sig == SIGCONT) {
      sa.sa_handler = on_redraw;
    } else if (sig == SIGTSTP) {
      sa.sa_handler = on_stop;
    } else {
      sa.sa_sigaction = on_terminating;
      sa.sa_flags |= SA_SIGINFO;
    }
    sigaction(sig, nullptr, &previous[sig]);
    // A signal the caller chose to ignore (nohup, background jobs) stays ignored.
    if (previous[sig].sa_handler == SIG_IGN && !(previous[sig].sa_flags & SA_SIGINFO)) continue;
    sigaction(sig, &sa, nullptr);
  }
}

void block_handled(sigset_t* old) {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : HANDLED) sigaddset(&set, sig);
  sigprocmask(SIG_BLOCK, &set, old);
}

}  // namespace

bool term_output_is_tty() {
  if (out_is_tty < 0) out_is_tty = isatty(1) ? 1 : 0;
  return out_is_tty == 1;
}

bool term_enter(int cols, int rows) {
  if (active) return true;
  if (!term_output_is_tty()) return false;
  sigset_t old;
  block_handled(&old);
  if (out_fd < 0) out_fd = fcntl(1, F_DUPFD_CLOEXEC, 3);
  tty_fd = isatty(0) ? 0 : out_fd;
  asked_cols = cols;
  asked_rows = rows;
  if (!query_size(out_fd, &original_cols, &original_rows)) original_cols = original_rows = 0;
  build_enter_seq();
  install_handlers();
  take_terminal();
  sigprocmask(SIG_SETMASK, &old, nullptr);
  return true;
}

void term_leave() {
  if (!active) return;
  // A signal arriving half way would find `active` clear and skip the rest.
  sigset_t old;
  block_handled(&old);
  active = 0;
  // CAN first: it aborts any escape sequence a cut-off frame left open.
  static const char leave_seq[] = "\x18\x1b[?2026l\x1b[0m\x1b[?7h\x1b[?25h\x1b[23;0t\x1b[?1049l";
  fd_write_all(out_fd, leave_seq, sizeof leave_seq - 1);
  int cols, rows;
  if (asked_cols > 0 && original_cols > 0 && query_size(out_fd, &cols, &rows) &&
      (cols != original_cols || rows != original_rows)) {
    char resize[32];
    fd_write_all(out_fd, resize, put_resize(resize, original_cols, original_rows));
  }
  if (have_termios) tcsetattr(tty_fd, TCSADRAIN, &saved_termios);
  held_end();
  sigprocmask(SIG_SETMASK, &old, nullptr);
}

bool term_active() { return active != 0; }

namespace {

// The terminal went away under a frame: the show ends as a hang-up ends it,
// giving back whatever the terminal still takes, with one line and status 1.
[[noreturn]] void end_as_hung_up(int error) {
  std::fflush(stdout);
  std::fflush(stderr);
  term_leave();
  std::fprintf(stderr, "kolv17: the terminal is gone (%s); the show ends\n", std::strerror(error));
  _exit(1);
}

}  // namespace

void term_set_title(const char* title) {
  if (!title) return;
  std::strncpy(title_text, title, sizeof title_text - 1);
  title_text[sizeof title_text - 1] = 0;
  title_set = true;
  if (!active) return;
  sigset_t old;
  block_handled(&old);
  build_enter_seq();
  char seq[sizeof title_text + 8];
  size_t n = put_title(seq, title_text);
  fd_write_all(out_fd, seq, n);
  sigprocmask(SIG_SETMASK, &old, nullptr);
}

void term_size(int* cols, int* rows) {
  if (!query_size(out_fd >= 0 ? out_fd : 1, cols, rows)) *cols = *rows = 0;
}

bool term_take_redraw() {
  if (!redraw_pending) return false;
  redraw_pending = 0;
  return true;
}

int term_wake_fd() { return wake_pipe[0]; }

void term_drain_wake() {
  char bytes[64];
  while (wake_pipe[0] >= 0 && read(wake_pipe[0], bytes, sizeof bytes) > 0) {
  }
}

long term_write(const char* bytes, unsigned long count) {
  if (!active) return -1;
  size_t written = 0;
  if (fd_write_all(out_fd, bytes, count, &written) == FdWrite::Gone) end_as_hung_up(errno);
  return static_cast<long>(written);
}

float term_cell_aspect() {
  winsize ws{};
  const int fd = out_fd >= 0 ? out_fd : 1;
  if (ioctl(fd, TIOCGWINSZ, &ws) == 0) {
    const float aspect = term_cell_aspect(ws.ws_xpixel, ws.ws_ypixel, ws.ws_col, ws.ws_row);
    if (aspect > 0) return aspect;
  }
  return reported_aspect;
}

void term_note_cell_size(int width, int height) {
  const float aspect = term_cell_aspect(width, height, 1, 1);
  if (aspect == reported_aspect) return;
  reported_aspect = aspect;
  redraw_pending = 1;
}

float term_cell_aspect(int pixel_w, int pixel_h, int cols, int rows) {
  if (pixel_w <= 0 || pixel_h <= 0 || cols <= 0 || rows <= 0) return 0;
  const float aspect = (static_cast<float>(pixel_h) / rows) / (static_cast<float>(pixel_w) / cols);
  return aspect >= 0.25f && aspect <= 8.0f ? aspect : 0;
}

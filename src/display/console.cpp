#include "display/console.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "display/ansi_encoder.h"
#include "display/cell_convert.h"
#include "display/lookup_tables.h"
#include "display/status_line.h"
#include "display/terminal.h"

ConsoleCell CellBuffer[CONSOLE_CELLS];

namespace {

ConsoleOptions options{ColorMode::Auto, false};
ColorMode mode = ColorMode::Ansi16;
bool mode_resolved = false;
ConPresentHook present_hook = nullptr;
AnsiLayout layout = ansi_layout(CONSOLE_COLS, CONSOLE_ROWS);

ConsoleCell shown[CONSOLE_CELLS];  // what the terminal shows now
bool shown_valid = false;

// Synchronized output: the terminal shows the frame only once it is complete.
constexpr char SYNC_BEGIN[] = "\x1b[?2026h";
constexpr char SYNC_END[] = "\x1b[?2026l";
constexpr size_t SYNC_LEN = sizeof SYNC_BEGIN - 1;
// The status line rides along with a frame: room for a cursor move, colours
// and a line of text as wide as the widest terminal row we write.
constexpr size_t STATUS_MAX = 1024;
char frame_bytes[ANSI_FRAME_MAX + 2 * SYNC_LEN + STATUS_MAX];

ConStatusSource status_source = nullptr;
const char* status_text = nullptr;  // sent with the last frame, or null

ConsoleFrameStats stats{};

uint64_t now_us() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
}

void resolve_mode() {
  if (mode_resolved) return;
  mode = options.colors == ColorMode::Auto
             ? ansi_mode_from_env(std::getenv("COLORTERM"), std::getenv("TERM"))
             : options.colors;
  mode_resolved = true;
}

void refresh_layout() {
  int cols, rows;
  term_size(&cols, &rows);
  layout = ansi_layout(cols, rows);
  shown_valid = false;
}

}  // namespace

void con_configure(ConsoleOptions o) {
  options = o;
  mode_resolved = false;
}

ColorMode con_color_mode() {
  resolve_mode();
  return mode;
}

void con_acquire_output() {
  // Remembered now: once the show runs, fd 1 is diverted to hold messages.
  term_output_is_tty();
}

void con_setup(int cols, int rows, int full_screen) {
  (void)full_screen;  // a terminal window is sized, never switched to full screen
  resolve_mode();
  if (options.headless) return;
  if (!term_enter(cols, rows)) return;
  static bool at_exit_registered = false;
  if (!at_exit_registered) {
    at_exit_registered = true;
    std::atexit(con_restore);
  }
  refresh_layout();
}

void con_convert(const Pixel* frame, ConsoleCell* cells) {
  static uint8_t characters[CONSOLE_CELLS], attributes[CONSOLE_CELLS];
  // The frame these cells were converted from: a block it already holds (a
  // still sky, a panel) keeps its cell. Anything converted before the tables
  // were last loaded is converted again.
  static Pixel converted[FRAME_PIXELS];
  static bool converted_valid = false;
  static uint32_t converted_tables = 0;
  if (converted_valid && converted_tables == cell_tables_loads()) {
    cell_convert_frame_changes(frame, converted, characters, attributes);
  } else {
    cell_convert_frame(frame, characters, attributes);
    std::memcpy(converted, frame, sizeof converted);
    converted_valid = true;
    converted_tables = cell_tables_loads();
  }
  for (int i = 0; i < CONSOLE_CELLS; ++i) cells[i] = {characters[i], attributes[i]};
}

int con_present(const Pixel* frame) {
  uint64_t t0 = now_us();
  con_convert(frame, CellBuffer);
  uint64_t t1 = now_us();

  resolve_mode();
  if (term_take_redraw()) refresh_layout();
  AnsiFrameInfo info;
  std::memcpy(frame_bytes, SYNC_BEGIN, SYNC_LEN);
  size_t n = SYNC_LEN + ansi_encode(CellBuffer, shown_valid ? shown : nullptr, mode, layout,
                                    frame_bytes + SYNC_LEN, ANSI_FRAME_MAX, &info);
  status_text = status_source ? status_source() : nullptr;
  if (status_text) n += status_line_encode(status_text, layout, CONSOLE_ROWS, frame_bytes + n, STATUS_MAX);
  std::memcpy(frame_bytes + n, SYNC_END, SYNC_LEN);
  n += SYNC_LEN;
  uint64_t t2 = now_us();

  long written = 0;
  bool whole = true;
  if (term_active()) {
    written = term_write(frame_bytes, n);
    whole = written == static_cast<long>(n);
  }
  uint64_t t3 = now_us();

  std::memcpy(shown, CellBuffer, sizeof shown);
  // Cells the terminal may not have received cannot be skipped next time.
  shown_valid = whole;
  // A line over the picture hides that row: the next frame sends it again.
  int covered = status_text ? status_line_grid_row(layout, CONSOLE_ROWS) : -1;
  if (covered >= 0) {
    for (int col = 0; col < CONSOLE_COLS; ++col) shown[covered * CONSOLE_COLS + col].character = 0xFFFF;
  }
  stats = {static_cast<uint32_t>(t1 - t0), static_cast<uint32_t>(t2 - t1),
           static_cast<uint32_t>(t3 - t2), static_cast<uint32_t>(n),
           static_cast<uint32_t>(info.cells_elided)};
  if (present_hook) present_hook(frame, CellBuffer);
  return static_cast<int>(written);
}

void con_set_present_hook(ConPresentHook hook) { present_hook = hook; }

void con_set_status_source(ConStatusSource source) {
  // Taking the line away leaves text on screen that no cell covers.
  if (status_source && !source) shown_valid = false;
  status_source = source;
}

const char* con_status_line() { return status_text; }

void con_set_title(const char* title) { term_set_title(title); }

void con_restore() {
  // Messages still in stdio buffers belong before the replay of held ones.
  std::fflush(stdout);
  std::fflush(stderr);
  term_leave();
}

bool con_output_is_terminal() { return term_output_is_tty(); }

const ConsoleFrameStats& con_frame_stats() { return stats; }

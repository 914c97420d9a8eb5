#include "display/console.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "display/ansi_encoder.h"
#include "display/cell_convert.h"
#include "display/lookup_tables.h"
#include "display/resample.h"
#include "display/status_line.h"
#include "platform/terminal.h"

ConsoleCell CellBuffer[GRID_CELLS_MAX];

namespace {

ConsoleOptions options{ColorMode::Auto, false};
ColorMode mode = ColorMode::Ansi16;
bool mode_resolved = false;
ConPresentHook present_hook = nullptr;
AnsiLayout layout = ansi_layout(CONSOLE_COLS, CONSOLE_ROWS);
GridShape grid{CONSOLE_COLS, CONSOLE_ROWS};
bool layout_known = false;

ConsoleCell shown[GRID_CELLS_MAX];  // what the terminal shows now
bool shown_valid = false;

// The picture a grid is converted from, and the one converted last: a block
// it already holds (a still sky, a panel) keeps its cell. Anything converted
// before the tables were last loaded is converted again.
struct Converted {
  Pixel* previous;
  uint8_t* characters;  // the cells converted from it
  uint8_t* attributes;
  bool valid;
  uint32_t tables;
};

void convert_cells(const Pixel* picture, int cols, int rows, Converted* cache, ConsoleCell* cells) {
  uint8_t* characters = cache->characters;
  uint8_t* attributes = cache->attributes;
  if (cache->valid && cache->tables == cell_tables_loads()) {
    cell_convert_grid(picture, cols, rows, cache->previous, characters, attributes);
  } else {
    cell_convert_grid(picture, cols, rows, nullptr, characters, attributes);
    std::memcpy(cache->previous, picture, sizeof(Pixel) * 9 * cols * rows);
    cache->valid = true;
    cache->tables = cell_tables_loads();
  }
  for (int i = 0; i < cols * rows; ++i) cells[i] = {characters[i], attributes[i]};
}

Pixel console_previous[FRAME_PIXELS];
uint8_t console_characters[CONSOLE_CELLS], console_attributes[CONSOLE_CELLS];
Converted console_cache{console_previous, console_characters, console_attributes, false, 0};
Pixel fitted[RESAMPLE_W_MAX * RESAMPLE_H_MAX];
Pixel fitted_previous[RESAMPLE_W_MAX * RESAMPLE_H_MAX];
uint8_t fitted_characters[GRID_CELLS_MAX], fitted_attributes[GRID_CELLS_MAX];
Converted fitted_cache{fitted_previous, fitted_characters, fitted_attributes, false, 0};
ConsoleCell console_cells[CONSOLE_CELLS];

// Synchronized output: the terminal shows the frame only once it is complete.
constexpr char SYNC_BEGIN[] = "\x1b[?2026h";
constexpr char SYNC_END[] = "\x1b[?2026l";
constexpr size_t SYNC_LEN = sizeof SYNC_BEGIN - 1;
// The status line rides along with a frame.
char frame_bytes[ANSI_FRAME_MAX + 2 * SYNC_LEN + STATUS_LINE_BYTES_MAX];

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

bool is_console(GridShape g) { return g.cols == CONSOLE_COLS && g.rows == CONSOLE_ROWS; }

float cell_aspect() {
  if (options.cell_aspect > 0) return options.cell_aspect;
  if (options.headless) return options.term_cols > 0 ? CELL_ASPECT_DEFAULT : 1.0f;
  const float told = term_cell_aspect();
  return told > 0 ? told : CELL_ASPECT_DEFAULT;
}

// Re-fits the grid to the terminal; the next frame is a full redraw.
void refresh_layout() {
  int cols, rows;
  con_terminal_size(&cols, &rows);
  const GridShape fitted_grid = grid_fit(options.grid, cols, rows, cell_aspect());
  if (fitted_grid.cols != grid.cols || fitted_grid.rows != grid.rows) {
    grid = fitted_grid;
    fitted_cache.valid = false;
    if (!is_console(grid)) resample_setup(3 * grid.cols, 3 * grid.rows);
  }
  layout = ansi_layout_grid(cols, rows, grid.cols, grid.rows);
  layout_known = true;
  shown_valid = false;
}

void convert_frame(const Pixel* frame) {
  if (is_console(grid)) {
    convert_cells(frame, CONSOLE_COLS, CONSOLE_ROWS, &console_cache, CellBuffer);
    return;
  }
  resample_frame(frame, fitted);
  convert_cells(fitted, grid.cols, grid.rows, &fitted_cache, CellBuffer);
}

}  // namespace

void con_configure(ConsoleOptions o) {
  options = o;
  mode_resolved = false;
  layout_known = false;
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
  // A fitted grid takes the terminal as it is; a chosen one asks for its size.
  if (options.grid.choice == GridChoice::Fit) cols = rows = 0;
  if (options.grid.choice == GridChoice::Fixed) cols = options.grid.cols, rows = options.grid.rows;
  if (!term_enter(cols, rows)) return;
  static bool at_exit_registered = false;
  if (!at_exit_registered) {
    at_exit_registered = true;
    std::atexit(con_restore);
  }
  refresh_layout();
}

void con_convert(const Pixel* frame, ConsoleCell* cells) {
  convert_cells(frame, CONSOLE_COLS, CONSOLE_ROWS, &console_cache, cells);
}

GridShape con_grid() { return grid; }

const AnsiLayout& con_layout() { return layout; }

void con_terminal_size(int* cols, int* rows) {
  if (options.headless) {
    *cols = options.term_cols > 0 ? options.term_cols : CONSOLE_COLS;
    *rows = options.term_rows > 0 ? options.term_rows : CONSOLE_ROWS;
  } else {
    term_size(cols, rows);
  }
}

const ConsoleCell* con_console_cells(const Pixel* frame, const ConsoleCell* presented) {
  if (is_console(grid)) return presented;
  con_convert(frame, console_cells);
  return console_cells;
}

int con_present(const Pixel* frame) {
  uint64_t t0 = now_us();
  if (term_take_redraw() || !layout_known) refresh_layout();
  convert_frame(frame);
  uint64_t t1 = now_us();

  resolve_mode();
  AnsiFrameInfo info;
  std::memcpy(frame_bytes, SYNC_BEGIN, SYNC_LEN);
  size_t n = SYNC_LEN + ansi_encode(CellBuffer, shown_valid ? shown : nullptr, mode, layout,
                                    frame_bytes + SYNC_LEN, ANSI_FRAME_MAX, &info);
  status_text = status_source ? status_source() : nullptr;
  if (status_text) n += status_line_encode(status_text, layout, frame_bytes + n, STATUS_LINE_BYTES_MAX);
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

  std::memcpy(shown, CellBuffer, sizeof(ConsoleCell) * grid.cols * grid.rows);
  // Cells the terminal may not have received cannot be skipped next time.
  shown_valid = whole;
  // A line over the picture hides that row: the next frame sends it again.
  if (status_text) status_line_uncover(layout, shown);
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

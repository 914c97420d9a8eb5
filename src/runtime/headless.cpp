#include "runtime/headless.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "display/ansi_encoder.h"
#include "display/console.h"
#include "display/console_picture.h"
#include "display/png_write.h"
#include "platform/clock.h"
#include "platform/printable.h"

namespace {

constexpr int PICTURE_W = 640;
constexpr int PICTURE_H = 400;

std::vector<int32_t> pending;  // render times still to write, ascending
size_t next_render = 0;
std::string out;
ShowPhase phase = ShowPhase::Show;
int32_t demo_time = 0;
bool in_show_frame = false;
bool viewer_seen = false;

Pixel viewer_frame[FRAME_PIXELS];
ConsoleCell viewer_cells[CONSOLE_CELLS];
uint32_t picture[PICTURE_W * PICTURE_H];
Pixel opaque_frame[FRAME_PIXELS];
char ansi_bytes[ANSI_FRAME_MAX + 8];
// --term: what that terminal shows, drawn in the font of its cell shape.
int term_glyph_height = 0;  // 0: no terminal picture
std::vector<uint32_t> term_picture;

std::string out_path(const char* stem, const char* suffix) {
  return out + "/" + stem + suffix;
}

void write_pictures(const std::string& frame_path, const std::string& cells_path,
                    const Pixel* frame, const ConsoleCell* cells) {
  // The alpha byte of the frame is bookkeeping, not transparency.
  for (int i = 0; i < FRAME_PIXELS; ++i) opaque_frame[i] = frame[i] | 0xFF000000u;
  png_write_rgba(frame_path.c_str(), FRAME_W, FRAME_H, opaque_frame);
  console_picture_render(cells, 8, picture);
  png_write_rgba(cells_path.c_str(), PICTURE_W, PICTURE_H, picture);
}

// The pictures stay the console's; the .ans file and the terminal picture
// hold what the terminal gets.
void write_render(int32_t ms, const Pixel* frame, const ConsoleCell* cells) {
  char stem[32];
  std::snprintf(stem, sizeof stem, "%d", ms);
  write_pictures(out_path("frame-", stem) + ".png", out_path("cells-", stem) + ".png", frame,
                 con_console_cells(frame, cells));
  const AnsiLayout& layout = con_layout();
  if (term_glyph_height > 0) {
    console_picture_render_terminal(cells, layout, term_glyph_height, term_picture.data());
    png_write_rgba((out_path("term-", stem) + ".png").c_str(), layout.term_cols * 8,
                   layout.term_rows * term_glyph_height, term_picture.data());
  }
  size_t length = ansi_encode_full_frame(cells, con_color_mode(), layout, ansi_bytes, sizeof ansi_bytes);
  std::string ans = out_path("cells-", stem) + ".ans";
  if (std::FILE* f = std::fopen(ans.c_str(), "wb")) {
    std::fwrite(ansi_bytes, 1, length, f);
    std::fclose(f);
  } else {
    std::fprintf(stderr, "%s: cannot write: %s\n", platform_printable_text(ans).c_str(),
                 std::strerror(errno));
  }
}

}  // namespace

void headless_present(const Pixel* frame, const ConsoleCell* cells) {
  clock_advance_frame();
  if (phase == ShowPhase::Viewer) {
    viewer_seen = true;
    std::memcpy(viewer_frame, frame, sizeof viewer_frame);
    std::memcpy(viewer_cells, con_console_cells(frame, cells), sizeof viewer_cells);
    return;
  }
  if (!in_show_frame) return;
  // Every listed time gets the first frame at or after it.
  while (next_render < pending.size() && demo_time >= pending[next_render]) {
    write_render(pending[next_render], frame, cells);
    ++next_render;
  }
}

bool headless_begin(int fps, const std::vector<int32_t>& render_ms, const std::string& out_dir,
                    int term_glyph) {
  term_glyph_height = term_glyph;
  if (term_glyph > 0) term_picture.assign(static_cast<size_t>(GRID_CELLS_MAX) * 8 * term_glyph, 0);
  pending = render_ms;
  std::sort(pending.begin(), pending.end());
  out = out_dir;
  if (!out.empty() && mkdir(out.c_str(), 0777) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "%s: cannot create the output folder: %s\n",
                 platform_printable_text(out).c_str(), std::strerror(errno));
    return false;
  }
  clock_use_virtual(1000.0 / fps);
  return true;
}

void headless_set_phase(ShowPhase new_phase) { phase = new_phase; }

ShowPhase headless_phase() { return phase; }

void headless_frame_begins(int32_t t) {
  demo_time = t;
  in_show_frame = true;
}

void headless_frame_ends() { in_show_frame = false; }

void headless_finish_viewer() {
  if (!viewer_seen || out.empty()) return;
  write_pictures(out + "/viewer.png", out + "/viewer-cells.png", viewer_frame, viewer_cells);
}

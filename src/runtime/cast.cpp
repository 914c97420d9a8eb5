#include "runtime/cast.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "display/ansi_encoder.h"
#include "display/console.h"
#include "display/status_line.h"
#include "platform/printable.h"

namespace {

std::FILE* file = nullptr;
std::string file_path;
ColorMode color_mode = ColorMode::TrueColor;
ConsoleCell previous[GRID_CELLS_MAX];
AnsiLayout previous_layout{};
bool have_previous = false;
bool status_was_shown = false;
// Room for the cursor hide before a frame and the status line after it.
char bytes[ANSI_FRAME_MAX + 16 + STATUS_LINE_BYTES_MAX];

// JSON string body: the escape output is UTF-8 already, so only quotes,
// backslashes and control bytes need escaping.
void put_json_string(const char* text, size_t length) {
  std::fputc('"', file);
  for (size_t i = 0; i < length; ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      std::fputc('\\', file);
      std::fputc(c, file);
    } else if (c < 0x20 || c == 0x7F) {
      std::fprintf(file, "\\u%04x", c);
    } else {
      std::fputc(c, file);
    }
  }
  std::fputc('"', file);
}

const char* color_term_name(ColorMode mode) {
  return mode == ColorMode::Ansi16 ? "xterm" : "xterm-256color";
}

}  // namespace

bool cast_open(const char* path, ColorMode mode, const char* title, int term_cols, int term_rows) {
  file = std::fopen(path, "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "%s: cannot create the recording: %s\n",
                 platform_printable_text(path).c_str(), std::strerror(errno));
    return false;
  }
  file_path = path;
  color_mode = mode;
  have_previous = false;
  std::fprintf(file, "{\"version\": 2, \"width\": %d, \"height\": %d, \"timestamp\": %lld, ",
               term_cols > 0 ? term_cols : CONSOLE_COLS, term_rows > 0 ? term_rows : CONSOLE_ROWS,
               static_cast<long long>(std::time(nullptr)));
  std::fprintf(file, "\"env\": {\"TERM\": \"%s\", \"SHELL\": \"/bin/sh\"}, \"title\": ",
               color_term_name(mode));
  put_json_string(title, std::strlen(title));
  std::fputs("}\n", file);
  return true;
}

bool cast_is_open() { return file != nullptr; }

void cast_frame(const ConsoleCell* cells, const AnsiLayout& layout, uint32_t ms) {
  if (file == nullptr || cells == nullptr) return;
  // A new grid or terminal size is drawn whole, as the terminal gets it.
  if (have_previous && std::memcmp(&layout, &previous_layout, sizeof layout) != 0) have_previous = false;
  // A status line taken away below the picture goes only with a full redraw.
  const char* status = con_status_line();
  if (status_was_shown && !status) have_previous = false;
  status_was_shown = status != nullptr;
  AnsiFrameInfo info;
  size_t length = 0;
  if (!have_previous) {
    // The player starts with a visible cursor; the live terminal hides it.
    static const char HIDE_CURSOR[] = "\x1b[?25l";
    length = sizeof HIDE_CURSOR - 1;
    std::memcpy(bytes, HIDE_CURSOR, length);
  }
  length += ansi_encode(cells, have_previous ? previous : nullptr, color_mode, layout, bytes + length,
                        sizeof bytes - length, &info);
  std::memcpy(previous, cells, sizeof(ConsoleCell) * layout.grid_cols * layout.grid_rows);
  previous_layout = layout;
  have_previous = true;
  // The status line goes out as the terminal got it; a grid row it covers
  // is sent whole with the next frame.
  if (status) {
    length += status_line_encode(status, layout, bytes + length, sizeof bytes - length);
    status_line_uncover(layout, previous);
  }
  if (length == 0) return;  // nothing changed: no event
  std::fprintf(file, "[%u.%03u, \"o\", ", ms / 1000u, ms % 1000u);
  put_json_string(bytes, length);
  std::fputs("]\n", file);
  // A live run may end by a signal: keep every finished event on disk.
  std::fflush(file);
}

bool cast_close() {
  if (file == nullptr) return true;
  bool ok = !std::ferror(file);
  ok = std::fclose(file) == 0 && ok;
  file = nullptr;
  if (!ok) {
    std::fprintf(stderr, "%s: the recording could not be written completely\n",
                 platform_printable_text(file_path).c_str());
  }
  return ok;
}

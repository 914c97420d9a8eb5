#include "runtime/options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/printable.h"

namespace {

bool parse_int(const char* text, long low, long high, long* value) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  long parsed = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

bool parse_ms_list(const char* text, std::vector<int32_t>* list) {
  std::string item;
  for (const char* p = text;; ++p) {
    if (*p == ',' || *p == '\0') {
      long value = 0;
      if (!parse_int(item.c_str(), 0, INT32_MAX, &value)) return false;
      list->push_back(static_cast<int32_t>(value));
      item.clear();
      if (*p == '\0') return true;
    } else {
      item += *p;
    }
  }
}

bool parse_colors(const char* text, ColorMode* mode) {
  if (std::strcmp(text, "auto") == 0) *mode = ColorMode::Auto;
  else if (std::strcmp(text, "16") == 0) *mode = ColorMode::Ansi16;
  else if (std::strcmp(text, "256") == 0) *mode = ColorMode::Ansi256;
  else if (std::strcmp(text, "truecolor") == 0) *mode = ColorMode::TrueColor;
  else return false;
  return true;
}

}  // namespace

const char* options_usage() {
  return "Usage: kolv17 [options] [FILE]\n"
         "A real-time text-mode demo for any terminal. FILE, if given, is shown first:\n"
         "a .gml drawing is replayed for 16 seconds, anything else is shown as a picture\n"
         "until a key is pressed; then the show runs.\n"
         "\n"
         "Keys: Esc quits, Left/Right seek one second, F5 reloads the assets and the\n"
         "timeline. For making shows: Space pauses, Up/Down jump a bar (2 s), Page Up/\n"
         "Page Down 8 bars, Home goes to the start, Tab shows the status line.\n"
         "\n"
         "A value follows its option after a blank or an '=' (--fps 25, --fps=25); any\n"
         "unambiguous start of a name will do (--head for --headless), and -- ends the\n"
         "options.\n"
         "\n"
         "Options:\n"
         "  --help                 print this help and exit\n"
         "  --version              print the version and exit\n"
         "  --data DIR             directory that holds data/\n"
         "  --colors MODE          auto, 16, 256 or truecolor (default auto)\n"
         "  --no-audio             no sound; the music clock and spectrum still run\n"
         "  --max-fps N            draw at most N frames a second (default 60, 0: no cap)\n"
         "  --stats                print frame statistics on exit\n"
         "  --test-card            show the colour test card instead of the show\n"
         "  --headless             no terminal: a virtual clock advances 1000/fps ms per frame\n"
         "  --fps N                virtual frame rate of headless runs (default 50)\n"
         "  --until MS             stop at this demo time (default: end of show)\n"
         "  --render LIST --out DIR\n"
         "                         headless: for each demo time in LIST (ms, comma-separated)\n"
         "                         write DIR/frame-MS.png, DIR/cells-MS.png, DIR/cells-MS.ans\n"
         "  --keys FILE            headless: scripted keys, lines of 'MS KEY' (esc, left,\n"
         "                         right, f5, space, up, down, pgup, pgdn, home, tab)\n"
         "  --timeline FILE        take the tracks from timeline text and apply every save\n"
         "                         of FILE while the show plays\n"
         "  --start MS             begin the show at this demo time\n"
         "  --capture FILE         headless: record the console pictures at 50 fps as an\n"
         "                         H.264 video with the soundtrack from its start (needs ffmpeg)\n"
         "  --capture-font N       glyph height of the capture: 8 (640x400, default) or 16\n"
         "                         (640x800)\n"
         "  --cast FILE            record what the terminal is sent as an asciicast v2 file\n"
         "                         (live or headless)\n"
         "  --grid fit|console|COLSxROWS\n"
         "                         how the picture meets the terminal (default fit: the whole\n"
         "                         picture at its true shape, as large as the terminal allows;\n"
         "                         an 80x24 terminal shows it at 77x24 cells). console: the\n"
         "                         80x50 grid as designed, centred or clipped; fit gives it\n"
         "                         too on square cells (a VGA 8x8 font) with room for 80x50\n"
         "  --cell-aspect H        cell height over width (e.g. 2 or 1); by default the terminal\n"
         "                         is asked (pixel size, else CSI 16 t), else 2 is assumed\n"
         "  --term COLSxROWS[@H]   headless: present to a terminal of that size and cell shape\n"
         "                         (H default 2); renders add DIR/term-MS.png\n"
         "  --probe-audio FILE --at MS\n"
         "                         print FILE's loudest frequency and spectrum at MS\n";
}

namespace {

// What the rows below fill in, with what the checks after parsing need.
struct Parsing {
  Options* options;
  bool at_given = false;
  bool capture_font_given = false;
};

// One row per option, in one of three kinds: a switch (`flag`), a value
// kept as typed (`text`), or a value that `apply` checks and stores (false
// with a one-line reason when it cannot be used). A new option is one more
// row here (in the order of the usage text) and a line in the usage text.
struct OptionRow {
  const char* name;
  bool Options::*flag = nullptr;
  std::string Options::*text = nullptr;
  bool (*apply)(Parsing& p, const char* value, std::string* error) = nullptr;
  bool takes_value() const { return flag == nullptr; }
};

bool refuse(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

// A whole number from low to high, else `refusal` as the error.
template <typename Int>
bool whole_value(const char* value, long low, long high, Int* target, const char* refusal, std::string* error) {
  long number = 0;
  if (!parse_int(value, low, high, &number)) return refuse(error, refusal);
  *target = static_cast<Int>(number);
  return true;
}

bool ms_value(const char* value, int32_t* ms, const char* option, std::string* error) {
  const std::string refusal = std::string(option) + " takes milliseconds (a whole number, 0 or more)";
  return whole_value(value, 0, INT32_MAX, ms, refusal.c_str(), error);
}

const OptionRow OPTION_ROWS[] = {
    {.name = "help", .flag = &Options::help},
    {.name = "version", .flag = &Options::version},
    {.name = "data", .text = &Options::data_dir},
    {.name = "colors",
     .apply = [](Parsing& p, const char* value, std::string* error) {
       return parse_colors(value, &p.options->colors) ||
              refuse(error, "--colors takes auto, 16, 256 or truecolor, not '" +
                                    platform_printable_text(value) + "'");
     }},
    {.name = "no-audio", .flag = &Options::no_audio},
    {.name = "max-fps",
     .apply = [](Parsing& p, const char* value, std::string* error) {
       return whole_value(value, 0, 1000, &p.options->max_fps,
                          "--max-fps takes a whole number from 0 (no cap) to 1000", error);
     }},
    {.name = "stats", .flag = &Options::stats},
    {.name = "test-card", .flag = &Options::test_card},
    {.name = "headless", .flag = &Options::headless},
    {.name = "fps",
     .apply = [](Parsing& p, const char* value, std::string* error) {
       return whole_value(value, 1, 1000, &p.options->fps, "--fps takes a whole number from 1 to 1000", error);
     }},
    {.name = "until",
     .apply = [](Parsing& p, const char* value, std::string* error) {
       return ms_value(value, &p.options->until_ms, "--until", error);
     }},
    {.name = "render",
     .apply = [](Parsing& p, const char* value, std::string* error) {
       return parse_ms_list(value, &p.options->render_ms) ||
              refuse(error, "--render takes a comma-separated list of milliseconds, like 0,1500,60000");
     }},
    {.name = "out", .text = &Options::out_dir},
    {.name = "keys", .text = &Options::keys_file},
    {.name = "timeline", .text = &Options::timeline_path},
    {.name = "start",
     .apply = [](Parsing& p, const char* value, std::string* error) {
       return ms_value(value, &p.options->start_ms, "--start", error);
     }},
    {.name = "capture", .text = &Options::capture_path},
    {.name = "capture-font",
     .apply = [](Parsing& p, const char* value, std::string* error) {
       if (std::strcmp(value, "8") != 0 && std::strcmp(value, "16") != 0) {
         return refuse(error, "--capture-font takes 8 or 16");
       }
       p.options->capture_font = value[0] == '8' ? 8 : 16;
       p.capture_font_given = true;
       return true;
     }},
    {.name = "cast", .text = &Options::cast_path},
    {.name = "grid",
     .apply = [](Parsing& p, const char* value, std::string* error) {
       GridRequest& grid = p.options->grid;
       if (std::strcmp(value, "fit") == 0) grid = {GridChoice::Fit, 0, 0};
       else if (std::strcmp(value, "console") == 0) grid = {GridChoice::Console, 0, 0};
       else if (grid_parse_size(value, &grid.cols, &grid.rows, nullptr)) grid.choice = GridChoice::Fixed;
       else return refuse(error, "--grid takes fit, console or COLSxROWS (1x1 to 240x150)");
       return true;
     }},
    {.name = "cell-aspect",
     .apply = [](Parsing& p, const char* value, std::string* error) {
       return grid_parse_aspect(value, &p.options->cell_aspect) ||
              refuse(error, "--cell-aspect takes a cell height over width from 0.25 to 8");
     }},
    {.name = "term",
     .apply = [](Parsing& p, const char* value, std::string* error) {
       Options& o = *p.options;
       return grid_parse_size(value, &o.term_cols, &o.term_rows, &o.term_aspect) ||
              refuse(error, "--term takes COLSxROWS[@H] (1x1 to 240x150, H from 0.25 to 8)");
     }},
    {.name = "probe-audio", .text = &Options::probe_audio},
    {.name = "at",
     .apply = [](Parsing& p, const char* value, std::string* error) {
       p.at_given = true;
       return ms_value(value, &p.options->probe_at_ms, "--at", error);
     }},
};
constexpr int OPTION_COUNT = sizeof OPTION_ROWS / sizeof OPTION_ROWS[0];
// getopt_long hands back a row as its index past every character code.
constexpr int FIRST_ROW_CODE = 256;

// Why getopt_long refused a word: `code` is the row it found (a value
// missing or not wanted), a short option's letter, or 0; `arg` is the word
// just passed over, as typed ("--name" or "--name=value").
std::string refusal(const char* arg, int code) {
  if (code > 0 && code < FIRST_ROW_CODE) {
    return "unknown option '-" + platform_printable_text(std::string(1, static_cast<char>(code))) + "' (try --help)";
  }
  std::string typed(arg);
  std::string name = typed.substr(0, typed.find('='));
  if (code >= FIRST_ROW_CODE) {
    const OptionRow& row = OPTION_ROWS[code - FIRST_ROW_CODE];
    return row.takes_value() ? std::string("--") + row.name + " needs a value"
                           : std::string("--") + row.name + " takes no value";
  }
  if (name.rfind("--", 0) == 0) {
    std::string candidates;
    int matches = 0;
    for (const OptionRow& row : OPTION_ROWS) {
      if (std::strncmp(row.name, name.c_str() + 2, name.size() - 2) != 0) continue;
      candidates += std::string(matches++ ? ", --" : "--") + row.name;
    }
    if (matches > 1) return "option '" + platform_printable_text(name) + "' is ambiguous (" + candidates + ")";
  }
  return "unknown option '" + platform_printable_text(name) + "' (try --help)";
}

}  // namespace

bool options_parse(int argc, const char* const* argv, Options* options, std::string* error) {
  option table[OPTION_COUNT + 1] = {};
  for (int i = 0; i < OPTION_COUNT; ++i) {
    table[i] = {OPTION_ROWS[i].name, OPTION_ROWS[i].takes_value() ? required_argument : no_argument, nullptr,
                FIRST_ROW_CODE + i};
  }
  // getopt_long moves FILE past the options in the list it is given: a copy
  // of the pointers (it never writes the text), so the caller's stays as it was.
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) args.push_back(const_cast<char*>(argv[i]));
  args.push_back(nullptr);
  Parsing parsing{options};
  opterr = 0;  // our own one-line messages
  optind = 0;  // a fresh scan, even after an earlier one
  for (;;) {
    const int code = getopt_long(argc, args.data(), ":", table, nullptr);
    if (code == -1) break;
    if (code < FIRST_ROW_CODE || code >= FIRST_ROW_CODE + OPTION_COUNT) {
      *error = refusal(args[optind - 1], optopt);
      return false;
    }
    const OptionRow& row = OPTION_ROWS[code - FIRST_ROW_CODE];
    if (row.flag) options->*row.flag = true;
    else if (row.text) options->*row.text = optarg;
    else if (!row.apply(parsing, optarg, error)) return false;
  }
  for (int i = optind; i < argc; ++i) {
    if (!options->file.empty()) {
      *error = "only one FILE can be shown before the show (got '" +
               platform_printable_text(options->file) + "' and '" + platform_printable_text(args[i]) + "')";
      return false;
    }
    options->file = args[i];
  }
  if (!options->render_ms.empty() && options->out_dir.empty()) {
    *error = "--render needs --out DIR";
    return false;
  }
  if (!options->probe_audio.empty() && !parsing.at_given) {
    *error = "--probe-audio needs --at MS";
    return false;
  }
  if (parsing.capture_font_given && options->capture_path.empty()) {
    *error = "--capture-font needs --capture FILE";
    return false;
  }
  // The video runs at 50 frames a second: one frame per 20 ms of show.
  if (!options->capture_path.empty() && options->fps != 50) {
    *error = "--capture records at 50 fps; leave out --fps";
    return false;
  }
  if (!options->render_ms.empty() || !options->out_dir.empty() || !options->keys_file.empty() ||
      !options->capture_path.empty() || options->term_cols > 0) {
    options->headless = true;
  }
  return true;
}

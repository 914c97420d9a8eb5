#include "runtime/options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

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
         "A real-time text-mode demo for 80 x 50 terminals. FILE, if given, is shown first:\n"
         "a .gml drawing is replayed for 16 seconds, anything else is shown as a picture\n"
         "until a key is pressed; then the show runs.\n"
         "\n"
         "Keys: Esc quits, Left/Right seek one second, F5 reloads the assets.\n"
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
         "                         right, f5)\n"
         "  --capture FILE         headless: record the console pictures at 50 fps as an\n"
         "                         H.264 video with the soundtrack from its start (needs ffmpeg)\n"
         "  --capture-font N       glyph height of the capture: 8 (640x400, default) or 16\n"
         "                         (640x800)\n"
         "  --cast FILE            record what the terminal is sent as an asciicast v2 file\n"
         "                         (live or headless)\n"
         "  --probe-audio FILE --at MS\n"
         "                         print FILE's loudest frequency and spectrum at MS\n";
}

bool options_parse(int argc, const char* const* argv, Options* options, std::string* error) {
  auto need_value = [&](int& i, const char* name) -> const char* {
    if (i + 1 >= argc) {
      *error = std::string(name) + " needs a value";
      return nullptr;
    }
    return argv[++i];
  };
  bool at_given = false;
  bool capture_font_given = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    long number = 0;
    const char* value = nullptr;
    if (std::strcmp(arg, "--help") == 0) {
      options->help = true;
    } else if (std::strcmp(arg, "--version") == 0) {
      options->version = true;
    } else if (std::strcmp(arg, "--no-audio") == 0) {
      options->no_audio = true;
    } else if (std::strcmp(arg, "--headless") == 0) {
      options->headless = true;
    } else if (std::strcmp(arg, "--stats") == 0) {
      options->stats = true;
    } else if (std::strcmp(arg, "--test-card") == 0) {
      options->test_card = true;
    } else if (std::strcmp(arg, "--data") == 0) {
      if (!(value = need_value(i, arg))) return false;
      options->data_dir = value;
    } else if (std::strcmp(arg, "--colors") == 0) {
      if (!(value = need_value(i, arg))) return false;
      if (!parse_colors(value, &options->colors)) {
        *error = "--colors takes auto, 16, 256 or truecolor, not '" + std::string(value) + "'";
        return false;
      }
    } else if (std::strcmp(arg, "--fps") == 0) {
      if (!(value = need_value(i, arg))) return false;
      if (!parse_int(value, 1, 1000, &number)) {
        *error = "--fps takes a whole number from 1 to 1000";
        return false;
      }
      options->fps = static_cast<int>(number);
    } else if (std::strcmp(arg, "--max-fps") == 0) {
      if (!(value = need_value(i, arg))) return false;
      if (!parse_int(value, 0, 1000, &number)) {
        *error = "--max-fps takes a whole number from 0 (no cap) to 1000";
        return false;
      }
      options->max_fps = static_cast<int>(number);
    } else if (std::strcmp(arg, "--until") == 0 || std::strcmp(arg, "--at") == 0) {
      if (!(value = need_value(i, arg))) return false;
      if (!parse_int(value, 0, INT32_MAX, &number)) {
        *error = std::string(arg) + " takes milliseconds (a whole number, 0 or more)";
        return false;
      }
      if (arg[2] == 'u') {
        options->until_ms = static_cast<int32_t>(number);
      } else {
        options->probe_at_ms = static_cast<int32_t>(number);
        at_given = true;
      }
    } else if (std::strcmp(arg, "--render") == 0) {
      if (!(value = need_value(i, arg))) return false;
      if (!parse_ms_list(value, &options->render_ms)) {
        *error = "--render takes a comma-separated list of milliseconds, like 0,1500,60000";
        return false;
      }
    } else if (std::strcmp(arg, "--out") == 0) {
      if (!(value = need_value(i, arg))) return false;
      options->out_dir = value;
    } else if (std::strcmp(arg, "--keys") == 0) {
      if (!(value = need_value(i, arg))) return false;
      options->keys_file = value;
    } else if (std::strcmp(arg, "--capture") == 0) {
      if (!(value = need_value(i, arg))) return false;
      options->capture_path = value;
    } else if (std::strcmp(arg, "--capture-font") == 0) {
      if (!(value = need_value(i, arg))) return false;
      if (std::strcmp(value, "8") != 0 && std::strcmp(value, "16") != 0) {
        *error = "--capture-font takes 8 or 16";
        return false;
      }
      options->capture_font = value[0] == '8' ? 8 : 16;
      capture_font_given = true;
    } else if (std::strcmp(arg, "--cast") == 0) {
      if (!(value = need_value(i, arg))) return false;
      options->cast_path = value;
    } else if (std::strcmp(arg, "--probe-audio") == 0) {
      if (!(value = need_value(i, arg))) return false;
      options->probe_audio = value;
    } else if (arg[0] == '-' && arg[1] != '\0') {
      *error = "unknown option '" + std::string(arg) + "' (try --help)";
      return false;
    } else if (!options->file.empty()) {
      *error = "only one FILE can be shown before the show (got '" + options->file + "' and '" +
               arg + "')";
      return false;
    } else {
      options->file = arg;
    }
  }
  if (!options->render_ms.empty() && options->out_dir.empty()) {
    *error = "--render needs --out DIR";
    return false;
  }
  if (!options->probe_audio.empty() && !at_given) {
    *error = "--probe-audio needs --at MS";
    return false;
  }
  if (capture_font_given && options->capture_path.empty()) {
    *error = "--capture-font needs --capture FILE";
    return false;
  }
  // The video runs at 50 frames a second: one frame per 20 ms of show.
  if (!options->capture_path.empty() && options->fps != 50) {
    *error = "--capture records at 50 fps; leave out --fps";
    return false;
  }
  if (!options->render_ms.empty() || !options->out_dir.empty() || !options->keys_file.empty() ||
      !options->capture_path.empty()) {
    options->headless = true;
  }
  return true;
}

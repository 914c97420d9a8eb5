#include "sync/timeline_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/printable.h"
#include "sync/time_grid.h"

const char* const TIMELINE_TRACK_NAMES[TIMELINE_TRACKS] = {"scene", "part",    "time",
                                                           "var",   "overlay", "greet"};

namespace {

struct InterpName {
  const char* name;
  int32_t kind;
};
constexpr InterpName INTERP_NAMES[] = {{"step", INTERP_STEP},
                                       {"linear", INTERP_LINEAR},
                                       {"smooth", INTERP_SMOOTH},
                                       {"ramp", INTERP_QUADRATIC}};

std::vector<std::string_view> split_words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) i++;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') i++;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// Unsigned decimal digits only (no sign, no spaces), at most 9 of them.
bool parse_digits(std::string_view text, int64_t* value) {
  if (text.empty() || text.size() > 9) return false;
  *value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    *value = *value * 10 + (c - '0');
  }
  return true;
}

// Each time form yields a row or a reason; the caller adds file and line.
bool parse_row_form(std::string_view digits, int64_t* row, std::string* why) {
  bool negative = !digits.empty() && digits[0] == '-';
  if (negative) digits.remove_prefix(1);
  if (!parse_digits(digits, row)) {
    *why = "a row needs digits after 'r'";
    return false;
  }
  if (negative) *row = -*row;
  return true;
}

bool parse_seconds_form(std::string_view text, int64_t* row, std::string* why) {
  bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  size_t colon = text.find(':');
  std::string_view minutes = text.substr(0, colon);
  std::string_view rest = text.substr(colon + 1);
  size_t dot = rest.find('.');
  std::string_view seconds = rest.substr(0, dot);
  std::string_view fraction = dot == std::string_view::npos ? "" : rest.substr(dot + 1);
  int64_t m = 0, s = 0, f = 0;
  if (!parse_digits(minutes, &m) || seconds.size() != 2 || !parse_digits(seconds, &s) || s > 59 ||
      (dot != std::string_view::npos && (fraction.empty() || fraction.size() > 3 ||
                                         !parse_digits(fraction, &f)))) {
    *why = "seconds are written m:ss or m:ss.mmm";
    return false;
  }
  for (size_t i = fraction.size(); i < 3; i++) f *= 10;
  int64_t ms = (m * 60 + s) * 1000 + f;
  if (ms % MS_PER_ROW != 0) {
    *why = "is not on a whole row (times go in steps of 250 ms)";
    return false;
  }
  *row = (negative ? -ms : ms) / MS_PER_ROW;
  return true;
}

bool parse_bar_form(std::string_view text, int64_t* row, std::string* why) {
  size_t dot = text.find('.');
  int64_t bar = 0, beat = 0;
  if (!parse_digits(text.substr(0, dot), &bar) || !parse_digits(text.substr(dot + 1), &beat)) {
    *why = "bars and beats are written bar.beat";
    return false;
  }
  if (bar < 1 || beat < 1 || beat > BEATS_PER_BAR) {
    *why = "bars count from 1 and beats from 1 to 4";
    return false;
  }
  *row = ((bar - 1) * BEATS_PER_BAR + (beat - 1)) * ROWS_PER_BEAT;
  return true;
}

bool parse_time(std::string_view text, int32_t* row, std::string* why) {
  int64_t value = 0;
  bool ok;
  if (text[0] == 'r')
    ok = parse_row_form(text.substr(1), &value, why);
  else if (text.find(':') != std::string_view::npos)
    ok = parse_seconds_form(text, &value, why);
  else if (text.find('.') != std::string_view::npos)
    ok = parse_bar_form(text, &value, why);
  else {
    *why = "is not a time: write r64, 0:16.000 or bar.beat like 9.1";
    return false;
  }
  if (!ok) return false;
  // The frame driver's clock is a signed 32-bit count of milliseconds.
  if (value * MS_PER_ROW > INT32_MAX || value * MS_PER_ROW < INT32_MIN) {
    *why = "lies beyond the show's clock";
    return false;
  }
  *row = static_cast<int32_t>(value);
  return true;
}

bool parse_value(std::string_view text, float* value) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(*value);
}

bool parse_interpolation(std::string_view text, int32_t* kind) {
  for (const InterpName& entry : INTERP_NAMES)
    if (text == entry.name) {
      *kind = entry.kind;
      return true;
    }
  return false;
}

const char* interpolation_name(int32_t kind) {
  for (const InterpName& entry : INTERP_NAMES)
    if (entry.kind == kind) return entry.name;
  return nullptr;
}

}  // namespace

int timeline_track_index(std::string_view name) {
  for (int i = 0; i < TIMELINE_TRACKS; i++)
    if (name == TIMELINE_TRACK_NAMES[i]) return i;
  return -1;
}

bool timeline_parse(std::string_view text, const char* file_name, Timeline* out,
                    std::string* error) {
  int track = -1;
  std::vector<int> key_lines[TIMELINE_TRACKS];
  int line_number = 0;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // some editors start with a BOM
  auto fail = [&](const std::string& reason) {
    *error = platform_printable_text(file_name) + ":" + std::to_string(line_number) + ": " +
             platform_printable_text(reason);
    return false;
  };
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    line_number++;
    line = line.substr(0, line.find('#'));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string_view> words = split_words(line);
    if (words.empty()) continue;

    if (words[0] == "track") {
      if (words.size() != 2) return fail("write 'track NAME'");
      track = timeline_track_index(words[1]);
      if (track < 0)
        return fail("unknown track '" + std::string(words[1]) +
                    "' (scene, part, time, var, overlay, greet)");
      continue;
    }
    if (track < 0) return fail("a key before any 'track NAME' line");
    if (words.size() < 2) return fail("a key needs a time and a value");
    if (words.size() > 3) return fail("unexpected '" + std::string(words[3]) + "' after the key");

    Keyframe key{0, 0.0f, INTERP_STEP};
    std::string why;
    if (!parse_time(words[0], &key.row, &why))
      return fail("time '" + std::string(words[0]) + "' " + why);
    if (!parse_value(words[1], &key.value))
      return fail("value '" + std::string(words[1]) + "' is not a number");
    if (words.size() == 3 && !parse_interpolation(words[2], &key.interpolation))
      return fail("unknown interpolation '" + std::string(words[2]) +
                  "' (step, linear, smooth, ramp)");

    std::vector<Keyframe>& keys = out->keys[track];
    if (!keys.empty() && key.row <= keys.back().row) {
      std::string where = " (line " + std::to_string(key_lines[track].back()) + ")";
      if (key.row == keys.back().row)
        return fail("row " + std::to_string(key.row) + " repeats the previous key" + where);
      return fail("row " + std::to_string(key.row) + " comes before row " +
                  std::to_string(keys.back().row) + where + "; keys must ascend");
    }
    keys.push_back(key);
    key_lines[track].push_back(line_number);
  }
  return true;
}

std::string timeline_time_text(int32_t row) {
  if (row < 0) return "r" + std::to_string(row);
  int64_t ms = row * MS_PER_ROW;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", static_cast<long long>(ms / 60000),
                static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
  return text;
}

std::string timeline_track_text(const char* name, const Keyframe* keys, int32_t count) {
  std::string out = std::string("track ") + name + "\n";
  if (count == 0) out += "  # no keys: evaluates to 0 everywhere\n";
  for (int32_t i = 0; i < count; i++) {
    char value[32];
    auto result = std::to_chars(value, value + sizeof value, keys[i].value);
    *result.ptr = '\0';
    const char* kind = interpolation_name(keys[i].interpolation);
    std::string kind_text = kind ? kind : std::to_string(keys[i].interpolation);
    char line[160];
    std::snprintf(line, sizeof line, "  %-10s %-8s %-7s # r%d", timeline_time_text(keys[i].row).c_str(),
                  value, kind_text.c_str(), keys[i].row);
    out += line;
    if (keys[i].row >= 0 && keys[i].row % ROWS_PER_BEAT == 0) {
      int32_t beats = keys[i].row / ROWS_PER_BEAT;
      out += ", bar " + std::to_string(beats / BEATS_PER_BAR + 1) + "." +
             std::to_string(beats % BEATS_PER_BAR + 1);
    }
    if (!kind) out += ", unknown interpolation: 0 until the next key";
    out += "\n";
  }
  return out;
}

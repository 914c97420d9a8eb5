#include "tools/musicgen/song.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/printable.h"

namespace {
struct Reader {
  const char* path;
  int line = 0;
  bool fail(const std::string& what) const {
    std::fprintf(stderr, "musicgen:%s:%d: %s\n", platform_printable_text(path).c_str(), line,
                 platform_printable_text(what).c_str());
    return false;
  }
};

// Finite only: "nan" or "inf" would turn into silence or noise far downstream.
bool parse_float(const std::string& s, float* out) {
  char* end = nullptr;
  *out = std::strtof(s.c_str(), &end);
  return !s.empty() && *end == '\0' && std::isfinite(*out);
}

bool parse_int(const std::string& s, int* out) {
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, 10);
  *out = static_cast<int>(v);
  return !s.empty() && *end == '\0' && v > -100000 && v < 100000;
}

// "0.4>0.9" ramps, "0.7" stays.
bool parse_ramp(const std::string& s, Ramp* ramp) {
  size_t arrow = s.find('>');
  if (arrow == std::string::npos) {
    if (!parse_float(s, &ramp->from)) return false;
    ramp->to = ramp->from;
    return true;
  }
  return parse_float(s.substr(0, arrow), &ramp->from) && parse_float(s.substr(arrow + 1), &ramp->to);
}

// "24-39" or a single bar "24".
bool parse_bars(const std::string& s, int* first, int* last) {
  size_t dash = s.find('-', 1);
  if (dash == std::string::npos) return parse_int(s, first) && parse_int(s, last) && *first >= 0;
  return parse_int(s.substr(0, dash), first) && parse_int(s.substr(dash + 1), last) && *first >= 0 &&
         *last >= *first;
}

bool parse_step(const std::string& tok, Step* step) {
  if (tok == ".") return step->kind = Step::Rest, true;
  if (tok == "-") return step->kind = Step::Hold, true;
  step->kind = Step::Strike;
  if (tok == "x" || tok == "X") {
    step->velocity = tok == "x" ? 0.7f : 1.0f;
    step->notes[0] = 60;
    step->count = 1;
    return true;
  }
  std::stringstream chord(tok);
  std::string part;
  while (std::getline(chord, part, '+')) {
    int midi = song_note(part);
    if (midi < 0 || step->count == MAX_CHORD) return false;
    step->notes[step->count++] = midi;
  }
  return step->count > 0;
}

template <typename T>
int find_named(const std::vector<T>& list, const std::string& name) {
  for (size_t i = 0; i < list.size(); i++)
    if (list[i].name == name) return static_cast<int>(i);
  return -1;
}
}  // namespace

int song_note(const std::string& text) {
  static const int semitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (text.size() < 2 || text[0] < 'A' || text[0] > 'G') return -1;
  int n = semitone[text[0] - 'A'];
  size_t at = 1;
  if (text[at] == '#') n++, at++;
  else if (text[at] == 'b') n--, at++;
  if (at + 1 != text.size() || text[at] < '0' || text[at] > '8') return -1;
  return n + 12 * (text[at] - '0' + 1);
}

bool song_load(const char* path, Song* song) {
  *song = Song{};
  Reader rd{path};
  std::ifstream in(path);
  if (!in) return rd.fail("cannot open");
  std::string text;
  Pattern* open_pattern = nullptr;
  while (std::getline(in, text)) {
    rd.line++;
    // A comment starts with a '#' that begins a word ('#' inside C#4 is a sharp).
    for (size_t i = 0; i < text.size(); i++)
      if (text[i] == '#' && (i == 0 || text[i - 1] == ' ' || text[i - 1] == '\t')) {
        text.resize(i);
        break;
      }
    std::istringstream words(text);
    std::vector<std::string> w;
    for (std::string s; words >> s;) w.push_back(s);
    if (w.empty()) continue;
    if (open_pattern) {
      if (w[0] == "end") {
        if (open_pattern->steps.empty()) return rd.fail("empty pattern");
        open_pattern = nullptr;
        continue;
      }
      if (w.size() != STEPS_PER_BAR) return rd.fail("a pattern bar needs 16 steps");
      for (const auto& tok : w) {
        Step step;
        if (!parse_step(tok, &step)) return rd.fail("bad step '" + tok + "'");
        open_pattern->steps.push_back(step);
      }
      continue;
    }
    if (w[0] == "tempo" && w.size() == 2) {
      float bpm;
      if (!parse_float(w[1], &bpm) || bpm < 20 || bpm > 400) return rd.fail("bad tempo");
      song->bpm = bpm;
    } else if (w[0] == "bars" && w.size() == 2) {
      if (!parse_int(w[1], &song->bars) || song->bars <= 0 || song->bars > 1000) return rd.fail("bad bar count");
    } else if (w[0] == "instrument" && w.size() >= 3) {
      Instrument ins;
      ins.name = w[1];
      if (!voice_from_name(w[2], &ins.voice)) return rd.fail("unknown voice '" + w[2] + "'");
      for (size_t i = 3; i < w.size(); i++) {
        size_t eq = w[i].find('=');
        std::string key = w[i].substr(0, eq);
        float value;
        if (eq == std::string::npos || !parse_float(w[i].substr(eq + 1), &value)) return rd.fail("bad setting '" + w[i] + "'");
        float* field = key == "gain" ? &ins.gain : key == "pan" ? &ins.pan : key == "cutoff" ? &ins.cutoff
                     : key == "echo" ? &ins.echo : key == "reverb" ? &ins.reverb : key == "duck" ? &ins.duck : nullptr;
        if (!field) return rd.fail("unknown setting '" + key + "'");
        *field = value;
      }
      if (find_named(song->instruments, ins.name) >= 0) return rd.fail("instrument defined twice");
      song->instruments.push_back(ins);
    } else if (w[0] == "pattern" && w.size() == 2) {
      if (find_named(song->patterns, w[1]) >= 0) return rd.fail("pattern defined twice");
      song->patterns.push_back(Pattern{w[1], {}});
      open_pattern = &song->patterns.back();
    } else if (w[0] == "play" && w.size() >= 4 && w.size() <= 6) {
      Play p;
      if (!parse_bars(w[1], &p.first_bar, &p.last_bar)) return rd.fail("bad bar range");
      if ((p.instrument = find_named(song->instruments, w[2])) < 0) return rd.fail("unknown instrument '" + w[2] + "'");
      if ((p.pattern = find_named(song->patterns, w[3])) < 0) return rd.fail("unknown pattern '" + w[3] + "'");
      if (w.size() >= 5 && !parse_ramp(w[4], &p.gain)) return rd.fail("bad gain");
      if (w.size() == 6 && !parse_int(w[5], &p.transpose)) return rd.fail("bad transpose");
      song->plays.push_back(p);
    } else if (w[0] == "master" && w.size() == 3) {
      MasterGain m;
      if (!parse_bars(w[1], &m.first_bar, &m.last_bar) || !parse_ramp(w[2], &m.gain)) return rd.fail("bad master gain");
      song->master.push_back(m);
    } else {
      return rd.fail("cannot read '" + w[0] + "' line");
    }
  }
  if (open_pattern) return rd.fail("pattern '" + open_pattern->name + "' has no end");
  if (song->bars == 0) return rd.fail("no bar count");
  return true;
}

#pragma once
// The soundtrack's readable source: instruments, patterns of sixteenth-note
// steps, and the arrangement that plays patterns over ranges of bars.
#include <string>
#include <vector>

#include "tools/musicgen/synth.h"

constexpr int STEPS_PER_BAR = 16;

// One step of a pattern: a note or chord, a drum hit, a hold or a rest.
struct Step {
  enum Kind { Rest, Hold, Strike } kind = Rest;
  int notes[MAX_CHORD] = {};
  int count = 0;
  float velocity = 1.0f;
};

struct Pattern {
  std::string name;
  std::vector<Step> steps;  // a whole number of bars
};

// A gain that moves linearly from `from` at the first bar to `to` at the end of the last.
struct Ramp {
  float from = 1.0f, to = 1.0f;
};

struct Play {
  int first_bar = 0, last_bar = 0;  // inclusive
  int instrument = 0, pattern = 0;
  Ramp gain;
  int transpose = 0;
};

struct MasterGain {
  int first_bar = 0, last_bar = 0;
  Ramp gain;
};

struct Song {
  double bpm = 120.0;
  int bars = 0;
  std::vector<Instrument> instruments;
  std::vector<Pattern> patterns;
  std::vector<Play> plays;
  std::vector<MasterGain> master;
};

// False, after one line on stderr naming the file and line, on any error.
bool song_load(const char* path, Song* song);
// Parses "A4", "C#3", "Bb2" into a MIDI note number; -1 when it is not one.
int song_note(const std::string& text);

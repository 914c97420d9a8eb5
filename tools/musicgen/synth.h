#pragma once
// The soundtrack's instruments: one function renders one note of a voice.
// Everything is computed from the note alone (noise from a seeded sequence),
// so a render is the same on every run.
#include <cstdint>
#include <string>

constexpr int SYNTH_RATE = 44100;
constexpr int MAX_CHORD = 6;

enum class Voice { Kick, Snare, Hat, OpenHat, Crash, Bass, Lead, Pad, Pluck, Riser, Supersaw };

struct Instrument {
  std::string name;
  Voice voice = Voice::Pad;
  float gain = 1.0f;
  float pan = 0.0f;       // -1 left .. 1 right
  float cutoff = 2000.0f; // filter frequency the voice's envelope works around (Hz)
  float echo = 0.0f;      // send to the ping-pong echo
  float reverb = 0.0f;    // send to the reverb
  float duck = 0.0f;      // how far the kick pushes this instrument down
};

struct NoteEvent {
  int64_t start = 0;   // frame
  int64_t length = 0;  // frames until release
  int notes[MAX_CHORD] = {};  // MIDI note numbers
  int count = 0;
  float velocity = 1.0f;
};

// Parses "kick", "pad"...; false for an unknown name.
bool voice_from_name(const std::string& name, Voice* voice);
// Frames a voice keeps sounding after its note is released.
int64_t voice_tail(Voice voice);
// Adds the note into stereo[] (interleaved, total frames long).
void voice_render(const Instrument& ins, const NoteEvent& note, float* stereo, int64_t total);

#pragma once
// Held messages pass through here on their way out. A sound library that
// finds no device says so in many lines of its own ("ALSA lib conf.c:...
// cannot find card '0'"); the sound device reports the same thing in one
// line of ours (MSG_NO_SOUND_DEVICE), so those lines are dropped unless
// KOLV17_DEBUG=1 asks for them. Every other byte passes unchanged and in order. No allocation: the
// filter runs while the terminal is given back, possibly in a signal handler.
#include <cstddef>
#include <cstdint>

using MessageSink = void (*)(void* context, const char* bytes, size_t count);

struct MessageFilter {
  bool keep_all;     // KOLV17_DEBUG=1: nothing is dropped
  uint8_t state;     // deciding, keeping or dropping the current line
  uint8_t held;      // bytes of the current line's start kept while deciding
  char start[16];
};

// Whether KOLV17_DEBUG=1 is set (read outside signal handlers).
bool message_filter_debug();
void message_filter_begin(MessageFilter* filter, bool keep_all);
// Passes on `bytes` less the dropped lines; a line may come in pieces.
void message_filter_feed(MessageFilter* filter, const char* bytes, size_t count, MessageSink sink,
                         void* context);
// Passes on a line start still being decided when the text ends.
void message_filter_end(MessageFilter* filter, MessageSink sink, void* context);

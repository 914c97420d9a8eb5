#pragma once
// The sound device: SDL audio at MUSIC_RATE stereo, pulling from the source
// the music gives it. The callback runs on SDL's own thread;
// everything it touches is changed only between dev_lock and dev_unlock.
#include <cstdint>

#include "audio/music_types.h"

// Said on stderr when no real device opened; the sound library's own lines
// about its search are dropped from the held messages in its favour.
constexpr char MSG_NO_SOUND_DEVICE[] =
    "kolv17: no sound device; the show ran silent (--no-audio skips the search)";

// Opens the device once; the silent driver when asked or when no real
// device opens. False only when not even the silent driver starts.
bool dev_open(bool silent);
void dev_lock();
void dev_unlock();
// Under the lock: what plays (at most one of them; both null: silence).
void dev_set_source(mpg123_handle* mp3, openmpt_module* mod);
// Under the lock: the music now continues from this frame (start, seek).
void dev_set_music_frame(int64_t frame);
// Under the lock: a seek went past the end, which stays the position.
void dev_set_ended(int64_t end_frame);
// While detached the device plays silence and leaves the music alone: the
// music then follows the demo clock instead. Takes the lock itself.
void dev_detach(bool detached);
// Under the lock: forget the samples of music that was stopped.
void dev_clear_history();
// Music frame being heard now.
int64_t dev_heard_frame();
// The last MUSIC_FFT_SIZE mono samples heard, oldest first.
void dev_heard_window(float* mono);

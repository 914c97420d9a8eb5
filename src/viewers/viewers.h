#pragma once
// The two viewers a file named on the command line opens before the show:
// GML drawings are replayed, anything else is shown as a picture.
#include <cstdint>

// Replay length and the replay time of one GML time unit.
constexpr uint32_t GML_REPLAY_MS = 16000;
constexpr float GML_TIME_SCALE_MS = 500.0f;

// Set by the runtime for runs without a terminal: no key is waited for, and
// the picture viewer returns after its first presented frame.
extern bool viewer_headless;

// The smoothed stroke width; lives as long as the program.
extern float brush_smooth;

// Runs the viewer the name asks for. The name reaches the viewer as typed;
// only a copy of its last four characters is put in capitals to test for
// ".GML". Names shorter than four characters go to the picture viewer.
void viewer_dispatch(const char* arg);
void gml_view(const char* path);
void image_view(const char* path);

// Waits for one key press and reads it; returns at once when headless.
void viewer_wait_key();

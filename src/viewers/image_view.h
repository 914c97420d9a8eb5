#pragma once
// Shows a picture through the text-mode conversion until a key is pressed.

// Loads the picture, composites it at the frame's top-left corner and
// presents until a key is waiting. The key is left for the main loop.
// Headless runs return after the first presented frame.
void image_view(const char* path);

#include "common/frame.h"

namespace {
Pixel frame_storage[FRAME_PIXELS];
}

Pixel* frame_buffer = frame_storage;

#pragma once
// Writes track files in the layout the show reads.
#include <cstdint>
#include <string>

#include "sync/track.h"

// The file's bytes: count, then 9 bytes per key.
std::string track_file_bytes(const Keyframe* keys, int32_t count);
// Writes bytes to path; false with "path: reason" when that fails.
bool file_write(const std::string& path, const std::string& bytes, std::string* error);

#pragma once
// Writes everything to a descriptor, retrying after signals; async-signal-safe
// (the terminal restore runs it from signal handlers).
#include <cstddef>

void fd_write_all(int fd, const char* bytes, size_t count);

#pragma once
// Writes everything to a descriptor: short writes go on with the rest, EINTR
// is retried and EAGAIN waits in poll until the descriptor takes more, never
// spinning. Async-signal-safe (the terminal restore runs it from signal
// handlers).
#include <cstddef>
#include <cstdint>

enum class FdWrite : uint8_t {
  Whole,  // every byte went out
  Cut,    // an error stopped it part way; the descriptor may still work
  Gone,   // the other side is gone for good (EIO, EPIPE and the like); errno tells which
};

// `written`, when given, receives how many bytes went out.
FdWrite fd_write_all(int fd, const char* bytes, size_t count, size_t* written = nullptr);

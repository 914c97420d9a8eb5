#include "platform/message_filter.h"

#include <cstdlib>
#include <cstring>

namespace {

enum : uint8_t { DECIDING, KEEPING, DROPPING };

// How the sound library's device lines begin.
constexpr char LIBRARY_PREFIX[] = "ALSA lib ";
constexpr size_t PREFIX_LENGTH = sizeof LIBRARY_PREFIX - 1;
static_assert(PREFIX_LENGTH <= sizeof MessageFilter::start);

}  // namespace

bool message_filter_debug() {
  const char* value = std::getenv("KOLV17_DEBUG");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

void message_filter_begin(MessageFilter* filter, bool keep_all) {
  filter->keep_all = keep_all;
  filter->state = DECIDING;
  filter->held = 0;
}

void message_filter_feed(MessageFilter* filter, const char* bytes, size_t count, MessageSink sink,
                         void* context) {
  if (filter->keep_all) {
    sink(context, bytes, count);
    return;
  }
  size_t run = 0;  // start of the bytes kept but not yet passed on
  for (size_t i = 0; i < count; ++i) {
    const char c = bytes[i];
    if (filter->state == DECIDING) {
      if (c == LIBRARY_PREFIX[filter->held]) {
        filter->start[filter->held++] = c;
        run = i + 1;
        if (filter->held == PREFIX_LENGTH) filter->state = DROPPING;
        continue;
      }
      // Not the library's: what was held back belongs to an ordinary line.
      if (filter->held > 0) sink(context, filter->start, filter->held);
      filter->held = 0;
      filter->state = KEEPING;
      run = i;
    }
    if (c != '\n') continue;
    if (filter->state == KEEPING) sink(context, bytes + run, i + 1 - run);
    filter->state = DECIDING;
    filter->held = 0;
    run = i + 1;
  }
  if (filter->state == KEEPING && run < count) sink(context, bytes + run, count - run);
}

void message_filter_end(MessageFilter* filter, MessageSink sink, void* context) {
  if (filter->state == DECIDING && filter->held > 0) sink(context, filter->start, filter->held);
  filter->state = DECIDING;
  filter->held = 0;
}

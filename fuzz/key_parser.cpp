// Arbitrary terminal input, with arbitrary pauses between bytes: the parser
// must never emit a half key (a 224 or 0 prefix without a second code the
// key table knows) nor anything outside the console's key codes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/key_parser.h"

namespace {

void drain_and_check(KeyQueue* q) {
  for (int code; (code = key_queue_pop(q)) >= 0;) {
    if (code == KEY_EXTENDED || code == KEY_FUNCTION) {
      if (key_action_of(code, key_queue_pop(q)) == KeyAction::None) std::abort();
    } else if (code < 1 || code > 126) {
      std::abort();
    }
  }
}

}  // namespace

// Odd bytes are input; an even byte b is a pause of b/2 ms.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  KeyParser parser;
  key_parser_reset(&parser);
  KeyQueue queue{};
  uint32_t now = 0;
  for (size_t i = 0; i + 1 < size; i += 2) {
    if (data[i] & 1) {
      key_parser_feed(&parser, data[i + 1], now, &queue);
    } else {
      now += data[i + 1] / 2u;
      key_parser_idle(&parser, now, &queue);
    }
    if (queue.count > KEY_QUEUE_SIZE / 2) drain_and_check(&queue);
  }
  key_parser_end(&parser, &queue);
  drain_and_check(&queue);
  return 0;
}

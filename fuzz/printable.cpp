// Any bytes through the escaping of outside text: what comes out must be
// valid UTF-8 (checked by the C library's own decoder) without a control
// character, C0, DEL or C1, in it.
#include <clocale>
#include <cstdint>
#include <cwchar>
#include <string>
#include <string_view>

#include "platform/printable.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!std::setlocale(LC_CTYPE, "C.UTF-8")) __builtin_trap();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string out =
      platform_printable_text(std::string_view(reinterpret_cast<const char*>(data), size));
  std::mbstate_t state{};
  for (size_t at = 0; at < out.size();) {
    wchar_t c = 0;
    const size_t length = std::mbrtowc(&c, out.data() + at, out.size() - at, &state);
    if (length == 0 || length > out.size() - at) __builtin_trap();  // NUL, invalid or cut short
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) __builtin_trap();
    at += length;
  }
  return 0;
}

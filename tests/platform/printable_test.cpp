#include "platform/printable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string printable(const std::string& text) { return platform_printable_text(text); }

}  // namespace

TEST(PrintableText, TerminalSequencesBecomeReadableEscapes) {
  EXPECT_EQ(printable("evil\033]0;PWNED\007\033[2J.gml"), "evil\\e]0;PWNED\\a\\e[2J.gml");
  // OSC 52 would fill the clipboard with the base64 payload.
  EXPECT_EQ(printable("\033]52;c;cm0gLXJmIH4K\033\\x"), "\\e]52;c;cm0gLXJmIH4K\\e\\x");
  // Line ends, tabs and the rest of C0 and DEL: a name holding them shows them.
  EXPECT_EQ(printable("a\tb\nc\rd\b\f\v"), "a\\tb\\nc\\rd\\b\\f\\v");
  EXPECT_EQ(printable(std::string("\0\001\037\177", 4)), "\\u0000\\u0001\\u001f\\u007f");
  // C1 controls written as UTF-8 are controls too: U+009B is CSI.
  EXPECT_EQ(printable("\xC2\x9B" "2J \xC2\x80 \xC2\x9F"), "\\u009b2J \\u0080 \\u009f");
}

TEST(PrintableText, BytesThatAreNotUtf8ShowAsHex) {
  EXPECT_EQ(printable("\x9B" "2J"), "\\x9b2J");  // a lone CSI byte
  EXPECT_EQ(printable("\xFF\xFE"), "\\xff\\xfe");
  EXPECT_EQ(printable("\xC0\xAF"), "\\xc0\\xaf");          // overlong '/'
  EXPECT_EQ(printable("\xED\xA0\x80"), "\\xed\\xa0\\x80");  // a surrogate
  EXPECT_EQ(printable("\xF4\x90\x80\x80"), "\\xf4\\x90\\x80\\x80");  // past U+10FFFF
  // A sequence cut short: its lead shows as hex, what follows is read afresh.
  EXPECT_EQ(printable("\xE2\x82" "A\xC3"), "\\xe2\\x82A\\xc3");
}

TEST(PrintableText, OrdinaryNamesAreUnchanged) {
  // Letters whose continuation bytes lie in 0x80-0x9F (Ā is C4 80) are not C1.
  for (const char* name :
       {"naïve Ābc picture.tga", "/home/user/My Drawings/tag (1).gml", "", "back\\slash",
        "\xE2\x82\xAC \xF0\x9F\x98\x80 \xE4\xB8\x80 \xEF\xBF\xBF \xF4\x8F\xBF\xBF \xC4\x9B"}) {
    EXPECT_EQ(printable(name), name);
  }
}

// Whatever goes in, what comes out is valid UTF-8 with no control in it.
TEST(PrintableText, EveryTwoByteInputComesOutClean) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::string out = printable(std::string{static_cast<char>(a), static_cast<char>(b)});
      for (unsigned char c : out) ASSERT_TRUE(c >= 0x20 && c != 0x7F) << a << " " << b;
      for (size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c == 0xC2) {
          ASSERT_GE(static_cast<unsigned char>(out[i + 1]), 0xA0) << a << " " << b;
        }
      }
    }
  }
}

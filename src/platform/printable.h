#pragma once
// Text from outside the program (file names, words read from files) made safe
// to print on a terminal. A name can hold escape sequences that would set the
// title, clear the screen, fill the clipboard or make the terminal type
// something back; printed through this, such a name is harmless and readable.
#include <string>
#include <string_view>

// Returns `text` with every control character written as a visible escape:
// C0 controls and DEL (newline and tab too) as \a \b \t \n \v \f \r \e or
// \u00NN, the C1 controls U+0080-U+009F as \u00NN, and each byte that is not
// part of valid UTF-8 as \xNN. Everything else, letters of any script
// included, passes unchanged. The result is valid UTF-8 without controls.
std::string platform_printable_text(std::string_view text);

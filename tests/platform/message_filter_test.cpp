#include <gtest/gtest.h>

#include <string>

#include "audio/device.h"
#include "platform/message_filter.h"

namespace {

void append(void* text, const char* bytes, size_t count) { static_cast<std::string*>(text)->append(bytes, count); }

// The held text as it comes out, fed in pieces of `piece` bytes.
std::string filtered(const std::string& held, size_t piece, bool keep_all = false) {
  MessageFilter filter;
  message_filter_begin(&filter, keep_all);
  std::string out;
  for (size_t at = 0; at < held.size(); at += piece)
    message_filter_feed(&filter, held.data() + at, std::min(piece, held.size() - at), append, &out);
  message_filter_end(&filter, append, &out);
  return out;
}

const std::string ours = std::string(MSG_NO_SOUND_DEVICE) + "\n";

// What a run without a sound card holds: a reader's report, the sound
// library's search, our line, a message of another library, and a last line
// with no line end.
const std::string held =
    "Tga:src/image/tgaread.cpp:114: Unknown sub-format\n"
    "ALSA lib confmisc.c:855:(parse_card) cannot find card '0'\n"
    "ALSA lib conf.c:5178:(_snd_config_evaluate) function snd_func_card_inum returned error: No such file\n"
    "ALSA lib pcm.c:2664:(snd_pcm_open_noupdate) Unknown PCM default\n" +
    ours +
    "\n"
    "ALSA li\n"
    "  ALSA lib indented, so not the library's\n"
    "sync failed!\n"
    "EEEEEEEEEEEK!!!     file not found!!";

}  // namespace

TEST(MessageFilter, LibraryDeviceLinesGiveWayToOursAndTheRestStaysInOrder) {
  const std::string expected =
      "Tga:src/image/tgaread.cpp:114: Unknown sub-format\n" + ours +
      "\n"
      "ALSA li\n"
      "  ALSA lib indented, so not the library's\n"
      "sync failed!\n"
      "EEEEEEEEEEEK!!!     file not found!!";
  // Lines split anywhere across reads, down to a byte at a time.
  for (size_t piece : {size_t{1}, size_t{3}, size_t{7}, size_t{4096}}) {
    EXPECT_EQ(filtered(held, piece), expected) << "pieces of " << piece;
  }
  EXPECT_EQ(filtered("ALSA l", 2), "ALSA l") << "a start still undecided at the end is kept";
  EXPECT_EQ(filtered("ALSA lib no line end", 5), "");
  EXPECT_EQ(filtered(held, 5, true), held) << "debugging keeps everything";
}

#include "tools/musicgen/mp3_writer.h"

#include <lame/lame.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/printable.h"

namespace {
constexpr int CHUNK = 8192;

bool write_all(FILE* f, const unsigned char* bytes, size_t n) { return std::fwrite(bytes, 1, n, f) == n; }
}  // namespace

bool mp3_write(const char* path, const float* stereo, int64_t frames, int kbps) {
  // Written beside the target and renamed over it when complete, so a
  // player that opens the file meanwhile never sees half of it.
  const std::string part = std::string(path) + ".part";
  FILE* f = std::fopen(part.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "musicgen:%s: cannot write\n", platform_printable_text(path).c_str());
    return false;
  }
  lame_global_flags* lame = lame_init();
  lame_set_in_samplerate(lame, 44100);
  lame_set_out_samplerate(lame, 44100);
  lame_set_num_channels(lame, 2);
  lame_set_mode(lame, JOINT_STEREO);
  lame_set_brate(lame, kbps);
  lame_set_VBR(lame, vbr_off);
  lame_set_quality(lame, 2);
  lame_set_write_id3tag_automatic(lame, 0);  // no tag: the bytes depend on the samples alone
  lame_set_bWriteVbrTag(lame, 1);            // the info frame carries delay and padding
  bool ok = lame_init_params(lame) >= 0;
  std::vector<unsigned char> out(static_cast<size_t>(1.25 * CHUNK + 7200));
  for (int64_t at = 0; ok && at < frames; at += CHUNK) {
    int n = static_cast<int>(frames - at < CHUNK ? frames - at : CHUNK);
    int bytes = lame_encode_buffer_interleaved_ieee_float(lame, stereo + 2 * at, n, out.data(),
                                                          static_cast<int>(out.size()));
    ok = bytes >= 0 && write_all(f, out.data(), static_cast<size_t>(bytes));
  }
  if (ok) {
    int bytes = lame_encode_flush(lame, out.data(), static_cast<int>(out.size()));
    ok = bytes >= 0 && write_all(f, out.data(), static_cast<size_t>(bytes));
  }
  if (ok) {
    // The info frame is reserved as the first frame; fill it in now.
    size_t tag = lame_get_lametag_frame(lame, out.data(), out.size());
    ok = tag > 0 && tag <= out.size() && std::fseek(f, 0, SEEK_SET) == 0 && write_all(f, out.data(), tag);
  }
  lame_close(lame);
  if (std::fclose(f) != 0) ok = false;
  if (ok) ok = std::rename(part.c_str(), path) == 0;
  if (!ok) {
    std::remove(part.c_str());
    std::fprintf(stderr, "musicgen:%s: encoding failed\n", platform_printable_text(path).c_str());
  }
  return ok;
}

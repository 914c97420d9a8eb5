// The show's frames allocate nothing: this program replaces the C allocator
// (every library's malloc, and operator new through it, comes here) and
// counts calls while the whole show runs a second time, headless.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "audio/music.h"
#include "display/console.h"
#include "display/lookup_tables.h"
#include "assets/assets.h"
#include "runtime/demo.h"
#include "runtime/show_tracks.h"
#include "runtime/frame_driver.h"
#include "support/requirements.h"
#include "support/skip_policy.h"

// The sanitizers bring their own allocator; there the count is not taken.
#if defined(__SANITIZE_ADDRESS__)
#define KOLV_COUNT_ALLOCATIONS 0
#else
#define KOLV_COUNT_ALLOCATIONS 1
#endif

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

[[maybe_unused]] void note_allocation() {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

#if KOLV_COUNT_ALLOCATIONS
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
}

extern "C" {
void* malloc(size_t size) {
  note_allocation();
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  note_allocation();
  return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
  note_allocation();
  return __libc_realloc(block, size);
}
void* memalign(size_t alignment, size_t size) {
  note_allocation();
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
  note_allocation();
  *out = __libc_memalign(alignment, size);
  return *out != nullptr ? 0 : ENOMEM;
}
void* aligned_alloc(size_t alignment, size_t size) {
  note_allocation();
  return __libc_memalign(alignment, size);
}
}
#endif

namespace {

constexpr int32_t FRAME_MS = 40;  // 25 fps keeps the test short; every scene is still met
constexpr int32_t SHOW_MS = 175000;  // the last frame before the end scene's stop

void play_show() {
  for (int32_t t = 0; t < SHOW_MS; t += FRAME_MS) {
    music_follow(t);
    demo_frame(t);
  }
}

}  // namespace

TEST(FrameAllocations, TheWholeShowAllocatesNothingOnceItHasRunOnce) {
  if (!KOLV_COUNT_ALLOCATIONS) GTEST_SKIP() << SKIP_SANITIZED_ALLOCATOR;
  KOLV_REQUIRE_DATA();
  con_configure({ColorMode::TrueColor, true});
  frame_buffer = demo_create_frame_buffer();
  con_setup(80, 50, 1);
  demo_request_tracks();
  cell_load_tables();
  asset_load_all();
  asset_build_extras();
  music_follow_clock(true);
  music_start(MUSIC_PATH);

  // The count sees what any library allocates.
  counting = true;
  void* volatile probe = std::malloc(16);
  std::free(probe);
  int* volatile through_new = new int[4];  // operator new lives in libstdc++
  delete[] through_new;
  counting = false;
  ASSERT_EQ(allocations.exchange(0), 2);

  play_show();  // first use of every scene, effect and picture
  counting = true;
  play_show();
  counting = false;

  EXPECT_EQ(allocations.load(), 0) << "allocations during " << SHOW_MS / FRAME_MS << " frames";

  asset_free_all();
  asset_free_extras();
  music_stop();
}

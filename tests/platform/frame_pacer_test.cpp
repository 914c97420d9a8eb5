#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

#include "platform/clock.h"
#include "platform/frame_pacer.h"
#include "platform/keys.h"

// The pacer runs on a clock of the test's own: time moves only when a frame
// is drawn or the pacer sleeps, so the counts hold on any machine.
namespace {

int64_t now = 0;
int64_t oversleep = 0;      // how late each sleep wakes, as a busy machine would
int64_t key_at = -1;        // when a typed key arrives; -1: none
bool key_pending = false;
std::string events;         // what happened, in order

int64_t fake_now() { return now; }

Wake fake_wait(int64_t deadline, bool keys) {
  if (keys && key_pending) return Wake::Input;
  if (keys && key_at >= 0 && key_at < deadline) {
    now = key_at > now ? key_at : now;
    key_at = -1;
    key_pending = true;
    return Wake::Input;
  }
  if (deadline > now) now = deadline + oversleep;
  return Wake::Deadline;
}

const PaceClock fake{fake_now, fake_wait};

bool take_key() {
  key_pending = false;
  events += "key@" + std::to_string(now / 1000) + " ";
  return false;
}

bool take_escape() {
  key_pending = false;
  events += "escape ";
  return true;
}

void reset_clock() {
  now = 0;
  oversleep = 0;
  key_at = -1;
  key_pending = false;
  events.clear();
}

// Frames started within the first second, each costing `draw_us` to draw.
int frames_in_one_second(int cap, int64_t draw_us) {
  FramePacer pacer{};
  pacer_set_rate(&pacer, cap);
  int frames = 0;
  while (now < 1000000) {
    ++frames;
    now += draw_us + (frames % 3) * 1000;  // uneven frames
    pacer_wait(&pacer, fake, take_key);
  }
  return frames;
}

}  // namespace

TEST(FramePacer, HoldsTheCapWhateverEachFrameCosts) {
  for (int cap : {60, 30}) {
    for (int64_t draw_us : {500, 9000}) {
      for (int64_t late : {0, 1500}) {
        reset_clock();
        oversleep = late;
        int frames = frames_in_one_second(cap, draw_us);
        EXPECT_NEAR(frames, cap, cap / 10) << "cap " << cap << ", draw " << draw_us << " us, late " << late;
      }
    }
  }
  // No cap: no sleeping at all.
  reset_clock();
  FramePacer free{};
  pacer_set_rate(&free, 0);
  pacer_wait(&free, fake, take_key);
  EXPECT_EQ(now, 0);
}

// A key typed 5 ms into a 33 ms sleep is handled then, and the next frame
// still comes on time; Escape ends the sleep at once.
TEST(FramePacer, KeyArrivingMidSleepIsHandledBeforeTheNextFrame) {
  reset_clock();
  FramePacer pacer{};
  pacer_set_rate(&pacer, 30);
  pacer_wait(&pacer, fake, take_key);  // first frame done at 0: next due at 33 ms
  events += "frame@" + std::to_string(now / 1000) + " ";
  key_at = now + 5000;
  pacer_wait(&pacer, fake, take_key);
  events += "frame@" + std::to_string(now / 1000);
  EXPECT_EQ(events, "frame@33 key@38 frame@66");

  events.clear();
  key_at = now + 5000;
  pacer_wait(&pacer, fake, take_escape);
  EXPECT_EQ(events, "escape ");
  EXPECT_EQ(now, 71666) << "the sleep ends with the Escape";
}

// After a suspend the clock may leap either way: no burst of catch-up frames
// forward, no long sleep backward.
TEST(FramePacer, ClockLeapsNeitherSpinNorOversleep) {
  reset_clock();
  FramePacer pacer{};
  pacer_set_rate(&pacer, 60);
  pacer_wait(&pacer, fake, take_key);
  now += 10 * 1000000;  // ten seconds ahead
  const int64_t leap = now;
  pacer_wait(&pacer, fake, take_key);
  EXPECT_EQ(now, leap) << "the frame that is overdue comes at once";
  pacer_wait(&pacer, fake, take_key);
  EXPECT_EQ(now, leap + 16666) << "then the cap holds again: no burst of catch-up frames";

  now -= 10 * 1000000;  // and back
  const int64_t back = now;
  pacer_wait(&pacer, fake, take_key);
  EXPECT_LE(now - back, 16667);
}

namespace {
void on_test_signal(int) {}
}  // namespace

// The real sleep: a byte on the key source or a signal ends it long before
// its deadline; with keys not wanted the byte stays unread.
TEST(KeyWait, WakesForInputAndSignals) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  key_set_source(fds[0]);
  std::thread typist([&] {
    usleep(50000);
    (void)!write(fds[1], "a", 1);
  });
  // The wake and how long it took, for a wait of `us`.
  auto wait = [](int64_t us, bool keys) {
    const int64_t start = clock_real_us();
    const Wake wake = key_wait_until(start + us, keys);
    return std::pair(wake, clock_real_us() - start);
  };
  auto [wake, took] = wait(5000000, true);
  EXPECT_TRUE(wake == Wake::Input && took < 4000000) << took;
  typist.join();
  EXPECT_EQ(key_read(), 'a');

  (void)!write(fds[1], "b", 1);
  std::tie(wake, took) = wait(30000, false);
  EXPECT_TRUE(wake == Wake::Deadline && took >= 30000) << took;
  EXPECT_EQ(key_read(), 'b') << "the byte waited for later";

  struct sigaction sa {};
  sa.sa_handler = on_test_signal;
  struct sigaction old {};
  sigaction(SIGUSR1, &sa, &old);
  pthread_t waiter = pthread_self();
  std::thread sender([waiter] {
    usleep(50000);
    pthread_kill(waiter, SIGUSR1);
  });
  std::tie(wake, took) = wait(5000000, true);
  EXPECT_TRUE(wake == Wake::Signal && took < 4000000) << took;
  sender.join();
  sigaction(SIGUSR1, &old, nullptr);
  key_set_source(0);
  close(fds[0]);
  close(fds[1]);
}

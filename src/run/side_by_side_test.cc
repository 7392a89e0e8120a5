#include "run/side_by_side.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <thread>

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Measurements that end in another order than they began are taken back
// in the order added, never more than the limit at once.
TEST(SideBySideTest, TakenBackInOrderAtMostTheLimitAtOnce) {
  SideBySide sides(3, steady_clock::now() + std::chrono::minutes(1));
  constexpr int kJobs = 9;
  auto running = std::make_shared<std::atomic<int>>(0);
  auto most = std::make_shared<std::atomic<int>>(0);
  for (int i = 0; i < kJobs; ++i) {
    ASSERT_TRUE(sides.WaitForRoom());
    std::function<void()> job;
    if (i != 4)  // one needs no thread
      job = [&, i, running, most] {
        int now = ++*running;
        int seen = *most;
        while (now > seen && !most->compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(milliseconds(3 * (3 - i % 3)));
        --*running;
      };
    ASSERT_TRUE(sides.Add(std::move(job)));
  }
  for (int i = 0; i < kJobs; ++i) {
    ASSERT_TRUE(sides.WaitFor(i));
    sides.Printed(i + 1);
  }
  EXPECT_LE(most->load(), 3);
  EXPECT_EQ(sides.Finish(7), 7);
}

// A measurement that never ends: the driver's wait ends at the deadline,
// and whoever takes the last word first keeps it.
TEST(SideBySideTest, TheDeadlineEndsTheWaitAndTheLastWordIsTakenOnce) {
  SideBySide sides(1, steady_clock::now() + milliseconds(50));
  auto never = std::make_shared<std::promise<void>>();
  std::shared_future<void> forever = never->get_future().share();
  ASSERT_TRUE(sides.Add([never, forever] { forever.wait(); }));
  EXPECT_FALSE(sides.WaitFor(0));
  EXPECT_FALSE(sides.WaitForRoom());
  EXPECT_TRUE(sides.TakeLastWordForDriver());
  EXPECT_TRUE(sides.TakeLastWordForDriver());  // the driver still has it

  // A measurement whose turn came after the driver took the last word
  // waits for the end of the process.
  SideBySide later(2, steady_clock::now() + std::chrono::minutes(1));
  std::atomic<bool> spoke{false};
  ASSERT_TRUE(later.Add([&] {}));
  ASSERT_TRUE(later.Add([&spoke, &later] {
    later.TakeLastWord();
    spoke = true;
  }));
  ASSERT_TRUE(later.WaitFor(0));
  EXPECT_TRUE(later.TakeLastWordForDriver());
  later.Printed(1);
  EXPECT_EQ(later.Finish(0), 0);  // the waiting measurement counts as ended
  EXPECT_FALSE(spoke);
}

#if GTEST_HAS_DEATH_TEST && !defined(_WIN32)
// At the deadline the calls left running are cancelled before the process
// ends around them; a cancel that does not come back does not hold up the
// end.
TEST(SideBySideDeathTest, CallsLeftRunningAreCancelledBeforeTheEnd) {
  for (bool cancelReturns : {true, false}) {
    EXPECT_EXIT(
        {
          SideBySide sides(1, steady_clock::now() + milliseconds(20));
          sides.Add([] {
            for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
          });
          sides.CancelBeforeEnding([cancelReturns] {
            std::fputs("cancelled\n", stderr);
            while (!cancelReturns) std::this_thread::sleep_for(std::chrono::hours(1));
          });
          sides.Finish(3);
        },
        testing::ExitedWithCode(3), "cancelled");
  }
}
#endif

}  // namespace

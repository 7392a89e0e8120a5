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
  SideBySide sides(steady_clock::now() + std::chrono::minutes(1));
  sides.SetParallel(3);
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
  SideBySide sides(steady_clock::now() + milliseconds(300));
  auto never = std::make_shared<std::promise<void>>();
  std::shared_future<void> forever = never->get_future().share();
  ASSERT_TRUE(sides.Add([never, forever] { forever.wait(); }));
  EXPECT_FALSE(sides.WaitFor(0));
  EXPECT_FALSE(sides.WaitForRoom());
  EXPECT_TRUE(sides.TakeLastWordForDriver());
  EXPECT_TRUE(sides.TakeLastWordForDriver());  // the driver still has it

  // A measurement whose turn came after the driver took the last word
  // waits for the end of the process.
  // The measurement's thread outlives the test: what it uses is owned by
  // the work it runs, which that thread keeps until the process ends.
  auto later = std::make_shared<SideBySide>(steady_clock::now() + std::chrono::minutes(1));
  later->SetParallel(2);
  auto spoke = std::make_shared<std::atomic<bool>>(false);
  ASSERT_TRUE(later->Add([] {}));
  ASSERT_TRUE(later->Add([spoke, later] {
    later->TakeLastWord();
    *spoke = true;
  }));
  ASSERT_TRUE(later->WaitFor(0));
  EXPECT_TRUE(later->TakeLastWordForDriver());
  later->Printed(1);
  ASSERT_TRUE(later->WaitFor(0));
  EXPECT_FALSE(*spoke);
}

// Once the deadline has passed no measurement is started, even with room
// to spare; a system that needs no logon is still taken.
TEST(SideBySideTest, NothingStartsAfterTheDeadline) {
  SideBySide sides(steady_clock::now() - milliseconds(1));
  sides.SetParallel(4);
  EXPECT_FALSE(sides.WaitForRoom());
  bool ran = false;
  EXPECT_FALSE(sides.Add([&ran] { ran = true; }));
  EXPECT_TRUE(sides.Add(nullptr));
  EXPECT_EQ(sides.Added(), 1u);
  EXPECT_TRUE(sides.IsDone(0));
  EXPECT_EQ(sides.Finish(5), 5);
  EXPECT_FALSE(ran);
}

// Without a thread to be had a measurement never runs on the driver's
// thread: it waits for a worker that ends its own, and without any its
// wait ends at the deadline.
TEST(SideBySideTest, WithoutThreadsTheMeasurementWaitsForOne) {
  int allowed = 1;
  auto starter = [&allowed](std::function<void()> work) {
    if (allowed-- <= 0) return JoinThread();
    return StartThread(std::move(work));
  };
  SideBySide sides(steady_clock::now() + std::chrono::minutes(1), starter);
  sides.SetParallel(2);
  const std::thread::id driver = std::this_thread::get_id();
  std::atomic<int> onDriver{0};
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(sides.Add([&onDriver, driver] {
      if (std::this_thread::get_id() == driver) ++onDriver;
      std::this_thread::sleep_for(milliseconds(5));
    }));
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(sides.WaitFor(i));
  EXPECT_EQ(onDriver, 0);

  SideBySide none(steady_clock::now() + milliseconds(300),
                  [](std::function<void()>) { return JoinThread(); });
  bool ran = false;
  ASSERT_TRUE(none.Add([&ran] { ran = true; }));
  EXPECT_FALSE(none.IsStarted(0));
  EXPECT_FALSE(none.WaitFor(0));
  EXPECT_FALSE(ran);
}

/// What became of the threads of a run.
struct ThreadCounts {
  std::atomic<int> started{0};
  std::atomic<int> returned{0};  // from their work
  std::atomic<int> joined{0};
};

/// Threads of the standard library, counted in |counts|.
ThreadStarter CountedThreads(std::shared_ptr<ThreadCounts> counts) {
  return [counts](std::function<void()> work) -> JoinThread {
    JoinThread join = StartThread([counts, work = std::move(work)] {
      work();
      ++counts->returned;
    });
    if (!join) return nullptr;
    ++counts->started;
    return [counts, join] {
      join();
      ++counts->joined;
    };
  };
}

// A run whose measurements are all over leaves no thread behind: its end
// stops the idle workers and the deadline's watch and joins them. With a
// measurement still inside the library nothing is joined; the process
// ends around it.
TEST(SideBySideTest, TheEndOfARunJoinsItsThreadsUnlessOneIsInsideTheLibrary) {
  auto counts = std::make_shared<ThreadCounts>();
  {
    SideBySide sides(steady_clock::now() + std::chrono::minutes(1), CountedThreads(counts));
    sides.SetParallel(2);
    {
      SideBySide::OwnStep step(sides, [] { return 3; });
    }
    for (int i = 0; i < 3; ++i)
      ASSERT_TRUE(sides.Add([] { std::this_thread::sleep_for(milliseconds(2)); }));
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(sides.WaitFor(i));
    EXPECT_EQ(sides.Finish(0), 0);
  }
  EXPECT_GE(counts->started, 2);  // the watch and at least one worker
  EXPECT_EQ(counts->returned, counts->started.load());
  EXPECT_EQ(counts->joined, counts->started.load());

  auto stuck = std::make_shared<ThreadCounts>();
  auto never = std::make_shared<std::promise<void>>();
  std::shared_future<void> forever = never->get_future().share();
  {
    SideBySide sides(steady_clock::now() + std::chrono::minutes(1), CountedThreads(stuck));
    {
      SideBySide::OwnStep step(sides, [] { return 3; });
    }
    ASSERT_TRUE(sides.Add([never, forever] { forever.wait(); }));
    while (!sides.IsStarted(0)) std::this_thread::yield();
  }
  EXPECT_EQ(stuck->started, 2);
  EXPECT_EQ(stuck->joined, 0);
}

// A rewrite's last word goes back with the end of its measurement: the
// library's handler, called afterwards on the driver's thread, takes it
// and goes on.
TEST(SideBySideTest, TheLastWordGoesBackWithTheMeasurement) {
  SideBySide sides(steady_clock::now() + std::chrono::minutes(1));
  ASSERT_TRUE(sides.Add([&sides] { sides.TakeLastWord(); }));
  ASSERT_TRUE(sides.WaitFor(0));
  sides.TakeLastWord();  // on the driver's thread: returns
  EXPECT_TRUE(sides.TakeLastWordForDriver());
  EXPECT_EQ(sides.Finish(4), 4);
}

// What the library is told once, the first system in listing order that
// needs it tells: a later measurement waits for those before it.
TEST(SideBySideTest, AMeasurementWaitsForThoseBeforeIt) {
  SideBySide sides(steady_clock::now() + std::chrono::minutes(1));
  sides.SetParallel(3);
  std::atomic<bool> firstDone{false};
  std::atomic<bool> sawFirstDone{false};
  ASSERT_TRUE(sides.Add([&firstDone] {
    std::this_thread::sleep_for(milliseconds(30));
    firstDone = true;
  }));
  ASSERT_TRUE(sides.Add(nullptr));
  ASSERT_TRUE(sides.Add([&sides, &firstDone, &sawFirstDone] {
    sides.WaitForThoseBefore();
    sawFirstDone = firstDone.load();
  }));
  ASSERT_TRUE(sides.WaitFor(2));
  EXPECT_TRUE(sawFirstDone);
}

#if GTEST_HAS_DEATH_TEST && !defined(_WIN32)
// At the deadline the calls left running are cancelled before the process
// ends around them; a cancel that does not come back does not hold up the
// end.
TEST(SideBySideDeathTest, CallsLeftRunningAreCancelledBeforeTheEnd) {
  for (bool cancelReturns : {true, false}) {
    EXPECT_EXIT(
        {
          SideBySide sides(steady_clock::now() + milliseconds(300));
          if (!sides.Add([] {
                for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
              }))
            std::exit(9);
          sides.CancelBeforeEnding([cancelReturns] {
            std::fputs("cancelled\n", stderr);
            while (!cancelReturns) std::this_thread::sleep_for(std::chrono::hours(1));
          });
          EXPECT_FALSE(sides.WaitFor(0));
          sides.Finish(3);
        },
        testing::ExitedWithCode(3), "cancelled");
  }
}

// Once the document is complete the run ends at once, around a
// measurement still inside the library or one waiting for the end, never
// waiting for the deadline, and never returning to the unloading of the
// library.
TEST(SideBySideDeathTest, TheEndComesAtOnceAroundThreadsLeft) {
  EXPECT_EXIT(
      {
        SideBySide sides(steady_clock::now() + std::chrono::minutes(5));
        sides.SetParallel(2);
        sides.Add([] {
          for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
        });
        sides.TakeLastWordForDriver();
        sides.Add([&sides] { sides.TakeLastWord(); });  // waits for the end
        auto start = steady_clock::now();
        sides.Finish(6);
        std::exit(steady_clock::now() - start < std::chrono::seconds(2) ? 9 : 8);
      },
      testing::ExitedWithCode(6), "");
}

// The deadline's watch ends a step of the driver's own that does not come
// back, with that step's ending; a step that ends in time changes nothing.
TEST(SideBySideDeathTest, TheWatchEndsAStepOfTheDriverAtTheDeadline) {
  EXPECT_EXIT(
      {
        SideBySide sides(steady_clock::now() + milliseconds(500));
        {
          SideBySide::OwnStep quick(sides, [] { return 7; });
        }
        SideBySide::OwnStep step(sides, [] {
          std::fputs("step ended\n", stderr);
          return 4;
        });
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
      },
      testing::ExitedWithCode(4), "step ended");
}
#endif

}  // namespace

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <thread>

#include "platform/framework/Application.h"
#include "support/zuUtils.h"

using namespace zu;
using Clock = std::chrono::steady_clock;

namespace {

class WaitTest : public ::testing::Test {
 protected:
  void TearDown() override { Application().ResetTerminated(); }
  static long ElapsedMs(Clock::time_point Since) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - Since).count());
  }
};

}  // namespace

TEST_F(WaitTest, EndsByStopWaitFromAHandlerAndResetsTheHandle) {
  THandle H = 0;
  THandle SeenInside = INVALID_HANDLE_VALUE;
  QTimer::singleShot(20, [&] {
    SeenInside = H;
    StopWait(H);
  });
  const auto T0 = Clock::now();
  Wait(H, 0, true);
  EXPECT_LT(ElapsedMs(T0), 5000);
  EXPECT_NE(SeenInside, INVALID_HANDLE_VALUE) << "the handle is the event while waiting";
  EXPECT_NE(SeenInside, 0);
  EXPECT_EQ(H, INVALID_HANDLE_VALUE);
  // The event is closed: a late StopWait on the old value does nothing harmful.
  StopWait(SeenInside);
}

TEST_F(WaitTest, EndsByStopWaitFromAnotherThread) {
  THandle H = 0;
  std::atomic<THandle> Seen{INVALID_HANDLE_VALUE};
  QTimer::singleShot(10, [&] { Seen = H; });
  std::thread Worker([&] {
    while (Seen.load() == INVALID_HANDLE_VALUE) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    THandle Copy = Seen.load();
    StopWait(Copy);
  });
  Wait(H, 0, false);
  Worker.join();
  EXPECT_EQ(H, INVALID_HANDLE_VALUE);
}

TEST_F(WaitTest, MessagesKeepFlowingWhileWaiting) {
  THandle H = 0;
  int Ticks = 0;
  QTimer T;
  QObject::connect(&T, &QTimer::timeout, [&] {
    if (++Ticks == 5) StopWait(H);
  });
  T.start(5);
  Wait(H, 0, true);
  EXPECT_EQ(Ticks, 5);
}

TEST_F(WaitTest, EndsByTimeoutWhenNothingArrives) {
  THandle H = 0;
  const auto T0 = Clock::now();
  Wait(H, 100, true);
  const long Ms = ElapsedMs(T0);
  EXPECT_GE(Ms, 90);
  EXPECT_LT(Ms, 5000);
  EXPECT_EQ(H, INVALID_HANDLE_VALUE);
}

TEST_F(WaitTest, TimeoutAppliesToEachSingleWait) {
  // Messages every 20 ms keep a 60 ms wait going until the stop after ~200 ms.
  THandle H = 0;
  int Ticks = 0;
  QTimer T;
  QObject::connect(&T, &QTimer::timeout, [&] {
    if (++Ticks == 10) StopWait(H);
  });
  T.start(20);
  Wait(H, 60, true);
  EXPECT_EQ(Ticks, 10);
}

TEST_F(WaitTest, EndsWhenTheApplicationTerminates) {
  THandle H = 0;
  QTimer::singleShot(20, [] { Application().Terminate(); });
  const auto T0 = Clock::now();
  Wait(H, 0, true);
  EXPECT_LT(ElapsedMs(T0), 5000);
  EXPECT_TRUE(Application().Terminated());
  EXPECT_EQ(H, INVALID_HANDLE_VALUE);
}

TEST_F(WaitTest, ReturnsAtOnceWhenAlreadyTerminating) {
  Application().Terminate();
  THandle H = 0;
  const auto T0 = Clock::now();
  Wait(H, 0, true);
  EXPECT_LT(ElapsedMs(T0), 1000);
  EXPECT_EQ(H, INVALID_HANDLE_VALUE) << "the event is closed in every case";
}

TEST_F(WaitTest, WithoutStopOnTerminateTheWaitGoesOn) {
  Application().Terminate();
  THandle H = 0;
  QTimer::singleShot(50, [&] { StopWait(H); });
  const auto T0 = Clock::now();
  Wait(H, 0, false);
  EXPECT_GE(ElapsedMs(T0), 40);
}

TEST_F(WaitTest, StopWaitWithoutAWaitDoesNothing) {
  THandle H = INVALID_HANDLE_VALUE;
  StopWait(H);
  EXPECT_EQ(H, INVALID_HANDLE_VALUE);
  THandle Z = 0;
  StopWait(Z);
  EXPECT_EQ(Z, 0);
}

TEST_F(WaitTest, NestedWaitsEndIndependently) {
  THandle Outer = 0, Inner = 0;
  bool InnerDone = false;
  QTimer::singleShot(10, [&] {
    QTimer::singleShot(10, [&] { StopWait(Inner); });
    Wait(Inner, 0, true);
    InnerDone = true;
    StopWait(Outer);
  });
  Wait(Outer, 0, true);
  EXPECT_TRUE(InnerDone);
  EXPECT_EQ(Outer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Inner, INVALID_HANDLE_VALUE);
}

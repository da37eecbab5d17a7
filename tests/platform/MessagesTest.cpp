#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "platform/framework/Application.h"
#include "platform/framework/Messages.h"

using namespace zu;

namespace {

void Pump(int Ms) {
  const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (std::chrono::steady_clock::now() < End) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

template <class F>
bool PumpUntil(F Done, int Ms = 5000) {
  const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (!Done() && std::chrono::steady_clock::now() < End) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return Done();
}

}  // namespace

TEST(MessageWindows, SendAndPostReachTheWindowProcedure) {
  std::vector<unsigned> Seen;
  const THandle W = AllocateHWnd([&](TMessage& M) {
    Seen.push_back(M.Msg);
    M.Result = static_cast<std::intptr_t>(M.WParam + M.LParam);
  });
  EXPECT_TRUE(IsWindow(W));
  EXPECT_EQ(SendMessage(W, ZUM_CAPTIONCHANGED, 40, 2), 42);
  EXPECT_TRUE(PostMessage(W, ZUM_REHOOK, 0, 0));
  EXPECT_EQ(Seen.size(), 1u) << "a posted message waits for the message loop";
  EXPECT_TRUE(PumpUntil([&] { return Seen.size() == 2; }));
  EXPECT_EQ(Seen[1], static_cast<unsigned>(ZUM_REHOOK));
  DeallocateHWnd(W);
  EXPECT_FALSE(IsWindow(W));
  EXPECT_FALSE(PostMessage(W, 1, 0, 0));
  EXPECT_EQ(SendMessage(W, 1, 0, 0), 0);
}

TEST(MessageWindows, PostedMessagesToAFreedWindowAreDropped) {
  int Calls = 0;
  const THandle W = AllocateHWnd([&](TMessage&) { ++Calls; });
  PostMessage(W, 1, 0, 0);
  DeallocateHWnd(W);
  Pump(30);
  EXPECT_EQ(Calls, 0);
}

TEST(MessageWindows, CrossThreadSendBlocksUntilTheMainThreadRanIt) {
  const auto Main = std::this_thread::get_id();
  std::atomic<bool> RanOnMain{false};
  const THandle W = AllocateHWnd([&](TMessage& M) {
    RanOnMain = std::this_thread::get_id() == Main;
    M.Result = 7;
  });
  std::atomic<std::intptr_t> Result{0};
  std::atomic<bool> Done{false};
  std::thread T([&] {
    Result = SendMessage(W, ZUM_SYNCHRONIZE, 0, 0);
    Done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return Done.load(); }));
  T.join();
  EXPECT_TRUE(RanOnMain);
  EXPECT_EQ(Result, 7);
  DeallocateHWnd(W);
}

TEST(MessageWindows, WindowMayFreeItselfInsideItsProcedure) {
  THandle W = 0;
  int Calls = 0;
  W = AllocateHWnd([&](TMessage&) {
    ++Calls;
    DeallocateHWnd(W);
  });
  SendMessage(W, 1, 0, 0);
  SendMessage(W, 1, 0, 0);
  Pump(20);
  EXPECT_EQ(Calls, 1);
}

TEST(MessageWindows, ExceptionsGoToTheApplicationHandler) {
  std::string Caught;
  Application().OnException = [&](const std::exception& E) { Caught = E.what(); };
  const THandle W = AllocateHWnd([](TMessage&) { throw std::runtime_error("boom in WndProc"); });
  EXPECT_NO_THROW(SendMessage(W, 1, 0, 0));
  EXPECT_EQ(Caught, "boom in WndProc");
  DeallocateHWnd(W);
  Application().OnException = nullptr;
}

TEST(WindowTimers, DeliverWmTimerWithTheirIdUntilKilled) {
  std::vector<std::uintptr_t> Ticks;
  const THandle W = AllocateHWnd([&](TMessage& M) {
    if (M.Msg == WM_TIMER) Ticks.push_back(M.WParam);
  });
  ASSERT_TRUE(SetTimer(W, 7, 10));
  EXPECT_TRUE(PumpUntil([&] { return Ticks.size() >= 3; }));
  for (auto Id : Ticks) EXPECT_EQ(Id, 7u);
  EXPECT_TRUE(KillTimer(W, 7));
  EXPECT_FALSE(KillTimer(W, 7));
  const size_t N = Ticks.size();
  Pump(50);
  EXPECT_EQ(Ticks.size(), N);
  EXPECT_FALSE(SetTimer(W, 1, -5)) << "an interval the system cannot take is refused";
  DeallocateHWnd(W);
  EXPECT_FALSE(SetTimer(W, 1, 10));
}

TEST(WindowTimers, QuotaRefusesFurtherTimers) {
  const THandle W = AllocateHWnd([](TMessage&) {});
  SetTimerQuota(1);
  EXPECT_TRUE(SetTimer(W, 1, 1000));
  EXPECT_FALSE(SetTimer(W, 2, 1000));
  EXPECT_TRUE(SetTimer(W, 1, 500)) << "replacing a timer needs no extra one";
  SetTimerQuota(10000);
  EXPECT_TRUE(SetTimer(W, 2, 1000));
  DeallocateHWnd(W);
}

TEST(MessageWindows, QueryEndSessionBroadcast) {
  const THandle Yes = AllocateHWnd([](TMessage& M) { M.Result = M.Msg == WM_QUERYENDSESSION ? 1 : 0; });
  EXPECT_TRUE(BroadcastQueryEndSession());
  const THandle No = AllocateHWnd([](TMessage& M) { M.Result = 0; });
  EXPECT_FALSE(BroadcastQueryEndSession());
  DeallocateHWnd(No);
  DeallocateHWnd(Yes);
}

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>

#include <chrono>

#include "platform/framework/Application.h"
#include "platform/framework/Exceptions.h"
#include "platform/framework/Forms.h"
#include "support/zuClasses.h"

using namespace zu;

namespace {

template <class F>
bool PumpUntil(F Done, int Ms = 5000) {
  const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (!Done() && std::chrono::steady_clock::now() < End) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return Done();
}

class TLogin : public TzuLoginComponent {
  ZU_CLASS_INFO
 public:
  using TzuLoginComponent::TzuLoginComponent;
  const std::string& Username() const { return LoginUserName(); }
  void SetUsername(const std::string& V) { SetLoginUserName(V); }
  const std::string& Password() const { return LoginPassword(); }
  void SetPassword(const std::string& V) { SetLoginPassword(V); }
};
const TClassInfo& TLogin::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TLogin>("TLogin", &TzuLoginComponent::StaticClassInfo()).Creatable();
  return Info;
}

class TTicker : public TzuTimerComponent {
  ZU_CLASS_INFO
 public:
  using TzuTimerComponent::TzuTimerComponent;
  int Ticks = 0;
  bool Throw = false;
  bool Active() const { return MonitorActive(); }
  void SetActive(bool V) { SetMonitorActive(V); }
  int Interval() const { return MonitorInterval(); }
  void SetInterval(int V) { SetMonitorInterval(V); }
  void Message(TMessage& M) { WndProc(M); }

 protected:
  void DoTimer() override {
    ++Ticks;
    if (Throw) throw Exception("tick failed");
  }
};
const TClassInfo& TTicker::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TTicker>("TTicker", &TzuTimerComponent::StaticClassInfo())
                                     .Bool("Active", &TTicker::Active, &TTicker::SetActive, false)
                                     .Int("Interval", &TTicker::Interval, &TTicker::SetInterval, 0)
                                     .Creatable();
  return Info;
}

class TPersistentTicker : public TzuTimerPersistent {
 public:
  using TzuTimerPersistent::TzuTimerPersistent;
  int Ticks = 0;
  void Message(TMessage& M) { WndProc(M); }

 protected:
  void DoTimer() override { ++Ticks; }
};

class TAddonProbe : public TzuAddon {
 public:
  using TzuAddon::TzuAddon;
  int Changes = 0;

 protected:
  void EnabledChanged() override { ++Changes; }
};

class TRoot : public TComponent {
 public:
  TRoot() : TComponent(nullptr) {}
};

}  // namespace

TEST(LoginInfo, NothingStoredWithoutCredentials) {
  TRoot Root;
  auto* L = new TLogin(&Root);
  L->SetName("L");
  EXPECT_EQ(WriteComponentToJson(Root).find("LInfo"), std::string::npos);
}

TEST(LoginInfo, RecordBytesForAUserNameWithoutPassword) {
  const std::string R = TzuLoginComponent::EncodeLoginInfo("ab", "");
  ASSERT_EQ(R.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(R[0]), 3);
  const unsigned char Mask = 3 ^ TzuLoginComponent::LInfoKey;
  EXPECT_EQ(static_cast<unsigned char>(R[1]) ^ Mask, 2);
  EXPECT_EQ(static_cast<unsigned char>(R[2]) ^ Mask, 'a');
  EXPECT_EQ(static_cast<unsigned char>(R[3]) ^ Mask, 'b');
  std::string U = "x", P = "y";
  ASSERT_TRUE(TzuLoginComponent::DecodeLoginInfo(R, U, P));
  EXPECT_EQ(U, "ab");
  EXPECT_EQ(P, "");
}

TEST(LoginInfo, RoundTripThroughFormDataUpTo127Bytes) {
  for (const auto& [User, Pass] : std::vector<std::pair<std::string, std::string>>{
           {"user", "s3cr\xC3\xA9t"}, {"", "only-password"}, {std::string(63, 'u'), std::string(63, 'p')}}) {
    TRoot Root;
    auto* L = new TLogin(&Root);
    L->SetName("L");
    L->SetUsername(User);
    L->SetPassword(Pass);
    const std::string J = WriteComponentToJson(Root);
    EXPECT_EQ(J.find(Pass), std::string::npos) << "no plain password in form data";
    TRoot Copy;
    ReadComponentFromJson(Copy, J);
    auto* C = dynamic_cast<TLogin*>(Copy.Components(0));
    ASSERT_NE(C, nullptr);
    EXPECT_EQ(C->Username(), User);
    EXPECT_EQ(C->Password(), Pass);
  }
}

TEST(LoginInfo, CountsUpTo255RoundTripAndLongerAreRefused) {
  for (const auto& [User, Pass] : std::vector<std::pair<std::string, std::string>>{
           {std::string(100, 'u'), std::string(100, 'p')}, {std::string(127, 'u'), ""}, {std::string(200, 'u'), std::string(54, 'p')}}) {
    TRoot Root;
    auto* L = new TLogin(&Root);
    L->SetName("L");
    L->SetUsername(User);
    L->SetPassword(Pass);
    TRoot Copy;
    ReadComponentFromJson(Copy, WriteComponentToJson(Root));
    auto* C = dynamic_cast<TLogin*>(Copy.Components(0));
    ASSERT_NE(C, nullptr);
    EXPECT_EQ(C->Username(), User) << User.size() + Pass.size() + 1;
    EXPECT_EQ(C->Password(), Pass);
  }
  // 255 bytes would wrap the count: the record is refused, never cut.
  EXPECT_EQ(TzuLoginComponent::EncodeLoginInfo(std::string(200, 'u'), std::string(55, 'p')), "");
  TRoot Root;
  auto* L = new TLogin(&Root);
  L->SetUsername(std::string(200, 'u'));
  L->SetPassword(std::string(55, 'p'));
  EXPECT_EQ(L->Password(), "") << "the password that does not fit is refused";
  L->SetPassword("short");
  L->SetUsername(std::string(250, 'v'));
  EXPECT_EQ(L->Username(), std::string(200, 'u'));
  EXPECT_EQ(L->Password(), "short");
}

TEST(LoginInfo, DamagedRecordsReadAsEmptyNeverOutOfBounds) {
  std::string U, P;
  EXPECT_FALSE(TzuLoginComponent::DecodeLoginInfo("", U, P));
  EXPECT_FALSE(TzuLoginComponent::DecodeLoginInfo(std::string("\x05" "ab", 3), U, P)) << "shorter than its count";
  // A user-name length beyond the block.
  std::string Bad = TzuLoginComponent::EncodeLoginInfo("ab", "");
  Bad[1] = static_cast<char>(9 ^ 3 ^ TzuLoginComponent::LInfoKey);
  EXPECT_FALSE(TzuLoginComponent::DecodeLoginInfo(Bad, U, P));
  // The same through the form-data reader.
  TRoot Root;
  auto* L = new TLogin(&Root);
  L->SetName("L");
  L->SetUsername("keep?");
  ReadComponentFromJson(Root, R"({"components":[{"class":"TLogin","name":"L","binary":{"LInfo":"BQFi"}}]})");
  EXPECT_EQ(L->Username(), "");
  EXPECT_EQ(L->Password(), "");
}

TEST(Addon, EnabledNotifiesOnChangeAndAssignCopies) {
  TRoot Root;
  TAddonProbe A(&Root), B(&Root);
  A.SetEnabled(false);
  EXPECT_EQ(A.Changes, 0);
  A.SetEnabled(true);
  EXPECT_EQ(A.Changes, 1);
  B.Assign(&A);
  EXPECT_TRUE(B.Enabled());
  EXPECT_EQ(B.Changes, 1);
  B.Assign(nullptr);
  EXPECT_FALSE(B.Enabled());
  EXPECT_FALSE(A.IsDesignTime());
  Root.SetDesigning(true);
  EXPECT_TRUE(A.IsDesignTime());
}

TEST(HiddenWindows, AnswerQueryEndSessionWithOne) {
  TRoot Root;
  auto* T = new TTicker(&Root);
  EXPECT_EQ(SendMessage(T->Handle(), WM_QUERYENDSESSION, 0, 0), 1);
  EXPECT_EQ(SendMessage(T->Handle(), WM_USER + 5, 0, 0), 0);
  TPersistentTicker P(&Root);
  EXPECT_EQ(SendMessage(P.Handle(), WM_QUERYENDSESSION, 0, 0), 1);
}

TEST(TimerComponent, TicksOnlyWhenActiveAndAfterLoading) {
  TRoot Root;
  auto* T = new TTicker(&Root);
  T->SetName("T");
  EXPECT_FALSE(T->IsActive());
  T->SetActive(true);
  EXPECT_FALSE(T->IsActive()) << "an interval of 0 is no timer";
  T->SetInterval(10);
  EXPECT_TRUE(PumpUntil([&] { return T->Ticks >= 2; }));
  T->SetActive(false);
  const int N = T->Ticks;
  PumpUntil([] { return false; }, 60);
  EXPECT_EQ(T->Ticks, N);

  // Stored values start the timer only once loading has finished.
  TRoot Other;
  ReadComponentFromJson(Other, R"({"components":[{"class":"TTicker","name":"X","properties":{"Active":true,"Interval":10}}]})");
  auto* X = dynamic_cast<TTicker*>(Other.Components(0));
  ASSERT_NE(X, nullptr);
  EXPECT_TRUE(PumpUntil([&] { return X->Ticks >= 1; }));
}

TEST(TimerComponent, TickExceptionsGoToTheHandlerAndTimersCanBeRefused) {
  std::string Caught;
  Application().OnException = [&](const std::exception& E) { Caught = E.what(); };
  TRoot Root;
  auto* T = new TTicker(&Root);
  T->Throw = true;
  TMessage M{WM_TIMER, 1, 0, 0};
  EXPECT_NO_THROW(T->Message(M));
  EXPECT_EQ(Caught, "tick failed");
  Application().OnException = nullptr;

  SetTimerQuota(0);
  T->SetInterval(10);
  try {
    T->SetActive(true);
    FAIL() << "no exception";
  } catch (const EOutOfResources& E) {
    EXPECT_STREQ(E.what(), "Not enough timers available");
  }
  TPersistentTicker* P = nullptr;
  EXPECT_THROW(P = new TPersistentTicker(&Root), EOutOfResources);
  SetTimerQuota(10000);
  delete P;
}

TEST(TimerComponent, NegativeIntervalIsTheSystemsLongestNotAnError) {
  TRoot Root;
  auto* T = new TTicker(&Root);
  T->SetInterval(-1);  // 0xFFFFFFFF unsigned: the longest interval the system runs
  EXPECT_NO_THROW(T->SetActive(true));
  EXPECT_TRUE(T->IsActive());
  PumpUntil([] { return false; }, 40);
  EXPECT_EQ(T->Ticks, 0);
  // A timer is running on it: with the quota used up by it, another one is refused.
  SetTimerQuota(1);
  auto* Other = new TTicker(&Root);
  Other->SetInterval(10);
  EXPECT_THROW(Other->SetActive(true), EOutOfResources);
  SetTimerQuota(10000);
}

TEST(TimerComponent, DestroyingStopsTheTimerAndSkipsTicks) {
  TRoot Root;
  auto* T = new TTicker(&Root);
  T->SetInterval(5);
  T->SetActive(true);
  T->Destroying();
  TMessage M{WM_TIMER, 1, 0, 0};
  T->Message(M);
  EXPECT_EQ(T->Ticks, 0);
  EXPECT_FALSE(T->IsActive());
}

TEST(TimerPersistent, DefaultsAndSetters) {
  TRoot Root;
  TPersistentTicker P(&Root);
  EXPECT_TRUE(P.Enabled());
  EXPECT_EQ(P.Interval(), 1000u);
  P.SetInterval(10);
  EXPECT_TRUE(PumpUntil([&] { return P.Ticks >= 2; }));
  P.SetEnabled(false);
  const int N = P.Ticks;
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(P.Ticks, N);
  TMessage Other{WM_TIMER, 2, 0, 0};
  P.Message(Other);
  EXPECT_EQ(P.Ticks, N) << "only timer 1 ticks";
}

TEST(ComponentParent, ParentFormOperations) {
  TForm Form;
  Form.SetCaption("Main");
  auto* C = new TzuComponent(&Form);
  EXPECT_EQ(C->Parent(), &Form) << "the parent is the owner";
  EXPECT_EQ(C->GetParentForm(), &Form);
  EXPECT_EQ(C->GetParentFormCaption(), "Main");
  C->SetParentFormCaption("Renamed");
  EXPECT_EQ(Form.Caption(), "Renamed");
  C->ShowParentForm();
  EXPECT_TRUE(Form.isVisible());
  QWidget Child(&Form);
  C->SetParent(&Child);
  EXPECT_EQ(C->GetParentForm(), nullptr) << "a child widget is no form";
  EXPECT_EQ(C->GetParentFormCaption(), "");
  TRoot Root;
  auto* D = new TzuComponent(&Root);
  EXPECT_EQ(D->Parent(), nullptr);
  D->SetAbout("ignored");
  EXPECT_EQ(WriteComponentToJson(Root).find("About"), std::string::npos) << "About is never stored";
}

namespace {
struct TRegister {
  TRegister() {
    RegisterClass(TLogin::StaticClassInfo());
    RegisterClass(TTicker::StaticClassInfo());
  }
} GRegister;
}  // namespace

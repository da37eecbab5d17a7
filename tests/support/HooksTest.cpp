#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>

#include <chrono>

#include "platform/framework/Application.h"
#include "platform/framework/Exceptions.h"
#include "platform/framework/Forms.h"
#include "support/zuClasses.h"

using namespace zu;

namespace {

void Pump(int Ms = 30) {
  const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (std::chrono::steady_clock::now() < End) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

std::vector<std::string> GLog;

class TLoggingForm : public TForm {
 public:
  TLoggingForm() { setGeometry(100, 100, 320, 200); }
 protected:
  void closeEvent(QCloseEvent* E) override {
    GLog.push_back("form");
    E->accept();
  }
};

class THook : public TzuFormHookComponent {
 public:
  THook(TComponent* Owner, std::string Tag) : TzuFormHookComponent(Owner), FTag(std::move(Tag)) {}
  bool HandleIt = false;
  bool ThrowIt = false;
  int Recreated = 0;
  std::vector<bool> TopmostSeen;
  unsigned Watch = WM_SYSCOMMAND;

 protected:
  void MessageBefore(TMessage& M, bool& Handled) override {
    if (M.Msg == ZUM_TOPMOSTCHANGED) TopmostSeen.push_back(M.WParam != 0);
    if (M.Msg != Watch) return;
    if (ThrowIt) throw Exception("hook failed");
    GLog.push_back("before " + FTag);
    Handled = HandleIt;
  }
  void MessageAfter(TMessage& M) override {
    if (M.Msg == Watch) GLog.push_back("after " + FTag);
  }
  void FormRecreate() override {
    ++Recreated;
    TzuFormHookComponent::FormRecreate();
  }

 private:
  std::string FTag;
};

class TAppHook : public TzuHFormHookComponentWatchCaption {
 public:
  using TzuHFormHookComponentWatchCaption::TzuHFormHookComponentWatchCaption;
  int CaptionChanges = 0;
  std::vector<unsigned> AppBefore, AppAfter;
  bool SwallowApp = false;

 protected:
  void OwnerCaptionChanged() override { ++CaptionChanges; }
  void AppMessageBefore(TMessage& M, bool& Handled) override {
    AppBefore.push_back(M.Msg);
    Handled = SwallowApp;
  }
  void AppMessageAfter(TMessage& M) override { AppAfter.push_back(M.Msg); }
};

// A hook on a child panel of a form, so its stacking among siblings can be seen.
class TPanelHook : public TzuFormHookComponent {
 public:
  TPanelHook(TComponent* Owner, QWidget* Panel) : TzuFormHookComponent(Owner, Panel) {}
};

// The panels of Form as Qt stacks them, bottom first.
std::string Stacking(const QWidget& Form) {
  std::string R;
  for (QObject* C : Form.children())
    if (auto* W = qobject_cast<QWidget*>(C); W && !W->objectName().isEmpty()) R += W->objectName().toStdString();
  return R;
}

class HooksTest : public ::testing::Test {
 protected:
  void SetUp() override { GLog.clear(); }
  void TearDown() override { EXPECT_EQ(TzuHookList::Instance(), nullptr) << "the last hook frees the registry"; }
};

}  // namespace

TEST_F(HooksTest, NewestHookFirstThenOlderThenTheWindowThenAftersUnwinding) {
  TLoggingForm Form;
  Form.show();
  auto* Older = new THook(&Form, "older");
  auto* Newer = new THook(&Form, "newer");
  ASSERT_NE(TzuHookList::Instance(), nullptr);
  EXPECT_TRUE(Older->Hooked());
  EXPECT_EQ(Newer->PrevWndProc(), Older->HookProc());
  Form.close();
  EXPECT_EQ(GLog, (std::vector<std::string>{"before newer", "before older", "form", "after older", "after newer"}));
  EXPECT_FALSE(Form.isVisible());
  delete Newer;
  delete Older;
}

TEST_F(HooksTest, HandledStopsOlderHooksAndTheWindowButNotItsOwnAfter) {
  TLoggingForm Form;
  Form.show();
  auto* Older = new THook(&Form, "older");
  auto* Newer = new THook(&Form, "newer");
  Newer->HandleIt = true;
  Form.close();
  EXPECT_EQ(GLog, (std::vector<std::string>{"before newer", "after newer"}));
  EXPECT_TRUE(Form.isVisible()) << "the close was kept from the window";
  GLog.clear();
  Newer->HandleIt = false;
  Older->HandleIt = true;
  Form.close();
  EXPECT_EQ(GLog, (std::vector<std::string>{"before newer", "before older", "after older", "after newer"}));
}

TEST_F(HooksTest, RemovingTheOlderHookChainsTheNewerToTheBase) {
  TLoggingForm Form;
  Form.show();
  const TWindowProc Base = GetWindowProc(WidgetHandle(&Form));
  auto* Older = new THook(&Form, "older");
  auto* Newer = new THook(&Form, "newer");
  EXPECT_EQ(Older->PrevWndProc(), Base);
  delete Older;
  EXPECT_EQ(Newer->PrevWndProc(), Base);
  EXPECT_EQ(GetWindowProc(WidgetHandle(&Form)), Newer->HookProc());
  Form.close();
  EXPECT_EQ(GLog, (std::vector<std::string>{"before newer", "form", "after newer"}));
  delete Newer;
  EXPECT_EQ(GetWindowProc(WidgetHandle(&Form)), Base) << "the window has its own procedure back";
}

TEST_F(HooksTest, RecreatingTheWindowKeepsBothHooksInOrderAndCallsFormRecreate) {
  TLoggingForm Form;
  Form.show();
  const TWindowProc Base = GetWindowProc(WidgetHandle(&Form));
  auto* Older = new THook(&Form, "older");
  auto* Newer = new THook(&Form, "newer");
  const auto OldId = Form.internalWinId();
  RecreateWnd(&Form);
  EXPECT_NE(Form.internalWinId(), OldId);
  EXPECT_EQ(GetWindowProc(WidgetHandle(&Form)), Base) << "a new native window starts without hooks";
  Pump();
  EXPECT_EQ(GetWindowProc(WidgetHandle(&Form)), Newer->HookProc()) << "re-hooked from the posted message";
  EXPECT_EQ(Older->Recreated, 1);
  EXPECT_EQ(Newer->Recreated, 1);
  EXPECT_TRUE(Older->Hooked());
  EXPECT_TRUE(Newer->Hooked());
  EXPECT_EQ(Newer->PrevWndProc(), Older->HookProc());
  Form.close();
  EXPECT_EQ(GLog, (std::vector<std::string>{"before newer", "before older", "form", "after older", "after newer"}));
  delete Older;
  delete Newer;
}

TEST_F(HooksTest, TopmostReachesEveryHookOnceAndRepeatsNothing) {
  TLoggingForm Form;
  Form.show();
  auto* A = new THook(&Form, "a");
  auto* B = new THook(&Form, "b");
  EXPECT_FALSE(A->GetTopmost());
  A->SetTopmost(true);
  Pump();
  EXPECT_TRUE(IsStayOnTop(&Form));
  EXPECT_TRUE(B->GetTopmost());
  EXPECT_EQ(A->TopmostSeen, std::vector<bool>{true});
  EXPECT_EQ(B->TopmostSeen, std::vector<bool>{true});
  A->SetTopmost(true);  // already topmost: nothing, no message
  EXPECT_EQ(A->TopmostSeen.size(), 1u);
  B->SetTopmost(false);
  Pump();
  EXPECT_FALSE(IsStayOnTop(&Form));
  EXPECT_EQ(A->TopmostSeen, (std::vector<bool>{true, false}));
  EXPECT_NE(A->GetWindowExStyle() & WS_EX_TOPMOST, WS_EX_TOPMOST);
  delete A;
  delete B;
}

TEST_F(HooksTest, OwnerMustBeAWindowControl) {
  struct TPlain : TComponent {
    TPlain() : TComponent(nullptr) {}
  } Plain;
  try {
    new THook(&Plain, "x");
    FAIL() << "no exception";
  } catch (const EInvalidOperation& E) {
    EXPECT_STREQ(E.what(), "Owner must be TWinControl or its descendant!");
  }
  EXPECT_EQ(Plain.ComponentCount(), 0);
}

TEST_F(HooksTest, ExceptionsInAHookGoToTheHandler) {
  std::string Caught;
  Application().OnException = [&](const std::exception& E) { Caught = E.what(); };
  TLoggingForm Form;
  Form.show();
  auto* H = new THook(&Form, "h");
  H->ThrowIt = true;
  EXPECT_NO_THROW(Form.close());
  EXPECT_EQ(Caught, "hook failed");
  Application().OnException = nullptr;
  delete H;
}

TEST_F(HooksTest, SecondConstructorHooksTheGivenControlAndSetParentMovesTheHook) {
  TLoggingForm FormA, FormB;
  FormA.show();
  FormB.show();
  struct TRoot : TComponent {
    TRoot() : TComponent(nullptr) {}
  } Root;
  struct TOn : TzuFormHookComponent {
    TOn(TComponent* O, QWidget* C) : TzuFormHookComponent(O, C) {}
    int Closes = 0;
    void MessageBefore(TMessage& M, bool&) override {
      if (M.Msg == WM_SYSCOMMAND) ++Closes;
    }
  };
  auto* H = new TOn(&Root, &FormA);
  FormA.close();
  EXPECT_EQ(H->Closes, 1);
  H->SetParent(&FormB);
  FormA.show();
  FormA.close();
  EXPECT_EQ(H->Closes, 1) << "unhooked from the old window";
  FormB.close();
  EXPECT_EQ(H->Closes, 2);
  delete H;
}

TEST_F(HooksTest, AppHookAtFirstShowAndCaptionWatch) {
  TLoggingForm Form;
  auto* H = new TAppHook(&Form);
  EXPECT_FALSE(H->AppHooked());
  Form.show();
  EXPECT_TRUE(H->AppHooked()) << "hooked at the form's first WM_SHOWWINDOW";
  EXPECT_EQ(SendMessage(ApplicationHandle(), WM_USER + 9, 0, 0), 0);
  EXPECT_EQ(H->AppBefore, std::vector<unsigned>{WM_USER + 9});
  EXPECT_EQ(H->AppAfter, std::vector<unsigned>{WM_USER + 9});
  H->SwallowApp = true;
  EXPECT_EQ(SendMessage(ApplicationHandle(), WM_USER + 10, 0, 0), 1) << "a handled message keeps the result 1";

  Form.SetCaption("First");
  EXPECT_EQ(H->CaptionChanges, 0) << "told asynchronously";
  Pump();
  EXPECT_EQ(H->CaptionChanges, 1);
  Form.SetCaption("First");
  Form.SetCaption("Second");
  Pump();
  EXPECT_EQ(H->CaptionChanges, 2);
  EXPECT_EQ(SendMessage(H->MessageWindow(), WM_QUERYENDSESSION, 0, 0), 1);
  EXPECT_EQ(SendMessage(TzuHookList::Instance()->Handle(), WM_QUERYENDSESSION, 0, 0), 1);
  delete H;
  EXPECT_EQ(SendMessage(ApplicationHandle(), WM_USER + 11, 0, 0), 0) << "unhooked at destruction";
}

TEST_F(HooksTest, FormDestroyedWithItsHooksPostsNoRehook) {
  auto* Form = new TLoggingForm;
  Form->show();
  auto* A = new THook(Form, "a");
  (void)A;
  delete Form;  // frees the hooks it owns
  Pump();
  EXPECT_EQ(TzuHookList::Instance(), nullptr);
}

TEST_F(HooksTest, ZOrderRaisesLowersAndStacksBehindAWindow) {
  TLoggingForm Form;
  QWidget* Panels[3];
  for (int I = 0; I < 3; ++I) {
    Panels[I] = new QWidget(&Form);
    Panels[I]->setObjectName(QString(QChar('a' + I)));
  }
  Form.show();
  auto* A = new TPanelHook(&Form, Panels[0]);
  auto* C = new TPanelHook(&Form, Panels[2]);
  ASSERT_EQ(Stacking(Form), "abc");
  A->SetZOrder(TzuFormHookComponent::HWND_TOP);
  EXPECT_EQ(Stacking(Form), "bca");
  C->SetZOrder(TzuFormHookComponent::HWND_BOTTOM);
  EXPECT_EQ(Stacking(Form), "cba");
  // Behind b: between c and b.
  A->SetZOrder(WidgetHandle(Panels[1]));
  EXPECT_EQ(Stacking(Form), "cab");
  C->SetZOrder(WidgetHandle(Panels[1]));
  EXPECT_EQ(Stacking(Form), "acb");
  C->SetZOrder(0x7FFF0000);  // no such window: nothing moves
  EXPECT_EQ(Stacking(Form), "acb");
  delete A;
  delete C;
}

TEST_F(HooksTest, SystemMenuIsKeptAndActsOnTheForm) {
  TLoggingForm Form;
  Form.show();
  auto* H = new THook(&Form, "h");
  QMenu* Menu = H->GetSystemMenuHandle();
  ASSERT_NE(Menu, nullptr);
  Menu->addAction("&What's This?");
  EXPECT_EQ(H->GetSystemMenuHandle(), Menu) << "not reset";
  QStringList Texts;
  for (QAction* A : Menu->actions())
    if (!A->isSeparator()) Texts << A->text();
  EXPECT_EQ(Texts, (QStringList{"&Restore", "Mi&nimize", "Ma&ximize", "&Close", "&What's This?"}));
  Menu->actions()[4]->trigger();  // &Close: the same road as the close box, through the hooks
  EXPECT_EQ(GLog, (std::vector<std::string>{"before h", "form", "after h"}));
  EXPECT_FALSE(Form.isVisible());
  delete H;
}

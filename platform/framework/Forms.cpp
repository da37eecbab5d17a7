#include "platform/framework/Forms.h"

#include <QKeySequence>
#include <QMenu>
#include <QShortcut>
#include <QVariant>
#include <QWindow>

namespace zu {

TForm::TForm(TComponent* AOwner, QWidget* ParentWidget) : QWidget(ParentWidget), TComponent(AOwner) {}

TForm::~TForm() { Destroying(); }

const TClassInfo& TForm::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TForm>("TForm", &TComponent::StaticClassInfo())
                                     .Str("Caption", &TForm::Caption, &TForm::SetCaption, std::string());
  return Info;
}

std::string TForm::Caption() const { return WidgetCaption(this); }
void TForm::SetCaption(const std::string& Value) { SetWidgetCaption(this, Value); }

void RepaintWindow(QWidget* W) {
  if (W) W->update();
}

std::string WidgetCaption(const QWidget* W) { return W ? W->windowTitle().toStdString() : std::string(); }

void SetWidgetCaption(QWidget* W, const std::string& Caption) {
  if (W) W->setWindowTitle(QString::fromStdString(Caption));
}

void RestoreAndRaise(QWidget* W) {
  if (!W) return;
  W->setWindowState(W->windowState() & ~Qt::WindowMinimized);
  W->show();
  W->raise();
  W->activateWindow();
}

bool IsStayOnTop(const QWidget* W) { return W && W->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

void SetStayOnTop(QWidget* W, bool Value) {
  if (!W || IsStayOnTop(W) == Value) return;
  Qt::WindowFlags Flags = W->windowFlags();
  Flags.setFlag(Qt::WindowStaysOnTopHint, Value);
  if (QWindow* Native = W->windowHandle()) {
    // Told to the existing native window: a z-order change must not recreate it.
    W->overrideWindowFlags(Flags);
    Native->setFlags(Flags);
  } else {
    W->setWindowFlags(Flags);
  }
}

void RaiseWindow(QWidget* W) {
  if (W) W->raise();
}

void LowerWindow(QWidget* W) {
  if (W) W->lower();
}

void StackWindowUnder(QWidget* W, QWidget* Above) {
  if (!W || !Above || W == Above || W->parentWidget() != Above->parentWidget()) return;
  if (!W->isWindow()) {
    W->stackUnder(Above);
    return;
  }
  // Top-level windows have no "under" of their own: W goes up, then Above over it.
  W->raise();
  Above->raise();
}

QMenu* SystemMenu(QWidget* W) {
  if (!W) return nullptr;
  W = W->window();
  if (auto* Known = W->findChild<QMenu*>(QStringLiteral("zuSystemMenu"), Qt::FindDirectChildrenOnly)) return Known;
  auto* Menu = new QMenu(W);
  Menu->setObjectName(QStringLiteral("zuSystemMenu"));
  QObject::connect(Menu->addAction(QStringLiteral("&Restore")), &QAction::triggered, W, [W] { W->showNormal(); });
  QObject::connect(Menu->addAction(QStringLiteral("Mi&nimize")), &QAction::triggered, W, [W] { W->showMinimized(); });
  QObject::connect(Menu->addAction(QStringLiteral("Ma&ximize")), &QAction::triggered, W, [W] { W->showMaximized(); });
  Menu->addSeparator();
  QObject::connect(Menu->addAction(QStringLiteral("&Close")), &QAction::triggered, W, [W] { W->close(); });
  auto* Key = new QShortcut(QKeySequence(QStringLiteral("Alt+Space")), W);
  QObject::connect(Key, &QShortcut::activated, Menu, [W, Menu] { Menu->popup(W->mapToGlobal(QPoint(0, 0))); });
  return Menu;
}

void RecreateWnd(QWidget* W) {
  QWindow* Native = W ? W->windowHandle() : nullptr;
  if (!Native) return;
  const bool Visible = W->isVisible();
  Native->destroy();
  Native->create();
  if (Visible) W->show();
}

long GetWindowStyleValue(QWidget* W, int Index) {
  if (!W) return 0;
  long V = W->property(Index == GWL_EXSTYLE ? "zuExStyle" : "zuStyle").toLongLong();
  if (Index == GWL_EXSTYLE) V = IsStayOnTop(W) ? (V | WS_EX_TOPMOST) : (V & ~WS_EX_TOPMOST);
  if (Index == GWL_STYLE) V = W->isVisible() ? (V | WS_VISIBLE) : (V & ~WS_VISIBLE);
  return V;
}

void SetWindowStyleValue(QWidget* W, int Index, long Value) {
  if (!W) return;
  if (Index == GWL_EXSTYLE) {
    SetStayOnTop(W, Value & WS_EX_TOPMOST);
    W->setProperty("zuExStyle", static_cast<qlonglong>(Value & ~WS_EX_TOPMOST));
  } else if (Index == GWL_STYLE) {
    W->setVisible(Value & WS_VISIBLE);
    W->setProperty("zuStyle", static_cast<qlonglong>(Value & ~WS_VISIBLE));
  }
}

}  // namespace zu

#include "platform/framework/Desktop.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QWidget>

#include "platform/framework/Component.h"

namespace zu {

namespace {
bool HaveWindows() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }
}  // namespace

void RepaintAllWindows() {
  if (!HaveWindows()) return;
  for (QWidget* W : QApplication::topLevelWidgets())
    if (W->isVisible()) W->repaint();
}

bool MinimizeAllWindows() {
  if (!HaveWindows()) return false;
  for (QWidget* W : QApplication::topLevelWidgets())
    if (W->isVisible() && !(W->windowFlags() & Qt::Popup)) W->showMinimized();
  return true;
}

bool RestoreAllWindows() {
  if (!HaveWindows()) return false;
  for (QWidget* W : QApplication::topLevelWidgets())
    if (W->isMinimized()) W->showNormal();
  return true;
}

bool SetShowInTaskbar(QWidget* W, bool Show) {
  if (!W || !W->isWindow()) return false;
  const bool Visible = W->isVisible();
  W->setWindowFlag(Qt::Tool, !Show);  // re-creates the native window, which hides it
  if (Visible) W->show();
  return true;
}

bool WorkArea(int& Left, int& Top, int& Right, int& Bottom) {
  const QScreen* S = HaveWindows() ? QGuiApplication::primaryScreen() : nullptr;
  if (!S) return false;
  const QRect R = S->availableGeometry();
  Left = R.left();
  Top = R.top();
  Right = R.right() + 1;
  Bottom = R.bottom() + 1;
  return true;
}

unsigned KeyboardModifierBits() {
  if (!HaveWindows()) return 0;
  const Qt::KeyboardModifiers M = QGuiApplication::queryKeyboardModifiers();
  return (M & Qt::ShiftModifier ? 1u : 0u) | (M & Qt::AltModifier ? 2u : 0u) | (M & Qt::ControlModifier ? 4u : 0u);
}

bool Beep() {
  if (!HaveWindows()) return false;
  QApplication::beep();
  return true;
}

bool ScrollBarVisible(QWidget* W, bool Horizontal) {
  auto* A = qobject_cast<QAbstractScrollArea*>(W);
  if (A) return (Horizontal ? A->horizontalScrollBar() : A->verticalScrollBar())->isVisible();
  // A widget with a scroll bar child of its own.
  if (W)
    for (QScrollBar* B : W->findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly))
      if (B->orientation() == (Horizontal ? Qt::Horizontal : Qt::Vertical) && B->isVisible()) return true;
  return false;
}

QWidget* ChildAt(QWidget* Parent, int X, int Y) { return Parent ? Parent->childAt(X, Y) : nullptr; }

std::string WindowClassName(QWidget* W) {
  if (!W) return std::string();
  if (auto* C = dynamic_cast<TComponent*>(W)) return C->ClassInfo().Name;
  if (W->objectName().startsWith('T')) return W->objectName().toStdString();  // windows named by class
  return W->metaObject()->className();
}

bool FocusIfPossible(QWidget* W) {
  if (!W || !W->isVisible() || !W->isEnabled() || W->focusPolicy() == Qt::NoFocus) return false;
  W->setFocus(Qt::OtherFocusReason);
  return true;
}

bool MoveToWorkAreaCorner(QWidget* Form) {
  int L, T, R, B;
  if (!Form || !WorkArea(L, T, R, B)) return false;
  const QSize S = Form->frameGeometry().size();
  Form->move(R - S.width(), B - S.height());
  return true;
}

}  // namespace zu

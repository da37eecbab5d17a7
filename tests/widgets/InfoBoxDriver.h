// Drives a modal info box from inside its own loop: the tests' way to answer one.
#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>

#include "widgets/zuDialogControls.h"
#include "widgets/zuInfoBox.h"
#include "widgets/zuInfoBoxForm.h"

namespace zutest {

// Runs Show (which shows a box modally) and, once the box is up, Act on its form. A box that
// Act leaves open is closed after a while, so a failing case cannot hang. Shown tells whether
// a box appeared at all.
template <class F>
auto DriveInfoBox(F Show, const std::function<void(zu::TzuInfoBoxForm&)>& Act, bool* Shown = nullptr)
    -> decltype(Show()) {
  bool Appeared = false;
  QTimer Start, Guard;
  Start.setSingleShot(true);
  Guard.setSingleShot(true);
  QObject::connect(&Start, &QTimer::timeout, [&] {
    zu::TzuInfoBoxForm* Form = zu::ShowingInfoBoxForm();
    if (!Form) return;
    Appeared = true;
    QApplication::processEvents();
    Guard.start(3000);
    Act(*Form);
  });
  QObject::connect(&Guard, &QTimer::timeout, [] { zu::CloseInfoBox(); });
  Start.start(0);
  const auto Result = Show();
  if (Shown) *Shown = Appeared;
  return Result;
}

inline void Click(zu::TzuPanelBitBtn* B) { QTest::mouseClick(B->Button(), Qt::LeftButton); }

}  // namespace zutest

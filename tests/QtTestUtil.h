// Helpers for tests that run the Qt event loop: waiting on a condition while events flow,
// and writing a widget's picture to the artifacts folder.
#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QWidget>

#include <chrono>
#include <string>

#include "TestUtil.h"

namespace zutest {

// Processes events until Done() holds or Ms milliseconds passed; returns Done().
template <class F>
bool PumpUntil(F Done, int Ms = 20000) {
  const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (!Done() && std::chrono::steady_clock::now() < End)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return Done();
}

// Processes events for Ms milliseconds.
inline void Pump(int Ms) {
  const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (std::chrono::steady_clock::now() < End) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The widget and its children on its window colour, as PNG in the artifacts folder.
inline bool SaveWidgetPng(QWidget& W, const std::string& Name) {
  QImage Img(W.size(), QImage::Format_ARGB32);
  Img.fill(W.palette().color(QPalette::Window));
  W.render(&Img, QPoint(), QRegion(), QWidget::DrawChildren);
  return Img.save(QString::fromStdString(ArtifactsDir() + "/" + Name), "PNG");
}

}  // namespace zutest

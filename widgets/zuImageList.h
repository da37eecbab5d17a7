// zuImageList: a list of same-sized images that buttons pick from by index.
#pragma once

#include <QImage>
#include <QObject>

#include <vector>

#include "platform/framework/Component.h"

namespace zu {

// A QObject too, so that users hold it with a guarded pointer.
class TzuImageList : public QObject, public TComponent {
  ZU_CLASS_INFO
 public:
  explicit TzuImageList(TComponent* AOwner) : TComponent(AOwner) {}
  ~TzuImageList() override { Destroying(); }
  int Count() const { return static_cast<int>(FImages.size()); }
  // The index of the added image.
  int Add(const QImage& Image);
  // A null image for an index outside the list.
  QImage Image(int Index) const;
  void Clear() { FImages.clear(); }

 private:
  std::vector<QImage> FImages;
};

}  // namespace zu

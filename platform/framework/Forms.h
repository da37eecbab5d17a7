// Forms: top-level widgets that are also components (they own the components placed on
// them), and the window operations the component units need on any widget.
#pragma once

#include <QWidget>

#include <string>

#include "platform/framework/Component.h"
#include "platform/framework/Windows.h"

namespace zu {

class TForm : public QWidget, public TComponent {
 public:
  explicit TForm(TComponent* AOwner = nullptr, QWidget* ParentWidget = nullptr);
  ~TForm() override;
  ZU_CLASS_INFO

  std::string Caption() const;
  void SetCaption(const std::string& Value);
};

}  // namespace zu

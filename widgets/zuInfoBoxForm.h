// zuInfoBoxForm: the dialog of the info box. Its controls keep their designed places; the
// built-in icons come from the form data (resource "FORMDATA" "TZUINFOBOXFORM"), packed as
// "SFP" pictures.
#pragma once

#include <QDialog>

#include <memory>

#include "platform/framework/Component.h"
#include "support/zuUtils.h"
#include "widgets/zuDialogControls.h"
#include "widgets/zuFormHelp.h"
#include "widgets/zuGraphics.h"
#include "widgets/zuPropImage.h"
#include "widgets/zuRichLabel.h"

namespace zu {

class TzuInfoBox;

// The framework's form positions.
enum TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter, poMainFormCenter,
  poOwnerFormCenter
};
// Places Form by Position (over the application's main form for poMainFormCenter, when there
// is one; else on the screen).
void PlaceForm(QWidget& Form, TPosition Position);

// The system icons of the box (stop 32513, question 32514, exclamation 32515, information
// 32516): our own artwork, kept in the form data.
class TzuInfoBoxIcons : public TComponent {
  ZU_CLASS_INFO
 public:
  enum : int { idStop = 32513, idQuestion = 32514, idExclamation = 32515, idInformation = 32516 };
  explicit TzuInfoBoxIcons(TComponent* AOwner);
  TzuPicture* Stop() const { return FIcons[0].get(); }
  TzuPicture* Question() const { return FIcons[1].get(); }
  TzuPicture* Exclamation() const { return FIcons[2].get(); }
  TzuPicture* Information() const { return FIcons[3].get(); }
  // The icon of a system icon number; null for another number.
  TzuPicture* ById(int Id) const;

 private:
  std::unique_ptr<TzuPicture> FIcons[4];
};

class TzuInfoBoxForm : public QDialog, public TComponent {
  ZU_CLASS_INFO
 public:
  // The client size at design time.
  static constexpr int DesignWidth = 366, DesignHeight = 177;

  // ReadForm false leaves the form without its form data (the artwork generator's way).
  explicit TzuInfoBoxForm(TComponent* AOwner = nullptr, bool ReadForm = true);
  ~TzuInfoBoxForm() override;

  TzuProportionalImage* Icon = nullptr;
  TzuRichLabel* Text = nullptr;
  TzuProportionalImage* Picture = nullptr;
  TzuCheckBox* CheckBox = nullptr;
  TzuButtonsPanel* btns = nullptr;
  TzuFormHelp* FH = nullptr;
  TzuInfoBoxIcons* SysIcons = nullptr;

  std::string Caption() const { return windowTitle().toStdString(); }
  void SetCaption(const std::string& Value) { setWindowTitle(QString::fromStdString(Value)); }
  int ClientWidth() const { return width(); }
  void SetClientWidth(int Value) { resize(Value, height()); }
  int ClientHeight() const { return height(); }
  void SetClientHeight(int Value) { resize(width(), Value); }

  TzuSystemSoundType Sound() const { return FSound; }
  void SetSound(TzuSystemSoundType Value) { FSound = Value; }
  // Whether the kept sound was played (once, when the form was first shown).
  bool SoundPlayed() const { return FSoundPlayed; }
  TzuInfoBox* InfoBox() const { return FInfoBox; }
  void SetInfoBox(TzuInfoBox* Value) { FInfoBox = Value; }
  // false: Esc does nothing and the close box is disabled.
  bool EscCancel() const { return FEscCancel; }
  void SetEscCancel(bool Value);

  // The label's text as the clipboard gets it: without tags (unless the label draws them).
  std::string PlainText() const;

 protected:
  void showEvent(QShowEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;
  void keyReleaseEvent(QKeyEvent* Event) override;
  void reject() override;

 private:
  bool CopyKey(QKeyEvent* Event);

  TzuSystemSoundType FSound = stNoSound;
  bool FSoundPlayed = false;
  TzuInfoBox* FInfoBox = nullptr;
  bool FEscCancel = true;
};

}  // namespace zu

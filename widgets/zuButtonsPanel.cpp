// zuButtonsPanel: the row of OK, Cancel, Apply, Help and a custom button.
#include "widgets/zuDialogControls.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSizeGrip>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "platform/framework/MessageEvent.h"
#include "platform/framework/Messages.h"
#include "platform/os/Resources.h"
#include "support/zuUtils.h"
#include "widgets/zuRichTextUtils.h"
#include "widgets/zuDialogControlsPrivate.h"

namespace zu {

using namespace dialog;

// ---------- TzuButtonsPanel ----------

const TClassInfo& TzuButtonsPanel::StaticClassInfo() {
  using T = TzuButtonsPanel;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuButtonsPanel", &TComponent::StaticClassInfo())
          .Str("About", &T::About, &T::SetAbout, std::string(), [](const T&) { return false; })
          .Enum("Align", &T::Align, &T::SetAlign, {"alHorizontal", "alVertical"}, std::optional(alHorizontal))
          .Enum("Alignment", &T::Alignment, &T::SetAlignment, AlignmentNames, std::optional(zaRightJustify))
          .Bool("ApplyEnabled", &T::ApplyEnabled, &T::SetApplyEnabled, false)
          .Object("BtnOK", &T::BtnOK)
          .Object("BtnCancel", &T::BtnCancel)
          .Object("BtnApply", &T::BtnApply)
          .Object("BtnHelp", &T::BtnHelp)
          .Object("BtnCustom", &T::BtnCustom)
          .Int("ButtonHeight", &T::ButtonHeight, &T::SetButtonHeight, 25)
          .Int("ButtonSpacing", &T::ButtonSpacing, &T::SetButtonSpacing, 8)
          .Int("ButtonWidth", &T::ButtonWidth, &T::SetButtonWidth, 75)
          .Enum("CustomButtonPosition", &T::CustomButtonPosition, &T::SetCustomButtonPosition,
                {"cbpAfterLast", "cbpBeforeFirst", "cbpOppositeEdge"}, std::optional(cbpAfterLast))
          .Bool("Docked", &T::Docked, &T::SetDocked, true)
          .Int("MarginHorz", &T::MarginHorz, &T::SetMarginHorz, 5)
          .Int("MarginVert", &T::MarginVert, &T::SetMarginVert, 6)
          .Bool("ShowAccelChar", &T::ShowAccelChar, &T::SetShowAccelChar, true)
          .Str("Images", &T::ImagesName, &T::SetImagesName)
          .Bool("ShowDivider", &T::ShowDivider, &T::SetShowDivider, false)
          .Bool("ShowSizeGrip", &T::ShowSizeGrip, &T::SetShowSizeGrip, false)
          .Event("OnAnyBtnClick")
          .Event("OnApplySettings")
          .Event("OnApplyEnabledChanged")
          .Event("OnBtnOKClick")
          .Event("OnBtnCancelClick")
          .Event("OnBtnApplyClick")
          .Event("OnBtnHelpClick")
          .Event("OnBtnCustomClick")
          .Creatable();
  return Info;
}

TzuButtonsPanel::TzuButtonsPanel(TComponent* AOwner, QWidget* ParentWidget)
    : QWidget(ParentWidget ? ParentWidget : dynamic_cast<QWidget*>(AOwner)), TComponent(AOwner) {
  for (int I = 0; I < 5; ++I) {
    FBtns[I] = std::make_unique<TzuPanelBitBtn>(this);
    TzuBitBtn* B = FBtns[I]->Button();
    B->SetTag(I);
    B->OnClick = [this, I](TObject*) { BtnClick(static_cast<std::uint8_t>(I)); };
  }
  FBtns[idOK]->SetCaption("OK");
  FBtns[idOK]->SetModalResult(mrOk);
  FBtns[idOK]->Button()->SetDefault(true);
  FBtns[idCancel]->SetCaption("Cancel");
  FBtns[idCancel]->SetModalResult(mrCancel);
  FBtns[idCancel]->Button()->SetCancel(true);
  FBtns[idApply]->SetCaption("Apply");
  FBtns[idApply]->SetEnabled(false);
  FBtns[idHelp]->SetCaption("Help");
  FBtns[idHelp]->Button()->SetVisible(false);
  FBtns[idCustom]->Button()->SetVisible(false);
  FBtns[idApply]->Button()->OnEnabledChanged = [this] {
    if (OnApplyEnabledChanged) OnApplyEnabledChanged(this);
  };
  WidgetHandle(this);
  resize(300, 37);
  WatchParent(nullptr);
  UpdateButtons();
  if (parentWidget()) setVisible(true);
}

TzuButtonsPanel::~TzuButtonsPanel() {
  Destroying();
  if (FWatched) FWatched->removeEventFilter(this);
  for (auto& B : FBtns) B.reset();
}

void TzuButtonsPanel::SetAlign(TzuButtonsPanelAlign Value) {
  if (Value == FAlign) return;
  FAlign = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetAlignment(TzuTextAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetCustomButtonPosition(TzuCustomButtonPosition Value) {
  if (Value == FCustomButtonPosition) return;
  FCustomButtonPosition = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetButtonWidth(int Value) {
  if (Value == FButtonWidth) return;
  FButtonWidth = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetButtonHeight(int Value) {
  if (Value == FButtonHeight) return;
  FButtonHeight = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetButtonSpacing(int Value) {
  if (Value == FButtonSpacing) return;
  FButtonSpacing = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetMarginHorz(int Value) {
  if (Value == FMarginHorz) return;
  FMarginHorz = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetMarginVert(int Value) {
  if (Value == FMarginVert) return;
  FMarginVert = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetImages(TzuImageList* Value) {
  for (auto& B : FBtns) B->Button()->SetImages(Value);
  UpdateButtons();
}

void TzuButtonsPanel::SetImagesName(const std::string& Value) {
  // The buttons belong to no component list: the panel finds the list among its owner's.
  TzuImageList* L = nullptr;
  for (TComponent* O = Owner(); O && !L && !Value.empty(); O = O->Owner())
    L = dynamic_cast<TzuImageList*>(O->FindComponent(Value));
  for (auto& B : FBtns) {
    if (L)
      B->Button()->SetImages(L);
    else
      B->Button()->SetImagesName(Value);
  }
  UpdateButtons();
}

void TzuButtonsPanel::SetShowAccelChar(bool Value) {
  FShowAccelChar = Value;
  for (auto& B : FBtns) B->Button()->SetShowAccelChar(Value);
}
void TzuButtonsPanel::SetShowDivider(bool Value) {
  if (Value == FShowDivider) return;
  FShowDivider = Value;
  UpdateButtons();
  update();
}
void TzuButtonsPanel::SetShowSizeGrip(bool Value) {
  if (Value == FShowSizeGrip) return;
  FShowSizeGrip = Value;
  if (Value && !FSizeGrip) FSizeGrip = new QSizeGrip(this);
  if (FSizeGrip) FSizeGrip->setVisible(Value);
  UpdateButtons();
}
void TzuButtonsPanel::SetDocked(bool Value) {
  FDocked = Value;
  UpdateButtons();
}

void TzuButtonsPanel::Loaded() {
  TComponent::Loaded();
  // The list may have been read after the panel.
  if (!Images() && !ImagesName().empty()) SetImagesName(ImagesName());
  UpdateButtons();
}

QRect TzuButtonsPanel::DividerRect() const {
  if (!FShowDivider) return QRect();
  if (FAlign == alHorizontal) return QRect(FMarginHorz, 0, width() - 2 * FMarginHorz, 2);
  return QRect(0, FMarginVert, 2, height() - 2 * FMarginVert);
}

void TzuButtonsPanel::Dock() {
  QWidget* P = parentWidget();
  if (!FDocked || !P) return;
  if (FAlign == alHorizontal)
    setGeometry(0, P->height() - height(), P->width(), height());
  else
    setGeometry(P->width() - width(), 0, width(), P->height());
}

void TzuButtonsPanel::UpdateButtons() {
  if (IsLoading() || FLayingOut) return;
  FLayingOut = true;
  const bool Horz = FAlign == alHorizontal;
  const int D = FShowDivider ? 2 : 0;
  // Along the row: the extent of a button and the margin; across it: the other two.
  const int Along = Horz ? FButtonWidth : FButtonHeight;
  const int Across = Horz ? FButtonHeight : FButtonWidth;
  const int MarginAlong = Horz ? FMarginHorz : FMarginVert;
  const int MarginAcross = Horz ? FMarginVert : FMarginHorz;
  if (Horz)
    resize(width(), Across + 2 * MarginAcross + D);
  else
    resize(Across + 2 * MarginAcross + D, height());
  Dock();
  const int Length = Horz ? width() : height();

  std::vector<TzuBitBtn*> Row;
  auto Add = [&Row](TzuPanelBitBtn* B) {
    if (B->Visible()) Row.push_back(B->Button());
  };
  TzuBitBtn* Custom = FBtns[idCustom]->Visible() ? FBtns[idCustom]->Button() : nullptr;
  if (FCustomButtonPosition == cbpBeforeFirst) Add(FBtns[idCustom].get());
  for (int I = idOK; I <= idHelp; ++I) Add(FBtns[I].get());
  if (FCustomButtonPosition == cbpAfterLast) Add(FBtns[idCustom].get());

  // In a row a button whose caption needs more than ButtonWidth grows to fit it.
  auto Extent = [&](TzuBitBtn* B) { return Horz ? std::max(FButtonWidth, B->FittingWidth()) : Along; };
  int E = 0;
  for (size_t I = 0; I < Row.size(); ++I) E += Extent(Row[I]) + (I ? FButtonSpacing : 0);
  int X = MarginAlong;
  if (FAlignment == zaRightJustify) X = Length - E - MarginAlong;
  if (FAlignment == zaCenter) X = Length < E ? 0 : (Length - E) / 2 + 1;
  auto Place = [&](TzuBitBtn* B, int Pos) {
    if (Horz)
      B->setGeometry(Pos, MarginAcross + D, Extent(B), FButtonHeight);
    else
      B->setGeometry(MarginAcross + D, Pos, FButtonWidth, FButtonHeight);
  };
  for (TzuBitBtn* B : Row) {
    Place(B, X);
    X += Extent(B) + FButtonSpacing;
  }
  if (Custom && FCustomButtonPosition == cbpOppositeEdge)
    Place(Custom, FAlignment == zaLeftJustify ? Length - MarginAlong - Extent(Custom) : MarginAlong);
  if (FSizeGrip) {
    const QSize G = FSizeGrip->sizeHint();
    FSizeGrip->setGeometry(width() - G.width(), height() - G.height(), G.width(), G.height());
    FSizeGrip->raise();
  }
  FLayingOut = false;
  update();
}

void TzuButtonsPanel::BtnClick(std::uint8_t Index) {
  if ((Index == idOK || Index == idApply) && OnApplySettings) {
    TzuBitBtn* Apply = FBtns[idApply]->Button();
    if (!Apply->Visible() || Apply->isEnabled()) {
      bool DoApply = true;
      OnApplySettings(this, DoApply);
      if (!DoApply) {
        // The dialog stays open.
        if (window()) SetFormModalResult(this, 0);
        return;
      }
      Apply->setEnabled(false);
    }
  }
  if (OnAnyBtnClick) OnAnyBtnClick(this, Index);
  const TNotifyEvent* Events[] = {&OnBtnOKClick, &OnBtnCancelClick, &OnBtnApplyClick, &OnBtnHelpClick,
                                  &OnBtnCustomClick};
  if (Index < 5 && *Events[Index]) (*Events[Index])(this);
}

bool TzuButtonsPanel::event(QEvent* Event) {
  if (Event->type() == MessageEventType()) {
    auto* M = static_cast<TMessageEvent*>(Event);
    if (M->Message.Msg == ZUM_RELAYOUT) {
      UpdateButtons();
      return true;
    }
  }
  if (Event->type() == QEvent::ParentAboutToChange && FWatched) {
    FWatched->removeEventFilter(this);
    FWatched = nullptr;
  }
  if (Event->type() == QEvent::ParentChange) {
    WatchParent(nullptr);
    UpdateButtons();
  }
  return QWidget::event(Event);
}

void TzuButtonsPanel::WatchParent(QWidget*) {
  if (FWatched) FWatched->removeEventFilter(this);
  FWatched = parentWidget();
  if (FWatched) FWatched->installEventFilter(this);
}

bool TzuButtonsPanel::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == FWatched && Event->type() == QEvent::Resize) Dock();
  return QWidget::eventFilter(Watched, Event);
}

void TzuButtonsPanel::paintEvent(QPaintEvent*) {
  if (!FShowDivider) return;
  QPainter P(this);
  const QRect R = DividerRect();
  const QPalette& Pal = palette();
  // An etched line: shadow, then highlight.
  if (FAlign == alHorizontal) {
    P.fillRect(QRect(R.left(), R.top(), R.width(), 1), Pal.color(QPalette::Dark));
    P.fillRect(QRect(R.left(), R.top() + 1, R.width(), 1), Pal.color(QPalette::Light));
  } else {
    P.fillRect(QRect(R.left(), R.top(), 1, R.height()), Pal.color(QPalette::Dark));
    P.fillRect(QRect(R.left() + 1, R.top(), 1, R.height()), Pal.color(QPalette::Light));
  }
}

void TzuButtonsPanel::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  UpdateButtons();
}

}  // namespace zu

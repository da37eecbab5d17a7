// zuControlProps: applying the framework's control properties to a Qt widget.
#include "widgets/zuControlProps.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QWidget>

#include "widgets/zuDialogControlsPrivate.h"
#include "widgets/zuImageList.h"

namespace zu {

bool CursorShapeOf(TCursor Cursor, Qt::CursorShape& Shape) {
  static const std::pair<TCursor, Qt::CursorShape> Shapes[] = {
      {crNone, Qt::BlankCursor},       {crArrow, Qt::ArrowCursor},        {crCross, Qt::CrossCursor},
      {crIBeam, Qt::IBeamCursor},      {crSizeNESW, Qt::SizeBDiagCursor}, {crSizeNS, Qt::SizeVerCursor},
      {crSizeNWSE, Qt::SizeFDiagCursor}, {crSizeWE, Qt::SizeHorCursor},   {crUpArrow, Qt::UpArrowCursor},
      {crHourGlass, Qt::WaitCursor},   {crDrag, Qt::DragMoveCursor},      {crNoDrop, Qt::ForbiddenCursor},
      {crHSplit, Qt::SplitHCursor},    {crVSplit, Qt::SplitVCursor},      {crMultiDrag, Qt::DragCopyCursor},
      {crSQLWait, Qt::BusyCursor},     {crNo, Qt::ForbiddenCursor},       {crAppStart, Qt::BusyCursor},
      {crHelp, Qt::WhatsThisCursor},   {crHandPoint, Qt::PointingHandCursor}, {crSizeAll, Qt::SizeAllCursor},
  };
  for (const auto& [Id, S] : Shapes)
    if (Id == Cursor) {
      Shape = S;
      return true;
    }
  return false;  // crDefault and identifiers of custom cursors this program has none of
}

void SetWidgetCursor(QWidget* W, TCursor Cursor) {
  if (!W) return;
  Qt::CursorShape Shape;
  if (CursorShapeOf(Cursor, Shape))
    W->setCursor(Shape);
  else
    W->unsetCursor();
}

TzuControlProps::TzuControlProps(QWidget* AControl, bool AManageColor)
    : FControl(AControl),
      FManageColor(AManageColor),
      FFont(std::make_unique<TFont>()),
      FFontProperty(std::make_unique<TzuFontProperty>(*FFont)),
      FColor(clBtnFace) {
  if (FControl) FromQFont(FControl->font(), *FFont);
  FFont->OnChange = [this](TObject*) { FontChanged(); };
}

TzuControlProps::~TzuControlProps() {
  if (FMenuLink) QObject::disconnect(*FMenuLink);
  delete FMenuLink;
}

void TzuControlProps::FontChanged() {
  if (FApplying) return;
  FParentFont = false;
  ApplyFont();
}

void TzuControlProps::SetParentFont(bool Value) {
  if (Value == FParentFont) return;
  FParentFont = Value;
  ApplyFont();
}

// The inherited value of a palette role: the parent's, or the application's for a window.
static QColor InheritedColor(const QWidget* W, QPalette::ColorRole Role) {
  const QWidget* P = W->isWindow() ? nullptr : W->parentWidget();
  return P ? P->palette().color(Role) : QApplication::palette(W).color(Role);
}

void TzuControlProps::ApplyFont() {
  if (!FControl) return;
  QPalette Pal = FControl->palette();
  if (FParentFont) {
    FControl->setFont(QFont());  // an empty font resolves nothing: the parent's again
    for (auto Role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
      Pal.setColor(Role, InheritedColor(FControl, Role));
    FApplying = true;
    FromQFont(FControl->font(), *FFont);
    FApplying = false;
  } else {
    FControl->setFont(ToQFont(*FFont));
    const QColor C = dialog::ToQColor(FFont->Color());
    for (auto Role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) Pal.setColor(Role, C);
  }
  FControl->setPalette(Pal);
  FControl->update();
}

void TzuControlProps::SetColor(TColor Value) {
  FColor = Value;
  FParentColor = false;
  ApplyColor();
}

void TzuControlProps::SetParentColor(bool Value) {
  if (Value == FParentColor) return;
  FParentColor = Value;
  ApplyColor();
}

void TzuControlProps::ApplyColor() {
  if (!FControl || !FManageColor) return;
  QPalette Pal = FControl->palette();
  for (auto Role : {QPalette::Window, QPalette::Button})
    Pal.setColor(Role, FParentColor ? InheritedColor(FControl, Role) : dialog::ToQColor(FColor));
  FControl->setPalette(Pal);
  FControl->update();
}

void TzuControlProps::SetCursor(TCursor Value) {
  FCursor = Value;
  SetWidgetCursor(FControl, Value);
}

void TzuControlProps::SetPopupMenu(QMenu* Value) {
  FPopupMenu = Value;
  if (!FControl) return;
  if (FMenuLink) {
    QObject::disconnect(*FMenuLink);
    delete FMenuLink;
    FMenuLink = nullptr;
  }
  FControl->setContextMenuPolicy(Value ? Qt::CustomContextMenu : Qt::DefaultContextMenu);
  if (!Value) return;
  QPointer<QWidget> W = FControl;
  QPointer<QMenu> Menu = Value;
  FMenuLink = new QMetaObject::Connection(
      QObject::connect(FControl.data(), &QWidget::customContextMenuRequested, FControl.data(), [W, Menu](QPoint P) {
        if (W && Menu) Menu->popup(W->mapToGlobal(P));
      }));
}

void TzuControlProps::SetBiDiMode(TBiDiMode Value) {
  FBiDiMode = Value;
  FParentBiDiMode = false;
  if (FControl) FControl->setLayoutDirection(Value == bdLeftToRight ? Qt::LeftToRight : Qt::RightToLeft);
}

void TzuControlProps::SetParentBiDiMode(bool Value) {
  FParentBiDiMode = Value;
  if (!FControl) return;
  if (Value)
    FControl->unsetLayoutDirection();
  else
    SetBiDiMode(FBiDiMode);
}

void TzuControlProps::Assign(const TzuControlProps& S) {
  if (!S.FParentFont) FFont->Assign(*S.FFont);
  SetParentFont(S.FParentFont);
  if (!S.FParentColor) SetColor(S.FColor);
  SetParentColor(S.FParentColor);
  SetCursor(S.FCursor);
  SetPopupMenu(S.FPopupMenu);
  if (!S.FParentBiDiMode) SetBiDiMode(S.FBiDiMode);
  SetParentBiDiMode(S.FParentBiDiMode);
  SetParentShowHint(S.FParentShowHint);
}

}  // namespace zu

// ---------- TzuImageList ----------

namespace zu {

const TClassInfo& TzuImageList::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TzuImageList>("TzuImageList", &TComponent::StaticClassInfo()).Creatable();
  return Info;
}

int TzuImageList::Add(const QImage& Image) {
  FImages.push_back(Image);
  return Count() - 1;
}

QImage TzuImageList::Image(int Index) const { return Index >= 0 && Index < Count() ? FImages[Index] : QImage(); }

}  // namespace zu

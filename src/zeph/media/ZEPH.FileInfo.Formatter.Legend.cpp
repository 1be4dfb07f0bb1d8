#include "zeph/media/ZEPH.FileInfo.Formatter.Legend.h"

#include <map>

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.StdCtrls.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zcl/ui/controls/ZCL.UI.Edit.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.h"

namespace {
TZEPHFileInfoFormatterLegend* GLegend = nullptr;
}

String LegendItemText(const String& Hint, const String& Caption) {
  String text = zcRemoveChar(Hint.empty() ? Caption : Hint, u'&');
  return zcStringReplace(text, u"(..)", u"()");
}

TZEPHFileInfoFormatterLegend::TZEPHFileInfoFormatterLegend(TComponent* AOwner) : TPopupMenu(AOwner) {}

TZEPHFileInfoFormatterLegend* TZEPHFileInfoFormatterLegend::Instance() {
  if (!GLegend) GLegend = Create<TZEPHFileInfoFormatterLegend>(nullptr);
  return GLegend;
}

void TZEPHFileInfoFormatterLegend::FinalizeInstance() { FreeAndNil(GLegend); }

void TZEPHFileInfoFormatterLegend::PopupFor(Integer X, Integer Y, TZBLFileInfoFormatStringFactory* Factory,
                                            TZEPHLegendInsertEvent OnInsert) {
  FFactory = Factory;
  FOnInsert = OnInsert;
  FListener = nullptr;
  SetTarget(nullptr);
  Popup(X, Y);
}

void TZEPHFileInfoFormatterLegend::Popup(const TRect& Rect, IInterface* Listener,
                                         TZBLFileInfoFormatStringFactory* Factory) {
  FFactory = Factory;
  FOnInsert = nullptr;
  FListener = IPtr<IInterface>(Listener);
  SetTarget(nullptr);
  TPopupMenu::Popup(Rect.Left, Rect.Bottom);
}

void TZEPHFileInfoFormatterLegend::PopupForControl(TControl* Control, const TPoint& Point,
                                                   TZBLFileInfoFormatStringFactory* Factory) {
  FFactory = Factory;
  FOnInsert = nullptr;
  FListener = nullptr;
  SetTarget(Control);
  TPopupMenu::Popup(Point.X, Point.Y);
}

void TZEPHFileInfoFormatterLegend::SetTarget(TControl* Value) {
  if (FTarget == Value) return;
  if (FTarget) FTarget->RemoveFreeNotification(this);
  FTarget = Value;
  if (FTarget) FTarget->FreeNotification(this);
}

void TZEPHFileInfoFormatterLegend::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FTarget) FTarget = nullptr;
}

void TZEPHFileInfoFormatterLegend::DoPopup(TObject* Sender) {
  IPtr<IZCLCurrentDpi> dpi;
  FDPI = FTarget && Supports(FTarget, dpi) ? dpi->GetCurrentDpi() : GetMonitorDPIAtPoint(GetPopupPoint());
  Build();
  inherited::DoPopup(Sender);
}

void TZEPHFileInfoFormatterLegend::Build() {
  TMenuItem* root = GetItems();
  root->Clear();
  TZBLFileInfoFormatStringFactory* factory = FFactory ? FFactory : TZEPHFileInfoFormatStringFactory::Instance();
  std::map<Byte, TMenuItem*> categories;
  factory->EnumMacros([&](const String& DisplayText, TZCLExpressionFunctionInfo* Info) {
    if (Info->Category == ExpressionCategoryAlias) return;
    TMenuItem*& category = categories[Info->Category];
    if (!category) {
      category = Create<TMenuItem>(this);
      category->SetCaption(LangGet(u"Templates.Categories", IntToStr(Info->Category), IntToStr(Info->Category)));
      root->Add(category);
    }
    auto* item = Create<TMenuItem>(this);
    const String description = LangGet(u"Templates", Info->Name, String());
    item->SetCaption(Format(FormattedCaptions ? u"[B]%s[/B]%s" : u"%s%s", {DisplayText, description}));
    item->SetHint(DisplayText);
    item->OnClick = TNotifyEvent(this, &TZEPHFileInfoFormatterLegend::ItemClick);
    category->Add(item);
  });
}

void TZEPHFileInfoFormatterLegend::ItemClick(TObject* Sender) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item) return;
  const String text = LegendItemText(item->GetHint(), item->GetCaption());
  if (InsertIntoEdit(text, FTarget)) return;
  if (FOnInsert) FOnInsert(this, text);
}

bool InsertIntoEdit(const String& Text, TControl* Control) {
  TControl* target = Control;
  if (!target && Screen) target = Screen->GetActiveControl();
  auto* edit = dynamic_cast<TCustomEdit*>(target);
  if (auto* container = dynamic_cast<TZCLCustomInplaceContainer*>(target))
    edit = dynamic_cast<TCustomEdit*>(container->GetInnerControl());
  if (!edit) return false;
  edit->SetSelText(Text);
  return true;
}

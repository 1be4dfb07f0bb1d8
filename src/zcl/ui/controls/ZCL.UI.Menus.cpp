#include "zcl/ui/controls/ZCL.UI.Menus.h"

#include <algorithm>
#include <cmath>

#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/OS.Regions.h"
#include "os/OS.Text.h"
#include "os/OS.Timers.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.StringList.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.ImgList.h"
#include "zcl/base/ZCL.ObjectLinks.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.TextLayout.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"

namespace {
constexpr UINT kDeferredRelease = 0xB021;

TRect EmptyRect() { return TRect(0, 0, 0, 0); }
bool IsEmptyRect(const TRect& R) { return R.Right <= R.Left || R.Bottom <= R.Top; }
}  // namespace

bool IsMenuLoopActive() { return TZCLMenuLoop::IsActive(); }

// ---- TZCLMenuItem ---------------------------------------------------------------------------------

TZCLMenuItem::TZCLMenuItem(TComponent* AOwner) : TMenuItem(AOwner), FGlyph(Create<TZCLGlyph>(this)) {}

TZCLMenuItem::~TZCLMenuItem() { Free(FGlyph); }

void TZCLMenuItem::DeclareProperties(TClassDeclaration<TZCLMenuItem>& D) {
  D.Property(u"Glyph", &TZCLMenuItem::GetGlyph, &TZCLMenuItem::SetGlyph).Stored(&TZCLMenuItem::IsGlyphStored);
  D.Event(u"OnShow", &TZCLMenuItem::OnShow);
}

void TZCLMenuItem::SetGlyph(TZCLGlyph* Value) { FGlyph->Assign(Value); }

bool TZCLMenuItem::IsGlyphStored() const { return !FGlyph->IsEmpty(); }

void TZCLMenuItem::AssignTo(TPersistent* Dest) {
  auto* item = dynamic_cast<TMenuItem*>(Dest);
  if (!item) {
    inherited::AssignTo(Dest);
    return;
  }
  item->SetCaption(GetCaption());
  item->SetShortCut(GetShortCut());
  item->SetChecked(GetChecked());
  item->SetRadioItem(GetRadioItem());
  item->SetGroupIndex(GetGroupIndex());
  item->SetAutoCheck(GetAutoCheck());
  item->SetDefault(GetDefault());
  item->SetEnabled(GetEnabled());
  item->SetVisible(GetVisible());
  item->SetHint(GetHint());
  item->SetHelpContext(GetHelpContext());
  item->SetImageIndex(GetImageIndex());
  item->SetAction(GetAction());
  item->OnClick = OnClick;
  if (auto* own = dynamic_cast<TZCLMenuItem*>(Dest)) own->SetGlyph(FGlyph);
}

String TZCLMenuItem::ToString() const { return GetCaption(); }

void TZCLMenuItem::DoShow() {
  if (OnShow) OnShow(this);
}

bool TZCLMenuItem::HasSubItems() { return GetCount() > 0; }

Integer TZCLMenuItem::GetCurrentDpi() {
  Integer dpi = GetComponentDPI(GetParentMenu());
  return dpi > 0 ? dpi : GetSystemDPI();
}

// ---- TZCLMenuContainerItem ------------------------------------------------------------------------

void TZCLMenuContainerItem::DeclareProperties(TClassDeclaration<TZCLMenuContainerItem>& D) {
  D.Property(u"ExpandMode", &TZCLMenuContainerItem::GetExpandMode, &TZCLMenuContainerItem::SetExpandMode)
      .Default(lemExpandInplace);
}

void TZCLMenuContainerItem::AssignTo(TPersistent* Dest) {
  inherited::AssignTo(Dest);
  if (auto* item = dynamic_cast<TZCLMenuContainerItem*>(Dest)) item->SetExpandMode(FExpandMode);
}

// ---- TZCLMenuItemLink -----------------------------------------------------------------------------

TZCLMenuItemLink::~TZCLMenuItemLink() { SetLink(nullptr); }

void TZCLMenuItemLink::DeclareProperties(TClassDeclaration<TZCLMenuItemLink>& D) {
  D.Property(u"Link", &TZCLMenuItemLink::GetLink, &TZCLMenuItemLink::SetLink);
}

void TZCLMenuItemLink::SetLink(TComponent* Value) {
  if (Value == FLink) return;
  if (FLink) FLink->RemoveFreeNotification(this);
  FLink = Value;
  if (FLink) FLink->FreeNotification(this);
}

void TZCLMenuItemLink::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FLink) FLink = nullptr;
}

void TZCLMenuItemLink::AssignTo(TPersistent* Dest) {
  inherited::AssignTo(Dest);
  if (auto* item = dynamic_cast<TZCLMenuItemLink*>(Dest)) item->SetLink(FLink);
}

void TZCLMenuItemLink::DoShow() {
  IPtr<IZCLMenuShowHandler> handler;
  if (FLink && Supports(FLink, handler)) {
    auto* linked = dynamic_cast<TPopupMenu*>(FLink);
    auto* parentMenu = dynamic_cast<TPopupMenu*>(GetParentMenu());
    if (linked && parentMenu) {
      linked->SetPopupComponent(parentMenu->GetPopupComponent());
      try {
        handler->MenuShow();
      } catch (...) {
        linked->SetPopupComponent(nullptr);
        throw;
      }
      linked->SetPopupComponent(nullptr);
    } else {
      handler->MenuShow();
    }
  }
  inherited::DoShow();
}

void TZCLMenuItemLink::ExpandItems(const TZCLMenuItemProc& Proc) {
  if (!GetEnabled()) return;
  if (auto* item = dynamic_cast<TMenuItem*>(FLink)) {
    Proc(item);
  } else if (auto* menu = dynamic_cast<TPopupMenu*>(FLink)) {
    MenuItemNotifyShowHandlers(menu->GetItems());
    for (Integer i = 0; i < menu->GetItems()->GetCount(); ++i) Proc(menu->GetItems()->GetItem(i));
  }
}

bool TZCLMenuItemLink::HasSubItems() {
  if (auto* item = dynamic_cast<TMenuItem*>(FLink)) return item->GetVisible();
  if (auto* menu = dynamic_cast<TPopupMenu*>(FLink)) return MenuItemHasVisibleItems(menu->GetItems());
  return false;
}

void TZCLMenuItemLink::InitiateAction() {
  inherited::InitiateAction();
  if (GetEnabled())
    if (auto* menu = dynamic_cast<TPopupMenu*>(FLink)) MenuItemInitiateActions(menu->GetItems());
}

String TZCLMenuItemLink::ToString() const { return FLink ? u"[" + FLink->GetName() + u"]" : String(u"[unassigned]"); }

// ---- TZCLMenuListItem -----------------------------------------------------------------------------

TZCLMenuListItem::TZCLMenuListItem(TComponent* AOwner) : TZCLMenuContainerItem(AOwner), FItems(new TStringList()) {}

TZCLMenuListItem::~TZCLMenuListItem() { delete FItems; }

void TZCLMenuListItem::DeclareProperties(TClassDeclaration<TZCLMenuListItem>& D) {
  D.Property(u"AutoCheck", &TZCLMenuListItem::GetAutoCheck, &TZCLMenuListItem::SetAutoCheck).Default(false);
  D.Property(u"Items", &TZCLMenuListItem::GetItems, &TZCLMenuListItem::SetItems);
  D.Property(u"ItemIndex", &TZCLMenuListItem::GetItemIndex, &TZCLMenuListItem::SetItemIndex).Default(-1);
}

void TZCLMenuListItem::SetItems(TStringList* Value) { FItems->Assign(Value); }

void TZCLMenuListItem::AssignTo(TPersistent* Dest) {
  inherited::AssignTo(Dest);
  if (auto* item = dynamic_cast<TZCLMenuListItem*>(Dest)) {
    item->SetAutoCheck(FAutoCheck);
    item->SetItems(FItems);
    item->SetItemIndex(FItemIndex);
  }
}

void TZCLMenuListItem::ExpandItems(const TZCLMenuItemProc& Proc) {
  while (GetCount() > 0) {
    TMenuItem* child = GetItem(GetCount() - 1);
    Delete(GetCount() - 1);
    Free(child);
  }
  for (Integer i = 0; i < FItems->GetCount(); ++i) {
    TMenuItem* child = MenuItemAddEx(this, FItems->GetStrings(i), i, TNotifyEvent(this, &TZCLMenuListItem::ItemClick));
    if (FAutoCheck) {
      child->SetRadioItem(true);
      child->SetChecked(i == FItemIndex);
    }
    Proc(child);
  }
}

void TZCLMenuListItem::ItemClick(TObject* Sender) {
  if (auto* child = dynamic_cast<TMenuItem*>(Sender)) FItemIndex = static_cast<Integer>(child->GetTag());
  // The platform's click of the list item (its OnClick or action), not the empty override.
  TMenuItem::Click();
}

bool TZCLMenuListItem::HasSubItems() { return FItems->GetCount() > 0; }

String TZCLMenuListItem::ToString() const {
  return GetCaption().empty() ? String(u"(list)") : u"(" + GetCaption() + u")";
}

// ---- routines -------------------------------------------------------------------------------------

TMenuItem* MenuItemAddWithHint(TMenuItem* Parent, const String& Caption, const String& Hint, NativeInt Tag,
                               TNotifyEvent OnClick, TShortCut ShortCut) {
  auto* item = Create<TMenuItem>(Parent);
  item->SetShortCut(ShortCut);
  item->SetCaption(Caption);
  item->OnClick = OnClick;
  item->SetTag(Tag);
  item->SetHint(Hint);
  Parent->Add(item);
  return item;
}

TMenuItem* MenuItemAdd(TMenuItem* Parent, const String& Caption, TNotifyEvent OnClick, TShortCut ShortCut) {
  return MenuItemAddWithHint(Parent, Caption, String(), 0, OnClick, ShortCut);
}

TMenuItem* MenuItemAddEx(TMenuItem* Parent, const String& Caption, NativeInt Tag, TNotifyEvent OnClick,
                         TShortCut ShortCut) {
  return MenuItemAddWithHint(Parent, Caption, String(), Tag, OnClick, ShortCut);
}

TMenuItem* MenuItemAddRadio(TMenuItem* Parent, const String& Caption, const String& Hint, NativeInt Tag,
                            TNotifyEvent OnClick, Byte GroupIndex, TShortCut ShortCut) {
  TMenuItem* item = MenuItemAddWithHint(Parent, Caption, Hint, Tag, OnClick, ShortCut);
  item->SetRadioItem(true);
  item->SetGroupIndex(GroupIndex);
  return item;
}

TMenuItem* MenuItemAddSeparator(TMenuItem* Parent) { return MenuItemAdd(Parent, u"-", TNotifyEvent()); }

TMenuItem* MenuItemFindByTag(TMenuItem* Parent, NativeInt Tag) {
  for (Integer i = Parent->GetCount() - 1; i >= 0; --i)
    if (Parent->GetItem(i)->GetTag() == Tag) return Parent->GetItem(i);
  return nullptr;
}

TMenuItem* MenuItemGetDefault(TMenuItem* Parent) {
  for (Integer i = 0; i < Parent->GetCount(); ++i)
    if (Parent->GetItem(i)->GetDefault()) return Parent->GetItem(i);
  return nullptr;
}

bool MenuItemHasVisibleItems(TMenuItem* Parent) {
  for (Integer i = 0; i < Parent->GetCount(); ++i)
    if (Parent->GetItem(i)->GetVisible() && !Parent->GetItem(i)->IsLine()) return true;
  return false;
}

void MenuItemInitiateActions(TMenuItem* Item) {
  if (Item->GetAction()) Item->InitiateAction();
  for (Integer i = 0; i < Item->GetCount(); ++i)
    if (Item->GetItem(i)->GetAction()) Item->GetItem(i)->InitiateAction();
}

bool MenuItemIsCheckable(TMenuItem* Item) {
  // The checkable-item interface of the original design has no implementer: not asked.
  return Item->GetChecked() || Item->GetAutoCheck() || Item->GetRadioItem();
}

void MenuItemNotifyShowHandlers(TMenuItem* Item) {
  for (Integer i = 0; i < Item->GetCount(); ++i) {
    IPtr<IZCLMenuShowHandler> handler;
    if (Supports(Item->GetItem(i), handler)) handler->MenuShow();
  }
}

bool MenuItemCanBeChildOf(TMenuItem* Item, TMenuItem* Parent) {
  for (TMenuItem* p = Parent; p; p = p->GetParent())
    if (p == Item) return false;
  return true;
}

String MenuEscapeText(const String& Text) {
  String out;
  out.reserve(Text.size());
  for (Char c : Text) {
    out += c;
    if (c == u'&') out += c;
  }
  return out;
}

String MenuTextWithShortCut(const String& Text, TShortCut ShortCut) {
  if ((ShortCut & 0xFFFF) == 0) return Text;
  const String keys = TZCLShortCut::ToText(ShortCut);
  return Text.empty() ? keys : Text + u" (" + keys + u")";
}

// ---- TZCLShortCut ---------------------------------------------------------------------------------

String TZCLShortCut::KeyToText(Word Key) {
  const Byte key = static_cast<Byte>(Key & 0xFF);
  if (key >= 0x60 && key <= 0x69) return String(u"Num ") + static_cast<Char>(u'0' + (key - 0x60));
  switch (key) {
    case 0: return String();
    case 0x13: return u"Break";
    case 0x5D: return u"Apps";
    case 0x90: return u"Num Lock";
    case 0xA6: return u"Browser Back";
    case 0xA7: return u"Browser Forward";
    case 0xA8: return u"Browser Refresh";
    case 0xA9: return u"Browser Stop";
    case 0xAA: return u"Browser Search";
    case 0xAB: return u"Browser Favorites";
    case 0xAC: return u"Browser Home";
    case 0xAD: return u"Volume Mute";
    case 0xAE: return u"Volume Down";
    case 0xAF: return u"Volume Up";
    case 0xB0: return u"Media Next Track";
    case 0xB1: return u"Media Prev Track";
    case 0xB2: return u"Media Stop";
    case 0xB3: return u"Media Play/Pause";
    case 0xB4: return u"Launch Mail";
    case 0xB5: return u"Launch Media Select";
    case 0xB6: return u"Launch App1";
    case 0xB7: return u"Launch App2";
    case 0xFA: return u"Play";
  }
  return ::KeyToText(key);
}

String TZCLShortCut::ToText(TShortCut ShortCut) {
  String text = KeyToText(static_cast<Word>(ShortCut));
  if (ShortCut & scAlt) text = u"Alt+" + text;
  if (ShortCut & scCtrl) text = u"Ctrl+" + text;
  if (ShortCut & scShift) text = u"Shift+" + text;
  return text;
}

// ---- TZCLStyleMenu --------------------------------------------------------------------------------

void TZCLStyleMenu::DeclareProperties(TClassDeclaration<TZCLStyleMenu>& D) {
  D.Property(u"ColorItem", 0, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorItemSelected", 1, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"CornerRadiusItem", 0, &TZCLStyle::GetInteger, &TZCLStyle::SetInteger);
  D.Property(u"Font", 0, &TZCLStyle::GetFont, &TZCLStyle::SetFont);
  D.Property(u"FontDisabled", 1, &TZCLStyle::GetFont, &TZCLStyle::SetFont);
  D.Property(u"FontSelected", 2, &TZCLStyle::GetFont, &TZCLStyle::SetFont);
  D.Property(u"Texture", 0, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
}

void TZCLStyleMenu::InitializeResources() {
  inherited::InitializeResources();
  GetColor(0)->InitializeDefault(u"Popup.Colors.Item", TAlphaColor(0));
  GetColor(1)->InitializeDefault(u"Popup.Colors.ItemSelected", TAlphaColor(0));
  GetInteger(0)->InitializeDefault(u"Popup.Margins.CornerRadiusItem", 0);
  GetFont(0)->InitializeDefault(u"Popup.Fonts.Default");
  GetFont(1)->InitializeDefault(u"Popup.Fonts.Disabled");
  GetFont(2)->InitializeDefault(u"Popup.Fonts.Selected");
  GetTexture(0)->InitializeDefault(u"Popup.Textures.General");
}

void TZCLStyleMenu::DoChanged(TZCLPersistentChanges Changes) {
  FItemHeight = -1;
  inherited::DoChanged(Changes);
}

Integer TZCLStyleMenu::ItemHeight() {
  if (FItemHeight < 0) FItemHeight = GetItemHeight();
  return FItemHeight;
}

Integer TZCLStyleMenu::GetItemHeight() {
  TCanvas* canvas = MeasureCanvas();
  AssignFontParams(canvas, false, true, true);
  const Integer h = CanvasTextHeight(canvas);
  Integer result = std::max(h + 4 * S(2), S(16) + 2);
  if (result % 2) ++result;
  return result;
}

void TZCLStyleMenu::DrawItemImageFromList(TCanvas* Canvas, const TRect& R, TCustomImageList* Images,
                                          Integer ImageIndex, bool Enabled, bool /*Selected*/) {
  DrawImageListItem(Canvas, R, Images, ImageIndex, Enabled);
}

void TZCLStyleMenu::AssignFontParams(TCanvas* Canvas, bool Selected, bool IsDefault, bool Enabled) {
  TZCLResourceFont* font = !Enabled ? GetFont(1) : Selected ? GetFont(2) : GetFont(0);
  Canvas->GetFont()->Assign(font->GetFont());
  if (IsDefault) Canvas->GetFont()->SetStyle(Canvas->GetFont()->GetStyle() + TFontStyles{fsBold});
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
}

void TZCLStyleMenu::DrawBackground(TCanvas* Canvas, const TRect& R, bool Selected) {
  FillRectAlpha(Canvas, R, (Selected ? GetColor(1) : GetColor(0))->GetValue(), GetInteger(0)->GetValue());
  if (!GetTexture(0)->IsEmpty()) GetTexture(0)->Draw(Canvas, R, Selected ? 1 : 0);
}

TRect TZCLStyleMenu::FitInto(const TRect& R, TSize Size) {
  if (Size.cx > R.Width() || Size.cy > R.Height()) {
    const double k = std::min(double(R.Width()) / std::max(1, Size.cx), double(R.Height()) / std::max(1, Size.cy));
    Size = TSize(static_cast<Integer>(Size.cx * k), static_cast<Integer>(Size.cy * k));
  }
  const Integer left = R.Left + (R.Width() - Size.cx) / 2, top = R.Top + (R.Height() - Size.cy) / 2;
  return TRect(left, top, left + Size.cx, top + Size.cy);
}

void TZCLStyleMenu::DrawItemImage(TCanvas* Canvas, const TRect& R, TMenuItem* Item, bool Selected) {
  HRGN saved = nullptr;
  if (!ClipRegionPush(Canvas->GetHandle(), R, saved)) return;
  try {
    IPtr<IZCLGlyph> glyphOwner;
    TZCLGlyph* glyph = Supports(Item, glyphOwner) ? glyphOwner->GetGlyph() : nullptr;
    if (glyph && !glyph->IsEmpty()) {
      glyph->SetTargetDPI(GetTargetDPI());
      glyph->Draw(Canvas, FitInto(R, glyph->GetFrameSize()), glyph->GetFrameIndex(), Item->GetEnabled());
    } else if (Item->HasBitmap() && !Item->GetBitmap()->GetEmpty()) {
      auto* temp = Create<TZCLGlyph>(static_cast<TObject*>(nullptr));
      try {
        if (TZCLSkinImageSet* set = temp->GetImageSet()) set->AddFromBitmap(Item->GetBitmap(), 96);
        temp->SetTargetDPI(GetTargetDPI());
        temp->Draw(Canvas, FitInto(R, temp->GetFrameSize()), 0, Item->GetEnabled());
      } catch (...) {
        Free(temp);
        throw;
      }
      Free(temp);
    } else if (TCustomImageList* images = Item->GetImageList(); images && Item->GetImageIndex() >= 0) {
      DrawItemImageFromList(Canvas, FitInto(R, GetImageListSize(images, GetTargetDPI())), images,
                            Item->GetImageIndex(), Item->GetEnabled(), Selected);
    }
  } catch (...) {
    ClipRegionPop(Canvas->GetHandle(), saved);
    throw;
  }
  ClipRegionPop(Canvas->GetHandle(), saved);
}

void TZCLStyleMenu::DrawText(TCanvas* Canvas, const TRect& R, const String& Text) {
  TRect r = R;
  CanvasDrawText(Canvas, r, Text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}

Integer TZCLStyleMenu::MeasureWidth(TCanvas* Canvas, const String& Caption, TShortCut, bool IsDefault) {
  AssignFontParams(Canvas, true, IsDefault, true);
  return 4 * S(2) + CanvasTextSize(Canvas, StripHotkey(Caption)).cx;
}

// ---- TZCLStylePopupMenu ---------------------------------------------------------------------------

void TZCLStylePopupMenu::DeclareProperties(TClassDeclaration<TZCLStylePopupMenu>& D) {
  D.Property(u"Borders", 0, &TZCLStyle::GetMargins, &TZCLStyle::SetMargins);
  D.Property(u"CornerRadius", 1, &TZCLStyle::GetInteger, &TZCLStyle::SetInteger);
  D.Property(u"ColorBorder1", 2, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorBorder2", 3, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"TextureGutter", 1, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"TextureScrollBar", 2, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"TextureScrollBarButtons", 3, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"TextureScrollBarThumb", 4, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"TextureSeparator", 5, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
}

void TZCLStylePopupMenu::InitializeResources() {
  inherited::InitializeResources();
  GetMargins(0)->InitializeDefault(u"Popup.Margins.Borders");
  GetInteger(1)->InitializeDefault(u"Popup.Margins.CornerRadius", 0);
  GetColor(2)->InitializeDefault(u"Popup.Colors.Border1", TAlphaColor(0));
  GetColor(3)->InitializeDefault(u"Popup.Colors.Border2", TAlphaColor(0));
  GetTexture(1)->InitializeDefault(u"Popup.Textures.Gutter");
  GetTexture(2)->InitializeDefault(u"Popup.Textures.ScrollBar");
  GetTexture(3)->InitializeDefault(u"Popup.Textures.ScrollBarButtons");
  GetTexture(4)->InitializeDefault(u"Popup.Textures.ScrollBarThumb");
  GetTexture(5)->InitializeDefault(u"Popup.Textures.Separator");
}

Integer TZCLStylePopupMenu::GetGutterWidth() {
  GetTexture(1)->SetTargetDPI(GetTargetDPI());
  return GetTexture(1)->GetFrameWidth();
}

Integer TZCLStylePopupMenu::GetItemHeight() {
  TZCLResourceTexture* texture = GetTexture(0);
  texture->SetTargetDPI(GetTargetDPI());
  if (texture->GetFrameHeight() > 0) return texture->GetFrameHeight();
  TCanvas* canvas = MeasureCanvas();
  AssignFontParams(canvas, false, true, true);
  GetTexture(1)->SetTargetDPI(GetTargetDPI());
  return std::max(CanvasTextHeight(canvas) + 4 * S(2), GetTexture(1)->GetFrameHeight());
}

Integer TZCLStylePopupMenu::MeasureWidth(TCanvas* Canvas, const String& Caption, TShortCut ShortCut, bool IsDefault) {
  Integer width = inherited::MeasureWidth(Canvas, Caption, ShortCut, IsDefault) + GetGutterWidth() + ItemHeight();
  if (ShortCut != 0)
    width += CanvasTextSize(Canvas, u"  ").cx + CanvasTextSize(Canvas, TZCLShortCut::ToText(ShortCut)).cx;
  return width;
}

void TZCLStylePopupMenu::DrawBackground(TCanvas* Canvas, const TRect& R, bool Selected) {
  inherited::DrawBackground(Canvas, R, Selected);
  TZCLResourceTexture* gutter = GetTexture(1);
  if (!gutter->IsEmpty())
    gutter->Draw(Canvas, TRect(R.Left, R.Top, R.Left + GetGutterWidth(), R.Bottom), Selected ? 1 : 0);
}

Integer TZCLStylePopupMenu::CheckMarkFrame(Integer GutterFrames, bool Checked, bool Radio, bool Selected) {
  const Integer base = Radio ? (Checked ? 4 : 8) : (Checked ? 2 : 6);
  const Integer index = base + (Selected ? 1 : 0);
  return index < GutterFrames ? index : -1;
}

void TZCLStylePopupMenu::DrawCheckMark(TCanvas* Canvas, const TRect& R, bool Checked, bool Radio, bool Selected) {
  HRGN saved = nullptr;
  if (!ClipRegionPush(Canvas->GetHandle(), R, saved)) return;
  const Integer gutterWidth = GetGutterWidth();
  const TRect area(R.Left, R.Top, R.Left + gutterWidth, R.Bottom);
  TZCLResourceTexture* gutter = GetTexture(1);
  try {
    if (gutter->GetFrameCount() == 2) {
      auto* mark = dynamic_cast<TZCLResourceTexture*>(GetResource(
          Radio ? u"Buttons.Textures.RadioBox" : u"Buttons.Textures.CheckBox", TZCLResourceTexture::StaticClass(), this));
      if (mark) {
        const Integer oldDpi = mark->GetTargetDPI();
        mark->SetTargetDPI(GetTargetDPI());
        mark->Draw(Canvas, FitInto(area, mark->GetFrameSize()), (Checked ? 5 : 0) + (Selected ? 1 : 0));
        mark->SetTargetDPI(oldDpi);
      }
    } else {
      const Integer frame = CheckMarkFrame(gutter->GetFrameCount(), Checked, Radio, Selected);
      if (frame >= 0) gutter->Draw(Canvas, FitInto(area, gutter->GetFrameSize()), frame);
    }
  } catch (...) {
    ClipRegionPop(Canvas->GetHandle(), saved);
    throw;
  }
  ClipRegionPop(Canvas->GetHandle(), saved);
}

void TZCLStylePopupMenu::DrawItemImage(TCanvas* Canvas, const TRect& R, TMenuItem* Item, bool Selected) {
  if (MenuItemIsCheckable(Item))
    DrawCheckMark(Canvas, R, Item->GetChecked(), Item->GetRadioItem(), Selected);
  else
    inherited::DrawItemImage(Canvas, R, Item, Selected);
}

void TZCLStylePopupMenu::DrawItemText(TCanvas* Canvas, const TRect& R, const String& Caption, TShortCut ShortCut,
                                      bool Selected, bool IsDefault, bool Enabled, bool HasSubMenu) {
  TRect r = R;
  r.Left += GetGutterWidth() + 2 * S(2);
  r.Right -= 2 * S(2);
  AssignFontParams(Canvas, Selected, IsDefault, Enabled);
  DrawText(Canvas, r, Caption);
  if (HasSubMenu) {
    const TRect arrow(r.Right - r.Height(), r.Top, r.Right, r.Bottom);
    DrawArrow(Canvas, arrow, Canvas->GetFont()->GetColor(), 1, GetTargetDPI());
  } else if (ShortCut != 0) {
    TRect t = r;
    CanvasDrawText(Canvas, t, TZCLShortCut::ToText(ShortCut), DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  }
}

void TZCLStylePopupMenu::DrawBorder(TCanvas* Canvas, const TRect& R) {
  const TAlphaColor border = GetColor(2)->GetValue();
  const TAlphaColor fill = GetColor(3)->GetValue() ? GetColor(3)->GetValue() : border;
  const Integer radius = GetInteger(1)->GetValue();
  FillRectAlpha(Canvas, R, border, radius > 0 ? radius : 0);
  TRect inner = R;
  inner.Inflate(-1, -1);
  FillRectAlpha(Canvas, inner, fill, radius > 1 ? radius - 1 : 0);
}

void TZCLStylePopupMenu::DrawScrollButton(TCanvas* Canvas, const TRect& R, bool Up, bool Enabled) {
  AssignFontParams(Canvas, false, false, Enabled);
  DrawArrow(Canvas, R, Canvas->GetFont()->GetColor(), Up ? 2 : 3, GetTargetDPI());
}

void TZCLStylePopupMenu::DrawSeparator(TCanvas* Canvas, const TRect& R) {
  if (IsEmptyRect(R)) return;
  TZCLResourceTexture* separator = GetTexture(5);
  FillRectAlpha(Canvas, R, GetColor(0)->GetValue());
  if (separator->IsEmpty()) return;
  if (GetTargetDPI() == 96) {
    separator->SetTargetDPI(96);
    separator->Draw(Canvas, R, 0);
    return;
  }
  // Composed at 96 DPI first, so that the gutter part lines up with the scaled gutter.
  TZCLResourceTexture* gutter = GetTexture(1);
  const Integer dpi = GetTargetDPI();
  separator->SetTargetDPI(96);
  gutter->SetTargetDPI(96);
  const Integer gutter96 = gutter->GetFrameWidth();
  const TSize size = separator->GetFrameSize();
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  bitmap.SetSize(gutter96 + size.cx, std::max(1, size.cy));
  FillRectAlpha(bitmap.GetCanvas(), TRect(0, 0, bitmap.GetWidth(), bitmap.GetHeight()), GetColor(0)->GetValue());
  separator->Draw(bitmap.GetCanvas(), TRect(0, 0, bitmap.GetWidth(), bitmap.GetHeight()), 0);
  separator->SetTargetDPI(dpi);
  gutter->SetTargetDPI(dpi);
  const Integer gutterWidth = GetGutterWidth();
  StretchBltRect(Canvas->GetHandle(), bitmap.GetCanvas()->GetHandle(),
                 TRect(R.Left, R.Top, R.Left + gutterWidth, R.Bottom), TRect(0, 0, gutter96, bitmap.GetHeight()));
  StretchBltRect(Canvas->GetHandle(), bitmap.GetCanvas()->GetHandle(),
                 TRect(R.Left + gutterWidth, R.Top, R.Right, R.Bottom),
                 TRect(gutter96, 0, bitmap.GetWidth(), bitmap.GetHeight()));
}

// ---- TZCLPopupMenuStyle ---------------------------------------------------------------------------

void TZCLPopupMenuStyle::DeclareProperties(TClassDeclaration<TZCLPopupMenuStyle>& D) {
  D.Property(u"AllowTextFormatting", &TZCLPopupMenuStyle::GetAllowTextFormatting,
             &TZCLPopupMenuStyle::SetAllowTextFormatting)
      .Default(false);
}

void TZCLPopupMenuStyle::SetAllowTextFormatting(bool Value) {
  if (Value == FAllowTextFormatting) return;
  FAllowTextFormatting = Value;
  Changed(1);
}

void TZCLPopupMenuStyle::DoAssign(TPersistent* Source) {
  inherited::DoAssign(Source);
  if (auto* style = dynamic_cast<TZCLPopupMenuStyle*>(Source)) SetAllowTextFormatting(style->FAllowTextFormatting);
}

void TZCLPopupMenuStyle::DoReset() {
  inherited::DoReset();
  FAllowTextFormatting = false;
}

void TZCLPopupMenuStyle::DrawText(TCanvas* Canvas, const TRect& R, const String& Text) {
  if (!FAllowTextFormatting) {
    inherited::DrawText(Canvas, R, Text);
    return;
  }
  TZCLTextLayout layout(Canvas->GetFont());
  layout.SetText(StripHotkey(Text));
  layout.SetBounds(R);
  layout.SetHorzAlignment(taLeftJustify);
  layout.SetVertAlignment(taVerticalCenter);
  layout.SetOption(tloWordWrap, false);
  layout.SetOption(tloSingleLine, true);
  layout.Draw(Canvas);
}

// ---- TZCLPopupMenuOptions -------------------------------------------------------------------------

void TZCLPopupMenuOptions::DeclareProperties(TClassDeclaration<TZCLPopupMenuOptions>& D) {
  D.Property(u"CloseMenuOnItemCheck", &TZCLPopupMenuOptions::GetCloseMenuOnItemCheck,
             &TZCLPopupMenuOptions::SetCloseMenuOnItemCheck)
      .Default(true);
  D.Property(u"ScrollMode", &TZCLPopupMenuOptions::GetScrollMode, &TZCLPopupMenuOptions::SetScrollMode)
      .Default(smAuto);
}

void TZCLPopupMenuOptions::Assign(TPersistent* Source) {
  if (auto* options = dynamic_cast<TZCLPopupMenuOptions*>(Source)) {
    FCloseMenuOnItemCheck = options->FCloseMenuOnItemCheck;
    FScrollMode = options->FScrollMode;
    return;
  }
  inherited::Assign(Source);
}

// ---- TZCLPopupMenu --------------------------------------------------------------------------------

TZCLPopupMenu::TZCLPopupMenu(TComponent* AOwner) : TPopupMenu(AOwner) {}

TZCLPopupMenu::~TZCLPopupMenu() {
  Free(FStyle);
  Free(FOptions);
}

void TZCLPopupMenu::AfterConstruction() {
  inherited::AfterConstruction();
  FOptions = CreateOptions();
  FStyle = CreateStyle();
  FCurrentDpi = GetSystemDPI();
  FStyle->SetTargetDPI(FCurrentDpi);
}

void TZCLPopupMenu::BeforeDestruction() {
  TZCLMainThread::RemoveQueuedFor(this);
  SetPopupComponent(nullptr);
  TZCLObjectLinks::Release(this);
  inherited::BeforeDestruction();
}

void TZCLPopupMenu::DeclareProperties(TClassDeclaration<TZCLPopupMenu>& D) {
  D.Property(u"AutoScale", &TZCLPopupMenu::GetAutoScale, &TZCLPopupMenu::SetAutoScale).Default(true);
  D.Property(u"Hint", &TZCLPopupMenu::GetHint, &TZCLPopupMenu::SetHint);
  D.Property(u"Options", &TZCLPopupMenu::GetOptions, &TZCLPopupMenu::SetOptions);
  D.Property(u"Style", &TZCLPopupMenu::GetStyle, &TZCLPopupMenu::SetStyle);
}

TMenuItem* TZCLPopupMenu::CreateMenuItem() { return Create<TZCLMenuItem>(this); }

TZCLPopupMenuOptions* TZCLPopupMenu::CreateOptions() { return Create<TZCLPopupMenuOptions>(); }

TZCLPopupMenuStyle* TZCLPopupMenu::CreateStyle() { return Create<TZCLPopupMenuStyle>(static_cast<TObject*>(this)); }

Integer TZCLPopupMenu::CalculateTargetDpi() {
  Integer dpi = GetComponentDPI(GetPopupComponent());
  if (dpi == 0) dpi = GetComponentDPI(GetOwner());
  if (dpi == 0) dpi = GetMonitorDPIAtPoint(GetPopupPoint());
  return dpi;
}

void TZCLPopupMenu::SetCurrentDpi(Integer Value) {
  if (Value == FCurrentDpi) return;
  FCurrentDpi = Value;
  DoDpiChanged(Value);
}

void TZCLPopupMenu::DoDpiChanged(Integer Dpi) { FStyle->SetTargetDPI(Dpi); }

void TZCLPopupMenu::DoBeforePopup() {
  DoPopup(this);
  if (FAutoScale) SetCurrentDpi(CalculateTargetDpi());
}

void TZCLPopupMenu::DoSelect(TMenuItem* Item) {
  if (Item) PostMessage(MenuCommandWindow(), WM_COMMAND, Item->GetCommand(), 0);
}

void TZCLPopupMenu::Popup(Integer X, Integer Y) { PopupAt(TRect(X, Y, X, Y)); }

void TZCLPopupMenu::PopupAt(const TRect& R) {
  if (IsShown()) return;
  if (GetCapture()) ReleaseCapture();
  if (Screen) Screen->SetCursor(crDefault);
  SetPopupPoint(TPoint(R.Left, R.Bottom));
  DoBeforePopup();
  DoShowMenu(R == TRect(R.TopLeft(), R.TopLeft()) ? EmptyRect() : R);
}

void TZCLPopupMenu::DoShowMenu(const TRect& R) {
  if (IsShown()) return;
  try {
    FMenuWindow = Create<TZCLMenuPopupWindow>(this);
    FMenuWindow->Init(GetItems());
    if (FMenuWindow->GetCount() > 0) FMenuWindow->Popup(R);
  } catch (...) {
    TZCLMenuPopupWindow* window = FMenuWindow;
    FMenuWindow = nullptr;
    Free(window);
    DoClose();
    throw;
  }
  TZCLMenuPopupWindow* window = FMenuWindow;
  FMenuWindow = nullptr;
  Free(window);
  DoClose();
}

// ---- TZCLMenuWindow -------------------------------------------------------------------------------

TZCLMenuWindow::TZCLMenuWindow(TComponent* AOwner) : TCustomScalableControl(AOwner) { SetDoubleBuffered(true); }

TZCLMenuWindow::~TZCLMenuWindow() {
  FDestroying = true;
  TZCLMouseTracker::Forget(this);
  ClearItems();
}

const TMessageTable& TZCLMenuWindow::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(), {VCL_MESSAGE(WM_GETDLGCODE, &TZCLMenuWindow::WMGetDlgCode)});
  return table;
}

void TZCLMenuWindow::WMGetDlgCode(TMessage& Message) { Message.Result = 0x04 /* DLGC_WANTALLKEYS */ | 0x01; }

void TZCLMenuWindow::ClearItems() {
  for (TItemInfo* info : FItems) delete info;
  FItems.clear();
  FItemIndex = -1;
  FTopIndex = 0;
  FVisibleCount = 0;
}

Integer TZCLMenuWindow::IndexOfInfo(const TItemInfo* Info) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == Info) return static_cast<Integer>(i);
  return -1;
}

void TZCLMenuWindow::Init(TMenuItem* Item) {
  ClearItems();
  MenuItemInitiateActions(Item);
  if (Item->GetEnabled()) {
    MenuItemNotifyShowHandlers(Item);
    auto* container = dynamic_cast<TZCLMenuContainerItem*>(Item);
    if (container && container->GetExpandMode() == lemExpandInSubMenu)
      container->ExpandItems([this](TMenuItem* I) { AddMenuItem(I); });
    else
      for (Integer i = 0; i < Item->GetCount(); ++i) AddMenuItem(Item->GetItem(i));
  }
  if (!FItems.empty() && FItems.back()->Item->IsLine()) {
    delete FItems.back();
    FItems.pop_back();
  }
  FDefaultIndex = -1;
  if (TMenuItem* def = MenuItemGetDefault(Item))
    for (size_t i = 0; i < FItems.size(); ++i)
      if (FItems[i]->Item == def) FDefaultIndex = static_cast<Integer>(i);
}

void TZCLMenuWindow::AddMenuItem(TMenuItem* Item) {
  if (!Item->GetVisible()) return;
  if (Item->IsLine() && (FItems.empty() || FItems.back()->Item->IsLine())) return;
  if (auto* container = dynamic_cast<TZCLMenuContainerItem*>(Item)) {
    if (!container->HasSubItems()) return;
    if (container->GetExpandMode() == lemExpandInplace) {
      if (container->GetEnabled()) container->ExpandItems([this](TMenuItem* I) { AddMenuItem(I); });
      return;
    }
  }
  auto* info = new TItemInfo();
  info->Item = Item;
  FItems.push_back(info);
}

bool TZCLMenuWindow::HasSubMenu(TMenuItem* Item) {
  if (!Item) return false;
  if (Item->GetCount() > 0) return true;
  auto* container = dynamic_cast<TZCLMenuContainerItem*>(Item);
  return container && container->GetExpandMode() == lemExpandInSubMenu;
}

void TZCLMenuWindow::CalculateSizes() {
  TCanvas* canvas = MeasureCanvas();
  canvas->GetFont()->Assign(GetFont());
  for (TItemInfo* info : FItems) info->Size = MeasureItem(canvas, info->Item);
}

void TZCLMenuWindow::SetItemIndex(Integer Index, Integer Source) {
  Index = std::clamp(Index, -1, GetCount() - 1);
  if (Index == FItemIndex) return;
  FItemIndex = Index;
  MakeVisible(Index);
  if (Source != mhsProgram) Perform(MSG_MENU_HOTITEMCHANGED, WPARAM(Source), LPARAM(FItemIndex));
  Invalidate();
}

void TZCLMenuWindow::SetTopIndex(Integer Value) {
  Value = std::max(0, std::min(Value, GetCount() - FVisibleCount));
  if (Value == FTopIndex) return;
  FTopIndex = Value;
  CalculateLayout();
  Invalidate();
}

void TZCLMenuWindow::MakeVisible(Integer Index) {
  if (Index < 0 || Index >= GetCount()) return;
  while (Index < FTopIndex || Index >= FTopIndex + FVisibleCount) {
    const Integer before = FTopIndex;
    if (Index < FTopIndex)
      SetTopIndex(Index);
    else
      SetTopIndex(FTopIndex + std::max(1, FVisibleCount - 1));
    if (FTopIndex == before) break;  // nothing fits: do not spin
  }
}

Integer TZCLMenuWindow::ItemAtPos(const TPoint& P) const {
  for (Integer i = FTopIndex; i < FTopIndex + FVisibleCount && i < GetCount(); ++i)
    if (FItems[static_cast<size_t>(i)]->Bounds.Contains(P)) return i;
  return -1;
}

void TZCLMenuWindow::ClickHotItem(Integer Source) {
  TItemInfo* info = GetHotItemInfo();
  if (!info || info->Item->IsLine() || !info->Item->GetEnabled()) return;
  if (auto* action = dynamic_cast<TCustomAction*>(info->Item->GetAction()))
    if (action->GetGroupIndex() > 0 && !action->GetChecked()) action->SetChecked(true);
  PostMessage(GetHandle(), MSG_MENU_ITEMCLICK, WPARAM(Source), reinterpret_cast<LPARAM>(info->Item));
}

void TZCLMenuWindow::SelectNextItem(bool Down) {
  if (FItems.empty()) return;
  Integer i = FItemIndex;
  Integer wraps = 0;
  do {
    i += Down ? 1 : -1;
    if (i < 0 || i >= GetCount()) {
      if (++wraps > 1) return;
      i = Down ? 0 : GetCount() - 1;
    }
  } while (FItems[static_cast<size_t>(i)]->Item->IsLine());
  SetItemIndex(i, mhsKeyboard);
}

void TZCLMenuWindow::KeyDown(Word& Key, TShiftState Shift) {
  switch (TranslateKey(Key, Shift)) {
    case VK_RETURN:
      ClickHotItem(mhsKeyboard);
      break;
    case VK_END:
      SetItemIndex(GetCount() - 1, mhsKeyboard);
      break;
    case VK_HOME:
      SetItemIndex(0, mhsKeyboard);
      break;
    case VK_UP:
      SelectNextItem(false);
      break;
    case VK_DOWN:
      SelectNextItem(true);
      break;
  }
}

bool TZCLMenuWindow::IsMouseAtControl() {
  if (!HandleAllocated()) return false;
  TPoint p;
  GetCursorPos(p);
  return GetClientRect().Contains(ScreenToClient(p));
}

void TZCLMenuWindow::MouseLeave() {
  FLastMousePos = TPoint(-1, -1);
  MouseHoverItem(-1);
}

void TZCLMenuWindow::MouseDown(TMouseButton, TShiftState, Integer X, Integer Y) {
  SetItemIndex(ItemAtPos(TPoint(X, Y)), mhsMouse);
}

void TZCLMenuWindow::MouseMove(TShiftState, Integer X, Integer Y) {
  if (TZCLMouseTracker* tracker = TZCLMouseTracker::Instance()) tracker->Add(this);
  const TPoint p(X, Y);
  if (p == FLastMousePos) return;
  FLastMousePos = p;
  MouseHoverItem(GetClientRect().Contains(p) ? ItemAtPos(p) : -1);
}

void TZCLMenuWindow::MouseUp(TMouseButton, TShiftState, Integer X, Integer Y) {
  if (HasHotItem() && ItemAtPos(TPoint(X, Y)) == FItemIndex) ClickHotItem(mhsMouse);
}

void TZCLMenuWindow::ReplayMouseMove() {
  TPoint p;
  GetCursorPos(p);
  p = ScreenToClient(p);
  MouseMove(TShiftState(), p.X, p.Y);
}

bool TZCLMenuWindow::DoMouseWheel(TShiftState, Integer WheelDelta, TPoint) {
  SetTopIndex(WheelDelta >= 0 ? FTopIndex - 1 : FTopIndex + 1);
  FLastMousePos = TPoint(-1, -1);
  ReplayMouseMove();
  return true;
}

void TZCLMenuWindow::DoContextPopup(TPoint, bool& Handled) { Handled = true; }

// ---- TZCLMenuPopupWindow --------------------------------------------------------------------------

TZCLMenuPopupWindow::TZCLMenuPopupWindow(TZCLPopupMenu* AMenu) : TZCLMenuWindow(AMenu) { InitRoot(AMenu); }

TZCLMenuPopupWindow::TZCLMenuPopupWindow(TZCLMainMenu* ABar, TZCLPopupMenu* AMenu, TItemInfo* AItem)
    : TZCLMenuWindow(AMenu) {
  InitRoot(AMenu);
  FMainMenu = ABar;
  FParentItemInfo = AItem;
  Init(AItem->Item);
}

TZCLMenuPopupWindow::TZCLMenuPopupWindow(TZCLMenuPopupWindow* AParent, TItemInfo* AItem)
    : TZCLMenuWindow(AParent->GetPopupMenu()) {
  InitRoot(AParent->GetPopupMenu());
  FParentMenuWindow = AParent;
  FLooper = AParent->GetLooper();
  FParentItemInfo = AItem;
  Init(AItem->Item);
}

void TZCLMenuPopupWindow::InitRoot(TZCLPopupMenu* AMenu) {
  SetControlStyle(TControlStyle());
  FPopupMenu = AMenu;
  FScrollTimer = Create<TZCLTimer>(static_cast<TComponent*>(nullptr));
  FScrollTimer->SetEnabled(false);
  FScrollTimer->SetInterval(125);
  FScrollTimer->SetOnTimer(TNotifyEvent(this, &TZCLMenuPopupWindow::ScrollTimerTick));
  SetVisible(false);
  // Owned by the focused form, else the active window, else the main form.
  HWND owner = nullptr;
  if (Screen && Screen->GetFocusedForm() && Screen->GetFocusedForm()->HandleAllocated())
    owner = Screen->GetFocusedForm()->GetHandle();
  if (!owner) owner = GetActiveWindow();
  if (!owner && Application && Application->GetMainForm() && Application->GetMainForm()->HandleAllocated())
    owner = Application->GetMainForm()->GetHandle();
  FOwnerWindow = owner;
  const Integer dpi = AMenu->GetCurrentDpi();
  if (dpi > 0 && dpi != GetCurrentPPI()) ScaleForPPI(dpi);
}

TZCLMenuPopupWindow::~TZCLMenuPopupWindow() {
  FDestroying = true;
  Free(FScrollTimer);
  FreeScrollBar();
}

void TZCLMenuPopupWindow::BeforeDestruction() {
  FDestroying = true;
  if (FLooper) FLooper->RemoveFreeNotification(this);
  inherited::BeforeDestruction();
}

void TZCLMenuPopupWindow::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style = WS_POPUP;
  Params.ExStyle |= WS_EX_TOPMOST;
  Params.WndParent = FOwnerWindow;
  BOOL shadow = 0;
  if (SystemParametersInfo(SPI_GETDROPSHADOW, 0, &shadow, 0) && shadow) Params.WindowClass.style |= CS_DROPSHADOW;
}

void TZCLMenuPopupWindow::WndProc(TMessage& Message) {
  if (Message.Msg == WM_MOUSEACTIVATE) {
    Message.Result = MA_NOACTIVATE;
    return;
  }
  if (FLooper && !FDestroying && FLooper->ProcessMessage(this, Message)) return;
  if (Message.Msg == MSG_MENU_ITEMCLICK) {
    ItemClicked(Message);
    return;
  }
  inherited::WndProc(Message);
}

void TZCLMenuPopupWindow::ItemClicked(TMessage& Message) {
  auto* item = reinterpret_cast<TMenuItem*>(Message.LParam);
  if (!item || !FLooper) return;
  if (FPopupMenu->GetOptions()->GetCloseMenuOnItemCheck() || !item->GetAutoCheck()) {
    FLooper->CloseMenuAndSelect(item);
  } else {
    // Toggled in place; the menu stays open.
    item->Click();
    Invalidate();
  }
}

TRect TZCLMenuPopupWindow::GetWorkArea() { return GetWorkAreaAtPoint(ClientToScreen(TPoint(0, 0))); }

void TZCLMenuPopupWindow::CalculateSizes() {
  TRect borders = FPopupMenu->GetStyle()->GetBorders()->GetValue();
  const Integer dpi = GetCurrentPPI();
  FBorders = TRect(ScaleByDPI(borders.Left, dpi), ScaleByDPI(borders.Top, dpi), ScaleByDPI(borders.Right, dpi),
                   ScaleByDPI(borders.Bottom, dpi));
  inherited::CalculateSizes();
}

TSize TZCLMenuPopupWindow::MeasureItem(TCanvas* Canvas, TMenuItem* Item) {
  TZCLPopupMenuStyle* style = FPopupMenu->GetStyle();
  if (Item->IsLine()) {
    style->GetTextureSeparator()->SetTargetDPI(style->GetTargetDPI());
    return TSize(0, style->GetTextureSeparator()->GetFrameHeight());
  }
  return TSize(style->MeasureWidth(Canvas, Item->GetCaption(), Item->GetShortCut(), Item->GetDefault()),
               style->ItemHeight());
}

TSize TZCLMenuPopupWindow::CalculateSize() {
  TSize size(0, 0);
  for (TItemInfo* info : FItems) {
    size.cx = std::max(size.cx, info->Size.cx);
    size.cy += info->Size.cy;
  }
  if (FScrollBar) size.cx += FScrollBarStyle->GetBarThickness(sbVertical);
  if (size.cx > 0 && size.cy > 0) {
    size.cx += FBorders.Left + FBorders.Right;
    size.cy += FBorders.Top + FBorders.Bottom;
  }
  return size;
}

void TZCLMenuPopupWindow::CalculatePopupBounds(TRect& R, TSize Size, TZCLMenuPopupWindow* Child) {
  const TRect w = GetWorkArea();
  Integer left, top, cy = Size.cy;
  if (Child) {
    TRect p = Child->GetParentItemInfo()->Bounds;
    p.Offset(ClientToScreen(TPoint(0, 0)).X, ClientToScreen(TPoint(0, 0)).Y - FBorders.Top);
    left = p.Right;
    if (left + Size.cx > w.Right) left = p.Left - Size.cx;
    top = p.Top;
    if (top + cy > w.Bottom) top = p.Bottom - cy;
  } else {
    left = GetLeft();
    top = GetTop();
    if (left + Size.cx > w.Right) left = w.Right - Size.cx;
    if (top + cy > w.Bottom) {
      if (IsEmptyRect(FControlRect) && FControlRect.Width() == 0 && FControlRect.Height() == 0) {
        top = w.Bottom - cy;
      } else {
        const Integer above = FControlRect.Top - w.Top, below = w.Bottom - top;
        if (above > cy) {
          top = FControlRect.Top - cy - 4;
        } else if (above > below || top < FControlRect.Top) {
          top = w.Top;
          cy = FControlRect.Top - w.Top - 4;
        }
      }
    }
  }
  top = std::max(top, w.Top);
  R = TRect(left, top, left + Size.cx, std::min(top + cy, w.Bottom));
}

void TZCLMenuPopupWindow::CalculateBounds() {
  CalculateSizes();
  // The scroll bar widens the window, which may change whether it needs one.
  bool hadScrollBar;
  do {
    hadScrollBar = FScrollBar != nullptr;
    TRect r;
    if (FParentMenuWindow)
      FParentMenuWindow->CalculatePopupBounds(r, CalculateSize(), this);
    else if (FMainMenu)
      FMainMenu->CalculatePopupBounds(r, CalculateSize(), this);
    else
      CalculatePopupBounds(r, CalculateSize(), nullptr);
    SetBoundsRect(r);
    CalculateLayout();
  } while (hadScrollBar != (FScrollBar != nullptr));
}

bool TZCLMenuPopupWindow::UsesScrollBar() {
  switch (FPopupMenu->GetOptions()->GetScrollMode()) {
    case smScrollButtons: return false;
    case smScrollBars: return true;
    default: return !FPopupMenu->GetStyle()->GetTextureScrollBar()->IsEmpty();
  }
}

void TZCLMenuPopupWindow::FreeScrollBar() {
  Free(FScrollBar);
  FScrollBar = nullptr;
  Free(FScrollBarStyle);
  FScrollBarStyle = nullptr;
}

void TZCLMenuPopupWindow::CalculateScrollParts(TRect& R) {
  FUpButtonRect = FDownButtonRect = EmptyRect();
  if (GetClientHeight() >= CalculateSize().cy) {
    FreeScrollBar();
    return;
  }
  if (!UsesScrollBar()) {
    FreeScrollBar();
    const Integer h = FPopupMenu->GetStyle()->ItemHeight();
    FUpButtonRect = TRect(R.Left, R.Top, R.Right, R.Top + h);
    FDownButtonRect = TRect(R.Left, R.Bottom - h, R.Right, R.Bottom);
    R.Top += h;
    R.Bottom -= h;
    return;
  }
  if (!FScrollBar) {
    TZCLPopupMenuStyle* style = FPopupMenu->GetStyle();
    FScrollBarStyle = Create<TZCLStyleScrollBox>(static_cast<TObject*>(this));
    FScrollBarStyle->BeginUpdate();
    FScrollBarStyle->SetCollection(style->GetCollection());
    FScrollBarStyle->GetTextureBackground(sbVertical)->Assign(style->GetTextureScrollBar());
    FScrollBarStyle->GetTextureButtons(sbVertical)->Assign(style->GetTextureScrollBarButtons());
    FScrollBarStyle->GetTextureThumb(sbVertical)->Assign(style->GetTextureScrollBarThumb());
    FScrollBarStyle->SetTargetDPI(GetCurrentPPI());
    FScrollBarStyle->EndUpdate();
    FScrollBar = new TZCLScrollBarSubClass(this, FScrollBarStyle, sbVertical);
  }
  const Integer width = FScrollBarStyle->GetBarThickness(sbVertical);
  FScrollBar->Calculate(TRect(R.Right - width, R.Top, R.Right, R.Bottom));
  R.Right -= width;
}

void TZCLMenuPopupWindow::ScrollBarScroll(TScrollCode, Integer& Position) {
  SetTopIndex(Position);
  Position = FTopIndex;
}

void TZCLMenuPopupWindow::InvalidateRect(const TRect& Rect) {
  if (!FDestroying && HandleAllocated()) ::InvalidateRect(GetHandle(), &Rect, 1);
}

void TZCLMenuPopupWindow::MouseLeave() {
  if (FScrollBar) FScrollBar->MouseLeave();
  inherited::MouseLeave();
}

void TZCLMenuPopupWindow::CalculateLayout() {
  TRect r(FBorders.Left, FBorders.Top, GetClientWidth() - FBorders.Right, GetClientHeight() - FBorders.Bottom);
  CalculateScrollParts(r);
  for (Integer i = 0; i < FTopIndex && i < GetCount(); ++i) FItems[static_cast<size_t>(i)]->Bounds = EmptyRect();
  FVisibleCount = 0;
  bool full = false;
  for (Integer i = FTopIndex; i < GetCount(); ++i) {
    TItemInfo* info = FItems[static_cast<size_t>(i)];
    if (full) {
      info->Bounds = EmptyRect();
      continue;
    }
    info->Bounds = TRect(r.Left, r.Top, r.Right, r.Top + info->Size.cy);
    if (info->Bounds.Bottom > r.Bottom) {
      info->Bounds = EmptyRect();
      full = true;
      continue;
    }
    ++FVisibleCount;
    r.Top = info->Bounds.Bottom;
  }
  if (FScrollBar) FScrollBar->SetScrollParams(0, GetCount() - 1, FTopIndex, FVisibleCount);
  FFillerRect = r.Height() > 0 ? TRect(r.Left, r.Top, r.Right, std::min(r.Bottom, r.Top + FPopupMenu->GetStyle()->ItemHeight()))
                               : EmptyRect();
}

void TZCLMenuPopupWindow::Resize() {
  inherited::Resize();
  if (!HandleAllocated()) return;
  const Integer radius = FPopupMenu->GetStyle()->GetCornerRadius()->GetValue();
  if (radius > 0 && GetWidth() > 0 && GetHeight() > 0)
    SetWindowRgn(GetHandle(), CreateRoundRectRgn(0, 0, GetWidth() + 1, GetHeight() + 1, 2 * radius, 2 * radius), 1);
  else
    SetWindowRgn(GetHandle(), nullptr, 1);
}

void TZCLMenuPopupWindow::Paint() {
  if (FDestroying) return;
  TZCLPopupMenuStyle* style = FPopupMenu->GetStyle();
  TCanvas* canvas = GetCanvas();
  style->DrawBorder(canvas, GetClientRect());
  HRGN saved = nullptr;
  const TRect inner(FBorders.Left, FBorders.Top, GetClientWidth() - FBorders.Right, GetClientHeight() - FBorders.Bottom);
  if (!ClipRegionPush(canvas->GetHandle(), inner, saved)) return;
  for (Integer i = FTopIndex; i < FTopIndex + FVisibleCount && i < GetCount(); ++i) {
    TItemInfo* info = FItems[static_cast<size_t>(i)];
    TMenuItem* item = info->Item;
    if (item->IsLine()) {
      style->DrawSeparator(canvas, info->Bounds);
      continue;
    }
    const bool hot = i == FItemIndex;
    style->DrawBackground(canvas, info->Bounds, hot);
    style->DrawItemText(canvas, info->Bounds, item->GetCaption(), item->GetShortCut(), hot, item->GetDefault(),
                        item->GetEnabled(), HasSubMenu(item));
    style->DrawItemImage(
        canvas, TRect(info->Bounds.Left, info->Bounds.Top, info->Bounds.Left + style->GetGutterWidth(), info->Bounds.Bottom),
        item, hot);
  }
  if (!IsEmptyRect(FFillerRect)) style->DrawBackground(canvas, FFillerRect, false);
  if (FScrollBar) {
    style->DrawBackground(canvas, FScrollBar->GetBounds(), false);
    FScrollBar->Draw(canvas);
  }
  if (!IsEmptyRect(FUpButtonRect)) {
    style->DrawBackground(canvas, FUpButtonRect, false);
    style->DrawScrollButton(canvas, FUpButtonRect, true, FTopIndex > 0);
  }
  if (!IsEmptyRect(FDownButtonRect)) {
    style->DrawBackground(canvas, FDownButtonRect, false);
    style->DrawScrollButton(canvas, FDownButtonRect, false, FTopIndex + FVisibleCount < GetCount());
  }
  ClipRegionPop(canvas->GetHandle(), saved);
}

void TZCLMenuPopupWindow::Popup(const TRect& R) {
  if (!(R == EmptyRect())) FControlRect = MoveRectIntoMonitor(R);
  SetBounds(FControlRect.Left, FControlRect.Bottom, 0, 0);
  CalculateBounds();
  MakeVisible(FDefaultIndex);
  HandleNeeded();
  SetVisible(true);
  ShowWindow(GetHandle(), SW_SHOWNOACTIVATE);
  if (FLooper) return;
  auto* looper = Create<TZCLMenuPopupLooperImpl>(this);
  FLooper = looper;
  try {
    looper->Run();
  } catch (...) {
    FLooper = nullptr;
    Free(looper);
    throw;
  }
  FLooper = nullptr;
  Free(looper);
}

void TZCLMenuPopupWindow::MouseHoverItem(Integer Index) {
  // Only the top window lets go of its hot item, so the chain to an open submenu stays lit.
  if (Index < 0 && FLooper && FLooper->GetTopWindow() != this) return;
  inherited::MouseHoverItem(Index);
}

void TZCLMenuPopupWindow::KeyDown(Word& Key, TShiftState Shift) {
  const Word key = TranslateKey(Key, Shift);
  switch (key) {
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU:
      if (FLooper) FLooper->CloseMenu(nullptr);
      return;
    case VK_ESCAPE:
      if (FLooper) FLooper->CloseMenu(this);
      return;
    case VK_LEFT:
      if (FParentMenuWindow) {
        if (FLooper) FLooper->CloseMenu(this);
      } else if (FMainMenu) {
        Word k = VK_LEFT;
        FMainMenu->KeyDown(k, Shift);
      }
      return;
    case VK_RIGHT: {
      TItemInfo* info = GetHotItemInfo();
      if (info && HasSubMenu(info->Item) && info->Item->GetEnabled()) {
        ClickHotItem(mhsKeyboard);
      } else if (FMainMenu) {
        Word k = VK_RIGHT;
        FMainMenu->KeyDown(k, Shift);
      }
      return;
    }
  }
  inherited::KeyDown(Key, Shift);
}

bool TZCLMenuPopupWindow::ForwardMouse(UINT Msg, TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (!FLooper) return false;
  const TPoint screen = ClientToScreen(TPoint(X, Y));
  TZCLMenuWindow* target = FLooper->FindWindowAtCursor();
  if (target == this) return false;
  if (!target && FMainMenu && FMainMenu->HandleAllocated()) {
    const TPoint p = FMainMenu->ScreenToClient(screen);
    if (FMainMenu->GetClientRect().Contains(p)) target = FMainMenu;
  }
  if (!target) return false;
  const TPoint p = target->ScreenToClient(screen);
  if (Msg == WM_LBUTTONDOWN)
    target->MouseDown(Button, Shift, p.X, p.Y);
  else if (Msg == WM_MOUSEMOVE)
    target->MouseMove(Shift, p.X, p.Y);
  else
    target->MouseUp(Button, Shift, p.X, p.Y);
  return true;
}

void TZCLMenuPopupWindow::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (FScrollBar && FScrollBar->GetBounds().Contains(TPoint(X, Y))) {
    FScrollBar->MouseDown(Button, Shift, X, Y);
    return;
  }
  if (ForwardMouse(WM_LBUTTONDOWN, Button, Shift, X, Y)) return;
  inherited::MouseDown(Button, Shift, X, Y);
}

void TZCLMenuPopupWindow::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (FScrollBar) {
    // A pressed part (a dragged thumb) keeps the mouse until the button goes up.
    FScrollBar->MouseMove(X, Y);
    if (FScrollBar->GetPressedPart() != spNone) return;
  }
  if (ForwardMouse(WM_MOUSEMOVE, mbLeft, Shift, X, Y)) return;
  inherited::MouseMove(Shift, X, Y);
  UpdateScrollTimer();
}

void TZCLMenuPopupWindow::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (FScrollBar && (FScrollBar->GetPressedPart() != spNone || FScrollBar->GetBounds().Contains(TPoint(X, Y)))) {
    FScrollBar->MouseUp(Button, X, Y);
    return;
  }
  if (ForwardMouse(WM_LBUTTONUP, Button, Shift, X, Y)) return;
  if (!GetClientRect().Contains(TPoint(X, Y))) {
    if (FLooper) FLooper->CloseMenu(nullptr);
    return;
  }
  inherited::MouseUp(Button, Shift, X, Y);
}

void TZCLMenuPopupWindow::UpdateScrollTimer() {
  TPoint p;
  GetCursorPos(p);
  p = ScreenToClient(p);
  FScrollDirection = FDownButtonRect.Contains(p) ? 1 : FUpButtonRect.Contains(p) ? -1 : 0;
  FScrollTimer->SetEnabled(FScrollDirection != 0);
}

void TZCLMenuPopupWindow::ScrollTimerTick(TObject*) {
  UpdateScrollTimer();
  if (FScrollDirection != 0) SetTopIndex(FTopIndex + FScrollDirection);
}

// ---- TZCLMenuPopupLooper --------------------------------------------------------------------------

Cardinal TZCLMenuPopupLooper::MenuShowDelay(UINT SystemDelay) { return SystemDelay <= 1 ? 1 : SystemDelay; }

TZCLMenuPopupLooper::TZCLMenuPopupLooper(TZCLMenuPopupWindow* ARootWindow)
    : TZCLComponent(nullptr), FRootWindow(ARootWindow) {
  TZCLMenuLoop::Enter();
  UINT delay = 400;
  if (!SystemParametersInfo(SPI_GETMENUSHOWDELAY, 0, &delay, 0)) delay = 400;
  FDelayTimer = Create<TZCLTimer>(static_cast<TComponent*>(nullptr));
  FDelayTimer->SetEnabled(false);
  FDelayTimer->SetInterval(MenuShowDelay(delay));
  FDelayTimer->SetOnTimer(TNotifyEvent(this, &TZCLMenuPopupLooper::DelayTimerTick));
  FWindows.push_back(ARootWindow);
  FForm = dynamic_cast<TCustomForm*>(ARootWindow->GetPopupMenu()->GetOwner());
  if (!FForm && Screen) FForm = Screen->GetActiveForm();
  if (FForm && FForm->HandleAllocated()) SendMessage(FForm->GetHandle(), WM_ENTERMENULOOP, 0, 0);
  FActive = true;
  UpdateCapture();
}

TZCLMenuPopupLooper::~TZCLMenuPopupLooper() {
  FActive = false;
  Free(FDelayTimer);
  FDelayTimer = nullptr;
  TZCLMainThread::RemoveQueuedFor(this);
  while (FWindows.size() > 1) PopWindow();
  if (GetCapture() == FRootWindow->GetHandle()) {
    FCaptureUpdating = true;
    ReleaseCapture();
    FCaptureUpdating = false;
  }
  TZCLMenuLoop::Leave();
  if (FForm && FForm->HandleAllocated()) SendMessage(FForm->GetHandle(), WM_EXITMENULOOP, 0, 0);
  if (FSelectedItem) FRootWindow->GetPopupMenu()->DoSelect(FSelectedItem);
  // A quit request the loop took still ends the application.
  if (FQuitPending) PostQuitMessage(FQuitCode);
}

void TZCLMenuPopupLooper::PopWindow() {
  TZCLMenuPopupWindow* window = FWindows.back();
  FWindows.pop_back();
  if (window == FDelayWindow) SetDelayWindow(nullptr);
  if (window == FCloseTarget) FCloseTarget = nullptr;
  FCaptureUpdating = true;
  try {
    Free(window);
  } catch (...) {
    FCaptureUpdating = false;
    throw;
  }
  FCaptureUpdating = false;
}

bool TZCLMenuPopupLooper::IsRunning() {
  return FActive && FRootWindow->HandleAllocated() && IsWindowVisible(FRootWindow->GetHandle()) &&
         !(Application && Application->GetTerminated());
}

void TZCLMenuPopupLooper::CloseMenu(TZCLMenuPopupWindow* Window) {
  if (!Window) {
    FActive = false;
    return;
  }
  FCloseTarget = Window;
  TZCLMainThread::Queue(TThreadMethod(this, &TZCLMenuPopupLooper::QueuedClose), this);
}

void TZCLMenuPopupLooper::QueuedClose() {
  TZCLMenuPopupWindow* target = FCloseTarget;
  FCloseTarget = nullptr;
  DoCloseMenu(target);
}

void TZCLMenuPopupLooper::CloseMenuAndSelect(TMenuItem* Item) {
  FSelectedItem = Item;
  CloseMenu(nullptr);
}

void TZCLMenuPopupLooper::DoCloseMenu(TZCLMenuPopupWindow* Window) {
  while (FWindows.size() >= 2 && FWindows.back() != Window) PopWindow();
  if (FWindows.size() < 2)
    FActive = false;
  else
    PopWindow();
  UpdateCapture();
}

void TZCLMenuPopupLooper::UpdateCapture() {
  if (FWindows.empty()) return;
  TZCLMenuPopupWindow* top = FWindows.back();
  FCaptureUpdating = true;
  try {
    if (top->HandleAllocated()) SetCapture(top->GetHandle());
  } catch (...) {
    FCaptureUpdating = false;
    throw;
  }
  FCaptureUpdating = false;
}

bool TZCLMenuPopupLooper::IsSubMenuOpen(TZCLMenuWindow::TItemInfo* Item) {
  for (TZCLMenuPopupWindow* w : FWindows)
    if (w->GetParentItemInfo() == Item) return true;
  return false;
}

bool TZCLMenuPopupLooper::ShowSubMenu(TZCLMenuPopupWindow* Window) {
  SetDelayWindow(nullptr);
  TZCLMenuWindow::TItemInfo* hot = Window->GetHotItemInfo();
  if (hot && IsSubMenuOpen(hot)) return true;
  bool result = false;
  while (!FWindows.empty() && FWindows.back() != Window && FWindows.size() > 1) PopWindow();
  if (hot && TZCLMenuWindow::HasSubMenu(hot->Item)) {
    hot->Item->Click();
    auto* sub = Create<TZCLMenuPopupWindow>(Window, hot);
    if (sub->GetCount() == 0) {
      Free(sub);
    } else {
      FWindows.push_back(sub);
      sub->Popup(EmptyRect());
      result = true;
    }
  }
  UpdateCapture();
  return result;
}

void TZCLMenuPopupLooper::SetDelayWindow(TZCLMenuPopupWindow* Window) {
  if (FDelayTimer) FDelayTimer->SetEnabled(false);
  if (FDelayWindow) FDelayWindow->RemoveFreeNotification(this);
  FDelayWindow = Window;
  if (Window) {
    FDelayItemIndex = Window->GetItemIndex();
    Window->FreeNotification(this);
    if (FDelayTimer) FDelayTimer->SetEnabled(true);
  }
}

void TZCLMenuPopupLooper::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDelayWindow) {
    FDelayWindow = nullptr;
    if (FDelayTimer) FDelayTimer->SetEnabled(false);
  }
}

void TZCLMenuPopupLooper::DelayTimerTick(TObject*) {
  FDelayTimer->SetEnabled(false);
  TZCLMenuPopupWindow* window = FDelayWindow;
  if (window && window->HasHotItem() && window->GetItemIndex() == FDelayItemIndex) ShowSubMenu(window);
  SetDelayWindow(nullptr);
}

TZCLMenuPopupWindow* TZCLMenuPopupLooper::FindWindowAtCursor() {
  TPoint p;
  GetCursorPos(p);
  for (auto it = FWindows.rbegin(); it != FWindows.rend(); ++it)
    if ((*it)->HandleAllocated() && (*it)->GetClientRect().Contains((*it)->ScreenToClient(p))) return *it;
  return nullptr;
}

String TZCLMenuPopupLooper::GetItemHint(TMenuItem* Item) {
  const String hint = GetLongHint(Item->GetHint());
  if (Application && Application->GetHintShortCuts()) return MenuTextWithShortCut(hint, Item->GetShortCut());
  return hint;
}

void TZCLMenuPopupLooper::SyncParentHotItems(TZCLMenuPopupWindow* Window) {
  while (Window->GetParentMenuWindow() && Window->GetParentItemInfo()) {
    TZCLMenuPopupWindow* parent = Window->GetParentMenuWindow();
    const Integer index = parent->IndexOfInfo(Window->GetParentItemInfo());
    if (index < 0) break;
    parent->SetItemIndex(index, mhsProgram);
    Window = parent;
  }
}

bool TZCLMenuPopupLooper::ProcessMessage(TZCLMenuPopupWindow* Window, TMessage& Message) {
  switch (Message.Msg) {
    case WM_CAPTURECHANGED:
      if (!FCaptureUpdating && FActive) CloseMenu(FRootWindow);
      return false;
    case MSG_MENU_ITEMCLICK:
      return ShowSubMenu(Window);
    case MSG_MENU_HOTITEMCHANGED:
      SyncParentHotItems(Window);
      SetDelayWindow(Window);
      return false;
  }
  return false;
}

void TZCLMenuPopupLooper::Idle() {
  if (!Application) return;
  TZCLMenuPopupWindow* top = FWindows.back();
  if (TZCLMenuWindow::TItemInfo* info = top->GetHotItemInfo())
    Application->SetHint(GetItemHint(info->Item));
  else
    Application->CancelHint();
}

// ---- TZCLMenuPopupLooperImpl ----------------------------------------------------------------------

TZCLMenuPopupLooperImpl::TZCLMenuPopupLooperImpl(TZCLMenuPopupWindow* ARootWindow)
    : TZCLMenuPopupLooper(ARootWindow), FActionTimer(Create<TZCLTimer>(static_cast<TComponent*>(nullptr))) {
  FActionTimer->SetEnabled(false);
  FActionTimer->SetInterval(1000);
  FActionTimer->SetOnTimer(TNotifyEvent(this, &TZCLMenuPopupLooperImpl::ActionTimerTick));
}

TZCLMenuPopupLooperImpl::~TZCLMenuPopupLooperImpl() { Free(FActionTimer); }

namespace {
void BroadcastActionUpdate() {
  if (!Screen) return;
  for (Integer i = 0; i < Screen->GetFormCount(); ++i) {
    TCustomForm* form = Screen->GetForms(i);
    if (form->HandleAllocated() && IsWindowVisible(form->GetHandle()) && IsWindowEnabled(form->GetHandle()))
      form->Perform(CM_ACTIONUPDATE);
  }
}
}  // namespace

void TZCLMenuPopupLooperImpl::ActionTimerTick(TObject*) {
  FActionTimer->SetEnabled(false);
  try {
    BroadcastActionUpdate();
  } catch (...) {
    if (Application) Application->HandleException(this);
  }
}

void TZCLMenuPopupLooperImpl::Idle() {
  inherited::Idle();
  bool done = true;
  if (Application && Application->OnIdle) {
    try {
      Application->OnIdle(this, done);
    } catch (...) {
      Application->HandleException(this);
    }
  }
  if (done && Application) {
    if (Application->GetActionUpdateDelay() > 0) {
      if (!FActionTimer->GetEnabled()) {
        FActionTimer->SetInterval(Cardinal(Application->GetActionUpdateDelay()));
        FActionTimer->SetEnabled(true);
      }
    } else {
      try {
        BroadcastActionUpdate();
      } catch (...) {
        Application->HandleException(this);
      }
    }
  }
  const Integer before = TZCLMainThread::GetQueuedCount();
  TZCLMainThread::CheckSynchronize();
  if (before > 0) done = false;
  // Under a manual clock nothing arrives while the loop waits: the idle step returns instead.
  if (done && !GetClock().IsManual()) WaitMessage();
}

void TZCLMenuPopupLooperImpl::Run() {
  while (IsRunning()) {
    MSG msg;
    if (!PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
      Idle();
      continue;
    }
    if (msg.message == WM_QUIT) {
      // Taken from the application's loop: closes the menu, and is posted again afterwards.
      FQuitPending = true;
      FQuitCode = static_cast<Integer>(msg.wParam);
      DoCloseMenu(nullptr);
      continue;
    }
    if (msg.message == WM_CLOSE || msg.message == kDeferredRelease) DoCloseMenu(nullptr);
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
      TZCLMenuPopupWindow* top = FWindows.back();
      top->Perform(msg.message, msg.wParam, msg.lParam);
      continue;
    }
    TranslateMessage(msg);
    DispatchMessage(msg);
  }
}

// ---- TZCLMainMenu ---------------------------------------------------------------------------------

TZCLMainMenu::TZCLMainMenu(TComponent* AOwner)
    : TZCLMenuWindow(AOwner), FStyle(Create<TZCLStyleMenu>(static_cast<TObject*>(this))) {
  SetAlign(alTop);
  SetControlStyle(GetControlStyle() + TControlStyle{csMenuEvents});
  SetAutoSize(true);
  SetTabStop(false);
}

TZCLMainMenu::~TZCLMainMenu() {
  Free(FPopupWindow);
  FPopupWindow = nullptr;
  Free(FStyle);
}

void TZCLMainMenu::BeforeDestruction() {
  FDestroying = true;
  TZCLMainThread::RemoveQueuedFor(this);
  SetMenu(nullptr);
  inherited::BeforeDestruction();
}

const TMessageTable& TZCLMainMenu::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(WM_GETDLGCODE, &TZCLMainMenu::WMGetDlgCode),
                                    VCL_MESSAGE(WM_SYSCOMMAND, &TZCLMainMenu::WMSysCommand),
                                    VCL_MESSAGE(MSG_MENU_HOTITEMCHANGED, &TZCLMainMenu::HotItemChanged),
                                    VCL_MESSAGE(MSG_MENU_ITEMCLICK, &TZCLMainMenu::ItemClick)});
  return table;
}

void TZCLMainMenu::DeclareProperties(TClassDeclaration<TZCLMainMenu>& D) {
  D.Property(u"Menu", &TZCLMainMenu::GetMenu, &TZCLMainMenu::SetMenu);
  D.Property(u"Style", &TZCLMainMenu::GetStyle, &TZCLMainMenu::SetStyle);
}

void TZCLMainMenu::SetMenu(TZCLPopupMenu* Value) {
  if (Value == FMenu) return;
  if (FMenu) {
    FMenu->RemoveFreeNotification(this);
    FMenu->OnChange = TMenuChangeEvent();
  }
  FMenu = Value;
  if (FMenu) {
    FMenu->FreeNotification(this);
    FMenu->OnChange = TMenuChangeEvent(this, &TZCLMainMenu::MenuChanged);
  }
  Rebuild();
}

void TZCLMainMenu::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FMenu) {
    FMenu = nullptr;
    Rebuild();
  }
}

void TZCLMainMenu::MenuChanged(TObject*, TMenuItem*, bool) { Rebuild(); }

void TZCLMainMenu::QueuedRebuild() { Rebuild(); }

void TZCLMainMenu::Localize(const String&, const String&) {
  if (FMenu) TZCLMainThread::Queue(TThreadMethod(this, &TZCLMainMenu::QueuedRebuild), this);
}

void TZCLMainMenu::Rebuild() {
  ClearItems();
  if (!FDestroying && FMenu) {
    FMenu->SetCurrentDpi(GetCurrentPPI());
    for (Integer i = 0; i < FMenu->GetItems()->GetCount(); ++i) AddMenuItem(FMenu->GetItems()->GetItem(i));
  }
  if (FDestroying) return;
  CalculateLayout();
  AdjustSize();
  Invalidate();
}

TSize TZCLMainMenu::CalculateSize() { return TSize(1, FStyle->ItemHeight()); }

bool TZCLMainMenu::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  (void)NewWidth;
  NewHeight = FStyle->ItemHeight();
  return true;
}

void TZCLMainMenu::AdjustSize() {
  if (!HandleAllocated()) return;
  SetHeight(FStyle->ItemHeight());
  CalculateLayout();
}

TSize TZCLMainMenu::MeasureItem(TCanvas* Canvas, TMenuItem* Item) {
  Integer width = FStyle->MeasureWidth(Canvas, Item->GetCaption(), 0, false);
  IPtr<IZCLGlyph> glyph;
  const bool hasImage = Item->GetImageIndex() >= 0 || (Item->HasBitmap() && !Item->GetBitmap()->GetEmpty()) ||
                        (Supports(Item, glyph) && !glyph->GetGlyph()->IsEmpty());
  if (hasImage) {
    width += ScaleByDPI(16, GetCurrentPPI());
    if (!Item->GetCaption().empty()) width += ScaleByDPI(2, GetCurrentPPI());
  }
  return TSize(width, FStyle->ItemHeight());
}

void TZCLMainMenu::CalculateLayout() {
  CalculateSizes();
  const TRect client = GetClientRect();
  Integer x = client.Left;
  for (TItemInfo* info : FItems) {
    info->Bounds = TRect(x, client.Top, x + info->Size.cx, client.Bottom);
    x = info->Bounds.Right;
  }
  FTopIndex = 0;
  FVisibleCount = GetCount();
}

void TZCLMainMenu::Paint() {
  TCanvas* canvas = GetCanvas();
  FStyle->DrawBackground(canvas, GetClientRect(), false);
  const Integer dpi = GetCurrentPPI();
  for (Integer i = 0; i < GetCount(); ++i) {
    TItemInfo* info = FItems[static_cast<size_t>(i)];
    TMenuItem* item = info->Item;
    const bool hot = i == FItemIndex;
    FStyle->DrawBackground(canvas, info->Bounds, hot);
    TRect r = info->Bounds;
    r.Left += 2 * ScaleByDPI(2, FStyle->GetTargetDPI());
    r.Right -= 2 * ScaleByDPI(2, FStyle->GetTargetDPI());
    if (item->GetCaption().empty()) {
      FStyle->DrawItemImage(canvas, r, item, hot);
      continue;
    }
    IPtr<IZCLGlyph> glyph;
    if (item->GetImageIndex() >= 0 || (Supports(item, glyph) && !glyph->GetGlyph()->IsEmpty())) {
      FStyle->DrawItemImage(canvas, TRect(r.Left, r.Top, r.Left + ScaleByDPI(16, dpi), r.Bottom), item, hot);
      r.Left += ScaleByDPI(16, dpi) + ScaleByDPI(2, dpi);
    }
    FStyle->AssignFontParams(canvas, hot, item->GetDefault(), item->GetEnabled());
    FStyle->DrawText(canvas, r, item->GetCaption());
  }
}

void TZCLMainMenu::ChangeScale(Integer M, Integer D, bool IsDpiChange) {
  inherited::ChangeScale(M, D, IsDpiChange);
  if (FMenu) FMenu->SetCurrentDpi(GetCurrentPPI());
  FStyle->SetTargetDPI(GetCurrentPPI());
  AdjustSize();
}

void TZCLMainMenu::CalculatePopupBounds(TRect& R, TSize Size, TZCLMenuPopupWindow* Child) {
  TItemInfo* info = Child ? Child->GetParentItemInfo() : GetHotItemInfo();
  const TPoint origin = ClientToScreen(TPoint(info ? info->Bounds.Left : 0, GetClientHeight()));
  const TRect w = GetWorkAreaAtPoint(ClientToScreen(TPoint(0, 0)));
  R = TRect(origin.X, origin.Y, origin.X + Size.cx, std::min(origin.Y + Size.cy, w.Bottom));
  if (R.Right > w.Right) R.Offset(w.Right - R.Right, 0);
}

Word TZCLMainMenu::TranslateKey(Word Key, TShiftState) {
  switch (Key) {
    case VK_LEFT: return VK_UP;
    case VK_UP: return VK_LEFT;
    case VK_RIGHT: return VK_DOWN;
    case VK_DOWN: return VK_RIGHT;
  }
  return Key;
}

void TZCLMainMenu::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE) {
    if (TCustomForm* form = GetParentForm(this, true)) {
      std::vector<TWinControl*> list;
      form->GetTabOrderList(list);
      for (TWinControl* c : list)
        if (c != this && c->CanFocus()) {
          c->SetFocus();
          break;
        }
    }
    return;
  }
  inherited::KeyDown(Key, Shift);
}

void TZCLMainMenu::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (CanFocus()) SetFocus();
}

void TZCLMainMenu::MouseHoverItem(Integer Index) {
  if (Index < 0 && InMenuMode()) return;
  inherited::MouseHoverItem(Index);
}

void TZCLMainMenu::DoExit() {
  inherited::DoExit();
  if (!FPopupWindow) {
    SetItemIndex(-1, mhsProgram);
    FMenuMode = false;
    Invalidate();
  }
}

void TZCLMainMenu::WMGetDlgCode(TMessage& Message) { Message.Result = 5; }

void TZCLMainMenu::WMSysCommand(TMessage& Message) {
  if ((Message.WParam & 0xFFF0) == SC_KEYMENU) {
    const Char c = static_cast<Char>(LOWORD(Message.LParam));
    TCustomForm* form = GetParentForm(this, true);
    if (c != u' ' && c != u'-' && !GetCapture() && form && Screen && Screen->GetFocusedForm() == form &&
        !(Application && Application->GetModalLevel() > 0) && GetEnabled() && GetShowing()) {
      if (c != 0) {
        for (Integer i = 0; i < GetCount(); ++i)
          if (IsAccel(c, FItems[static_cast<size_t>(i)]->Item->GetCaption())) {
            SetItemIndex(i, mhsKeyboard);
            break;
          }
      } else if (GetCount() > 0) {
        SetItemIndex(0, mhsKeyboard);
      }
      Message.Result = 1;
      return;
    }
  }
  Dispatch(Message);  // the platform's handling
}

bool TZCLMainMenu::IsShortCut(TMessage& Message) {
  const Word key = static_cast<Word>(Message.WParam);
  const bool modifiers = GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
  if (key == VK_F10 && !modifiers) {
    if (FPopupWindow && FPopupWindow->GetLooper())
      FPopupWindow->GetLooper()->CloseMenu(nullptr);
    else if (GetCount() > 0) {
      SetItemIndex(-1, mhsProgram);
      SetItemIndex(0, mhsKeyboard);
    }
    return true;
  }
  return FMenu && FMenu->IsShortCut(Message.WParam, Message.LParam);
}

void TZCLMainMenu::HotItemChanged(TMessage& Message) {
  if (InMenuMode() || Message.WParam == WPARAM(mhsKeyboard))
    PostMessage(GetHandle(), MSG_MENU_ITEMCLICK, Message.WParam, Message.LParam);
}

void TZCLMainMenu::ItemClick(TMessage& Message) {
  TItemInfo* p = GetHotItemInfo();
  if (!FPopupWindow) {
    if (!p) {
      FMenuMode = false;
      return;
    }
    if (FMenuMode || HasSubMenu(p->Item)) {
      p->Item->Click();
      FPopupWindow = Create<TZCLMenuPopupWindow>(this, FMenu, p);
      try {
        FPopupWindow->Popup(EmptyRect());
      } catch (...) {
        Free(FPopupWindow);
        FPopupWindow = nullptr;
        throw;
      }
      if (GetHotItemInfo() == p) {
        FMenuMode = false;
        FLastMousePos = TPoint(-1, -1);
        ReplayMouseMove();
      }
      TZCLMenuPopupWindow* window = FPopupWindow;
      FPopupWindow = nullptr;
      Free(window);
      if (FMenuMode) PostMessage(GetHandle(), MSG_MENU_ITEMCLICK, Message.WParam, Message.LParam);
      return;
    }
    FMenu->DoSelect(p->Item);
    return;
  }
  if (p != FPopupWindow->GetParentItemInfo()) {
    FMenuMode = true;
    if (FPopupWindow->GetLooper()) FPopupWindow->GetLooper()->CloseMenu(nullptr);
  }
}

// ---- unit -----------------------------------------------------------------------------------------

void RegisterMenuClasses() {
  RegisterProperties<TZCLMenuItem>();
  RegisterProperties<TZCLMenuItemLink>();
  RegisterProperties<TZCLMenuListItem>();
  RegisterProperties<TZCLPopupMenuStyle>();
  RegisterProperties<TZCLPopupMenuOptions>();
  RegisterProperties<TZCLPopupMenu>();
  RegisterProperties<TZCLMainMenu>();
  RegisterClasses({TZCLMenuItem::StaticClass(), TZCLMenuItemLink::StaticClass(), TZCLMenuListItem::StaticClass(),
                   TZCLPopupMenu::StaticClass(), TZCLMainMenu::StaticClass()});
}

void FinalizeMenus() {}

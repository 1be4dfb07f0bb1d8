#include "zeph/core/ZEPH.Core.Background.h"

#include <cmath>
#include <memory>

#include "os/OS.Messages.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"

namespace {
TZEPHDialogResources* GResources = nullptr;

// The default fonts before the configuration is read.
void ResetFonts(TFont* Caption, TFont* Description) {
  Caption->SetColor(clWhite);
  Caption->SetSize(11);
  Caption->SetStyle({fsBold});
  Description->SetHeight(9);
}

void FillRect(TCanvas* Canvas, const TRect& R, TColor Color) {
  if (R.IsEmpty() || !IsRectVisible(Canvas, R)) return;
  Canvas->GetBrush()->SetColor(Color);
  Canvas->FillRect(R);
}
}  // namespace

// ---- TZEPHDialogResources ------------------------------------------------------------------------

TZEPHDialogResources::TZEPHDialogResources() : FCaptionFont(new TFont()), FDescriptionFont(new TFont()) {
  ResetFonts(FCaptionFont, FDescriptionFont);
  TZCLApplication::ListenerAdd(this);
}

TZEPHDialogResources::~TZEPHDialogResources() {
  TZCLApplication::ListenerRemove(this);
  Unload();
  Free(FDescriptionFont);
  Free(FCaptionFont);
}

TZEPHDialogResources* TZEPHDialogResources::Instance() {
  if (!GResources) GResources = new TZEPHDialogResources();
  return GResources;
}

void TZEPHDialogResources::FreeInstance() {
  TZEPHDialogResources* resources = GResources;
  GResources = nullptr;
  Free(resources);
}

void TZEPHDialogResources::AddRef() {
  if (++FLoadCount == 1) Load();
}

void TZEPHDialogResources::Release() {
  if (FLoadCount > 0 && --FLoadCount == 0) Unload();
}

// Panels call this too before they take their images, so the order in which the application
// tells its listeners does not matter: the data reloads once per change of appearance.
void TZEPHDialogResources::Changed(Byte Changes) {
  if (!(Changes & (ZCLAppChangeDarkMode | ZCLAppChangeColorSchema)) || !FLoaded) return;
  if (FDark == TZCLApplication::IsDarkMode() && FColorSchema == TZCLApplication::GetColorSchema()) return;
  Unload();
  Load();
}

void TZEPHDialogResources::Load() {
  ++FGeneration;
  FDark = TZCLApplication::IsDarkMode();
  const String appearance = FDark ? u"Dark" : u"Light";
  FBrandImages = new TZCLSkinImageSet();
  FSearchImages = new TZCLSkinImageSet();
  try {
    FBrandImages->LoadFromResource(nullptr, u"BRANDBOX_IMAGE_" + UpperCase(appearance), u"RCDATA");
  } catch (const Exception&) {
    FBrandImages->Clear();
  }
  try {
    FSearchImages->LoadFromResource(nullptr, u"BRANDBOX_SEARCH", u"RCDATA");
  } catch (const Exception&) {
    FSearchImages->Clear();
  }
  std::unique_ptr<TZCLIniFile> config(TZCLIniFile::CreateInMemory());
  try {
    config->LoadFromResource(nullptr, u"BRANDBOX_CONFIG", u"RCDATA");
  } catch (const Exception&) {
  }
  Accent = config->ReadColor(appearance, u"Accent", TColor(0xC0C0C0));
  Content = config->ReadColor(appearance, u"Content", TColor(0xE3E3E3));
  MenuArea = config->ReadColor(appearance, u"MenuArea", TColor(0xFFFFFF));
  MenuAreaSeparator = config->ReadColor(appearance, u"MenuAreaSeparator", TColor(0xC0C0C0));
  config->ReadFont(appearance, u"Caption", FCaptionFont);
  config->ReadFont(appearance, u"Description", FDescriptionFont);
  FColorSchema = TZCLApplication::GetColorSchema();
  if (FColorSchema.IsAssigned()) {
    for (TColor* color : {&Accent, &Content, &MenuArea, &MenuAreaSeparator})
      TZCLColors::ApplyColorSchemaToColor(*color, FColorSchema);
    TZCLColors::ApplyColorSchemaToFont(FCaptionFont, FColorSchema);
    TZCLColors::ApplyColorSchemaToFont(FDescriptionFont, FColorSchema);
  }
  FLoaded = true;
}

void TZEPHDialogResources::Unload() {
  Free(FBrandImages);
  FBrandImages = nullptr;
  Free(FSearchImages);
  FSearchImages = nullptr;
  FLoaded = false;
}

// ---- TZEPHBackgroundControl ----------------------------------------------------------------------

TZEPHBackgroundControl::~TZEPHBackgroundControl() {
  FDestroying = true;
  if (FControl)
    if (TZEPHBackground* panel = Panel()) FControl->RemoveFreeNotification(panel);
}

void TZEPHBackgroundControl::DeclareProperties(TClassDeclaration<TZEPHBackgroundControl>& D) {
  D.Property(u"Alignment", &TZEPHBackgroundControl::GetAlignment, &TZEPHBackgroundControl::SetAlignment)
      .Default(taRightJustify);
  D.Property(u"Control", &TZEPHBackgroundControl::GetControl, &TZEPHBackgroundControl::SetControl);
}

TZEPHBackground* TZEPHBackgroundControl::Panel() const {
  return GetCollection() ? dynamic_cast<TZEPHBackground*>(GetCollection()->GetOwner()) : nullptr;
}

void TZEPHBackgroundControl::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TZEPHBackgroundControl*>(Source);
  if (!source) {
    TCollectionItem::Assign(Source);
    return;
  }
  FAlignment = source->FAlignment;
  TControl* control = source->FControl;
  TZEPHBackground* panel = Panel();
  if (control && panel && panel->GetComponentState().Contains(csDesigning) && panel->GetOwner())
    if (auto* own = dynamic_cast<TControl*>(panel->GetOwner()->FindComponent(control->GetName()))) control = own;
  SetControl(control);
}

void TZEPHBackgroundControl::SetAlignment(TLeftRight Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  Changed(false);
}

void TZEPHBackgroundControl::SetControl(TControl* Value) {
  if (FControl == Value) return;
  TZEPHBackground* panel = Panel();
  if (Value && panel) {
    if (Value->GetParent() != panel)
      throw EInvalidArgument(Format(u"The %s must be placed on %s", {Value->GetName(), panel->GetName()}));
    TZEPHBackgroundControl* other = panel->GetFooterControls()->FindByControl(Value);
    if (other && other != this)
      throw EInvalidArgument(Format(u"The %s is already linked to the %s", {Value->GetName(), panel->GetName()}));
  }
  if (FControl && panel) FControl->RemoveFreeNotification(panel);
  FControl = Value;
  if (FControl) {
    try {
      if (panel) FControl->FreeNotification(panel);
      FControl->SetAlign(alNone);
      FControl->SetAnchors({akLeft, akTop});
    } catch (...) {
      FControl = nullptr;
      throw;
    }
  }
  if (FDestroying) return;
  if (FControl)
    Changed(false);
  else
    Free(this);
}

// ---- TZEPHBackgroundControls ---------------------------------------------------------------------

TZEPHBackgroundControls::TZEPHBackgroundControls(TZEPHBackground* APanel)
    : TCollection(TZEPHBackgroundControl::StaticClass()), FPanel(APanel) {}

TPersistent* TZEPHBackgroundControls::GetOwner() const { return FPanel; }

TZEPHBackgroundControl* TZEPHBackgroundControls::Add(TControl* Control) {
  if (TZEPHBackgroundControl* item = FindByControl(Control)) return item;
  BeginUpdate();
  try {
    auto* item = TCollection::Add<TZEPHBackgroundControl>();
    try {
      item->SetControl(Control);
    } catch (...) {
      Free(item);
      throw;
    }
    EndUpdate();
    return item;
  } catch (...) {
    EndUpdate();
    throw;
  }
}

TZEPHBackgroundControl* TZEPHBackgroundControls::FindByControl(TControl* Control) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetItem(i)->GetControl() == Control) return GetItem(i);
  return nullptr;
}

void TZEPHBackgroundControls::Update(TCollectionItem*) {
  if (FPanel && !FPanel->GetComponentState().Contains(csDestroying)) FPanel->Realign();
}

// ---- TZEPHBackgroundSearchButton -----------------------------------------------------------------

TZEPHBackgroundSearchButtonViewInfo::TZEPHBackgroundSearchButtonViewInfo(IZCLButtonOwner* AOwner,
                                                                         TZEPHBackground* APanel)
    : TZCLCustomDropDownEditButtonSubClass(AOwner), FPanel(APanel) {}

void TZEPHBackgroundSearchButtonViewInfo::DrawBackground(TCanvas* Canvas, const TRect& R) {
  TZCLSkinImage* image = FPanel ? FPanel->GetViewInfo().SearchImage : nullptr;
  if (!image) return;
  const Integer frame = FState == bstPressed ? 2 : FState == bstHover ? 1 : 0;
  image->Draw(Canvas, R, std::min(frame, image->GetFrameCount() - 1));
}

TZEPHBackgroundSearchButton::TZEPHBackgroundSearchButton(TZEPHBackground* APanel)
    : TZCLUIInsightButton(APanel), FPanel(APanel) {
  SetTabStop(false);
  SetParent(APanel);
}

TZCLButtonSubClass* TZEPHBackgroundSearchButton::CreateDropDownButton() {
  return new TZEPHBackgroundSearchButtonViewInfo(this, FPanel);
}

void TZEPHBackgroundSearchButton::UpdateTransparency() {
  inherited::UpdateTransparency();
  SetTransparent(true);
}

// ---- TZEPHBackground -----------------------------------------------------------------------------

Integer TZEPHBackgroundViewInfo::Scale(Integer Value) const { return MulDiv(Value, DPI, 96); }

TZEPHBackground::TZEPHBackground(TComponent* AOwner)
    : TZCLContainer(AOwner), FFooterControls(new TZEPHBackgroundControls(this)) {
  TZEPHDialogResources::Instance()->AddRef();
  FViewInfo.DPI = GetCurrentPPI() > 0 ? GetCurrentPPI() : 96;
  FSearchButton = Create<TZEPHBackgroundSearchButton>(this);
  FSearchButton->SetTabStop(false);
  FSearchButton->SetVisible(false);
  SetDoubleBuffered(true);
  FControlStyle.Include(csAcceptsControls);
  TakeImages();
}

TZEPHBackground::~TZEPHBackground() {
  Free(FFooterControls);
  FFooterControls = nullptr;
  TZEPHDialogResources::Instance()->Release();
}

void TZEPHBackground::AfterConstruction() {
  TZCLContainer::AfterConstruction();
  TZCLApplication::ListenerAdd(this);
}

void TZEPHBackground::BeforeDestruction() {
  TZCLApplication::ListenerRemove(this);
  TZCLContainer::BeforeDestruction();
}

void TZEPHBackground::DeclareProperties(TClassDeclaration<TZEPHBackground>& D) {
  D.Property(u"Caption", &TZEPHBackground::GetCaption, &TZEPHBackground::SetCaption);
  D.Property(u"Description", &TZEPHBackground::GetDescription, &TZEPHBackground::SetDescription);
  D.Property(u"MenuAreaWidth", &TZEPHBackground::GetMenuAreaWidth, &TZEPHBackground::SetMenuAreaWidth).Default(0);
  D.Property(u"ShowCaption", &TZEPHBackground::GetShowCaption, &TZEPHBackground::SetShowCaption).Default(true);
  D.Property(u"ShowFooter", &TZEPHBackground::GetShowFooter, &TZEPHBackground::SetShowFooter).Default(true);
  D.Property(u"ShowSearchBox", &TZEPHBackground::GetShowSearchBox, &TZEPHBackground::SetShowSearchBox).Default(false);
  D.Property(u"FooterControls", &TZEPHBackground::GetFooterControls, &TZEPHBackground::SetFooterControls);
  D.Event(u"OnResourceChanged", &TZEPHBackground::OnResourceChanged);
}

const TMessageTable& TZEPHBackground::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_CONTROLCHANGE, &TZEPHBackground::CMControlChange),
                                    VCL_MESSAGE(WM_NCHITTEST, &TZEPHBackground::WMNCHitTest)});
  return table;
}

void TZEPHBackground::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  FAutoCaption = false;
  Invalidate();
}

void TZEPHBackground::SetDescription(const String& Value) {
  if (FDescription == Value) return;
  FDescription = Value;
  Invalidate();
}

void TZEPHBackground::SetMenuAreaWidth(Integer Value) {
  if (FMenuAreaWidth == Value) return;
  FMenuAreaWidth = Value;
  FullRefresh();
}

void TZEPHBackground::SetShowCaption(bool Value) {
  if (FShowCaption == Value) return;
  FShowCaption = Value;
  FullRefresh();
}

void TZEPHBackground::SetShowFooter(bool Value) {
  if (FShowFooter == Value) return;
  FShowFooter = Value;
  FullRefresh();
}

void TZEPHBackground::SetShowSearchBox(bool Value) {
  if (FShowSearchBox == Value) return;
  FShowSearchBox = Value;
  FSearchButton->SetShortCut(Value ? TShortCut(0x75) : TShortCut(0));
  FullRefresh();
}

// Other resource changes of the same appearance switch may reach the panel before the
// application's listeners do: the images are checked against the data they came from.
void TZEPHBackground::SyncImages() {
  TZEPHDialogResources* resources = TZEPHDialogResources::Instance();
  resources->Changed(ZCLAppChangeDarkMode | ZCLAppChangeColorSchema);
  if (FImagesGeneration != resources->GetGeneration()) TakeImages();
}

void TZEPHBackground::TakeImages() {
  TZEPHDialogResources* resources = TZEPHDialogResources::Instance();
  FImagesGeneration = resources->GetGeneration();
  FViewInfo.BrandImage = nullptr;
  FViewInfo.SearchImage = nullptr;
  if (resources->GetLoaded()) {
    auto pick = [&](TZCLSkinImageSet* Set) -> TZCLSkinImage* {
      if (!Set || Set->IsEmpty()) return nullptr;
      TZCLSkinImage* image = resources->GetColorSchema().IsAssigned()
                                 ? Set->GetForSchema(FViewInfo.DPI, resources->GetColorSchema())
                                 : Set->GetBestFit(FViewInfo.DPI);
      return image && !image->Empty() ? image : nullptr;
    };
    FViewInfo.BrandImage = pick(resources->GetBrandImages());
    FViewInfo.SearchImage = pick(resources->GetSearchImages());
  }
  std::unique_ptr<TFont> font(new TFont());
  for (auto [source, height] : {std::pair{resources->GetCaptionFont(), &FViewInfo.CaptionHeight},
                                std::pair{resources->GetDescriptionFont(), &FViewInfo.DescriptionHeight}}) {
    font->Assign(source);
    font->SetHeight(FViewInfo.Scale(source->GetHeight()));
    TCanvas* canvas = MeasureCanvas();
    canvas->SetFont(font.get());
    *height = CanvasTextHeight(canvas);
  }
}

void TZEPHBackground::Calculate() {
  SyncImages();
  TZEPHBackgroundViewInfo& v = FViewInfo;
  v.Bounds = GetClientRect();
  v.Header = v.Accent = v.Brand = v.CaptionText = v.Search = v.Footer = v.FooterContent = v.MenuArea = TRect();
  v.Content = v.Bounds;
  if (FShowCaption) {
    v.Header = TRect(v.Bounds.Left, v.Bounds.Top, v.Bounds.Right, v.Bounds.Top + v.HeaderHeight());
    v.Content.Top = v.Header.Bottom;
    const Integer accent = static_cast<Integer>(std::lround(v.DPI * 1.3 / 96));
    v.Accent = TRect(v.Header.Left, v.Header.Bottom - accent, v.Header.Right, v.Header.Bottom);
    v.CaptionText = TRect(v.Header.Left, v.Header.Top, v.Header.Right, v.Accent.Top);
    if (v.BrandImage) {
      const Integer h = v.BrandImage->GetHeight() / std::max(1, v.BrandImage->GetFrameCount());
      const Integer top = v.CaptionText.Top + (v.CaptionText.Height() - h) / 2;
      const Integer left = v.CaptionText.Left + (top - v.CaptionText.Top);
      v.Brand = TRect(left, top, left + v.BrandImage->GetWidth(), top + h);
      v.CaptionText.Left = v.Brand.Right;
    }
    if (FShowSearchBox && v.SearchImage) {
      const Integer h = v.SearchImage->GetHeight() / std::max(1, v.SearchImage->GetFrameCount());
      const Integer top = v.CaptionText.Top + (v.CaptionText.Height() - h) / 2;
      const Integer right = v.CaptionText.Right - v.Scale(10);
      v.Search = TRect(right - v.SearchImage->GetWidth(), top, right, top + h);
      v.CaptionText.Right = v.Search.Left;
    }
    const Integer grow = (v.CaptionHeight - v.CaptionText.Height()) / 2;
    v.CaptionText.Left -= grow;
    v.CaptionText.Right += grow;
  }
  if (FShowFooter) {
    v.Footer = TRect(v.Bounds.Left, v.Bounds.Bottom - v.FooterHeight(), v.Bounds.Right, v.Bounds.Bottom);
    v.FooterContent =
        TRect(v.Footer.Left + v.Scale(10), v.Footer.Top + 2, v.Footer.Right - v.Scale(10), v.Footer.Bottom);
    v.Content.Bottom = v.Footer.Top;
  } else {
    // Footer controls go below the visible panel.
    v.FooterContent =
        TRect(v.Bounds.Left + v.Scale(10), 0x3FFF, v.Bounds.Right - v.Scale(10), 0x3FFF + v.FooterHeight());
  }
  if (FMenuAreaWidth > 0) {
    v.MenuArea = TRect(v.Content.Left, v.Content.Top, v.Content.Left + v.Scale(FMenuAreaWidth), v.Content.Bottom);
    v.Content.Left = v.MenuArea.Right;
  }
}

void TZEPHBackground::AdjustClientRect(TRect& Rect) {
  Rect = GetClientRect();
  const Integer margin = FViewInfo.Scale(10);
  Rect = TRect(Rect.Left + margin, Rect.Top + margin, Rect.Right - margin, Rect.Bottom - margin);
  if (FShowCaption) Rect.Top += FViewInfo.HeaderHeight();
  if (FShowFooter) Rect.Bottom -= FViewInfo.FooterHeight();
}

void TZEPHBackground::PlaceFooterControl(TZEPHBackgroundControl* Item, TRect& Area) {
  TControl* control = Item->GetControl();
  if (!control || !control->GetVisible()) return;
  control->SetAlign(alNone);
  control->SetAnchors({akLeft, akTop});
  const Integer w = control->GetWidth(), h = control->GetHeight();
  const Integer top = Area.Top + (Area.Height() - h) / 2;
  const Integer gap = FViewInfo.Scale(5);
  if (Item->GetAlignment() == taLeftJustify) {
    control->SetBounds(Area.Left, top, w, h);
    Area.Left += w + gap;
  } else {
    control->SetBounds(Area.Right - w, top, w, h);
    Area.Right -= w + gap;
  }
}

void TZEPHBackground::AlignControls(TControl* AControl, TRect& Rect) {
  Calculate();
  TZCLContainer::AlignControls(AControl, Rect);
  if (!FFooterControls) return;
  TRect area = FViewInfo.FooterContent;
  for (Integer i = 0; i < FFooterControls->GetCount(); ++i) PlaceFooterControl(FFooterControls->GetItem(i), area);
  if (FSearchButton) {
    FSearchButton->SetBoundsRect(FViewInfo.Search);
    FSearchButton->SetVisible(!FViewInfo.Search.IsEmpty());
  }
}

void TZEPHBackground::GetTabOrderList(std::vector<TWinControl*>& List) {
  TZCLContainer::GetTabOrderList(List);
  auto isFooter = [&](TWinControl* Control) {
    return Control == FSearchButton || FFooterControls->FindByControl(Control) != nullptr;
  };
  std::erase_if(List, isFooter);
  if (!FShowFooter) return;
  auto add = [&](TZEPHBackgroundControl* Item) {
    auto* control = dynamic_cast<TWinControl*>(Item->GetControl());
    if (control && control->GetVisible() && control->GetTabStop()) List.push_back(control);
  };
  for (Integer i = 0; i < FFooterControls->GetCount(); ++i)
    if (FFooterControls->GetItem(i)->GetAlignment() == taLeftJustify) add(FFooterControls->GetItem(i));
  for (Integer i = FFooterControls->GetCount() - 1; i >= 0; --i)
    if (FFooterControls->GetItem(i)->GetAlignment() != taLeftJustify) add(FFooterControls->GetItem(i));
}

void TZEPHBackground::Paint() {
  SyncImages();
  TZCLContainer::Paint();
  TCanvas* canvas = GetCanvas();
  TZEPHDialogResources* resources = TZEPHDialogResources::Instance();
  const TZEPHBackgroundViewInfo& v = FViewInfo;
  if (!v.Header.IsEmpty()) {
    FillRect(canvas, v.Accent, resources->Accent);
    if (v.BrandImage) v.BrandImage->Draw(canvas, v.Brand, 0);
    if (!FCaption.empty()) {
      std::unique_ptr<TFont> captionFont(new TFont()), descriptionFont(new TFont());
      captionFont->Assign(resources->GetCaptionFont());
      captionFont->SetHeight(v.Scale(resources->GetCaptionFont()->GetHeight()));
      descriptionFont->Assign(resources->GetDescriptionFont());
      descriptionFont->SetHeight(v.Scale(resources->GetDescriptionFont()->GetHeight()));
      const TRect& area = v.CaptionText;
      canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
      if (!FDescription.empty()) {
        const Integer block = v.CaptionHeight + v.DescriptionHeight;
        const Integer top = area.Top + (area.Height() - block) / 2;
        canvas->SetFont(captionFont.get());
        TextDraw(canvas, FCaption, TRect(area.Left, top, area.Right, top + v.CaptionHeight), taRightJustify,
                 taVerticalCenter, true);
        canvas->SetFont(descriptionFont.get());
        TextDraw(canvas, FDescription, TRect(area.Left, top + v.CaptionHeight, area.Right, top + block), taRightJustify,
                 taVerticalCenter, true);
      } else {
        const Integer top = area.Top + (area.Height() - v.CaptionHeight) / 2;
        canvas->SetFont(captionFont.get());
        TextDraw(canvas, FCaption, TRect(area.Left, top, area.Right, top + v.CaptionHeight), taRightJustify,
                 taVerticalCenter, true);
      }
      canvas->GetBrush()->SetStyle(TBrushStyle::bsSolid);
    }
  }
  FillRect(canvas, v.Footer, resources->Accent);
  if (!v.MenuArea.IsEmpty()) {
    FillRect(canvas, v.MenuArea, resources->MenuArea);
    FillRect(canvas, TRect(v.MenuArea.Right - v.Scale(1), v.MenuArea.Top, v.MenuArea.Right, v.MenuArea.Bottom),
             resources->MenuAreaSeparator);
  }
  FillRect(canvas, v.Content, resources->Content);
}

void TZEPHBackground::BoundsChanged() {
  TZCLContainer::BoundsChanged();
  const Integer dpi = GetCurrentPPI() > 0 ? GetCurrentPPI() : 96;
  if (dpi != FViewInfo.DPI) {
    FViewInfo.DPI = dpi;
    TakeImages();
  }
  Calculate();
}

void TZEPHBackground::SetTargetDPI(Integer DPI) {
  TZCLContainer::SetTargetDPI(DPI);
  if (DPI > 0 && DPI != FViewInfo.DPI) {
    FViewInfo.DPI = DPI;
    TakeImages();
  }
  Calculate();
}

void TZEPHBackground::UpdateState() {
  TZCLContainer::UpdateState();
  Calculate();
  Realign();
}

void TZEPHBackground::DoLoaded() {
  TZCLContainer::DoLoaded();
  UpdateAutoCaption();
}

void TZEPHBackground::Localize(const String& Section, const String& Name) {
  TZCLContainer::Localize(Section, Name);
  UpdateAutoCaption();
}

void TZEPHBackground::UpdateAutoCaption() {
  if (!FAutoCaption) return;
  auto* form = dynamic_cast<TCustomForm*>(GetOwner());
  if (!form) return;
  SetCaption(BackgroundCaptionFromForm(form->GetCaption()));
  FAutoCaption = true;
}

void TZEPHBackground::Changed(Byte Changes) {
  if (!(Changes & (ZCLAppChangeDarkMode | ZCLAppChangeColorSchema))) return;
  TZEPHDialogResources::Instance()->Changed(Changes);
  TakeImages();
  ResourceChanged();
  if (OnResourceChanged) OnResourceChanged(this);
}

void TZEPHBackground::ResourceChanged() {
  TZCLContainer::ResourceChanged();
  FullRefresh();
}

void TZEPHBackground::Notification(TComponent* AComponent, TOperation Operation) {
  TZCLContainer::Notification(AComponent, Operation);
  if (Operation != opRemove || !FFooterControls) return;
  if (auto* control = dynamic_cast<TControl*>(AComponent))
    if (TZEPHBackgroundControl* item = FFooterControls->FindByControl(control)) {
      item->FControl = nullptr;
      Free(item);
    }
}

void TZEPHBackground::CMControlChange(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  auto* control = reinterpret_cast<TControl*>(Message.WParam);
  if (!control || !FFooterControls || dynamic_cast<TZEPHBackgroundSearchButton*>(control)) return;
  const TComponentState state = GetComponentState();
  if (state.Contains(csDestroying)) return;
  if (Message.LParam) {
    if (!state.Contains(csReading) && !state.Contains(csLoading) && dynamic_cast<TZCLButton*>(control))
      FFooterControls->Add(control);
  } else if (TZEPHBackgroundControl* item = FFooterControls->FindByControl(control)) {
    if (control->GetComponentState().Contains(csDestroying)) control->RemoveFreeNotification(this);
    item->FControl = nullptr;
    Free(item);
  }
}

void TZEPHBackground::WMNCHitTest(TMessage& Message) {
  if (TWinControl* parent = GetParent()) {
    const LRESULT answer = parent->Perform(WM_NCHITTEST, Message.WParam, Message.LParam);
    if (answer != HTCLIENT) {
      Message.Result = HTTRANSPARENT;
      return;
    }
  }
  Message.Result = HTCLIENT;
}

String BackgroundCaptionFromForm(const String& FormCaption) {
  String text = FormCaption;
  size_t at = text.find(u':');
  size_t skip = 1;
  if (at == String::npos) {
    at = text.find(u"- ");
    skip = 1;
  }
  if (at != String::npos) {
    text = AnsiLowerCase(text.substr(at + skip));
    for (Char& c : text)
      if (c != u' ') {
        c = AnsiUpperCase(String(1, c))[0];
        break;
      }
  }
  return zcTrim(text);
}

void BackgroundInitialize() {
  RegisterProperties<TZEPHBackgroundControl>();
  RegisterProperties<TZEPHBackground>();
  RegisterClasses({TZEPHBackground::StaticClass()});
}

void BackgroundFinalize() { TZEPHDialogResources::FreeInstance(); }

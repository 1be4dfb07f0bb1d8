#include "zcl/ui/controls/ZCL.UI.Panels.h"

#include <cmath>

#include "os/OS.Gdi.h"
#include "vcl/VCL.ImgList.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.ImageList.h"

// ---- pictures ---------------------------------------------------------------------------------

TPersistent* TZCLImagePicture::GetOwner() const { return FOwner; }

void TZCLImagePicture::DoChanged(TZCLPersistentChanges) {
  if (FOwner) FOwner->PictureChanged();
}

TZCLImagePictureGlyph::TZCLImagePictureGlyph(TZCLImageBox* AOwner) : TZCLImagePicture(AOwner) {
  FGlyph = Create<TZCLGlyph>(static_cast<TObject*>(this));
}

TZCLImagePictureGlyph::~TZCLImagePictureGlyph() {
  TZCLGlyph* glyph = FGlyph;
  FGlyph = nullptr;
  Free(glyph);
}

void TZCLImagePictureGlyph::DeclareProperties(TClassDeclaration<TZCLImagePictureGlyph>& D) {
  D.Property(u"Glyph", &TZCLImagePictureGlyph::GetGlyph, &TZCLImagePictureGlyph::SetGlyph);
}

void TZCLImagePictureGlyph::ResourceChanged(TObject*, TZCLResource*) {
  if (FGlyph) Changed(ZCLResourceChangeContent);
}

void TZCLImagePictureGlyph::SetTargetDPI(Integer Value) { FGlyph->SetTargetDPI(Value); }

void TZCLImagePictureGlyph::Draw(TCanvas* Canvas, const TRect& R, bool Enabled) {
  FGlyph->Draw(Canvas, R, FGlyph->GetFrameIndex(), Enabled, 255);
}

bool TZCLImagePictureGlyph::IsEmpty() const { return FGlyph->IsEmpty(); }

TSize TZCLImagePictureGlyph::GetSize() const { return FGlyph->GetFrameSize(); }

void TZCLImagePictureGlyph::DoAssign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TZCLImagePictureGlyph*>(Source)) {
    FGlyph->Assign(source->FGlyph);
    Changed(ZCLResourceChangeContent);
  } else {
    inherited::DoAssign(Source);
  }
}

TZCLImagePictureImageList::TZCLImagePictureImageList(TZCLImageBox* AOwner)
    : TZCLImagePicture(AOwner), FLink(new TChangeLink) {
  FLink->OnChange = TNotifyEvent(this, &TZCLImagePictureImageList::ImagesChanged);
}

TZCLImagePictureImageList::~TZCLImagePictureImageList() {
  FLink->OnChange = TNotifyEvent();
  SetImageListReference(nullptr, FImages, FLink, GetImageBox());
  Free(FLink);
}

void TZCLImagePictureImageList::DeclareProperties(TClassDeclaration<TZCLImagePictureImageList>& D) {
  D.Property(u"ImageIndex", &TZCLImagePictureImageList::GetImageIndex, &TZCLImagePictureImageList::SetImageIndex)
      .Default(-1);
  D.Property(u"Images", &TZCLImagePictureImageList::GetImages, &TZCLImagePictureImageList::SetImages);
}

void TZCLImagePictureImageList::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  Changed(ZCLResourceChangeContent);
}

void TZCLImagePictureImageList::SetImages(TCustomImageList* Value) {
  SetImageListReference(Value, FImages, FLink, GetImageBox());
}

void TZCLImagePictureImageList::ImagesChanged(TObject*) { Changed(ZCLResourceChangeContent); }

void TZCLImagePictureImageList::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FImages) SetImages(nullptr);
}

void TZCLImagePictureImageList::Draw(TCanvas* Canvas, const TRect& R, bool Enabled) {
  DrawImageListItem(Canvas, R, FImages, FImageIndex, Enabled);
}

TSize TZCLImagePictureImageList::GetSize() const {
  return GetImageListSize(FImages, GetImageBox() ? GetImageBox()->GetCurrentPPI() : 96);
}

void TZCLImagePictureImageList::DoAssign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TZCLImagePictureImageList*>(Source)) {
    SetImages(source->FImages);
    SetImageIndex(source->FImageIndex);
  } else {
    inherited::DoAssign(Source);
  }
}

namespace {
std::vector<TZCLImagePictureClass>& PictureClasses() {
  static std::vector<TZCLImagePictureClass> classes;
  return classes;
}
}  // namespace

void RegisterImagePictureClass(TZCLImagePictureClass Class) {
  auto& classes = PictureClasses();
  if (std::find(classes.begin(), classes.end(), Class) != classes.end()) return;
  classes.push_back(Class);
  RegisterClass(Class);
}

const std::vector<TZCLImagePictureClass>& ImagePictureClasses() { return PictureClasses(); }

// ---- image box --------------------------------------------------------------------------------

TZCLImageBox::TZCLImageBox(TComponent* AOwner) : TZCLGraphicControl(AOwner) {}

TZCLImageBox::~TZCLImageBox() {
  TZCLImagePicture* picture = FPicture;
  FPicture = nullptr;
  Free(picture);
}

void TZCLImageBox::DeclareProperties(TClassDeclaration<TZCLImageBox>& D) {
  D.Publish(u"AutoSize").Default(false);
  D.Property(u"FitMode", &TZCLImageBox::GetFitMode, &TZCLImageBox::SetFitMode).Default(afmProportionalStretch);
  // Before Picture: a stored form switches the class first, then fills the picture.
  D.Property(u"PictureClassName", &TZCLImageBox::GetPictureClassName, &TZCLImageBox::SetPictureClassName).Default(u"");
  D.Property(u"Picture", &TZCLImageBox::GetPicture, &TZCLImageBox::SetPicture);
  D.Publish(u"OnClick");
  D.Publish(u"OnDblClick");
  D.Publish(u"OnMouseDown");
  D.Publish(u"OnMouseMove");
  D.Publish(u"OnMouseUp");
}

void TZCLImageBox::SetFitMode(TZCLFitMode Value) {
  if (FFitMode == Value) return;
  FFitMode = Value;
  PictureChanged();
}

void TZCLImageBox::SetPictureClass(TZCLImagePictureClass Value) {
  if (GetPictureClass() == Value) return;
  TZCLImagePicture* old = FPicture;
  FPicture = nullptr;
  Free(old);
  if (Value) {
    FPicture = Value->Create<TZCLImagePicture>(this);
    FPicture->SetTargetDPI(GetCurrentPPI());
  }
  PictureChanged();
}

void TZCLImageBox::SetPictureClassName(const String& Value) {
  SetPictureClass(Value.empty() ? nullptr : FindClass(Value));
}

void TZCLImageBox::SetPicture(TZCLImagePicture* Value) {
  if (Value == FPicture) return;
  SetPictureClass(Value ? Value->ClassType() : nullptr);
  if (Value) FPicture->Assign(Value);
}

void TZCLImageBox::PictureChanged() {
  if (GetComponentState().Contains(csDestroying)) return;
  AdjustSize();
  Invalidate();
}

TRect TZCLImageBox::GetImageRect() const {
  if (!FPicture) return TRect();
  return FitRect(GetClientRect(), FPicture->GetSize(), FFitMode, true);
}

bool TZCLImageBox::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  if (FPicture && !FPicture->IsEmpty()) {
    const TSize size = FPicture->GetSize();
    NewWidth = size.cx;
    NewHeight = size.cy;
  }
  return true;
}

void TZCLImageBox::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (FPicture) FPicture->Notification(AComponent, Operation);
}

void TZCLImageBox::Paint() {
  TCanvas* canvas = GetCanvas();
  if (GetComponentState().Contains(csDesigning))
    DrawCheckerboard(canvas->GetHandle(), GetClientRect(), clWhite, TColor(0xBFBFBF), 8);
  if (!FPicture || FPicture->IsEmpty()) return;
  FPicture->Draw(canvas, GetImageRect(), GetEnabled());
}

void TZCLImageBox::SetTargetDPI(Integer Value) {
  inherited::SetTargetDPI(Value);
  if (FPicture) FPicture->SetTargetDPI(Value);
}

// ---- bevel ------------------------------------------------------------------------------------

void TZCLStyleBevel::DeclareProperties(TClassDeclaration<TZCLStyleBevel>& D) {
  D.Property(u"ColorBorder1", 0, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorBorder2", 1, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"Borders", &TZCLStyleBevel::GetBorders, &TZCLStyleBevel::SetBorders)
      .Default(TZCLBorders{mLeft, mTop, mRight, mBottom});
  D.Property(u"BorderStyle", &TZCLStyleBevel::GetBorderStyle, &TZCLStyleBevel::SetBorderStyle).Default(bbs3D);
}

void TZCLStyleBevel::InitializeResources() {
  GetColor(0)->InitializeAsRef(u"Bevels.Colors.Line1", true);
  GetColor(1)->InitializeAsRef(u"Bevels.Colors.Line2", true);
}

void TZCLStyleBevel::SetBorders(TZCLBorders Value) {
  if (FBorders == Value) return;
  FBorders = Value;
  Changed(ZCLResourceChangeContent);
}

void TZCLStyleBevel::SetBorderStyle(TZCLBevelBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  Changed(ZCLResourceChangeContent);
}

void TZCLStyleBevel::DoAssign(TPersistent* Source) {
  inherited::DoAssign(Source);
  if (auto* source = dynamic_cast<TZCLStyleBevel*>(Source)) {
    SetBorders(source->FBorders);
    SetBorderStyle(source->FBorderStyle);
  }
}

void TZCLStyleBevel::Draw(TCanvas* Canvas, const TRect& R) {
  switch (FBorderStyle) {
    case bbsNone:
      break;
    case bbsSimple:
      DrawFrameBordersAlpha(Canvas, R, GetColorBorder1()->GetValue(), FBorders);
      break;
    case bbs3D:
      DrawDoubleFrameAlpha(Canvas, R, GetColorBorder1()->GetValue(), GetColorBorder2()->GetValue(), FBorders);
      break;
    case bbsRounded: {
      // A side left out is pushed outside the clip, so only the chosen edges and their corners show.
      TRect shape = R;
      if (!FBorders.Contains(mLeft)) shape.Left -= 5;
      if (!FBorders.Contains(mTop)) shape.Top -= 5;
      if (!FBorders.Contains(mRight)) shape.Right += 5;
      if (!FBorders.Contains(mBottom)) shape.Bottom += 5;
      HRGN saved = nullptr;
      if (!ClipRegionPush(Canvas->GetHandle(), R, saved)) break;
      Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
      Canvas->GetPen()->SetColor(GetColorBorder1()->GetAsColor());
      Canvas->RoundRect(shape.Left, shape.Top, shape.Right, shape.Bottom, 5, 5);
      ClipRegionPop(Canvas->GetHandle(), saved);
      break;
    }
  }
}

TZCLBevel::TZCLBevel(TComponent* AOwner) : TZCLGraphicControl(AOwner) {}

TZCLBevel::~TZCLBevel() { Free(FStyle); }

void TZCLBevel::AfterConstruction() {
  FStyle = CreateStyle();
  inherited::AfterConstruction();
}

void TZCLBevel::DeclareProperties(TClassDeclaration<TZCLBevel>& D) {
  D.Property(u"ResourceCollection", &TZCLBevel::GetResourceCollection, &TZCLBevel::SetResourceCollection);
  D.Property(u"Style", &TZCLBevel::GetStyle, &TZCLBevel::SetStyle);
}

TZCLStyleBevel* TZCLBevel::CreateStyle() { return Create<TZCLStyleBevel>(static_cast<TObject*>(this)); }

void TZCLBevel::Paint() { FStyle->Draw(GetCanvas(), GetClientRect()); }

void TZCLBevel::SetTargetDPI(Integer Value) {
  inherited::SetTargetDPI(Value);
  if (FStyle) FStyle->SetTargetDPI(Value);
}

// ---- category ---------------------------------------------------------------------------------

void TZCLStyleCategory::DeclareProperties(TClassDeclaration<TZCLStyleCategory>& D) {
  D.Property(u"HeaderColorContent1", 4, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"HeaderColorContent2", 5, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"HeaderTextFont", 0, &TZCLStyle::GetFont, &TZCLStyle::SetFont);
  D.Property(u"HeaderTextAlignment", &TZCLStyleCategory::GetHeaderTextAlignment,
             &TZCLStyleCategory::SetHeaderTextAlignment)
      .Default(taCenter);
}

void TZCLStyleCategory::InitializeResources() {
  GetColor(0)->InitializeAsRef(u"Category.Colors.Border1", true);
  GetColor(1)->InitializeAsRef(u"Category.Colors.Border2", true);
  GetColor(2)->InitializeAsRef(u"Category.Colors.Background1", true);
  GetColor(3)->InitializeAsRef(u"Category.Colors.Background2", true);
  GetColor(4)->InitializeAsRef(u"Category.Colors.Header1", true);
  GetColor(5)->InitializeAsRef(u"Category.Colors.Header2", true);
  GetFont(0)->InitializeDefault(u"Category.Fonts.Header");
}

void TZCLStyleCategory::SetHeaderTextAlignment(TAlignment Value) {
  if (FHeaderTextAlignment == Value) return;
  FHeaderTextAlignment = Value;
  Changed(ZCLResourceChangeContent);
}

void TZCLStyleCategory::DoAssign(TPersistent* Source) {
  inherited::DoAssign(Source);
  if (auto* source = dynamic_cast<TZCLStyleCategory*>(Source)) SetHeaderTextAlignment(source->FHeaderTextAlignment);
}

Integer TZCLStyleCategory::GetHeaderHeight() {
  TCanvas* canvas = MeasureCanvas();
  GetHeaderTextFont()->AssignTo(canvas->GetFont());
  return std::max(CanvasTextSize(canvas, u"Qq").cy + 8, 22);
}

void TZCLStyleCategory::DrawHeader(TCanvas* Canvas, const TRect& R) {
  FillGradientAlpha(Canvas, R, GetHeaderColorContent1()->GetValue(), GetHeaderColorContent2()->GetValue(), true);
  DrawFrameAlpha(Canvas, R, GetColorBorder1()->GetValue());
}

void TZCLStyleCategory::DrawHeaderText(TCanvas* Canvas, const TRect& R, const String& Text) {
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  GetHeaderTextFont()->AssignTo(Canvas->GetFont());
  TRect r = R;
  r.Left += 4;
  r.Right -= 4;
  TextDraw(Canvas, Text, r, FHeaderTextAlignment, taVerticalCenter, true, true);
}

TZCLCategory::TZCLCategory(TComponent* AOwner) : TZCLContainer(AOwner) {
  TControlStyle style = GetControlStyle();
  style.Include(csAcceptsControls);
  style.Include(csSetCaption);
  SetControlStyle(style);
}

const TMessageTable& TZCLCategory::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_TEXTCHANGED, &TZCLCategory::CMTextChanged)});
  return table;
}

void TZCLCategory::DeclareProperties(TClassDeclaration<TZCLCategory>& D) {
  D.Publish(u"AutoSize");
  D.Publish(u"Caption");
  D.Property(u"Padding", &TZCLCategory::GetPadding, &TZCLCategory::SetPadding);
}

TZCLStyleBackground* TZCLCategory::CreateStyle() { return Create<TZCLStyleCategory>(static_cast<TObject*>(this)); }

void TZCLCategory::UpdateHeaderRect() {
  FHeaderRect = GetClientRect();
  if (GetStyle()) FHeaderRect.Bottom = FHeaderRect.Top + GetStyle()->GetHeaderHeight();
}

TRect TZCLCategory::GetContentOffset() {
  TRect offset = inherited::GetContentOffset();
  UpdateHeaderRect();
  offset.Top = FHeaderRect.Bottom + 1;
  return offset;
}

void TZCLCategory::BoundsChanged() {
  inherited::BoundsChanged();
  UpdateHeaderRect();
  Realign();
}

void TZCLCategory::Paint() {
  inherited::Paint();
  UpdateHeaderRect();
  GetStyle()->DrawHeader(GetCanvas(), FHeaderRect);
  GetStyle()->DrawHeaderText(GetCanvas(), FHeaderRect, GetCaption());
}

void TZCLCategory::CMTextChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  FullRefresh();
}

// ---- panel ------------------------------------------------------------------------------------

TZCLPanel::TZCLPanel(TComponent* AOwner) : TZCLContainer(AOwner) {
  TControlStyle style = GetControlStyle();
  style.Include(csAcceptsControls);
  SetControlStyle(style);
}

void TZCLPanel::DeclareProperties(TClassDeclaration<TZCLPanel>& D) {
  D.Publish(u"AutoSize").Default(false);
  D.Property(u"Transparent", &TZCLPanel::GetTransparent, &TZCLPanel::SetTransparent).Default(false);
  D.Property(u"Padding", &TZCLPanel::GetPadding, &TZCLPanel::SetPadding);
  D.Event(u"OnHandleCreate", &TZCLPanel::OnHandleCreate);
  D.Event(u"OnHandleDestroy", &TZCLPanel::OnHandleDestroy);
  D.Event(u"OnPaint", &TZCLPanel::OnPaint);
}

void TZCLPanel::CreateWnd() {
  inherited::CreateWnd();
  if (OnHandleCreate) OnHandleCreate(this);
}

void TZCLPanel::DestroyWnd() {
  inherited::DestroyWnd();
  if (OnHandleDestroy) OnHandleDestroy(this);
}

void TZCLPanel::Paint() {
  inherited::Paint();
  if (OnPaint) OnPaint(this);
}

// ---- progress bar -----------------------------------------------------------------------------

void TZCLStyleProgress::DeclareProperties(TClassDeclaration<TZCLStyleProgress>& D) {
  D.Property(u"Texture", 0, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
}

void TZCLStyleProgress::InitializeResources() { GetTexture()->InitializeDefault(u"ProgressBar.Texture"); }

TZCLProgressBar::TZCLProgressBar(TComponent* AOwner) : TZCLGraphicControl(AOwner) {}

TZCLProgressBar::~TZCLProgressBar() {
  Free(FTimer);
  Free(FStyle);
}

void TZCLProgressBar::AfterConstruction() {
  FStyle = Create<TZCLStyleProgress>(static_cast<TObject*>(this));
  FTimer = Create<TZCLTimer>(TNotifyEvent(this, &TZCLProgressBar::TimerTick), 30u, false, false);
  inherited::AfterConstruction();
  UpdateTransparency();
}

void TZCLProgressBar::DeclareProperties(TClassDeclaration<TZCLProgressBar>& D) {
  D.Property(u"Max", &TZCLProgressBar::GetMax, &TZCLProgressBar::SetMax).Stored(&TZCLProgressBar::IsMaxStored);
  D.Property(u"Min", &TZCLProgressBar::GetMin, &TZCLProgressBar::SetMin).Stored(&TZCLProgressBar::IsMinStored);
  D.Property(u"Progress", &TZCLProgressBar::GetProgress, &TZCLProgressBar::SetProgress)
      .Stored(&TZCLProgressBar::IsProgressStored);
  D.Property(u"WaitingMode", &TZCLProgressBar::GetWaitingMode, &TZCLProgressBar::SetWaitingMode).Default(false);
  D.Property(u"Style", &TZCLProgressBar::GetStyle, &TZCLProgressBar::SetStyle);
  D.Property(u"ResourceCollection", &TZCLProgressBar::GetResourceCollection, &TZCLProgressBar::SetResourceCollection);
  D.Publish(u"OnClick");
  D.Publish(u"OnDblClick");
  D.Publish(u"OnMouseDown");
  D.Publish(u"OnMouseMove");
  D.Publish(u"OnMouseUp");
}

Single TZCLProgressBar::GetRange() const { return FMax == 0 && FMin == 0 ? 100.0f : FMax - FMin; }

void TZCLProgressBar::SetMax(Single Value) {
  if (!GetEnabled() || FMax == Value) return;
  FMax = Value;
  FMin = std::min(FMin, Value);
  Invalidate();
}

void TZCLProgressBar::SetMin(Single Value) {
  if (!GetEnabled() || FMin == Value) return;
  FMin = Value;
  FMax = std::max(FMax, Value);
  Invalidate();
}

void TZCLProgressBar::SetProgress(Single Value) {
  if (!GetEnabled()) return;
  if (Value > 0) SetWaitingMode(false);
  if (FProgress == Value) return;
  FProgress = Value;
  Invalidate();
}

void TZCLProgressBar::SetWaitingMode(bool Value) {
  if (FWaitingMode == Value) return;
  FWaitingMode = Value;
  FTimer->SetEnabled(Value);
  Invalidate();
  Update();
}

void TZCLProgressBar::TimerTick(TObject*) {
  FWaitingPos += 5;
  if (FWaitingPos > GetWidth()) FWaitingPos = 0;
  Invalidate();
}

void TZCLProgressBar::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer) {
  inherited::SetBounds(ALeft, ATop, AWidth, ScaleByDPI(18, GetCurrentPPI()));
}

void TZCLProgressBar::GetBarRects(TRect& Main, TRect& Wrap) const {
  Main = Wrap = TRect();
  TRect content = GetClientRect();
  content.Left += 1;
  content.Right -= 1;
  const Integer width = GetWidth();
  if (FWaitingMode) {
    const Integer chunk = static_cast<Integer>(std::trunc(width * 0.3));
    const Integer half = chunk / 2;
    Main = TRect(FWaitingPos - half, content.Top, FWaitingPos + half, content.Bottom);
    if (FWaitingPos < half)
      Wrap = TRect(FWaitingPos + width - half, content.Top, FWaitingPos + width - half + chunk, content.Bottom);
    else if (FWaitingPos > width - half)
      Wrap = TRect(FWaitingPos - width - half, content.Top, FWaitingPos - width - half + chunk, content.Bottom);
  } else if (GetRange() > 0) {
    const Integer w = static_cast<Integer>(std::trunc(content.Width() * ((FProgress - FMin) / GetRange())));
    if (w > 0) Main = TRect(content.Left, content.Top, content.Left + w, content.Bottom);
  }
}

void TZCLProgressBar::Paint() {
  TCanvas* canvas = GetCanvas();
  const TRect client = GetClientRect();
  TZCLResourceTexture* texture = FStyle->GetTexture();
  texture->Draw(canvas, client, GetEnabled() ? 0 : 2);
  if (!GetEnabled()) return;
  TRect content = client;
  content.Left += 1;
  content.Right -= 1;
  TRect main, wrap;
  GetBarRects(main, wrap);
  HRGN saved = nullptr;
  if (!ClipRegionPush(canvas->GetHandle(), content, saved)) return;
  if (!main.IsEmpty()) texture->Draw(canvas, main, 1);
  if (!wrap.IsEmpty()) texture->Draw(canvas, wrap, 1);
  ClipRegionPop(canvas->GetHandle(), saved);
}

void TZCLProgressBar::SetTargetDPI(Integer Value) {
  inherited::SetTargetDPI(Value);
  if (FStyle) FStyle->SetTargetDPI(Value);
  SetBounds(GetLeft(), GetTop(), GetWidth(), GetHeight());
  UpdateTransparency();
}

void TZCLProgressBar::UpdateTransparency() {
  TZCLSkinImage* image = FStyle ? FStyle->GetTexture()->GetCurrentImage() : nullptr;
  TControlStyle style = GetControlStyle();
  if (image && image->HasAlpha())
    style.Exclude(csOpaque);
  else
    style.Include(csOpaque);
  SetControlStyle(style);
}

void RegisterPanelClasses() {
  RegisterProperties<TZCLImagePicture>();
  RegisterProperties<TZCLImagePictureGlyph>();
  RegisterProperties<TZCLImagePictureImageList>();
  RegisterImagePictureClass(TZCLImagePictureGlyph::StaticClass());
  RegisterImagePictureClass(TZCLImagePictureImageList::StaticClass());
  RegisterProperties<TZCLImageBox>();
  RegisterProperties<TZCLStyleBevel>();
  RegisterProperties<TZCLBevel>();
  RegisterProperties<TZCLStyleCategory>();
  RegisterProperties<TZCLCategory>();
  RegisterProperties<TZCLPanel>();
  RegisterProperties<TZCLStyleProgress>();
  RegisterProperties<TZCLProgressBar>();
  RegisterClasses({TZCLImageBox::StaticClass(), TZCLStyleBevel::StaticClass(), TZCLBevel::StaticClass(),
                   TZCLStyleCategory::StaticClass(), TZCLCategory::StaticClass(), TZCLPanel::StaticClass(),
                   TZCLStyleProgress::StaticClass(), TZCLProgressBar::StaticClass()});
}

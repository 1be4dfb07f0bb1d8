#include "zcl/ui/controls/ZCL.UI.FormattedLabel.h"

#include <climits>

#include "rtl/RTL.Streaming.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

// ---- style ----------------------------------------------------------------------------------------

void TZCLStyleFormattedLabel::DeclareProperties(TClassDeclaration<TZCLStyleFormattedLabel>& D) {
  D.Property(u"ColorTextHyperlink", 10, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
}

void TZCLStyleFormattedLabel::InitializeResources() {
  inherited::InitializeResources();
  GetColor(0)->InitializeAsRef(u"Common.Colors.Border1", false);
  GetColor(1)->InitializeAsRef(u"Common.Colors.Border2", false);
  GetColor(2)->InitializeAsRef(u"Labels.Colors.Background", true);
  GetColor(3)->InitializeAsRef(u"Labels.Colors.Background", true);
  GetColor(4)->InitializeAsRef(u"Labels.Colors.Text", false);
  GetColor(5)->InitializeAsRef(u"Labels.Colors.TextDisabled", false);
  GetColor(10)->InitializeAsRef(u"Labels.Colors.TextHyperlink", false);
}

// ---- layout ---------------------------------------------------------------------------------------

TColor TZCLFormattedLabelFormattedText::GetDefaultHyperlinkColor() {
  TZCLStyleFormattedLabel* style = FSubClass->GetStyle();
  return (FSubClass->GetEnabled() ? style->GetColorTextHyperlink() : style->GetColorTextDisabled())->GetAsColor();
}

TColor TZCLFormattedLabelFormattedText::GetDefaultTextColor() {
  TZCLStyleFormattedLabel* style = FSubClass->GetStyle();
  return (FSubClass->GetEnabled() ? style->GetColorText() : style->GetColorTextDisabled())->GetAsColor();
}

// ---- view info ------------------------------------------------------------------------------------

TZCLFormattedLabelViewInfo::TZCLFormattedLabelViewInfo(TZCLFormattedLabelSubClass* ASubClass)
    : TZCLCompoundControlScrollContainerViewInfo(ASubClass) {}

TZCLFormattedLabelSubClass* TZCLFormattedLabelViewInfo::Owner() const {
  return static_cast<TZCLFormattedLabelSubClass*>(FSubClass);
}

TPoint TZCLFormattedLabelViewInfo::GetOrigin() const {
  return TPoint(FClientBounds.Left - FViewport.X, FClientBounds.Top - FViewport.Y);
}

void TZCLFormattedLabelViewInfo::CalculateContentLayout() {
  TZCLFormattedLabelFormattedText* text = Owner()->GetFormattedText();
  if (Owner()->GetAutoScroll()) {
    text->SetBounds(TRect(0, 0, FClientBounds.Width(), INT_MAX));
    text->SetOption(tloEndEllipsis, false);
    text->Calculate(MeasureCanvas());
    FContentSize = text->MeasureSize();
  } else {
    FContentSize = FClientBounds.Size();
    text->SetBounds(TRect(0, 0, FContentSize.cx, FContentSize.cy));
    text->SetOption(tloEndEllipsis, true);
    text->Calculate(MeasureCanvas());
  }
}

bool TZCLFormattedLabelViewInfo::GetScrollParams(TScrollBarKind Kind, TZCLCompoundControlScrollInfo& Info) {
  const bool result = inherited::GetScrollParams(Kind, Info);
  // A line is one row of the label's font rather than a fixed step.
  TCanvas* canvas = MeasureCanvas();
  canvas->GetFont()->Assign(Owner()->GetFormattedText()->GetFont());
  Info.LineSize = canvas->TextHeight(u"Qq");
  return result;
}

void TZCLFormattedLabelViewInfo::DoCalculateHitTest(TZCLHitTestInfo* HitTest) {
  inherited::DoCalculateHitTest(HitTest);
  TZCLFormattedLabelFormattedText* text = Owner()->GetFormattedText();
  if (text->GetDirty()) return;
  TZCLTextLayoutHitTest test(text);
  const TPoint origin = GetOrigin();
  text->HitTestCore(TPoint(HitTest->HitPoint.X - origin.X, HitTest->HitPoint.Y - origin.Y), &test);
  if (TZCLTextLayoutBlock* block = test.GetHitBlock()) HitTest->HitObject = block;
  if (TZCLTextLayoutBlockHyperlink* link = test.GetHyperlink()) {
    HitTest->SetHitObjectData(u"Hyperlink", link);
    HitTest->Cursor = crHandPoint;
  }
}

void TZCLFormattedLabelViewInfo::DrawContent(TCanvas* Canvas) {
  Owner()->GetFormattedText()->DrawWithOrigin(Canvas, FClientBounds, GetOrigin());
}

// ---- sub-class ------------------------------------------------------------------------------------

TZCLFormattedLabelSubClass::TZCLFormattedLabelSubClass(TComponent* AOwner) : TZCLCompoundControlSubClass(AOwner) {
  FStyle = Create<TZCLStyleFormattedLabel>(static_cast<TObject*>(this));
  FFormattedText = new TZCLFormattedLabelFormattedText(GetFont(), this);
  FFormattedText->SetOption(tloWordWrap, true);
}

TZCLFormattedLabelSubClass::~TZCLFormattedLabelSubClass() {
  delete FFormattedText;
  Free(FStyle);
}

TZCLCompoundControlCustomViewInfo* TZCLFormattedLabelSubClass::CreateViewInfo() {
  return new TZCLFormattedLabelViewInfo(this);
}

void TZCLFormattedLabelSubClass::ImportText(const String& Text) {
  TZCLTextFormatSettings settings = TZCLTextFormatSettings::Default();
  settings.DetectEmails = FOptions.Contains(floAutoDetectEmails);
  settings.DetectURLs = FOptions.Contains(floAutoDetectURLs);
  settings.DetectTimeCodes = FOptions.Contains(floAutoDetectTimeCodes);
  FFormattedText->SetText(Text, settings);
  ++FImportCount;
  FullRefresh();
}

void TZCLFormattedLabelSubClass::SetText(const String& Value) {
  if (Value != FFormattedText->GetText()) ImportText(Value);
}

void TZCLFormattedLabelSubClass::SetOptions(TZCLFormattedLabelOptions Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  ImportText(FFormattedText->GetText());
}

void TZCLFormattedLabelSubClass::SetAlignment(TAlignment Value) {
  if (Value == GetAlignment()) return;
  FFormattedText->SetHorzAlignment(Value);
  FullRefresh();
}

void TZCLFormattedLabelSubClass::SetAutoScroll(bool Value) {
  if (Value == FAutoScroll) return;
  FAutoScroll = Value;
  FullRefresh();
}

void TZCLFormattedLabelSubClass::SetWordWrap(bool Value) {
  if (Value == GetWordWrap()) return;
  FFormattedText->SetOption(tloWordWrap, Value);
  FullRefresh();
}

void TZCLFormattedLabelSubClass::SetTargetDPI(Integer DPI) {
  inherited::SetTargetDPI(DPI);
  FStyle->SetTargetDPI(DPI);
  FFormattedText->SetTargetDPI(DPI);
  FFormattedText->Refresh();
}

void TZCLFormattedLabelSubClass::ResourceChanged() {
  FFormattedText->Refresh();
  inherited::ResourceChanged();
}

void TZCLFormattedLabelSubClass::ExecuteLink(const String& Link) {
  bool handled = false;
  if (OnLinkExecute) OnLinkExecute(this, Link, handled);
  if (!handled && zcIsURL(Link)) ShellExecute(Link);
}

void TZCLFormattedLabelSubClass::ProcessMouseClick(TMouseButton Button, TShiftState Shift) {
  // Any button runs a link: a right click on it must not fall through to a context menu.
  if (auto* link = static_cast<TZCLTextLayoutBlockHyperlink*>(GetHitTest()->GetHitObjectData(u"Hyperlink"))) {
    ExecuteLink(link->Hyperlink);
    return;
  }
  inherited::ProcessMouseClick(Button, Shift);
}

void TZCLFormattedLabelSubClass::ProcessMouseWheel(TMouseWheelDirection Direction, TShiftState Shift) {
  static_cast<TZCLFormattedLabelViewInfo*>(FViewInfo)->ScrollByMouseWheel(Direction, Shift);
}

// ---- control --------------------------------------------------------------------------------------

TZCLFormattedLabel::TZCLFormattedLabel(TComponent* AOwner) : TZCLCompoundControl(AOwner) {
  SetBounds(GetLeft(), GetTop(), 75, 15);
  SetFocusOnClick(true);
}

TZCLCompoundControlSubClass* TZCLFormattedLabel::CreateSubClass() { return Create<TZCLFormattedLabelSubClass>(this); }

void TZCLFormattedLabel::DeclareProperties(TClassDeclaration<TZCLFormattedLabel>& D) {
  D.Property(u"Alignment", &TZCLFormattedLabel::GetAlignment, &TZCLFormattedLabel::SetAlignment).Default(taLeftJustify);
  D.Property(u"AutoScroll", &TZCLFormattedLabel::GetAutoScroll, &TZCLFormattedLabel::SetAutoScroll).Default(true);
  D.Property(u"Borders", &TZCLFormattedLabel::GetBorders, &TZCLFormattedLabel::SetBorders).Default(TZCLBorders{});
  D.Property(u"Caption", &TZCLFormattedLabel::GetCaption, &TZCLFormattedLabel::SetCaption);
  D.Property(u"FocusOnClick", &TZCLCustomControl::GetFocusOnClick, &TZCLCustomControl::SetFocusOnClick).Default(true);
  D.Property(u"Padding", &TZCLCustomControl::GetPadding, &TZCLCustomControl::SetPadding);
  D.Property(u"ResourceCollection", &TZCLCustomControl::GetResourceCollection,
             &TZCLCustomControl::SetResourceCollection);
  D.Property(u"Options", &TZCLFormattedLabel::GetOptions, &TZCLFormattedLabel::SetOptions)
      .Default(TZCLFormattedLabelOptions{floAutoDetectEmails, floAutoDetectURLs});
  D.Property(u"Style", &TZCLFormattedLabel::GetStyle, &TZCLFormattedLabel::SetStyle);
  D.Property(u"StyleScrollBox", &TZCLCompoundControl::GetStyleScrollBox, &TZCLCompoundControl::SetStyleScrollBox);
  D.Property(u"Transparent", &TZCLCustomControl::GetTransparent, &TZCLCustomControl::SetTransparent).Default(false);
  D.Property(u"WordWrap", &TZCLFormattedLabel::GetWordWrap, &TZCLFormattedLabel::SetWordWrap).Default(true);
}

void TZCLFormattedLabel::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  // Forms saved before the caption was published keep their text under "Text"; read, never written.
  Filer->DefineProperty(
      u"Text", [this](TReader* Reader) { SetCaption(Reader->ReadString()); }, [](TWriter*) {}, false);
}

void TZCLFormattedLabel::SetBorders(TZCLBorders Value) {
  if (Value == FBorders) return;
  FBorders = Value;
  ResourceChanged();
}

TRect TZCLFormattedLabel::GetContentOffset() {
  const Integer d = ScaleByDPI(2, GetCurrentPPI());
  return TRect(FBorders.Contains(mLeft) ? d : 0, FBorders.Contains(mTop) ? d : 0, FBorders.Contains(mRight) ? d : 0,
               FBorders.Contains(mBottom) ? d : 0);
}

void TZCLFormattedLabel::Paint() {
  GetStyle()->Draw(GetCanvas(), GetClientRect(), GetTransparent(), FBorders);
  inherited::Paint();
}

void RegisterFormattedLabelClasses() {
  RegisterProperties<TZCLStyleFormattedLabel>();
  RegisterProperties<TZCLFormattedLabel>();
  RegisterClasses({TZCLStyleFormattedLabel::StaticClass(), TZCLFormattedLabel::StaticClass()});
}

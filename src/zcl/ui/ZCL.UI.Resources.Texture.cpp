#include "zcl/ui/ZCL.UI.Resources.Texture.h"

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streaming.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

TZCLResourceTexture::~TZCLResourceTexture() {
  if (!GetIsDestroying()) TZCLResourceTexture::BeforeDestruction();
  if (FCurrentImage) FCurrentImage->Release();
  FCurrentImage = nullptr;
  Free(FImageSet);
  FImageSet = nullptr;
}

void TZCLResourceTexture::BeforeDestruction() {
  TZCLResource::BeforeDestruction();
}

void TZCLResourceTexture::DeclareProperties(TClassDeclaration<TZCLResourceTexture>& D) {
  D.Property(u"ID", &TZCLResourceTexture::GetID, &TZCLResourceTexture::SetID)
      .Stored(&TZCLResourceTexture::IsIDStored);
  D.Property(u"Overriden", &TZCLResourceTexture::GetOverriden, &TZCLResourceTexture::SetOverriden).Stored(false);
  D.Property(u"AllowColoration", &TZCLResourceTexture::GetAllowColoration, &TZCLResourceTexture::SetAllowColoration)
      .Default(TZCLBoolean::Default);
  D.Property(u"Scalable", &TZCLResourceTexture::GetScalable, &TZCLResourceTexture::SetScalable)
      .Default(TZCLBoolean::Default);
}

String TZCLResourceTexture::GetValueText() const {
  if (!IsEmpty()) return Format(u"%dx%d", {GetFrameWidth(), GetFrameHeight()});
  return u"No Image";
}

bool TZCLResourceTexture::IsValueStored() const {
  return (!FReference && FID.empty()) || FScalable != TZCLBoolean::Default;
}

void TZCLResourceTexture::ApplyColorSchema(const TZCLColorSchema& Schema) {
  if (Schema == FColorSchema) return;
  FColorSchema = Schema;
  UpdateImage();
}

TZCLResource* TZCLResourceTexture::GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) {
  IPtr<IZCLResourceProvider> provider;
  if (FOwner && Supports(FOwner, provider)) return provider->GetResource(ID, ResourceClass, Sender);
  return nullptr;
}

TZCLSkinImage* TZCLResourceTexture::GetImage(Integer ATargetDPI, TZCLBoolean AAllowColoration) {
  if (FReference)
    return RefTexture()->GetImage(ATargetDPI,
                                  AAllowColoration != TZCLBoolean::Default ? AAllowColoration : FAllowColoration);
  if (!FImageSet) return nullptr;
  const bool tint = AAllowColoration != TZCLBoolean::Default ? AAllowColoration == TZCLBoolean::True
                                                             : IsImageColorationAllowed();
  return FImageSet->GetForSchema(ATargetDPI, tint ? FColorSchema : TZCLColorSchema::Default());
}

TZCLSkinImageSet* TZCLResourceTexture::GetImageSet() const {
  return FReference ? RefTexture()->GetImageSet() : FImageSet;
}

void TZCLResourceTexture::Draw(TCanvas* Canvas, const TRect& R, Integer FrameIndex, bool Enabled, Byte Alpha) {
  if (FCurrentImage) FCurrentImage->Draw(Canvas, R, FrameIndex, Enabled, Alpha);
}

void TZCLResourceTexture::DrawClipped(TCanvas* Canvas, const TRect& R, Integer FrameIndex, Byte Borders) {
  const TRect m = GetMargins();
  if ((Borders & 15) == 15 || (m.Left == 0 && m.Top == 0 && m.Right == 0 && m.Bottom == 0)) {
    Draw(Canvas, R, FrameIndex, true, 255);
    return;
  }
  TRect target = R;
  if (!(Borders & 1)) target.Left -= m.Left;
  if (!(Borders & 2)) target.Top -= m.Top;
  if (!(Borders & 4)) target.Right += m.Right;
  if (!(Borders & 8)) target.Bottom += m.Bottom;
  HDC dc = Canvas->GetHandle();
  HRGN saved = nullptr;
  if (ClipRegionPush(dc, R, saved)) Draw(Canvas, target, FrameIndex, true, 255);
  ClipRegionPop(dc, saved);
}

Integer TZCLResourceTexture::GetFrameWidth() const {
  if (!FCurrentImage) return 0;
  Integer w = FCurrentImage->GetWidth();
  if (FCurrentImage->GetLayout() == ilHorizontal) w /= std::max(FCurrentImage->GetFrameCount(), 1);
  return ScaleByDPI(w, FScaleDPI);
}

Integer TZCLResourceTexture::GetFrameHeight() const {
  if (!FCurrentImage) return 0;
  Integer h = FCurrentImage->GetHeight();
  if (FCurrentImage->GetLayout() == ilVertical) h /= std::max(FCurrentImage->GetFrameCount(), 1);
  return ScaleByDPI(h, FScaleDPI);
}

TRect TZCLResourceTexture::GetContentOffsets() const {
  return FCurrentImage ? ScaleRectByDPI(FCurrentImage->GetContentOffsets(), FScaleDPI) : TRect();
}

TRect TZCLResourceTexture::GetMargins() const {
  return FCurrentImage ? ScaleRectByDPI(FCurrentImage->GetMargins(), FScaleDPI) : TRect();
}

Integer TZCLResourceTexture::GetFrameCount() const { return FCurrentImage ? FCurrentImage->GetFrameCount() : 0; }

bool TZCLResourceTexture::IsEmpty() const { return !FCurrentImage || FCurrentImage->GetWidth() == 0; }

void TZCLResourceTexture::SetOverriden(bool Value) { SetID(Value ? String() : FDefaultID); }

void TZCLResourceTexture::MakeUnique() {
  BeginUpdate();
  if (FReference || !FID.empty()) {
    TZCLSkinImageSet* source = GetImageSet();
    std::unique_ptr<TZCLSkinImageSet> copy;
    if (source) {
      copy = std::make_unique<TZCLSkinImageSet>();
      copy->Assign(source);
    }
    SetOverriden(true);
    if (FImageSet && copy) FImageSet->Assign(copy.get());
  }
  if (FImageSet) FImageSet->MakeUnique();
  EndUpdate();
}

void TZCLResourceTexture::SetAllowColoration(TZCLBoolean Value) {
  if (Value == FAllowColoration) return;
  FAllowColoration = Value;
  UpdateImage();
}

void TZCLResourceTexture::SetScalable(TZCLBoolean Value) {
  if (Value == FScalable) return;
  FScalable = Value;
  UpdateScaleDPI();
}

bool TZCLResourceTexture::IsColorationAllowed() const {
  if (FAllowColoration != TZCLBoolean::Default) return FAllowColoration == TZCLBoolean::True;
  return FReference ? RefTexture()->IsColorationAllowed() : IsImageColorationAllowed();
}

bool TZCLResourceTexture::IsImageColorationAllowed() const {
  TZCLSkinImageSet* set = GetImageSet();
  TZCLSkinImageSetItem* best = set ? set->GetBestFit(96) : nullptr;
  return !best || best->GetAllowColoration();
}

bool TZCLResourceTexture::IsScalable() const {
  if (FScalable != TZCLBoolean::Default) return FScalable == TZCLBoolean::True;
  return FReference ? RefTexture()->IsScalable() : true;
}

TZCLColorSchema TZCLResourceTexture::GetActualColorSchema() const {
  if (FAllowColoration == TZCLBoolean::False) return TZCLColorSchema::Default();
  if (FReference) return RefTexture()->GetActualColorSchema();
  return IsColorationAllowed() ? FColorSchema : TZCLColorSchema::Default();
}

void TZCLResourceTexture::DoAssign(TPersistent* Source) {
  if (!Source || !dynamic_cast<TZCLResource*>(Source)) {
    SetOverriden(true);
    if (FImageSet) {
      if (Source)
        FImageSet->Assign(Source);
      else
        FImageSet->Clear();
    }
    return;
  }
  TZCLResource::DoAssign(Source);
}

void TZCLResourceTexture::DoAssignValue(TZCLResource* Source, bool AssignValue) {
  auto* source = static_cast<TZCLResourceTexture*>(Source);
  SetAllowColoration(source->FAllowColoration);
  SetScalable(source->FScalable);
  if (AssignValue) {
    FColorSchema = source->FColorSchema;
    if (FImageSet) {
      if (TZCLSkinImageSet* set = source->GetImageSet())
        FImageSet->Assign(set);
      else
        FImageSet->Clear();
    }
  } else {
    ApplyColorSchema(source->FColorSchema);
  }
}

void TZCLResourceTexture::Initialize() {
  FScalable = TZCLBoolean::Default;
  FScaleDPI = 96;
  TZCLResource::Initialize();
  ReferenceChanged();
}

void TZCLResourceTexture::ReferenceChanged() {
  Changed(ZCLResourceChangeContent);
  if (FReference) {
    Free(FImageSet);
    FImageSet = nullptr;
  } else if (!FImageSet && !GetIsDestroying()) {
    FImageSet = new TZCLSkinImageSet;
    FImageSet->OnChange = {this, &TZCLResourceTexture::ImageSetChanged};
  }
  UpdateImage();
}

void TZCLResourceTexture::DoResourceChanged(TObject* Sender, TZCLResource* Resource) {
  TZCLResource::DoResourceChanged(Sender, Resource);
  UpdateImage();
}

void TZCLResourceTexture::DoTargetDPIChanged() {
  TZCLResource::DoTargetDPIChanged();
  UpdateImage();
}

bool TZCLResourceTexture::IsValueEqual(TZCLResource* Resource) {
  TZCLSkinImageSet* a = GetImageSet();
  TZCLSkinImageSet* b = static_cast<TZCLResourceTexture*>(Resource)->GetImageSet();
  if (!a || !b) return a == b;
  return a->Equals(b);
}

void TZCLResourceTexture::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      u"Data",
      [this](TStream* Stream) {
        SetOverriden(true);
        if (FImageSet) FImageSet->LoadFromStream(*Stream);
      },
      [this](TStream* Stream) {
        if (FImageSet) FImageSet->SaveToStream(*Stream);
      },
      !FReference && FID.empty() && FImageSet && !FImageSet->IsEmpty());
}

void TZCLResourceTexture::UpdateImage() {
  if (GetIsDestroying()) return;
  SetImage(GetImage(FTargetDPI, FAllowColoration));
}

void TZCLResourceTexture::SetImage(TZCLSkinImage* Image) {
  auto* item = static_cast<TZCLSkinImageSetItem*>(Image);
  BeginUpdate();
  if (item != FCurrentImage) {
    if (item) item->AddRef();
    if (FCurrentImage) FCurrentImage->Release();
    FCurrentImage = item;
    Changed(ZCLResourceChangeContent);
  }
  UpdateScaleDPI();
  EndUpdate();
}

void TZCLResourceTexture::UpdateScaleDPI() {
  if (!FCurrentImage) return;
  FScaleDPI = IsScalable() ? MulDiv(96, FTargetDPI, FCurrentImage->GetDPI()) : 96;
}

void TZCLResourceTexture::ImageSetChanged(TObject* /*Sender*/, TZCLPersistentChanges /*Changes*/) {
  BeginUpdate();
  UpdateImage();
  Changed(ZCLResourceChangeContent);
  EndUpdate();
}

// ---- TZCLGlyph ---------------------------------------------------------------------------------------

void TZCLGlyph::DeclareProperties(TClassDeclaration<TZCLGlyph>& D) {
  D.Property(u"FrameIndex", &TZCLGlyph::GetFrameIndex, &TZCLGlyph::SetFrameIndex).Default(0);
}

void TZCLGlyph::SetFrameIndex(Integer Value) {
  Value = std::max(Value, 0);
  if (!IsEmpty()) Value = std::min(Value, std::max(GetFrameCount() - 1, 0));
  if (Value == FFrameIndex) return;
  FFrameIndex = Value;
  Changed(ZCLResourceChangeColorSchema);
}

void TZCLGlyph::DoChanged(TZCLPersistentChanges Changes) {
  TZCLResourceTexture::DoChanged(Changes);
  SetFrameIndex(FFrameIndex);
}

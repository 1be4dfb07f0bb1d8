#include "zcl/ui/dialogs/ZCL.UI.Dialogs.FontPicker.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

#include "os/OS.Text.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.FontCache.h"
#include "zcl/ui/controls/ZCL.UI.CheckBoxes.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"
#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.PropertyEditors.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.h"

namespace {

constexpr TFontStyle StyleOrder[4] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
constexpr const char16_t* StyleCaptions[4] = {u"B", u"I", u"U", u"S"};

template <class T>
T* NewChild(TWinControl* Owner, TWinControl* Parent) {
  T* control = Create<T>(static_cast<TComponent*>(Owner));
  control->SetParent(Parent);
  return control;
}

TZCLTreeListNode* FindRow(TZCLTreeList* List, const String& Text) {
  TZCLTreeListNode* root = List->GetRootNode();
  for (Integer i = 0; i < root->GetChildrenCount(); ++i)
    if (TZCLTreeListNode* node = root->GetChild(i); node->GetValue(0) == Text) return node;
  return nullptr;
}

}  // namespace

// ---- sample ------------------------------------------------------------------------------------

void TZCLFontPickerSample::Paint() {
  if (auto* dialog = dynamic_cast<TZCLFontPickerDialog*>(GetOwner())) dialog->DrawSample(GetCanvas(), GetClientRect());
}

// ---- dialog ------------------------------------------------------------------------------------

TZCLFontPickerDialog::TZCLFontPickerDialog(TComponent* AOwner) : TZCLCustomInputDialog(AOwner) {
  FStyleHatch = Create<TZCLStyleHatch>(static_cast<TObject*>(this));
  FSavedFont = Create<TFont>();
}

TZCLFontPickerDialog::~TZCLFontPickerDialog() {
  Free(FSavedFont);
  Free(FStyleHatch);
}

void TZCLFontPickerDialog::AfterConstruction() {
  inherited::AfterConstruction();
  SetCaption(u"Font");
}

TZCLTreeList* TZCLFontPickerDialog::NewList() {
  auto* list = NewChild<TZCLTreeList>(this, this);
  list->BeginUpdate();
  list->GetColumns()->Add(u"");
  list->GetOptionsBehavior()->SetIncSearchColumnIndex(0);
  list->GetOptionsView()->GetColumns()->SetAutoWidth(true);
  list->GetOptionsView()->GetColumns()->SetVisible(false);
  list->GetOptionsView()->GetNodes()->SetGridLines({});
  list->GetSubClass()->OnFocusedNodeChanged = TNotifyEvent(this, &TZCLFontPickerDialog::ListFocusedNodeChanged);
  list->EndUpdate();
  return list;
}

void TZCLFontPickerDialog::CreateControls() {
  FFontNameEdit = NewChild<TZCLEdit>(this, this);
  FFontNameEdit->OnChange = TNotifyEvent(this, &TZCLFontPickerDialog::Changed);
  FFontSizeEdit = NewChild<TZCLEdit>(this, this);
  FFontSizeEdit->OnChange = TNotifyEvent(this, &TZCLFontPickerDialog::Changed);

  FFontList = NewList();
  FFontList->GetSubClass()->OnCustomDrawNodeCell =
      TZCLTreeListCustomDrawNodeCellEvent(this, &TZCLFontPickerDialog::FontListDrawCell);
  FillFontList();
  FSizeList = NewList();
  TZCLTreeListColumn* sizeColumn = (*FSizeList->GetColumns())[0];
  sizeColumn->SetCompareMode(tlcmInteger);
  FSizeList->BeginUpdate();
  for (Integer size : FontPickerSizes) FSizeList->GetRootNode()->AddChild({IntToStr(size)});
  FSizeList->GetSubClass()->SortBy(sizeColumn, sdAscending, true);
  FSizeList->EndUpdate();

  FStylePanel = NewChild<TZCLPanel>(this, this);
  FStylePanel->SetBorders({});
  for (Integer i = 0; i < 4; ++i) {
    auto* box = NewChild<TZCLCheckBox>(this, FStylePanel);
    box->SetCaption(StyleCaptions[i]);
    box->GetFont()->SetStyle(TFontStyles{StyleOrder[i]});
    box->SetTag(i);
    box->SetAlign(alLeft);
    box->SetAlignWithMargins(true);
    box->OnClick = TNotifyEvent(this, &TZCLFontPickerDialog::Changed);
    FStyleBoxes[i] = box;
  }
  FColorButton = NewChild<TZCLButton>(this, FStylePanel);
  FColorButton->SetAlign(alRight);
  FColorButton->SetAlignWithMargins(true);
  FColorButton->GetMargins()->SetLeft(3);
  FColorButton->OnClick = TNotifyEvent(this, &TZCLFontPickerDialog::ColorButtonClick);

  FSample = NewChild<TZCLFontPickerSample>(this, this);
  inherited::CreateControls();
  SetActiveControl(FFontList);
}

void TZCLFontPickerDialog::FillFontList() {
  std::vector<String> names;
  std::set<String> seen;
  TZCLFontCache::EnumFonts([&](const String& Name) {
    // "@" names are the vertical variants of other families.
    if (Name.empty() || Name[0] == u'@' || !seen.insert(Name).second) return;
    names.push_back(Name);
  });
  FFontList->BeginUpdate();
  for (const String& name : names) FFontList->GetRootNode()->AddChild({name});
  FFontList->GetSubClass()->SortBy((*FFontList->GetColumns())[0], sdAscending, true);
  FFontList->EndUpdate();
}

void TZCLFontPickerDialog::FontListDrawCell(TObject*, TCanvas* Canvas, TZCLTreeListNodeCustomDrawData& Data,
                                            bool& Handled) {
  // Each family shows itself: the row's text in its own face at the list's size.
  Canvas->GetFont()->SetName(Data.Text);
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  TRect r = Data.Bounds;
  CanvasDrawText(Canvas, r, Data.Text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  Handled = true;
}

void TZCLFontPickerDialog::Prepare(TFont* Font, TZCLDialogApplyProc OnApply) {
  FTarget = Font;
  FSavedFont->Assign(Font);
  FOnApply = std::move(OnApply);
  CreateControls();
  FButtonApply->SetVisible(bool(FOnApply));
  FSyncing = true;
  // A size of 0 counts as positive, so that a size typed over it is kept.
  FSizeSign = Font->GetSize() < 0 ? -1 : 1;
  FFontSizeEdit->SetText(IntToStr(std::abs(Font->GetSize())));
  FFontNameEdit->SetText(Font->GetName());
  SetFontColor(TAlphaColorHelper::FromColor(Font->GetColor(), 255));
  for (Integer i = 0; i < 4; ++i) FStyleBoxes[i]->SetChecked(Font->GetStyle().Contains(StyleOrder[i]));
  FSyncing = false;
  FocusMatchingRows();
  UpdateColorGlyph();
  SetModified(false);
}

TAlphaColor TZCLFontPickerDialog::GetFontColor() const { return TAlphaColor(Cardinal(FColorButton->GetTag())); }

void TZCLFontPickerDialog::SetFontColor(TAlphaColor Value) { FColorButton->SetTag(NativeInt(Cardinal(Value))); }

void TZCLFontPickerDialog::FocusMatchingRows() {
  const bool syncing = FSyncing;
  FSyncing = true;
  FFontList->SetFocusedNode(FindRow(FFontList, FFontNameEdit->GetText()));
  FSizeList->SetFocusedNode(FindRow(FSizeList, FFontSizeEdit->GetText()));
  FSyncing = syncing;
}

void TZCLFontPickerDialog::Changed(TObject*) {
  if (FSyncing || GetComponentState().Contains(csDestroying)) return;
  DoModified();
  FocusMatchingRows();
  if (FSample) FSample->Invalidate();
}

void TZCLFontPickerDialog::ListFocusedNodeChanged(TObject* Sender) {
  // Lists that empty themselves while the dialog goes change their focus too.
  if (FSyncing || GetComponentState().Contains(csDestroying)) return;
  const bool fonts = Sender == FFontList->GetSubClass();
  TZCLTreeListNode* node = static_cast<TZCLTreeListSubClass*>(Sender)->GetFocusedNode();
  if (!node) return;
  // The edit's change does the rest (Modified, the other list, the sample).
  (fonts ? FFontNameEdit : FFontSizeEdit)->SetText(node->GetValue(0));
}

void TZCLFontPickerDialog::ColorButtonClick(TObject*) {
  TAlphaColor color = GetFontColor();
  if (!TZCLColorPickerDialog::Execute(color, false, GetHandle())) return;
  SetFontColor(color);
  FSample->Invalidate();
  UpdateColorGlyph();
  DoModified();
}

void TZCLFontPickerDialog::UpdateColorGlyph() {
  const Integer inset = Scaled(5);
  const Integer w = FColorButton->GetWidth() - 2 * inset, h = FColorButton->GetHeight() - 2 * inset;
  if (w <= 2 || h <= 2) return;
  // The image area less one pixel on every side, filled with the colour.
  const Integer gw = w - 2, gh = h - 2;
  std::vector<TZCLPixel32> pixels(size_t(gw) * size_t(gh), TAlphaColorHelper::ToPixel(GetFontColor() | 0xFF000000u));
  TZCLGlyph* glyph = FColorButton->GetGlyphProperty();
  glyph->SetOverriden(true);
  glyph->SetScalable(TZCLBoolean::True);
  TZCLSkinImageSet* set = glyph->GetImageSet();
  set->BeginUpdate();
  const Integer dpi = GetCurrentPPI();
  TZCLSkinImageSetItem* item = set->FindByDPI(dpi);
  (item ? item : set->Add(dpi))->LoadFromBits(pixels.data(), gw, gh);
  set->EndUpdate();
  FColorButton->Invalidate();
}

void TZCLFontPickerDialog::WriteTo(TFont* Font) {
  Font->SetName(FFontNameEdit->GetText());
  TFontStyles style;
  for (Integer i = 0; i < 4; ++i)
    if (FStyleBoxes[i]->GetChecked()) style.Include(StyleOrder[i]);
  Font->SetStyle(style);
  Font->SetSize(FSizeSign * StrToIntDef(Trim(FFontSizeEdit->GetText()), 0));
  Font->SetColor(TAlphaColorHelper::ToColor(GetFontColor()));
}

void TZCLFontPickerDialog::DrawSample(TCanvas* Canvas, const TRect& R) {
  TFont* font = Create<TFont>();
  try {
    font->Assign(GetFont());
    WriteTo(font);
    TZCLStyleEdit* style = FFontNameEdit->GetStyle();
    TColor background = style->GetContentColor(true);
    if (TZCLColors::IsDark(font->GetColor()) == TZCLColors::IsDark(background))
      background = style->GetTextColor(true);
    Canvas->GetBrush()->SetStyle(TBrushStyle::bsSolid);
    Canvas->GetBrush()->SetColor(style->GetBorderColor(false));
    Canvas->FillRect(R);
    TRect inner = R;
    inner.Inflate(-1, -1);
    Canvas->GetBrush()->SetColor(background);
    Canvas->FillRect(inner);
    Canvas->GetFont()->Assign(font);
    Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
    CanvasDrawText(Canvas, inner, u"Sample", DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  } catch (...) {
    Free(font);
    throw;
  }
  Free(font);
}

void TZCLFontPickerDialog::CalculateLayout(TRect& R) {
  const Integer gap = Scaled(6), nameW = Scaled(276), sizeW = Scaled(96);
  const Integer editH = FFontNameEdit->GetHeight();
  FFontNameEdit->SetBounds(R.Left, R.Top, nameW, editH);
  FFontSizeEdit->SetBounds(R.Left + nameW + gap, R.Top, sizeW, editH);
  Integer top = R.Top + editH + gap;
  FFontList->SetBounds(R.Left, top, nameW, Scaled(260));
  FSizeList->SetBounds(FFontSizeEdit->GetLeft(), top, sizeW, Scaled(260));
  const Integer right = FSizeList->GetBoundsRect().Right;
  top += Scaled(260) + gap;
  FColorButton->SetWidth(sizeW);
  FColorButton->SetHeight(Scaled(25));
  FStylePanel->SetBounds(R.Left, top, right - R.Left, Scaled(25));
  top += Scaled(25) + gap;
  FSample->SetBounds(R.Left, top, right - R.Left, Scaled(72));
  R.Top = top + Scaled(72) + gap;
  R.Right = right;
  inherited::CalculateLayout(R);
  UpdateColorGlyph();
}

void TZCLFontPickerDialog::DoApply() {
  FApplied = true;
  if (FTarget) WriteTo(FTarget);
  inherited::DoApply();
  if (FOnApply) FOnApply();
}

void TZCLFontPickerDialog::DoCancel() {
  if (!FOnApply || !FApplied || !FTarget) return;
  FApplied = false;
  FTarget->Assign(FSavedFont);
  FOnApply();
}

bool TZCLFontPickerDialog::Execute(TFont* Font, HWND Owner, TZCLDialogApplyProc OnApply) {
  auto* dialog = CreateDialog<TZCLFontPickerDialog>(Owner);
  bool confirmed = false;
  try {
    dialog->Prepare(Font, std::move(OnApply));
    confirmed = dialog->ShowModal() == mrOk;
    // Escape and closing the window end the loop without the Cancel button.
    if (!confirmed) dialog->DoCancel();
  } catch (...) {
    Free(dialog);
    throw;
  }
  Free(dialog);
  return confirmed;
}

void RegisterFontPickerDialogClasses() {
  RegisterClass(TZCLFontPickerDialog::StaticClass());
  // The inspector's font editors open this dialog unless someone installed another.
  if (!TZCLPropertyEditorDialogs::FontPicker)
    TZCLPropertyEditorDialogs::FontPicker = [](TFont* Font) { return TZCLFontPickerDialog::Execute(Font); };
}

void FinalizeFontPickerDialog() { TZCLPropertyEditorDialogs::FontPicker = nullptr; }

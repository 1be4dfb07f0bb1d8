#pragma once
// A label whose caption carries inline formatting (the bracket tags of the text layout), with
// e-mail addresses, URLs and time codes optionally detected as links. It wraps, scrolls with the
// compound-control scroll bars when the text does not fit, and runs links on click.

#include "zcl/graphics/ZCL.Graphics.TextLayout.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.ScrollBars.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.h"

enum TZCLFormattedLabelOption : Byte { floAutoDetectEmails, floAutoDetectURLs, floAutoDetectTimeCodes };
ZCL_ENUM(TZCLFormattedLabelOption, floAutoDetectEmails, floAutoDetectURLs, floAutoDetectTimeCodes);
using TZCLFormattedLabelOptions = TSet<TZCLFormattedLabelOption>;

// Sender is the sub-class; setting Handled stops the default (opening a URL with the shell).
using TZCLFormattedLabelLinkExecuteEvent = TDelegate<void(TObject* Sender, const String& Link, bool& Handled)>;

class TZCLStyleFormattedLabel : public TZCLStyleContent {
  ZCL_CLASS(TZCLStyleFormattedLabel, TZCLStyleContent)
 public:
  using TZCLStyleContent::TZCLStyleContent;
  static void DeclareProperties(TClassDeclaration<TZCLStyleFormattedLabel>& D);
  TZCLResourceColor* GetColorTextHyperlink() { return GetColor(10); }

 protected:
  void InitializeResources() override;
};

class TZCLFormattedLabelSubClass;

// The layout takes its default colours from the sub-class's style and enabled state.
class TZCLFormattedLabelFormattedText : public TZCLTextLayout {
  ZCL_CLASS(TZCLFormattedLabelFormattedText, TZCLTextLayout)
 public:
  TZCLFormattedLabelFormattedText(TFont* AFont, TZCLFormattedLabelSubClass* ASubClass)
      : TZCLTextLayout(AFont), FSubClass(ASubClass) {}
  TColor GetDefaultHyperlinkColor() override;
  TColor GetDefaultTextColor() override;
  void SetTargetDPI(Integer Value) { FTargetDPI = Value; }

 private:
  TZCLFormattedLabelSubClass* FSubClass;
};

class TZCLFormattedLabelViewInfo : public TZCLCompoundControlScrollContainerViewInfo {
  ZCL_CLASS(TZCLFormattedLabelViewInfo, TZCLCompoundControlScrollContainerViewInfo)
 public:
  explicit TZCLFormattedLabelViewInfo(TZCLFormattedLabelSubClass* ASubClass);
  // Client position of the layout's (0, 0).
  TPoint GetOrigin() const;

 protected:
  void CalculateContentLayout() override;
  bool GetScrollParams(TScrollBarKind Kind, TZCLCompoundControlScrollInfo& Info) override;
  void DoCalculateHitTest(TZCLHitTestInfo* HitTest) override;
  void DrawContent(TCanvas* Canvas) override;

 private:
  TZCLFormattedLabelSubClass* Owner() const;
};

class TZCLFormattedLabelSubClass : public TZCLCompoundControlSubClass {
  ZCL_CLASS(TZCLFormattedLabelSubClass, TZCLCompoundControlSubClass)
 public:
  explicit TZCLFormattedLabelSubClass(TComponent* AOwner);
  ~TZCLFormattedLabelSubClass() override;

  // Runs the handler, then opens a URL with the shell unless the handler took it.
  void ExecuteLink(const String& Link);
  void SetTargetDPI(Integer DPI) override;
  void ResourceChanged() override;

  TAlignment GetAlignment() const { return FFormattedText->GetHorzAlignment(); }
  void SetAlignment(TAlignment Value);
  bool GetAutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool Value);
  TZCLFormattedLabelOptions GetOptions() const { return FOptions; }
  void SetOptions(TZCLFormattedLabelOptions Value);
  const String& GetText() const { return FFormattedText->GetText(); }
  void SetText(const String& Value);
  bool GetWordWrap() const { return (FFormattedText->GetOptions() & tloWordWrap) != 0; }
  void SetWordWrap(bool Value);
  TZCLFormattedLabelFormattedText* GetFormattedText() const { return FFormattedText; }
  TZCLStyleFormattedLabel* GetStyle() const { return FStyle; }
  void SetStyle(TZCLStyleFormattedLabel* Value) { FStyle->Assign(Value); }
  // How often the text was imported (setting an equal caption does not import again).
  Integer GetImportCount() const { return FImportCount; }

  TZCLFormattedLabelLinkExecuteEvent OnLinkExecute;

 protected:
  TZCLCompoundControlCustomViewInfo* CreateViewInfo() override;
  void ProcessMouseClick(TMouseButton Button, TShiftState Shift) override;
  void ProcessMouseWheel(TMouseWheelDirection Direction, TShiftState Shift) override;

 private:
  void ImportText(const String& Text);
  void StyleChanged(TObject*) { FullRefresh(); }
  bool FAutoScroll = true;
  TZCLFormattedLabelFormattedText* FFormattedText = nullptr;
  TZCLFormattedLabelOptions FOptions{floAutoDetectEmails, floAutoDetectURLs};
  TZCLStyleFormattedLabel* FStyle = nullptr;
  Integer FImportCount = 0;
};

class TZCLFormattedLabel : public TZCLCompoundControl {
  ZCL_CLASS(TZCLFormattedLabel, TZCLCompoundControl)
 public:
  explicit TZCLFormattedLabel(TComponent* AOwner);
  static void DeclareProperties(TClassDeclaration<TZCLFormattedLabel>& D);

  TZCLFormattedLabelSubClass* GetLabelSubClass() const { return static_cast<TZCLFormattedLabelSubClass*>(FSubClass); }
  TAlignment GetAlignment() const { return GetLabelSubClass()->GetAlignment(); }
  void SetAlignment(TAlignment Value) { GetLabelSubClass()->SetAlignment(Value); }
  bool GetAutoScroll() const { return GetLabelSubClass()->GetAutoScroll(); }
  void SetAutoScroll(bool Value) { GetLabelSubClass()->SetAutoScroll(Value); }
  TZCLBorders GetBorders() const { return FBorders; }
  void SetBorders(TZCLBorders Value);
  String GetCaption() const { return GetLabelSubClass()->GetText(); }
  void SetCaption(const String& Value) { GetLabelSubClass()->SetText(Value); }
  TZCLFormattedLabelOptions GetOptions() const { return GetLabelSubClass()->GetOptions(); }
  void SetOptions(TZCLFormattedLabelOptions Value) { GetLabelSubClass()->SetOptions(Value); }
  TZCLStyleFormattedLabel* GetStyle() const { return GetLabelSubClass()->GetStyle(); }
  void SetStyle(TZCLStyleFormattedLabel* Value) { GetLabelSubClass()->SetStyle(Value); }
  bool GetWordWrap() const { return GetLabelSubClass()->GetWordWrap(); }
  void SetWordWrap(bool Value) { GetLabelSubClass()->SetWordWrap(Value); }

 protected:
  TZCLCompoundControlSubClass* CreateSubClass() override;
  void DefineProperties(TFiler* Filer) override;
  TRect GetContentOffset() override;
  void Paint() override;

 private:
  TZCLBorders FBorders;
};

void RegisterFormattedLabelClasses();

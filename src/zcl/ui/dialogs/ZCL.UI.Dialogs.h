#pragma once
// The library's common dialogs: the small modal dialog base (OK, Cancel, Apply), the program's
// message box, the input query, the file dialog, the progress window of long operations and the
// language choice, with the common dialog texts that follow the current language. UI thread.

#include <functional>
#include <vector>

#include "rtl/RTL.Set.h"
#include "rtl/RTL.Variant.h"
#include "zcl/ui/ZCL.UI.Forms.h"

class TCustomImageList;
class TGraphic;
class TPngImage;
class TZCLAeroPeek;
class TZCLButton;
class TZCLComboBox;
class TZCLEdit;
class TZCLIniFile;
class TZCLImageComboBox;
class TZCLImageList;
class TZCLLabel;
class TZCLMemo;
class TZCLProgressBar;
class TZCLStringList;

// ---- common dialog texts ----------------------------------------------------------------------

enum TZCLDialogButton : Byte {
  dbYes,
  dbNo,
  dbOK,
  dbCancel,
  dbAbort,
  dbRetry,
  dbIgnore,
  dbAll,
  dbNoToAll,
  dbYesToAll,
  dbHelp,
  dbClose
};
enum TZCLDialogIconKind : Byte { dikWarning, dikError, dikInformation, dikConfirmation, dikNone };

class TZCLDialogsStrs {
 public:
  static inline String ApplyCaption;
  static inline String BrowseFolderCaption;
  static inline String NewFolderCaption;
  static inline String IncludeSubFoldersCaption;
  static inline String ButtonCaptions[12];  // by TZCLDialogButton
  static inline String MessageCaptions[5];  // by TZCLDialogIconKind
  // The English texts.
  static void SetDefaults();
  // The defaults, then the section "CommonDialogs" of the language file (or of Lang).
  static void Localize();
  static void Localize(TZCLIniFile* Lang);
};

// Plays the sound of an icon kind.
void MessageBeep(TZCLDialogIconKind IconKind);

// ---- dialog base -------------------------------------------------------------------------------

class TZCLCustomDialog : public TZCLForm {
  ZCL_CLASS(TZCLCustomDialog, TZCLForm)
 public:
  using TZCLForm::TZCLForm;
  void AfterConstruction() override;
  virtual bool CanApply() { return true; }
  virtual void DoApply() {}
};

// OK, Cancel and a hidden Apply in a row at the bottom; Enter applies and closes, Escape cancels.
class TZCLCustomInputDialog : public TZCLCustomDialog {
  ZCL_CLASS(TZCLCustomInputDialog, TZCLCustomDialog)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomInputDialog(TComponent* AOwner);
  void AfterConstruction() override;

  TZCLButton* GetButtonApply() const { return FButtonApply; }
  TZCLButton* GetButtonCancel() const { return FButtonCancel; }
  TZCLButton* GetButtonOK() const { return FButtonOK; }
  bool GetModified() const { return FModified; }
  void SetModified(bool Value);
  void DoApply() override;
  // Lays the controls out and sizes the client area to their extent plus the padding.
  void UpdateLayout();
  // Enables OK and Apply from CanApply and Modified.
  void UpdateButtonsState();

 protected:
  virtual void CreateControls();
  virtual void DoCancel() {}
  virtual void DoModified() { SetModified(true); }
  // R: the content rectangle; on return its bottom is the extent of the layout.
  virtual void CalculateLayout(TRect& R);
  // Sizes of the layout at the form's DPI.
  Integer Scaled(Integer Value) { return ScaleByDPI(Value, GetCurrentPPI()); }
  TRect ContentRect();

  bool DialogKey(TMessage& Message) override;
  void DoShow() override;
  void Resize() override;
  void DPIChanged() override;

  TZCLButton* FButtonApply = nullptr;
  TZCLButton* FButtonCancel = nullptr;
  TZCLButton* FButtonOK = nullptr;
  bool FModified = false;
  TRect FLastContentRect;

 private:
  void ButtonApplyClick(TObject* Sender) { DoApply(); }
  void ButtonCancelClick(TObject* Sender) { DoCancel(); }
};

// An image stretched over the control, fully opaque where the image is.
class TZCLDialogImage : public TGraphicControl {
  ZCL_CLASS(TZCLDialogImage, TGraphicControl)
 public:
  using TGraphicControl::TGraphicControl;
  void SetGraphic(TGraphic* Value);  // not owned

 protected:
  void Paint() override;

 private:
  TGraphic* FGraphic = nullptr;
};

// ---- message box -------------------------------------------------------------------------------

class TZCLMessageDialog : public TZCLCustomInputDialog {
  ZCL_CLASS(TZCLMessageDialog, TZCLCustomInputDialog)
 public:
  using TZCLCustomInputDialog::TZCLCustomInputDialog;
  ~TZCLMessageDialog() override;
  // A dialog over OwnerWindow made ready for Flags (not shown); the caller frees it.
  static TZCLMessageDialog* Prepare(HWND OwnerWindow, const String& Text, const String& Caption, Cardinal Flags);
  static TZCLDialogIconKind IconKindFromFlags(Cardinal Flags);

  TZCLDialogIconKind GetIconKind() const { return FIconKind; }
  TPngImage* GetIcon() const { return FIcon; }
  TRect GetIconRect() const { return FIconRect; }
  TZCLLabel* GetTextLabel() const { return FTextLabel; }
  // The buttons shown, left to right.
  std::vector<TZCLButton*> VisibleButtons() const;

 protected:
  void CreateControls() override;
  void CalculateLayout(TRect& R) override;
  void DoShow() override;

 private:
  void SetupButtons(Cardinal Flags);
  class TZCLDialogImage* FIconImage = nullptr;
  TZCLDialogIconKind FIconKind = dikNone;
  TPngImage* FIcon = nullptr;  // owned; null without an icon
  TRect FIconRect;
  TZCLLabel* FTextLabel = nullptr;
  bool FForceForeground = false;
};

// The program's message box. Flags: the button set in the low 4 bits, the icon in bits 4 to 6,
// the default button 0x100 / 0x200, system-modal 0x1000. Answers the modal result.
Integer ShowMessageBox(HWND OwnerWindow, const String& Text, const String& Caption, Cardinal Flags);
void ShowMessage(const String& Text);

// ---- input query -------------------------------------------------------------------------------

// Accept starts True; a handler that clears it refuses the value.
using TZCLInputQueryValidation =
    std::function<void(TObject* Sender, Integer ValueIndex, const String& Value, bool& Accept)>;

class TZCLInputQueryDialog : public TZCLCustomInputDialog {
  ZCL_CLASS(TZCLInputQueryDialog, TZCLCustomInputDialog)
 public:
  using TZCLCustomInputDialog::TZCLCustomInputDialog;
  ~TZCLInputQueryDialog() override;

  static bool Execute(const String& Caption, const String& Prompt, String& Value, HWND Owner = nullptr,
                      TZCLInputQueryValidation Validation = nullptr);
  // One labelled editor per prompt; EInvalidArgument when the arrays differ in length.
  static bool ExecuteMultiple(const String& Caption, const std::vector<String>& Prompts, std::vector<Variant>& Values,
                              HWND Owner = nullptr, TZCLInputQueryValidation Validation = nullptr);

  // Makes the editors for the values (not shown); Execute runs it modally.
  void Prepare(const String& Caption, const std::vector<String>& Prompts, const std::vector<Variant>& Values);
  TZCLEdit* GetEditor(Integer Index) const { return FEditors[size_t(Index)]; }
  Integer GetEditorCount() const { return Integer(FEditors.size()); }
  bool CanApply() override;
  TZCLInputQueryValidation Validation;

 protected:
  void CalculateLayout(TRect& R) override;

 private:
  void EditorChange(TObject* Sender) { DoModified(); }
  std::vector<TZCLEdit*> FEditors;        // owned by the form
  std::vector<TZCLLabel*> FLabels;  // owned by the form
};

// A choice from a list of texts.
class TZCLSelectQueryDialog : public TZCLCustomInputDialog {
  ZCL_CLASS(TZCLSelectQueryDialog, TZCLCustomInputDialog)
 public:
  using TZCLCustomInputDialog::TZCLCustomInputDialog;
  // True when confirmed: ItemIndex is then the chosen line of Items.
  static bool Execute(const String& Caption, const String& Prompt, TZCLStringList* Items, Integer& ItemIndex,
                      HWND Owner = nullptr);
  void Prepare(const String& Caption, const String& Prompt, TZCLStringList* Items, Integer ItemIndex);
  TZCLComboBox* GetComboBox() const { return FComboBox; }
  bool CanApply() override;

 protected:
  void CalculateLayout(TRect& R) override;

 private:
  void ComboBoxChange(TObject* Sender) { UpdateButtonsState(); }
  TZCLLabel* FLabel = nullptr;
  TZCLComboBox* FComboBox = nullptr;
};

// A multi-line text; sizable, and it keeps its size for the rest of the run.
class TZCLMemoQueryDialog : public TZCLCustomInputDialog {
  ZCL_CLASS(TZCLMemoQueryDialog, TZCLCustomInputDialog)
 public:
  using TZCLCustomInputDialog::TZCLCustomInputDialog;
  // True when confirmed: Text is then the memo's text. PopupMenu (optional) is the memo's.
  static bool Execute(const String& Caption, String& Text, TComponent* PopupMenu = nullptr, HWND Owner = nullptr);
  void Prepare(const String& Caption, const String& Text, TComponent* PopupMenu);
  TZCLMemo* GetMemo() const { return FMemo; }
  // The client size remembered from the last memo query of this run, at 96 DPI (0 x 0: none).
  static TSize& RememberedSize();

 protected:
  void CalculateLayout(TRect& R) override;
  void DoShow() override;

 private:
  void MemoKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  TZCLMemo* FMemo = nullptr;
};

// ---- file dialog -------------------------------------------------------------------------------

enum TZCLFileDialogOption : Byte {
  ofOverwritePrompt,
  ofHideReadOnly,
  ofAllowMultiSelect,
  ofPathMustExist,
  ofFileMustExist,
  ofEnableSizing,
  ofForceShowHidden,
  ofAutoExtension
};
ZCL_ENUM(TZCLFileDialogOption, ofOverwritePrompt, ofHideReadOnly, ofAllowMultiSelect, ofPathMustExist, ofFileMustExist,
         ofEnableSizing, ofForceShowHidden, ofAutoExtension);
using TZCLFileDialogOptions = TSet<TZCLFileDialogOption>;

// FileName with the extension of the selected filter pair (1-based FilterIndex) of Filter: an
// extension that Filter lists as a pattern is replaced, any other kept and the new one appended;
// the all-files pattern, a missing pair or FilterIndex 0 leave the name as it is.
String zcFileDialogAutoExtension(const String& FileName, const String& Filter, Integer FilterIndex);
// The extensions of every pattern list of Filter, "*." removed, joined by ";" ("png;jpg;*").
String zcFileDialogDefaultExt(const String& Filter);
// Everything up to and including the last path delimiter; "" without one.
String zcFileDialogFolderOf(const String& FileName);

class TZCLFileDialog : public TComponent {
  ZCL_CLASS(TZCLFileDialog, TComponent)
 public:
  explicit TZCLFileDialog(TComponent* AOwner);
  ~TZCLFileDialog() override;
  static void DeclareProperties(TClassDeclaration<TZCLFileDialog>& D);

  // True when the user confirmed: FileName is then the first file chosen and Files every one.
  bool Execute(bool SaveDialog, HWND Owner = nullptr);
  // InitialDir, else the folder remembered under MRUId, else "".
  String GetInitialDir() const;
  // The folder to open in: InitialDir, else FileName's folder, else the remembered one.
  String GetStartFolder() const;

  const String& GetFileName() const { return FFileName; }
  void SetFileName(const String& Value) { FFileName = Value; }
  TZCLStringList* GetFiles() const { return FFiles; }
  const String& GetFilter() const { return FFilter; }
  void SetFilter(const String& Value) { FFilter = Value; }
  Integer GetFilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(Integer Value) { FFilterIndex = Value; }
  const String& GetInitialDirValue() const { return FInitialDir; }
  void SetInitialDir(const String& Value) { FInitialDir = Value; }
  const String& GetMRUId() const { return FMRUId; }
  void SetMRUId(const String& Value) { FMRUId = Value; }
  TZCLFileDialogOptions GetOptions() const { return FOptions; }
  void SetOptions(TZCLFileDialogOptions Value) { FOptions = Value; }
  const String& GetTitle() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }

  // The folders remembered for this run, "<MRUId>=<folder>".
  static TZCLStringList* FolderMemory();

 protected:
  virtual class TZCLFileDialogImpl* CreateImpl(bool SaveDialog, HWND Owner);

 private:
  String FFileName;
  TZCLStringList* FFiles;  // owned
  String FFilter;
  Integer FFilterIndex = 0;
  String FInitialDir;
  String FMRUId;
  TZCLFileDialogOptions FOptions{ofOverwritePrompt, ofHideReadOnly, ofEnableSizing, ofAutoExtension};
  String FTitle;
};

// ---- progress dialog ---------------------------------------------------------------------------

class TZCLProgressDialog : public TZCLForm {
  ZCL_CLASS(TZCLProgressDialog, TZCLForm)
  VCL_MESSAGES()
 public:
  explicit TZCLProgressDialog(TComponent* AOwner);
  ~TZCLProgressDialog() override;
  void AfterConstruction() override;

  // Percent of Total reached at Position, rounded (Total of 0 or less counts as 1).
  static Integer Percent(Int64 Position, Int64 Total);
  virtual void Progress(Int64 Position, Int64 Total, const String& Text = String());

  TZCLAeroPeek* GetAeroPeek() const { return FAeroPeek; }
  TZCLButton* GetCancelButton() const { return FCancelButton; }
  TZCLProgressBar* GetProgressBar() const { return FProgressBar; }
  TZCLLabel* GetTextLabel() const { return FTextLabel; }
  bool GetShowProgressInCaption() const { return FShowProgressInCaption; }
  void SetShowProgressInCaption(bool Value) { FShowProgressInCaption = Value; }
  const String& GetTitle() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }
  const String& GetText() const { return FText; }
  void SetText(const String& Value) { FText = Value; }
  TNotifyEvent OnCancel;

 protected:
  void DoShow() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void WMClose(TMessage& Message);

 private:
  void Cancel();
  void CancelButtonClick(TObject* Sender) { Cancel(); }
  TZCLAeroPeek* FAeroPeek = nullptr;  // owned
  TZCLButton* FCancelButton = nullptr;
  TZCLProgressBar* FProgressBar = nullptr;
  TZCLLabel* FTextLabel = nullptr;
  bool FShowProgressInCaption = false;
  String FTitle;
  String FText;
};

// ---- language dialog ---------------------------------------------------------------------------

class TZCLCustomLanguageDialog : public TZCLForm {
  ZCL_CLASS(TZCLCustomLanguageDialog, TZCLForm)
 public:
  using TEnumProc = std::function<void(TZCLIniFile* Ini, Integer Index)>;
  explicit TZCLCustomLanguageDialog(TComponent* AOwner);
  void AfterConstruction() override;
  TZCLImageComboBox* GetLanguageList() const { return FLanguageList; }
  TZCLImageList* GetImages() const { return FImages; }
  virtual void EnumLanguages(const TEnumProc& Proc) = 0;
  virtual void SelectDefault();
  // The item of UserLangId, else of 1033, else the first.
  void SelectLanguage(Integer UserLangId);
  // Fills the list from EnumLanguages, sorted by name, then SelectDefault.
  void FillList();

 protected:
  TZCLImageComboBox* FLanguageList = nullptr;
  TZCLImageList* FImages = nullptr;
};

class TZCLLanguageDialog : public TZCLCustomLanguageDialog {
  ZCL_CLASS(TZCLLanguageDialog, TZCLCustomLanguageDialog)
 public:
  explicit TZCLLanguageDialog(TComponent* AOwner);
  ~TZCLLanguageDialog() override;
  void EnumLanguages(const TEnumProc& Proc) override;
  TZCLStringList* GetFiles() const { return FFiles; }
  // Lets the user choose and loads the chosen language file.
  static void Execute(HWND Owner = nullptr);
  // The file name (without folder) of the selected item; "" when none.
  String SelectedFileName() const;

 private:
  TZCLStringList* FFiles;  // owned
};

void RegisterDialogClasses();
void FinalizeDialogs();

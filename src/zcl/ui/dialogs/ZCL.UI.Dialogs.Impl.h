#pragma once
// The system side of the common dialogs: the file dialog's implementations (the desktop's file
// chooser, and our own dialog where the desktop has none) and the message box's stock icons.

#include <vector>

#include "zcl/base/ZCL.Classes.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"

class TPngImage;
class TZCLComboBox;
class TZCLTreeList;
class TZCLTreeListNode;

// The icon of a kind at Size pixels (square); null for dikNone or when it cannot be loaded. The
// caller frees it.
TPngImage* LoadStockIcon(TZCLDialogIconKind Kind, Integer Size);

class TZCLFileDialogImpl : public TZCLUnknownObject {
  ZCL_CLASS(TZCLFileDialogImpl, TZCLUnknownObject)
 public:
  // Without Owner, the application's window.
  TZCLFileDialogImpl(TZCLFileDialog* ADialog, bool ASaveDialog, HWND AOwner);
  // Fills the dialog's Files (and FilterIndex) and answers True when the user confirmed.
  virtual bool Execute() = 0;

  TZCLFileDialog* Dialog;
  bool SaveDialog;
  String DefaultExt;  // save dialogs: the extensions of Filter
  HWND Owner;
};

// The desktop's file chooser; our own dialog where the desktop offers none.
class TZCLFileDialogSystemImpl : public TZCLFileDialogImpl {
  ZCL_CLASS(TZCLFileDialogSystemImpl, TZCLFileDialogImpl)
 public:
  using TZCLFileDialogImpl::TZCLFileDialogImpl;
  bool Execute() override;
};

// Our own dialog: a folder list, a file list, the file types and a name box.
class TZCLFileDialogOwnImpl : public TZCLFileDialogImpl {
  ZCL_CLASS(TZCLFileDialogOwnImpl, TZCLFileDialogImpl)
 public:
  using TZCLFileDialogImpl::TZCLFileDialogImpl;
  bool Execute() override;
};

// The form of our own file dialog.
class TZCLFileDialogForm : public TZCLCustomInputDialog {
  ZCL_CLASS(TZCLFileDialogForm, TZCLCustomInputDialog)
 public:
  using TZCLCustomInputDialog::TZCLCustomInputDialog;
  // Sets the dialog up for Request-like settings of Dialog (not shown).
  void Prepare(TZCLFileDialog* Dialog, bool SaveDialog, const String& Folder);
  // Shows the folder's subfolders and the files of the selected type.
  void SetFolder(const String& Folder);
  const String& GetFolder() const { return FFolder; }
  TZCLTreeList* GetFolderList() const { return FFolderList; }
  TZCLTreeList* GetFileList() const { return FFileList; }
  TZCLComboBox* GetTypeList() const { return FTypeList; }
  class TZCLEdit* GetNameEdit() const {
    return FNameEdit;
  }
  // The full path the name box stands for.
  String ChosenPath();
  Integer ChosenFilterIndex();
  bool CanApply() override;
  void DoApply() override;
  // Whether Name matches one of the ";"-separated glob patterns (ignoring case).
  static bool MatchesPatterns(const String& Name, const String& Patterns);

 protected:
  void CalculateLayout(TRect& R) override;

 private:
  // Enter or a double click opens a folder, or confirms a file.
  void FolderActivate();
  void FileActivate();
  void FolderDblClicked(TObject*, TZCLTreeListNode*) { FolderActivate(); }
  void FileDblClicked(TObject*, TZCLTreeListNode*) { FileActivate(); }
  void FolderKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  void FileKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  void FileFocused(TObject* Sender);
  void TypeChange(TObject* Sender);
  void NameChange(TObject* Sender) { UpdateButtonsState(); }
  TZCLFileDialog* FDialog = nullptr;
  bool FSave = false;
  String FFolder;
  std::vector<String> FPatterns;  // per type
  class TZCLLabel* FFolderLabel = nullptr;
  TZCLTreeList* FFolderList = nullptr;
  TZCLTreeList* FFileList = nullptr;
  TZCLComboBox* FTypeList = nullptr;
  class TZCLEdit* FNameEdit = nullptr;
};

#pragma once
// Picking one folder, or several folders each with or without its sub-folders, from a shell
// folder tree in a small resizable modal window. The window's placement and, per caller key, the
// last folder chosen live in memory while the program runs; ConfigLoad and ConfigSave move them
// to and from the caller's settings. UI thread.

#include "rtl/RTL.Set.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/ui/ZCL.UI.Forms.h"

class TZCLButton;
class TZCLCheckBox;
class TZCLEdit;
class TZCLIniFile;
class TZCLPanel;
class TZCLShellTreeView;

// Bits 1, 2, 4 and 8 of the caller's options.
enum TZCLFolderBrowserOption : Byte { fboRecursiveCheckBox, fboCheckBoxes, fboPathEdit, fboAllowLibraryPaths };
using TZCLFolderBrowserOptions = TSet<TZCLFolderBrowserOption>;

// Chosen folders in and out of a shell folder tree.
class TZCLShellTreePaths : public TZCLShellSearchPaths {
  ZCL_CLASS(TZCLShellTreePaths, TZCLShellSearchPaths)
 public:
  using TZCLShellSearchPaths::TZCLShellSearchPaths;
  // Selects and checks every folder; one stored as not recursive is checked alone, with its
  // children loaded, even while the tree checks children with their parent.
  virtual void ApplyToTree(TZCLShellTreeView* TreeView);
  // The checked folders (through loaded children only): recursive when their children were never
  // loaded; with nothing checked, the focused folder, recursive.
  virtual void LoadFromTree(TZCLShellTreeView* TreeView);
};

class TZCLFolderBrowserDialog : public TZCLForm {
  ZCL_CLASS(TZCLFolderBrowserDialog, TZCLForm)
  VCL_MESSAGES()
 public:
  explicit TZCLFolderBrowserDialog(TComponent* AOwner);
  ~TZCLFolderBrowserDialog() override;
  void BeforeDestruction() override;
  // A new dialog over the owner window (null: none); sets the one-dialog flag until it goes.
  static TZCLFolderBrowserDialog* CreateFor(HWND OwnerWindow, TZCLFolderBrowserOptions Options);
  static bool IsOpen() { return FOpen; }

  // Runs modally; keeps or forgets the placement; true for OK.
  bool Run();
  // Collects the chosen folders; Recursive takes the check box's state (false without one).
  void CollectPaths(TZCLShellTreePaths* Paths, bool& Recursive);

  TZCLShellTreeView* GetTreeView() const { return FTreeView; }
  TZCLCheckBox* GetCheckBox() const { return FCheckBox; }
  TZCLEdit* GetPathEdit() const { return FPathEdit; }
  TZCLButton* GetButtonNewFolder() const { return FButtonNewFolder; }
  TZCLButton* GetButtonOK() const { return FButtonOK; }
  TZCLButton* GetButtonCancel() const { return FButtonCancel; }
  TZCLFolderBrowserOptions GetOptions() const { return FOptions; }
  String GetConfigSection() override { return u"Dialog"; }
  // OK is enabled with check boxes, a selected path or a typed one.
  void UpdateButtons();

 protected:
  virtual void CreatePathEdit();
  virtual void CreateControls();
  void AdjustClientRect(TRect& Rect) override;
  bool DialogKey(TMessage& Message) override;
  // Remembers the placement once the window is placed and shown.
  void CMShowingChanged(TMessage& Message);

 private:
  void CheckBoxClick(TObject* Sender);
  void TreeFocusedNodeChanged(TObject* Sender);
  void PathEditChange(TObject* Sender);
  void NewFolderClick(TObject* Sender);
  TZCLButton* AddButton(const String& Caption, TAlign Align);

  static inline bool FOpen = false;
  TZCLFolderBrowserOptions FOptions;
  TZCLShellTreeView* FTreeView = nullptr;
  TZCLCheckBox* FCheckBox = nullptr;
  TZCLEdit* FPathEdit = nullptr;
  TZCLPanel* FButtonBar = nullptr;
  TZCLButton* FButtonNewFolder = nullptr;
  TZCLButton* FButtonOK = nullptr;
  TZCLButton* FButtonCancel = nullptr;
  TRect FShownBounds;
  bool FPlacementRemembered = false;
  bool FSyncing = false;
};

class TZCLFolderBrowser {
 public:
  TZCLFolderBrowser() = delete;
  // False at once while a dialog is open; true only for OK with at least one folder in Paths.
  static bool Execute(const String& Path, TZCLShellTreePaths* Paths, bool& Recursive, TZCLFolderBrowserOptions Options,
                      HWND OwnerWindow, const String& Caption);
  // Starts at Path, or, with a key and no path, at the folder chosen last under Key.
  static bool ExecuteWithMRU(const String& Path, const String& Key, TZCLShellTreePaths* Paths, bool& Recursive,
                             TZCLFolderBrowserOptions Options, HWND OwnerWindow, const String& Caption);
  static bool ExecuteSingle(String& Path, const String& Key, HWND OwnerWindow, const String& Caption);
  static bool Execute(String& Path, HWND OwnerWindow, const String& Caption);
  // "<Section>.MRU" holds the folders by key, Section the window's placement.
  static void ConfigLoad(TZCLIniFile* Ini, const String& Section);
  static void ConfigSave(TZCLIniFile* Ini, const String& Section);
  // The in-memory settings (section "Dialog") and the folder remembered under a key.
  static TZCLIniFile* Settings();
  static String RememberedFolder(const String& Key);
};

void InitializeFolderBrowser();
void FinalizeFolderBrowser();

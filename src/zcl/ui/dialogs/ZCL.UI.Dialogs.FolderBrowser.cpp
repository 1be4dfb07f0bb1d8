#include "zcl/ui/dialogs/ZCL.UI.Dialogs.FolderBrowser.h"

#include "os/OS.Input.h"
#include "rtl/RTL.Strings.h"
#include "vcl/VCL.Messages.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/ui/controls/ZCL.UI.CheckBoxes.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ShellTreeView.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"

namespace {

constexpr const char16_t* DialogSection = u"Dialog";

TZCLIniFile* GSettings = nullptr;
TZCLStringList* GRecentFolders = nullptr;  // "key=folder" lines

TZCLIniFile* SettingsFile() {
  if (!GSettings) GSettings = TZCLIniFile::CreateInMemory();
  return GSettings;
}

TZCLStringList* RecentFolders() {
  if (!GRecentFolders) GRecentFolders = new TZCLStringList();
  return GRecentFolders;
}

// Trimmed, with one pair of enclosing quotes taken off.
String Unquote(const String& Text) {
  String result = Trim(Text);
  if (result.size() >= 2 && result.front() == u'"' && result.back() == u'"')
    result = Trim(StringView(result).substr(1, result.size() - 2));
  return result;
}

void CollectChecked(TZCLShellTreeView* TreeView, TZCLTreeListNode* Parent, TZCLShellTreePaths* Paths) {
  TZCLTreeListNodeList* children = Parent->GetChildrenList();
  if (!children) return;
  for (TZCLTreeListNode* node : *children) {
    if (node->GetChecked()) {
      const String path = TreeView->GetPath(node);
      // A folder whose sub-folders were never opened is taken with its whole subtree.
      const bool loaded = node->GetChildrenList() && node->GetChildrenList()->GetCount() > 0;
      if (!path.empty()) Paths->Add(path, !loaded);
    }
    CollectChecked(TreeView, node, Paths);
  }
}

}  // namespace

// ---- paths ------------------------------------------------------------------------------------

void TZCLShellTreePaths::ApplyToTree(TZCLShellTreeView* TreeView) {
  if (!TreeView) return;
  TZCLShellTreeViewSubClass* tree = TreeView->GetShellSubClass();
  TZCLShellTreeViewOptionsBehavior* behavior = TreeView->GetOptionsBehavior();
  tree->BeginUpdate();
  try {
    for (Integer i = 0; i < GetCount(); ++i) {
      TreeView->SetSelectedPath(GetPath(i));
      TZCLTreeListNode* node = TreeView->GetFocusedNode();
      if (!node) continue;
      if (!GetRecursive(i) && behavior->GetAutoCheckChildren()) {
        behavior->SetAutoCheckChildren(false);
        try {
          node->SetExpanded(true);
          node->SetChecked(true);
        } catch (...) {
          behavior->SetAutoCheckChildren(true);
          throw;
        }
        behavior->SetAutoCheckChildren(true);
      } else {
        node->SetChecked(true);
      }
    }
  } catch (...) {
    tree->EndUpdate();
    throw;
  }
  tree->EndUpdate();
}

void TZCLShellTreePaths::LoadFromTree(TZCLShellTreeView* TreeView) {
  Clear();
  if (!TreeView) return;
  CollectChecked(TreeView, TreeView->GetRootNode(), this);
  if (GetCount() == 0)
    if (TZCLTreeListNode* focused = TreeView->GetFocusedNode()) {
      const String path = TreeView->GetPath(focused);
      if (!path.empty()) Add(path, true);
    }
}

// ---- dialog -----------------------------------------------------------------------------------

TZCLFolderBrowserDialog::TZCLFolderBrowserDialog(TComponent* AOwner) : TZCLForm(AOwner) { FOpen = true; }

TZCLFolderBrowserDialog::~TZCLFolderBrowserDialog() { FOpen = false; }

void TZCLFolderBrowserDialog::BeforeDestruction() {
  // The tree drops its nodes while it goes: the buttons may already be gone by then.
  if (FTreeView) FTreeView->GetShellSubClass()->OnFocusedNodeChanged = nullptr;
  inherited::BeforeDestruction();
}

TZCLFolderBrowserDialog* TZCLFolderBrowserDialog::CreateFor(HWND OwnerWindow, TZCLFolderBrowserOptions Options) {
  auto* dialog = CreateDialog<TZCLFolderBrowserDialog>(OwnerWindow);
  try {
    dialog->FOptions = Options;
    dialog->SetDoubleBuffered(true);
    const Integer dpi = dialog->GetCurrentPPI();
    dialog->SetBounds(dialog->GetLeft(), dialog->GetTop(), ScaleByDPI(360, dpi), ScaleByDPI(450, dpi));
    dialog->GetConstraints()->SetMinWidth(ScaleByDPI(360, dpi));
    dialog->GetConstraints()->SetMinHeight(ScaleByDPI(450, dpi));
    dialog->SetCaption(TZCLDialogsStrs::BrowseFolderCaption);
    dialog->SetBorderIcons({biSystemMenu});
    dialog->SetPosition(poOwnerFormCenter);
    dialog->SetKeyPreview(true);
    dialog->CreateControls();
    dialog->LoadPosition(SettingsFile());
    dialog->UpdateButtons();
  } catch (...) {
    Free(dialog);
    throw;
  }
  return dialog;
}

TZCLButton* TZCLFolderBrowserDialog::AddButton(const String& Caption, TAlign Align) {
  const Integer dpi = GetCurrentPPI();
  auto* button = Create<TZCLButton>(static_cast<TComponent*>(this));
  button->SetParent(FButtonBar);
  button->SetCaption(Caption);
  button->SetAlignWithMargins(true);
  // Margins are 96-DPI sizes that the control scales.
  button->GetMargins()->SetLeft(Align == alLeft ? 0 : 3);
  button->GetMargins()->SetRight(0);
  button->SetWidth(ScaleByDPI(90, dpi));
  button->SetAlign(Align);
  return button;
}

void TZCLFolderBrowserDialog::CreateControls() {
  const Integer dpi = GetCurrentPPI();
  if (FOptions.Contains(fboRecursiveCheckBox)) {
    FCheckBox = Create<TZCLCheckBox>(static_cast<TComponent*>(this));
    FCheckBox->SetParent(this);
    FCheckBox->SetCaption(TZCLDialogsStrs::IncludeSubFoldersCaption);
    FCheckBox->SetAlignWithMargins(true);
    FCheckBox->SetAlign(alTop);
    FCheckBox->OnClick = TNotifyEvent(this, &TZCLFolderBrowserDialog::CheckBoxClick);
  }

  FTreeView = Create<TZCLShellTreeView>(static_cast<TComponent*>(this));
  FTreeView->SetParent(this);
  FTreeView->SetAlignWithMargins(true);
  FTreeView->SetAlign(alClient);
  FTreeView->GetOptionsBehavior()->SetAllowLibraryPaths(FOptions.Contains(fboAllowLibraryPaths));
  FTreeView->GetOptionsView()->SetCheckBoxes(FOptions.Contains(fboCheckBoxes));
  FTreeView->GetShellSubClass()->OnFocusedNodeChanged =
      TNotifyEvent(this, &TZCLFolderBrowserDialog::TreeFocusedNodeChanged);
  SetActiveControl(FTreeView);

  FButtonBar = Create<TZCLPanel>(static_cast<TComponent*>(this));
  FButtonBar->SetParent(this);
  FButtonBar->SetAlign(alBottom);
  FButtonBar->SetHeight(ScaleByDPI(23, dpi) + 2 * ScaleByDPI(3, dpi));
  FButtonNewFolder = AddButton(TZCLDialogsStrs::NewFolderCaption, alLeft);
  FButtonNewFolder->SetEnabled(false);
  FButtonNewFolder->SetVisible(!FOptions.Contains(fboRecursiveCheckBox) && !FOptions.Contains(fboCheckBoxes));
  FButtonNewFolder->OnClick = TNotifyEvent(this, &TZCLFolderBrowserDialog::NewFolderClick);
  // Right-aligned controls line up from the right edge in creation order: OK ends up rightmost.
  FButtonOK = AddButton(TZCLDialogsStrs::ButtonCaptions[dbOK], alRight);
  FButtonOK->SetModalResult(mrOk);
  FButtonCancel = AddButton(TZCLDialogsStrs::ButtonCaptions[dbCancel], alRight);
  FButtonCancel->SetModalResult(mrCancel);

  CreatePathEdit();
}

void TZCLFolderBrowserDialog::CreatePathEdit() {
  if (!FOptions.Contains(fboPathEdit)) return;
  FPathEdit = Create<TZCLEdit>(static_cast<TComponent*>(this));
  FPathEdit->SetParent(this);
  FPathEdit->SetAlignWithMargins(true);
  FPathEdit->SetAlign(alBottom);
  // Above the button bar: aligned after it.
  FPathEdit->SetTop(FButtonBar->GetTop() - FPathEdit->GetHeight());
  FPathEdit->OnChange = TNotifyEvent(this, &TZCLFolderBrowserDialog::PathEditChange);
}

void TZCLFolderBrowserDialog::AdjustClientRect(TRect& Rect) {
  inherited::AdjustClientRect(Rect);
  const Integer inset = ScaleByDPI(7, GetCurrentPPI());
  Rect = TRect(Rect.Left + inset, Rect.Top + inset, Rect.Right - inset, Rect.Bottom - inset);
}

bool TZCLFolderBrowserDialog::DialogKey(TMessage& Message) {
  if (Message.WParam == VK_RETURN) {
    SetModalResult(mrOk);
    return true;
  }
  if (Message.WParam == VK_ESCAPE) {
    SetModalResult(mrCancel);
    return true;
  }
  return inherited::DialogKey(Message);
}

const TMessageTable& TZCLFolderBrowserDialog::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_SHOWINGCHANGED, &TZCLFolderBrowserDialog::CMShowingChanged)});
  return table;
}

void TZCLFolderBrowserDialog::CMShowingChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (!GetShowing()) return;
  // A placement loaded from the settings is kept; only the designed one counts as untouched.
  FPlacementRemembered = GetPosition() != poDesigned;
  FShownBounds = GetBoundsRect();
}

void TZCLFolderBrowserDialog::CheckBoxClick(TObject*) {
  FTreeView->GetOptionsBehavior()->SetAutoCheckChildren(FCheckBox->GetChecked());
}

void TZCLFolderBrowserDialog::TreeFocusedNodeChanged(TObject*) {
  if (FSyncing) return;
  FSyncing = true;
  try {
    FButtonNewFolder->SetEnabled(FTreeView->GetFocusedNode() != nullptr);
    if (FPathEdit) FPathEdit->SetText(FTreeView->GetSelectedPath());
    UpdateButtons();
  } catch (...) {
    FSyncing = false;
    throw;
  }
  FSyncing = false;
}

void TZCLFolderBrowserDialog::PathEditChange(TObject*) {
  if (FSyncing) return;
  FSyncing = true;
  try {
    FTreeView->SetFocusedNode(nullptr);
    UpdateButtons();
  } catch (...) {
    FSyncing = false;
    throw;
  }
  FSyncing = false;
}

void TZCLFolderBrowserDialog::NewFolderClick(TObject*) { FTreeView->CreateFolder(TZCLDialogsStrs::NewFolderCaption); }

void TZCLFolderBrowserDialog::UpdateButtons() {
  if (!FButtonOK) return;
  FButtonOK->SetEnabled(FTreeView->GetOptionsView()->GetCheckBoxes() || !FTreeView->GetSelectedPath().empty() ||
                        (FPathEdit && !FPathEdit->GetText().empty()));
}

bool TZCLFolderBrowserDialog::Run() {
  const TModalResult result = ShowModal();
  if (FPlacementRemembered && GetBoundsRect() == FShownBounds)
    SettingsFile()->DeleteSection(DialogSection);
  else
    SavePosition(SettingsFile());
  return result == mrOk;
}

void TZCLFolderBrowserDialog::CollectPaths(TZCLShellTreePaths* Paths, bool& Recursive) {
  Paths->LoadFromTree(FTreeView);
  const bool checked = FCheckBox && FCheckBox->GetChecked();
  if (FPathEdit && Paths->GetCount() == 0) {
    const String typed = Unquote(FPathEdit->GetText());
    if (!typed.empty() && !Paths->Overlaps(typed)) Paths->Add(typed, checked);
  }
  Recursive = checked;
}

// ---- class operations -------------------------------------------------------------------------

bool TZCLFolderBrowser::Execute(const String& Path, TZCLShellTreePaths* Paths, bool& Recursive,
                                TZCLFolderBrowserOptions Options, HWND OwnerWindow, const String& Caption) {
  if (TZCLFolderBrowserDialog::IsOpen() || !Paths) return false;
  TZCLFolderBrowserDialog* dialog = TZCLFolderBrowserDialog::CreateFor(OwnerWindow, Options);
  bool result = false;
  try {
    if (TZCLCheckBox* box = dialog->GetCheckBox()) {
      box->SetChecked(Recursive);
      dialog->GetTreeView()->GetOptionsBehavior()->SetAutoCheckChildren(Recursive);
    }
    dialog->GetTreeView()->SetSelectedPath(Path);
    if (!Caption.empty()) dialog->SetCaption(Caption);
    if (Path.empty()) Paths->ApplyToTree(dialog->GetTreeView());
    if (dialog->Run()) {
      dialog->CollectPaths(Paths, Recursive);
      result = Paths->GetCount() > 0;
    }
  } catch (...) {
    Free(dialog);
    throw;
  }
  Free(dialog);
  return result;
}

bool TZCLFolderBrowser::ExecuteWithMRU(const String& Path, const String& Key, TZCLShellTreePaths* Paths,
                                       bool& Recursive, TZCLFolderBrowserOptions Options, HWND OwnerWindow,
                                       const String& Caption) {
  const String start = Key.empty() || !Path.empty() ? Path : RememberedFolder(Key);
  if (!Execute(start, Paths, Recursive, Options, OwnerWindow, Caption)) return false;
  if (!Key.empty() && Paths->GetCount() > 0 && !Paths->GetPath(0).empty())
    RecentFolders()->SetValues(Key, Paths->GetPath(0));
  return true;
}

bool TZCLFolderBrowser::ExecuteSingle(String& Path, const String& Key, HWND OwnerWindow, const String& Caption) {
  TZCLShellTreePaths paths;
  bool recursive = false;
  if (!ExecuteWithMRU(Path, Key, &paths, recursive, {fboPathEdit}, OwnerWindow, Caption)) return false;
  Path = paths.GetPath(0);
  return true;
}

bool TZCLFolderBrowser::Execute(String& Path, HWND OwnerWindow, const String& Caption) {
  return ExecuteSingle(Path, String(), OwnerWindow, Caption);
}

void TZCLFolderBrowser::ConfigLoad(TZCLIniFile* Ini, const String& Section) {
  if (!Ini) return;
  RecentFolders()->SetText(Ini->ReadSection(Section + u".MRU"));
  SettingsFile()->WriteSection(DialogSection, Ini->ReadSection(Section));
}

void TZCLFolderBrowser::ConfigSave(TZCLIniFile* Ini, const String& Section) {
  if (!Ini) return;
  Ini->WriteSection(Section + u".MRU", RecentFolders()->GetText());
  Ini->WriteSection(Section, SettingsFile()->ReadSection(DialogSection));
}

TZCLIniFile* TZCLFolderBrowser::Settings() { return SettingsFile(); }

String TZCLFolderBrowser::RememberedFolder(const String& Key) {
  return Key.empty() ? String() : RecentFolders()->GetValues(Key);
}

void InitializeFolderBrowser() { SettingsFile(); }

void FinalizeFolderBrowser() {
  Free(GSettings);
  GSettings = nullptr;
  Free(GRecentFolders);
  GRecentFolders = nullptr;
}

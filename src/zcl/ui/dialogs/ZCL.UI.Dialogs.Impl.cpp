#include "zcl/ui/dialogs/ZCL.UI.Dialogs.Impl.h"

#include <algorithm>

#include "os/OS.Dialogs.h"
#include "os/OS.Files.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "vcl/VCL.Imaging.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/controls/ZCL.UI.Labels.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.h"

// ---- stock icons -------------------------------------------------------------------------------

TPngImage* LoadStockIcon(TZCLDialogIconKind Kind, Integer Size) {
  const char16_t* names[] = {u"WARNING", u"ERROR", u"INFORMATION", u"QUESTION"};
  if (Kind >= dikNone || Size <= 0) return nullptr;
  const String name = String(u"ZCLSTOCK_") + names[Kind] + (Size <= 32 ? u"32" : u"64");
  auto* source = new TPngImage();
  try {
    TResourceStream stream(name, u"ICON");
    source->LoadFromStream(stream);
  } catch (const Exception&) {
    Free(source);
    return nullptr;  // the message goes without an icon
  }
  return source;
}

// ---- implementations ---------------------------------------------------------------------------

TZCLFileDialogImpl::TZCLFileDialogImpl(TZCLFileDialog* ADialog, bool ASaveDialog, HWND AOwner)
    : Dialog(ADialog), SaveDialog(ASaveDialog), Owner(AOwner ? AOwner : Application->GetHandle()) {
  if (SaveDialog) DefaultExt = zcFileDialogDefaultExt(Dialog->GetFilter());
}

namespace {

std::vector<TFileChooserFilter> FilterPairs(const String& Filter) {
  std::vector<TFileChooserFilter> pairs;
  size_t start = 0;
  std::vector<String> parts;
  for (;;) {
    const size_t end = Filter.find(u'|', start);
    parts.push_back(Filter.substr(start, end == String::npos ? String::npos : end - start));
    if (end == String::npos) break;
    start = end + 1;
  }
  for (size_t i = 0; i + 1 < parts.size(); i += 2) pairs.push_back({parts[i], parts[i + 1]});
  return pairs;
}

String NamePart(const String& FileName) {
  const size_t at = FileName.find_last_of(u"/\\");
  return at == String::npos ? FileName : FileName.substr(at + 1);
}

}  // namespace

bool TZCLFileDialogSystemImpl::Execute() {
  TFileChooserRequest request;
  request.Save = SaveDialog;
  request.Owner = Owner;
  request.Title = Dialog->GetTitle();
  request.DefaultExt = DefaultExt;
  request.FileName = NamePart(Dialog->GetFileName());
  request.Folder = Dialog->GetStartFolder();
  request.Filters = FilterPairs(Dialog->GetFilter());
  request.FilterIndex = Dialog->GetFilterIndex();
  const TZCLFileDialogOptions options = Dialog->GetOptions();
  request.OverwritePrompt = options.Contains(ofOverwritePrompt);
  request.MultiSelect = options.Contains(ofAllowMultiSelect);
  request.PathMustExist = options.Contains(ofPathMustExist);
  request.FileMustExist = options.Contains(ofFileMustExist);
  request.ShowHidden = options.Contains(ofForceShowHidden);
  request.KeepAlive = [] { Application->ProcessMessages(); };
  const TFileChooserAnswer answer = RunFileChooser(request);
  switch (answer.Outcome) {
    case TFileChooserOutcome::Unavailable: {
      TZCLFileDialogOwnImpl own(Dialog, SaveDialog, Owner);
      return own.Execute();
    }
    case TFileChooserOutcome::Cancelled:
      return false;
    case TFileChooserOutcome::Chosen:
      break;
  }
  if (answer.Files.empty()) return false;
  TZCLStringList* files = Dialog->GetFiles();
  if (SaveDialog)
    files->Add(answer.Files.front());
  else
    for (const String& file : answer.Files) files->Add(file);
  if (answer.FilterIndex > 0) Dialog->SetFilterIndex(answer.FilterIndex);
  return true;
}

bool TZCLFileDialogOwnImpl::Execute() {
  auto* form = TZCLCustomForm::CreateDialog<TZCLFileDialogForm>(Owner);
  bool confirmed = false;
  try {
    form->Prepare(Dialog, SaveDialog, Dialog->GetStartFolder());
    confirmed = form->ShowModal() == mrOk;
    if (confirmed) {
      Dialog->GetFiles()->Add(form->ChosenPath());
      if (form->ChosenFilterIndex() > 0) Dialog->SetFilterIndex(form->ChosenFilterIndex());
    }
  } catch (...) {
    Free(form);
    throw;
  }
  Free(form);
  return confirmed;
}

// ---- our own file dialog -----------------------------------------------------------------------

namespace {

Char Lower(Char C) { return C >= u'A' && C <= u'Z' ? Char(C + 32) : C; }

// "*" any run, "?" one character; iterative with one back-track point.
bool GlobMatch(const String& Name, const String& Pattern) {
  size_t n = 0, p = 0, star = String::npos, mark = 0;
  while (n < Name.size()) {
    if (p < Pattern.size() && (Pattern[p] == u'?' || Lower(Pattern[p]) == Lower(Name[n]))) {
      ++n;
      ++p;
    } else if (p < Pattern.size() && Pattern[p] == u'*') {
      star = p++;
      mark = n;
    } else if (star != String::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < Pattern.size() && Pattern[p] == u'*') ++p;
  return p == Pattern.size();
}

// A plain one-column list of names: no header, no grid, kept in the order it is filled.
TZCLTreeList* NewList(TZCLFileDialogForm* Form) {
  auto* list = Create<TZCLTreeList>(static_cast<TComponent*>(Form));
  list->SetParent(Form);
  list->SetTabStop(true);
  list->GetOptionsView()->GetColumns()->SetVisible(false);
  list->GetOptionsView()->GetNodes()->SetGridLines({});
  list->GetOptionsBehavior()->SetSortingMode(tlsmDisabled);
  list->GetOptionsBehavior()->SetIncSearchColumnIndex(0);
  return list;
}

void FillList(TZCLTreeList* List, const std::vector<String>& Names) {
  TZCLTreeListSubClass* tree = List->GetSubClass();
  tree->BeginUpdate();
  try {
    List->GetRootNode()->DeleteChildren();
    for (const String& name : Names) List->GetRootNode()->AddChild({name});
  } catch (...) {
    tree->EndUpdate();
    throw;
  }
  tree->EndUpdate();
}

}  // namespace

bool TZCLFileDialogForm::MatchesPatterns(const String& Name, const String& Patterns) {
  size_t start = 0;
  for (;;) {
    const size_t end = Patterns.find(u';', start);
    String one = Patterns.substr(start, end == String::npos ? String::npos : end - start);
    if (one == u"*.*") one = u"*";  // every file, dotted or not
    if (!one.empty() && GlobMatch(Name, one)) return true;
    if (end == String::npos) return false;
    start = end + 1;
  }
}

void TZCLFileDialogForm::Prepare(TZCLFileDialog* Dialog, bool SaveDialog, const String& Folder) {
  FDialog = Dialog;
  FSave = SaveDialog;
  SetCaption(!Dialog->GetTitle().empty() ? Dialog->GetTitle() : SaveDialog ? String(u"Save As") : String(u"Open"));
  SetClientWidth(Scaled(560));
  FFolderLabel = Create<TZCLLabel>(static_cast<TComponent*>(this));
  FFolderLabel->SetParent(this);
  FFolderLabel->SetAutoSize(true);
  FFolderList = NewList(this);
  FFolderList->GetSubClass()->OnNodeDblClicked = TZCLTreeListNodeEvent(this, &TZCLFileDialogForm::FolderDblClicked);
  FFolderList->OnKeyDown = TKeyEvent(this, &TZCLFileDialogForm::FolderKeyDown);
  FFileList = NewList(this);
  FFileList->GetSubClass()->OnFocusedNodeChanged = TNotifyEvent(this, &TZCLFileDialogForm::FileFocused);
  FFileList->GetSubClass()->OnNodeDblClicked = TZCLTreeListNodeEvent(this, &TZCLFileDialogForm::FileDblClicked);
  FFileList->OnKeyDown = TKeyEvent(this, &TZCLFileDialogForm::FileKeyDown);
  FTypeList = Create<TZCLComboBox>(static_cast<TComponent*>(this));
  FTypeList->SetParent(this);
  FTypeList->SetMode(cbmList);
  FNameEdit = Create<TZCLEdit>(static_cast<TComponent*>(this));
  FNameEdit->SetParent(this);
  FNameEdit->OnChange = TNotifyEvent(this, &TZCLFileDialogForm::NameChange);
  for (const TFileChooserFilter& pair : FilterPairs(Dialog->GetFilter())) {
    FTypeList->GetItems()->Add(pair.Name);
    FPatterns.push_back(pair.Patterns);
  }
  const Integer index = Dialog->GetFilterIndex();
  FTypeList->SetItemIndex(index >= 1 && index <= Integer(FPatterns.size()) ? index - 1 : FPatterns.empty() ? -1 : 0);
  FTypeList->OnChange = TNotifyEvent(this, &TZCLFileDialogForm::TypeChange);
  FNameEdit->SetText(NamePart(Dialog->GetFileName()));
  CreateControls();
  SetFolder(!Folder.empty() && DirectoryExists(Folder) ? Folder : GetCurrentDir());
  SetActiveControl(FNameEdit);
}

void TZCLFileDialogForm::SetFolder(const String& Folder) {
  FFolder = IncludeTrailingPathDelimiter(ExpandFileName(Folder));
  FFolderLabel->SetCaption(FFolder);
  std::vector<String> folders, files;
  const bool hidden = FDialog && FDialog->GetOptions().Contains(ofForceShowHidden);
  const Integer type = FTypeList->GetItemIndex();
  const String patterns = type >= 0 && type < Integer(FPatterns.size()) ? FPatterns[size_t(type)] : String(u"*");
  zcEnumFiles(
      FFolder, String(), zcfkAll,
      [&](TZCLFindFileInfo* Info) {
        if (!hidden && !Info->FileName.empty() && Info->FileName[0] == u'.') return;
        if (Info->FileKind == zcfkFolder)
          folders.push_back(Info->FileName);
        else if (MatchesPatterns(Info->FileName, patterns))
          files.push_back(Info->FileName);
      },
      false);
  auto byName = [](const String& A, const String& B) { return AnsiCompareText(A, B) < 0; };
  std::sort(folders.begin(), folders.end(), byName);
  std::sort(files.begin(), files.end(), byName);
  if (FFolder != u"/") folders.insert(folders.begin(), u"..");
  FFolderList->SetFocusedNode(nullptr);
  FillList(FFolderList, folders);
  FFolderList->SetFocusedNode(FFolderList->GetRootNode()->GetChildrenCount() > 0 ? FFolderList->GetRootNode()->GetChild(0)
                                                                                 : nullptr);
  FFileList->SetFocusedNode(nullptr);
  FillList(FFileList, files);
  UpdateButtonsState();
}

void TZCLFileDialogForm::CalculateLayout(TRect& R) {
  const Integer line = FNameEdit->GetHeight(), gap = Scaled(5), listHeight = Scaled(220);
  FFolderLabel->SetBounds(R.Left, R.Top, R.Width(), 0);
  R.Top = FFolderLabel->GetBoundsRect().Bottom + gap;
  const Integer half = (R.Width() - gap) / 2;
  FFolderList->SetBounds(R.Left, R.Top, half, listHeight);
  FFileList->SetBounds(R.Left + half + gap, R.Top, R.Width() - half - gap, listHeight);
  R.Top += listHeight + gap;
  FTypeList->SetBounds(R.Left, R.Top, R.Width(), FTypeList->GetHeight());
  R.Top += FTypeList->GetHeight() + gap;
  FNameEdit->SetBounds(R.Left, R.Top, R.Width(), line);
  R.Top += line + 2 * gap;
  inherited::CalculateLayout(R);
}

String TZCLFileDialogForm::ChosenPath() {
  const String name = FNameEdit->GetText();
  if (name.empty()) return String();
  return IsPathDelimiter(name[0]) ? name : FFolder + name;
}

Integer TZCLFileDialogForm::ChosenFilterIndex() { return FTypeList->GetItemIndex() + 1; }

bool TZCLFileDialogForm::CanApply() {
  if (!FNameEdit) return false;
  const String path = ChosenPath();
  if (path.empty()) return false;
  if (DirectoryExists(path)) return true;  // applying opens the folder
  const TZCLFileDialogOptions options = FDialog ? FDialog->GetOptions() : TZCLFileDialogOptions();
  if (!FSave && options.Contains(ofFileMustExist) && !FileExists(path)) return false;
  if (options.Contains(ofPathMustExist) && !DirectoryExists(ExtractFilePath(path))) return false;
  return true;
}

void TZCLFileDialogForm::DoApply() {
  const String path = ChosenPath();
  if (DirectoryExists(path)) {
    // A folder typed or chosen is opened, not returned.
    FNameEdit->SetText(String());
    SetFolder(path);
    SetModalResult(mrNone);
    Abort();
  }
  if (FSave && FileExists(path) && FDialog && FDialog->GetOptions().Contains(ofOverwritePrompt) &&
      ShowMessageBox(GetHandle(), ExtractFileName(path) + u" already exists.\nDo you want to replace it?", GetCaption(),
                     0x34) != mrYes)
    Abort();
  inherited::DoApply();
}

void TZCLFileDialogForm::FolderKeyDown(TObject*, Word& Key, TShiftState) {
  if (Key != VK_RETURN) return;
  Key = 0;
  FolderActivate();
}

void TZCLFileDialogForm::FileKeyDown(TObject*, Word& Key, TShiftState) {
  if (Key != VK_RETURN) return;
  Key = 0;
  FileActivate();
}

void TZCLFileDialogForm::FolderActivate() {
  TZCLTreeListNode* node = FFolderList->GetFocusedNode();
  if (!node) return;
  const String name = node->GetValue(0);
  SetFolder(name == u".." ? ExtractFilePath(ExcludeTrailingPathDelimiter(FFolder)) : FFolder + name);
}

void TZCLFileDialogForm::FileFocused(TObject*) {
  if (TZCLTreeListNode* node = FFileList->GetFocusedNode()) FNameEdit->SetText(node->GetValue(0));
}

void TZCLFileDialogForm::FileActivate() {
  FileFocused(nullptr);
  if (CanApply()) {
    try {
      DoApply();
      SetModalResult(mrOk);
    } catch (const EAbort&) {
    }
  }
}

void TZCLFileDialogForm::TypeChange(TObject*) {
  if (!FFolder.empty()) SetFolder(FFolder);
}

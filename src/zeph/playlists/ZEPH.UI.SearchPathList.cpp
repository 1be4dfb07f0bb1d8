#include "zeph/playlists/ZEPH.UI.SearchPathList.h"

#include <functional>
#include <memory>
#include <utility>

#include "os/OS.Input.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Menus.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/ui/ZCL.UI.DragDrop.Target.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.FolderBrowser.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Columns.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Nodes.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Options.h"

namespace {
const char16_t* const KSection = u"ZEPHSearchPathList";
struct TActionText {
  const char16_t* Key;
  const char16_t* Caption;
};
const TActionText KActions[] = {{u"acAdd", u"Add..."}, {u"acDelete", u"Delete"}, {u"acDeleteAll", u"Delete All"}};
const char16_t* const KColumnKeys[] = {u"colPath", u"colRecursive"};
}  // namespace

// ---- sub-class --------------------------------------------------------------------------------

TZEPHSearchPathList* TZEPHSearchPathListSubClass::GetList() const {
  return dynamic_cast<TZEPHSearchPathList*>(GetOwner());
}

void TZEPHSearchPathListSubClass::NodeRemoving(TZCLTreeListNode* Node) {
  inherited::NodeRemoving(Node);
  // The control lets go of its sub-class before freeing it: removals then are no edits.
  TZEPHSearchPathList* list = GetList();
  if (list && list->GetSubClass() == this && !list->GetComponentState().Contains(csDestroying)) list->NodeRemoved();
}

void TZEPHSearchPathListSubClass::DoDrop(TZCLDropTarget* Data, TZCLDropAction Action, TZCLTreeListNode* Target,
                                         TZCLTreeListDropTargetInsertMode Mode) {
  inherited::DoDrop(Data, Action, Target, Mode);
  auto files = std::make_unique<TZCLStringList>();
  if (!Data || !Data->GetFiles(files.get())) return;
  std::vector<String> paths;
  for (Integer i = 0; i < files->GetCount(); ++i) paths.push_back(files->GetStrings(i));
  if (TZEPHSearchPathList* list = GetList()) list->DropFiles(paths);
}

void TZEPHSearchPathListSubClass::ProcessMouseDown(TMouseButton Button, TShiftState Shift) {
  TZCLHitTestInfo* hitTest = GetHitTest();
  auto* node = dynamic_cast<TZCLTreeListNode*>(hitTest->HitObject);
  auto* column = dynamic_cast<TZCLTreeListColumnViewInfo*>(hitTest->GetHitObjectData(u"ColumnViewInfo"));
  TZEPHSearchPathList* list = GetList();
  if (Button == TMouseButton::Left && node && list && column && column->GetColumn()->GetIndex() == 1) {
    list->ToggleRecursive(node->GetIndex());
    return;
  }
  inherited::ProcessMouseDown(Button, Shift);
}

// ---- control ----------------------------------------------------------------------------------

TZEPHSearchPathList::TZEPHSearchPathList(TComponent* AOwner) : TZCLCustomTreeList(AOwner) {
  SetBounds(GetLeft(), GetTop(), 300, 200);
}

TZEPHSearchPathList::~TZEPHSearchPathList() = default;

TZCLCompoundControlSubClass* TZEPHSearchPathList::CreateSubClass() {
  return Create<TZEPHSearchPathListSubClass>(this);
}

void TZEPHSearchPathList::AfterConstruction() {
  inherited::AfterConstruction();
  TZEPHSearchPathListSubClass* subClass = static_cast<TZEPHSearchPathListSubClass*>(GetSubClass());
  subClass->BeginUpdate();
  try {
    GetColumns()->Add(FColumnCaptions[0]);
    TZCLTreeListColumn* flag = GetColumns()->Add(FColumnCaptions[1]);
    flag->SetTextAlign(taCenter);
    flag->SetCanResize(false);
    GetOptionsBehavior()->SetDropTarget(true);
    GetOptionsSelection()->SetMultiSelect(true);
    GetOptionsView()->GetColumns()->SetAutoWidth(true);
    subClass->OnCustomDrawNodeCellValue = TZCLTreeListCustomDrawNodeCellEvent(this, &TZEPHSearchPathList::DrawCell);
    ApplyShowColumns();
  } catch (...) {
    subClass->EndUpdate();
    throw;
  }
  subClass->EndUpdate();
  if (GetOwner() && GetOwner()->GetComponentState().Contains(csDesigning)) return;
  FActionList = Create<TActionList>(this);
  auto* menu = Create<TPopupMenu>(this);
  for (Integer i = 0; i < Integer(std::size(KActions)); ++i) {
    auto* action = Create<TAction>(this);
    action->SetName(KActions[i].Key);
    action->SetCaption(KActions[i].Caption);
    action->SetTag(i);
    action->SetActionList(FActionList);
    action->SetOnExecute(TNotifyEvent(this, &TZEPHSearchPathList::ActionExecute));
    action->OnUpdate = TNotifyEvent(this, &TZEPHSearchPathList::ActionUpdate);
    auto* item = Create<TMenuItem>(menu);
    item->SetAction(action);
    menu->GetItems()->Add(item);
  }
  GetAction(0)->SetShortCut(ShortCut(VK_INSERT));
  SetPopupMenu(menu);
  Localize(String(), String());
  UpdateActions();
}

TCustomAction* TZEPHSearchPathList::GetAction(Integer Index) const {
  return FActionList ? static_cast<TCustomAction*>(FActionList->GetAction(Index)) : nullptr;
}

void TZEPHSearchPathList::UpdateActions() {
  if (FActionList) FActionList->UpdateActions();
}

void TZEPHSearchPathList::ActionUpdate(TObject* Sender) {
  auto* action = static_cast<TCustomAction*>(Sender);
  switch (action->GetTag()) {
    case 0: action->SetEnabled(GetEnabled()); break;
    case 1: action->SetEnabled(HasSelection()); break;
    default: action->SetEnabled(GetCount() > 0); break;
  }
}

void TZEPHSearchPathList::ActionExecute(TObject* Sender) {
  switch (static_cast<TCustomAction*>(Sender)->GetTag()) {
    case 0: AddFromBrowser(); break;
    case 1: DeleteSelected(); break;
    default: DeleteAll(); break;
  }
}

void TZEPHSearchPathList::AddFromBrowser() {
  TZCLShellTreePaths chosen;
  bool recursive = true;
  const TZCLFolderBrowserOptions options{fboRecursiveCheckBox, fboCheckBoxes, fboPathEdit, fboAllowLibraryPaths};
  if (!TZCLFolderBrowser::Execute(LastPath, &chosen, recursive, options, GetHandle(), String())) return;
  // A folder here is never a library: each chosen path is one folder.
  for (Integer i = 0; i < chosen.GetCount(); ++i) {
    const String path = chosen.GetPath(i);
    AddPath(path, recursive && chosen.GetRecursive(i));
    LastPath = path;
  }
}

void TZEPHSearchPathList::Localize(const String& Section, const String& Name) {
  inherited::Localize(Section, Name);
  for (Integer i = 0; FActionList && i < Integer(std::size(KActions)); ++i)
    GetAction(i)->SetCaption(LangGet(KSection, KActions[i].Key, KActions[i].Caption));
  for (Integer i = 0; i < 2; ++i) {
    FColumnCaptions[i] = LangGet(KSection, KColumnKeys[i], i == 0 ? u"Folder" : u"Recursive");
    if (GetSubClass() && GetColumns()->GetCount() > i) (*GetColumns())[i]->SetCaption(FColumnCaptions[i]);
  }
}

TZCLTreeListNode* TZEPHSearchPathList::GetNode(Integer Index) const {
  TZCLTreeListNode* root = GetRootNode();
  if (Index < 0 || Index >= root->GetChildrenCount()) throw EListError(u"List index out of bounds (" + IntToStr(Index) + u")");
  return root->GetChild(Index);
}

Integer TZEPHSearchPathList::GetCount() const { return GetSubClass() ? GetRootNode()->GetChildrenCount() : 0; }
String TZEPHSearchPathList::GetPath(Integer Index) const { return GetNode(Index)->GetValue(0); }
bool TZEPHSearchPathList::GetRecursive(Integer Index) const { return GetNode(Index)->Tag != 0; }
bool TZEPHSearchPathList::GetSelected(Integer Index) const { return GetNode(Index)->GetSelected(); }

void TZEPHSearchPathList::SetSelected(Integer Index, bool Value) {
  GetNode(Index)->SetSelected(Value);
  Changed(false);
}

bool TZEPHSearchPathList::HasSelection() const { return GetSubClass() && GetSubClass()->HasSelection(); }

bool TZEPHSearchPathList::Contains(const String& Path) const {
  return GetRootNode()->FindNode(Path, 0, true) != nullptr;
}

bool TZEPHSearchPathList::AppendPath(const String& Path, bool Recursive) {
  if (Contains(Path)) return false;
  TZCLTreeListNode* node = GetRootNode()->AddChild({Path, String()});
  node->Tag = Recursive ? 1 : 0;
  return true;
}

void TZEPHSearchPathList::AddPath(const String& Path, bool Recursive) {
  if (AppendPath(Path, Recursive)) Changed(true);
}

void TZEPHSearchPathList::LoadPaths(TZCLSearchPaths* Paths) {
  TZCLTreeListSubClass* subClass = GetSubClass();
  subClass->BeginUpdate();
  try {
    RemoveQuietly([subClass] { subClass->Clear(); });
    for (Integer i = 0; i < Paths->GetCount(); ++i) AppendPath(Paths->GetPath(i), Paths->GetRecursive(i));
  } catch (...) {
    subClass->EndUpdate();
    throw;
  }
  subClass->EndUpdate();
  Changed(false);
}

void TZEPHSearchPathList::SavePaths(TZCLSearchPaths* Paths) const {
  Paths->BeginUpdate();
  try {
    Paths->Clear();
    for (Integer i = 0; i < GetCount(); ++i) Paths->Add(GetPath(i), GetRecursive(i));
  } catch (...) {
    Paths->EndUpdate();
    throw;
  }
  Paths->EndUpdate();
}

void TZEPHSearchPathList::NodeRemoved() {
  if (FDeleting > 0)
    FRemoved = true;
  else
    Changed(true);
}

bool TZEPHSearchPathList::RemoveQuietly(const std::function<void()>& Remove) {
  ++FDeleting;
  FRemoved = false;
  try {
    Remove();
  } catch (...) {
    --FDeleting;
    throw;
  }
  --FDeleting;
  return std::exchange(FRemoved, false);
}

void TZEPHSearchPathList::DeleteSelected() {
  if (HasSelection() && RemoveQuietly([this] { GetSubClass()->DeleteSelected(); })) Changed(true);
}

void TZEPHSearchPathList::DeleteAll() {
  if (GetCount() > 0 && RemoveQuietly([this] { GetSubClass()->Clear(); })) Changed(true);
}

void TZEPHSearchPathList::ToggleRecursive(Integer Index) {
  TZCLTreeListNode* node = GetNode(Index);
  node->Tag = node->Tag ? 0 : 1;
  Changed(true);
}

void TZEPHSearchPathList::DropFiles(const std::vector<String>& Files) {
  bool added = false;
  GetSubClass()->BeginUpdate();
  try {
    for (const String& file : Files)
      if (zcDirectoryExists(file) && AppendPath(file, true)) added = true;
  } catch (...) {
    GetSubClass()->EndUpdate();
    throw;
  }
  GetSubClass()->EndUpdate();
  if (added) Changed(true);
}

void TZEPHSearchPathList::Changed(bool Modified) {
  Invalidate();
  UpdateActions();
  if (Modified && OnModified) OnModified(this);
  if (OnUpdated) OnUpdated(this);
}

void TZEPHSearchPathList::SetShowColumns(bool Value) {
  if (FShowColumns == Value) return;
  FShowColumns = Value;
  ApplyShowColumns();
}

void TZEPHSearchPathList::ApplyShowColumns() {
  GetOptionsView()->GetColumns()->SetVisible(FShowColumns);
  if (GetColumns()->GetCount() > 1) (*GetColumns())[1]->SetWidth(GetFlagColumnWidth());
}

void TZEPHSearchPathList::DrawCell(TObject*, TCanvas* Canvas, TZCLTreeListNodeCustomDrawData& Data, bool& Handled) {
  if (!Data.Column || Data.Column->GetIndex() != 1 || !Data.Node) return;
  TRect r = Data.Bounds;
  RectCenter(r, GetStyle()->GetCheckMark()->GetFrameSize());
  GetStyle()->DrawCheckBox(Canvas, r, GetEnabled() ? bstNormal : bstDisabled, Data.Node->Tag ? cbChecked : cbUnchecked);
  Handled = true;
}

void TZEPHSearchPathList::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_DELETE && Shift.Empty()) {
    Key = 0;
    DeleteSelected();
    return;
  }
  if (FActionList && Shift.Empty() && GetAction(0)->HasShortCut(ShortCut(Key))) {
    // The actions belong to the list, not the form: their shortcut is served here.
    Key = 0;
    GetAction(0)->Execute();
    return;
  }
  inherited::KeyDown(Key, Shift);
}

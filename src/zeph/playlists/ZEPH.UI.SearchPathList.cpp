#include "zeph/playlists/ZEPH.UI.SearchPathList.h"

#include <algorithm>

#include "os/OS.Input.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Menus.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.FolderBrowser.h"

namespace {
const char16_t* const KSection = u"ZEPHSearchPathList";
struct TActionText {
  const char16_t* Key;
  const char16_t* Caption;
};
const TActionText KActions[] = {{u"acAdd", u"Add..."}, {u"acDelete", u"Delete"}, {u"acDeleteAll", u"Delete All"}};
const char16_t* const KColumnKeys[] = {u"colPath", u"colRecursive"};
}  // namespace

TZEPHSearchPathList::TZEPHSearchPathList(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  SetBounds(GetLeft(), GetTop(), 300, 200);
  if (AOwner && AOwner->GetComponentState().Contains(csDesigning)) return;
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

TZEPHSearchPathList::~TZEPHSearchPathList() = default;

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
    default: action->SetEnabled(!FItems.empty()); break;
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

void TZEPHSearchPathList::Localize(const String&, const String&) {
  for (Integer i = 0; FActionList && i < Integer(std::size(KActions)); ++i)
    GetAction(i)->SetCaption(LangGet(KSection, KActions[i].Key, KActions[i].Caption));
  FColumnCaptions[0] = LangGet(KSection, KColumnKeys[0], u"Folder");
  FColumnCaptions[1] = LangGet(KSection, KColumnKeys[1], u"Recursive");
  Invalidate();
}

void TZEPHSearchPathList::Changed(bool Modified) {
  Invalidate();
  UpdateActions();
  if (Modified && OnModified) OnModified(this);
  if (OnUpdated) OnUpdated(this);
}

void TZEPHSearchPathList::SetSelected(Integer Index, bool Value) {
  FItems.at(size_t(Index)).Selected = Value;
  Changed(false);
}

bool TZEPHSearchPathList::HasSelection() const {
  return std::any_of(FItems.begin(), FItems.end(), [](const TItem& I) { return I.Selected; });
}

void TZEPHSearchPathList::AddPath(const String& Path, bool Recursive) {
  if (std::any_of(FItems.begin(), FItems.end(), [&](const TItem& I) { return I.Path == Path; })) return;
  FItems.push_back({Path, Recursive, false});
  Changed(true);
}

void TZEPHSearchPathList::LoadPaths(TZCLSearchPaths* Paths) {
  FItems.clear();
  for (Integer i = 0; i < Paths->GetCount(); ++i) {
    const String path = Paths->GetPath(i);
    if (std::none_of(FItems.begin(), FItems.end(), [&](const TItem& I) { return I.Path == path; }))
      FItems.push_back({path, Paths->GetRecursive(i), false});
  }
  Changed(false);
}

void TZEPHSearchPathList::SavePaths(TZCLSearchPaths* Paths) const {
  Paths->BeginUpdate();
  try {
    Paths->Clear();
    for (const TItem& item : FItems) Paths->Add(item.Path, item.Recursive);
  } catch (...) {
    Paths->EndUpdate();
    throw;
  }
  Paths->EndUpdate();
}

void TZEPHSearchPathList::DeleteSelected() {
  const size_t before = FItems.size();
  std::erase_if(FItems, [](const TItem& I) { return I.Selected; });
  if (FItems.size() != before) Changed(true);
}

void TZEPHSearchPathList::DeleteAll() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed(true);
}

void TZEPHSearchPathList::ToggleRecursive(Integer Index) {
  TItem& item = FItems.at(size_t(Index));
  item.Recursive = !item.Recursive;
  Changed(true);
}

void TZEPHSearchPathList::DropFiles(const std::vector<String>& Files) {
  bool added = false;
  for (const String& file : Files) {
    if (!zcDirectoryExists(file)) continue;
    if (std::any_of(FItems.begin(), FItems.end(), [&](const TItem& I) { return I.Path == file; })) continue;
    FItems.push_back({file, true, false});
    added = true;
  }
  if (added) Changed(true);
}

void TZEPHSearchPathList::SetShowColumns(bool Value) {
  if (FShowColumns == Value) return;
  FShowColumns = Value;
  Invalidate();
}

void TZEPHSearchPathList::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || Y < HeaderHeight()) return;
  const Integer row = (Y - HeaderHeight()) / GetRowHeight();
  if (row >= GetCount()) return;
  if (X >= GetClientWidth() - GetFlagColumnWidth()) {
    ToggleRecursive(row);
    return;
  }
  if (!Shift.Contains(ssCtrl))
    for (TItem& item : FItems) item.Selected = false;
  FItems[size_t(row)].Selected = !Shift.Contains(ssCtrl) || !FItems[size_t(row)].Selected;
  Changed(false);
}

void TZEPHSearchPathList::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Key == VK_DELETE && Shift.Empty()) {
    Key = 0;
    DeleteSelected();
  } else if (FActionList && Shift.Empty() && GetAction(0)->HasShortCut(ShortCut(Key))) {
    // The actions belong to the list, not the form: their shortcut is served here.
    Key = 0;
    GetAction(0)->Execute();
  }
}

void TZEPHSearchPathList::Paint() {
  TCanvas* canvas = GetCanvas();
  const TRect client = GetClientRect();
  canvas->GetBrush()->SetColor(GetColor());
  canvas->GetBrush()->SetStyle(TBrushStyle::bsSolid);
  canvas->FillRect(client);
  canvas->GetFont()->Assign(GetFont());
  const Integer flagLeft = client.Right - GetFlagColumnWidth();
  if (FShowColumns) {
    canvas->TextRect(TRect(2, 0, flagLeft, HeaderHeight()), 2, 1, FColumnCaptions[0]);
    const Integer w = canvas->TextWidth(FColumnCaptions[1]);
    canvas->TextRect(TRect(flagLeft, 0, client.Right, HeaderHeight()), flagLeft + (GetFlagColumnWidth() - w) / 2, 1,
                     FColumnCaptions[1]);
  }
  Integer y = HeaderHeight();
  for (const TItem& item : FItems) {
    const TRect row(0, y, client.Right, y + GetRowHeight());
    if (item.Selected) canvas->FillRect(row);
    canvas->TextRect(TRect(2, y, flagLeft, row.Bottom), 2, y + 1, item.Path);
    const Integer box = 11, boxLeft = flagLeft + (GetFlagColumnWidth() - box) / 2;
    canvas->Rectangle(boxLeft, y + 3, boxLeft + box, y + 3 + box);
    if (item.Recursive) {
      canvas->MoveTo(boxLeft + 2, y + 3 + box / 2);
      canvas->LineTo(boxLeft + box / 2, y + box);
      canvas->LineTo(boxLeft + box - 2, y + 5);
    }
    y += GetRowHeight();
  }
}

#include "zeph/playlists/ZEPH.UI.SearchPathList.h"

#include <algorithm>

#include "os/OS.Input.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"

TZEPHSearchPathList::TZEPHSearchPathList(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  SetBounds(GetLeft(), GetTop(), 300, 200);
}

TZEPHSearchPathList::~TZEPHSearchPathList() = default;

void TZEPHSearchPathList::Changed(bool Modified) {
  Invalidate();
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

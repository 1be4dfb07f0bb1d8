#include "zcl/ui/treelist/ZCL.UI.TreeList.Columns.h"

#include <algorithm>
#include <climits>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
struct TTreeListUpdate {
  IZCLTreeList* TreeList;
  explicit TTreeListUpdate(IZCLTreeList* ATreeList) : TreeList(ATreeList) { TreeList->BeginUpdate(); }
  ~TTreeListUpdate() { TreeList->EndUpdate(); }
};

// One column's record in the stored layout.
constexpr Integer ColumnRecordSize = 7;
}  // namespace

// ---- column ---------------------------------------------------------------------------------

TZCLTreeListColumn::TZCLTreeListColumn(TCollection* ACollection) : TZCLCollectionItem(ACollection) {}

void TZCLTreeListColumn::DeclareProperties(TClassDeclaration<TZCLTreeListColumn>& D) {
  D.Property(u"AutoBestFit", &TZCLTreeListColumn::GetAutoBestFit, &TZCLTreeListColumn::SetAutoBestFit).Default(false);
  D.Property(u"CanResize", &TZCLTreeListColumn::GetCanResize, &TZCLTreeListColumn::SetCanResize)
      .Stored(&TZCLTreeListColumn::IsCanResizeStored);
  D.Property(u"Caption", &TZCLTreeListColumn::GetCaption, &TZCLTreeListColumn::SetCaption);
  D.Property(u"CompareMode", &TZCLTreeListColumn::GetCompareMode, &TZCLTreeListColumn::SetCompareMode)
      .Default(tlcmSmart);
  D.Property(u"DrawIndex", &TZCLTreeListColumn::GetDrawIndex, &TZCLTreeListColumn::SetDrawIndex)
      .Stored(&TZCLTreeListColumn::IsDrawIndexStored);
  D.Property(u"ImageIndex", &TZCLTreeListColumn::GetImageIndex, &TZCLTreeListColumn::SetImageIndex);
  // The collection's order: for scripts and adapters, never stored.
  D.Property(u"Index", &TZCLTreeListColumn::GetIndex, &TZCLTreeListColumn::SetIndex).Stored(false);
  D.Property(u"Tag", &TZCLTreeListColumn::GetTag, &TZCLTreeListColumn::SetTag);
  D.Property(u"TextAlign", &TZCLTreeListColumn::GetTextAlign, &TZCLTreeListColumn::SetTextAlign);
  D.Property(u"TextVisible", &TZCLTreeListColumn::GetTextVisible, &TZCLTreeListColumn::SetTextVisible);
  D.Property(u"Visible", &TZCLTreeListColumn::GetVisible, &TZCLTreeListColumn::SetVisible);
  D.Property(u"Width", &TZCLTreeListColumn::GetWidth, &TZCLTreeListColumn::SetWidth)
      .Stored(&TZCLTreeListColumn::IsWidthStored);
}

TZCLTreeListColumns* TZCLTreeListColumn::GetColumns() const { return static_cast<TZCLTreeListColumns*>(GetCollection()); }

void TZCLTreeListColumn::ReportChange(Cardinal Flags) {
  if (TZCLTreeListColumns* columns = GetColumns()) columns->GetTreeList()->Changed(Flags);
}

void TZCLTreeListColumn::SetAutoBestFit(bool Value) {
  if (FAutoBestFit == Value) return;
  FAutoBestFit = Value;
  if (Value) {
    FCanResize = false;
    ReportChange(ChangeSize);
  }
}

void TZCLTreeListColumn::SetCanResize(bool Value) {
  if (FCanResize == Value) return;
  FCanResize = Value;
  FAutoBestFit = false;
  ReportChange(ChangeSize);
}

void TZCLTreeListColumn::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  ReportChange(ChangeContent);
}

void TZCLTreeListColumn::SetCompareMode(TZCLTreeListCompareMode Value) {
  if (FCompareMode == Value) return;
  FCompareMode = Value;
  ReportChange(TreeListChangeSort);
}

Integer TZCLTreeListColumn::GetDrawIndex() const {
  TZCLTreeListColumns* columns = GetColumns();
  return columns ? columns->GetDrawingOrder().IndexOf(this) : -1;
}

void TZCLTreeListColumn::SetDrawIndex(Integer Value) {
  TZCLTreeListColumns* columns = GetColumns();
  if (!columns) return;
  TZCLTreeListColumnList& order = columns->GetDrawingOrder();
  Value = std::max(0, std::min(Value, order.GetCount() - 1));
  const Integer current = order.IndexOf(this);
  if (current < 0 || current == Value) return;
  order.Move(current, Value);
  ReportChange(ChangeStruct);
}

void TZCLTreeListColumn::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  ReportChange(ChangeContent);
}

void TZCLTreeListColumn::SetTextAlign(TAlignment Value) {
  if (FTextAlign == Value) return;
  FTextAlign = Value;
  ReportChange(ChangeContent);
}

void TZCLTreeListColumn::SetTextVisible(bool Value) {
  if (FTextVisible == Value) return;
  FTextVisible = Value;
  ReportChange(ChangeContent);
}

void TZCLTreeListColumn::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  TZCLTreeListColumns* columns = GetColumns();
  if (!columns) return;
  columns->BeginUpdate();
  try {
    VisibilityChanged();
  } catch (...) {
    columns->EndUpdate();
    throw;
  }
  columns->EndUpdate();
}

void TZCLTreeListColumn::VisibilityChanged() {
  if (GetSortByIndex() >= 0) ReportChange(TreeListChangeSort);
  ReportChange(ChangeStruct);
}

void TZCLTreeListColumn::SetWidth(Integer Value) {
  FAutoBestFit = false;
  Value = std::max(2, Value);
  if (FWidth == Value) return;
  FWidth = Value;
  ReportChange(ChangeSize);
}

void TZCLTreeListColumn::ApplyBestFit() {
  if (!FCanResize && !FAutoBestFit) return;
  FWidth = std::max(2, GetColumns()->GetTreeList()->GetColumnWidth(this));
  ReportChange(ChangeSize);
}

Integer TZCLTreeListColumn::GetGroupByIndex() const {
  TZCLTreeListColumns* columns = GetColumns();
  return columns ? columns->GetTreeList()->GetGroupByList()->IndexOf(this) : -1;
}

Integer TZCLTreeListColumn::GetSortByIndex() const {
  TZCLTreeListColumns* columns = GetColumns();
  return columns ? columns->GetTreeList()->GetSortByList()->IndexOf(this) : -1;
}

TZCLTreeListColumn* TZCLTreeListColumn::NextSibling() const {
  const Integer index = GetDrawIndex();
  TZCLTreeListColumns* columns = GetColumns();
  return index >= 0 && index + 1 < columns->GetDrawingOrder().GetCount() ? columns->GetDrawingItem(index + 1) : nullptr;
}

TZCLTreeListColumn* TZCLTreeListColumn::PrevSibling() const {
  const Integer index = GetDrawIndex();
  return index > 0 ? GetColumns()->GetDrawingItem(index - 1) : nullptr;
}

void TZCLTreeListColumn::Localize(const String& Section) {
  SetCaption(LangGet(Section, u"c[" + IntToStr(GetIndex()) + u"]", FCaption));
}

void TZCLTreeListColumn::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TZCLTreeListColumn*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  FAutoBestFit = source->FAutoBestFit;
  FCanResize = source->FCanResize;
  FCaption = source->FCaption;
  FImageIndex = source->FImageIndex;
  FCompareMode = source->FCompareMode;
  FTextAlign = source->FTextAlign;
  FTextVisible = source->FTextVisible;
  FVisible = source->FVisible;
  FWidth = source->FWidth;
  ReportChange(ChangeStruct);
}

// ---- columns --------------------------------------------------------------------------------

TZCLTreeListColumns::TZCLTreeListColumns(IZCLTreeList* ATreeList)
    : TCollection(TZCLTreeListColumn::StaticClass()), FTreeList(ATreeList) {}

TPersistent* TZCLTreeListColumns::GetOwner() const { return FTreeList->GetObject(); }

void TZCLTreeListColumns::BeginUpdate() {
  FTreeList->BeginUpdate();
  inherited::BeginUpdate();
}

void TZCLTreeListColumns::EndUpdate() {
  inherited::EndUpdate();
  FTreeList->EndUpdate();
}

TZCLTreeListColumn* TZCLTreeListColumns::Add(const String& Caption) {
  BeginUpdate();
  TZCLTreeListColumn* column = nullptr;
  try {
    column = static_cast<TZCLTreeListColumn*>(TCollection::Add());
    column->SetCaption(Caption);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return column;
}

TZCLTreeListColumn* TZCLTreeListColumns::FindByCaption(const String& Caption) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (zcSameText((*this)[i]->GetCaption(), Caption)) return (*this)[i];
  return nullptr;
}

Integer TZCLTreeListColumns::GetVisibleCount() const {
  Integer result = 0;
  for (Integer i = 0; i < GetCount(); ++i) result += (*this)[i]->GetVisible() ? 1 : 0;
  return result;
}

void TZCLTreeListColumns::ApplyBestFit(bool OnlyAutoBestFit) {
  TTreeListUpdate update(FTreeList);
  for (Integer i = 0; i < GetCount(); ++i)
    if (!OnlyAutoBestFit || (*this)[i]->GetAutoBestFit()) (*this)[i]->ApplyBestFit();
}

void TZCLTreeListColumns::Localize(const String& Section) {
  TTreeListUpdate update(FTreeList);
  for (Integer i = 0; i < GetCount(); ++i) (*this)[i]->Localize(Section);
}

void TZCLTreeListColumns::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  inherited::Notify(Item, Action);
  auto* column = static_cast<TZCLTreeListColumn*>(Item);
  if (Action == cnAdded) {
    FDrawingOrder.Add(column);
  } else {
    FDrawingOrder.Remove(column);
    FTreeList->GetGroupByList()->Remove(column);
    FTreeList->GetSortByList()->Remove(column);
  }
}

void TZCLTreeListColumns::Update(TCollectionItem* Item) {
  inherited::Update(Item);
  FTreeList->Changed(Item ? ChangeSize : ChangeStruct);
}

void TZCLTreeListColumns::SaveToStream(TStream* Stream) const {
  TZCLTreeListColumnList* sortBy = FTreeList->GetSortByList();
  for (Integer i = 0; i < GetCount(); ++i) {
    TZCLTreeListColumn* column = (*this)[i];
    const Integer sortIndex = sortBy->IndexOf(column);
    const Integer width = column->GetWidth();
    const Byte record[ColumnRecordSize] = {
        Byte(column->GetDrawIndex()),
        Byte(sortIndex >= 0 ? Byte(column->SortDirection) - 1 : 255),
        Byte(sortIndex & 0xFF),
        Byte((sortIndex >> 8) & 0xFF),
        Byte(column->GetVisible() ? 1 : 0),
        Byte(width & 0xFF),
        Byte((width >> 8) & 0xFF),
    };
    Stream->WriteBuffer(record, ColumnRecordSize);
  }
}

void TZCLTreeListColumns::LoadFromStream(TStream* Stream) {
  TTreeListUpdate update(FTreeList);
  TZCLTreeListColumnList* sortBy = FTreeList->GetSortByList();
  sortBy->Clear();
  const Integer count = GetCount();
  std::vector<TZCLTreeListColumn*> display(size_t(count), nullptr), sorting(size_t(count), nullptr);
  for (Integer i = 0; i < count; ++i) {
    Byte record[ColumnRecordSize];
    if (Stream->Read(record, ColumnRecordSize) != ColumnRecordSize) break;
    TZCLTreeListColumn* column = (*this)[i];
    if (FTreeList->GetCustomizingColumnVisibility()) column->SetVisible(record[4] != 0);
    if (column->GetCanResize()) column->SetWidth(record[5] | (record[6] << 8));
    const Integer drawIndex = record[0];
    if (drawIndex < count) display[size_t(drawIndex)] = column;
    const Integer sortIndex = SmallInt(record[2] | (record[3] << 8));
    if (sortIndex >= 0 && sortIndex < count) {
      sorting[size_t(sortIndex)] = column;
      column->SortDirection = TZCLSortDirection((record[1] + 1) & 0xFF);
    }
  }
  if (FTreeList->GetCustomizingColumnOrder())
    for (Integer i = 0; i < count && display[size_t(i)]; ++i) display[size_t(i)]->SetDrawIndex(i);
  for (Integer i = 0; i < count && sorting[size_t(i)]; ++i) sortBy->Add(sorting[size_t(i)]);
  FTreeList->Changed(TreeListChangeSort);
}

void TZCLTreeListColumns::ConfigLoad(TZCLIniFile* Ini, const String& Section, const String& Key) {
  TMemoryStream stream;
  if (Ini->ReadStream(Section, Key, &stream)) LoadFromStream(&stream);
}

void TZCLTreeListColumns::ConfigSave(TZCLIniFile* Ini, const String& Section, const String& Key) const {
  TMemoryStream stream;
  SaveToStream(&stream);
  Ini->WriteStream(Section, Key, &stream);
}

// ---- groups ---------------------------------------------------------------------------------

TZCLTreeListGroup::TZCLTreeListGroup(const String& ACaption, TZCLTreeListGroups* AOwner)
    : FCaption(ACaption), FLinks(new TZCLTreeListNodeList()), FOwner(AOwner) {}

TZCLTreeListGroup::~TZCLTreeListGroup() { delete FLinks; }

// Groups are made by the tree list, never stored: these serve scripts and adapters.
void TZCLTreeListGroup::DeclareProperties(TClassDeclaration<TZCLTreeListGroup>& D) {
  using C = TZCLTreeListGroup;
  D.Property(u"Caption", &C::GetCaption).Stored(false);
  D.Property(u"CheckBoxState", &C::GetCheckBoxState, &C::SetCheckBoxState).Stored(false);
  D.Property(u"Expanded", &C::GetExpanded, &C::SetExpanded).Stored(false);
  D.Property(u"Index", &C::GetIndex).Stored(false);
  D.Property(u"Selected", &C::GetSelected, &C::SetSelected).Stored(false);
}

void TZCLTreeListGroup::BeforeDestruction() {
  inherited::BeforeDestruction();
  GetTreeList()->GroupRemoving(this);
  for (TZCLTreeListNode* node : *FLinks) node->FGroup = nullptr;
  FLinks->Clear();
  TZCLObjectLinks::Release(this);
}

HRESULT TZCLTreeListGroup::QueryInterface(const TGUID& IID, void** Obj) {
  if (::detail::QueryInterfaceTable<IZCLTreeNodeLink, IZCLSelectableObject, IZCLExpandableObject, IZCLCheckableObject,
                                    IZCLObjectLinksSupport>(this, IID, Obj))
    return S_OK;
  if (inherited::QueryInterface(IID, Obj) == S_OK) return S_OK;
  return GetTreeList()->QueryChildInterface(this, IID, Obj) ? S_OK : E_NOINTERFACE;
}

IZCLTreeList* TZCLTreeListGroup::GetTreeList() const { return FOwner->GetTreeList(); }

void TZCLTreeListGroup::SetExpanded(bool Value) {
  if (FExpanded == Value) return;
  FExpanded = Value;
  GetTreeList()->Changed(ChangeStruct);
}

namespace {
// A node counts as selected when it is, and below an expanded node all children count.
bool CountsAsSelected(TZCLTreeListNode* Node) {
  if (!Node->GetSelected()) return false;
  if (Node->GetExpanded() && Node->GetChildrenList())
    for (TZCLTreeListNode* child : *Node->GetChildrenList())
      if (!CountsAsSelected(child)) return false;
  return true;
}

void SelectWithChildren(TZCLTreeListNode* Node, bool Value) {
  Node->SetSelected(Value);
  if (Node->GetExpanded() && Node->GetChildrenList())
    for (TZCLTreeListNode* child : *Node->GetChildrenList()) SelectWithChildren(child, Value);
}
}  // namespace

bool TZCLTreeListGroup::GetSelected() {
  for (TZCLTreeListNode* node : *FLinks)
    if (!CountsAsSelected(node)) return false;
  return true;
}

void TZCLTreeListGroup::SetSelected(bool Value) {
  TTreeListUpdate update(GetTreeList());
  for (TZCLTreeListNode* node : *FLinks) SelectWithChildren(node, Value);
}

Integer TZCLTreeListGroup::GetIndex() const { return FOwner->IndexOf(this); }

TZCLTreeListGroup* TZCLTreeListGroup::NextSibling() const {
  const Integer index = GetIndex();
  return index >= 0 && index + 1 < FOwner->GetCount() ? (*FOwner)[index + 1] : nullptr;
}

TZCLTreeListGroup* TZCLTreeListGroup::PrevSibling() const {
  const Integer index = GetIndex();
  return index > 0 ? (*FOwner)[index - 1] : nullptr;
}

TZCLTreeListGroups::~TZCLTreeListGroups() { Clear(); }

Integer TZCLTreeListGroups::IndexOf(const TZCLTreeListGroup* Group) const {
  auto it = std::find(FItems.begin(), FItems.end(), Group);
  return it == FItems.end() ? -1 : Integer(it - FItems.begin());
}

TZCLTreeListGroup* TZCLTreeListGroups::Add(const String& Caption) {
  if (TZCLTreeListGroup* group = Find(Caption)) return group;
  TZCLTreeListGroup* group = CreateGroup(Caption);
  FItems.push_back(group);
  if (FLockCount == 0) FIndex[Caption] = group;
  return group;
}

TZCLTreeListGroup* TZCLTreeListGroups::Find(const String& Caption) const {
  auto it = FIndex.find(Caption);
  return it == FIndex.end() ? nullptr : it->second;
}

void TZCLTreeListGroups::Delete(Integer Index) {
  TZCLTreeListGroup* group = FItems[size_t(Index)];
  FItems.erase(FItems.begin() + Index);
  if (FLockCount == 0) FIndex.erase(group->GetCaption());
  Free(group);
}

void TZCLTreeListGroups::Clear() {
  for (Integer i = GetCount() - 1; i >= 0; --i) Delete(i);
}

void TZCLTreeListGroups::ClearLinks() {
  for (TZCLTreeListGroup* group : FItems) {
    for (TZCLTreeListNode* node : *group->GetLinks()) node->FGroup = nullptr;
    group->GetLinks()->Clear();
  }
}

void TZCLTreeListGroups::SetExpanded(bool Value) {
  TTreeListUpdate update(FTreeList);
  for (Integer i = GetCount() - 1; i >= 0; --i) FItems[size_t(i)]->SetExpanded(Value);
}

void TZCLTreeListGroups::Move(Integer Index, const std::vector<TZCLTreeListGroup*>& Groups) {
  for (TZCLTreeListGroup* group : Groups)
    if (IndexOf(group) < 0) throw EInvalidArgument(u"The group has different owner");
  if (Index < 0 || Index > GetCount()) throw EListError(u"List index out of bounds (" + IntToStr(Index) + u")");
  ++FLockCount;
  std::vector<TZCLTreeListGroup*> items = FItems;
  for (auto& slot : items)
    if (std::find(Groups.begin(), Groups.end(), slot) != Groups.end()) slot = nullptr;
  items.insert(items.begin() + Index, Groups.begin(), Groups.end());
  items.erase(std::remove(items.begin(), items.end(), nullptr), items.end());
  FItems = std::move(items);
  --FLockCount;
  FTreeList->Changed(0x1000);
}

void TZCLTreeListGroups::RemoveEmpty() {
  for (Integer i = GetCount() - 1; i >= 0; --i)
    if (FItems[size_t(i)]->GetLinks()->GetCount() == 0) Delete(i);
}

void TZCLTreeListGroups::Remove(TZCLTreeListGroup* Group) {
  const Integer index = IndexOf(Group);
  if (index >= 0) Delete(index);
}

void TZCLTreeListGroups::SortByNodeOrder() {
  if (TZCLTreeListNode* root = FTreeList->GetRootNode())
    if (root->GetChildrenList()) root->GetChildrenList()->UpdateRootIndexes();
  for (TZCLTreeListGroup* group : FItems)
    group->SortData = group->GetLinks()->GetCount() ? group->GetLinks()->First()->RootIndex : INT_MAX;
  std::stable_sort(FItems.begin(), FItems.end(),
                   [](TZCLTreeListGroup* a, TZCLTreeListGroup* b) { return a->SortData < b->SortData; });
}

void RegisterTreeListColumnClasses() {
  RegisterProperties<TZCLTreeListColumn>();
  RegisterProperties<TZCLTreeListGroup>();
  RegisterClasses({TZCLTreeListColumn::StaticClass()});
}

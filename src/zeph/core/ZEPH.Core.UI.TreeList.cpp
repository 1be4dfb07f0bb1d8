#include "zeph/core/ZEPH.Core.UI.TreeList.h"

#include "rtl/RTL.Exceptions.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.InplaceEdit.h"
#include "zeph/core/ZEPH.Core.Objects.h"

namespace {
// The wrapper of Obj asked for IID; E_NOINTERFACE with nothing when there is no object.
HRESULT HandBack(TObject* Obj, const TGUID& IID, void** Out) {
  if (Out) *Out = nullptr;
  if (!Obj) return E_NOINTERFACE;
  return TZEPHCoreAdaptersMap::QueryAdapter(Obj, IID, Out);
}

template <InterfaceType I>
IPtr<I> WrapperOf(TObject* Obj) {
  void* out = nullptr;
  try {
    if (!Obj || TZEPHCoreAdaptersMap::QueryAdapter(Obj, IIDOf<I>(), &out) < 0 || !out) return {};
  } catch (const Exception&) {
    return {};
  }
  return IPtr<I>::Adopt(static_cast<I*>(out));
}

[[noreturn]] void RaiseIndex(Integer Index, Integer Count) {
  throw EListError(Format(u"List index out of bounds (%d).  Count: %d", {Index, Count}));
}

void CheckIndex(Integer Index, Integer Count) {
  if (Index < 0 || Index >= Count) RaiseIndex(Index, Count);
}
}  // namespace

// ---- tree list ------------------------------------------------------------------------------------

TZCLTreeList* TZEPHUITreeList::AsTreeList() const { return dynamic_cast<TZCLTreeList*>(FObject); }
TZCLTreeListSubClass* TZEPHUITreeList::GetSubClass() const { return AsTreeList()->GetSubClass(); }

TComponent* TZEPHUITreeList::CreateComponent(TComponent* Owner) { return Create<TZCLTreeList>(Owner); }

void TZEPHUITreeList::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  TZCLTreeList* list = AsTreeList();
  TObject* behavior = list->GetOptionsBehavior();
  TObject* selection = list->GetOptionsSelection();
  TObject* customizing = list->GetOptionsCustomizing();
  TZCLTreeListOptionsView* view = list->GetOptionsView();
  TObject* columns = view->GetColumns();
  TObject* nodes = view->GetNodes();
  const struct {
    Integer ID;
    const char16_t* Name;
    TObject* Object;
  } map[] = {
      {31, u"Deleting", behavior},
      {32, u"Editing", behavior},
      {33, u"FocusCell", selection},
      {34, u"MultiSelect", selection},
      {35, u"ColumnOrder", customizing},
      {36, u"ColumnVisibility", customizing},
      {37, u"AutoCheckChildren", behavior},
      {38, u"Borders", view},
      {39, u"CellHints", behavior},
      {40, u"CheckBoxes", view},
      {41, u"AutoWidth", columns},
      {42, u"Height", columns},
      {43, u"Images", columns},
      {44, u"Visible", columns},
      {45, u"DragSorting", behavior},
      {46, u"DragSortingAllowChangeLevel", behavior},
      {50, u"GridLines", nodes},
      {51, u"GroupHeight", view},
      {52, u"Groups", behavior},
      {53, u"GroupsAllowCollapse", behavior},
      {54, u"GroupsFocusOnClick", behavior},
      {55, u"HotTrack", behavior},
      {56, u"IncSearchColumnIndex", behavior},
      {57, u"Height", nodes},
      {58, u"ImageAlignment", nodes},
      {59, u"Images", nodes},
      {60, u"SortingMode", behavior},
  };
  for (const auto& m : map) MapProperty(m.ID, m.Name, m.Object);
}

bool TZEPHUITreeList::Owns(TObject* Item) const {
  TZCLTreeListSubClass* sub = GetSubClass();
  if (auto* node = dynamic_cast<TZCLTreeListNode*>(Item)) return node->GetTreeList() == static_cast<IZCLTreeList*>(sub);
  if (auto* column = dynamic_cast<TZCLTreeListColumn*>(Item)) return column->GetColumns() == sub->GetColumns();
  if (auto* group = dynamic_cast<TZCLTreeListGroup*>(Item)) return group->GetGroups() == sub->GetGroups();
  return false;
}

namespace {
template <class T>
T* OwnItem(TObject* Item, bool Owned) {
  if (Item && !Owned)
    throw EInvalidArgument(
        Format(u"%s that you specified not owned by this TreeList.", {T::StaticClass()->ClassName()}));
  return static_cast<T*>(Item);
}
}  // namespace

TZCLTreeListNode* TZEPHUITreeList::NodeFrom(IInterface* Node) {
  TObject* node = AdapterGetObjectChecked(Node, TZCLTreeListNode::StaticClass());
  return OwnItem<TZCLTreeListNode>(node, Owns(node));
}

TZCLTreeListColumn* TZEPHUITreeList::ColumnFrom(IInterface* Column) {
  TObject* column = AdapterGetObjectChecked(Column, TZCLTreeListColumn::StaticClass());
  return OwnItem<TZCLTreeListColumn>(column, Owns(column));
}

HRESULT TZEPHUITreeList::AddColumn(const TGUID& IID, void** Column) {
  if (Column) *Column = nullptr;
  return Checked([&] {
    TZCLTreeListColumns* columns = AsTreeList()->GetColumns();
    columns->BeginUpdate();
    TZCLTreeListColumn* column = nullptr;
    try {
      column = columns->Add(String());
    } catch (...) {
      columns->EndUpdate();
      throw;
    }
    columns->EndUpdate();
    return HandBack(column, IID, Column);
  });
}

HRESULT TZEPHUITreeList::ClearColumns() {
  return Checked([&] {
    AsTreeList()->GetColumns()->Clear();
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::DeleteColumn(Integer Index) {
  return Checked([&] {
    TZCLTreeListColumns* columns = AsTreeList()->GetColumns();
    CheckIndex(Index, columns->GetCount());
    columns->Delete(Index);
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::GetColumn(Integer Index, const TGUID& IID, void** Column) {
  if (Column) *Column = nullptr;
  return Checked([&] {
    TZCLTreeListColumns* columns = AsTreeList()->GetColumns();
    CheckIndex(Index, columns->GetCount());
    return HandBack((*columns)[Index], IID, Column);
  });
}

Integer TZEPHUITreeList::GetColumnCount() {
  return CheckedCount([&] { return AsTreeList()->GetColumns()->GetCount(); });
}

HRESULT TZEPHUITreeList::Clear() {
  return Checked([&] {
    GetSubClass()->Clear();
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::Delete(IInterface* Object) {
  return Checked([&] {
    TObject* object = nullptr;
    if (AdapterGetObject(Object, TObject::StaticClass(), object, false) < 0) return E_UNEXPECTED;
    TZCLTreeListSubClass* sub = GetSubClass();
    // Only this list's own items: the object behind another wrapper (the list itself, its form, an
    // item of another list) is no business of this operation.
    if (!Owns(object) || object == sub->GetRootNode()) return E_UNEXPECTED;
    if (auto* node = dynamic_cast<TZCLTreeListNode*>(object)) {
      Free(node);
      return S_OK;
    }
    if (auto* column = dynamic_cast<TZCLTreeListColumn*>(object)) {
      Free(column);
      return S_OK;
    }
    if (auto* group = dynamic_cast<TZCLTreeListGroup*>(object)) {
      sub->BeginUpdate();
      sub->GetGroups()->Remove(group);
      sub->Changed(ChangeStruct);
      sub->EndUpdate();
      return S_OK;
    }
    return E_UNEXPECTED;
  });
}

HRESULT TZEPHUITreeList::GetPath(IInterface* Node, IPtr<IZEPHString>& Path) {
  Path = nullptr;
  return Checked([&] {
    Path = MakePluginString(GetSubClass()->GetPath(NodeFrom(Node)));
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::SetPath(IZEPHString* Path) {
  return Checked([&] {
    GetSubClass()->SetFocusedPath(PluginStringToStr(Path));
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::GetRootNode(const TGUID& IID, void** Node) {
  if (Node) *Node = nullptr;
  return Checked([&] { return HandBack(GetSubClass()->GetRootNode(), IID, Node); });
}

HRESULT TZEPHUITreeList::MakeTop(IInterface* Node) {
  return Checked([&] {
    GetSubClass()->MakeTop(NodeFrom(Node));
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::MakeVisible(IInterface* Node) {
  return Checked([&] {
    GetSubClass()->MakeVisible(NodeFrom(Node));
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::GetAbsoluteVisibleNode(Integer Index, const TGUID& IID, void** Node) {
  if (Node) *Node = nullptr;
  return Checked([&] {
    TZCLTreeListNodeList* rows = GetSubClass()->GetAbsoluteVisibleNodes();
    CheckIndex(Index, rows->GetCount());
    return HandBack((*rows)[Index], IID, Node);
  });
}

Integer TZEPHUITreeList::GetAbsoluteVisibleNodeCount() {
  return CheckedCount([&] { return GetSubClass()->GetAbsoluteVisibleNodes()->GetCount(); });
}

HRESULT TZEPHUITreeList::DeleteSelected() {
  return Checked([&] {
    if (GetSubClass()->GetFocusedNode()) GetSubClass()->DeleteSelected();
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::SelectAll() {
  return Checked([&] {
    GetSubClass()->SelectAll();
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::SelectNone() {
  return Checked([&] {
    GetSubClass()->SelectNone();
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::GetFocused(const TGUID& IID, void** Object) {
  if (Object) *Object = nullptr;
  return Checked([&] {
    TZCLTreeListSubClass* sub = GetSubClass();
    if (IID == IIDOf<IZEPHUITreeListGroup>()) return HandBack(sub->GetFocusedGroup(), IID, Object);
    if (IID == IIDOf<IZEPHUITreeListColumn>()) return HandBack(sub->FocusedColumn, IID, Object);
    return HandBack(sub->GetFocusedNode(), IID, Object);
  });
}

HRESULT TZEPHUITreeList::SetFocused(IInterface* Object) {
  return Checked([&] {
    TObject* object = nullptr;
    // An item of another list would stay focused here after that list is gone.
    if (AdapterGetObject(Object, TObject::StaticClass(), object, true) < 0 || !Owns(object)) return S_OK;
    TZCLTreeListSubClass* sub = GetSubClass();
    if (auto* column = dynamic_cast<TZCLTreeListColumn*>(object)) {
      sub->SetFocusedColumn(sub->GetOptionsSelection()->GetFocusCell() ? column : nullptr);
    } else if (auto* group = dynamic_cast<TZCLTreeListGroup*>(object)) {
      sub->SetFocusedGroup(group);
    } else if (auto* node = dynamic_cast<TZCLTreeListNode*>(object)) {
      sub->SetFocusedNode(node);
    }
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::GetSelected(Integer Index, const TGUID& IID, void** Node) {
  if (Node) *Node = nullptr;
  return Checked([&] {
    TZCLTreeListSubClass* sub = GetSubClass();
    if (Index < 0 || Index >= sub->GetSelectedCount()) return E_INVALIDARG;
    return HandBack(sub->GetSelected(Index), IID, Node);
  });
}

Integer TZEPHUITreeList::GetSelectedCount() {
  return CheckedCount([&] { return GetSubClass()->GetSelectedCount(); });
}

HRESULT TZEPHUITreeList::GetEditingCell(Integer& ColumnIndex, Integer& RowIndex) {
  return Checked([&] {
    TZCLTreeListEditingController* editing = GetSubClass()->GetEditingController();
    if (!editing || !editing->IsEditing()) return E_FAIL;
    ColumnIndex = editing->GetParams().ColumnIndex;
    RowIndex = editing->GetParams().RowIndex;
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::StartEditing(IInterface* Column) {
  return Checked([&] {
    TZCLTreeListColumn* column = ColumnFrom(Column);
    TZCLTreeListSubClass* sub = GetSubClass();
    if (TZCLTreeListNode* node = sub->GetFocusedNode()) sub->StartEditing(node, column);
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::StopEditing() {
  return Checked([&] {
    TZCLTreeListSubClass* sub = GetSubClass();
    sub->GetEditingController()->Cancel();
    if (TZCLTreeListNode* node = sub->GetFocusedNode()) sub->MakeVisible(node);
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::GroupBy(IInterface* Column, LongBool ResetPrevious) {
  return Checked([&] {
    GetSubClass()->GroupBy(ColumnFrom(Column), ResetPrevious != 0);
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::GetGroup(Integer Index, const TGUID& IID, void** Group) {
  if (Group) *Group = nullptr;
  return Checked([&] {
    TZCLTreeList* list = AsTreeList();
    CheckIndex(Index, list->GetGroupCount());
    return HandBack(list->GetGroup(Index), IID, Group);
  });
}

Integer TZEPHUITreeList::GetGroupCount() {
  return CheckedCount([&] { return AsTreeList()->GetGroupCount(); });
}

HRESULT TZEPHUITreeList::Regroup() {
  return Checked([&] {
    GetSubClass()->Regroup();
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::ResetGrouping() {
  return Checked([&] {
    GetSubClass()->ResetGrouping();
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::ResetSorting() {
  return Checked([&] {
    TZCLTreeListSubClass* sub = GetSubClass();
    sub->ResetSortingParams();
    // The header's sort marks go; the order stays.
    sub->Changed(ChangeContent);
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::Sort() {
  return Checked([&] {
    GetSubClass()->Resort();
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::SortBy(IInterface* Column, Integer Direction, LongBool ResetPrevious) {
  return Checked([&] {
    TZCLTreeListColumn* column = ColumnFrom(Column);
    if (!column) return S_OK;
    TZCLTreeListSubClass* sub = GetSubClass();
    TZCLSortDirection direction = sdAscending;
    if (Direction == 0) {
      if (sub->GetSortByList()->Contains(column)) {
        switch (column->SortDirection) {
          case sdAscending:
            direction = sdDescending;
            break;
          case sdDescending:
            direction = sdDefault;
            break;
          default:
            direction = sdAscending;
        }
      }
    } else if (Direction == 2) {
      direction = sdDescending;
    }
    sub->SortBy(column, direction, ResetPrevious != 0);
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::Config(IInterface* Config, IZEPHString* Path, bool Save) {
  return Checked([&] {
    String section, prefix;
    bool hasPrefix = false;
    if (!TZEPHCustomConfigAdapter::SplitKeyPath(PluginStringToStr(Path), section, prefix, hasPrefix)) return S_OK;
    auto* ini = static_cast<TZCLIniFile*>(AdapterGetObjectChecked(Config, TZCLIniFile::StaticClass()));
    if (!ini) throw EInvalidCast(TZCLIniFile::StaticClass()->ClassName());
    if (Save)
      GetSubClass()->ConfigSave(ini, section, prefix);
    else
      GetSubClass()->ConfigLoad(ini, section, prefix);
    return S_OK;
  });
}

HRESULT TZEPHUITreeList::ConfigLoad(IInterface* Config, IZEPHString* Path) { return this->Config(Config, Path, false); }
HRESULT TZEPHUITreeList::ConfigSave(IInterface* Config, IZEPHString* Path) { return this->Config(Config, Path, true); }

// ---- events ---------------------------------------------------------------------------------------

void TZEPHUITreeList::BindEvents() {
  TZEPHUIWinControl::BindEvents();
  TZCLTreeListSubClass* sub = GetSubClass();
  using T = TZEPHUITreeList;
  sub->OnDragSorting = TNotifyEvent(this, &T::DragSorting);
  sub->OnDragSortingNodeOver = TZCLTreeListDragSortingNodeOverEvent(this, &T::DragSortingNodeOver);
  sub->OnCustomDrawNode = TZCLTreeListCustomDrawNodeEvent(this, &T::CustomDrawNode);
  sub->OnCustomDrawNodeCell = TZCLTreeListCustomDrawNodeCellEvent(this, &T::CustomDrawNodeCell);
  sub->OnGetNodeBackground = TZCLTreeListGetNodeBackgroundEvent(this, &T::GetNodeBackground);
  sub->OnColumnClick = TZCLTreeListColumnClickEvent(this, &T::ColumnClick);
  sub->OnEditCreate = TZCLTreeListEditCreateEvent(this, &T::EditCreate);
  sub->OnEditing = TZCLTreeListEditingEvent(this, &T::EditApply);
  sub->OnCalculated = TNotifyEvent(this, &T::Calculated);
  sub->OnFocusedColumnChanged = TNotifyEvent(this, &T::FocusedColumnChanged);
  sub->OnFocusedNodeChanged = TNotifyEvent(this, &T::FocusedNodeChanged);
  sub->OnNodeChecked = TZCLTreeListNodeEvent(this, &T::NodeChecked);
  sub->OnNodeDblClicked = TZCLTreeListNodeEvent(this, &T::NodeDblClicked);
  sub->OnSelectionChanged = TNotifyEvent(this, &T::SelectionChanged);
  sub->OnSorted = TNotifyEvent(this, &T::Sorted);
}

void TZEPHUITreeList::UnbindEvents() {
  TZEPHUIWinControl::UnbindEvents();
  if (!AsTreeList()) return;
  TZCLTreeListSubClass* sub = GetSubClass();
  sub->OnDragSorting = nullptr;
  sub->OnDragSortingNodeOver = nullptr;
  sub->OnCustomDrawNode = nullptr;
  sub->OnCustomDrawNodeCell = nullptr;
  sub->OnGetNodeBackground = nullptr;
  sub->OnColumnClick = nullptr;
  sub->OnEditCreate = nullptr;
  sub->OnEditing = nullptr;
  sub->OnCalculated = nullptr;
  sub->OnFocusedColumnChanged = nullptr;
  sub->OnFocusedNodeChanged = nullptr;
  sub->OnNodeChecked = nullptr;
  sub->OnNodeDblClicked = nullptr;
  sub->OnSelectionChanged = nullptr;
  sub->OnSorted = nullptr;
  sub->OnDrop = nullptr;
  sub->OnDropOver = nullptr;
  sub->OnDropSourceData = nullptr;
  sub->OnDropSourceFinish = nullptr;
  sub->OnDropSourceStart = nullptr;
}

void TZEPHUITreeList::DragSorting(TObject*) {
  if (auto events = Events<IZEPHUITreeListDragSortingEvents>()) events->OnDragSorting(Sender());
  Sorted(nullptr);
}

void TZEPHUITreeList::DragSortingNodeOver(TObject*, TZCLTreeListNode* Node, TZCLTreeListDropTargetInsertMode Mode,
                                          bool& Allowed) {
  auto events = Events<IZEPHUITreeListDragSortingEvents>();
  if (!events) return;
  auto node = WrapperOf<IZEPHUITreeListNode>(Node);
  if (!node) return;
  Integer mode = ZEPH_UI_TREELIST_DROP_INTO;
  if (Mode == dtimAfter) mode = ZEPH_UI_TREELIST_DROP_AFTER;
  if (Mode == dtimBefore) mode = ZEPH_UI_TREELIST_DROP_BEFORE;
  LongBool allow = Allowed ? LongTrue : LongFalse;
  events->OnDragSortingNodeOver(Sender(), node.get(), mode, allow);
  Allowed = allow != 0;
}

void TZEPHUITreeList::CustomDrawNode(TObject*, TCanvas* Canvas, const TRect& R, TZCLTreeListNode* Node, bool& Handled) {
  auto events = Events<IZEPHUITreeListCustomDrawEvents>();
  if (!events) return;
  auto node = WrapperOf<IZEPHUITreeListNode>(Node);
  if (!node) return;
  LongBool handled = LongFalse;
  events->OnCustomDrawNode(Sender(), Canvas->GetHandle(), R, node.get(), handled);
  Handled = handled != 0;
}

void TZEPHUITreeList::CustomDrawNodeCell(TObject*, TCanvas* Canvas, TZCLTreeListNodeCustomDrawData& Data,
                                         bool& Handled) {
  auto events = Events<IZEPHUITreeListCustomDrawEvents>();
  if (!events) return;
  auto node = WrapperOf<IZEPHUITreeListNode>(Data.Node);
  if (!node) return;
  auto column = WrapperOf<IZEPHUITreeListColumn>(Data.Column);
  LongBool handled = LongFalse;
  events->OnCustomDrawNodeCell(Sender(), Canvas->GetHandle(), Data.Bounds, node.get(), column.get(), handled);
  Handled = handled != 0;
}

void TZEPHUITreeList::GetNodeBackground(TObject*, TZCLTreeListNode* Node, TAlphaColor& Color) {
  auto events = Events<IZEPHUITreeListCustomDrawEvents>();
  if (!events) return;
  auto node = WrapperOf<IZEPHUITreeListNode>(Node);
  if (!node) return;
  Cardinal color = Cardinal(TAlphaColorHelper::ToColor(Color));
  events->OnGetNodeBackground(Sender(), node.get(), color);
  Color = TAlphaColorHelper::FromColor(TColor(color), 255);
}

void TZEPHUITreeList::ColumnClick(TObject*, Integer Index, bool&) {
  if (auto events = Events<IZEPHUITreeListEvents>()) events->OnColumnClick(Sender(), Index);
}

TComponent* TZEPHUITreeList::EditCreate(TObject*, const TZCLInplaceInfo& Params, bool& Handled) {
  auto events = Events<IZEPHUITreeListInplaceEditingEvents>();
  if (!events) return nullptr;
  TZCLTreeListNodeList* rows = GetSubClass()->GetAbsoluteVisibleNodes();
  if (Params.RowIndex < 0 || Params.RowIndex >= rows->GetCount()) return nullptr;
  auto node = WrapperOf<IZEPHUITreeListNode>((*rows)[Params.RowIndex]);
  if (!node) return nullptr;
  LongBool allow = LongTrue;
  events->OnEditCreate(Sender(), node.get(), Params.ColumnIndex, allow);
  // Handled without an editor: none opens; otherwise the list makes its own.
  if (allow == 0) Handled = true;
  return nullptr;
}

void TZEPHUITreeList::EditApply(TObject*, Integer ColumnIndex, Integer RowIndex, String& Value) {
  auto events = Events<IZEPHUITreeListInplaceEditingEvents>();
  if (!events) return;
  TZCLTreeListNodeList* rows = GetSubClass()->GetAbsoluteVisibleNodes();
  if (RowIndex < 0 || RowIndex >= rows->GetCount()) return;
  auto node = WrapperOf<IZEPHUITreeListNode>((*rows)[RowIndex]);
  if (!node) return;
  IPtr<IZEPHString> value = MakePluginString(Value);
  events->OnEditApply(Sender(), node.get(), ColumnIndex, value);
  Value = PluginStringToStr(value.get());
}

void TZEPHUITreeList::Calculated(TObject*) {
  if (auto events = Events<IZEPHUITreeListEvents>()) events->OnCalculated(Sender());
}

void TZEPHUITreeList::FocusedColumnChanged(TObject*) {
  if (auto events = Events<IZEPHUITreeListEvents>()) events->OnFocusedColumnChanged(Sender());
}

void TZEPHUITreeList::FocusedNodeChanged(TObject*) {
  if (auto events = Events<IZEPHUITreeListEvents>()) events->OnFocusedNodeChanged(Sender());
}

void TZEPHUITreeList::NodeChecked(TObject*, TZCLTreeListNode* Node) {
  if (auto events = Events<IZEPHUITreeListEvents>())
    if (auto node = WrapperOf<IZEPHUITreeListNode>(Node)) events->OnNodeChecked(Sender(), node.get());
}

void TZEPHUITreeList::NodeDblClicked(TObject*, TZCLTreeListNode* Node) {
  if (auto events = Events<IZEPHUITreeListEvents>())
    if (auto node = WrapperOf<IZEPHUITreeListNode>(Node)) events->OnNodeDblClicked(Sender(), node.get());
}

void TZEPHUITreeList::SelectionChanged(TObject*) {
  if (auto events = Events<IZEPHUITreeListEvents>()) events->OnSelectionChanged(Sender());
}

void TZEPHUITreeList::Sorted(TObject*) {
  if (auto events = Events<IZEPHUITreeListEvents>()) events->OnSorted(Sender());
}

// ---- items ----------------------------------------------------------------------------------------

TZEPHUITreeListCustomAdapter::TZEPHUITreeListCustomAdapter(TObject* AObject)
    : TZEPHUIComponent(static_cast<TPersistent*>(nullptr), soReference) {
  SetObject(AObject);
}

void TZEPHUITreeListColumn::ComponentCreated() {
  static constexpr const char16_t* names[] = {u"CanResize", u"Caption",     u"DrawIndex", u"ImageIndex", u"Index",
                                              u"TextAlign", u"TextVisible", u"Visible",   u"Width"};
  for (Integer i = 0; i < Integer(std::size(names)); ++i) MapProperty(i + 1, names[i], FObject);
}

void TZEPHUITreeListGroup::ComponentCreated() {
  static constexpr const char16_t* names[] = {u"Caption", u"CheckBoxState", u"Expanded", u"Index", u"Selected"};
  for (Integer i = 0; i < Integer(std::size(names)); ++i) MapProperty(i + 1, names[i], FObject);
}

HRESULT TZEPHUITreeListGroup::GetNode(Integer Index, const TGUID& IID, void** Node) {
  if (Node) *Node = nullptr;
  return Checked([&] {
    TZCLTreeListNodeList* links = static_cast<TZCLTreeListGroup*>(FObject)->GetLinks();
    CheckIndex(Index, links->GetCount());
    return HandBack((*links)[Index], IID, Node);
  });
}

Integer TZEPHUITreeListGroup::GetNodeCount() {
  return CheckedCount([&] { return static_cast<TZCLTreeListGroup*>(FObject)->GetLinks()->GetCount(); });
}

TZCLTreeListNode* TZEPHUITreeListNode::AsNode() const { return static_cast<TZCLTreeListNode*>(FObject); }

HRESULT TZEPHUITreeListNode::Add(IPtr<IZEPHUITreeListNode>& Node) {
  Node = nullptr;
  return Checked([&] {
    void* out = nullptr;
    const HRESULT r = HandBack(AsNode()->AddChild(), IIDOf<IZEPHUITreeListNode>(), &out);
    if (out) Node = IPtr<IZEPHUITreeListNode>::Adopt(static_cast<IZEPHUITreeListNode*>(out));
    return r;
  });
}

HRESULT TZEPHUITreeListNode::ClearChildren() {
  return Checked([&] {
    AsNode()->DeleteChildren();
    return S_OK;
  });
}

HRESULT TZEPHUITreeListNode::FindByData(Int64 Data, LongBool Recursive, const TGUID& IID, void** Node) {
  if (Node) *Node = nullptr;
  return Checked([&] {
    TZCLTreeListNode* found = nullptr;
    if (!AsNode()->Find(found, reinterpret_cast<void*>(static_cast<intptr_t>(Data)), Recursive != 0)) return E_FAIL;
    return HandBack(found, IID, Node);
  });
}

HRESULT TZEPHUITreeListNode::FindByValue(Integer ColumnIndex, IZEPHString* Text, LongBool Recursive, const TGUID& IID,
                                         void** Node) {
  if (Node) *Node = nullptr;
  return Checked([&] {
    TZCLTreeListNode* found = nullptr;
    if (!AsNode()->Find(found, PluginStringToStr(Text), ColumnIndex, Recursive != 0)) return E_FAIL;
    return HandBack(found, IID, Node);
  });
}

HRESULT TZEPHUITreeListNode::Get(Integer Index, const TGUID& IID, void** Node) {
  if (Node) *Node = nullptr;
  return Checked([&] {
    TZCLTreeListNode* node = AsNode();
    TZCLTreeListNode* result = nullptr;
    switch (Index) {
      case -1:
        result = node->GetParent();
        break;
      case -2:
        result = node->NextSibling();
        break;
      case -3:
        result = node->PrevSibling();
        break;
      default:
        if (Index >= 0 && Index < node->GetChildrenCount()) result = node->GetChild(Index);
    }
    return HandBack(result, IID, Node);
  });
}

Integer TZEPHUITreeListNode::GetCount() {
  return CheckedCount([&] { return AsNode()->GetChildrenCount(); });
}

HRESULT TZEPHUITreeListNode::ClearValues() {
  return Checked([&] {
    AsNode()->ClearValues();
    return S_OK;
  });
}

HRESULT TZEPHUITreeListNode::GetValue(Integer ColumnIndex, IPtr<IZEPHString>& Text) {
  Text = nullptr;
  return Checked([&] {
    Text = MakePluginString(AsNode()->GetValue(ColumnIndex));
    return S_OK;
  });
}

HRESULT TZEPHUITreeListNode::SetValue(Integer ColumnIndex, IZEPHString* Text) {
  return Checked([&] {
    AsNode()->SetValue(ColumnIndex, PluginStringToStr(Text));
    return S_OK;
  });
}

HRESULT TZEPHUITreeListNode::GetGroup(const TGUID& IID, void** Group) {
  if (Group) *Group = nullptr;
  return Checked([&] { return HandBack(AsNode()->GetGroup(), IID, Group); });
}

void TZEPHUITreeListNode::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  TZCLTreeListNode* node = AsNode();
  switch (PropertyID) {
    case ZEPH_UI_TREENODE_PROP_ROW:
      Value = node->GetTreeList()->GetAbsoluteVisibleNodes()->IndexOf(node);
      return;
    case ZEPH_UI_TREENODE_PROP_ENABLED:
      Value = node->GetEnabled();
      return;
    case ZEPH_UI_TREENODE_PROP_CHECKED:
      Value = node->GetChecked();
      return;
    case ZEPH_UI_TREENODE_PROP_CHILDREN_CHECKED:
      Value = node->GetChildrenCount() > 0 ? Integer(node->GetChildrenCheckState()) : 0;
      return;
    case ZEPH_UI_TREENODE_PROP_EXPANDED:
      Value = node->GetExpanded();
      return;
    case ZEPH_UI_TREENODE_PROP_IMAGE_INDEX:
      Value = node->GetImageIndex();
      return;
    case ZEPH_UI_TREENODE_PROP_INDEX:
      Value = node->GetIndex();
      return;
    case ZEPH_UI_TREENODE_PROP_LEVEL:
      Value = node->GetLevel();
      return;
    case ZEPH_UI_TREENODE_PROP_SELECTED:
      Value = node->GetSelected();
      return;
    case ZEPH_UI_TREENODE_PROP_DATA:
      Value = Integer(reinterpret_cast<intptr_t>(node->Data));
      return;
    default:
      TZEPHUITreeListCustomAdapter::DoGetValueAsInt32(PropertyID, Value, Result);
  }
}

void TZEPHUITreeListNode::DoGetValueAsInt64(Integer PropertyID, Int64& Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_TREENODE_PROP_DATA) {
    Value = Int64(reinterpret_cast<intptr_t>(AsNode()->Data));
    return;
  }
  Integer value = 0;
  DoGetValueAsInt32(PropertyID, value, Result);
  if (Result >= 0) Value = value;
}

void TZEPHUITreeListNode::DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) {
  TZCLTreeListNode* node = AsNode();
  switch (PropertyID) {
    case ZEPH_UI_TREENODE_PROP_ENABLED:
      node->SetEnabled(Value != 0);
      return;
    case ZEPH_UI_TREENODE_PROP_CHECKED:
      node->SetChecked(Value != 0);
      return;
    case ZEPH_UI_TREENODE_PROP_EXPANDED:
      node->SetExpanded(Value != 0);
      return;
    case ZEPH_UI_TREENODE_PROP_IMAGE_INDEX:
      node->SetImageIndex(Value);
      return;
    case ZEPH_UI_TREENODE_PROP_INDEX:
      node->SetIndex(Value);
      return;
    case ZEPH_UI_TREENODE_PROP_SELECTED:
      node->SetSelected(Value != 0);
      return;
    case ZEPH_UI_TREENODE_PROP_DATA:
      DoSetValueAsInt64(PropertyID, Value, Result);
      return;
    default:
      // The row, the children's check state and the level are read only.
      Result = E_INVALIDARG;
  }
}

void TZEPHUITreeListNode::DoSetValueAsInt64(Integer PropertyID, Int64 Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_TREENODE_PROP_DATA) {
    AsNode()->Data = reinterpret_cast<void*>(static_cast<intptr_t>(Value));
    return;
  }
  DoSetValueAsInt32(PropertyID, Integer(Value), Result);
}

// ---- unit -----------------------------------------------------------------------------------------

namespace {
template <class TWrapper, InterfaceType I>
void RegisterItem(TClass AClass) {
  TZEPHCoreAdaptersMap::Register(AClass, [](TObject* AObject, TStreamOwnership) {
    return IPtr<IInterface>(static_cast<I*>(Create<TWrapper>(AObject)));
  });
}
}  // namespace

void TreeListAdaptersInitialize() {
  RegisterItem<TZEPHUITreeListColumn, IZEPHUITreeListColumn>(TZCLTreeListColumn::StaticClass());
  RegisterItem<TZEPHUITreeListGroup, IZEPHUITreeListGroup>(TZCLTreeListGroup::StaticClass());
  RegisterItem<TZEPHUITreeListNode, IZEPHUITreeListNode>(TZCLTreeListNode::StaticClass());
}

void TreeListAdaptersFinalize() {
  TZEPHCoreAdaptersMap::Unregister(TZCLTreeListColumn::StaticClass());
  TZEPHCoreAdaptersMap::Unregister(TZCLTreeListGroup::StaticClass());
  TZEPHCoreAdaptersMap::Unregister(TZCLTreeListNode::StaticClass());
}

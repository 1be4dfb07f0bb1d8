#include "zcl/ui/treelist/ZCL.UI.TreeList.Nodes.h"

#include "rtl/RTL.Format.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Columns.h"

namespace {
// Brackets a tree list update; EndUpdate also after an exception.
struct TTreeListUpdate {
  IZCLTreeList* TreeList;
  explicit TTreeListUpdate(IZCLTreeList* ATreeList) : TreeList(ATreeList) { TreeList->BeginUpdate(); }
  ~TTreeListUpdate() { TreeList->EndUpdate(); }
};
}  // namespace

// ---- node list ------------------------------------------------------------------------------

bool TZCLTreeListNodeList::IsChild(TZCLTreeListNode* Node) const {
  for (TZCLTreeListNode* item : *this)
    for (TZCLTreeListNode* n = Node; n; n = n->GetParent())
      if (n == item) return true;
  return false;
}

void TZCLTreeListNodeList::GetCheckedCount(Integer& Checked, Integer& Unchecked) const {
  Checked = Unchecked = 0;
  for (TZCLTreeListNode* item : *this) ++(item->GetChecked() ? Checked : Unchecked);
}

TCheckBoxState TZCLTreeListNodeList::GetCheckBoxState() const {
  bool checked = false, unchecked = false;
  for (TZCLTreeListNode* item : *this) {
    (item->GetChecked() ? checked : unchecked) = true;
    if (checked && unchecked) return cbGrayed;
  }
  return checked ? cbChecked : cbUnchecked;
}

void TZCLTreeListNodeList::SetCheckBoxState(TCheckBoxState State) {
  if (State == cbGrayed || GetCount() == 0) return;
  TTreeListUpdate update(First()->GetTreeList());
  for (Integer i = GetCount() - 1; i >= 0; --i) {
    TZCLTreeListNode* node = (*this)[i];
    if (node->GetCheckBoxEnabled()) node->SetChecked(State == cbChecked);
  }
}

void TZCLTreeListNodeList::UpdateRootIndexes() {
  for (Integer i = 0; i < GetCount(); ++i) (*this)[i]->RootIndex = i;
}

// ---- node -----------------------------------------------------------------------------------

TZCLTreeListNode::TZCLTreeListNode(IZCLTreeList* ATreeList) : FTreeList(ATreeList) {}

TZCLTreeListNode::~TZCLTreeListNode() { delete FChildren; }

void TZCLTreeListNode::BeforeDestruction() {
  Clear();
  SetGroup(nullptr);
  FTreeList->NodeRemoving(this);
  // Freed directly: leave the parent's list when the tree list did not take it out.
  if (FParent && FParent->FChildren) FParent->FChildren->Remove(this);
  TZCLObjectLinks::Release(this);
  inherited::BeforeDestruction();
}

HRESULT TZCLTreeListNode::QueryInterface(const TGUID& IID, void** Obj) {
  if (::detail::QueryInterfaceTable<IZCLTreeNodeLink, IZCLSelectableObject, IZCLExpandableObject, IZCLCheckableObject,
                                    IZCLObjectLinksSupport>(this, IID, Obj))
    return S_OK;
  if (inherited::QueryInterface(IID, Obj) == S_OK) return S_OK;
  return FTreeList->QueryChildInterface(this, IID, Obj) ? S_OK : E_NOINTERFACE;
}

bool TZCLTreeListNode::HasChildren() { return FHasChildrenFlag || (FChildren && FChildren->GetCount() > 0); }

void TZCLTreeListNode::SetValue(Integer, const String&) { throw ENotSupportedException(ClassName() + u".SetValue"); }

Integer TZCLTreeListNode::AddValue(const String& Value) {
  const Integer index = GetValuesCount();
  SetValue(index, Value);
  return index;
}

Integer TZCLTreeListNode::AddValues(std::initializer_list<String> Values) {
  Integer result = -1;
  for (const String& value : Values) result = AddValue(value);
  return result;
}

void TZCLTreeListNode::CheckChildrenLoaded() {
  if (!FHasChildrenFlag || FChildren) return;
  FTreeList->BeginLongOperation();
  try {
    TTreeListUpdate update(FTreeList);
    FHasChildrenFlag = false;
    FTreeList->DoGetNodeChildren(this);
    FHasChildrenFlag = FChildren && FChildren->GetCount() > 0;
  } catch (...) {
    FTreeList->EndLongOperation();
    throw;
  }
  FTreeList->EndLongOperation();
}

void TZCLTreeListNode::StructureChanged(bool Resort) {
  FTreeList->Changed(ChangeStruct | (Resort ? TreeListChangeSort | TreeListChangeGroup : 0));
}

TZCLTreeListNode* TZCLTreeListNode::AddChild() {
  TTreeListUpdate update(FTreeList);
  TZCLTreeListNode* node = FTreeList->CreateNode();
  node->SetParent(this);
  StructureChanged(true);
  return node;
}

TZCLTreeListNode* TZCLTreeListNode::AddChild(std::initializer_list<String> Values) {
  TTreeListUpdate update(FTreeList);
  TZCLTreeListNode* node = AddChild();
  node->SetValuesCapacity(Integer(Values.size()));
  node->AddValues(Values);
  return node;
}

void TZCLTreeListNode::SetParent(TZCLTreeListNode* Value) {
  for (TZCLTreeListNode* n = Value; n; n = n->FParent)
    if (n == this) throw EZCLTreeListException(u"Invalid Parent");
  if (Value == FParent && (!Value || (Value->FChildren && Value->FChildren->Contains(this)))) return;
  SetGroup(nullptr);
  if (FParent && FParent->FChildren) FParent->FChildren->Remove(this);
  if (Value) {
    FParent = Value;
    if (FTreeList->GetAutoCheckChildren()) FChecked = Value->FChecked;
    if (!Value->FChildren) Value->FChildren = new TZCLTreeListNodeList();
    Value->FChildren->Add(this);
  }
  StructureChanged(true);
}

Integer TZCLTreeListNode::GetIndex() const {
  return FParent && FParent->FChildren ? FParent->FChildren->IndexOf(this) : -1;
}

void TZCLTreeListNode::SetIndex(Integer Value) {
  if (!FParent || !FParent->FChildren) return;
  TZCLTreeListNodeList* list = FParent->FChildren;
  const Integer current = list->IndexOf(this);
  if (current < 0 || Value < 0 || Value >= list->GetCount())
    throw EZCLTreeListException(Format(u"Index out of range (%d).  Must be >= 0 and < %d", {Value, list->GetCount()}));
  if (current == Value) return;
  list->Move(current, Value);
  StructureChanged(true);
}

Integer TZCLTreeListNode::GetLevel() const {
  Integer level = 0;
  for (const TZCLTreeListNode* n = FParent; n && n->FParent; n = n->FParent) ++level;
  return level;
}

Integer TZCLTreeListNode::GetChildrenCount() {
  CheckChildrenLoaded();
  return FChildren ? FChildren->GetCount() : 0;
}

TZCLTreeListNode* TZCLTreeListNode::GetChild(Integer Index) {
  CheckChildrenLoaded();
  return (*FChildren)[Index];
}

void TZCLTreeListNode::SetChildrenCapacity(Integer Value) {
  if (FChildren) FChildren->SetCapacity(Value);
}

bool TZCLTreeListNode::IsChild(TZCLTreeListNode* Node) const {
  for (const TZCLTreeListNode* n = Node ? Node->FParent : nullptr; n; n = n->FParent)
    if (n == this) return true;
  return false;
}

TZCLTreeListNode* TZCLTreeListNode::NextSibling() const {
  const Integer index = GetIndex();
  if (index < 0 || index + 1 >= FParent->FChildren->GetCount()) return nullptr;
  return (*FParent->FChildren)[index + 1];
}

TZCLTreeListNode* TZCLTreeListNode::PrevSibling() const {
  const Integer index = GetIndex();
  return index > 0 ? (*FParent->FChildren)[index - 1] : nullptr;
}

TZCLTreeListNode* TZCLTreeListNode::TopLevelNode() {
  TZCLTreeListNode* n = this;
  while (n->FParent && n->FParent->FParent) n = n->FParent;
  return n;
}

bool TZCLTreeListNode::IsVisible() const {
  for (const TZCLTreeListNode* n = FParent; n && n->FParent; n = n->FParent)
    if (!n->FExpanded) return false;
  return true;
}

Integer TZCLTreeListNode::AbsoluteVisibleIndex() { return FTreeList->GetAbsoluteVisibleNodes()->IndexOf(this); }

void TZCLTreeListNode::SetChecked(bool Value) {
  if (Value == GetChecked()) return;
  TTreeListUpdate update(FTreeList);
  FChecked = Value;
  if (FTreeList->GetAutoCheckChildren() && FChildren)
    for (TZCLTreeListNode* child : *FChildren) child->SetChecked(Value);
  FTreeList->DoNodeChecked(this);
  FTreeList->Changed(TreeListChangeChecked);
}

TCheckBoxState TZCLTreeListNode::GetCheckState() {
  if (FChildren && FChildren->GetCount() > 0 && FTreeList->GetAutoCheckParents()) return FChildren->GetCheckBoxState();
  return FChecked ? cbChecked : cbUnchecked;
}

TCheckBoxState TZCLTreeListNode::GetChildrenCheckState() {
  CheckChildrenLoaded();
  return FChildren ? FChildren->GetCheckBoxState() : cbUnchecked;
}

void TZCLTreeListNode::SetChildrenCheckState(TCheckBoxState Value) {
  CheckChildrenLoaded();
  if (FChildren) FChildren->SetCheckBoxState(Value);
}

void TZCLTreeListNode::SetCheckBoxEnabled(bool Value) {
  if (FCheckBoxEnabled == Value) return;
  FCheckBoxEnabled = Value;
  FTreeList->Changed(ChangeContent);
}

void TZCLTreeListNode::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  FTreeList->Changed(ChangeContent);
}

void TZCLTreeListNode::SetExpanded(bool Value) {
  if (FExpanded == Value) return;
  FExpanded = Value;
  if (Value) CheckChildrenLoaded();
  if (IsVisible()) StructureChanged(false);
}

void TZCLTreeListNode::SetSelected(bool Value) {
  if (FSelected == Value) return;
  TTreeListUpdate update(FTreeList);
  FTreeList->NodeSetSelected(this, Value);
  FSelected = Value;
}

void TZCLTreeListNode::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  FTreeList->Changed(ChangeContent);
}

void TZCLTreeListNode::SetGroup(TZCLTreeListGroup* Value) {
  if (FGroup == Value) return;
  if (FGroup) FGroup->GetLinks()->Remove(this);
  FGroup = Value;
  if (FGroup) FGroup->GetLinks()->Add(this);
}

void TZCLTreeListNode::Clear() {
  TTreeListUpdate update(FTreeList);
  DeleteChildren();
  ClearValues();
}

void TZCLTreeListNode::DeleteChildren() {
  if (!FChildren) return;
  TTreeListUpdate update(FTreeList);
  TZCLTreeListNodeList* children = FChildren;
  FChildren = nullptr;
  for (Integer i = children->GetCount() - 1; i >= 0; --i) Free((*children)[i]);
  delete children;
  StructureChanged(false);
}

void TZCLTreeListNode::Assign(TZCLTreeListNode* Source) {
  TTreeListUpdate update(FTreeList);
  Clear();
  if (Source) DoAssign(Source);
}

void TZCLTreeListNode::DoAssign(TZCLTreeListNode* Source) {
  Tag = Source->Tag;
  SetChecked(Source->FChecked);
  SetEnabled(Source->FEnabled);
  SetExpanded(Source->FExpanded);
  Data = Source->Data;
  SetImageIndex(Source->FImageIndex);
  const Integer count = Source->GetValuesCount();
  SetValuesCapacity(count);
  for (Integer i = 0; i < count; ++i) AddValue(Source->GetValue(i));
  if (Source->FChildren)
    for (TZCLTreeListNode* child : *Source->FChildren) AddChild()->Assign(child);
}

bool TZCLTreeListNode::Find(TZCLTreeListNode*& Node, const TFilter& Filter, bool Recursive) {
  if (!FChildren) return false;
  for (TZCLTreeListNode* child : *FChildren)
    if (Filter(child)) {
      Node = child;
      return true;
    }
  if (Recursive)
    for (TZCLTreeListNode* child : *FChildren)
      if (child->Find(Node, Filter, true)) return true;
  return false;
}

bool TZCLTreeListNode::Find(TZCLTreeListNode*& Node, void* AData, bool Recursive) {
  return Find(Node, [AData](TZCLTreeListNode* n) { return n->Data == AData; }, Recursive);
}

bool TZCLTreeListNode::Find(TZCLTreeListNode*& Node, NativeInt ATag, bool Recursive) {
  return Find(Node, [ATag](TZCLTreeListNode* n) { return n->Tag == ATag; }, Recursive);
}

bool TZCLTreeListNode::Find(TZCLTreeListNode*& Node, const String& Text, Integer ColumnIndex, bool Recursive) {
  return Find(Node, [&](TZCLTreeListNode* n) { return zcSameText(n->GetValue(ColumnIndex), Text); }, Recursive);
}

TZCLTreeListNode* TZCLTreeListNode::FindNode(void* AData, bool Recursive) {
  TZCLTreeListNode* node = nullptr;
  return Find(node, AData, Recursive) ? node : nullptr;
}

TZCLTreeListNode* TZCLTreeListNode::FindNode(const String& Text, Integer ColumnIndex, bool Recursive) {
  TZCLTreeListNode* node = nullptr;
  return Find(node, Text, ColumnIndex, Recursive) ? node : nullptr;
}

void TZCLTreeListNode::ForEach(const std::function<void(TZCLTreeListNode*)>& Proc, bool Recursive) {
  if (!FChildren) return;
  for (TZCLTreeListNode* child : *FChildren) {
    Proc(child);
    if (Recursive) child->ForEach(Proc, true);
  }
}

void TZCLTreeListNode::ExpandCollapseChildren(bool Expand, bool Recursive) {
  ForEach([Expand](TZCLTreeListNode* n) { n->SetExpanded(Expand); }, Recursive);
}

TObject* TZCLTreeListNode::GetLinkChild() { return FChildren ? FChildren->First() : nullptr; }

TObject* TZCLTreeListNode::GetLinkParent() { return FGroup ? static_cast<TObject*>(FGroup) : FParent; }

// ---- string node ----------------------------------------------------------------------------

String TZCLTreeListStringNode::GetValue(Integer Index) {
  if (Index < 0 || Index >= Integer(FValues.size())) return String();
  return FValues[size_t(Index)];
}

Integer TZCLTreeListStringNode::GetValuesCapacity() { return Integer(FValues.capacity()); }

Integer TZCLTreeListStringNode::GetValuesCount() { return Integer(FValues.size()); }

void TZCLTreeListStringNode::SetValuesCapacity(Integer Count) {
  if (Integer(FValues.capacity()) != Count && Count > Integer(FValues.size())) FValues.reserve(size_t(Count));
}

void TZCLTreeListStringNode::SetValue(Integer Index, const String& Value) {
  if (Index < 0) return;
  if (Index < Integer(FValues.size()) && FValues[size_t(Index)] == Value) return;
  if (Index >= Integer(FValues.size())) FValues.resize(size_t(Index) + 1);
  FValues[size_t(Index)] = Value;
  FTreeList->NodeValuesChanged(Index);
}

void TZCLTreeListStringNode::ClearValues() {
  if (FValues.capacity() == 0) return;
  std::vector<String>().swap(FValues);
  FTreeList->NodeValuesChanged(-1);
}

#pragma once
// Tree list nodes: a tree under an invisible root that the tree list owns, with check, expand
// and select states, values per column, groups and children supplied on demand. Nodes talk to
// their tree list only through IZCLTreeList.

#include <functional>
#include <vector>

#include "zcl/ui/ZCL.UI.Controls.Utils.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.SubClass.h"

class TZCLTreeListColumn;
class TZCLTreeListGroup;
class TZCLTreeListNode;

RTL_EXCEPTION(EZCLTreeListException, Exception);

// Tree list change flags beyond the compound-control ones.
inline constexpr Cardinal TreeListChangeChecked = 0x10;
inline constexpr Cardinal TreeListChangeSort = 0x40;
inline constexpr Cardinal TreeListChangeGroup = 0x80;

// A plain list of pointers that owns nothing.
template <class T>
class TZCLTreeListPointerList {
 public:
  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  T* operator[](Integer Index) const { return FItems[size_t(Index)]; }
  T* First() const { return FItems.empty() ? nullptr : FItems.front(); }
  T* Last() const { return FItems.empty() ? nullptr : FItems.back(); }
  Integer Add(T* Item) {
    FItems.push_back(Item);
    return GetCount() - 1;
  }
  void Insert(Integer Index, T* Item) { FItems.insert(FItems.begin() + Index, Item); }
  void Delete(Integer Index) { FItems.erase(FItems.begin() + Index); }
  Integer IndexOf(const T* Item) const {
    for (size_t i = 0; i < FItems.size(); ++i)
      if (FItems[i] == Item) return Integer(i);
    return -1;
  }
  bool Contains(const T* Item) const { return IndexOf(Item) >= 0; }
  Integer Remove(const T* Item) {
    const Integer index = IndexOf(Item);
    if (index >= 0) Delete(index);
    return index;
  }
  void Move(Integer From, Integer To) {
    T* item = FItems[size_t(From)];
    Delete(From);
    Insert(To, item);
  }
  void Clear() { FItems.clear(); }
  void SetCapacity(Integer Value) { FItems.reserve(size_t(Value)); }
  std::vector<T*>& Items() { return FItems; }
  const std::vector<T*>& Items() const { return FItems; }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  std::vector<T*> FItems;
};

using TZCLTreeListColumnList = TZCLTreeListPointerList<TZCLTreeListColumn>;

class TZCLTreeListNodeList : public TZCLTreeListPointerList<TZCLTreeListNode> {
 public:
  // Any item is the node or one of its ancestors.
  bool IsChild(TZCLTreeListNode* Node) const;
  void GetCheckedCount(Integer& Checked, Integer& Unchecked) const;
  TCheckBoxState GetCheckBoxState() const;
  void SetCheckBoxState(TCheckBoxState State);
  void UpdateRootIndexes();
};

// The tree list as nodes, groups and columns see it.
struct IZCLTreeList : virtual IInterface {
  RTL_INTERFACE(IZCLTreeList, IInterface, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7401}")
  virtual void BeginLongOperation() = 0;
  virtual void EndLongOperation() = 0;
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  virtual void Changed(Cardinal Flags) = 0;
  virtual bool GetCustomizingColumnOrder() = 0;
  virtual bool GetCustomizingColumnVisibility() = 0;
  virtual Integer GetColumnWidth(TZCLTreeListColumn* Column) = 0;
  virtual TZCLTreeListNode* CreateNode() = 0;
  virtual TZCLTreeListNodeList* GetAbsoluteVisibleNodes() = 0;
  virtual bool GetAutoCheckParents() = 0;
  virtual bool GetAutoCheckChildren() = 0;
  virtual TZCLTreeListColumnList* GetGroupByList() = 0;
  virtual TPersistent* GetObject() = 0;
  virtual TZCLTreeListNode* GetRootNode() = 0;
  virtual TZCLTreeListColumnList* GetSortByList() = 0;
  virtual bool QueryChildInterface(TObject* Object, const TGUID& IID, void** Intf) = 0;
  virtual void GroupRemoving(TZCLTreeListGroup* Group) = 0;
  virtual void DoNodeChecked(TZCLTreeListNode* Node) = 0;
  virtual void DoGetNodeChildren(TZCLTreeListNode* Node) = 0;
  virtual void NodeRemoving(TZCLTreeListNode* Node) = 0;
  virtual void NodeSetSelected(TZCLTreeListNode* Node, bool& Selected) = 0;
  virtual void NodeValuesChanged(Integer ValueIndex) = 0;
};

// The first child and the parent of a row, for walking.
struct IZCLTreeNodeLink : virtual IInterface {
  RTL_INTERFACE(IZCLTreeNodeLink, IInterface, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7402}")
  virtual TObject* GetLinkChild() = 0;
  virtual TObject* GetLinkParent() = 0;
};

class TZCLTreeListNode : public TZCLUnknownObject,
                         public IZCLTreeNodeLink,
                         public IZCLSelectableObject,
                         public IZCLExpandableObject,
                         public IZCLCheckableObject,
                         public IZCLObjectLinksSupport {
  ZCL_CLASS(TZCLTreeListNode, TZCLUnknownObject)
 public:
  using TCreateSignature = void(IZCLTreeList* ATreeList);
  using TFilter = std::function<bool(TZCLTreeListNode*)>;

  explicit TZCLTreeListNode(IZCLTreeList* ATreeList);
  ~TZCLTreeListNode() override;
  void BeforeDestruction() override;
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  virtual bool HasChildren();
  virtual String GetValue(Integer Index) = 0;
  virtual Integer GetValuesCapacity() { return 0; }
  virtual Integer GetValuesCount() = 0;
  virtual void SetValuesCapacity(Integer) {}
  virtual void SetValue(Integer Index, const String& Value);
  virtual Integer AddValue(const String& Value);
  virtual void Clear();
  virtual void DeleteChildren();
  virtual void ClearValues() {}

  TZCLTreeListNode* AddChild();
  TZCLTreeListNode* AddChild(std::initializer_list<String> Values);
  Integer AddValues(std::initializer_list<String> Values);
  void Assign(TZCLTreeListNode* Source);

  TZCLTreeListNode* GetParent() const { return FParent; }
  void SetParent(TZCLTreeListNode* Value);
  Integer GetIndex() const;
  void SetIndex(Integer Value);
  Integer GetLevel() const;
  Integer GetChildrenCount();
  TZCLTreeListNode* GetChild(Integer Index);
  void SetChildrenCapacity(Integer Value);
  bool IsChild(TZCLTreeListNode* Node) const;
  TZCLTreeListNode* NextSibling() const;
  TZCLTreeListNode* PrevSibling() const;
  TZCLTreeListNode* TopLevelNode();
  bool IsVisible() const;
  Integer AbsoluteVisibleIndex();
  // The created children, without loading on-demand ones; may be null.
  TZCLTreeListNodeList* GetChildrenList() const { return FChildren; }

  bool GetChecked() override { return GetCheckState() == cbChecked; }
  void SetChecked(bool Value) override;
  TCheckBoxState GetCheckState();
  TCheckBoxState GetChildrenCheckState();
  void SetChildrenCheckState(TCheckBoxState Value);
  // A disabled node is drawn with the disabled text colour.
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool GetCheckBoxEnabled() const { return FCheckBoxEnabled; }
  void SetCheckBoxEnabled(bool Value);
  bool GetExpanded() override { return FExpanded; }
  void SetExpanded(bool Value) override;
  bool GetSelected() override { return FSelected; }
  void SetSelected(bool Value) override;
  Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  TZCLTreeListGroup* GetGroup() const { return FGroup; }
  void SetGroup(TZCLTreeListGroup* Value);
  bool GetHasChildrenFlag() const { return FHasChildrenFlag; }
  void SetHasChildrenFlag(bool Value) { FHasChildrenFlag = Value; }
  IZCLTreeList* GetTreeList() const { return FTreeList; }
  void* Data = nullptr;
  NativeInt Tag = 0;
  Integer RootIndex = -1;

  bool Find(TZCLTreeListNode*& Node, const TFilter& Filter, bool Recursive);
  bool Find(TZCLTreeListNode*& Node, void* AData, bool Recursive);
  bool Find(TZCLTreeListNode*& Node, NativeInt ATag, bool Recursive);
  bool Find(TZCLTreeListNode*& Node, const String& Text, Integer ColumnIndex, bool Recursive);
  TZCLTreeListNode* FindNode(void* AData, bool Recursive);
  TZCLTreeListNode* FindNode(const String& Text, Integer ColumnIndex, bool Recursive);
  void ForEach(const std::function<void(TZCLTreeListNode*)>& Proc, bool Recursive);
  void ExpandCollapseChildren(bool Expand, bool Recursive);

  // IZCLCheckableObject, IZCLExpandableObject
  bool CanCheck() override { return FCheckBoxEnabled; }
  bool CanToggle() override { return HasChildren(); }
  // IZCLTreeNodeLink
  TObject* GetLinkChild() override;
  TObject* GetLinkParent() override;

 protected:
  virtual void DoAssign(TZCLTreeListNode* Source);
  void CheckChildrenLoaded();
  void StructureChanged(bool Resort);

  IZCLTreeList* FTreeList;
  TZCLTreeListNodeList* FChildren = nullptr;
  TZCLTreeListNode* FParent = nullptr;
  TZCLTreeListGroup* FGroup = nullptr;
  bool FCheckBoxEnabled = true;
  bool FEnabled = true;
  bool FChecked = false;
  bool FExpanded = false;
  bool FHasChildrenFlag = false;
  bool FSelected = false;
  Integer FImageIndex = -1;

 private:
  friend class TZCLTreeListGroup;
  friend class TZCLTreeListGroups;
};

class TZCLTreeListStringNode : public TZCLTreeListNode {
  ZCL_CLASS(TZCLTreeListStringNode, TZCLTreeListNode)
 public:
  using TZCLTreeListNode::TZCLTreeListNode;
  String GetValue(Integer Index) override;
  Integer GetValuesCapacity() override;
  Integer GetValuesCount() override;
  void SetValuesCapacity(Integer Count) override;
  void SetValue(Integer Index, const String& Value) override;
  void ClearValues() override;

 private:
  std::vector<String> FValues;
};

#pragma once
// The tree list a plugin places on its form, and the wrappers of its columns, groups and nodes
// that the adapters map makes on demand. Item wrappers never own their item: the tree list does,
// and a wrapper whose item is gone answers E_HANDLE.

#include "zcl/ui/treelist/ZCL.UI.TreeList.h"
#include "zeph/core/ZEPH.Core.UI.h"

struct IZEPHUITreeListColumn : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHUITreeListColumn, IZEPHPropertyList, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D01A0}")
};

struct IZEPHUITreeListGroup : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHUITreeListGroup, IZEPHPropertyList, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D01A1}")
  virtual HRESULT GetNode(Integer Index, const TGUID& IID, void** Node) = 0;
  // Not a result code: the count, -1 once the group is gone.
  virtual Integer GetNodeCount() = 0;
};

struct IZEPHUITreeListNode : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHUITreeListNode, IZEPHPropertyList, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D01A2}")
  virtual HRESULT Add(IPtr<IZEPHUITreeListNode>& Node) = 0;
  virtual HRESULT ClearChildren() = 0;
  virtual HRESULT FindByData(Int64 Data, LongBool Recursive, const TGUID& IID, void** Node) = 0;
  virtual HRESULT FindByValue(Integer ColumnIndex, IZEPHString* Text, LongBool Recursive, const TGUID& IID,
                              void** Node) = 0;
  // Index -1 the parent, -2 the next sibling, -3 the previous one, 0 and above a child.
  virtual HRESULT Get(Integer Index, const TGUID& IID, void** Node) = 0;
  // Not a result code: the number of children, -1 once the node is gone.
  virtual Integer GetCount() = 0;
  virtual HRESULT ClearValues() = 0;
  virtual HRESULT GetValue(Integer ColumnIndex, IPtr<IZEPHString>& Text) = 0;
  virtual HRESULT SetValue(Integer ColumnIndex, IZEPHString* Text) = 0;
  virtual HRESULT GetGroup(const TGUID& IID, void** Group) = 0;
};

struct IZEPHUITreeList : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUITreeList, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D01A3}")
  virtual HRESULT AddColumn(const TGUID& IID, void** Column) = 0;
  virtual HRESULT ClearColumns() = 0;
  virtual HRESULT DeleteColumn(Integer Index) = 0;
  virtual HRESULT GetColumn(Integer Index, const TGUID& IID, void** Column) = 0;
  virtual Integer GetColumnCount() = 0;
  virtual HRESULT Clear() = 0;
  // Frees a node (with its children), column or group of this list; anything else is left alone.
  virtual HRESULT Delete(IInterface* Object) = 0;
  virtual HRESULT GetPath(IInterface* Node, IPtr<IZEPHString>& Path) = 0;
  virtual HRESULT GetRootNode(const TGUID& IID, void** Node) = 0;
  virtual HRESULT MakeTop(IInterface* Node) = 0;
  virtual HRESULT MakeVisible(IInterface* Node) = 0;
  virtual HRESULT SetPath(IZEPHString* Path) = 0;
  virtual HRESULT GetAbsoluteVisibleNode(Integer Index, const TGUID& IID, void** Node) = 0;
  virtual Integer GetAbsoluteVisibleNodeCount() = 0;
  virtual HRESULT DeleteSelected() = 0;
  virtual HRESULT SelectAll() = 0;
  virtual HRESULT SelectNone() = 0;
  virtual HRESULT GetFocused(const TGUID& IID, void** Object) = 0;
  virtual HRESULT SetFocused(IInterface* Object) = 0;
  virtual HRESULT GetSelected(Integer Index, const TGUID& IID, void** Node) = 0;
  virtual Integer GetSelectedCount() = 0;
  virtual HRESULT GetEditingCell(Integer& ColumnIndex, Integer& RowIndex) = 0;
  virtual HRESULT StartEditing(IInterface* Column) = 0;
  virtual HRESULT StopEditing() = 0;
  virtual HRESULT GroupBy(IInterface* Column, LongBool ResetPrevious) = 0;
  virtual HRESULT GetGroup(Integer Index, const TGUID& IID, void** Group) = 0;
  virtual Integer GetGroupCount() = 0;
  virtual HRESULT Regroup() = 0;
  virtual HRESULT ResetGrouping() = 0;
  virtual HRESULT ResetSorting() = 0;
  virtual HRESULT Sort() = 0;
  // Direction 0 steps ascending, descending, not sorted; 2 descending; anything else ascending.
  virtual HRESULT SortBy(IInterface* Column, Integer Direction, LongBool ResetPrevious) = 0;
  // Path: "Section" or "Section\Prefix"; the layout goes under the key "<Prefix>.ColumnsData".
  virtual HRESULT ConfigLoad(IInterface* Config, IZEPHString* Path) = 0;
  virtual HRESULT ConfigSave(IInterface* Config, IZEPHString* Path) = 0;
};

// ---- events a plugin's handler may implement -------------------------------------------------------

struct IZEPHUITreeListEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUITreeListEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D01A4}")
  virtual void OnColumnClick(IZEPHUITreeList* Sender, Integer ColumnIndex) = 0;
  virtual void OnFocusedColumnChanged(IZEPHUITreeList* Sender) = 0;
  virtual void OnFocusedNodeChanged(IZEPHUITreeList* Sender) = 0;
  virtual void OnNodeChecked(IZEPHUITreeList* Sender, IZEPHUITreeListNode* Node) = 0;
  virtual void OnNodeDblClicked(IZEPHUITreeList* Sender, IZEPHUITreeListNode* Node) = 0;
  virtual void OnSelectionChanged(IZEPHUITreeList* Sender) = 0;
  virtual void OnSorted(IZEPHUITreeList* Sender) = 0;
  virtual void OnCalculated(IZEPHUITreeList* Sender) = 0;
};

struct IZEPHUITreeListCustomDrawEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUITreeListCustomDrawEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D01A5}")
  virtual void OnCustomDrawNode(IZEPHUITreeList* Sender, HDC DC, const TRect& Rect, IZEPHUITreeListNode* Node,
                                LongBool& Handled) = 0;
  virtual void OnCustomDrawNodeCell(IZEPHUITreeList* Sender, HDC DC, const TRect& Rect, IZEPHUITreeListNode* Node,
                                    IZEPHUITreeListColumn* Column, LongBool& Handled) = 0;
  // Color: an RGB colour (red in the low byte).
  virtual void OnGetNodeBackground(IZEPHUITreeList* Sender, IZEPHUITreeListNode* Node, Cardinal& Color) = 0;
};

// Drop modes of OnDragSortingNodeOver.
constexpr Integer ZEPH_UI_TREELIST_DROP_AFTER = 0;
constexpr Integer ZEPH_UI_TREELIST_DROP_BEFORE = 1;
constexpr Integer ZEPH_UI_TREELIST_DROP_INTO = 2;

struct IZEPHUITreeListDragSortingEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUITreeListDragSortingEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D01A6}")
  virtual void OnDragSorting(IZEPHUITreeList* Sender) = 0;
  virtual void OnDragSortingNodeOver(IZEPHUITreeList* Sender, IZEPHUITreeListNode* Node, Integer Mode,
                                     LongBool& Allow) = 0;
};

struct IZEPHUITreeListInplaceEditingEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUITreeListInplaceEditingEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D01A7}")
  virtual void OnEditCreate(IZEPHUITreeList* Sender, IZEPHUITreeListNode* Node, Integer ColumnIndex,
                            LongBool& Allow) = 0;
  virtual void OnEditApply(IZEPHUITreeList* Sender, IZEPHUITreeListNode* Node, Integer ColumnIndex,
                           IPtr<IZEPHString>& Value) = 0;
};

// Property identifiers of the tree list (options of the list).
constexpr Integer ZEPH_UI_TREELIST_PROP_DELETING = 31;
constexpr Integer ZEPH_UI_TREELIST_PROP_EDITING = 32;
constexpr Integer ZEPH_UI_TREELIST_PROP_FOCUS_CELL = 33;
constexpr Integer ZEPH_UI_TREELIST_PROP_MULTI_SELECT = 34;
constexpr Integer ZEPH_UI_TREELIST_PROP_CHECKBOXES = 40;
constexpr Integer ZEPH_UI_TREELIST_PROP_GROUPS = 52;
constexpr Integer ZEPH_UI_TREELIST_PROP_SORTING_MODE = 60;

// Property identifiers of a node.
constexpr Integer ZEPH_UI_TREENODE_PROP_ROW = 0;
constexpr Integer ZEPH_UI_TREENODE_PROP_ENABLED = 1;
constexpr Integer ZEPH_UI_TREENODE_PROP_CHECKED = 2;
constexpr Integer ZEPH_UI_TREENODE_PROP_CHILDREN_CHECKED = 3;
constexpr Integer ZEPH_UI_TREENODE_PROP_EXPANDED = 4;
constexpr Integer ZEPH_UI_TREENODE_PROP_IMAGE_INDEX = 5;
constexpr Integer ZEPH_UI_TREENODE_PROP_INDEX = 6;
constexpr Integer ZEPH_UI_TREENODE_PROP_LEVEL = 7;
constexpr Integer ZEPH_UI_TREENODE_PROP_SELECTED = 8;
constexpr Integer ZEPH_UI_TREENODE_PROP_DATA = 9;

// ---- wrappers --------------------------------------------------------------------------------------

class TZEPHUITreeList : public TZEPHUIWinControl, public virtual IZEPHUITreeList {
  ZCL_CLASS(TZEPHUITreeList, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUITreeList)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;

  HRESULT AddColumn(const TGUID& IID, void** Column) override;
  HRESULT ClearColumns() override;
  HRESULT DeleteColumn(Integer Index) override;
  HRESULT GetColumn(Integer Index, const TGUID& IID, void** Column) override;
  Integer GetColumnCount() override;
  HRESULT Clear() override;
  HRESULT Delete(IInterface* Object) override;
  HRESULT GetPath(IInterface* Node, IPtr<IZEPHString>& Path) override;
  HRESULT GetRootNode(const TGUID& IID, void** Node) override;
  HRESULT MakeTop(IInterface* Node) override;
  HRESULT MakeVisible(IInterface* Node) override;
  HRESULT SetPath(IZEPHString* Path) override;
  HRESULT GetAbsoluteVisibleNode(Integer Index, const TGUID& IID, void** Node) override;
  Integer GetAbsoluteVisibleNodeCount() override;
  HRESULT DeleteSelected() override;
  HRESULT SelectAll() override;
  HRESULT SelectNone() override;
  HRESULT GetFocused(const TGUID& IID, void** Object) override;
  HRESULT SetFocused(IInterface* Object) override;
  HRESULT GetSelected(Integer Index, const TGUID& IID, void** Node) override;
  Integer GetSelectedCount() override;
  HRESULT GetEditingCell(Integer& ColumnIndex, Integer& RowIndex) override;
  HRESULT StartEditing(IInterface* Column) override;
  HRESULT StopEditing() override;
  HRESULT GroupBy(IInterface* Column, LongBool ResetPrevious) override;
  HRESULT GetGroup(Integer Index, const TGUID& IID, void** Group) override;
  Integer GetGroupCount() override;
  HRESULT Regroup() override;
  HRESULT ResetGrouping() override;
  HRESULT ResetSorting() override;
  HRESULT Sort() override;
  HRESULT SortBy(IInterface* Column, Integer Direction, LongBool ResetPrevious) override;
  HRESULT ConfigLoad(IInterface* Config, IZEPHString* Path) override;
  HRESULT ConfigSave(IInterface* Config, IZEPHString* Path) override;

  TZCLTreeList* AsTreeList() const;
  TZCLTreeListSubClass* GetSubClass() const;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;

 private:
  IZEPHUITreeList* Sender() { return this; }
  HRESULT Config(IInterface* Config, IZEPHString* Path, bool Save);
  // A node, column or group of this list (the root included); the list keeps only these.
  bool Owns(TObject* Item) const;
  // The item behind the wrapper; raises for an item of another list.
  TZCLTreeListNode* NodeFrom(IInterface* Node);
  TZCLTreeListColumn* ColumnFrom(IInterface* Column);

  void DragSorting(TObject* Sender);
  void DragSortingNodeOver(TObject* Sender, TZCLTreeListNode* Node, TZCLTreeListDropTargetInsertMode Mode,
                           bool& Allowed);
  void CustomDrawNode(TObject* Sender, TCanvas* Canvas, const TRect& R, TZCLTreeListNode* Node, bool& Handled);
  void CustomDrawNodeCell(TObject* Sender, TCanvas* Canvas, TZCLTreeListNodeCustomDrawData& Data, bool& Handled);
  void GetNodeBackground(TObject* Sender, TZCLTreeListNode* Node, TAlphaColor& Color);
  void ColumnClick(TObject* Sender, Integer Index, bool& Handled);
  TComponent* EditCreate(TObject* Sender, const TZCLInplaceInfo& Params, bool& Handled);
  void EditApply(TObject* Sender, Integer ColumnIndex, Integer RowIndex, String& Value);
  void Calculated(TObject* Sender);
  void FocusedColumnChanged(TObject* Sender);
  void FocusedNodeChanged(TObject* Sender);
  void NodeChecked(TObject* Sender, TZCLTreeListNode* Node);
  void NodeDblClicked(TObject* Sender, TZCLTreeListNode* Node);
  void SelectionChanged(TObject* Sender);
  void Sorted(TObject* Sender);
};

// The common base of the item wrappers: no events handler, no component owner.
class TZEPHUITreeListCustomAdapter : public TZEPHUIComponent {
  ZCL_CLASS(TZEPHUITreeListCustomAdapter, TZEPHUIComponent)
 public:
  explicit TZEPHUITreeListCustomAdapter(TObject* AObject);
};

class TZEPHUITreeListColumn : public TZEPHUITreeListCustomAdapter, public virtual IZEPHUITreeListColumn {
  ZCL_CLASS(TZEPHUITreeListColumn, TZEPHUITreeListCustomAdapter)
  RTL_INTERFACES(TZEPHUITreeListCustomAdapter, IZEPHUITreeListColumn)
 public:
  using TZEPHUITreeListCustomAdapter::TZEPHUITreeListCustomAdapter;

 protected:
  void ComponentCreated() override;
};

class TZEPHUITreeListGroup : public TZEPHUITreeListCustomAdapter, public virtual IZEPHUITreeListGroup {
  ZCL_CLASS(TZEPHUITreeListGroup, TZEPHUITreeListCustomAdapter)
  RTL_INTERFACES(TZEPHUITreeListCustomAdapter, IZEPHUITreeListGroup)
 public:
  using TZEPHUITreeListCustomAdapter::TZEPHUITreeListCustomAdapter;
  HRESULT GetNode(Integer Index, const TGUID& IID, void** Node) override;
  Integer GetNodeCount() override;

 protected:
  void ComponentCreated() override;
};

class TZEPHUITreeListNode : public TZEPHUITreeListCustomAdapter, public virtual IZEPHUITreeListNode {
  ZCL_CLASS(TZEPHUITreeListNode, TZEPHUITreeListCustomAdapter)
  RTL_INTERFACES(TZEPHUITreeListCustomAdapter, IZEPHUITreeListNode)
 public:
  using TZEPHUITreeListCustomAdapter::TZEPHUITreeListCustomAdapter;
  HRESULT Add(IPtr<IZEPHUITreeListNode>& Node) override;
  HRESULT ClearChildren() override;
  HRESULT FindByData(Int64 Data, LongBool Recursive, const TGUID& IID, void** Node) override;
  HRESULT FindByValue(Integer ColumnIndex, IZEPHString* Text, LongBool Recursive, const TGUID& IID,
                      void** Node) override;
  HRESULT Get(Integer Index, const TGUID& IID, void** Node) override;
  Integer GetCount() override;
  HRESULT ClearValues() override;
  HRESULT GetValue(Integer ColumnIndex, IPtr<IZEPHString>& Text) override;
  HRESULT SetValue(Integer ColumnIndex, IZEPHString* Text) override;
  HRESULT GetGroup(const TGUID& IID, void** Group) override;

  TZCLTreeListNode* AsNode() const;

 protected:
  void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) override;
  void DoGetValueAsInt64(Integer PropertyID, Int64& Value, HRESULT& Result) override;
  void DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) override;
  void DoSetValueAsInt64(Integer PropertyID, Int64 Value, HRESULT& Result) override;
};

// Unit start-up: the adapters map learns the item wrappers.
void TreeListAdaptersInitialize();
void TreeListAdaptersFinalize();

#pragma once
// A tree list stand-in that records what nodes, groups and columns report to it.

#include <functional>

#include "zcl/ui/treelist/ZCL.UI.TreeList.Columns.h"

class TFakeTreeList : public TZCLUnknownObject, public IZCLTreeList {
  ZCL_CLASS(TFakeTreeList, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLTreeList)
 public:
  TFakeTreeList() {
    Root = CreateNode();
    Root->SetExpanded(true);
  }
  ~TFakeTreeList() override { Free(Root); }

  void BeginLongOperation() override { ++LongOperations; }
  void EndLongOperation() override {}
  void BeginUpdate() override { ++Locks; }
  void EndUpdate() override {
    if (--Locks == 0 && Pending) {
      Reports.push_back(Pending);
      Pending = 0;
    }
  }
  void Changed(Cardinal Flags) override {
    Pending |= Flags;
    if (Locks == 0) {
      Reports.push_back(Pending);
      Pending = 0;
    }
  }
  bool GetCustomizingColumnOrder() override { return ColumnOrder; }
  bool GetCustomizingColumnVisibility() override { return ColumnVisibility; }
  Integer GetColumnWidth(TZCLTreeListColumn*) override { return BestFit; }
  TZCLTreeListNode* CreateNode() override { return new TZCLTreeListStringNode(this); }
  TZCLTreeListNodeList* GetAbsoluteVisibleNodes() override { return &Visible; }
  bool GetAutoCheckParents() override { return AutoCheckParents; }
  bool GetAutoCheckChildren() override { return AutoCheckChildren; }
  TZCLTreeListColumnList* GetGroupByList() override { return &GroupBy; }
  TPersistent* GetObject() override { return nullptr; }
  TZCLTreeListNode* GetRootNode() override { return Root; }
  TZCLTreeListColumnList* GetSortByList() override { return &SortBy; }
  bool QueryChildInterface(TObject*, const TGUID&, void**) override { return false; }
  void GroupRemoving(TZCLTreeListGroup*) override {}
  void DoNodeChecked(TZCLTreeListNode* Node) override { CheckedEvents.push_back(Node); }
  void DoGetNodeChildren(TZCLTreeListNode* Node) override {
    ++ChildrenRequests;
    if (OnGetNodeChildren) OnGetNodeChildren(Node);
  }
  void NodeRemoving(TZCLTreeListNode* Node) override {
    ++Removed;
    Visible.Remove(Node);
  }
  void NodeSetSelected(TZCLTreeListNode*, bool& Selected) override { Selected = Selected && AllowSelect; }
  void NodeValuesChanged(Integer ValueIndex) override { ValueChanges.push_back(ValueIndex); }

  TZCLTreeListNode* Root;
  TZCLTreeListNodeList Visible;
  TZCLTreeListColumnList GroupBy, SortBy;
  std::vector<Cardinal> Reports;
  std::vector<TZCLTreeListNode*> CheckedEvents;
  std::vector<Integer> ValueChanges;
  std::function<void(TZCLTreeListNode*)> OnGetNodeChildren;
  Cardinal Pending = 0;
  Integer Locks = 0, LongOperations = 0, ChildrenRequests = 0, Removed = 0, BestFit = 80;
  bool AutoCheckParents = false, AutoCheckChildren = false, ColumnOrder = true, ColumnVisibility = true;
  bool AllowSelect = true;
};

#pragma once
// Orders the nodes of every level of a tree list by its sort columns (or its OnCompare handler)
// and puts the top-level nodes into groups named by its group-by columns (or OnGetNodeGroup).

#include "zcl/ui/treelist/ZCL.UI.TreeList.ViewInfo.h"

class TZCLTreeListSorter : public TZCLUnknownObject {
  ZCL_CLASS(TZCLTreeListSorter, TZCLUnknownObject)
 public:
  explicit TZCLTreeListSorter(TZCLTreeListSubClass* ASubClass) : FSubClass(ASubClass) {}

  virtual bool IsSortingNeeded();
  // Negative, 0 or positive; nodes equal by every column keep their previous order.
  virtual Integer Compare(TZCLTreeListNode* Left, TZCLTreeListNode* Right);
  // -1 asks whether grouping depends on any value.
  virtual bool IsGroupedBy(Integer ValueIndex);
  virtual bool IsSortedBy(Integer ValueIndex);
  virtual Integer CompareByColumn(TZCLTreeListNode* Left, TZCLTreeListNode* Right, TZCLTreeListColumn* Column);
  virtual Integer CompareValues(TZCLTreeListNode* Left, TZCLTreeListNode* Right, Integer ValueIndex,
                                TZCLTreeListCompareMode Mode, TZCLSortDirection Direction);
  // For descendants: nodes without a group come first, then by caption.
  virtual Integer CompareGroups(TZCLTreeListNode* Left, TZCLTreeListNode* Right);

  // False when there was nothing to sort or group: the order stands as it was.
  bool Sort(bool Regroup);
  String GetGroupName(TZCLTreeListNode* Node);
  bool IsGroupMode();
  void UpdateGroups();
  void ReAddNodesToGroups();
  void ApplyGroupOrder();
  void SortNodes(TZCLTreeListNodeList* List);

  TZCLTreeListColumnList* GetSortByList() const { return FSubClass->GetSortByList(); }
  TZCLTreeListColumnList* GetGroupByList() const { return FSubClass->GetGroupByList(); }

 protected:
  TZCLTreeListSubClass* FSubClass;
};

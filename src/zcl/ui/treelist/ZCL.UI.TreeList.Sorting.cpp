#include "zcl/ui/treelist/ZCL.UI.TreeList.Sorting.h"

#include <climits>

#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Threading.Sorting.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {

// Whole numbers by their parsed prefix: "12abc" is 12, text without digits 0.
Int64 ParseLeadingInteger(const String& S) {
  size_t i = 0;
  while (i < S.size() && (S[i] == u' ' || S[i] == u'\t')) ++i;
  bool negative = false;
  if (i < S.size() && (S[i] == u'-' || S[i] == u'+')) negative = S[i++] == u'-';
  Int64 value = 0;
  for (; i < S.size() && S[i] >= u'0' && S[i] <= u'9'; ++i) {
    if (value > (INT64_MAX - 9) / 10) break;  // saturate instead of wrapping
    value = value * 10 + (S[i] - u'0');
  }
  return negative ? -value : value;
}

bool ListHasIndex(const TZCLTreeListColumnList* List, Integer ValueIndex) {
  for (TZCLTreeListColumn* column : *List)
    if (column->GetIndex() == ValueIndex) return true;
  return false;
}

}  // namespace

bool TZCLTreeListSorter::IsSortingNeeded() { return FSubClass->OnCompare.Assigned() || GetSortByList()->GetCount() > 0; }

Integer TZCLTreeListSorter::Compare(TZCLTreeListNode* Left, TZCLTreeListNode* Right) {
  Integer result = 0;
  if (FSubClass->OnCompare) {
    FSubClass->OnCompare(FSubClass, Left, Right, result);
  } else {
    for (TZCLTreeListColumn* column : *GetSortByList())
      if ((result = CompareByColumn(Left, Right, column)) != 0) break;
  }
  if (result == 0) result = Left->RootIndex - Right->RootIndex;
  return result;
}

bool TZCLTreeListSorter::IsGroupedBy(Integer ValueIndex) {
  if (FSubClass->OnGetNodeGroup) return true;
  if (GetGroupByList()->GetCount() == 0) return false;
  return ValueIndex == -1 || ListHasIndex(GetGroupByList(), ValueIndex);
}

bool TZCLTreeListSorter::IsSortedBy(Integer ValueIndex) {
  if (FSubClass->OnCompare) return true;
  if (GetSortByList()->GetCount() == 0) return false;
  return ValueIndex == -1 || ListHasIndex(GetSortByList(), ValueIndex);
}

Integer TZCLTreeListSorter::CompareByColumn(TZCLTreeListNode* Left, TZCLTreeListNode* Right, TZCLTreeListColumn* Column) {
  return CompareValues(Left, Right, Column->GetIndex(), Column->GetCompareMode(), Column->SortDirection);
}

Integer TZCLTreeListSorter::CompareValues(TZCLTreeListNode* Left, TZCLTreeListNode* Right, Integer ValueIndex,
                                          TZCLTreeListCompareMode Mode, TZCLSortDirection Direction) {
  const String a = Left->GetValue(ValueIndex);
  const String b = Right->GetValue(ValueIndex);
  Integer result;
  switch (Mode) {
    case tlcmInteger: {
      // Compared, not subtracted: the difference of far-apart values overflows.
      const Int64 x = ParseLeadingInteger(a), y = ParseLeadingInteger(b);
      result = x < y ? -1 : (x > y ? 1 : 0);
      break;
    }
    case tlcmSmart:
      result = zcLogicalCompare(a, b, true);
      break;
    default:
      result = zcCompareStrings(a, b, false);
      break;
  }
  return Direction == sdDescending ? -result : result;
}

Integer TZCLTreeListSorter::CompareGroups(TZCLTreeListNode* Left, TZCLTreeListNode* Right) {
  TZCLTreeListGroup* a = Left->GetGroup();
  TZCLTreeListGroup* b = Right->GetGroup();
  if (a == b) return 0;
  if (!a) return -1;
  if (!b) return 1;
  return zcCompareStrings(a->GetCaption(), b->GetCaption(), false);
}

bool TZCLTreeListSorter::IsGroupMode() {
  return FSubClass->GetOptionsBehavior()->GetGroups() &&
         (FSubClass->OnGetNodeGroup.Assigned() || GetGroupByList()->GetCount() > 0);
}

String TZCLTreeListSorter::GetGroupName(TZCLTreeListNode* Node) {
  String name;
  if (FSubClass->OnGetNodeGroup) {
    FSubClass->OnGetNodeGroup(FSubClass, Node, name);
    return name;
  }
  for (TZCLTreeListColumn* column : *GetGroupByList()) {
    if (column != GetGroupByList()->First()) name += u" / ";
    name += Node->GetValue(column->GetIndex());
  }
  return name;
}

bool TZCLTreeListSorter::Sort(bool Regroup) {
  TZCLTreeListNode* root = FSubClass->GetRootNode();
  // Children supplied on demand are sorted when they arrive.
  if (!root || !root->GetChildrenList() || root->GetChildrenList()->GetCount() == 0) return false;
  if (!(Regroup && (IsGroupMode() || FSubClass->GetGroups()->GetCount() > 0)) && !IsSortingNeeded()) return false;
  FSubClass->DoSorting();
  try {
    FSubClass->BeginUpdate();
    try {
      if (Regroup) UpdateGroups();
      SortNodes(root->GetChildrenList());
      if (IsGroupMode()) {
        ReAddNodesToGroups();
        FSubClass->GetGroups()->SortByNodeOrder();
        ApplyGroupOrder();
      }
      FSubClass->Changed(ChangeStruct);
    } catch (...) {
      FSubClass->EndUpdate();
      throw;
    }
    FSubClass->EndUpdate();
  } catch (...) {
    FSubClass->DoSorted();
    throw;
  }
  FSubClass->DoSorted();
  return true;
}

void TZCLTreeListSorter::UpdateGroups() {
  TZCLTreeListNodeList* children = FSubClass->GetRootNode()->GetChildrenList();
  TZCLTreeListGroups* groups = FSubClass->GetGroups();
  if (IsGroupMode()) {
    if (!children) return;
    for (TZCLTreeListNode* node : *children) {
      const String name = GetGroupName(node);
      if (!node->GetGroup() || node->GetGroup()->GetCaption() != name) node->SetGroup(groups->Add(name));
    }
  } else {
    groups->ClearLinks();
  }
}

void TZCLTreeListSorter::ReAddNodesToGroups() {
  TZCLTreeListNodeList* children = FSubClass->GetRootNode()->GetChildrenList();
  TZCLTreeListGroups* groups = FSubClass->GetGroups();
  for (Integer i = 0; i < groups->GetCount(); ++i) (*groups)[i]->GetLinks()->Clear();
  if (!children) return;
  for (TZCLTreeListNode* node : *children)
    if (TZCLTreeListGroup* group = node->GetGroup()) group->GetLinks()->Add(node);
}

void TZCLTreeListSorter::ApplyGroupOrder() {
  TZCLTreeListNodeList* children = FSubClass->GetRootNode()->GetChildrenList();
  if (!children || !IsGroupMode()) return;
  TZCLTreeListGroups* groups = FSubClass->GetGroups();
  std::vector<TZCLTreeListNode*> ordered;
  ordered.reserve(children->Items().size());
  for (Integer i = 0; i < groups->GetCount(); ++i)
    for (TZCLTreeListNode* node : *(*groups)[i]->GetLinks()) ordered.push_back(node);
  // Nodes outside any group keep their place after the grouped ones.
  for (TZCLTreeListNode* node : *children)
    if (!node->GetGroup()) ordered.push_back(node);
  children->Items() = std::move(ordered);
}

void TZCLTreeListSorter::SortNodes(TZCLTreeListNodeList* List) {
  if (!List || !IsSortingNeeded()) return;
  std::vector<Pointer> items(List->Items().begin(), List->Items().end());
  for (size_t i = 0; i < items.size(); ++i) List->Items()[i]->RootIndex = Integer(i);
  TZCLMultithreadedListSorter::Sort(
      items.data(), Integer(items.size()),
      [this](Pointer A, Pointer B) { return Compare(static_cast<TZCLTreeListNode*>(A), static_cast<TZCLTreeListNode*>(B)); },
      FSubClass->GetOptionsBehavior()->GetSortingUseMultithreading());
  for (size_t i = 0; i < items.size(); ++i) List->Items()[i] = static_cast<TZCLTreeListNode*>(items[i]);
  for (TZCLTreeListNode* node : *List) SortNodes(node->GetChildrenList());
}

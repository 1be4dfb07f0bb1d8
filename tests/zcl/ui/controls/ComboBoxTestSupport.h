#pragma once
// Reading the open list of a combo box: its shown rows, their client rectangles and the focus.

#include "zcl/ui/treelist/ZCL.UI.TreeList.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.ViewInfo.h"

namespace comboprobe {

inline TZCLTreeListContentViewInfo* Content(TZCLTreeList* List) { return List->GetSubClass()->GetContent(); }

inline Integer RowHeight(TZCLTreeList* List) { return Content(List)->GetNodeHeight(); }

// Shown rows, group rows included.
inline Integer RowCount(TZCLTreeList* List) { return Content(List)->GetCells()->GetCount(); }

// The client rectangle of the shown row at Position.
inline TRect RowRect(TZCLTreeList* List, Integer Position) {
  return (*Content(List)->GetCells())[Position]->AbsoluteBounds();
}

// The item index of the focused row, -1 for none.
inline Integer FocusedItem(TZCLTreeList* List) {
  TZCLTreeListNode* node = List->GetFocusedNode();
  return node ? Integer(node->Tag) : -1;
}

// Borders and header around the rows.
inline Integer Frame(TZCLTreeList* List) {
  return List->GetHeight() - Content(List)->GetViewItemsArea().Height();
}

}  // namespace comboprobe

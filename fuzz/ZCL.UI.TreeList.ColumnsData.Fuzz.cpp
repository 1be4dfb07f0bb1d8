// libFuzzer target for the stored column layout of tree lists ("<item>.ColumnsData"): any bytes
// load into a list of four columns or stop at a cut record, and the columns stay consistent:
// a display order that is a permutation, widths of at least 2, a sort list without repeats.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Columns.h"

namespace {

class TFuzzTreeList : public TZCLUnknownObject, public IZCLTreeList {
  ZCL_CLASS(TFuzzTreeList, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLTreeList)
 public:
  void BeginLongOperation() override {}
  void EndLongOperation() override {}
  void BeginUpdate() override {}
  void EndUpdate() override {}
  void Changed(Cardinal) override {}
  bool GetCustomizingColumnOrder() override { return true; }
  bool GetCustomizingColumnVisibility() override { return true; }
  Integer GetColumnWidth(TZCLTreeListColumn*) override { return 50; }
  TZCLTreeListNode* CreateNode() override { return new TZCLTreeListStringNode(this); }
  TZCLTreeListNodeList* GetAbsoluteVisibleNodes() override { return &Visible; }
  bool GetAutoCheckParents() override { return false; }
  bool GetAutoCheckChildren() override { return false; }
  TZCLTreeListColumnList* GetGroupByList() override { return &GroupBy; }
  TPersistent* GetObject() override { return nullptr; }
  TZCLTreeListNode* GetRootNode() override { return nullptr; }
  TZCLTreeListColumnList* GetSortByList() override { return &SortBy; }
  bool QueryChildInterface(TObject*, const TGUID&, void**) override { return false; }
  void GroupRemoving(TZCLTreeListGroup*) override {}
  void DoNodeChecked(TZCLTreeListNode*) override {}
  void DoGetNodeChildren(TZCLTreeListNode*) override {}
  void NodeRemoving(TZCLTreeListNode*) override {}
  void NodeSetSelected(TZCLTreeListNode*, bool&) override {}
  void NodeValuesChanged(Integer) override {}
  TZCLTreeListNodeList Visible;
  TZCLTreeListColumnList GroupBy, SortBy;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    return true;
  }();
  (void)initialized;
  TFuzzTreeList tree;
  {
    TZCLTreeListColumns columns(&tree);
    for (Integer i = 0; i < 4; ++i) columns.Add(u"c");
    TCustomMemoryStream stream(Data, NativeInt(Size));
    columns.LoadFromStream(&stream);
    std::vector<bool> seen(4, false);
    for (Integer i = 0; i < columns.GetCount(); ++i) {
      if (columns[i]->GetWidth() < 2) std::abort();
      const Integer drawIndex = columns[i]->GetDrawIndex();
      if (drawIndex < 0 || drawIndex >= 4 || seen[size_t(drawIndex)]) std::abort();
      seen[size_t(drawIndex)] = true;
    }
    if (tree.SortBy.GetCount() > 4) std::abort();
    for (Integer i = 0; i < tree.SortBy.GetCount(); ++i)
      if (tree.SortBy.IndexOf(tree.SortBy[i]) != i) std::abort();
    TMemoryStream out;
    columns.SaveToStream(&out);
    if (out.GetSize() != 4 * 7) std::abort();
  }
  return 0;
}

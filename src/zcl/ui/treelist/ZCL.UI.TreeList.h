#pragma once
// The tree list control: a window that hosts the tree list engine and forwards everything beyond
// hosting to it; TZCLTreeList publishes the engine's options, styles and events.

#include <type_traits>
#include <utility>

#include "zcl/ui/treelist/ZCL.UI.CompoundControl.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.InplaceEdit.h"

class TZCLCustomTreeList : public TZCLCompoundControl, public IZCLFocusableControl2 {
  ZCL_CLASS(TZCLCustomTreeList, TZCLCompoundControl)
  RTL_INTERFACES(TZCLCompoundControl, IZCLFocusableControl2)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomTreeList(TComponent* AOwner);

  TZCLTreeListSubClass* GetSubClass() const { return static_cast<TZCLTreeListSubClass*>(FSubClass); }
  TZCLTreeListNodeList* GetAbsoluteVisibleNodes() const { return GetSubClass()->GetAbsoluteVisibleNodes(); }
  TZCLTreeListEditingController* GetEditingController() const { return GetSubClass()->GetEditingController(); }
  TZCLTreeListColumn* GetFocusedColumn() const { return GetSubClass()->FocusedColumn; }
  TZCLTreeListNode* GetFocusedNode() const { return GetSubClass()->GetFocusedNode(); }
  void SetFocusedNode(TZCLTreeListNode* Value) { GetSubClass()->SetFocusedNode(Value); }
  TZCLTreeListGroup* GetGroup(Integer Index) const { return (*GetSubClass()->GetGroups())[Index]; }
  Integer GetGroupCount() const { return GetSubClass()->GetGroups()->GetCount(); }
  TZCLHitTestInfo* GetHitTest() const { return GetSubClass()->GetHitTest(); }
  TZCLTreeListNode* GetRootNode() const { return GetSubClass()->GetRootNode(); }
  Integer GetViewportY() const { return GetSubClass()->GetContent()->GetViewport().Y; }
  void SetViewportY(Integer Value) { GetSubClass()->GetContent()->SetViewportY(Value); }
  // The hit object at a client point (the hit test is updated there).
  TObject* ObjectAtPos(Integer X, Integer Y);
  void FocusFirstRootChild();

  TZCLTreeListColumns* GetColumns() const { return GetSubClass()->GetColumns(); }
  void SetColumns(TZCLTreeListColumns* Value) { GetSubClass()->GetColumns()->Assign(Value); }
  TZCLTreeListOptionsBehavior* GetOptionsBehavior() const { return GetSubClass()->GetOptionsBehavior(); }
  void SetOptionsBehavior(TZCLTreeListOptionsBehavior* Value) { GetOptionsBehavior()->Assign(Value); }
  TZCLTreeListOptionsCustomizing* GetOptionsCustomizing() const { return GetSubClass()->GetOptionsCustomizing(); }
  void SetOptionsCustomizing(TZCLTreeListOptionsCustomizing* Value) { GetOptionsCustomizing()->Assign(Value); }
  TZCLTreeListOptionsSelection* GetOptionsSelection() const { return GetSubClass()->GetOptionsSelection(); }
  void SetOptionsSelection(TZCLTreeListOptionsSelection* Value) { GetOptionsSelection()->Assign(Value); }
  TZCLTreeListOptionsView* GetOptionsView() const { return GetSubClass()->GetOptionsView(); }
  void SetOptionsView(TZCLTreeListOptionsView* Value) { GetOptionsView()->Assign(Value); }
  TZCLStyleTreeList* GetStyle() const { return GetSubClass()->GetStyle(); }
  void SetStyle(TZCLStyleTreeList* Value);
  TZCLStyleEdit* GetStyleInplaceEdit() const { return GetSubClass()->GetStyleInplaceEdit(); }
  void SetStyleInplaceEdit(TZCLStyleEdit* Value) { GetSubClass()->SetStyleInplaceEdit(Value); }
  TZCLStyleEditButton* GetStyleInplaceEditButton() const { return GetSubClass()->GetStyleInplaceEditButton(); }
  void SetStyleInplaceEditButton(TZCLStyleEditButton* Value) { GetSubClass()->SetStyleInplaceEditButton(Value); }
  TZCLTreeListGetNodeClassEvent GetOnGetNodeClass() const { return GetSubClass()->GetOnGetNodeClass(); }
  void SetOnGetNodeClass(TZCLTreeListGetNodeClassEvent Value) { GetSubClass()->SetOnGetNodeClass(Value); }

  // An event of the engine, read and written straight there (for the published properties).
  template <auto Field>
  using TEngineEvent = std::remove_reference_t<decltype(std::declval<TZCLTreeListSubClass&>().*Field)>;
  template <auto Field>
  TEngineEvent<Field> GetEngineEvent() const {
    return GetSubClass()->*Field;
  }
  template <auto Field>
  void SetEngineEvent(TEngineEvent<Field> Value) {
    GetSubClass()->*Field = Value;
  }

  // True also while an open cell editor has the focus.
  bool Focused() override;
  // IZCLFocusableControl2: the first row's node, then the keyboard focus.
  void FocusFirstItem() override;

 protected:
  TZCLCompoundControlSubClass* CreateSubClass() override;
  void UpdateTransparency() override;
  void ResourceChanged() override;
  void FocusChanged() override;
  void WMGetDlgCode(TMessage& Message);
};

class TZCLTreeList : public TZCLCustomTreeList {
  ZCL_CLASS(TZCLTreeList, TZCLCustomTreeList)
 public:
  using TZCLCustomTreeList::TZCLCustomTreeList;
  static void DeclareProperties(TClassDeclaration<TZCLTreeList>& D);
};

void RegisterTreeListClasses();

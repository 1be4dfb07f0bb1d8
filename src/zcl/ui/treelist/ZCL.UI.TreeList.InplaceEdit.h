#pragma once
// Editing a tree list cell in place: the controller places an editor over the cell, fills it with
// the node's value and stores the edited value back through OnEditing and OnEdited; Enter applies,
// Esc cancels, Up and Down apply and move the focus, and changes of the tree list close it.

#include "zcl/ui/controls/ZCL.UI.Edit.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.ViewInfo.h"

class TZCLTreeListEditingController : public TZCLCompoundControlPersistent {
  ZCL_CLASS(TZCLTreeListEditingController, TZCLCompoundControlPersistent)
 public:
  explicit TZCLTreeListEditingController(TZCLTreeListSubClass* ASubClass);
  // Closes the editor without storing and drops the queued frees.
  ~TZCLTreeListEditingController() override;

  // Raises EZCLTreeListException "Cannot edit a hidden cell" when the node has no row or the
  // column no header; an open editor is closed first, without storing.
  void StartEditing(TZCLTreeListNode* Node, TZCLTreeListColumn* Column);
  void Cancel() { Close(0, false); }
  void ApplyIfEditing();
  // Changes of the tree list other than a repaint: apply (ApplyOnChanges) or close the editor.
  void ProcessChanges(TZCLCompoundControlChanges Flags);
  // Frees an open editor at once from now on; for the destruction of the tree list.
  void PrepareForDestruction();

  bool IsEditing() const { return FEdit != nullptr; }
  // Editing that node's row and, when a column is given, that column.
  bool IsEditing(TZCLTreeListNode* Node, TZCLTreeListColumn* Column);
  bool IsModified();
  bool IsLocked() const { return FLockCount > 0; }
  TComponent* GetEdit() const { return FEdit; }
  IZCLInplaceControl* GetEditIntf() const { return FEditIntf.get(); }
  const TZCLInplaceInfo& GetParams() const { return FParams; }
  TZCLTreeListSubClass* GetTreeList() const { return static_cast<TZCLTreeListSubClass*>(FSubClass); }

  bool ApplyOnChanges = false;

 protected:
  // Changes are the tree list changes that made the apply; none when the editor or user applies.
  virtual void EditApply(TObject* Edit, TZCLCompoundControlChanges Changes);
  virtual void EditCancel(TObject* Edit);
  virtual void EditKeyDown(TObject* Edit, Word& Key, TShiftState Shift);
  virtual void PrepareParams(TZCLTreeListNode* Node, TZCLTreeListColumn* Column);
  void Close(TZCLCompoundControlChanges Flags, bool ValueChanged);

  TComponent* FEdit = nullptr;
  IPtr<IZCLInplaceControl> FEditIntf;
  Integer FLockCount = 0;
  TZCLInplaceInfo FParams;

 private:
  void ApplyFromEditor(TObject* Sender) { EditApply(Sender, 0); }
  void CancelFromEditor(TObject* Sender) { EditCancel(Sender); }
  void KeyDownFromEditor(TObject* Sender, Word& Key, TShiftState Shift) { EditKeyDown(Sender, Key, Shift); }
  bool FDestroying = false;
};

#include "zcl/ui/treelist/ZCL.UI.TreeList.InplaceEdit.h"

#include "vcl/VCL.Messages.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"

namespace {

// The re-entry guard of the controller, released on every way out.
class TLock {
 public:
  explicit TLock(Integer& ACount) : FCount(ACount) { ++FCount; }
  ~TLock() { --FCount; }

 private:
  Integer& FCount;
};

}  // namespace

// ---- controller -----------------------------------------------------------------------------

TZCLTreeListEditingController::TZCLTreeListEditingController(TZCLTreeListSubClass* ASubClass)
    : TZCLCompoundControlPersistent(ASubClass) {}

TZCLTreeListEditingController::~TZCLTreeListEditingController() {
  FDestroying = true;
  FLockCount = 0;
  try {
    Cancel();
  } catch (...) {
    // Going away regardless.
  }
  TZCLMainThread::RemoveQueuedFor(this);
}

void TZCLTreeListEditingController::PrepareForDestruction() { FDestroying = true; }

bool TZCLTreeListEditingController::IsEditing(TZCLTreeListNode* Node, TZCLTreeListColumn* Column) {
  if (!IsEditing() || !Node || Node->AbsoluteVisibleIndex() != FParams.RowIndex) return false;
  return !Column || Column->GetIndex() == FParams.ColumnIndex;
}

bool TZCLTreeListEditingController::IsModified() {
  if (!FEditIntf) return false;
  TZCLTreeListNodeList* rows = GetTreeList()->GetAbsoluteVisibleNodes();
  if (FParams.RowIndex < 0 || FParams.RowIndex >= rows->GetCount() || !(*rows)[FParams.RowIndex]) return false;
  return FEditIntf->InplaceGetValue() != (*rows)[FParams.RowIndex]->GetValue(FParams.ColumnIndex);
}

void TZCLTreeListEditingController::StartEditing(TZCLTreeListNode* Node, TZCLTreeListColumn* Column) {
  Cancel();
  TZCLTreeListSubClass* tree = GetTreeList();
  if (!tree->GetOptionsBehavior()->GetEditing() || IsLocked() || !Node) return;
  {
    TLock lock(FLockCount);
    if (tree->FocusedColumn != Column) {
      tree->FocusedColumn = Column;
      tree->Changed(Column ? 0xC01 : 0x401);
    }
    tree->GetHintController()->Hide();
    PrepareParams(Node, Column);
    TComponent* edit = nullptr;
    tree->CreateInplaceEditor(FParams, edit);
    FEdit = edit;
    if (FEdit) Supports(FEdit, FEditIntf);
  }
  if (!FEdit) return;
  if (!FEditIntf) {
    Cancel();
    return;
  }
  FEditIntf->InplaceSetValue(Node->GetValue(FParams.ColumnIndex));
  FEditIntf->InplaceSetFocus();
}

void TZCLTreeListEditingController::PrepareParams(TZCLTreeListNode* Node, TZCLTreeListColumn* Column) {
  TZCLTreeListSubClass* tree = GetTreeList();
  FParams = TZCLInplaceInfo();
  FParams.ColumnIndex = Column ? Column->GetIndex() : 0;
  FParams.RowIndex = Node->AbsoluteVisibleIndex();
  FParams.OnApply = TNotifyEvent(this, &TZCLTreeListEditingController::ApplyFromEditor);
  FParams.OnCancel = TNotifyEvent(this, &TZCLTreeListEditingController::CancelFromEditor);
  FParams.OnKeyDown = TKeyEvent(this, &TZCLTreeListEditingController::KeyDownFromEditor);
  FParams.Parent = tree->GetContainer()->ContainerGetControl();

  TZCLTreeListContentViewInfo* content = tree->GetContent();
  TZCLCompoundControlBaseContentCell* cell = nullptr;
  TZCLTreeListColumnViewInfo* header = Column ? content->GetColumnBar()->FindColumnViewInfo(Column) : nullptr;
  if (FParams.RowIndex < 0 || !content->GetCells()->Find(Node, cell) || (Column && !header))
    throw EZCLTreeListException(u"Cannot edit a hidden cell");

  TZCLTreeListNodeViewInfo* viewInfo = content->GetNodeViewInfo();
  viewInfo->Initialize(Node);
  TRect r = cell->AbsoluteBounds();
  if (header) {
    TZCLTreeListColumnBarViewInfo* bar = content->GetColumnBar();
    const Integer left = r.Left + header->GetBounds().Left - bar->GetBounds().Left;
    r = TRect(left, r.Top, left + header->Width, r.Bottom);
  }
  if (viewInfo->VertGridLine) --r.Right;
  r.Inflate(0, -1);
  FParams.Bounds = r;
  const TRect margins = viewInfo->GetCellMargins(header);
  FParams.TextBounds = TRect(r.Left + margins.Left, r.Top + margins.Top, r.Right - margins.Right, r.Bottom - margins.Bottom);
}

void TZCLTreeListEditingController::ApplyIfEditing() {
  if (FEdit) EditApply(FEdit, 0);
}

void TZCLTreeListEditingController::ProcessChanges(TZCLCompoundControlChanges Flags) {
  if (!IsEditing()) return;
  if (ApplyOnChanges)
    EditApply(FEdit, Flags);
  else
    Close(Flags, false);
}

void TZCLTreeListEditingController::EditApply(TObject* Edit, TZCLCompoundControlChanges Changes) {
  if (!FEdit || Edit != FEdit || IsLocked()) return;
  try {
    TLock lock(FLockCount);
    TZCLTreeListSubClass* tree = GetTreeList();
    TZCLTreeListNodeList* rows = tree->GetAbsoluteVisibleNodes();
    TZCLTreeListNode* node =
        FParams.RowIndex >= 0 && FParams.RowIndex < rows->GetCount() ? (*rows)[FParams.RowIndex] : nullptr;
    String value = FEditIntf->InplaceGetValue();
    tree->DoEditing(FParams.RowIndex, FParams.ColumnIndex, value);
    // The handler may have moved or removed rows: the value goes to the edited node, wherever
    // its row is now, and nowhere when the node is gone.
    const Integer row = node ? rows->IndexOf(node) : -1;
    if (row >= 0) {
      FParams.RowIndex = row;
      node->SetValue(FParams.ColumnIndex, value);
      tree->DoEdited(row, FParams.ColumnIndex);
    }
  } catch (...) {
    // The editor goes whatever a handler raised; the error goes on to the caller.
    Close(Changes, true);
    throw;
  }
  Close(Changes, true);
}

void TZCLTreeListEditingController::EditCancel(TObject* Edit) {
  if (FEdit && Edit == FEdit) Close(0, false);
}

void TZCLTreeListEditingController::EditKeyDown(TObject* Edit, Word& Key, TShiftState Shift) {
  if (!FEdit || Edit != FEdit) return;
  TZCLTreeListSubClass* tree = GetTreeList();
  tree->DoEditKeyDown(Key, Shift);
  switch (Key) {
    case VK_RETURN:
      Key = 0;
      EditApply(Edit, 0);
      break;
    case VK_ESCAPE:
      Key = 0;
      EditCancel(Edit);
      break;
    case VK_UP:
    case VK_DOWN: {
      // A multi-line editor keeps its arrows.
      auto* control = dynamic_cast<TWinControl*>(FEdit);
      if (control && (control->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS)) break;
      Word key = Key;
      Key = 0;
      EditApply(Edit, 0);
      tree->KeyDown(key, Shift);
      tree->KeyUp(key, Shift);
      break;
    }
    default:
      break;
  }
}

void TZCLTreeListEditingController::Close(TZCLCompoundControlChanges Flags, bool ValueChanged) {
  if (!IsEditing() || IsLocked()) return;
  TZCLTreeListSubClass* tree = GetTreeList();
  FEditIntf = nullptr;
  TComponent* edit = FEdit;
  FEdit = nullptr;
  if (FDestroying || tree->GetComponentState().Contains(csDestroying)) {
    Free(edit);
    return;
  }
  // Never inside the editor's own handlers: it may be closing itself from its key handler.
  TZCLMainThread::QueueProc([edit] { Free(edit); }, this);
  if (ValueChanged) tree->NodeValuesChanged(FParams.ColumnIndex);
  if (!(Flags & ChangeLayout) && tree->FocusedObject) tree->Changed(0x800);
  if (tree->IsFocused() && tree->GetContainer()->ContainerCanFocus()) {
    try {
      tree->GetContainer()->ContainerSetFocus();
    } catch (...) {
      // The focus stays where it is.
    }
  }
}

// ---- the tree list's side -------------------------------------------------------------------

void TZCLTreeListSubClass::InitializeEditing() {
  FEditingController = CreateEditingController();
  FStyleInplaceEdit = Create<TZCLStyleEdit>(static_cast<TObject*>(this));
  FStyleInplaceEditButton = Create<TZCLStyleEditButton>(static_cast<TObject*>(this));
}

void TZCLTreeListSubClass::FinalizeEditing() {
  if (FEditingController) {
    FEditingController->PrepareForDestruction();
    try {
      FEditingController->Cancel();
    } catch (...) {
      // Going away regardless.
    }
  }
  Free(FEditingController);
  FEditingController = nullptr;
  Free(FStyleInplaceEditButton);
  FStyleInplaceEditButton = nullptr;
  Free(FStyleInplaceEdit);
  FStyleInplaceEdit = nullptr;
}

TZCLTreeListEditingController* TZCLTreeListSubClass::CreateEditingController() {
  return new TZCLTreeListEditingController(this);
}

void TZCLTreeListSubClass::StartEditing(TZCLTreeListNode* Node, TZCLTreeListColumn* Column) {
  FEditingController->StartEditing(Node, Column);
}

bool TZCLTreeListSubClass::RequestEditing(TZCLTreeListNode* Node, TZCLTreeListColumn* Column) {
  if (!FEditingController) return false;
  FEditingController->StartEditing(Node, Column);
  return FEditingController->IsEditing();
}

bool TZCLTreeListSubClass::HasOpenEditor(TZCLTreeListNode* Node) {
  if (!FEditingController) return false;
  return Node ? FEditingController->IsEditing(Node, nullptr) : FEditingController->IsEditing();
}

void TZCLTreeListSubClass::SetStyleInplaceEdit(TZCLStyleEdit* Value) { FStyleInplaceEdit->Assign(Value); }

void TZCLTreeListSubClass::SetStyleInplaceEditButton(TZCLStyleEditButton* Value) {
  FStyleInplaceEditButton->Assign(Value);
}

bool TZCLTreeListSubClass::CreateInplaceEditor(const TZCLInplaceInfo& Params, TComponent*& Edit) {
  Edit = DoEditCreate(Params);
  if (Edit) DoEditInitialize(Params, Edit);
  return Edit != nullptr;
}

TComponent* TZCLTreeListSubClass::DoEditCreate(const TZCLInplaceInfo& Params) {
  bool handled = false;
  TComponent* result = OnEditCreate ? OnEditCreate(this, Params, handled) : nullptr;
  if (!result && !handled) {
    auto* edit = TZCLCustomEdit::CreateInplace<TZCLEdit>(Params);
    edit->SetResourceCollection(GetCollection());
    edit->SetStyle(FStyleInplaceEdit);
    edit->SetStyleButton(FStyleInplaceEditButton);
    result = edit;
  }
  return result;
}

void TZCLTreeListSubClass::DoEdited(Integer RowIndex, Integer ColumnIndex) {
  if (OnEdited) OnEdited(this, ColumnIndex, RowIndex);
}

void TZCLTreeListSubClass::DoEditing(Integer RowIndex, Integer ColumnIndex, String& Value) {
  if (OnEditing) OnEditing(this, ColumnIndex, RowIndex, Value);
}

void TZCLTreeListSubClass::DoEditInitialize(const TZCLInplaceInfo& Params, TComponent* Edit) {
  if (OnEditInitialize) OnEditInitialize(this, Params, Edit);
}

void TZCLTreeListSubClass::DoEditKeyDown(Word& Key, TShiftState Shift) {
  if (OnEditKeyDown) OnEditKeyDown(this, Key, Shift);
}

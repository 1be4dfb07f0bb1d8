#include "zcl/ui/ZCL.UI.DragDrop.Target.h"

#include <algorithm>
#include <unordered_map>

#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/OS.Timers.h"
#include "rtl/RTL.StringList.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Clipboard.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/ui/ZCL.UI.HintWindow.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

DWORD DropActionToEffect(TZCLDropAction Action) {
  switch (Action) {
    case daMove:
      return DROPEFFECT_MOVE;
    case daLink:
      return DROPEFFECT_LINK;
    default:
      return DROPEFFECT_COPY;
  }
}

TZCLDropAction DropEffectToAction(DWORD Effect) {
  if (Effect == DROPEFFECT_MOVE) return daMove;
  if (Effect == DROPEFFECT_LINK) return daLink;
  return daCopy;
}

// ---- TZCLDropTargetOptions ---------------------------------------------------------------------

TZCLDropTargetOptions::TZCLDropTargetOptions() : FMimeTypes(Create<TStringList>()) {}

TZCLDropTargetOptions::~TZCLDropTargetOptions() { Free(FMimeTypes); }

void TZCLDropTargetOptions::DeclareProperties(TClassDeclaration<TZCLDropTargetOptions>& D) {
  D.Property(u"AllowURLsInFiles", &TZCLDropTargetOptions::GetAllowURLsInFiles,
             &TZCLDropTargetOptions::SetAllowURLsInFiles)
      .Default(true);
  D.Property(u"ExpandShortcuts", &TZCLDropTargetOptions::GetExpandShortcuts, &TZCLDropTargetOptions::SetExpandShortcuts)
      .Default(true);
  D.Property(u"MimeTypes", &TZCLDropTargetOptions::GetMimeTypes, &TZCLDropTargetOptions::SetMimeTypes);
}

void TZCLDropTargetOptions::SetMimeTypes(TStringList* Value) { FMimeTypes->Assign(Value); }

void TZCLDropTargetOptions::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TZCLDropTargetOptions*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  FAllowURLsInFiles = source->FAllowURLsInFiles;
  FExpandShortcuts = source->FExpandShortcuts;
  FMimeTypes->Assign(source->FMimeTypes);
}

// ---- TZCLDropTarget ----------------------------------------------------------------------------

TZCLDropTarget::TZCLDropTarget(TComponent* AOwner) : TZCLComponent(AOwner), FOptions(Create<TZCLDropTargetOptions>()) {}

TZCLDropTarget::~TZCLDropTarget() { Free(FOptions); }

void TZCLDropTarget::DeclareProperties(TClassDeclaration<TZCLDropTarget>& D) {
  D.Property(u"Target", &TZCLDropTarget::GetTarget, &TZCLDropTarget::SetTarget);
  D.Property(u"Options", &TZCLDropTarget::GetOptions, &TZCLDropTarget::SetOptions);
  D.Event(u"OnDrop", &TZCLDropTarget::OnDrop);
  D.Event(u"OnEnter", &TZCLDropTarget::OnEnter);
  D.Event(u"OnLeave", &TZCLDropTarget::OnLeave);
  D.Event(u"OnOver", &TZCLDropTarget::OnOver);
  D.Event(u"OnScroll", &TZCLDropTarget::OnScroll);
}

void TZCLDropTarget::BeforeDestruction() {
  SetTarget(nullptr);
  inherited::BeforeDestruction();
}

void TZCLDropTarget::SetTarget(TWinControl* Value) {
  if (Value == FTarget) return;
  if (FTarget) {
    IPtr<IZCLDropTargetHook> hook = std::move(FHook);
    TZCLDropTargetHookManager::Unregister(hook.get(), this);
    FTarget->RemoveFreeNotification(this);
    FTarget = nullptr;
  }
  if (Value) {
    FTarget = Value;
    FTarget->FreeNotification(this);
    FHook = TZCLDropTargetHookManager::Register(Value, this);
  }
}

void TZCLDropTarget::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FTarget) SetTarget(nullptr);
}

TRect TZCLDropTarget::GetTargetClientRect() { return FTarget ? FTarget->GetClientRect() : TRect(); }

TPoint TZCLDropTarget::ScreenToClient(TPoint P) { return FTarget ? FTarget->ScreenToClient(P) : P; }

void TZCLDropTarget::DoEnter() {
  FIsActive = true;
  if (OnEnter) OnEnter(this);
}

void TZCLDropTarget::DoLeave() {
  FIsActive = false;
  if (OnLeave) OnLeave(this);
}

void TZCLDropTarget::DoOver(TShiftState Shift, TPoint P, String& Hint, bool& Allow, TZCLDropAction& Action) {
  const TPoint client = ScreenToClient(P);
  CheckAutoScroll(client);
  if (OnOver) OnOver(this, Shift, client, Hint, Allow, Action);
}

void TZCLDropTarget::DoDrop(TShiftState Shift, TPoint P, TZCLDropAction Action) {
  if (OnDrop) OnDrop(this, Shift, ScreenToClient(P), Action);
}

bool TZCLDropTarget::IsInTarget(TPoint P) { return GetTargetClientRect().Contains(ScreenToClient(P)); }

TStrings* TZCLDropTarget::GetMimeTypes() { return FOptions->GetMimeTypes(); }

void TZCLDropTarget::CheckAutoScroll(TPoint C) {
  TRect r = GetTargetClientRect();
  if (!r.Contains(C)) return;
  Integer dpi = GetComponentDPI(FTarget);
  if (dpi <= 0) dpi = GetSystemDPI();
  const Integer zone = ScaleByDPI(24, dpi);
  r.Top += zone;
  r.Bottom -= zone;
  if (C.Y >= r.Top && C.Y < r.Bottom) return;
  TMouseWheelDirection direction;
  bool fast;
  if (C.Y < r.Top) {
    direction = mwdUp;
    fast = C.Y < r.Top - zone / 2;
  } else {
    direction = mwdDown;
    fast = C.Y > r.Bottom + zone / 2;
  }
  const DWORD interval = fast ? 300 / 4 : 300;
  const DWORD now = GetTickCount();
  if (now - FLastScrollTick < interval) return;  // unsigned: the counter's wrap-around is harmless
  FLastScrollTick = now;
  DoScroll(1, direction, C);
}

void TZCLDropTarget::DoScroll(Integer Lines, TMouseWheelDirection Direction, TPoint P) {
  bool handled = false;
  if (OnScroll) OnScroll(this, P, Lines, Direction, handled);
  if (handled || !FTarget) return;
  for (Integer i = 0; i < Lines; ++i) FTarget->Perform(WM_VSCROLL, Direction == mwdUp ? SB_LINEUP : SB_LINEDOWN, 0);
}

bool TZCLDropTarget::GetData(UINT Format, STGMEDIUM& Medium) {
  Medium = STGMEDIUM();
  return FHook && FHook->GetData(Format, Medium);
}

bool TZCLDropTarget::GetText(UINT Format, String& Text) {
  Text.clear();
  STGMEDIUM medium;
  if (!GetData(Format, medium)) return false;
  Text = StgMediumToText(medium, Format);
  ReleaseStgMedium(medium);
  return true;
}

bool TZCLDropTarget::GetText(String& Text) { return GetText(CF_UNICODETEXT, Text) || GetText(CF_TEXT, Text); }

bool TZCLDropTarget::GetConfig(TZCLIniFile*& Ini) {
  Ini = nullptr;
  STGMEDIUM medium;
  if (!GetData(CF_ZEPH_CONFIG(), medium)) return false;
  TStream* stream = nullptr;
  const bool ok = StgMediumToStream(medium, stream);
  if (ok) {
    Ini = TZCLIniFile::CreateInMemory();
    try {
      Ini->LoadFromStream(stream);
    } catch (...) {
      Free(stream);
      Free(Ini);
      Ini = nullptr;
      ReleaseStgMedium(medium);
      throw;
    }
    Free(stream);
  }
  ReleaseStgMedium(medium);
  return ok;
}

bool TZCLDropTarget::GetFiles(TZCLStringList* List) {
  List->Clear();
  STGMEDIUM medium;
  if (GetData(CF_ZEPH_URI_LIST(), medium) || GetData(CF_HDROP, medium)) {
    TZCLStringList* files = nullptr;
    const bool ok = StgMediumToFiles(medium, files);
    ReleaseStgMedium(medium);
    if (ok) {
      List->AddStrings(files);
      Free(files);
      ProcessFiles(List);
      return true;
    }
    return false;
  }
  if (GetData(CF_SHELLIDLIST(), medium)) {
    TStream* stream = nullptr;
    TZCLStringList* files = nullptr;
    bool ok = false;
    if (StgMediumToStream(medium, stream)) {
      ok = TPIDLHelper::ShellIDListToFiles(static_cast<TCustomMemoryStream*>(stream), files);
      Free(stream);
    }
    ReleaseStgMedium(medium);
    if (ok) {
      List->AddStrings(files);
      Free(files);
      ProcessFiles(List);
      return true;
    }
    return false;
  }
  String text;
  if (FOptions->GetAllowURLsInFiles() && GetText(text) && zcIsURL(text)) {
    List->SetText(text);
    for (Integer i = List->GetCount() - 1; i >= 0; --i)
      if (!zcIsURL(List->GetStrings(i))) List->Delete(i);
    return true;
  }
  return false;
}

void TZCLDropTarget::ProcessFiles(TZCLStringList* List) {
  for (Integer i = List->GetCount() - 1; i >= 0; --i) {
    const String name = List->GetStrings(i);
    if (zcIsURL(name)) {
      if (!FOptions->GetAllowURLsInFiles()) List->Delete(i);
    } else if (FOptions->GetExpandShortcuts()) {
      String target;
      if (ShellResolveLink(name, target)) List->SetStrings(i, target);
    } else {
      List->SetStrings(i, zcExpandFileName(name));
    }
  }
}

// ---- TZCLDropTargetHookManager -----------------------------------------------------------------

namespace {
std::unordered_map<TWinControl*, TZCLDropTargetHook*>* GHooks = nullptr;
}  // namespace

void TZCLDropTargetHookManager::Add(TZCLDropTargetHook* Hook) {
  if (!GHooks) GHooks = new std::unordered_map<TWinControl*, TZCLDropTargetHook*>;
  (*GHooks)[Hook->GetControl()] = Hook;
}

void TZCLDropTargetHookManager::Remove(TZCLDropTargetHook* Hook) {
  if (!GHooks) return;
  auto it = GHooks->find(Hook->GetControl());
  if (it != GHooks->end() && it->second == Hook) GHooks->erase(it);
  if (GHooks->empty()) {
    delete GHooks;
    GHooks = nullptr;
  }
}

TZCLDropTargetHook* TZCLDropTargetHookManager::FindHook(TWinControl* Control) {
  if (!GHooks) return nullptr;
  auto it = GHooks->find(Control);
  return it == GHooks->end() ? nullptr : it->second;
}

IPtr<IZCLDropTargetHook> TZCLDropTargetHookManager::Register(TWinControl* Control, IZCLDropTarget* Target) {
  TZCLDropTargetHook* hook = FindHook(Control);
  if (!hook) hook = Create<TZCLDropTargetHook>(Control);
  IPtr<IZCLDropTargetHook> result(static_cast<IZCLDropTargetHook*>(hook));
  hook->AddTarget(Target);
  hook->SetRegistered(true);
  return result;
}

void TZCLDropTargetHookManager::Unregister(IZCLDropTargetHook* Hook, IZCLDropTarget* Target) {
  if (!Hook) return;
  IPtr<IZCLDropTargetHook> keep(Hook);
  auto* hook = dynamic_cast<TZCLDropTargetHook*>(Hook);
  if (!hook) return;
  hook->RemoveTarget(Target);
  // The window layer holds the hook while it is registered; a hook that serves nobody lets go
  // of that reference so that it is freed with the last component's.
  if (hook->GetTargetCount() == 0) hook->SetRegistered(false);
}

// ---- TZCLDropTargetHook ------------------------------------------------------------------------

TZCLDropTargetHook::TZCLDropTargetHook(TWinControl* AControl) : FControl(AControl) {
  FSavedWindowProc = FControl->WindowProc;
  FOwnWindowProc = TWndMethod(this, &TZCLDropTargetHook::WindowProc);
  FControl->WindowProc = FOwnWindowProc;
  TZCLDropTargetHookManager::Add(this);
}

TZCLDropTargetHook::~TZCLDropTargetHook() {
  SetRegistered(false);
  TZCLDropTargetHookManager::Remove(this);
  // Someone who subclassed the window after us keeps the chain they made.
  if (FControl->WindowProc == FOwnWindowProc) FControl->WindowProc = FSavedWindowProc;
  Free(FHintWindow);
}

void TZCLDropTargetHook::AddTarget(IZCLDropTarget* Target) {
  if (Target && std::find(FTargets.begin(), FTargets.end(), Target) == FTargets.end()) FTargets.push_back(Target);
}

void TZCLDropTargetHook::RemoveTarget(IZCLDropTarget* Target) {
  FTargets.erase(std::remove(FTargets.begin(), FTargets.end(), Target), FTargets.end());
  if (FCurrentTarget == Target) SetCurrentTarget(nullptr);
}

void TZCLDropTargetHook::WindowProc(TMessage& Message) {
  FSavedWindowProc(Message);
  if (Message.Msg == WM_CREATE)
    SetRegistered(!FTargets.empty());
  else if (Message.Msg == WM_DESTROY)
    SetRegistered(false);
}

void TZCLDropTargetHook::SetRegistered(bool Value) {
  if (Value == FRegistered) return;
  if (!FControl->HandleAllocated()) {
    FRegistered = false;
    return;
  }
  FRegistered = Value;
  if (Value)
    RegisterDragDrop(FControl->GetHandle(), this);
  else
    RevokeDragDrop(FControl->GetHandle());
}

IZCLDropTarget* TZCLDropTargetHook::TargetAt(TPoint P) const {
  for (auto it = FTargets.rbegin(); it != FTargets.rend(); ++it)
    if ((*it)->IsInTarget(P)) return *it;
  return nullptr;
}

void TZCLDropTargetHook::SetCurrentTarget(IZCLDropTarget* Value) {
  if (Value == FCurrentTarget) return;
  IZCLDropTarget* old = FCurrentTarget;
  FCurrentTarget = Value;
  if (old) old->DoLeave();
  if (Value) Value->DoEnter();
}

void TZCLDropTargetHook::DragOverCore(TShiftState Shift, TPoint P, bool& Allow, TZCLDropAction& Action) {
  String hint;
  SetCurrentTarget(TargetAt(P));
  if (FCurrentTarget) FCurrentTarget->DoOver(Shift, P, hint, Allow, Action);
  if (!FCurrentTarget || !Allow) {
    Allow = false;
    hint.clear();
  }
  ShowHint(hint);
}

void TZCLDropTargetHook::ShowHint(const String& Hint) {
  if (Hint.empty()) {
    Free(FHintWindow);
    FHintWindow = nullptr;
    return;
  }
  if (!FHintWindow) FHintWindow = Create<TZCLHintWindow>(static_cast<TComponent*>(nullptr));
  TPoint p;
  GetCursorPos(p);
  p.Offset(GetSystemMetrics(SM_CXCURSOR), GetSystemMetrics(SM_CYCURSOR));
  FHintWindow->ShowAtPoint(Hint, p);
}

HRESULT TZCLDropTargetHook::DragEnter(IDataObject* Data, DWORD KeyState, TPoint Point, DWORD* Effect) {
  FDataObject = IPtr<IDataObject>(Data);
  // The window layer asks again only when the mouse moves: the target agrees on entering.
  return DragOver(KeyState, Point, Effect);
}

HRESULT TZCLDropTargetHook::DragOver(DWORD KeyState, TPoint Point, DWORD* Effect) {
  const DWORD offered = Effect ? *Effect : 0;
  bool allow = offered != 0;
  TZCLDropAction action = DropEffectToAction(offered);
  DragOverCore(KeysToShiftState(KeyState), Point, allow, action);
  FAgreedAllow = allow;
  FAgreedAction = action;
  if (Effect) *Effect = allow ? DropActionToEffect(action) : DROPEFFECT_NONE;
  return S_OK;
}

HRESULT TZCLDropTargetHook::DragLeave() {
  Cleanup();
  return S_OK;
}

HRESULT TZCLDropTargetHook::Drop(IDataObject*, DWORD KeyState, TPoint Point, DWORD* Effect) {
  // The drop delivers what the last DragOver agreed, and tells the source exactly that effect,
  // so that a source never takes a copy for a move.
  const DWORD offered = Effect ? *Effect : 0;
  const DWORD agreed = DropActionToEffect(FAgreedAction);
  DWORD result = DROPEFFECT_NONE;
  if (FDataObject && offered != 0 && FAgreedAllow && (offered & agreed)) {
    ShowHint(String());
    if (FCurrentTarget) {
      FCurrentTarget->DoDrop(KeysToShiftState(KeyState), Point, FAgreedAction);
      result = agreed;
    }
  }
  if (Effect) *Effect = result;
  Cleanup();
  return S_OK;
}

void TZCLDropTargetHook::Cleanup() {
  ShowHint(String());
  SetCurrentTarget(nullptr);
  FDataObject.reset();
  FAgreedAllow = false;
  FAgreedAction = daCopy;
}

bool TZCLDropTargetHook::GetData(UINT Format, STGMEDIUM& Medium) {
  Medium = STGMEDIUM();
  if (!FDataObject) return false;
  if (FDataObject->GetData(MakeFormatEtc(Format), Medium) != S_OK) return false;
  if (Medium.tymed == TYMED_NULL) return false;
  return true;
}

bool TZCLDropTargetHook::HasData(UINT Format) {
  return FDataObject && FDataObject->QueryGetData(MakeFormatEtc(Format)) == S_OK;
}

void RegisterDropTargetClasses() {
  RegisterProperties<TZCLDropTargetOptions>();
  RegisterProperties<TZCLDropTarget>();
  RegisterClasses({TZCLDropTarget::StaticClass()});
}

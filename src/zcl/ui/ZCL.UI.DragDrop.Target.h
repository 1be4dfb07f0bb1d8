#pragma once
// Drop targets: non-visual components that accept drops on an area of a windowed control. One
// hook per window registers it with the window layer's drag and drop, follows the creation and
// destruction of its handle, routes each drag event to the component whose area is under the
// mouse, shows the component's hint beside the cursor and scrolls the window while the mouse
// rests near its top or bottom edge. Main thread only.

#include <vector>

#include "os/OS.DragDrop.h"
#include "rtl/RTL.Delegates.h"
#include "vcl/VCL.Controls.h"
#include "zcl/base/ZCL.Classes.h"

class TStringList;
class TStrings;
class TZCLIniFile;
class TZCLStringList;
class TZCLDropTarget;
class TZCLHintWindow;

enum TZCLDropAction : Byte { daCopy, daMove, daLink };

// The effect bit of an action (1, 2 or 4), and the action of an effect (exactly move or link,
// anything else copy).
DWORD DropActionToEffect(TZCLDropAction Action);
TZCLDropAction DropEffectToAction(DWORD Effect);

class TZCLDropTargetOptions : public TPersistent {
  ZCL_CLASS(TZCLDropTargetOptions, TPersistent)
 public:
  TZCLDropTargetOptions();
  ~TZCLDropTargetOptions() override;
  static void DeclareProperties(TClassDeclaration<TZCLDropTargetOptions>& D);
  void Assign(TPersistent* Source) override;

  // URLs may stand among dropped files, and dropped text of URLs counts as files.
  bool GetAllowURLsInFiles() const { return FAllowURLsInFiles; }
  void SetAllowURLsInFiles(bool Value) { FAllowURLsInFiles = Value; }
  // Shell links among dropped files are replaced by their targets.
  bool GetExpandShortcuts() const { return FExpandShortcuts; }
  void SetExpandShortcuts(bool Value) { FExpandShortcuts = Value; }
  TStringList* GetMimeTypes() const { return FMimeTypes; }
  void SetMimeTypes(TStringList* Value);

 private:
  bool FAllowURLsInFiles = true;
  bool FExpandShortcuts = true;
  TStringList* FMimeTypes;
};

// P is in the target's client coordinates.
using TZCLDropTargetDropEvent =
    TDelegate<void(TZCLDropTarget* Sender, TShiftState Shift, TPoint P, TZCLDropAction Action)>;
using TZCLDropTargetOverEvent = TDelegate<void(TZCLDropTarget* Sender, TShiftState Shift, TPoint P, String& Hint,
                                               bool& Allow, TZCLDropAction& Action)>;
using TZCLDropTargetScrollEvent =
    TDelegate<void(TObject* Sender, TPoint P, Integer Lines, TMouseWheelDirection Direction, bool& AHandled)>;

// What a hook asks of the components it serves; points are in screen coordinates.
struct IZCLDropTarget : virtual IInterface {
  RTL_INTERFACE(IZCLDropTarget, IInterface, "{B57F63C7-8228-45FC-80DB-065E5FFC8F3A}")
  virtual void DoDrop(TShiftState Shift, TPoint P, TZCLDropAction Action) = 0;
  virtual void DoEnter() = 0;
  virtual void DoLeave() = 0;
  virtual void DoOver(TShiftState Shift, TPoint P, String& Hint, bool& Allow, TZCLDropAction& Action) = 0;
  virtual bool IsInTarget(TPoint P) = 0;
  virtual TStrings* GetMimeTypes() = 0;
};

// The data of the running drag, as the components read it.
struct IZCLDropTargetHook : virtual IInterface {
  RTL_INTERFACE(IZCLDropTargetHook, IInterface, "{D0B4CD71-C793-468C-895E-0DAC648D8AD6}")
  // The medium is the caller's to release when the result is true.
  virtual bool GetData(UINT Format, STGMEDIUM& Medium) = 0;
  virtual bool HasData(UINT Format) = 0;
};

class TZCLDropTarget : public TZCLComponent, public IZCLDropTarget {
  ZCL_CLASS(TZCLDropTarget, TZCLComponent)
  RTL_INTERFACES(TZCLComponent, IZCLDropTarget)
 public:
  explicit TZCLDropTarget(TComponent* AOwner);
  ~TZCLDropTarget() override;
  static void DeclareProperties(TClassDeclaration<TZCLDropTarget>& D);
  void BeforeDestruction() override;

  TWinControl* GetTarget() const { return FTarget; }
  void SetTarget(TWinControl* Value);
  TZCLDropTargetOptions* GetOptions() const { return FOptions; }
  void SetOptions(TZCLDropTargetOptions* Value) { FOptions->Assign(Value); }
  // A drag is over this component's area.
  bool GetIsActive() const { return FIsActive; }

  // Reading the drop, between entering and dropping (inside OnOver and OnDrop). False, with
  // empty outputs, for a format the drag does not carry.
  bool GetData(UINT Format, STGMEDIUM& Medium);
  bool GetText(UINT Format, String& Text);
  // Unicode text, else ANSI text.
  bool GetText(String& Text);
  // The program's configuration format as a new in-memory INI file (the caller's).
  bool GetConfig(TZCLIniFile*& Ini);
  // The dropped files (URI list or file list, then shell item lists, then text of URLs) into
  // List, after the options' URL and shortcut rules.
  bool GetFiles(TZCLStringList* List);

  TZCLDropTargetDropEvent OnDrop;
  TNotifyEvent OnEnter;
  TNotifyEvent OnLeave;
  TZCLDropTargetOverEvent OnOver;
  TZCLDropTargetScrollEvent OnScroll;

  // IZCLDropTarget
  void DoDrop(TShiftState Shift, TPoint P, TZCLDropAction Action) override;
  void DoEnter() override;
  void DoLeave() override;
  void DoOver(TShiftState Shift, TPoint P, String& Hint, bool& Allow, TZCLDropAction& Action) override;
  bool IsInTarget(TPoint P) override;
  TStrings* GetMimeTypes() override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual TRect GetTargetClientRect();
  virtual TPoint ScreenToClient(TPoint P);
  // Lines WM_VSCROLL messages to Target unless OnScroll handles them.
  virtual void DoScroll(Integer Lines, TMouseWheelDirection Direction, TPoint P);
  // Scrolls while the client point C rests in the top or bottom zone (24 px at 96 DPI): every
  // 300 ms in the inner half of the zone, every 75 ms in the outer half.
  void CheckAutoScroll(TPoint C);

 private:
  void ProcessFiles(TZCLStringList* List);

  TWinControl* FTarget = nullptr;
  TZCLDropTargetOptions* FOptions;
  IPtr<IZCLDropTargetHook> FHook;
  DWORD FLastScrollTick = 0;
  bool FIsActive = false;
};

// The hook of one window: the window layer's drop target for it.
class TZCLDropTargetHook : public TInterfacedObject, public IZCLDropTargetHook, public IDropTarget {
  ZCL_CLASS(TZCLDropTargetHook, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZCLDropTargetHook, IDropTarget)
 public:
  explicit TZCLDropTargetHook(TWinControl* AControl);
  ~TZCLDropTargetHook() override;

  TWinControl* GetControl() const { return FControl; }
  bool GetRegistered() const { return FRegistered; }
  void AddTarget(IZCLDropTarget* Target);
  // The current target, when it is Target, is left first.
  void RemoveTarget(IZCLDropTarget* Target);
  Integer GetTargetCount() const { return static_cast<Integer>(FTargets.size()); }
  IZCLDropTarget* GetCurrentTarget() const { return FCurrentTarget; }
  TZCLHintWindow* GetHintWindow() const { return FHintWindow; }
  // Switches the window layer's registration; without a handle it stays off.
  void SetRegistered(bool Value);

  // IZCLDropTargetHook
  bool GetData(UINT Format, STGMEDIUM& Medium) override;
  bool HasData(UINT Format) override;

  // IDropTarget
  HRESULT DragEnter(IDataObject* Data, DWORD KeyState, TPoint Point, DWORD* Effect) override;
  HRESULT DragOver(DWORD KeyState, TPoint Point, DWORD* Effect) override;
  HRESULT DragLeave() override;
  HRESULT Drop(IDataObject* Data, DWORD KeyState, TPoint Point, DWORD* Effect) override;

 protected:
  virtual void WindowProc(TMessage& Message);

 private:
  IZCLDropTarget* TargetAt(TPoint P) const;
  void SetCurrentTarget(IZCLDropTarget* Value);
  void DragOverCore(TShiftState Shift, TPoint P, bool& Allow, TZCLDropAction& Action);
  void ShowHint(const String& Hint);
  void Cleanup();

  TWinControl* FControl;
  TWndMethod FSavedWindowProc;
  TWndMethod FOwnWindowProc;
  IZCLDropTarget* FCurrentTarget = nullptr;
  std::vector<IZCLDropTarget*> FTargets;
  TZCLHintWindow* FHintWindow = nullptr;
  IPtr<IDataObject> FDataObject;
  bool FRegistered = false;
  // What the last DragOver agreed with the target: a drop delivers exactly this.
  bool FAgreedAllow = false;
  TZCLDropAction FAgreedAction = daCopy;
};

class TZCLDropTargetHookManager {
 public:
  TZCLDropTargetHookManager() = delete;
  // The control's hook (made when it has none), with Target added and registration on.
  static IPtr<IZCLDropTargetHook> Register(TWinControl* Control, IZCLDropTarget* Target);
  static void Unregister(IZCLDropTargetHook* Hook, IZCLDropTarget* Target);
  static TZCLDropTargetHook* FindHook(TWinControl* Control);

 private:
  friend class TZCLDropTargetHook;
  static void Add(TZCLDropTargetHook* Hook);
  static void Remove(TZCLDropTargetHook* Hook);
};

// Registers the published properties and the component class (unit initialisation).
void RegisterDropTargetClasses();

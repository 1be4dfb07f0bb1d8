#pragma once
// The compound-control engine: a non-visual sub-class that owns a tree of view infos, a hit
// test, a drag-and-drop controller and a hint controller, gathers change flags under update
// locks and applies them in one pass, and turns the input its host forwards into hover, press,
// check and expand handling. Its host answers IZCLCompoundControlSubClassContainer.

#include <map>
#include <vector>

#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.UI.DragDrop.Source.h"
#include "zcl/ui/ZCL.UI.HintWindow.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"

class TZCLCompoundControlCustomViewInfo;
class TZCLCompoundControlDragAndDropController;
class TZCLCompoundControlDragObject;
class TZCLCompoundControlSubClass;
class TZCLDropSource;
class TZCLStyleScrollBox;

// Change flags of the compound-control layer; descendants add higher bits.
inline constexpr Cardinal ChangeContent = 1;
inline constexpr Cardinal ChangeLayout = 2;
inline constexpr Cardinal ChangeSize = 4;
inline constexpr Cardinal ChangeStruct = 8;
using TZCLCompoundControlChanges = Cardinal;

// Hit flags set by this layer.
inline constexpr Integer HitFlagCheckBox = 1;
inline constexpr Integer HitFlagExpandButton = 2;
inline constexpr Integer HitFlagScrollBar = 4;

class TZCLHitTestInfo : public TZCLUnknownObject {
  ZCL_CLASS(TZCLHitTestInfo, TZCLUnknownObject)
 public:
  TZCLHitTestInfo() { Reset(); }
  // The drag object of the hit object, else of the view info under "ViewInfo"; null when none.
  virtual TZCLCompoundControlDragObject* CreateDragObject();
  virtual void Reset();

  bool GetHitObjectFlag(Integer Flag) const;
  void SetHitObjectFlag(Integer Flag, bool On);
  TObject* GetHitObjectData(const String& Key) const;
  void SetHitObjectData(const String& Key, TObject* Object);

  TCursor Cursor = crDefault;
  TObject* HitObject = nullptr;
  TPoint HitPoint;
  TZCLHintData HintData;

 private:
  std::map<String, TObject*> FData;
  std::vector<Integer> FFlags;
};

struct IZCLCheckableObject : virtual IInterface {
  RTL_INTERFACE(IZCLCheckableObject, IInterface, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7201}")
  virtual bool CanCheck() = 0;
  virtual bool GetChecked() = 0;
  virtual void SetChecked(bool Value) = 0;
};

struct IZCLExpandableObject : virtual IInterface {
  RTL_INTERFACE(IZCLExpandableObject, IInterface, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7202}")
  virtual bool CanToggle() = 0;
  virtual bool GetExpanded() = 0;
  virtual void SetExpanded(bool Value) = 0;
};

struct IZCLSelectableObject : virtual IInterface {
  RTL_INTERFACE(IZCLSelectableObject, IInterface, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7203}")
  virtual bool GetSelected() = 0;
  virtual void SetSelected(bool Value) = 0;
};

// Action: 0 the pointer entered, 1 it left, 2 it moved to another sub part of the same object.
struct IZCLHotTrackObject : virtual IInterface {
  RTL_INTERFACE(IZCLHotTrackObject, IInterface, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7204}")
  virtual void UpdateHotTrack(Integer Action) = 0;
};

struct IZCLPressableObject : virtual IInterface {
  RTL_INTERFACE(IZCLPressableObject, IInterface, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7205}")
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, TZCLHitTestInfo* HitTest) = 0;
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, TZCLHitTestInfo* HitTest) = 0;
};

struct IZCLDraggableObject : virtual IInterface {
  RTL_INTERFACE(IZCLDraggableObject, IInterface, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7206}")
  virtual TZCLCompoundControlDragObject* CreateDragObject(TZCLHitTestInfo* HitTest) = 0;
};

struct IZCLClickableObject : virtual IInterface {
  RTL_INTERFACE(IZCLClickableObject, IInterface, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7207}")
  virtual void Click(TZCLHitTestInfo* HitTest) = 0;
};

// What the sub-class needs of the window that hosts it.
struct IZCLCompoundControlSubClassContainer : IZCLControl {
  RTL_INTERFACE(IZCLCompoundControlSubClassContainer, IZCLControl, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7208}")
  virtual bool ContainerCanFocus() = 0;
  virtual TWinControl* ContainerGetControl() = 0;
  virtual bool ContainerFocused() = 0;
  virtual TFont* ContainerGetFont() = 0;
  virtual bool ContainerGetMouseCapture() = 0;
  virtual void ContainerSetFocus() = 0;
  virtual void ContainerSetMouseCapture(bool Value) = 0;
  virtual void ContainerUpdateCursor() = 0;
};

class TZCLCompoundControlHintController : public TZCLHintController {
  ZCL_CLASS(TZCLCompoundControlHintController, TZCLHintController)
 public:
  explicit TZCLCompoundControlHintController(TZCLCompoundControlSubClass* ASubClass);
  void Update(TZCLHitTestInfo* HitTest);

 protected:
  TZCLHintWindow* CreateHintWindow(TObject* HintObject, const TZCLHintData& HintData) override;
  TControl* GetOwnerControl(TObject*, const TZCLHintData&) override;

 private:
  TZCLCompoundControlSubClass* FSubClass;
};

using TZCLGetCursorEvent = TDelegate<void(TObject* Sender, TZCLHitTestInfo* AHitTestInfo)>;
using TZCLDropSourceStartEvent = TDelegate<void(TObject* Sender, bool& AHandled, TZCLDropSourceActions& AAllowAction)>;
using TZCLDropSourceDataEvent = TDelegate<void(TObject* Sender, TZCLDropSource* ASource)>;
using TZCLDropSourceFinishEvent = TDelegate<void(TObject* Sender, bool Canceled, TShiftState Shift)>;

class TZCLCompoundControlSubClass : public TComponent,
                                    public IZCLCurrentDpi,
                                    public IZCLResourceCollection,
                                    public IZCLResourceChangeListener {
  ZCL_CLASS(TZCLCompoundControlSubClass, TComponent)
 public:
  // Raises Exception when AOwner does not answer IZCLCompoundControlSubClassContainer.
  explicit TZCLCompoundControlSubClass(TComponent* AOwner);
  ~TZCLCompoundControlSubClass() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  void BeginUpdate();
  void EndUpdate();
  bool IsUpdateLocked() const { return FLockCount > 0; }
  virtual void Changed(TZCLCompoundControlChanges Flags);
  void FullRefresh() { Changed(GetFullRefreshChanges()); }
  void RecreateViewInfo();
  void BeginLongOperation();
  void EndLongOperation();
  void SetBounds(const TRect& R);
  void SetEnabled(bool Value);
  void Draw(TCanvas* Canvas);
  void Invalidate() { InvalidateRect(FBounds); }
  void RepaintNow();

  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  void MouseMove(TShiftState Shift, Integer X, Integer Y);
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  void MouseLeave();
  void MouseWheel(TMouseWheelDirection Direction, TShiftState Shift);
  void KeyDown(Word& Key, TShiftState Shift);
  void KeyPress(Char& Key);
  void KeyUp(Word& Key, TShiftState Shift);
  void ContextPopup(const TPoint& P, bool& Handled);
  TCursor GetCursor(const TPoint& P);

  virtual void UpdateHitTest(const TPoint& P);
  void UpdateHitTest(Integer X, Integer Y) { UpdateHitTest(TPoint(X, Y)); }
  void UpdateHitTestAtCursor();
  void SetHoveredObject(TObject* Object, TObject* SubPart);
  TZCLButtonState CalculateState(TObject* Object, TObject* SubPart = nullptr);
  void ToggleChecked(TObject* Object);
  void ToggleExpanded(TObject* Object);

  TPoint ClientToScreen(const TPoint& P) { return FContainer->ControlClientToScreen(P); }
  TPoint ScreenToClient(const TPoint& P) { return FContainer->ControlScreenToClient(P); }
  TRect ClientToScreenRect(const TRect& R);
  TFont* GetFont() { return FContainer->ContainerGetFont(); }
  bool GetMouseCapture() { return FContainer->ContainerGetMouseCapture(); }
  void SetMouseCapture(bool Value) { FContainer->ContainerSetMouseCapture(Value); }
  void UpdateCursor() { FContainer->ContainerUpdateCursor(); }
  virtual bool IsFocused();
  virtual void InvalidateRect(const TRect& R);
  virtual void SetTargetDPI(Integer DPI);
  virtual bool CalculateAutoSize(Integer& Width, Integer& Height) { return false; }
  virtual void Localize(const String&) {}
  virtual bool WantSpecialKey(Word, TShiftState) { return false; }
  virtual void ProcessGesture(const TGestureEventInfo&, bool&) {}
  virtual void ScrollHorizontally(TScrollCode) {}
  virtual void ScrollVertically(TScrollCode) {}
  virtual void BoundsChanged() { Changed(ChangeSize); }
  virtual void FocusChanged() { Changed(ChangeContent); }
  virtual void ResourceChanged() { FullRefresh(); }

  // IZCLCurrentDpi
  Integer GetCurrentDpi() override;
  // IZCLResourceCollection
  TZCLCustomResourceCollection* GetCollection() override;
  // IZCLResourceChangeListener
  void ResourceChanged(TObject*, TZCLResource*) override { ResourceChanged(); }

  Byte GetCurrentAction() const { return FCurrentAction; }
  const TRect& GetBounds() const { return FBounds; }
  IZCLCompoundControlSubClassContainer* GetContainer() const { return FContainer; }
  TZCLCompoundControlDragAndDropController* GetDragAndDropController() const { return FDragAndDropController; }
  bool GetEnabled() const { return FEnabled; }
  TZCLCompoundControlHintController* GetHintController() const { return FHintController; }
  TZCLHitTestInfo* GetHitTest() const { return FHitTest; }
  TObject* GetHoveredObject() const { return FHoveredObject; }
  TObject* GetHoveredObjectSubPart() const { return FHoveredObjectSubPart; }
  TObject* GetPressedObject() const { return FPressedObject; }
  void SetPressedObject(TObject* Value) { FPressedObject = Value; }
  Integer GetLongOperationCount() const { return FLongOperationCount; }
  TZCLCompoundControlChanges GetPendingChanges() const { return FPendingChanges; }
  TZCLCompoundControlCustomViewInfo* GetViewInfo() const { return FViewInfo; }
  TZCLStyleHint* GetStyleHint() const { return FStyleHint; }
  void SetStyleHint(TZCLStyleHint* Value);
  TZCLStyleScrollBox* GetStyleScrollBox() const { return FStyleScrollBox; }
  void SetStyleScrollBox(TZCLStyleScrollBox* Value);
  bool GetMouseDownConsumed() const { return FMouseDownConsumed; }

  TNotifyEvent OnCalculated;
  TZCLDropSourceDataEvent OnDropSourceData;
  TZCLDropSourceFinishEvent OnDropSourceFinish;
  TZCLDropSourceStartEvent OnDropSourceStart;
  TZCLGetCursorEvent OnGetCursor;
  TNotifyEvent OnUpdateState;

  virtual void ResetHoveredObject() { SetHoveredObject(nullptr, nullptr); }
  virtual bool DoDropSourceStart(TZCLDropSourceActions& AllowedActions);
  virtual void DoDropSourceFinish(bool Canceled, TShiftState Shift);
  virtual void DoDropSourceData(TZCLDropSource* Source);
  virtual TZCLCompoundControlChanges GetFullRefreshChanges() { return 15; }

 protected:
  virtual TZCLCompoundControlDragAndDropController* CreateDragAndDropController();
  virtual TZCLCompoundControlHintController* CreateHintController();
  virtual TZCLHitTestInfo* CreateHitTest();
  virtual TZCLStyleScrollBox* CreateStyleScrollBox();
  virtual TZCLCompoundControlCustomViewInfo* CreateViewInfo() = 0;
  virtual void ProcessChanges(TZCLCompoundControlChanges Flags);
  virtual void ProcessKeyDown(Word&, TShiftState) {}
  virtual void ProcessKeyPress(Char&) {}
  virtual void ProcessKeyUp(Word&, TShiftState) {}
  virtual void ProcessContextPopup(bool&) {}
  virtual void ProcessMouseClick(TMouseButton Button, TShiftState Shift);
  virtual void ProcessMouseDblClick(TMouseButton Button, TShiftState Shift);
  virtual void ProcessMouseDown(TMouseButton Button, TShiftState Shift);
  virtual void ProcessMouseLeave() {}
  virtual void ProcessMouseMove(TShiftState Shift, Integer X, Integer Y);
  virtual void ProcessMouseUp(TMouseButton Button, TShiftState Shift);
  virtual void ProcessMouseWheel(TMouseWheelDirection, TShiftState) {}
  virtual void DoGetCursor(TZCLHitTestInfo* HitTest);
  virtual void HoveredObjectChanged() {}
  void SimulateMouseMove();

  TZCLCompoundControlCustomViewInfo* FViewInfo = nullptr;

 private:
  struct TActionScope;
  Byte FCurrentAction = 0;
  TRect FBounds;
  IZCLCompoundControlSubClassContainer* FContainer = nullptr;
  TZCLCompoundControlDragAndDropController* FDragAndDropController = nullptr;
  bool FEnabled = true;
  TZCLCompoundControlHintController* FHintController = nullptr;
  TZCLHitTestInfo* FHitTest = nullptr;
  TObject* FHoveredObject = nullptr;
  TObject* FHoveredObjectSubPart = nullptr;
  Integer FLockCount = 0;
  Integer FLongOperationCount = 0;
  TObject* FPressedObject = nullptr;
  bool FMouseDownConsumed = false;
  bool FDestroying = false;
  TZCLStyleHint* FStyleHint = nullptr;
  TZCLStyleScrollBox* FStyleScrollBox = nullptr;
  TZCLCompoundControlChanges FPendingChanges = 0;
};

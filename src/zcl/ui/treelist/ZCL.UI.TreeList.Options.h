#pragma once
// The option objects of a tree list: each stores its values, copies them in Assign and tells
// the tree list which part must be refreshed when a value changes.

#include "zcl/ui/controls/ZCL.UI.Controls.IncrementalSearch.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.SubClass.h"

class TChangeLink;
class TCustomImageList;

struct IZCLTreeListOptionsListener : virtual IInterface {
  RTL_INTERFACE(IZCLTreeListOptionsListener, IInterface, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7501}")
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  virtual void Changed(Cardinal Flags) = 0;
  virtual void FullRefresh() = 0;
  virtual void ReloadData() = 0;
  virtual void SelectNone() = 0;
};

enum TZCLTreeListEditingStartingMode : Byte { esmOnDoubleClick, esmOnSingleClick };
ZCL_ENUM(TZCLTreeListEditingStartingMode, esmOnDoubleClick, esmOnSingleClick);
enum TZCLTreeListSortingMode : Byte { tlsmDisabled, tlsmSingle, tlsmMulti };
ZCL_ENUM(TZCLTreeListSortingMode, tlsmDisabled, tlsmSingle, tlsmMulti);
enum TZCLTreeListGridLine : Byte { tlglVertical, tlglHorzontal };
ZCL_ENUM(TZCLTreeListGridLine, tlglVertical, tlglHorzontal);
using TZCLTreeListGridLines = TSet<TZCLTreeListGridLine>;

class TZCLTreeListCustomOptions : public TZCLCustomOptionsPersistent {
  ZCL_CLASS(TZCLTreeListCustomOptions, TZCLCustomOptionsPersistent)
 public:
  using TCreateSignature = void(IZCLTreeListOptionsListener* AListener);
  explicit TZCLTreeListCustomOptions(IZCLTreeListOptionsListener* AListener) : FListener(AListener) {}
  IZCLTreeListOptionsListener* GetListener() const { return FListener; }

  // Change kinds gathered under the lock, turned into tree list flags.
  static constexpr TZCLPersistentChanges KindContent = 1;
  static constexpr TZCLPersistentChanges KindSize = 2;
  static constexpr TZCLPersistentChanges KindStruct = 4;

 protected:
  void DoChanged(TZCLPersistentChanges Changes) override;

  IZCLTreeListOptionsListener* FListener;
};

class TZCLTreeListCustomOptionsImage : public TZCLTreeListCustomOptions, public IZCLObjectRemoveNotify {
  ZCL_CLASS(TZCLTreeListCustomOptionsImage, TZCLTreeListCustomOptions)
  RTL_INTERFACES(TZCLTreeListCustomOptions, IZCLObjectRemoveNotify)
 public:
  explicit TZCLTreeListCustomOptionsImage(IZCLTreeListOptionsListener* AListener);
  ~TZCLTreeListCustomOptionsImage() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLTreeListCustomOptionsImage>& D);
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  void OnRemove(TObject* Object) override;

 protected:
  void DoAssign(TPersistent* Source) override;

 private:
  void ImagesChanged(TObject*) { Changed(KindSize | KindContent); }
  TCustomImageList* FImages = nullptr;
  TChangeLink* FChangeLink;
};

#define ZCL_OPTION_BOOL(Name, Field, Change) \
  bool Get##Name() const { return Field; }   \
  void Set##Name(bool Value) { SetBooleanField(Field, Value, Change); }

class TZCLTreeListOptionsBehavior : public TZCLTreeListCustomOptions {
  ZCL_CLASS(TZCLTreeListOptionsBehavior, TZCLTreeListCustomOptions)
 public:
  using TZCLTreeListCustomOptions::TZCLTreeListCustomOptions;
  static void DeclareProperties(TClassDeclaration<TZCLTreeListOptionsBehavior>& D);

  ZCL_OPTION_BOOL(AllowDefocus, FAllowDefocus, 0)
  ZCL_OPTION_BOOL(AutoBestFit, FAutoBestFit, KindSize)
  ZCL_OPTION_BOOL(AutoCheckChildren, FAutoCheckChildren, KindContent)
  ZCL_OPTION_BOOL(AutoCheckParents, FAutoCheckParents, KindContent)
  ZCL_OPTION_BOOL(CellHints, FCellHints, 0)
  ZCL_OPTION_BOOL(Deleting, FDeleting, 0)
  ZCL_OPTION_BOOL(DragSorting, FDragSorting, 0)
  ZCL_OPTION_BOOL(DragSortingAllowChangeLevel, FDragSortingAllowChangeLevel, 0)
  ZCL_OPTION_BOOL(DropSource, FDropSource, 0)
  ZCL_OPTION_BOOL(DropTargetAllowCreateLevel, FDropTargetAllowCreateLevel, 0)
  ZCL_OPTION_BOOL(Editing, FEditing, 0)
  ZCL_OPTION_BOOL(HotTrack, FHotTrack, KindContent)
  ZCL_OPTION_BOOL(SortingUseMultithreading, FSortingUseMultithreading, 0)
  bool GetDropTarget() const { return FDropTarget; }
  void SetDropTarget(bool Value) { SetDirect(FDropTarget, Value, 0x8000); }
  bool GetGroups() const { return FGroups; }
  void SetGroups(bool Value) { SetDirect(FGroups, Value, 0x80); }
  bool GetGroupsAllowCollapse() const { return FGroupsAllowCollapse; }
  void SetGroupsAllowCollapse(bool Value);
  bool GetGroupsFocus() const { return FGroupsFocus; }
  void SetGroupsFocus(bool Value) { SetDirect(FGroupsFocus, Value, 0x10000); }
  bool GetGroupsFocusOnClick() const { return FGroupsFocusOnClick; }
  void SetGroupsFocusOnClick(bool Value) { SetDirect(FGroupsFocusOnClick, Value, 0x10000); }
  TZCLTreeListEditingStartingMode GetEditingStartingMode() const { return FEditingStartingMode; }
  void SetEditingStartingMode(TZCLTreeListEditingStartingMode Value) { FEditingStartingMode = Value; }
  Integer GetIncSearchColumnIndex() const { return FIncSearchColumnIndex; }
  void SetIncSearchColumnIndex(Integer Value);
  TZCLIncrementalSearchMode GetIncSearchMode() const { return FIncSearchMode; }
  void SetIncSearchMode(TZCLIncrementalSearchMode Value);
  Integer GetMouseWheelScrollLines() const { return FMouseWheelScrollLines; }
  void SetMouseWheelScrollLines(Integer Value) { FMouseWheelScrollLines = Value; }
  TZCLTreeListSortingMode GetSortingMode() const { return FSortingMode; }
  void SetSortingMode(TZCLTreeListSortingMode Value);

 protected:
  void DoAssign(TPersistent* Source) override;

 private:
  void SetDirect(bool& Field, bool Value, Cardinal Flags);
  bool FAllowDefocus = true;
  bool FAutoBestFit = false;
  bool FAutoCheckChildren = false;
  bool FAutoCheckParents = false;
  bool FCellHints = true;
  bool FDeleting = false;
  bool FDragSorting = false;
  bool FDragSortingAllowChangeLevel = false;
  bool FDropSource = false;
  bool FDropTarget = false;
  bool FDropTargetAllowCreateLevel = false;
  bool FEditing = false;
  TZCLTreeListEditingStartingMode FEditingStartingMode = esmOnDoubleClick;
  bool FGroups = false;
  bool FGroupsAllowCollapse = false;
  bool FGroupsFocus = true;
  bool FGroupsFocusOnClick = false;
  bool FHotTrack = false;
  Integer FIncSearchColumnIndex = -1;
  TZCLIncrementalSearchMode FIncSearchMode = ismSearch;
  Integer FMouseWheelScrollLines = 0;
  TZCLTreeListSortingMode FSortingMode = tlsmMulti;
  bool FSortingUseMultithreading = true;
};

class TZCLTreeListOptionsCustomizing : public TZCLTreeListCustomOptions {
  ZCL_CLASS(TZCLTreeListOptionsCustomizing, TZCLTreeListCustomOptions)
 public:
  using TZCLTreeListCustomOptions::TZCLTreeListCustomOptions;
  static void DeclareProperties(TClassDeclaration<TZCLTreeListOptionsCustomizing>& D);
  ZCL_OPTION_BOOL(ColumnOrder, FColumnOrder, 0)
  ZCL_OPTION_BOOL(ColumnVisibility, FColumnVisibility, 0)
  ZCL_OPTION_BOOL(ColumnWidth, FColumnWidth, 0)

 protected:
  void DoAssign(TPersistent* Source) override;

 private:
  bool FColumnOrder = false;
  bool FColumnVisibility = false;
  bool FColumnWidth = true;
};

class TZCLTreeListOptionsSelection : public TZCLTreeListCustomOptions {
  ZCL_CLASS(TZCLTreeListOptionsSelection, TZCLTreeListCustomOptions)
 public:
  using TZCLTreeListCustomOptions::TZCLTreeListCustomOptions;
  static void DeclareProperties(TClassDeclaration<TZCLTreeListOptionsSelection>& D);
  ZCL_OPTION_BOOL(FocusCell, FFocusCell, KindStruct)
  bool GetMultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);

 protected:
  void DoAssign(TPersistent* Source) override;

 private:
  bool FFocusCell = false;
  bool FMultiSelect = false;
};

class TZCLTreeListOptionsViewColumns : public TZCLTreeListCustomOptionsImage {
  ZCL_CLASS(TZCLTreeListOptionsViewColumns, TZCLTreeListCustomOptionsImage)
 public:
  using TZCLTreeListCustomOptionsImage::TZCLTreeListCustomOptionsImage;
  static void DeclareProperties(TClassDeclaration<TZCLTreeListOptionsViewColumns>& D);
  ZCL_OPTION_BOOL(AutoWidth, FAutoWidth, KindSize)
  ZCL_OPTION_BOOL(Visible, FVisible, KindStruct)
  Integer GetHeight() const { return FHeight; }
  // Values of 5 or less become 5: 0 (measured) is only the initial value.
  void SetHeight(Integer Value) { SetIntegerField(FHeight, Value <= 5 ? 5 : Value, KindSize); }

 protected:
  void DoAssign(TPersistent* Source) override;

 private:
  bool FAutoWidth = false;
  Integer FHeight = 0;
  bool FVisible = true;
};

class TZCLTreeListOptionsViewNodes : public TZCLTreeListCustomOptionsImage {
  ZCL_CLASS(TZCLTreeListOptionsViewNodes, TZCLTreeListCustomOptionsImage)
 public:
  using TZCLTreeListCustomOptionsImage::TZCLTreeListCustomOptionsImage;
  static void DeclareProperties(TClassDeclaration<TZCLTreeListOptionsViewNodes>& D);
  TZCLTreeListGridLines GetGridLines() const { return FGridLines; }
  void SetGridLines(TZCLTreeListGridLines Value);
  Integer GetHeight() const { return FHeight; }
  void SetHeight(Integer Value) { SetIntegerField(FHeight, Value < 0 ? 0 : Value, KindSize); }
  TAlignment GetImageAlignment() const { return FImageAlignment; }
  void SetImageAlignment(TAlignment Value);

 protected:
  void DoAssign(TPersistent* Source) override;

 private:
  TZCLTreeListGridLines FGridLines{tlglVertical, tlglHorzontal};
  Integer FHeight = 0;
  TAlignment FImageAlignment = taLeftJustify;
};

class TZCLTreeListOptionsView : public TZCLTreeListCustomOptions {
  ZCL_CLASS(TZCLTreeListOptionsView, TZCLTreeListCustomOptions)
 public:
  explicit TZCLTreeListOptionsView(IZCLTreeListOptionsListener* AListener);
  ~TZCLTreeListOptionsView() override;
  static void DeclareProperties(TClassDeclaration<TZCLTreeListOptionsView>& D);
  TZCLBorders GetBorders() const { return FBorders; }
  void SetBorders(TZCLBorders Value);
  ZCL_OPTION_BOOL(CheckBoxes, FCheckBoxes, KindSize)
  TZCLTreeListOptionsViewColumns* GetColumns() const { return FColumns; }
  void SetColumns(TZCLTreeListOptionsViewColumns* Value) { FColumns->Assign(Value); }
  Integer GetGroupHeight() const { return FGroupHeight; }
  void SetGroupHeight(Integer Value) { FGroupHeight = Value; }
  TZCLTreeListOptionsViewNodes* GetNodes() const { return FNodes; }
  void SetNodes(TZCLTreeListOptionsViewNodes* Value) { FNodes->Assign(Value); }

 protected:
  virtual TZCLTreeListOptionsViewColumns* CreateColumns();
  virtual TZCLTreeListOptionsViewNodes* CreateNodes();
  void DoAssign(TPersistent* Source) override;

 private:
  TZCLBorders FBorders{mLeft, mTop, mRight, mBottom};
  bool FCheckBoxes = false;
  TZCLTreeListOptionsViewColumns* FColumns;
  Integer FGroupHeight = 0;
  TZCLTreeListOptionsViewNodes* FNodes;
};

#undef ZCL_OPTION_BOOL

void RegisterTreeListOptionsClasses();

#pragma once
// The view layer of the tree list: its style, and the view infos that measure, lay out, draw and
// hit-test the border, the column bar and the rows (group headers and nodes, flyweight cells
// that share one group view info and one node view info).

#include "zcl/ui/treelist/ZCL.UI.CompoundControl.ScrollBars.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Columns.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Options.h"

class TZCLStyleEdit;
class TZCLStyleEditButton;
class TZCLTreeListContentViewInfo;
class TZCLTreeListEditingController;
class TZCLTreeListNodeViewInfo;
class TZCLTreeListSorter;
class TZCLTreeListSubClass;
class TZCLPopupMenu;
class TZCLStylePopupMenu;
struct TZCLInplaceInfo;

using TZCLTreeListCompareEvent =
    TDelegate<void(TObject* Sender, TZCLTreeListNode* ALeft, TZCLTreeListNode* ARight, Integer& AResult)>;
using TZCLTreeListColumnClickEvent = TDelegate<void(TObject* Sender, Integer AIndex, bool& AHandled)>;
using TZCLTreeListConfirmationEvent = TDelegate<void(TObject* Sender, bool& AAllow)>;
using TZCLTreeListGetNodeClassEvent = TDelegate<void(TObject* Sender, TClass& AClass)>;
using TZCLTreeListGetNodeGroupEvent = TDelegate<void(TObject* Sender, TZCLTreeListNode* ANode, String& AGroupName)>;
using TZCLTreeListNodeEvent = TDelegate<void(TObject* Sender, TZCLTreeListNode* ANode)>;
using TZCLTreeListGetNodeBackgroundEvent =
    TDelegate<void(TObject* Sender, TZCLTreeListNode* ANode, TAlphaColor& AColor)>;
using TZCLTreeListEditCreateEvent =
    TDelegate<TComponent*(TObject* Sender, const TZCLInplaceInfo& AParams, bool& AHandled)>;
using TZCLTreeListEditedEvent = TDelegate<void(TObject* Sender, Integer AColumnIndex, Integer ARowIndex)>;
using TZCLTreeListEditingEvent =
    TDelegate<void(TObject* Sender, Integer AColumnIndex, Integer ARowIndex, String& AValue)>;
using TZCLTreeListEditInitializeEvent =
    TDelegate<void(TObject* Sender, const TZCLInplaceInfo& AParams, TComponent* AEdit)>;

class TZCLTreeListColumnViewInfo;

// What a cell handler is given; Bounds is narrowed to the text area before the value is drawn.
struct TZCLTreeListNodeCustomDrawData {
  TRect Bounds;
  TZCLTreeListColumn* Column = nullptr;
  TZCLTreeListColumnViewInfo* ColumnViewInfo = nullptr;  // null without columns
  TZCLTreeListNode* Node = nullptr;
  TZCLTreeListNodeViewInfo* NodeViewInfo = nullptr;
  String Text;
  TAlignment TextAlign = taLeftJustify;
  Integer ValueIndex = 0;
};

enum TZCLTreeListDropTargetInsertMode { dtimBefore, dtimAfter, dtimInto, dtimOver };

class TZCLDropTarget;
enum TZCLDropAction : Byte;
using TZCLTreeListDragSortingNodeDropEvent =
    TDelegate<void(TObject* Sender, TZCLTreeListNode* ANode, TZCLTreeListDropTargetInsertMode AMode, bool& AHandled)>;
using TZCLTreeListDragSortingNodeOverEvent =
    TDelegate<void(TObject* Sender, TZCLTreeListNode* ANode, TZCLTreeListDropTargetInsertMode AMode, bool& AAllowed)>;
using TZCLTreeListDropEvent = TDelegate<void(TObject* Sender, TZCLDropTarget* Data, TZCLDropAction Action,
                                             TZCLTreeListNode* Target, TZCLTreeListDropTargetInsertMode Mode)>;
using TZCLTreeListDropOverEvent =
    TDelegate<void(TObject* Sender, TZCLDropTarget* Data, TZCLDropAction& Action, TObject*& Target,
                   TZCLTreeListDropTargetInsertMode& Mode, bool& Allow)>;

using TZCLTreeListCustomDrawEvent = TDelegate<void(TObject* Sender, TCanvas* ACanvas, const TRect& R, bool& AHandled)>;
using TZCLTreeListCustomDrawNodeEvent =
    TDelegate<void(TObject* Sender, TCanvas* ACanvas, const TRect& R, TZCLTreeListNode* ANode, bool& AHandled)>;
using TZCLTreeListCustomDrawNodeCellEvent =
    TDelegate<void(TObject* Sender, TCanvas* ACanvas, TZCLTreeListNodeCustomDrawData& AData, bool& AHandled)>;
using TZCLTreeListGetNodeCellDisplayTextEvent =
    TDelegate<void(TObject* Sender, TZCLTreeListNode* ANode, Integer AValueIndex, String& AText)>;
using TZCLTreeListGetNodeCellStyleEvent =
    TDelegate<void(TObject* Sender, TZCLTreeListNode* ANode, TZCLTreeListColumn* AColumn, TFontStyles& AFontStyles,
                   TAlignment& ATextAlignment)>;

class TZCLStyleTreeList : public TZCLStyle {
  ZCL_CLASS(TZCLStyleTreeList, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleTreeList>& D);

  void DrawBackground(TCanvas* Canvas, const TRect& R, bool Enabled, TZCLBorders Borders);
  // State: 0 normal, 1 hovered, 2 pressed, 3 disabled.
  void DrawCheckBox(TCanvas* Canvas, const TRect& R, TZCLButtonState State, TCheckBoxState CheckState);
  void DrawGridline(TCanvas* Canvas, const TRect& R, TZCLBorder Side);
  void DrawGroupExpandButton(TCanvas* Canvas, const TRect& R, bool Expanded);
  void DrawGroupHeader(TCanvas* Canvas, const TRect& R, TZCLBorders Borders);
  void DrawHeader(TCanvas* Canvas, const TRect& R, TZCLBorders Borders);
  void DrawHeaderSortingMark(TCanvas* Canvas, const TRect& R, bool Ascending, bool Enabled);
  void DrawRowExpandButton(TCanvas* Canvas, const TRect& R, bool Expanded, bool Selected);
  TAlphaColor GetRowColor(bool Odd);
  TAlphaColor GetRowSelectedColor(bool Focused);
  TColor GetRowSelectedTextColor(bool Focused);
  TColor GetTextColor(bool Enabled);
  // Grid lines are off for the none and the default colour.
  bool HasGridLines();

  TZCLResourceTexture* GetCheckMark() { return GetTexture(0); }
  TZCLResourceTexture* GetColumnHeader() { return GetTexture(1); }
  TZCLResourceTexture* GetColumnHeaderSortingArrow() { return GetTexture(2); }
  TZCLResourceTexture* GetGroupHeaderExpandButton() { return GetTexture(3); }
  TZCLResourceTexture* GetRowExpandButton() { return GetTexture(4); }
  TZCLResourceFont* GetColumnHeaderFont() { return GetFont(0); }
  TZCLResourceFont* GetGroupHeaderFont() { return GetFont(1); }
  TRect GetGroupHeaderContentOffsets() { return GetMargins(0)->GetValue(); }
  TRect GetRowContentOffsets() { return GetMargins(1)->GetValue(); }
  Integer GetRowCornerRadius() { return GetInteger(0)->GetValue(); }

 protected:
  void InitializeResources() override;
};

// The part of the tree list engine the view layer reads: data, options and style. The engine
// adds focus, selection, sorting and the events on top.
class TZCLTreeListSubClass : public TZCLCompoundControlSubClass, public IZCLTreeList, public IZCLTreeListOptionsListener {
  ZCL_CLASS(TZCLTreeListSubClass, TZCLCompoundControlSubClass)
  friend class TZCLTreeListSorter;
  friend class TZCLTreeListEditingController;

 public:
  explicit TZCLTreeListSubClass(TComponent* AOwner);
  ~TZCLTreeListSubClass() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  // IZCLTreeList
  void BeginLongOperation() override { TZCLCompoundControlSubClass::BeginLongOperation(); }
  void EndLongOperation() override { TZCLCompoundControlSubClass::EndLongOperation(); }
  void BeginUpdate() override { TZCLCompoundControlSubClass::BeginUpdate(); }
  void EndUpdate() override { TZCLCompoundControlSubClass::EndUpdate(); }
  void Changed(Cardinal Flags) override;
  bool GetCustomizingColumnOrder() override { return FOptionsCustomizing->GetColumnOrder(); }
  bool GetCustomizingColumnVisibility() override { return FOptionsCustomizing->GetColumnVisibility(); }
  Integer GetColumnWidth(TZCLTreeListColumn* Column) override;
  TZCLTreeListNode* CreateNode() override;
  TZCLTreeListNodeList* GetAbsoluteVisibleNodes() override;
  bool GetAutoCheckParents() override { return FOptionsBehavior->GetAutoCheckParents(); }
  bool GetAutoCheckChildren() override { return FOptionsBehavior->GetAutoCheckChildren(); }
  TZCLTreeListColumnList* GetGroupByList() override { return &FGroupBy; }
  TPersistent* GetObject() override { return nullptr; }
  TZCLTreeListNode* GetRootNode() override { return FRoot; }
  TZCLTreeListColumnList* GetSortByList() override { return &FSortBy; }
  // The interface of the object's row cell; false when the object has no row.
  bool QueryChildInterface(TObject* Object, const TGUID& IID, void** Obj) override;
  void GroupRemoving(TZCLTreeListGroup* Group) override;
  void DoNodeChecked(TZCLTreeListNode* Node) override;
  void DoGetNodeChildren(TZCLTreeListNode* Node) override;
  void NodeRemoving(TZCLTreeListNode* Node) override;
  void NodeSetSelected(TZCLTreeListNode* Node, bool& Selected) override;
  void NodeValuesChanged(Integer ValueIndex) override;
  // IZCLTreeListOptionsListener
  void FullRefresh() override { TZCLCompoundControlSubClass::FullRefresh(); }
  void ReloadData() override;
  void SelectNone() override;

  // Focus and selection.
  TZCLTreeListNode* GetFocusedNode() const;
  void SetFocusedNode(TZCLTreeListNode* Node);
  void SetFocusedObject(TObject* Object, bool DropSelection, bool MakeVisible);
  TZCLTreeListNode* GetSelected(Integer Index) const { return FSelection[Index]; }
  Integer GetSelectedCount() const { return FSelection.GetCount(); }
  bool HasSelection() const { return GetSelectedCount() > 0; }
  void SelectAll();
  // Toggles every row's selection; needs MultiSelect.
  void SelectInvert();
  void DeleteSelected();
  void Clear();
  // Path segments are value 0 of each node, each followed by "\".
  String GetPath(TZCLTreeListNode* Node);
  TZCLTreeListNode* FindByPath(String Path, bool IgnoreCase, bool Exact);
  void SetFocusedPath(const String& Path) { SetFocusedNode(FindByPath(Path, true, false)); }

  // The column layout under the key Item + ".ColumnsData".
  void ConfigLoad(TZCLIniFile* Ini, const String& Section, const String& Item);
  void ConfigSave(TZCLIniFile* Ini, const String& Section, const String& Item);

  // Sorting and grouping.
  TZCLTreeListSorter* GetSorter();
  void SortBy(TZCLTreeListColumn* Column, TZCLSortDirection Direction, bool ResetPrevious);
  void SortByColumnClick(TZCLTreeListColumn* Column, bool ResetOthers);
  void ResetSortingParams();
  void Resort();
  void GroupBy(TZCLTreeListColumn* Column, bool ResetPrevious);
  void ResetGrouping();
  void Regroup();
  // A left click on a header: OnColumnClick may take it, else it sorts (Ctrl adds a column).
  virtual void ProcessColumnClick(TMouseButton Button, TShiftState Shift, TZCLTreeListColumn* Column);

  // ---- focus, selection and scrolling by object, input, colours (ZCL.UI.TreeList.Input.cpp) ----
  TZCLTreeListGroup* GetFocusedGroup() const { return dynamic_cast<TZCLTreeListGroup*>(FocusedObject); }
  void SetFocusedGroup(TZCLTreeListGroup* Group);
  // A hidden column, or any while disabled, clears the focused column.
  void SetFocusedColumn(TZCLTreeListColumn* Column);
  void* GetFocusedNodeData() const;
  void SetFocusedNodeData(void* Data);
  // Mode 0 deselects, 1 selects, 2 toggles.
  void SelectObject(TObject* Object, Integer Mode, bool SkipGroups = false);
  // Every row from one object's row to the other's; group rows strictly inside are skipped.
  void SelectRange(TObject* From, TObject* To, TObject* FocusTo, bool MakeVisible, bool DropSelection, Integer Mode);
  TObject* ObjectAtPos(Integer X, Integer Y);
  TPoint GetViewport();
  void SetViewportX(Integer Value);
  void SetViewportY(Integer Value);
  void ScrollBy(Integer DeltaX, Integer DeltaY);
  void ScrollByLines(Integer Count, bool Up);
  void MakeVisible(TObject* Object) { ScrollTo(Object, 0, nullptr); }
  void MakeTop(TObject* Object) { ScrollTo(Object, 1, nullptr); }
  // Expands the object's ancestors, then scrolls its row (and the column) into view.
  void ScrollTo(TObject* Object, Integer Mode, TZCLTreeListColumn* Column);
  void ExpandParents(TObject* Object);
  TAlphaColor GetNodeBackgroundColor(bool Odd, TZCLTreeListNode* Node);
  TColor GetNodeTextColor(TZCLTreeListNode* Node);
  // FontIndex < 0: the control's font, else that font of the style; Small: two thirds high.
  void PrepareCanvas(TCanvas* Canvas, Integer FontIndex, bool Small);
  // The row an arrow, page, Home or End key leads to; null when none can take focus.
  virtual TObject* GetNextObject(TObject* Object, Word Key);
  virtual void ProcessGroupClick(TMouseButton Button, TShiftState Shift, TZCLTreeListGroup* Group);
  virtual void SelectOnMouseDown(TMouseButton Button, TShiftState Shift);
  virtual void ShowColumnsPopupMenu(const TPoint& P);
  virtual TZCLPopupMenu* GetColumnsPopupMenu();
  void MoveFocus(TObject* Object, TShiftState Shift);
  // Focuses the first row when nothing is focused; true when something was focused before.
  bool CheckFocusedObject();
  void ToggleCheckFocused();
  void ToggleGroupExpanded(TZCLTreeListGroup* Group, TShiftState Shift);
  // The value the type-ahead search looks at: that of the visible column at the option's display
  // position, value 0 past the visible columns; -1 while searching is off.
  Integer GetIncSearchValueIndex();
  // Keys and clicks open editors through these: start an editor on a cell (true when one is
  // open then), and tell whether one is open (on Node, or on any node for null).
  virtual bool RequestEditing(TZCLTreeListNode* Node, TZCLTreeListColumn* Column);
  virtual bool HasOpenEditor(TZCLTreeListNode* Node);
  bool WantSpecialKey(Word Key, TShiftState Shift) override;
  void ProcessGesture(const TGestureEventInfo& Info, bool& Handled) override;
  // The columns' captions from the language file.
  void Localize(const String& Section) override;
  void ScrollHorizontally(TScrollCode Code) override;
  void ScrollVertically(TScrollCode Code) override;
  TObject* SelectionAnchor = nullptr;
  bool WasSelectedOnMouseDown = false;
  TPoint GestureOrigin;
  TZCLTreeListGetNodeBackgroundEvent OnGetNodeBackground;
  TZCLTreeListNodeEvent OnNodeDblClicked;
  // Dragging rows inside the list and dropping from outside (ZCL.UI.TreeList.DragAndDrop.cpp).
  virtual void DoDragSorting();
  virtual bool DoDragSortingNodeDrop(TZCLTreeListNode* Node, TZCLTreeListDropTargetInsertMode Mode);
  virtual bool DoDragSortingNodeOver(TZCLTreeListNode* Node, TZCLTreeListDropTargetInsertMode Mode);
  virtual void DoDrop(TZCLDropTarget* Data, TZCLDropAction Action, TZCLTreeListNode* Target,
                      TZCLTreeListDropTargetInsertMode Mode);
  virtual void DoDropOver(TZCLDropTarget* Data, TZCLDropAction& Action, TObject*& Target,
                          TZCLTreeListDropTargetInsertMode& Mode, bool& Allow);
  TNotifyEvent OnDragSorting;
  TZCLTreeListDragSortingNodeDropEvent OnDragSortingNodeDrop;
  TZCLTreeListDragSortingNodeOverEvent OnDragSortingNodeOver;
  TZCLTreeListDropEvent OnDrop;
  TZCLTreeListDropOverEvent OnDropOver;
  // In-place editing (ZCL.UI.TreeList.InplaceEdit): the entry points of keys, clicks and code.
  TZCLTreeListEditingController* GetEditingController() const { return FEditingController; }
  void StartEditing(TZCLTreeListNode* Node, TZCLTreeListColumn* Column);
  // Edit is the new editor, null when there is none.
  virtual bool CreateInplaceEditor(const TZCLInplaceInfo& Params, TComponent*& Edit);
  TZCLStyleEdit* GetStyleInplaceEdit() const { return FStyleInplaceEdit; }
  void SetStyleInplaceEdit(TZCLStyleEdit* Value);
  TZCLStyleEditButton* GetStyleInplaceEditButton() const { return FStyleInplaceEditButton; }
  void SetStyleInplaceEditButton(TZCLStyleEditButton* Value);
  // The look of the columns menu.
  TZCLStylePopupMenu* GetStylePopupMenu() const { return FStylePopupMenu; }
  void SetStylePopupMenu(TZCLStylePopupMenu* Value);
  TZCLTreeListEditCreateEvent OnEditCreate;
  TZCLTreeListEditedEvent OnEdited;
  TZCLTreeListEditingEvent OnEditing;
  TZCLTreeListEditInitializeEvent OnEditInitialize;
  TKeyEvent OnEditKeyDown;

  TZCLTreeListGetNodeClassEvent GetOnGetNodeClass() const { return FOnGetNodeClass; }
  // Raises EInvalidOperation for a different handler once the root's children exist.
  void SetOnGetNodeClass(const TZCLTreeListGetNodeClassEvent& Value);

  TZCLTreeListCustomDrawEvent OnCustomDrawColumnBar;
  TZCLTreeListCustomDrawNodeEvent OnCustomDrawNode;
  TZCLTreeListCustomDrawNodeCellEvent OnCustomDrawNodeCell, OnCustomDrawNodeCellValue;
  TZCLTreeListGetNodeCellDisplayTextEvent OnGetNodeCellDisplayText;
  TZCLTreeListGetNodeCellStyleEvent OnGetNodeCellStyle;
  TZCLTreeListConfirmationEvent OnCanDeleteSelected;
  TZCLTreeListColumnClickEvent OnColumnClick;
  TZCLTreeListCompareEvent OnCompare;
  TZCLTreeListGetNodeGroupEvent OnGetNodeGroup;
  TZCLTreeListNodeEvent OnGetNodeChildren, OnNodeChecked, OnNodeDeleted;
  TNotifyEvent OnFocusedColumnChanged, OnFocusedNodeChanged, OnSelectionChanged, OnSorted, OnSorting, OnSortReset;

  TZCLTreeListColumns* GetColumns() const { return FColumns; }
  TZCLTreeListGroups* GetGroups() const { return FGroups; }
  TZCLIncrementalSearch* GetIncSearch() const { return FIncSearch; }
  TZCLTreeListOptionsBehavior* GetOptionsBehavior() const { return FOptionsBehavior; }
  TZCLTreeListOptionsCustomizing* GetOptionsCustomizing() const { return FOptionsCustomizing; }
  TZCLTreeListOptionsSelection* GetOptionsSelection() const { return FOptionsSelection; }
  TZCLTreeListOptionsView* GetOptionsView() const { return FOptionsView; }
  TZCLStyleTreeList* GetStyle() const { return FStyle; }
  TZCLTreeListContentViewInfo* GetContent() const;
  TObject* FocusedObject = nullptr;
  TZCLTreeListColumn* FocusedColumn = nullptr;
  void SetTargetDPI(Integer DPI) override;

 protected:
  TZCLCompoundControlCustomViewInfo* CreateViewInfo() override;
  void HoveredObjectChanged() override;
  void ProcessMouseWheel(TMouseWheelDirection Direction, TShiftState Shift) override;
  void ProcessChanges(TZCLCompoundControlChanges Flags) override;
  TZCLCompoundControlHintController* CreateHintController() override;
  TZCLHitTestInfo* CreateHitTest() override;
  TZCLCompoundControlDragAndDropController* CreateDragAndDropController() override;
  void ProcessKeyDown(Word& Key, TShiftState Shift) override;
  void ProcessKeyPress(Char& Key) override;
  void ProcessKeyUp(Word& Key, TShiftState Shift) override;
  void ProcessContextPopup(bool& Handled) override;
  void ProcessMouseClick(TMouseButton Button, TShiftState Shift) override;
  void ProcessMouseDblClick(TMouseButton Button, TShiftState Shift) override;
  void ProcessMouseDown(TMouseButton Button, TShiftState Shift) override;
  void ProcessMouseUp(TMouseButton Button, TShiftState Shift) override;
  virtual bool DoNodeDblClicked(TZCLTreeListNode* Node);
  void IncSearchLookup(TObject* Sender, bool& Found);
  void IncSearchChanged(TObject* Sender);
  void ColumnsMenuClick(TObject* Sender);
  TZCLPopupMenu* FColumnsPopupMenu = nullptr;
  TZCLStylePopupMenu* FStylePopupMenu = nullptr;
  virtual TZCLTreeListSorter* CreateSorter();
  virtual TZCLTreeListEditingController* CreateEditingController();
  virtual TComponent* DoEditCreate(const TZCLInplaceInfo& Params);
  // The column index goes to the events first, the row index second.
  virtual void DoEdited(Integer RowIndex, Integer ColumnIndex);
  virtual void DoEditing(Integer RowIndex, Integer ColumnIndex, String& Value);
  virtual void DoEditInitialize(const TZCLInplaceInfo& Params, TComponent* Edit);
  virtual void DoEditKeyDown(Word& Key, TShiftState Shift);
  virtual String GetNodePathName(TZCLTreeListNode* Node) { return Node->GetValue(0); }
  virtual bool DoCanDeleteSelected();
  virtual bool DoColumnClick(TZCLTreeListColumn* Column);
  virtual void DoDeleteSelected();
  virtual TClass DoGetNodeClass();
  virtual void DoSelectionChanged();
  virtual void DoFocusedNodeChanged();
  virtual void DoFocusedColumnChanged();
  virtual void DoSorting();
  virtual void DoSorted();
  virtual void DoSortReset();

  TZCLTreeListNode* FRoot = nullptr;
  TZCLTreeListNodeList FSelection;
  TZCLTreeListSorter* FSorter = nullptr;
  TClass FNodeClass = nullptr;
  TZCLTreeListGetNodeClassEvent FOnGetNodeClass;
  TZCLTreeListColumns* FColumns = nullptr;
  TZCLTreeListGroups* FGroups = nullptr;
  TZCLTreeListColumnList FGroupBy, FSortBy;
  TZCLIncrementalSearch* FIncSearch = nullptr;
  TZCLTreeListOptionsBehavior* FOptionsBehavior = nullptr;
  TZCLTreeListOptionsCustomizing* FOptionsCustomizing = nullptr;
  TZCLTreeListOptionsSelection* FOptionsSelection = nullptr;
  TZCLTreeListOptionsView* FOptionsView = nullptr;
  TZCLStyleTreeList* FStyle = nullptr;
  TZCLTreeListEditingController* FEditingController = nullptr;
  TZCLStyleEdit* FStyleInplaceEdit = nullptr;
  TZCLStyleEditButton* FStyleInplaceEditButton = nullptr;

 private:
  void InitializeEditing();
  void FinalizeEditing();
  TObject* FLastHovered = nullptr;
  TObject* FLastHoveredSubPart = nullptr;
};

class TZCLTreeListCustomViewInfo : public TZCLCompoundControlCustomViewInfo {
  ZCL_CLASS(TZCLTreeListCustomViewInfo, TZCLCompoundControlCustomViewInfo)
 public:
  using TZCLCompoundControlCustomViewInfo::TZCLCompoundControlCustomViewInfo;
  TZCLTreeListSubClass* GetTreeList() const { return static_cast<TZCLTreeListSubClass*>(FSubClass); }
};

class TZCLTreeListColumnViewInfo : public TZCLTreeListCustomViewInfo {
  ZCL_CLASS(TZCLTreeListColumnViewInfo, TZCLTreeListCustomViewInfo)
 public:
  TZCLTreeListColumnViewInfo(TZCLCompoundControlSubClass* ASubClass, TZCLTreeListColumn* AColumn);
  bool CalculateHitTest(TZCLHitTestInfo* HitTest) override;
  virtual void CalculateLayout(const TRect& R);
  virtual Integer CalculateWidth();
  virtual Integer GetRequiredWidth();
  TZCLTreeListColumn* GetColumn() const { return FColumn; }
  Integer AbsoluteIndex = 0;
  Integer VisibleIndex = 0;
  Integer Width = 0;
  TZCLBorders Borders;
  TRect CheckBoxRect, SortArrowRect, TextRect;
  Integer SortByIndex = -1;
  TRect SortByIndexRect;
  // (-1, -1) until measured; dropped on a structure change.
  TSize SortByIndexTextSize{-1, -1};

 protected:
  void DoCalculate(TZCLCompoundControlChanges Changes) override;
  void DoDraw(TCanvas* Canvas) override;
  virtual void DrawSortArrow(TCanvas* Canvas);
  // The header font at two thirds of its height, for the sort position.
  void AssignSortIndexFont(TCanvas* Canvas);

  TZCLTreeListColumn* FColumn;
};

class TZCLTreeListColumnBarViewInfo : public TZCLCompoundControlContainerViewInfo {
  ZCL_CLASS(TZCLTreeListColumnBarViewInfo, TZCLCompoundControlContainerViewInfo)
 public:
  using TZCLCompoundControlContainerViewInfo::TZCLCompoundControlContainerViewInfo;
  virtual Integer MeasureHeight();
  // Spreads the room over the resizable columns; nothing when there is none.
  virtual void CalculateAutoWidth(const TRect& R);
  virtual void CalculateColumns(const TRect& R, TZCLCompoundControlChanges Changes);
  virtual Integer GetHeight();
  // The measured height, kept until the next size change (-1: not measured).
  Integer MeasuredHeight = -1;
  virtual Integer GetColumnsWidth();
  TZCLTreeListColumnViewInfo* GetColumnViewInfo(Integer Index) const {
    return static_cast<TZCLTreeListColumnViewInfo*>(GetChild(Index));
  }
  TZCLTreeListColumnViewInfo* FindColumnViewInfo(TZCLTreeListColumn* Column) const;
  TZCLTreeListSubClass* GetTreeList() const { return static_cast<TZCLTreeListSubClass*>(FSubClass); }

 protected:
  virtual TZCLTreeListColumnViewInfo* CreateColumnViewInfo(TZCLTreeListColumn* Column);
  void DoCalculate(TZCLCompoundControlChanges Changes) override;
  void DoDraw(TCanvas* Canvas) override;
  void RecreateSubCells() override;
};

class TZCLTreeListContentCellViewInfo : public TZCLCompoundControlBaseCheckableContentCellViewInfo {
  ZCL_CLASS(TZCLTreeListContentCellViewInfo, TZCLCompoundControlBaseCheckableContentCellViewInfo)
 public:
  explicit TZCLTreeListContentCellViewInfo(TZCLTreeListContentViewInfo* AOwner);
  TZCLTreeListContentViewInfo* GetContent() const { return FContent; }
  TZCLTreeListSubClass* GetTreeList() const;

 protected:
  TColor GetFocusRectColor() override;
  bool IsFocused();
  TZCLTreeListContentViewInfo* FContent;
};

class TZCLTreeListGroupViewInfo : public TZCLTreeListContentCellViewInfo {
  ZCL_CLASS(TZCLTreeListGroupViewInfo, TZCLTreeListContentCellViewInfo)
 public:
  using TZCLTreeListContentCellViewInfo::TZCLTreeListContentCellViewInfo;
  void Calculate(Integer AWidth, Integer AHeight) override;
  virtual Integer CalculateAutoHeight();
  TRect BackgroundRect, TextRect;

 protected:
  void DoDraw(TCanvas* Canvas) override;
  void GetFocusRect(TRect& R) override;
  bool HasFocusRect() override { return IsFocused(); }
};

class TZCLTreeListNodeViewInfo : public TZCLTreeListContentCellViewInfo {
  ZCL_CLASS(TZCLTreeListNodeViewInfo, TZCLTreeListContentCellViewInfo)
 public:
  using TZCLTreeListContentCellViewInfo::TZCLTreeListContentCellViewInfo;
  void Calculate(Integer AWidth, Integer AHeight) override;
  void Initialize(TObject* AData) override;
  void Initialize(TObject* AData, Integer AHeight) override;
  Integer MeasureHeight() override;
  virtual Integer CalculateAutoHeight();
  virtual TRect GetCellMargins(TZCLTreeListColumnViewInfo* Column);
  virtual Integer MeasureCellWidth(TCanvas* Canvas, TZCLTreeListNode* Node, Integer ValueIndex,
                                   TZCLTreeListColumnViewInfo* Column);
  TZCLTreeListNode* GetNode() const { return static_cast<TZCLTreeListNode*>(FData); }
  Integer AbsoluteIndex = -1;
  // The row index an empty row (no node) is drawn with.
  Integer EmptyRowIndex = 0;
  bool HorzGridLine = false;
  bool VertGridLine = false;
  TRect ImageRect;
  Integer Level = 0;
  TRect CellMargins, FirstCellMargins;

 protected:
  bool IsCheckBoxEnabled() override;
  void DoCalculateHitTest(const TPoint& P, const TRect& Bounds, TZCLHitTestInfo* HitTest) override;
  void DoDraw(TCanvas* Canvas) override;
  virtual void DoDrawCell(TCanvas* Canvas, const TRect& R, TZCLTreeListColumnViewInfo* Column, bool First);
  virtual void DoDrawCellValue(TCanvas* Canvas, TZCLTreeListNodeCustomDrawData& Data);
  // The display text and style of a cell, after the tree list's handlers.
  void GetCellText(TZCLTreeListNode* Node, Integer ValueIndex, TZCLTreeListColumnViewInfo* Column, String& Text,
                   TFontStyles& Styles, TAlignment& Align);
  void GetFocusRect(TRect& R) override { R = GetBounds(); }
  bool HasFocusRect() override;

 public:
  Integer IndentWidth();
};

// The line (or frame) that shows where a drop lands.
class TZCLTreeListDropTargetViewInfo : public TObject {
  ZCL_CLASS(TZCLTreeListDropTargetViewInfo, TObject)
 public:
  explicit TZCLTreeListDropTargetViewInfo(TZCLTreeListContentViewInfo* AOwner) : FOwner(AOwner) {}
  virtual void SetBounds(const TRect& R);
  virtual Integer GetThickness();
  virtual void Calculate();
  virtual void Draw(TCanvas* Canvas);
  // A new target or mode repaints the old and the new marker.
  void SetTarget(TObject* Target, TZCLTreeListDropTargetInsertMode Mode);
  TObject* GetTarget() const { return FTarget; }
  TRect Bounds;
  TZCLTreeListDropTargetInsertMode InsertMode = dtimAfter;

 private:
  TZCLTreeListContentViewInfo* FOwner;
  TObject* FTarget = nullptr;
};

class TZCLTreeListContentViewInfo : public TZCLCompoundControlScrollContainerViewInfo,
                                    public IZCLCompoundControlSubClassContent {
  ZCL_CLASS(TZCLTreeListContentViewInfo, TZCLCompoundControlScrollContainerViewInfo)
  RTL_INTERFACES(TZCLCompoundControlScrollContainerViewInfo, IZCLCompoundControlSubClassContent)
 public:
  explicit TZCLTreeListContentViewInfo(TZCLCompoundControlSubClass* ASubClass);
  ~TZCLTreeListContentViewInfo() override;
  bool CalculateHitTest(TZCLHitTestInfo* HitTest) override;

  Integer GetContentWidth() override { return FContentWidth; }
  TRect GetViewItemsArea() override { return FViewItemsArea; }
  TPoint GetViewItemsOrigin() override {
    return TPoint(FViewItemsArea.Left - FViewport.X, FViewItemsArea.Top - FViewport.Y);
  }
  virtual Integer GetColumnBarHeight();
  // How far the last visible row reaches below the rows' area (0 or more).
  virtual Integer GetScrollLineDownDelta();
  // How far the first visible row starts above the area; when it starts at the top, the height
  // of the row before it.
  virtual Integer GetScrollLineUpDelta();
  void ScrollByLines(Integer Count, bool Up);
  // The scroll that shows the object's row (mode 0 nearest, 1 top, 2 centre) and, when given,
  // the column; (0, 0) when it is visible or has no row.
  virtual TPoint CalculateScrollToDelta(TObject* Object, Integer Mode, TZCLTreeListColumn* Column);
  virtual Integer GetGroupHeight();
  virtual Integer GetNodeHeight();
  TRect GetColumnBarBounds();
  // Among node rows: the nearest row top at or above P (Direction < 0), else the nearest row
  // bottom at or below P; P in client coordinates.
  TZCLTreeListNode* FindNearestNode(const TPoint& P, Integer Direction);
  // In content coordinates; a new rectangle repaints the old and the new one.
  TRect GetSelectionRect() const { return FSelectionRect; }
  void SetSelectionRect(const TRect& R);
  void InvalidateRow(TObject* Object);
  TZCLTreeListDropTargetViewInfo* GetDropTargetViewInfo() const { return FDropTargetViewInfo; }

  TZCLTreeListSubClass* GetTreeList() const { return static_cast<TZCLTreeListSubClass*>(FSubClass); }
  TZCLTreeListNodeList* GetAbsoluteVisibleNodes() { return &FAbsoluteVisibleNodes; }
  TZCLTreeListColumnBarViewInfo* GetColumnBar() const { return FColumnBar; }
  TZCLCompoundControlContentCellList* GetCells() { return &FCells; }
  TZCLTreeListNodeViewInfo* GetNodeViewInfo() const { return FNodeViewInfo; }
  // Replaces (and frees) the flyweight that lays out and draws every row; for controls whose
  // rows draw more than the tree list's.
  void SetNodeViewInfo(TZCLTreeListNodeViewInfo* Value);
  TZCLTreeListGroupViewInfo* GetGroupViewInfo() const { return FGroupViewInfo; }
  bool GetHasSubLevels() const { return FHasSubLevels; }
  Integer MeasureLockCount = 0;

 protected:
  void CalculateContentLayout() override;
  void CalculateSubCells(TZCLCompoundControlChanges Changes) override;
  void DoCalculate(TZCLCompoundControlChanges Changes) override;
  void DoCalculateHitTest(TZCLHitTestInfo* HitTest) override;
  void DrawContent(TCanvas* Canvas) override;
  void RecreateSubCells() override;
  bool GetScrollParams(TScrollBarKind Kind, TZCLCompoundControlScrollInfo& Info) override;
  void UpdateScrollBars() override;
  virtual void PopulateViewItems(TZCLTreeListNode* Parent);
  virtual void MeasureCells();
  virtual void DrawEmptyRows(TCanvas* Canvas);
  virtual void DrawSelectionRect(TCanvas* Canvas);
  TRect ContentToClient(const TRect& R) const;

 private:
  TZCLTreeListNodeList FAbsoluteVisibleNodes;
  TZCLTreeListColumnBarViewInfo* FColumnBar;
  TZCLCompoundControlContentCellList FCells;
  TZCLTreeListGroupViewInfo* FGroupViewInfo;
  TZCLTreeListNodeViewInfo* FNodeViewInfo;
  TZCLTreeListDropTargetViewInfo* FDropTargetViewInfo;
  TRect FSelectionRect;
  Integer FContentWidth = 0;
  Integer FGroupHeightCache = -1;
  Integer FNodeHeightCache = -1;
  bool FHasSubLevels = false;
  TRect FViewItemsArea;
  TZCLTreeListGroup* FCurrentGroup = nullptr;
};

class TZCLTreeListViewInfo : public TZCLTreeListCustomViewInfo {
  ZCL_CLASS(TZCLTreeListViewInfo, TZCLTreeListCustomViewInfo)
 public:
  explicit TZCLTreeListViewInfo(TZCLCompoundControlSubClass* ASubClass);
  ~TZCLTreeListViewInfo() override;
  bool CalculateHitTest(TZCLHitTestInfo* HitTest) override;
  virtual TRect GetContentBounds();
  TZCLTreeListContentViewInfo* GetContent() const { return FContent; }

 protected:
  void DoCalculate(TZCLCompoundControlChanges Changes) override;
  void DoDraw(TCanvas* Canvas) override;

 private:
  TZCLTreeListContentViewInfo* FContent;
};

void RegisterTreeListViewInfoClasses();

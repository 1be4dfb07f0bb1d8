#pragma once
// View infos of compound controls: rectangles that recalculate for change flags, draw and
// hit-test; containers of them; and flyweight content cells for long lists of rows, where all
// rows of one kind share one cell view info that is re-initialised for each row.

#include <vector>

#include "zcl/ui/treelist/ZCL.UI.CompoundControl.SubClass.h"

class TZCLCompoundControlPersistent : public TZCLUnknownObject {
  ZCL_CLASS(TZCLCompoundControlPersistent, TZCLUnknownObject)
 public:
  explicit TZCLCompoundControlPersistent(TZCLCompoundControlSubClass* ASubClass) : FSubClass(ASubClass) {}
  TZCLCompoundControlSubClass* GetSubClass() const { return FSubClass; }

 protected:
  TZCLCompoundControlSubClass* FSubClass;
};

class TZCLCompoundControlCustomViewInfo : public TZCLCompoundControlPersistent {
  ZCL_CLASS(TZCLCompoundControlCustomViewInfo, TZCLCompoundControlPersistent)
 public:
  using TZCLCompoundControlPersistent::TZCLCompoundControlPersistent;
  virtual void Calculate(const TRect& R, TZCLCompoundControlChanges Changes);
  virtual bool CalculateHitTest(TZCLHitTestInfo* HitTest);
  // Draws only when Bounds is at least partly visible on the canvas.
  void Draw(TCanvas* Canvas);
  // Draws as if the top-left corner were at (X, Y).
  void DrawTo(TCanvas* Canvas, Integer X, Integer Y);
  void Invalidate();
  const TRect& GetBounds() const { return FBounds; }

 protected:
  virtual void DoCalculate(TZCLCompoundControlChanges) {}
  virtual void DoCalculateHitTest(TZCLHitTestInfo* HitTest) { HitTest->HitObject = this; }
  virtual void DoDraw(TCanvas*) {}

  TRect FBounds;
};

class TZCLCompoundControlContainerViewInfo : public TZCLCompoundControlCustomViewInfo {
  ZCL_CLASS(TZCLCompoundControlContainerViewInfo, TZCLCompoundControlCustomViewInfo)
 public:
  using TZCLCompoundControlCustomViewInfo::TZCLCompoundControlCustomViewInfo;
  ~TZCLCompoundControlContainerViewInfo() override;
  Integer AddCell(TZCLCompoundControlCustomViewInfo* ViewInfo);
  Integer ChildCount() const { return static_cast<Integer>(FChildren.size()); }
  TZCLCompoundControlCustomViewInfo* GetChild(Integer Index) const { return FChildren[size_t(Index)]; }

 protected:
  virtual void CalculateSubCells(TZCLCompoundControlChanges) {}
  virtual void DrawContent(TCanvas* Canvas);
  virtual void RecreateSubCells();
  void DoCalculate(TZCLCompoundControlChanges Changes) override;
  void DoCalculateHitTest(TZCLHitTestInfo* HitTest) override;
  void DoDraw(TCanvas* Canvas) override;

  std::vector<TZCLCompoundControlCustomViewInfo*> FChildren;
};

// The view info that owns a cell list.
struct IZCLCompoundControlSubClassContent : virtual IInterface {
  RTL_INTERFACE(IZCLCompoundControlSubClassContent, IInterface, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7301}")
  virtual Integer GetContentWidth() = 0;
  // Client rectangle in which rows are shown.
  virtual TRect GetViewItemsArea() = 0;
  // Client position of content coordinate (0, 0).
  virtual TPoint GetViewItemsOrigin() = 0;
};

class TZCLCompoundControlBaseContentCellViewInfo : public TZCLUnknownObject {
  ZCL_CLASS(TZCLCompoundControlBaseContentCellViewInfo, TZCLUnknownObject)
 public:
  explicit TZCLCompoundControlBaseContentCellViewInfo(IZCLCompoundControlSubClassContent* AOwner) : FOwner(AOwner) {}

  virtual void Calculate(Integer AWidth, Integer AHeight);
  virtual void Initialize(TObject* AData) { FData = AData; }
  virtual void Initialize(TObject* AData, Integer AHeight);
  virtual Integer MeasureHeight() { return FHeight; }
  void Calculate() { Calculate(FWidth, FHeight); }
  TRect GetBounds() const { return TRect(0, 0, FWidth, FHeight); }
  // Sets the cell's data as the hit object and "ViewInfo" to this, then the own test.
  void CalculateHitTest(TObject* AData, const TRect& Bounds, TZCLHitTestInfo* HitTest);
  // Draws with the canvas origin at the cell's top-left; the origin is restored afterwards.
  void Draw(TCanvas* Canvas, TObject* AData, const TRect& Bounds);

  IZCLCompoundControlSubClassContent* GetOwner() const { return FOwner; }
  TObject* GetData() const { return FData; }
  Integer GetHeight() const { return FHeight; }
  Integer GetWidth() const { return FWidth; }

 protected:
  virtual void DoDraw(TCanvas* Canvas) = 0;
  // P is relative to the cell's top-left.
  virtual void DoCalculateHitTest(const TPoint&, const TRect&, TZCLHitTestInfo*) {}
  virtual void GetFocusRect(TRect& R) { R = GetBounds(); }
  virtual TColor GetFocusRectColor() { return clDefault; }
  virtual bool HasFocusRect() { return false; }

  IZCLCompoundControlSubClassContent* FOwner;
  TObject* FData = nullptr;
  Integer FHeight = 0;
  Integer FWidth = 0;
};

class TZCLCompoundControlBaseCheckableContentCellViewInfo : public TZCLCompoundControlBaseContentCellViewInfo {
  ZCL_CLASS(TZCLCompoundControlBaseCheckableContentCellViewInfo, TZCLCompoundControlBaseContentCellViewInfo)
 public:
  using TZCLCompoundControlBaseContentCellViewInfo::TZCLCompoundControlBaseContentCellViewInfo;
  TRect CheckBoxRect;
  TRect ExpandButtonRect;
  bool ExpandButtonVisible = false;

 protected:
  virtual bool IsCheckBoxEnabled() { return true; }
  void DoCalculateHitTest(const TPoint& P, const TRect& Bounds, TZCLHitTestInfo* HitTest) override;
};

class TZCLCompoundControlBaseContentCell : public TZCLUnknownObject {
  ZCL_CLASS(TZCLCompoundControlBaseContentCell, TZCLUnknownObject)
 public:
  TZCLCompoundControlBaseContentCell(TObject* AData, TZCLCompoundControlBaseContentCellViewInfo* AViewInfo)
      : FData(AData), FViewInfo(AViewInfo) {}
  // Content coordinates: (0, Top, the owner's content width, Top + Height).
  virtual TRect GetBounds() const;
  // In client coordinates.
  TRect AbsoluteBounds() const;
  void CalculateHitTest(TZCLHitTestInfo* HitTest);
  void Draw(TCanvas* Canvas);
  Integer MeasureHeight();

  TObject* GetData() const { return FData; }
  TZCLCompoundControlBaseContentCellViewInfo* GetViewInfo() const { return FViewInfo; }
  Integer Height = 0;
  Integer Top = 0;

 protected:
  friend class TZCLCompoundControlContentCellList;
  TObject* FData;
  TZCLCompoundControlBaseContentCellViewInfo* FViewInfo;
};

// The cells of a list of rows, owned, with the range visible in the scrolled view.
class TZCLCompoundControlContentCellList : public TObject {
  ZCL_CLASS(TZCLCompoundControlContentCellList, TObject)
 public:
  using TCellFactory = TZCLCompoundControlBaseContentCell* (*)(TObject* Data,
                                                                TZCLCompoundControlBaseContentCellViewInfo* ViewInfo);
  explicit TZCLCompoundControlContentCellList(IZCLCompoundControlSubClassContent* AOwner, TCellFactory AFactory = nullptr);
  ~TZCLCompoundControlContentCellList() override;

  TZCLCompoundControlBaseContentCell* Add(TObject* Data, TZCLCompoundControlBaseContentCellViewInfo* ViewInfo);
  void Clear();
  bool CalculateHitTest(TZCLHitTestInfo* HitTest);
  void Draw(TCanvas* Canvas);
  bool Find(TObject* Data, TZCLCompoundControlBaseContentCell*& Cell) const;
  bool FindFirstVisible(Integer StartIndex, Integer Direction, TClass DataClass,
                        TZCLCompoundControlBaseContentCell*& Cell) const;
  bool GetCell(Integer Index, TZCLCompoundControlBaseContentCell*& Cell) const;
  Integer GetContentSize() const;
  void UpdateVisibleBounds();
  virtual TRect GetClipRect() { return FOwner->GetViewItemsArea(); }

  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  TZCLCompoundControlBaseContentCell* operator[](Integer Index) const { return FItems[size_t(Index)]; }
  void SetCapacity(Integer Value) { FItems.reserve(size_t(Value)); }
  Integer FirstVisible = 0;
  Integer LastVisible = -1;
  IZCLCompoundControlSubClassContent* GetOwner() const { return FOwner; }

 private:
  IZCLCompoundControlSubClassContent* FOwner;
  TCellFactory FFactory;
  std::vector<TZCLCompoundControlBaseContentCell*> FItems;
  // Plain cells of the last build, taken again by the next: a long list is rebuilt on every
  // structure change, and making and freeing a cell per row cost more than the rows' layout.
  std::vector<TZCLCompoundControlBaseContentCell*> FSpare;
};

// A cell list whose cells are of class T.
template <class T>
class TZCLCompoundControlContentCellListOf : public TZCLCompoundControlContentCellList {
 public:
  explicit TZCLCompoundControlContentCellListOf(IZCLCompoundControlSubClassContent* AOwner)
      : TZCLCompoundControlContentCellList(AOwner, &Make) {}
  T* operator[](Integer Index) const {
    return static_cast<T*>(TZCLCompoundControlContentCellList::operator[](Index));
  }

 private:
  static TZCLCompoundControlBaseContentCell* Make(TObject* Data, TZCLCompoundControlBaseContentCellViewInfo* V) {
    return new T(Data, V);
  }
};

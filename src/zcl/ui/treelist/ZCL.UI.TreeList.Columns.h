#pragma once
// Tree list columns (a collection with a display order, sort state and a stored binary layout)
// and groups of top-level nodes made by caption.

#include <unordered_map>

#include "zcl/ui/treelist/ZCL.UI.TreeList.Nodes.h"

class TStream;
class TZCLIniFile;

enum TZCLTreeListCompareMode : Byte { tlcmUndefined, tlcmString, tlcmInteger, tlcmSmart };
ZCL_ENUM(TZCLTreeListCompareMode, tlcmUndefined, tlcmString, tlcmInteger, tlcmSmart);

class TZCLTreeListColumns;

class TZCLTreeListColumn : public TZCLCollectionItem {
  ZCL_CLASS(TZCLTreeListColumn, TZCLCollectionItem)
 public:
  explicit TZCLTreeListColumn(TCollection* ACollection);
  static void DeclareProperties(TClassDeclaration<TZCLTreeListColumn>& D);
  void Assign(TPersistent* Source) override;

  virtual void Localize(const String& Section);
  // When the column may be sized: Width := the tree list's best fit width.
  void ApplyBestFit();

  bool GetAutoBestFit() const { return FAutoBestFit; }
  void SetAutoBestFit(bool Value);
  bool GetCanResize() const { return FCanResize; }
  void SetCanResize(bool Value);
  bool IsCanResizeStored() const { return !FCanResize && !FAutoBestFit; }
  const String& GetCaption() const { return FCaption; }
  void SetCaption(const String& Value);
  TZCLTreeListCompareMode GetCompareMode() const { return FCompareMode; }
  void SetCompareMode(TZCLTreeListCompareMode Value);
  Integer GetDrawIndex() const;
  void SetDrawIndex(Integer Value);
  bool IsDrawIndexStored() const { return GetDrawIndex() != GetIndex(); }
  Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  NativeInt GetTag() const { return FTag; }
  void SetTag(NativeInt Value) { FTag = Value; }
  TAlignment GetTextAlign() const { return FTextAlign; }
  void SetTextAlign(TAlignment Value);
  bool GetTextVisible() const { return FTextVisible; }
  void SetTextVisible(bool Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  Integer GetWidth() const { return FWidth; }
  void SetWidth(Integer Value);
  bool IsWidthStored() const { return FWidth != 100 && !FAutoBestFit; }

  TZCLSortDirection SortDirection = sdDefault;
  Integer GetGroupByIndex() const;
  Integer GetSortByIndex() const;
  TZCLTreeListColumn* NextSibling() const;
  TZCLTreeListColumn* PrevSibling() const;
  TZCLTreeListColumns* GetColumns() const;

 protected:
  virtual void VisibilityChanged();
  void ReportChange(Cardinal Flags);

 private:
  bool FAutoBestFit = false;
  bool FCanResize = true;
  String FCaption;
  TZCLTreeListCompareMode FCompareMode = tlcmSmart;
  Integer FImageIndex = -1;
  NativeInt FTag = 0;
  TAlignment FTextAlign = taLeftJustify;
  bool FTextVisible = true;
  bool FVisible = true;
  Integer FWidth = 100;
};

class TZCLTreeListColumns : public TCollection {
  ZCL_CLASS(TZCLTreeListColumns, TCollection)
 public:
  explicit TZCLTreeListColumns(IZCLTreeList* ATreeList);
  TPersistent* GetOwner() const override;
  void BeginUpdate() override;
  void EndUpdate() override;

  TZCLTreeListColumn* Add(const String& Caption);
  TZCLTreeListColumn* operator[](Integer Index) const { return GetItem<TZCLTreeListColumn>(Index); }
  TZCLTreeListColumn* FindByCaption(const String& Caption) const;
  TZCLTreeListColumn* GetDrawingItem(Integer Index) const { return FDrawingOrder[Index]; }
  TZCLTreeListColumnList& GetDrawingOrder() { return FDrawingOrder; }
  Integer GetVisibleCount() const;
  void ApplyBestFit(bool OnlyAutoBestFit);
  void Localize(const String& Section);
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream) const;
  void ConfigLoad(TZCLIniFile* Ini, const String& Section, const String& Key);
  void ConfigSave(TZCLIniFile* Ini, const String& Section, const String& Key) const;
  IZCLTreeList* GetTreeList() const { return FTreeList; }

 protected:
  virtual TCollectionItemClass GetColumnClass() { return TZCLTreeListColumn::StaticClass(); }
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;
  void Update(TCollectionItem* Item) override;

 private:
  IZCLTreeList* FTreeList;
  TZCLTreeListColumnList FDrawingOrder;
};

class TZCLTreeListGroups;

class TZCLTreeListGroup : public TZCLUnknownPersistent,
                          public IZCLTreeNodeLink,
                          public IZCLSelectableObject,
                          public IZCLExpandableObject,
                          public IZCLCheckableObject,
                          public IZCLObjectLinksSupport {
  ZCL_CLASS(TZCLTreeListGroup, TZCLUnknownPersistent)
 public:
  TZCLTreeListGroup(const String& ACaption, TZCLTreeListGroups* AOwner);
  ~TZCLTreeListGroup() override;
  static void DeclareProperties(TClassDeclaration<TZCLTreeListGroup>& D);
  void BeforeDestruction() override;
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  const String& GetCaption() const { return FCaption; }
  TCheckBoxState GetCheckBoxState() const { return FLinks->GetCheckBoxState(); }
  void SetCheckBoxState(TCheckBoxState Value) { FLinks->SetCheckBoxState(Value); }
  bool GetExpanded() override { return FExpanded; }
  void SetExpanded(bool Value) override;
  bool GetSelected() override;
  void SetSelected(bool Value) override;
  Integer GetIndex() const;
  TZCLTreeListGroup* NextSibling() const;
  TZCLTreeListGroup* PrevSibling() const;
  TZCLTreeListNodeList* GetLinks() const { return FLinks; }
  TZCLTreeListGroups* GetGroups() const { return FOwner; }
  IZCLTreeList* GetTreeList() const;
  Integer SortData = 0;

  bool CanCheck() override { return true; }
  bool GetChecked() override { return GetCheckBoxState() == cbChecked; }
  void SetChecked(bool Value) override { SetCheckBoxState(Value ? cbChecked : cbUnchecked); }
  bool CanToggle() override { return true; }
  TObject* GetLinkChild() override { return FLinks->First(); }
  TObject* GetLinkParent() override { return nullptr; }

 private:
  String FCaption;
  TZCLTreeListNodeList* FLinks;
  TZCLTreeListGroups* FOwner;
  bool FExpanded = true;
};

class TZCLTreeListGroups : public TObject {
  ZCL_CLASS(TZCLTreeListGroups, TObject)
 public:
  explicit TZCLTreeListGroups(IZCLTreeList* ATreeList) : FTreeList(ATreeList) {}
  ~TZCLTreeListGroups() override;

  TZCLTreeListGroup* Add(const String& Caption);
  TZCLTreeListGroup* Find(const String& Caption) const;
  void Clear();
  void ClearLinks();
  void SetExpanded(bool Value);
  // Moves the given groups (all of this list) to Index, in their order.
  void Move(Integer Index, const std::vector<TZCLTreeListGroup*>& Groups);
  void RemoveEmpty();
  // Frees Group when it is one of this list; its nodes lose their group.
  void Remove(TZCLTreeListGroup* Group);
  void SortByNodeOrder();
  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  TZCLTreeListGroup* operator[](Integer Index) const { return FItems[size_t(Index)]; }
  Integer IndexOf(const TZCLTreeListGroup* Group) const;
  IZCLTreeList* GetTreeList() const { return FTreeList; }

 protected:
  virtual TZCLTreeListGroup* CreateGroup(const String& Caption) { return new TZCLTreeListGroup(Caption, this); }

 private:
  void Delete(Integer Index);
  IZCLTreeList* FTreeList;
  std::vector<TZCLTreeListGroup*> FItems;
  std::unordered_map<String, TZCLTreeListGroup*> FIndex;
  Integer FLockCount = 0;
};

void RegisterTreeListColumnClasses();

#pragma once
// The shell folder tree: a tree list of the file system's folders under "/" (and, when asked, a
// favourites node with the home folder and the user's XDG folders), loaded one level at a time
// when a node opens, with check boxes for picking several folders, new folders, F5 to reload and
// a reload when drives come and go. Paths compare with case, as the file system does. UI thread.

#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.h"

struct TZCLDriveInfo;
class TZCLIniFile;
class TZCLShellFolder;
class TZCLShellTreeViewSubClass;

// One folder icon of ours, 16 x 16.
class TZCLShellImageList : public TZCLImageList {
  ZCL_CLASS(TZCLShellImageList, TZCLImageList)
 public:
  explicit TZCLShellImageList(TComponent* AOwner);
  // The icon of a folder (of a generic folder without one); -1 when the icon could not be loaded.
  Integer GetImageIndex(const TZCLShellFolder* Folder = nullptr) const;

 private:
  Integer FFolderIndex = -1;
};

// Wraps one option object of the tree list: updates, assignments and changes go through to it;
// a change of kind 1 also reloads the tree.
class TZCLShellTreeViewCustomOptions : public TZCLCustomOptionsPersistent {
  ZCL_CLASS(TZCLShellTreeViewCustomOptions, TZCLCustomOptionsPersistent)
 public:
  using TCreateSignature = void(TZCLShellTreeViewSubClass* AOwner, TZCLTreeListCustomOptions* AWrapped);
  TZCLShellTreeViewCustomOptions(TZCLShellTreeViewSubClass* AOwner, TZCLTreeListCustomOptions* AWrapped)
      : FOwner(AOwner), FWrapped(AWrapped) {}
  void BeginUpdate() override;
  void EndUpdate() override;
  TZCLTreeListCustomOptions* GetWrapped() const { return FWrapped; }

  static constexpr TZCLPersistentChanges KindReload = 1;

 protected:
  void DoAssign(TPersistent* Source) override;
  void DoChanged(TZCLPersistentChanges Changes) override;

  TZCLShellTreeViewSubClass* FOwner;
  TZCLTreeListCustomOptions* FWrapped;
};

class TZCLShellTreeViewOptionsBehavior : public TZCLShellTreeViewCustomOptions {
  ZCL_CLASS(TZCLShellTreeViewOptionsBehavior, TZCLShellTreeViewCustomOptions)
 public:
  using TZCLShellTreeViewCustomOptions::TZCLShellTreeViewCustomOptions;
  static void DeclareProperties(TClassDeclaration<TZCLShellTreeViewOptionsBehavior>& D);

  bool GetAllowLibraryPaths() const { return FAllowLibraryPaths; }
  void SetAllowLibraryPaths(bool Value) { FAllowLibraryPaths = Value; }
  bool GetAutoCheckChildren() const { return Options()->GetAutoCheckChildren(); }
  void SetAutoCheckChildren(bool Value) { Options()->SetAutoCheckChildren(Value); }
  bool GetAutoCheckParents() const { return Options()->GetAutoCheckParents(); }
  void SetAutoCheckParents(bool Value) { Options()->SetAutoCheckParents(Value); }
  // Kept for stored forms: there is no shell context menu here.
  bool GetSystemMenu() const { return FSystemMenu; }
  void SetSystemMenu(bool Value) { FSystemMenu = Value; }

 protected:
  void DoAssign(TPersistent* Source) override;

 private:
  TZCLTreeListOptionsBehavior* Options() const { return static_cast<TZCLTreeListOptionsBehavior*>(FWrapped); }
  bool FAllowLibraryPaths = false;
  bool FSystemMenu = false;
};

class TZCLShellTreeViewOptionsView : public TZCLShellTreeViewCustomOptions {
  ZCL_CLASS(TZCLShellTreeViewOptionsView, TZCLShellTreeViewCustomOptions)
 public:
  // Hides the column header and the grid lines of the wrapped options.
  TZCLShellTreeViewOptionsView(TZCLShellTreeViewSubClass* AOwner, TZCLTreeListCustomOptions* AWrapped);
  static void DeclareProperties(TClassDeclaration<TZCLShellTreeViewOptionsView>& D);

  TZCLBorders GetBorders() const { return Options()->GetBorders(); }
  void SetBorders(TZCLBorders Value) { Options()->SetBorders(Value); }
  bool GetCheckBoxes() const { return Options()->GetCheckBoxes(); }
  void SetCheckBoxes(bool Value) { Options()->SetCheckBoxes(Value); }
  bool GetShowFavorites() const { return FShowFavorites; }
  void SetShowFavorites(bool Value);
  // Default follows the user's setting for hidden files.
  TZCLBoolean GetShowHidden() const { return FShowHidden; }
  void SetShowHidden(TZCLBoolean Value);
  bool ShowHiddenResolved() const;

 protected:
  void DoAssign(TPersistent* Source) override;

 private:
  TZCLTreeListOptionsView* Options() const { return static_cast<TZCLTreeListOptionsView*>(FWrapped); }
  bool FShowFavorites = false;
  TZCLBoolean FShowHidden = TZCLBoolean::Default;
};

class TZCLShellTreeViewSubClass : public TZCLTreeListSubClass {
  ZCL_CLASS(TZCLShellTreeViewSubClass, TZCLTreeListSubClass)
 public:
  explicit TZCLShellTreeViewSubClass(TComponent* AOwner);
  ~TZCLShellTreeViewSubClass() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TZCLShellTreeViewOptionsBehavior* GetShellOptionsBehavior() const { return FShellOptionsBehavior; }
  TZCLShellTreeViewOptionsView* GetShellOptionsView() const { return FShellOptionsView; }
  TZCLShellImageList* GetImages() const { return FImages; }
  TZCLTreeListNode* GetQuickAccessNode() const { return FQuickAccess; }
  bool GetQuickAccessExpanded() const { return FQuickAccess ? FQuickAccess->GetExpanded() : FQuickAccessExpanded; }
  static TZCLShellFolder* GetFolder(TZCLTreeListNode* Node) {
    return Node ? static_cast<TZCLShellFolder*>(Node->Data) : nullptr;
  }

  // Without a trailing delimiter ("/" stays "/"); empty when the focused node has no path.
  const String& GetSelectedPath() const { return FSelectedPath; }
  // Focuses the node of Path, or of its deepest existing folder; failures are only logged.
  void SetSelectedPath(const String& Path);
  // A folder's path with a trailing delimiter; empty without a node or outside the file system.
  // Hides the tree list's caption path: a shell node's path is its folder's.
  String GetPath(TZCLTreeListNode* Node);
  // Makes Name in the focused folder ("Name (2)", "(3)", ... while a child has that caption)
  // with its missing parents, reloads the focused node's children and selects the new folder.
  void CreateFolder(const String& Name);
  // The tree list's column layout and, with favourites, "<Item>.QuickAccessExpanded".
  void ConfigLoad(TZCLIniFile* Ini, const String& Section, const String& Item);
  void ConfigSave(TZCLIniFile* Ini, const String& Section, const String& Item);
  // Rebuilds the nodes from the root and selects the selected path again.
  void ReloadData() override;
  bool IsLoading() const { return FLoadCount > 0; }

 protected:
  virtual TZCLShellTreeViewOptionsBehavior* CreateOptionsBehavior();
  virtual TZCLShellTreeViewOptionsView* CreateOptionsView();
  virtual void DoGetPathChildren(TZCLTreeListNode* Node);
  virtual void PopulateRoot(TZCLTreeListNode* Node);

  void DoGetNodeChildren(TZCLTreeListNode* Node) override;
  void NodeRemoving(TZCLTreeListNode* Node) override;
  void DoFocusedNodeChanged() override;
  void ProcessKeyDown(Word& Key, TShiftState Shift) override;
  // Takes ownership of Folder.
  TZCLTreeListNode* AddFolder(TZCLShellFolder* Folder, TZCLTreeListNode* Parent);
  // The deepest node on the way to Components (absolute, from "/"); the "/" node for none.
  TZCLTreeListNode* FindNode(const std::vector<String>& Components);

 private:
  void DriveChanged(const TZCLDriveInfo& Info, bool Mounted);
  void LoadQuickAccess(TZCLTreeListNode* Node);
  TZCLShellTreeViewOptionsBehavior* FShellOptionsBehavior = nullptr;
  TZCLShellTreeViewOptionsView* FShellOptionsView = nullptr;
  TZCLShellImageList* FImages = nullptr;
  TZCLTreeListNode* FQuickAccess = nullptr;
  String FSelectedPath;
  bool FQuickAccessExpanded = true;
  bool FDriveCallback = false;
  Integer FLoadCount = 0;
};

class TZCLShellTreeView : public TZCLCustomTreeList {
  ZCL_CLASS(TZCLShellTreeView, TZCLCustomTreeList)
 public:
  using TZCLCustomTreeList::TZCLCustomTreeList;
  static void DeclareProperties(TClassDeclaration<TZCLShellTreeView>& D);

  TZCLShellTreeViewSubClass* GetShellSubClass() const { return static_cast<TZCLShellTreeViewSubClass*>(FSubClass); }
  TZCLShellTreeViewOptionsBehavior* GetOptionsBehavior() const { return GetShellSubClass()->GetShellOptionsBehavior(); }
  void SetOptionsBehavior(TZCLShellTreeViewOptionsBehavior* Value) { GetOptionsBehavior()->Assign(Value); }
  TZCLShellTreeViewOptionsView* GetOptionsView() const { return GetShellSubClass()->GetShellOptionsView(); }
  void SetOptionsView(TZCLShellTreeViewOptionsView* Value) { GetOptionsView()->Assign(Value); }

  String GetSelectedPath() const { return GetShellSubClass()->GetSelectedPath(); }
  void SetSelectedPath(const String& Value) { GetShellSubClass()->SetSelectedPath(Value); }
  String GetPath(TZCLTreeListNode* Node) const { return GetShellSubClass()->GetPath(Node); }
  // Asks for the name (Name to start with) and makes the folder in the focused one; an empty
  // answer makes "New folder". False when cancelled or nothing is focused.
  bool CreateFolder(const String& Name);

 protected:
  TZCLCompoundControlSubClass* CreateSubClass() override;
};

void RegisterShellTreeViewClasses();

#pragma once
// A list of folders, each with its Recursive flag: a click on the flag's column toggles it,
// dropped existing folders are added as recursive. Its actions (Add..., Delete, Delete All) serve
// its popup menu and any buttons bound to them; their texts come from the language file's section
// "ZEPHSearchPathList".

#include <functional>
#include <vector>

#include "zcl/ui/treelist/ZCL.UI.TreeList.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.ViewInfo.h"

class TActionList;
class TCustomAction;
class TZCLSearchPaths;
class TZEPHSearchPathList;

// Column 0 holds the folder, the node's Tag its Recursive flag.
class TZEPHSearchPathListSubClass : public TZCLTreeListSubClass {
  ZCL_CLASS(TZEPHSearchPathListSubClass, TZCLTreeListSubClass)
 public:
  using TZCLTreeListSubClass::TZCLTreeListSubClass;
  void NodeRemoving(TZCLTreeListNode* Node) override;
  void DoDrop(TZCLDropTarget* Data, TZCLDropAction Action, TZCLTreeListNode* Target,
              TZCLTreeListDropTargetInsertMode Mode) override;

 protected:
  void ProcessMouseDown(TMouseButton Button, TShiftState Shift) override;

 private:
  TZEPHSearchPathList* GetList() const;
};

class TZEPHSearchPathList : public TZCLCustomTreeList {
  ZCL_CLASS(TZEPHSearchPathList, TZCLCustomTreeList)
  friend class TZEPHSearchPathListSubClass;

 public:
  explicit TZEPHSearchPathList(TComponent* AOwner);
  ~TZEPHSearchPathList() override;
  void AfterConstruction() override;

  // 0 Add..., 1 Delete, 2 Delete All (the tag is the index); null in design mode.
  TCustomAction* GetAction(Integer Index) const;
  // Enables each action for the list's state now rather than at the next idle moment.
  void UpdateActions();
  // Browses for folders starting at LastPath; adds each chosen folder, recursive when both the
  // browser's choice and the folder's own flag say so. LastPath becomes the last folder added.
  void AddFromBrowser();
  // Its own section, whatever the form's.
  void Localize(const String& Section, const String& Name) override;
  const String& GetColumnCaption(Integer Index) const { return FColumnCaptions[Index & 1]; }

  Integer GetCount() const;
  String GetPath(Integer Index) const;
  bool GetRecursive(Integer Index) const;
  bool GetSelected(Integer Index) const;
  void SetSelected(Integer Index, bool Value);
  bool HasSelection() const;

  // Does nothing for a folder already listed.
  void AddPath(const String& Path, bool Recursive);
  void LoadPaths(TZCLSearchPaths* Paths);
  void SavePaths(TZCLSearchPaths* Paths) const;
  void DeleteSelected();
  void DeleteAll();
  void ToggleRecursive(Integer Index);
  // Existing folders among Files are added as recursive; anything else is ignored.
  void DropFiles(const std::vector<String>& Files);

  bool GetShowColumns() const { return FShowColumns; }
  void SetShowColumns(bool Value);
  // The width of the Recursive column.
  Integer GetFlagColumnWidth() const { return FShowColumns ? 75 : 24; }

  String LastPath;
  // Any change of folders or flags.
  TNotifyEvent OnModified;
  // After every change of the list, also loading.
  TNotifyEvent OnUpdated;

 protected:
  TZCLCompoundControlSubClass* CreateSubClass() override;
  void KeyDown(Word& Key, TShiftState Shift) override;

 private:
  TZCLTreeListNode* GetNode(Integer Index) const;
  bool Contains(const String& Path) const;
  // Adds without notifying; false for a folder already listed.
  bool AppendPath(const String& Path, bool Recursive);
  void Changed(bool Modified);
  void NodeRemoved();
  // Runs Remove with the removals' notifications held back; true when it removed a node.
  bool RemoveQuietly(const std::function<void()>& Remove);
  void DrawCell(TObject* Sender, TCanvas* Canvas, TZCLTreeListNodeCustomDrawData& Data, bool& Handled);
  void ActionExecute(TObject* Sender);
  void ActionUpdate(TObject* Sender);
  void ApplyShowColumns();
  TActionList* FActionList = nullptr;
  String FColumnCaptions[2] = {u"Folder", u"Recursive"};
  bool FShowColumns = true;
  // Removals inside one of our own deletions notify once, when it ends.
  Integer FDeleting = 0;
  bool FRemoved = false;
};

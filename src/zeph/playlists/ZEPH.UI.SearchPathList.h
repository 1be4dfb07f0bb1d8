#pragma once
// A list of folders, each with its Recursive flag: a click on the flag's column toggles it,
// dropped existing folders are added as recursive. Its actions (Add..., Delete, Delete All) serve
// its popup menu and any buttons bound to them; their texts come from the language file's section
// "ZEPHSearchPathList".

#include <vector>

#include "vcl/VCL.Controls.h"
#include "zcl/base/ZCL.MUI.h"

class TActionList;
class TCustomAction;
class TZCLSearchPaths;

class TZEPHSearchPathList : public TCustomControl, public IZCLLocalizableComponent {
  ZCL_CLASS(TZEPHSearchPathList, TCustomControl)
  RTL_INTERFACES(TCustomControl, IZCLLocalizableComponent)
 public:
  explicit TZEPHSearchPathList(TComponent* AOwner);
  ~TZEPHSearchPathList() override;

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

  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  const String& GetPath(Integer Index) const { return FItems.at(size_t(Index)).Path; }
  bool GetRecursive(Integer Index) const { return FItems.at(size_t(Index)).Recursive; }
  bool GetSelected(Integer Index) const { return FItems.at(size_t(Index)).Selected; }
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
  Integer GetRowHeight() const { return 18; }

  String LastPath;
  // Any change of folders or flags.
  TNotifyEvent OnModified;
  // After every change of the list, also loading.
  TNotifyEvent OnUpdated;

 protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void Paint() override;

 private:
  struct TItem {
    String Path;
    bool Recursive = false;
    bool Selected = false;
  };
  void Changed(bool Modified);
  void ActionExecute(TObject* Sender);
  void ActionUpdate(TObject* Sender);
  TActionList* FActionList = nullptr;
  String FColumnCaptions[2] = {u"Folder", u"Recursive"};
  Integer HeaderHeight() const { return FShowColumns ? GetRowHeight() : 0; }
  std::vector<TItem> FItems;
  bool FShowColumns = true;
};

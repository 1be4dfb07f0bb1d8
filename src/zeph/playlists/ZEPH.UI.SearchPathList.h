#pragma once
// A list of folders, each with its Recursive flag: a click on the flag's column toggles it,
// dropped existing folders are added as recursive.

#include <vector>

#include "vcl/VCL.Controls.h"

class TZCLSearchPaths;

class TZEPHSearchPathList : public TCustomControl {
  ZCL_CLASS(TZEPHSearchPathList, TCustomControl)
 public:
  explicit TZEPHSearchPathList(TComponent* AOwner);
  ~TZEPHSearchPathList() override;

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
  Integer HeaderHeight() const { return FShowColumns ? GetRowHeight() : 0; }
  std::vector<TItem> FItems;
  bool FShowColumns = true;
};

#pragma once
// File-system utilities.

#include "rtl/RTL.Delegates.h"
#include "zcl/base/ZCL.Classes.h"

class TStringList;

// Search paths

// A list of folders, each with a recursive flag, with a one-line text form for settings:
// "1/music/;0/other/" (1 recursive, 0 not, parts joined by ";").
class TZCLSearchPaths : public TZCLLockablePersistent {
  ZCL_CLASS(TZCLSearchPaths, TZCLLockablePersistent)
 public:
  using TChangeEvent = TDelegate<void(TZCLSearchPaths* Sender)>;

  TZCLSearchPaths();
  explicit TZCLSearchPaths(TChangeEvent OnChange);
  ~TZCLSearchPaths() override;

  // Empty parts and parts without a folder are skipped; the folder of a part is recursive unless
  // its flag character is "0". The change arrives once.
  virtual void FromString(const String& Text);
  String ToString() const override;
  virtual void Clear();
  // A new list of the folders, owned by the caller.
  virtual TStringList* CreatePathList() const;

  // Appends Path with a trailing delimiter.
  void Add(const String& Path, bool Recursive);
  // Out-of-range indexes are ignored.
  void Delete(Integer Index);
  // True when Path lies inside one of the folders or one of the folders lies inside Path, ignoring
  // case; the recursive flags are not consulted.
  bool Overlaps(const String& Path) const;

  Integer GetCount() const;
  // Empty and false for an index out of range.
  String GetPath(Integer Index) const;
  bool GetRecursive(Integer Index) const;

  TChangeEvent OnChange;

 protected:
  // Copies the folders of another TZCLSearchPaths.
  void DoAssign(TPersistent* Source) override;
  void DoChanged(TZCLPersistentChanges Changes) override;

 private:
  // Folders with their trailing delimiter; the item object is the recursive flag (null: false).
  TStringList* FPaths;
};

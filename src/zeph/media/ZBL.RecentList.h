#pragma once
// Most-recently-used lists of texts, newest first, stored as the lines of one INI section.

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Objects.h"

class TZCLIniFile;
class TZCLStringList;

class TZBLRecentList : public TObject {
  ZCL_CLASS(TZBLRecentList, TObject)
 public:
  using TCreateSignature = void(Integer AMaxCount);
  explicit TZBLRecentList(Integer AMaxCount = 10);
  ~TZBLRecentList() override;

  // Moves the text to the top (an equal entry, ignoring case, goes); the oldest entry beyond the
  // maximum is dropped.
  virtual void Add(const String& Text);
  // The section's lines, as many as there are.
  virtual void LoadFromIni(TZCLIniFile* Ini, const String& Section);
  virtual void SaveToIni(TZCLIniFile* Ini, const String& Section);
  // Drops the entries IsValidItem rejects; one OnChange when any went.
  void Validate();
  virtual bool IsValidItem(const String& Text) const { return true; }

  Integer GetCount() const;
  String GetItem(Integer Index) const;
  Integer GetMaxCount() const { return FMaxCount; }
  TZCLStringList* GetItems() const { return FItems; }

  TNotifyEvent OnChange;

 protected:
  void Changed();

 private:
  Integer FMaxCount;
  TZCLStringList* FItems;
};

// A recent list of file names: validation drops names of files that no longer exist.
class TZBLRecentFileList : public TZBLRecentList {
  ZCL_CLASS(TZBLRecentFileList, TZBLRecentList)
 public:
  using TZBLRecentList::TZBLRecentList;
  bool IsValidItem(const String& Text) const override;
};

#include "zeph/media/ZBL.RecentList.h"

#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"

TZBLRecentList::TZBLRecentList(Integer AMaxCount) : FMaxCount(AMaxCount), FItems(Create<TZCLStringList>()) {}

TZBLRecentList::~TZBLRecentList() { Free(FItems); }

void TZBLRecentList::Changed() {
  if (OnChange) OnChange(this);
}

void TZBLRecentList::Add(const String& Text) {
  const Integer index = FItems->IndexOf(Text);
  if (index >= 0) FItems->Delete(index);
  FItems->Insert(0, Text);
  if (FItems->GetCount() > FMaxCount) FItems->Delete(FItems->GetCount() - 1);
  Changed();
}

void TZBLRecentList::LoadFromIni(TZCLIniFile* Ini, const String& Section) {
  FItems->SetText(Ini->ReadSection(Section));
  Changed();
}

void TZBLRecentList::SaveToIni(TZCLIniFile* Ini, const String& Section) {
  Ini->WriteSection(Section, FItems->GetText());
}

void TZBLRecentList::Validate() {
  bool changed = false;
  for (Integer i = FItems->GetCount() - 1; i >= 0; --i) {
    if (IsValidItem(FItems->GetStrings(i))) continue;
    FItems->Delete(i);
    changed = true;
  }
  if (changed) Changed();
}

Integer TZBLRecentList::GetCount() const { return FItems->GetCount(); }
String TZBLRecentList::GetItem(Integer Index) const { return FItems->GetStrings(Index); }

bool TZBLRecentFileList::IsValidItem(const String& Text) const { return zcFileExists(Text); }

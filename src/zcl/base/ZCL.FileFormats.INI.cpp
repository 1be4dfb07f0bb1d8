#include "zcl/base/ZCL.FileFormats.INI.h"

#include <cstdint>
#include <mutex>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.StringList.h"
#include "zcl/base/ZCL.Utils.Strings.h"

// Code pages

namespace {
// Guards building and freeing the list, so that concurrent first calls build it once.
std::mutex& CodePagesLock() {
  static std::mutex lock;
  return lock;
}

constexpr size_t MaxCodePageName = 260;

// The item object holds the code page number, not an object.
TObject* CodePageTag(Integer CodePage) { return reinterpret_cast<TObject*>(static_cast<intptr_t>(CodePage)); }
Integer CodePageOfTag(TObject* Tag) { return static_cast<Integer>(reinterpret_cast<intptr_t>(Tag)); }

Integer CompareNamesLogically(TStringList* List, Integer Index1, Integer Index2) {
  return zcLogicalCompare(List->GetStrings(Index1), List->GetStrings(Index2));
}
}  // namespace

// Linux: the installed code pages are the run-time library's ICU converters that map to a system
// code page number; their names are "<number> (<description>)".
const TStringList& TZCLEncodings::CodePages() {
  std::lock_guard<std::mutex> guard(CodePagesLock());
  if (FCodePages == nullptr) {
    auto* list = new TStringList();
    for (Integer codePage : GetInstalledCodePages()) {
      TCodePageInfo info;
      if (codePage <= 0 || !GetCodePageInfo(codePage, info)) continue;
      list->AddObject(info.CodePageName.substr(0, MaxCodePageName), CodePageTag(codePage));
    }
    list->CustomSort(CompareNamesLogically);
    list->InsertObject(0, u"Default", CodePageTag(0));
    FCodePages = list;
  }
  return *FCodePages;
}

void TZCLEncodings::EnumCodePages(const TZCLEnumCodePagesProc& Proc) {
  const TStringList& list = CodePages();
  for (Integer i = 0; i < list.GetCount(); ++i) Proc(CodePageOfTag(list.GetObjects(i)), list.GetStrings(i));
}

void TZCLEncodings::FreeCodePages() {
  std::lock_guard<std::mutex> guard(CodePagesLock());
  delete FCodePages;
  FCodePages = nullptr;
}

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "rtl/RTL.Numbers.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/media/ZBL.RecentList.h"

namespace {
struct TCounter {
  Integer Count = 0;
  void Handle(TObject*) { ++Count; }
};

std::vector<String> Items(const TZBLRecentList* List) {
  std::vector<String> items;
  for (Integer i = 0; i < List->GetCount(); ++i) items.push_back(List->GetItem(i));
  return items;
}
}  // namespace

TEST(RecentList, AddMovesToTopAndKeepsTheMaximum) {
  TZBLRecentList* list = Create<TZBLRecentList>(10);
  TCounter counter;
  list->OnChange = TNotifyEvent(&counter, &TCounter::Handle);
  for (const char16_t* s : {u"A", u"B", u"C"}) list->Add(s);
  EXPECT_EQ(Items(list), (std::vector<String>{u"C", u"B", u"A"}));
  list->Add(u"b");
  EXPECT_EQ(Items(list), (std::vector<String>{u"b", u"C", u"A"}));
  EXPECT_EQ(counter.Count, 4);
  for (Integer i = 0; i < 10; ++i) list->Add(u"x" + IntToStr(i));
  EXPECT_EQ(list->GetCount(), 10);
  EXPECT_EQ(list->GetItem(0), u"x9");
  EXPECT_EQ(list->GetItem(9), u"x0");
  Free(list);
}

TEST(RecentList, IniSectionRoundTrip) {
  TZCLIniFile* ini = Create<TZCLIniFile>();
  String lines;
  for (Integer i = 0; i < 12; ++i) lines += u"item" + IntToStr(i) + u"\r\n";
  ini->WriteSection(u"Recent", lines);
  TZBLRecentList* list = Create<TZBLRecentList>(10);
  list->LoadFromIni(ini, u"Recent");
  EXPECT_EQ(list->GetCount(), 12);  // the maximum is not applied while loading
  list->Add(u"new");
  EXPECT_EQ(list->GetCount(), 12);
  EXPECT_EQ(list->GetItem(0), u"new");
  EXPECT_EQ(list->GetItem(11), u"item10");
  list->SaveToIni(ini, u"Other");
  TZBLRecentList* copy = Create<TZBLRecentList>(10);
  copy->LoadFromIni(ini, u"Other");
  EXPECT_EQ(Items(copy), Items(list));
  copy->LoadFromIni(ini, u"Missing");
  EXPECT_EQ(copy->GetCount(), 0);
  Free(copy);
  Free(list);
  Free(ini);
}

TEST(RecentList, ValidateDropsMissingFiles) {
  const String dir = UTF8ToString(TempDir()) + u"/";
  std::ofstream(TempDir() + "/one.zcs5") << "x";
  std::ofstream(TempDir() + "/three.zcs5") << "x";
  TZBLRecentFileList* list = Create<TZBLRecentFileList>(10);
  list->Add(dir + u"three.zcs5");
  list->Add(dir + u"two.zcs5");
  list->Add(dir + u"one.zcs5");
  list->Add(dir);  // a folder is no file
  list->Add(dir + u"one.zcs5");
  TCounter counter;
  list->OnChange = TNotifyEvent(&counter, &TCounter::Handle);
  list->Validate();
  EXPECT_EQ(Items(list), (std::vector<String>{dir + u"one.zcs5", dir + u"three.zcs5"}));
  EXPECT_EQ(counter.Count, 1);
  list->Validate();
  EXPECT_EQ(counter.Count, 1);
  Free(list);
}

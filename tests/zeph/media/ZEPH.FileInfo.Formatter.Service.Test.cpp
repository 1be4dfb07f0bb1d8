#include <gtest/gtest.h>

#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.Service.h"

TEST(FormatterService, Format) {
  IPtr<IZEPHServiceFileInfoFormatter> service(Create<TZEPHFileInfoFormatterService>());
  auto text = [](const String& S) {
    return IPtr<IZEPHString>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(S)));
  };
  IPtr<IZEPHString> result;
  EXPECT_EQ(service->Format(nullptr, nullptr, 0, nullptr, result), E_INVALIDARG);
  EXPECT_EQ(service->Format(text(u"%Title").get(), nullptr, 7, nullptr, result), E_INVALIDARG);
  ASSERT_EQ(service->Format(text(u"%Index/%Total %Title").get(), nullptr, 0, nullptr, result), S_OK);
  EXPECT_EQ(PluginStringToStr(result.get()), u"05/10 Title");

  auto* record = Create<TZBLFileInfo>();
  record->SetArtist(u"A");
  IPtr<IZEPHFileInfo> info(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>(record, true, nullptr, 2, 9)));
  ASSERT_EQ(service->Format(text(u"%Index. %Artist").get(), info.get(), 0, nullptr, result), S_OK);
  EXPECT_EQ(PluginStringToStr(result.get()), u"02. A");
}

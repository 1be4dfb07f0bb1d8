#include <gtest/gtest.h>

#include <fstream>

#include "support/TestSupport.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/media/ZEPH.FileManager.Services.FileURI.h"
#include "zeph/media/ZEPH.FileManager.h"

namespace {
IPtr<IZEPHString> S(const String& Text) {
  return IPtr<IZEPHString>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(Text)));
}
String T(const IPtr<IZEPHString>& S) { return S ? PluginStringToStr(S.get()) : String(u"<nil>"); }
}  // namespace

TEST(FileURIService, AnswersThroughTheFileManager) {
  IPtr<IZEPHServiceFileURI2> service;
  ASSERT_TRUE(Supports(static_cast<IInterface*>(GetFileManager()), service));
  std::ofstream(TempDir() + "/a.cue") << "x";
  const String dir = UTF8ToString(TempDir()) + u"/";

  IPtr<IZEPHString> name, container, part;
  EXPECT_EQ(service->Build(S(dir + u"a.cue").get(), S(u"Track.wav").get(), name), S_OK);
  EXPECT_EQ(T(name), dir + u"a.cue:Track.wav");
  EXPECT_EQ(service->Build(S(u"/a.cue").get(), S(u"x:y").get(), name), E_INVALIDARG);
  EXPECT_EQ(service->Build(S(u"/a.cue").get(), S(u".hidden").get(), name), E_INVALIDARG);

  EXPECT_EQ(service->Parse(S(dir + u"a.cue:Track.wav").get(), container, part), S_OK);
  EXPECT_EQ(T(container), dir + u"a.cue");
  EXPECT_EQ(T(part), u"Track.wav");
  IPtr<IZEPHString> plain = S(u"/m/x.mp3");
  EXPECT_EQ(service->Parse(plain.get(), container, part), S_OK);
  EXPECT_EQ(container.get(), plain.get());  // the very object handed in
  EXPECT_FALSE(part);

  name = S(dir + u"a.cue:Track.wav");
  EXPECT_EQ(service->ChangeFileExt(name, S(u".flac").get(), 2), S_OK);
  EXPECT_EQ(T(name), dir + u"a.cue:Track.flac");
  name = S(dir + u"a.cue:Track.wav");
  EXPECT_EQ(service->ChangeFileExt(name, S(u".flac").get(), 0), S_OK);
  EXPECT_EQ(T(name), dir + u"a.flac:Track.wav");
  IPtr<IZEPHString> result;
  EXPECT_EQ(service->ExtractFileExt(S(u"/x.tar.gz").get(), result, 1), S_OK);
  EXPECT_EQ(T(result), u".tar.gz");
  EXPECT_EQ(service->ExtractFileExt(S(u"/x.tar.gz").get(), result, 0), S_OK);
  EXPECT_EQ(T(result), u".gz");
  EXPECT_EQ(service->ExtractFileName(S(dir + u"a.cue:Track 1").get(), result), S_OK);
  EXPECT_EQ(T(result), u"a.cue:Track 1");
  EXPECT_EQ(service->ExtractFilePath(S(dir + u"a.cue:Track 1").get(), result), S_OK);
  EXPECT_EQ(T(result), dir);

  EXPECT_EQ(service->IsURL(S(u"http://host/x").get()), S_OK);
  EXPECT_EQ(service->IsURL(S(u"/m/x.mp3").get()), E_FAIL);
  EXPECT_EQ(service->GetScheme(S(u"zip://a.zip").get(), result), S_OK);
  EXPECT_EQ(T(result), u"zip");
  EXPECT_EQ(service->GetScheme(S(u"/m/x.mp3").get(), result), E_FAIL);
  EXPECT_EQ(service->IsURL(nullptr), E_FAIL);
}

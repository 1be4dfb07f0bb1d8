#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zeph/media/ZTL.Core.h"
#include "zeph/media/ZTL.FileFormats.Common.h"
#include "zeph/media/ZTL.Tags.APEv2.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"

namespace {

std::vector<std::string> GTried;

std::string StreamText(TStream* Stream) {
  std::string s(static_cast<size_t>(Stream->GetSize()), '\0');
  Stream->SetPosition(0);
  Stream->Read(s.data(), static_cast<Integer>(s.size()));
  return s;
}

// Reads streams that start with its marker; records every attempt.
template <class Self>
class TMarkedContainer : public TZTLTagsContainer {
 protected:
  bool DoLoad(TStream* Stream) override {
    GTried.push_back(Self::Marker);
    return StreamText(Stream).starts_with(Self::Marker);
  }
};

class TProbeContainer : public TMarkedContainer<TProbeContainer> {
  ZCL_CLASS(TProbeContainer, TZTLTagsContainer)
 public:
  static constexpr const char* Marker = "PROBE";
};

class TDoubleExtContainer : public TMarkedContainer<TDoubleExtContainer> {
  ZCL_CLASS(TDoubleExtContainer, TZTLTagsContainer)
 public:
  static constexpr const char* Marker = "DOUBLE";
  static String ClassSupportedExts() { return u"*.tar.gz;"; }
  static TZTLTagsContainerCapabilities ClassCapabilities() { return {}; }
};

class TExtContainer : public TMarkedContainer<TExtContainer> {
  ZCL_CLASS(TExtContainer, TZTLTagsContainer)
 public:
  static constexpr const char* Marker = "EXT";
  static String ClassSupportedExts() { return u"*.gz;*.abc;"; }
  static TZTLTagsContainerCapabilities ClassCapabilities() { return {}; }
};

class TRaisingContainer : public TZTLTagsContainer {
  ZCL_CLASS(TRaisingContainer, TZTLTagsContainer)
 protected:
  bool DoLoad(TStream*) override {
    GTried.push_back("RAISE");
    throw EReadError(u"damaged");
  }
};

class TVirtualContainer : public TZTLTagsContainer {
  ZCL_CLASS(TVirtualContainer, TZTLTagsContainer)
 public:
  static TZTLTagsContainerCapabilities ClassCapabilities() { return {tccVirtual}; }
};

// Plain files: any data is audio.
class TPlainContainer : public TZTLTagsContainerCommon {
  ZCL_CLASS(TPlainContainer, TZTLTagsContainerCommon)
 public:
  Int64 StreamInfoAt = -1;

 protected:
  bool LoadStreamInfo(TStream* Stream) override {
    StreamInfoAt = Stream->GetPosition();
    return true;
  }
};

struct TMemFile {
  TMemoryStream Stream;
  explicit TMemFile(const std::string& Bytes) { Stream.WriteBuffer(Bytes.data(), static_cast<Int64>(Bytes.size())); }
};

}  // namespace

TEST(TagsManager, FindsByDoubleExtensionExtensionThenContent) {
  TZTLTagsManager m;
  m.Register(TRaisingContainer::StaticClass());
  m.Register(TExtContainer::StaticClass());
  m.Register(TDoubleExtContainer::StaticClass());
  m.Register(TProbeContainer::StaticClass());
  struct {
    const char* Data;
    const char16_t* Name;
    bool AllowAny;
    bool Found;
    std::vector<std::string> Tried;
  } cases[] = {
      {"DOUBLE", u"a.tar.gz", false, true, {"DOUBLE"}},
      {"EXT", u"a.tar.gz", false, true, {"DOUBLE", "EXT"}},
      {"EXT", u".abc", false, true, {"EXT"}},
      // No class lists ".mp3": every prober is tried; the raising one does not stop the search.
      {"PROBE", u"song.mp3", false, true, {"RAISE", "PROBE"}},
      {"none", u"song.mp3", false, false, {"RAISE", "PROBE"}},
      // Without a name, classes that do not probe are tried only when any class is allowed.
      {"EXT", u"", false, false, {"RAISE", "PROBE"}},
      {"EXT", u"", true, true, {"RAISE", "PROBE", "EXT"}},
  };
  for (const auto& c : cases) {
    GTried.clear();
    TMemFile f(c.Data);
    TZTLTagsContainer* container = reinterpret_cast<TZTLTagsContainer*>(1);
    EXPECT_EQ(m.Find(&f.Stream, container, nullptr, c.Name, c.AllowAny), c.Found) << "case " << (&c - cases);
    EXPECT_EQ(container != nullptr, c.Found);
    EXPECT_EQ(GTried, c.Tried) << "case " << (&c - cases);
    delete container;
  }
  m.RegisterTagName(u"ID3v2");
  m.RegisterTagName(u"APE");
  m.RegisterTagName(u"id3v2");
  EXPECT_EQ(m.GetTagTypes()->GetDelimitedText(u",", false), u"APE,ID3v2");
}

TEST(TagsContainer, VirtualUrlAndFileFormat) {
  std::unique_ptr<TZTLTagsContainer> v(TVirtualContainer::StaticClass()->Create<TZTLTagsContainer>());
  TMemFile f("x");
  EXPECT_THROW(v->LoadFromStream(&f.Stream), EInvalidOperation);
  v->SetFileName(u"/tmp/x.mp3");
  try {
    v->Save();
    ADD_FAILURE();
  } catch (const EZTLError& e) {
    EXPECT_EQ(e.GetMessage(), u"Cannot modify virtual container");
  }
  std::unique_ptr<TZTLTagsContainer> url(
      TZTLTagsContainer::Create(TProbeContainer::StaticClass(), String(u"http://host/a.mp3"), nullptr));
  EXPECT_FALSE(url->GetLoaded());
  EXPECT_EQ(url->GetFileFormat(), u"MP3");
}

TEST(TagsContainer, MergesTagsWithTruncatedValuesLast) {
  TMemFile f("audio");
  std::unique_ptr<TPlainContainer> c(
      static_cast<TPlainContainer*>(TZTLTagsContainer::Create(TPlainContainer::StaticClass(), &f.Stream, nullptr)));
  ASSERT_TRUE(c->GetLoaded());
  EXPECT_EQ(c->StreamInfoAt, 0);
  c->GetID3v1()->SetTitle(u"A longer ID3v1 title");
  c->GetID3v2()->SetTitle(u"Short");
  c->GetID3v1()->SetAlbum(u"Only in ID3v1");
  c->GetID3v2()->SetArtist(u"Bjork");
  c->GetAPEv2()->SetArtist(u"Björk");
  std::unique_ptr<TZBLFileInfo> info(c->GetFileInfo());
  EXPECT_EQ(info->GetTitle(), u"Short");
  EXPECT_EQ(info->GetAlbum(), u"Only in ID3v1");
  EXPECT_EQ(info->GetArtist(), u"Björk");
}

TEST(TagsContainer, PlainFileSavesAllThreeTagsAndKeepsAttributes) {
  const std::string path = TempDir() + "/plain.mp3";
  const std::string audio = "\xFF\xFB\x90\x00" + std::string(3000, 'a');
  {
    TMemFile f(audio);
    std::ofstream(path, std::ios::binary).write(audio.data(), static_cast<std::streamsize>(audio.size()));
  }
  const String name = UTF8ToString(path);
  std::unique_ptr<TPlainContainer> c(
      static_cast<TPlainContainer*>(TZTLTagsContainer::Create(TPlainContainer::StaticClass(), name, nullptr)));
  ASSERT_TRUE(c->GetLoaded());
  c->GetID3v2()->SetTitle(u"Title");
  c->GetAPEv2()->SetAlbum(u"Album");
  c->GetID3v1()->SetArtist(u"Artist");
  chmod(path.c_str(), 0444);
  c->Save();
  struct stat st {};
  stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0444u);  // read-only again after the save
  chmod(path.c_str(), 0644);
  std::unique_ptr<TPlainContainer> back(
      static_cast<TPlainContainer*>(TZTLTagsContainer::Create(TPlainContainer::StaticClass(), name, nullptr)));
  EXPECT_EQ(back->StreamInfoAt, 4096);
  EXPECT_EQ(back->GetID3v2()->GetTitle(), u"Title");
  EXPECT_EQ(back->GetAPEv2()->GetAlbum(), u"Album");
  EXPECT_EQ(back->GetID3v1()->GetArtist(), u"Artist");
  EXPECT_EQ(back->GetID3v1()->GetSize(), 128u);
  // All three deleted: only the audio remains.
  for (Integer i = 0; i < back->GetTagCount(); ++i) back->GetTag(i)->SetDeleteTagOnSave(true);
  back->Save();
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), audio);
}

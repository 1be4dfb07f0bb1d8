#include <gtest/gtest.h>

#include <fstream>

#include "support/TestSupport.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/media/ZEPH.FileManager.KnownFormats.h"

TEST(KnownFormats, ExtListHelpers) {
  EXPECT_EQ(UniqueExtList(u"*.mp3;*.ogg;*.MP3;*.xmp3;;*.ogg"), u"*.mp3;*.ogg;*.xmp3;");
  EXPECT_EQ(UniqueExtList(u""), u"");
  EXPECT_EQ(NormalizeExtList(u"*.a"), u"*.a;");
  EXPECT_EQ(NormalizeExtList(u"*.a;"), u"*.a;");
  EXPECT_EQ(NormalizeExtList(u""), u"");
}

TEST(KnownFormats, IsSupported) {
  TZEPHFileManagerKnownFormats* formats = Create<TZEPHFileManagerKnownFormats>();
  formats->Register(u"MPEG Audio", u"*.mp3;*.mp2", zfkAudio);
  formats->Register(u"Playlists", u"*.m3u;", zfkPlaylist);
  TZEPHFileManagerKnownFormatInfo* odd = formats->Register(u"Odd", u"*.odd;", 9);
  std::ofstream(TempDir() + "/a.cue") << "x";
  const String part = UTF8ToString(TempDir()) + u"/a.cue:Track 1";
  struct Case {
    String Name;
    Byte Mask;
    bool Supported;
  };
  const Case cases[] = {
      {u"/Music/A.MP3", zfkmAll, true},        {u"/Music/a.mp2", zfkmAudio, true},
      {u"/Music/a.mp3", zfkmPlaylists, false}, {u"/Music/a.m3u", zfkmPlaylists, true},
      {u"/Music/a.m3u", zfkmAudio, false},     {u"/Music/mp3", zfkmAll, false},
      {u"/Music/a.odd", 0xFF, false},  // kinds of 8 and above are never selected
      {u"http://radio/stream", 0, true},       {part, 0, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(formats->IsSupported(c.Name, c.Mask), c.Supported) << StringToUTF8(c.Name) << " " << int(c.Mask);
  EXPECT_TRUE(formats->Unregister(odd));
  EXPECT_FALSE(formats->Unregister(odd));
  Free(formats);
}

TEST(KnownFormats, ExtListAndFilter) {
  TZEPHFileManagerKnownFormats* formats = Create<TZEPHFileManagerKnownFormats>();
  formats->Register(u"Ogg Vorbis", u"*.ogg;", zfkAudio);
  formats->Register(u"MPEG Audio", u"*.mp3;", zfkAudio);
  formats->Register(u"Other MPEG", u"*.MP3;*.mp2;", zfkAudio);
  formats->Register(u"Playlists", u"*.m3u;*.pls;", zfkPlaylist);
  EXPECT_EQ(formats->GetExtList(zfkmAudio), u"*.ogg;*.mp3;*.mp2;");
  EXPECT_EQ(formats->GetExtList(zfkmAll), u"*.ogg;*.mp3;*.mp2;*.m3u;*.pls;");
  EXPECT_EQ(formats->GetFilter(zfkmAll, true),
            u"All Supported|*.ogg;*.mp3;*.mp2;*.m3u;*.pls;|All Playlists|*.m3u;*.pls;|"
            u"MPEG Audio (*.mp3;)|*.mp3;|Ogg Vorbis (*.ogg;)|*.ogg;|Other MPEG (*.MP3;*.mp2;)|*.MP3;*.mp2;|"
            u"Playlists (*.m3u;*.pls;)|*.m3u;*.pls;|");
  EXPECT_EQ(formats->GetFilter(zfkmAudio, true),
            u"All Supported|*.ogg;*.mp3;*.mp2;|MPEG Audio (*.mp3;)|*.mp3;|Ogg Vorbis (*.ogg;)|*.ogg;|"
            u"Other MPEG (*.MP3;*.mp2;)|*.MP3;*.mp2;|");
  EXPECT_EQ(formats->GetFilter(0, true), u"");
  Free(formats);

  // A long list is cut to 128 characters inside the parentheses and kept whole after the "|".
  formats = Create<TZEPHFileManagerKnownFormats>();
  String list;
  for (Integer i = 0; i < 25; ++i) list += u"*.x" + String(1, static_cast<Char>(u'a' + i)) + u"xxx;";
  ASSERT_EQ(list.size(), 200u);
  formats->Register(u"Many", list, zfkAudio);
  EXPECT_EQ(formats->GetFilter(zfkmAudio, false), u"Many (" + list.substr(0, 128) + u"...)|" + list + u"|");
  Free(formats);
}

TEST(KnownFormats, PluginService) {
  TZEPHFileManagerKnownFormats* formats = Create<TZEPHFileManagerKnownFormats>();
  formats->Register(u"MPEG Audio", u"*.mp3;", zfkAudio);
  formats->Register(u"Playlists", u"*.m3u;", zfkPlaylist);
  IZEPHServiceFileFormats* service = formats;
  IPtr<IZEPHString> text;
  EXPECT_EQ(service->GetFormats(0, text), E_INVALIDARG);
  ASSERT_EQ(service->GetFormats(3, text), S_OK);
  EXPECT_EQ(PluginStringToStr(text.get()), u"*.mp3;*.m3u;");
  auto name = [](const String& S) {
    return IPtr<IZEPHString>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(S)));
  };
  EXPECT_EQ(service->IsSupported(name(u"/a.mp3").get(), 1), S_OK);
  EXPECT_EQ(service->IsSupported(name(u"/a.mp3").get(), 2), E_FAIL);
  EXPECT_EQ(service->IsSupported(name(u"/a.mp3").get(), 0), E_FAIL);
  EXPECT_EQ(service->IsSupported(name(u"http://radio/x").get(), 0), S_OK);
  Free(formats);
}

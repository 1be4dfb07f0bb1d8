#include <benchmark/benchmark.h>

#include <string>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zeph/media/ZEPH.Media.Units.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.PL4.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.h"
#include "zeph/playlists/ZEPH.Playlists.Units.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"

namespace {

const TBytes& PlaylistFile() {
  static const TBytes bytes = [] {
    InitializeUnits(RtlUnits());
    String text = u"#-----SUMMARY-----#\r\nName=Big\r\n\r\n#-----CONTENT-----#\r\n";
    for (int i = 0; i < 100000; ++i) {
      const String n = IntToStr(i);
      text += u"/music/Artist " + IntToStr(i % 300) + u"/Album " + IntToStr(i % 1000) + u"/" + n +
              u".mp3|Title " + n + u"|Artist " + IntToStr(i % 300) + u"|Album " + IntToStr(i % 1000) +
              u"||Rock|2001|" + IntToStr(i % 12 + 1) + u"|1|||320|2|44100|215000|8600000|0|1|" + n +
              u"||||16||MP3||\r\n";
    }
    TBytes b = {0xFF, 0xFE};
    for (Char c : text) {
      b.push_back(static_cast<Byte>(c & 0xFF));
      b.push_back(static_cast<Byte>(c >> 8));
    }
    return b;
  }();
  return bytes;
}

class Counter : public TZCLUnknownObject, public IZEPHPlaylistItemsReceiver {
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistItemsReceiver)
 public:
  void AddGroup(const String&, bool) override {}
  void AddItem(const String&, TZEPHPlaylistCustomItem*, Integer) override { ++Items; }
  int Items = 0;
};

// The floor: decode the text, split it into lines and fields, nothing more.
void BM_DecodeAndSplitFloor(benchmark::State& State) {
  const TBytes& bytes = PlaylistFile();
  for (auto _ : State) {
    TCustomMemoryStream stream(bytes.data(), static_cast<NativeInt>(bytes.size()));
    const String text = zcStreamReadText(&stream, nullptr);
    const Char* cursor = text.data();
    Integer left = static_cast<Integer>(text.size());
    StringView line;
    size_t fields = 0;
    while (left > 0) {
      zcReadLine(cursor, left, line);
      const Char* fc = line.data();
      Integer fl = static_cast<Integer>(line.size());
      StringView part;
      while (fl > 0) {
        zcReadToken(fc, fl, part, u'|');
        ++fields;
      }
    }
    benchmark::DoNotOptimize(fields);
  }
}
BENCHMARK(BM_DecodeAndSplitFloor)->Unit(benchmark::kMillisecond);

void BM_ReadPlaylistV4(benchmark::State& State) {
  const TBytes& bytes = PlaylistFile();
  for (auto _ : State) {
    TCustomMemoryStream stream(bytes.data(), static_cast<NativeInt>(bytes.size()));
    TZEPHPL4FormatReader reader(&stream);
    Counter counter;
    reader.Read(nullptr, &counter);
    if (counter.Items != 100000) State.SkipWithError("wrong entry count");
  }
}
BENCHMARK(BM_ReadPlaylistV4)->Unit(benchmark::kMillisecond);

}  // namespace
void BM_RegroupByAlbum(benchmark::State& State) {
  static const bool initialized = [] {
    PlaylistFile();  // starts the run-time library's units
    InitializeUnits(OsUnits());
    InstallHeadlessBackend(THeadlessConfig::Single(96));
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    InitializeUnits(ZephMediaUnits());
    InitializeUnits(ZephPlaylistsUnits());
    return true;
  }();
  (void)initialized;
  TZEPHPlaylistStorage playlist;
  playlist.GetSettings()->SetFlag(zpsfInheritGrouping, false);
  playlist.GetSettings()->SetGroupFormatLine(u"%Album");
  playlist.BeginUpdate();
  for (int i = 0; i < 100000; ++i)
    playlist.AddEntry(u"/music/" + IntToStr(i) + u".mp3")->SetAlbum(u"Album " + IntToStr(i / 12));
  playlist.EndUpdate();
  for (auto _ : State) playlist.Regroup();
  if (playlist.GetGroups()->GetCount() != (100000 + 11) / 12) State.SkipWithError("wrong group count");
}
BENCHMARK(BM_RegroupByAlbum)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

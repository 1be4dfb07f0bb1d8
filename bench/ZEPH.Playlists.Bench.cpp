#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

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
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/playlists/ZEPH.FilesScanner.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.PL4.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"
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

namespace {
void StartPlaylistUnits() {
  static const bool initialized = [] {
    PlaylistFile();
    InitializeUnits(OsUnits());
    InstallHeadlessBackend(THeadlessConfig::Single(96));
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    InitializeUnits(ZephMediaUnits());
    InitializeUnits(ZephPlaylistsUnits());
    PlaylistCommonSettings()->SetOption(zpoAllowUndo, false);
    PlaylistCommonSettings()->SetOption(zpoAutoScanPlaylists, false);
    return true;
  }();
  (void)initialized;
}

void FillSortable(TZEPHPlaylistStorage& Playlist) {
  Playlist.GetSettings()->SetFlag(zpsfInheritGrouping, false);
  Playlist.GetSettings()->SetFlag(zpsfGrouping, false);
  Playlist.BeginUpdate();
  for (int i = 0; i < 100000; ++i) {
    TZEPHPlaylistItem* item = Playlist.AddEntry(u"/music/" + IntToStr(i) + u".mp3");
    item->SetArtist(u"Artist " + IntToStr(static_cast<Integer>((static_cast<Int64>(i) * 7919) % 997)));
    item->SetTitle(u"Title " + IntToStr(static_cast<Integer>((static_cast<Int64>(i) * 104729) % 100000)));
  }
  Playlist.EndUpdate();
}
}  // namespace

// Sorting by a template: formatting both keys in every comparison.
void BM_SortByTemplate(benchmark::State& State) {
  StartPlaylistUnits();
  TZEPHPlaylistStorage playlist;
  FillSortable(playlist);
  for (auto _ : State) {
    State.PauseTiming();
    playlist.Shuffle(0);
    State.ResumeTiming();
    playlist.SortByTemplate(u"%Artist - %Title");
  }
}
BENCHMARK(BM_SortByTemplate)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor: the same keys computed once, compared logically in a stable sort.
void BM_SortPrecomputedKeysFloor(benchmark::State& State) {
  StartPlaylistUnits();
  TZEPHPlaylistStorage playlist;
  FillSortable(playlist);
  for (auto _ : State) {
    std::vector<std::pair<String, TZEPHPlaylistItem*>> keys;
    keys.reserve(100000);
    for (Integer i = 0; i < playlist.GetItems()->GetCount(); ++i) {
      TZEPHPlaylistItem* item = playlist.GetItems()->Get(i);
      keys.emplace_back(item->GetArtist() + u" - " + item->GetTitle(), item);
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return zcLogicalCompare(a.first, b.first) < 0; });
    benchmark::DoNotOptimize(keys.data());
  }
}
BENCHMARK(BM_SortPrecomputedKeysFloor)->Unit(benchmark::kMillisecond)->Iterations(3);

namespace {
std::unique_ptr<TZCLStringList> FolderList(int Count) {
  std::unique_ptr<TZCLStringList> files(Create<TZCLStringList>());
  for (int i = 0; i < Count; ++i) {
    auto* info = Create<TZBLFileInfo>();
    info->GetStreamInfo().Duration = 1000;
    info->GetStreamInfo().SampleRate = 44100;
    IPtr<IZBLFileInfo> holder(Create<TZBLFileInfoKeeper>(info));
    files->Add(u"/music/folder/" + IntToStr(i) + u".mp3", nullptr, holder.get());
  }
  return files;
}
}  // namespace

// Refilling a 50,000-entry playlist from a 50,000-file source with every tenth file new.
void BM_SyncFromList(benchmark::State& State) {
  StartPlaylistUnits();
  std::unique_ptr<TZCLStringList> first = FolderList(50000);
  std::unique_ptr<TZCLStringList> second(Create<TZCLStringList>());
  for (Integer i = 0; i < first->GetCount(); ++i)
    second->Add(i % 10 == 0 ? u"/music/folder/new" + IntToStr(i) + u".mp3" : first->GetStrings(i), nullptr,
                first->GetInterfaces(i));
  TZEPHPlaylistStorage playlist;
  playlist.GetSettings()->SetFlag(zpsfInheritGrouping, false);
  playlist.GetSettings()->SetFlag(zpsfGrouping, false);
  bool flip = false;
  for (auto _ : State) {
    playlist.SyncFromList(flip ? second.get() : first.get(), String());
    flip = !flip;
  }
  if (playlist.GetItems()->GetCount() != 50000) State.SkipWithError("wrong entry count");
}
BENCHMARK(BM_SyncFromList)->Unit(benchmark::kMillisecond)->Iterations(4);

// The floor: which names are gone and which are new, through hash sets.
void BM_SyncNameDifferenceFloor(benchmark::State& State) {
  StartPlaylistUnits();
  std::unique_ptr<TZCLStringList> first = FolderList(50000);
  std::vector<String> second;
  for (Integer i = 0; i < first->GetCount(); ++i)
    second.push_back(i % 10 == 0 ? u"/music/folder/new" + IntToStr(i) + u".mp3" : first->GetStrings(i));
  for (auto _ : State) {
    std::unordered_set<String> had;
    for (Integer i = 0; i < first->GetCount(); ++i) had.insert(first->GetStrings(i));
    std::unordered_set<String> now(second.begin(), second.end());
    size_t gone = 0, added = 0;
    for (const String& n : had) gone += now.count(n) == 0;
    for (const String& n : second) added += had.count(n) == 0;
    benchmark::DoNotOptimize(gone + added);
  }
}
BENCHMARK(BM_SyncNameDifferenceFloor)->Unit(benchmark::kMillisecond)->Iterations(4);

namespace {
const std::string& ScanTree() {
  static const std::string root = [] {
    char pattern[] = "/tmp/zeph-bench-scan-XXXXXX";
    std::string r = mkdtemp(pattern);
    for (int d = 0; d < 100; ++d) {
      std::filesystem::create_directories(r + "/d" + std::to_string(d / 10) + "/e" + std::to_string(d));
      for (int f = 0; f < 100; ++f)
        std::ofstream(r + "/d" + std::to_string(d / 10) + "/e" + std::to_string(d) + "/" + std::to_string(f) + ".mp3");
    }
    return r;
  }();
  return root;
}
}  // namespace

// The files scanner over a 10,000-file tree (both passes, no information read).
void BM_ScanTree(benchmark::State& State) {
  StartPlaylistUnits();
  static TZEPHFileManagerKnownFormatInfo* mp3 =
      GetFileManager()->GetKnownFormats()->Register(u"MP3 bench", u"*.mp3;", 0);
  (void)mp3;
  std::unique_ptr<TZCLStringList> items(Create<TZCLStringList>());
  items->Add(UTF8ToString(ScanTree()));
  std::unique_ptr<TZEPHFileManagerExpandAttributes> attributes(Create<TZEPHFileManagerExpandAttributes>());
  attributes->Add(String(zfeaRecursive), true);
  for (auto _ : State) {
    auto* scanner = new TZEPHFilesScanner(nullptr, items.get(), attributes.get());
    scanner->GetDurationFilter()->Enabled = false;
    TZCLTaskDispatcher::RunInCurrentThread(scanner);
  }
}
BENCHMARK(BM_ScanTree)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor: listing the same tree.
void BM_ScanTreeDirectoryIteratorFloor(benchmark::State& State) {
  const std::string& root = ScanTree();
  for (auto _ : State) {
    size_t files = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) files += e.is_regular_file();
    if (files != 10000) State.SkipWithError("wrong file count");
  }
}
BENCHMARK(BM_ScanTreeDirectoryIteratorFloor)->Unit(benchmark::kMillisecond)->Iterations(3);

// The like-for-like floor: listing the tree and, as reading tags must, opening each file, taking
// its size, reading its head and its last 128 bytes.
void BM_ScanTreeOpenAndReadFloor(benchmark::State& State) {
  const std::string& root = ScanTree();
  for (auto _ : State) {
    size_t files = 0;
    char head[4096];
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
      if (!e.is_regular_file()) continue;
      std::ifstream in(e.path(), std::ios::binary);
      in.read(head, sizeof head);
      in.clear();
      in.seekg(0, std::ios::end);
      const std::streamoff size = in.tellg();
      if (size > 128) {
        in.seekg(-128, std::ios::end);
        in.read(head, 128);
      }
      benchmark::DoNotOptimize(head);
      ++files;
    }
    if (files != 10000) State.SkipWithError("wrong file count");
  }
}
BENCHMARK(BM_ScanTreeOpenAndReadFloor)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();

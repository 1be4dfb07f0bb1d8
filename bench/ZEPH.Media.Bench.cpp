// Media files: expanding a folder tree into media files, against the standard library's recursive
// directory iterator; formatting the two default display lines of playlist entries, against
// hand-written concatenation.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Units.h"
#include "rtl/RTL.Variant.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.h"
#include "zeph/media/ZEPH.Media.Units.h"

namespace {
namespace fs = std::filesystem;

// 100 folders of 100 files each, made once.
const std::string& Tree() {
  static const std::string root = [] {
    const std::string path = (fs::temp_directory_path() / "zephse-media-bench-tree").string();
    if (!fs::exists(path + "/f99/t99.mp3")) {
      for (int f = 0; f < 100; ++f) {
        const std::string folder = path + "/f" + std::to_string(f);
        fs::create_directories(folder);
        for (int t = 0; t < 100; ++t) std::ofstream(folder + "/t" + std::to_string(t) + ".mp3");
      }
    }
    return path;
  }();
  return root;
}

class TCounter : public TInterfacedObject, public IZEPHFileManagerFilesReceiver {
  RTL_INTERFACES(TInterfacedObject, IZEPHFileManagerFilesReceiver)
 public:
  void ReceiveFile(const String&, IZBLFileInfo*, bool&) override { ++Count; }
  Integer Count = 0;
};

void BM_ExpandTree_FileManager(benchmark::State& State) {
  const String root = UTF8ToString(Tree());
  TZEPHFileManagerExpandAttributes* attributes = Create<TZEPHFileManagerExpandAttributes>();
  attributes->Add(u"Recursive", true);
  attributes->Add(u"ScanForExts", u"*.mp3;");
  attributes->Add(u"CheckExt", false);
  for (auto _ : State) {
    IPtr<TCounter> counter(Create<TCounter>());
    bool stop = false;
    GetFileManager()->Expand(root, nullptr, counter.get(), attributes, stop);
    if (counter->Count != 10000) State.SkipWithError("wrong count");
  }
  Free(attributes);
  State.SetItemsProcessed(State.iterations() * 10000);
}
BENCHMARK(BM_ExpandTree_FileManager)->Unit(benchmark::kMillisecond);

void BM_ExpandTree_StdFilesystem(benchmark::State& State) {
  const std::string root = Tree();
  for (auto _ : State) {
    std::vector<std::u16string> names;
    for (const auto& entry : fs::recursive_directory_iterator(root))
      if (entry.is_regular_file() && entry.path().extension() == ".mp3") names.push_back(entry.path().u16string());
    if (names.size() != 10000) State.SkipWithError("wrong count");
    benchmark::DoNotOptimize(names.data());
  }
  State.SetItemsProcessed(State.iterations() * 10000);
}
BENCHMARK(BM_ExpandTree_StdFilesystem)->Unit(benchmark::kMillisecond);

constexpr Integer RecordCount = 100000;

std::vector<TZBLFileInfo*>& Records() {
  static std::vector<TZBLFileInfo*> records = [] {
    std::vector<TZBLFileInfo*> list;
    for (Integer i = 0; i < RecordCount; ++i) {
      TZBLFileInfo* info = Create<TZBLFileInfo>();
      if (i % 4) info->SetArtist(u"Artist " + IntToStr(i % 97));
      info->SetTitle(u"Title of track " + IntToStr(i));
      info->SetFileName(u"/music/album" + IntToStr(i % 300) + u"/track" + IntToStr(i) + u".mp3");
      info->SetFileSize(3000000 + i);
      TZBLStreamInfo s;
      s.Bitrate = 320;
      s.SampleRate = 44100;
      info->SetStreamInfo(s);
      list.push_back(info);
    }
    return list;
  }();
  return records;
}

void BM_DisplayLines_Templates(benchmark::State& State) {
  TZEPHFileInfoFormatStringFactory* factory = TZEPHFileInfoFormatStringFactory::Instance();
  TZCLFormatString* main = factory->CompileTemplate(u"%IF(%Artist,%Artist - %Title,%Title)");
  TZCLFormatString* second = factory->CompileTemplate(u"%FileFormat :: %SampleRate, %BitRate, %FileSize");
  TZEPHFileInfoFormatStringContext context;
  Records();
  for (auto _ : State) {
    size_t length = 0;
    for (TZBLFileInfo* info : Records()) {
      context.Setup(info);
      length += VarToStr(main->Evaluate(&context)).size() + VarToStr(second->Evaluate(&context)).size();
    }
    benchmark::DoNotOptimize(length);
  }
  Free(second);
  Free(main);
  State.SetItemsProcessed(State.iterations() * RecordCount);
}
BENCHMARK(BM_DisplayLines_Templates)->Unit(benchmark::kMillisecond);

void BM_DisplayLines_HandWritten(benchmark::State& State) {
  Records();
  for (auto _ : State) {
    size_t length = 0;
    for (TZBLFileInfo* info : Records()) {
      const String main = info->GetArtist().empty() ? info->GetTitle() : info->GetArtist() + u" - " + info->GetTitle();
      const TZBLStreamInfo& s = info->GetStreamInfo();
      const String second = zcExtractFileFormat(info->GetFileName()) + u" :: " + UIntToStr(s.SampleRate / 1000) +
                            u" kHz, " + IntToStr(s.Bitrate) + u" kbps, " + zcFormatSize(info->GetFileSize());
      length += main.size() + second.size();
    }
    benchmark::DoNotOptimize(length);
  }
  State.SetItemsProcessed(State.iterations() * RecordCount);
}
BENCHMARK(BM_DisplayLines_HandWritten)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  THeadlessConfig config;
  config.ManualClock = false;
  InstallHeadlessBackend(config);
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
  InitializeUnits(ZephMediaUnits());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (TZBLFileInfo* info : Records()) Free(info);
  FinalizeUnits();
  return 0;
}

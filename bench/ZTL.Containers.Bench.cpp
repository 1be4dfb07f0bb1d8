// Tags and audio properties of 1,000 files on disk (FLAC, Ogg Vorbis, Opus, M4A and WMA, 200 of
// each, made once by the formats' own encoders), and a changed title saved into 100 of them, with
// ours and with TagLib side by side.
#include <benchmark/benchmark.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/media/ZEPH.Media.Units.h"
#include "zeph/media/ZTL.Core.h"

namespace fs = std::filesystem;

namespace {

std::string GFolder;

// The five encoded files, or none when an encoder is missing.
std::vector<std::string> MakeBaseFiles() {
  char pattern[] = "/tmp/zephse-tags-bench-XXXXXX";
  if (!mkdtemp(pattern)) return {};
  GFolder = pattern;
  const std::string cd = "cd '" + GFolder + "' && ";
  const std::string meta = " -metadata title=Title -metadata artist=Artist -metadata album=Album -metadata track=3 ";
  const char* commands[] = {
      "sox -n -r 44100 -c 2 -b 16 tone.wav synth 2 sine 440",
      "flac -s -f -T TITLE=Title -T ARTIST=Artist -T ALBUM=Album -o base.flac tone.wav",
      "oggenc -Q -t Title -a Artist -l Album -o base.ogg tone.wav",
      "opusenc --quiet --title Title --artist Artist --album Album tone.wav base.opus",
  };
  for (const char* c : commands)
    if (std::system((cd + c + " >/dev/null 2>&1").c_str()) != 0) return {};
  for (const char* c : {"-c:a aac -b:a 96k base.m4a", "-c:a wmav2 -b:a 96k base.wma"})
    if (std::system((cd + "ffmpeg -v error -y -i tone.wav" + meta + c + " >/dev/null 2>&1").c_str()) != 0) return {};
  return {"flac", "ogg", "opus", "m4a", "wma"};
}

// 1,000 copies, 200 of each format.
const std::vector<std::string>& Files() {
  static const std::vector<std::string> files = [] {
    std::vector<std::string> out;
    const std::vector<std::string> kinds = MakeBaseFiles();
    if (kinds.empty()) return out;
    fs::create_directories(GFolder + "/files");
    for (int i = 0; i < 200; ++i)
      for (const std::string& k : kinds) {
        const std::string path = GFolder + "/files/" + std::to_string(i) + "." + k;
        fs::copy_file(GFolder + "/base." + k, path, fs::copy_options::overwrite_existing);
        out.push_back(path);
      }
    return out;
  }();
  return files;
}

// As the program reads a file: a buffered stream, the container found by extension and content.
std::unique_ptr<TZTLTagsContainer> OpenOurs(const std::string& Path) {
  const String name = UTF8ToString(Path);
  TZCLBufferedFileStream stream(name, fmOpenRead | fmShareDenyNone, 262144);
  TZTLTagsContainer* container = nullptr;
  GetTagsManager()->Find(&stream, container, nullptr, name, false);
  return std::unique_ptr<TZTLTagsContainer>(container);
}

void BM_Read1000Files_Ours(benchmark::State& State) {
  const std::vector<std::string>& files = Files();
  if (files.empty()) return State.SkipWithError("sox, flac, oggenc, opusenc or ffmpeg is absent");
  for (auto _ : State) {
    size_t total = 0;
    for (const std::string& path : files) {
      std::unique_ptr<TZTLTagsContainer> c = OpenOurs(path);
      if (!c) return State.SkipWithError(("not read: " + path).c_str());
      std::unique_ptr<TZBLFileInfo> info(c->GetFileInfo());
      total += info->GetTitle().size() + info->GetStreamInfo().Duration + info->GetStreamInfo().SampleRate;
    }
    benchmark::DoNotOptimize(total);
  }
  State.SetItemsProcessed(State.iterations() * static_cast<int64_t>(files.size()));
}
BENCHMARK(BM_Read1000Files_Ours)->Unit(benchmark::kMillisecond);

void BM_Read1000Files_TagLib(benchmark::State& State) {
  const std::vector<std::string>& files = Files();
  if (files.empty()) return State.SkipWithError("sox, flac, oggenc, opusenc or ffmpeg is absent");
  for (auto _ : State) {
    size_t total = 0;
    for (const std::string& path : files) {
      TagLib::FileRef f(path.c_str(), true, TagLib::AudioProperties::Average);
      if (f.isNull()) return State.SkipWithError(("not read: " + path).c_str());
      total += f.tag()->title().size() + f.audioProperties()->lengthInMilliseconds() + f.audioProperties()->sampleRate();
    }
    benchmark::DoNotOptimize(total);
  }
  State.SetItemsProcessed(State.iterations() * static_cast<int64_t>(files.size()));
}
BENCHMARK(BM_Read1000Files_TagLib)->Unit(benchmark::kMillisecond);

// Every 10th file, 20 of each format; the title alternates so that every save changes the file.
void BM_SaveTitleInto100Files_Ours(benchmark::State& State) {
  const std::vector<std::string>& files = Files();
  if (files.empty()) return State.SkipWithError("sox, flac, oggenc, opusenc or ffmpeg is absent");
  // The class of each file is found once, as the peer's file reference finds its class from the
  // name without reading the file; the timed part opens each file once by name and saves it.
  std::vector<TZTLTagsContainerClass> classes(files.size());
  for (size_t i = 0; i < files.size(); i += 10) classes[i] = OpenOurs(files[i])->GetContainerClass();
  bool odd = false;
  for (auto _ : State) {
    odd = !odd;
    for (size_t i = 0; i < files.size(); i += 10) {
      std::unique_ptr<TZTLTagsContainer> c(TZTLTagsContainer::Create(classes[i], UTF8ToString(files[i]), nullptr));
      c->GetTag(0)->SetTitle(odd ? u"A changed title" : u"Another changed title, a little longer");
      c->Save();
    }
  }
  State.SetItemsProcessed(State.iterations() * 100);
}
BENCHMARK(BM_SaveTitleInto100Files_Ours)->Unit(benchmark::kMillisecond);

void BM_SaveTitleInto100Files_TagLib(benchmark::State& State) {
  const std::vector<std::string>& files = Files();
  if (files.empty()) return State.SkipWithError("sox, flac, oggenc, opusenc or ffmpeg is absent");
  bool odd = false;
  for (auto _ : State) {
    odd = !odd;
    for (size_t i = 0; i < files.size(); i += 10) {
      TagLib::FileRef f(files[i].c_str(), false);
      f.tag()->setTitle(odd ? "A changed title" : "Another changed title, a little longer");
      if (!f.save()) return State.SkipWithError("not saved");
    }
  }
  State.SetItemsProcessed(State.iterations() * 100);
}
BENCHMARK(BM_SaveTitleInto100Files_TagLib)->Unit(benchmark::kMillisecond);

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
  if (!GFolder.empty()) fs::remove_all(GFolder);
  FinalizeUnits();
  return 0;
}

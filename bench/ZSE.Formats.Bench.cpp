// Building and opening a skin package of about 5 MB (documents and scripts deflated at level 9,
// images stored) side by side with `zip -9` and `unzip` of the same files (skipped when the tools
// are absent). The tools run as child processes, so every benchmark here reports CPU time as its
// manual time: ours the process's, the peer's its children's; the ratios compare those.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zse/engine/ZSE.Engine.Units.h"
#include "zse/formats/ZSE.Formats.Units.h"
#include "zse/formats/ZSE.Formats.ZCS5.h"
#include "zse/script/ZSE.Script.Units.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Folder() {
  static const fs::path folder = fs::temp_directory_path() / ("zse_formats_bench_" + std::to_string(getpid()));
  return folder;
}

// 5 MB of skin files: XML with repeating structure, scripts, language texts, noisy images.
TZSESkin* MakeSkin() {
  static TZSESkin* skin = nullptr;
  if (skin) return skin;
  skin = Create<TZSESkin>();
  skin->GetDetails()->SetName(u"Bench");
  skin->GetDetails()->SetVersion(500);
  std::mt19937 random(7);
  fs::create_directories(Folder() / "files");
  auto add = [&](const String& Name, TZSESkinFileKind Kind, const std::string& Data) {
    skin->GetFiles()->Add(
        Name, Kind, [&](TStream* Stream) { Stream->WriteBuffer(Data.data(), static_cast<Integer>(Data.size())); });
    std::ofstream(Folder() / "files" / (StringToUTF8(Name) + StringToUTF8(SkinFileKindToExt(Kind))), std::ios::binary)
        << Data;
  };
  for (int i = 0; i < 20; ++i) {
    std::string xml = "<layout>";
    while (xml.size() < 120000)
      xml += "<item class=\"Texture\" name=\"item" + std::to_string(random() % 5000) +
             "\"><properties><property name=\"Width\" value=\"" + std::to_string(random() % 400) +
             "\"/></properties></item>\n";
    add(u"Layout" + IntToStr(i), sfkDocument, xml + "</layout>");
  }
  for (int i = 0; i < 25; ++i) {
    std::string pixels(100000, '\0');
    for (size_t p = 0; p < pixels.size(); ++p) pixels[p] = static_cast<char>((p % 4 == 3) ? 255 : (random() & 0x3F));
    add(u"Image" + IntToStr(i), sfkImage, pixels);
  }
  for (int i = 0; i < 10; ++i) {
    std::string script;
    while (script.size() < 50000) script += "procedure Click" + std::to_string(random() % 900) + "; begin Run; end;\n";
    add(u"Script" + IntToStr(i), sfkScript, script);
  }
  return skin;
}

double SelfCpu() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double ChildrenCpu() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  auto seconds = [](const timeval& T) { return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

const String PackageName() { return UTF8ToString((Folder() / "bench.zcs5").string()); }

void BM_Build_ZCS5(benchmark::State& State) {
  TZSESkin* skin = MakeSkin();
  for (auto _ : State) {
    const double start = SelfCpu();
    TZCLFileStream stream(PackageName(), fmCreate);
    TZSESkinFormatZCS5::StaticClass()->Save(&stream, skin, nullptr);
    State.SetIterationTime(SelfCpu() - start);
  }
}
BENCHMARK(BM_Build_ZCS5)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_Open_ZCS5(benchmark::State& State) {
  {
    TZCLFileStream stream(PackageName(), fmCreate);
    TZSESkinFormatZCS5::StaticClass()->Save(&stream, MakeSkin(), nullptr);
  }
  for (auto _ : State) {
    const double start = SelfCpu();
    auto* skin = Create<TZSESkin>();
    TZSESkinManager::LoadFromFile(PackageName(), skin);
    Int64 total = 0;
    for (Integer i = 0; i < skin->GetFiles()->GetCount(); ++i) {
      IZCLStreamContainer* data = skin->GetFiles()->GetItem(i)->GetData().get();
      total += data->LockStream()->GetSize();
      data->UnlockStream();
    }
    benchmark::DoNotOptimize(total);
    Free(skin);
    State.SetIterationTime(SelfCpu() - start);
  }
}
BENCHMARK(BM_Open_ZCS5)->Unit(benchmark::kMillisecond)->UseManualTime();

bool HaveZip() { return std::system("command -v zip >/dev/null 2>&1 && command -v unzip >/dev/null 2>&1") == 0; }

void BM_Build_Zip9(benchmark::State& State) {
  MakeSkin();
  if (!HaveZip()) {
    State.SkipWithError("zip is not installed");
    return;
  }
  const std::string command =
      "cd '" + (Folder() / "files").string() + "' && rm -f ../bench.zip && zip -9 -q ../bench.zip *";
  for (auto _ : State) {
    const double start = ChildrenCpu();
    if (std::system(command.c_str()) != 0) State.SkipWithError("zip failed");
    State.SetIterationTime(ChildrenCpu() - start);
  }
}
BENCHMARK(BM_Build_Zip9)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_Open_Unzip(benchmark::State& State) {
  MakeSkin();
  if (!HaveZip()) {
    State.SkipWithError("zip is not installed");
    return;
  }
  const std::string folder = Folder().string();
  std::system(("cd '" + folder + "/files' && rm -f ../bench.zip && zip -9 -q ../bench.zip *").c_str());
  const std::string command = "unzip -qq -o '" + folder + "/bench.zip' -d '" + folder + "/out'";
  for (auto _ : State) {
    const double start = ChildrenCpu();
    if (std::system(command.c_str()) != 0) State.SkipWithError("unzip failed");
    State.SetIterationTime(ChildrenCpu() - start);
  }
}
BENCHMARK(BM_Open_Unzip)->Unit(benchmark::kMillisecond)->UseManualTime();

// The shared ratio reporter compares CPU time of this process; these pairs compare manual time.
class TManualRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& Runs) override {
    ConsoleReporter::ReportRuns(Runs);
    for (const Run& run : Runs)
      if (run.run_type == Run::RT_Iteration && !run.error_occurred)
        FTimes[run.benchmark_name()] = run.GetAdjustedRealTime();
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const std::pair<const char*, const char*> pairs[] = {{"BM_Build_ZCS5/manual_time", "BM_Build_Zip9/manual_time"},
                                                         {"BM_Open_ZCS5/manual_time", "BM_Open_Unzip/manual_time"}};
    for (const auto& [ours, peer] : pairs) {
      auto a = FTimes.find(ours), b = FTimes.find(peer);
      if (a == FTimes.end() || b == FTimes.end() || a->second <= 0) continue;
      std::printf("%-30s %-30s %7.2fx (CPU time, above 1: ours faster)\n", ours, peer, b->second / a->second);
    }
  }

 private:
  std::map<std::string, double> FTimes;
};

}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
  InitializeUnits(ZclGraphicsUnits());
  InitializeUnits(ZclUiUnits());
  InitializeUnits(ZseEngineUnits());
  InitializeUnits(ZseScriptUnits());
  InitializeUnits(ZseFormatsUnits());
  benchmark::Initialize(&argc, argv);
  TManualRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const int result = 0;
  std::error_code error;
  fs::remove_all(Folder(), error);
  return result;
}

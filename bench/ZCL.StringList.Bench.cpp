// Logical (number-aware, case-ignoring) sort of 100,000 file names by the string list, on the
// calling thread and on the pool, beside std::sort with an ICU collator whose numeric collation is
// on; and reading an INI file of 50,000 keys.
#include <benchmark/benchmark.h>
#include <unicode/ucol.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "rtl/RTL.Objects.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
constexpr int NameCount = 100000;
constexpr int SectionCount = 500;
constexpr int KeysPerSection = 100;

const std::vector<String>& Names() {
  static const std::vector<String> names = [] {
    std::mt19937 random(42);
    const char* stems[] = {"Track ", "track", "Disc 1 - Track ", "IMG_", "img_", "Scan "};
    std::vector<String> result;
    result.reserve(NameCount);
    for (int i = 0; i < NameCount; ++i)
      result.push_back(UTF8ToString(std::string(stems[random() % 6]) + std::to_string(random() % 20000) + ".png"));
    return result;
  }();
  return names;
}

void FillList(TZCLStringList& List) {
  List.SetCapacity(NameCount);
  for (const String& name : Names()) List.Add(name);
}

Integer LogicalCompare(const TZCLStringListItem* A, const TZCLStringListItem* B) {
  return zcLogicalCompare(A->Text, B->Text, true);
}

void BM_StringListSortLogical(benchmark::State& State) {
  const bool threaded = State.range(0) != 0;
  for (auto _ : State) {
    State.PauseTiming();
    TZCLStringList list;
    FillList(list);
    State.ResumeTiming();
    list.Sort(LogicalCompare, threaded);
    benchmark::DoNotOptimize(list.GetStrings(0));
    // Freeing the texts is not part of the sort.
    State.PauseTiming();
    list.Clear();
    State.ResumeTiming();
  }
  State.SetLabel(threaded ? "threaded" : "single");
}
BENCHMARK(BM_StringListSortLogical)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StdSortIcuNumericCollator(benchmark::State& State) {
  UErrorCode status = U_ZERO_ERROR;
  UCollator* collator = ucol_open("", &status);
  ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
  ucol_setStrength(collator, UCOL_SECONDARY);  // ignores case
  if (U_FAILURE(status)) {
    State.SkipWithError("no collator");
    return;
  }
  for (auto _ : State) {
    State.PauseTiming();
    std::vector<String> names = Names();
    State.ResumeTiming();
    std::sort(names.begin(), names.end(), [collator](const String& A, const String& B) {
      return ucol_strcoll(collator, A.data(), static_cast<int32_t>(A.size()), B.data(),
                          static_cast<int32_t>(B.size())) == UCOL_LESS;
    });
    benchmark::DoNotOptimize(names.front());
    State.PauseTiming();
    names = std::vector<String>();
    State.ResumeTiming();
  }
  ucol_close(collator);
}
BENCHMARK(BM_StdSortIcuNumericCollator)->Unit(benchmark::kMillisecond)->UseRealTime();

std::filesystem::path IniFilePath() { return std::filesystem::temp_directory_path() / "zephse-bench-50000.ini"; }

// The generated file goes when the program ends.
struct TRemoveIniFile {
  ~TRemoveIniFile() {
    std::error_code ignored;
    std::filesystem::remove(IniFilePath(), ignored);
  }
} GRemoveIniFile;

const String& IniFileName() {
  static const String name = [] {
    const std::filesystem::path path = IniFilePath();
    std::unique_ptr<TZCLIniFile, void (*)(TObject*)> ini(TZCLIniFile::CreateInMemory(), Free);
    for (int s = 0; s < SectionCount; ++s)
      for (int k = 0; k < KeysPerSection; ++k)
        ini->WriteString(UTF8ToString("Section" + std::to_string(s)), UTF8ToString("Key" + std::to_string(k)),
                         UTF8ToString("value " + std::to_string(s * KeysPerSection + k)));
    ini->SaveToFile(UTF8ToString(path.string()));
    return UTF8ToString(path.string());
  }();
  return name;
}

void BM_IniLoad50000Keys(benchmark::State& State) {
  const String& name = IniFileName();
  for (auto _ : State) {
    std::unique_ptr<TZCLIniFile, void (*)(TObject*)> ini(Create<TZCLIniFile>(name), Free);
    benchmark::DoNotOptimize(ini->GetSectionCount());
  }
}
BENCHMARK(BM_IniLoad50000Keys)->Unit(benchmark::kMillisecond);

// Every key of the file read once, section by section, as settings are read.
void BM_IniReadAll50000Keys(benchmark::State& State) {
  std::unique_ptr<TZCLIniFile, void (*)(TObject*)> ini(Create<TZCLIniFile>(IniFileName()), Free);
  std::vector<String> sections, keys;
  for (int s = 0; s < SectionCount; ++s) sections.push_back(UTF8ToString("Section" + std::to_string(s)));
  for (int k = 0; k < KeysPerSection; ++k) keys.push_back(UTF8ToString("key" + std::to_string(k)));
  for (auto _ : State) {
    size_t total = 0;
    for (const String& section : sections)
      for (const String& key : keys) total += ini->ReadString(section, key, String()).size();
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_IniReadAll50000Keys)->Unit(benchmark::kMillisecond);
}  // namespace

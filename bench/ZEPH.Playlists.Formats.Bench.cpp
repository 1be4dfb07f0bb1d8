// Reading 100,000-entry M3U8, PLS and XSPF files: ours against the peer playlist parser on the same
// file; XSPF also against libxml2 parsing the bytes into a tree, the floor of any XML reading.

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <totem-pl-parser.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zeph/media/ZEPH.Media.Units.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.h"
#include "zeph/playlists/ZEPH.Playlists.Units.h"

namespace {
constexpr int kEntries = 100000;

class TCounter : public TZCLUnknownObject, public IZEPHPlaylistItemsReceiver {
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistItemsReceiver)
 public:
  void AddGroup(const String&, bool) override {}
  void AddItem(const String&, TZEPHPlaylistCustomItem*, Integer) override { ++Count; }
  int Count = 0;
};

std::string Name(int I) {
  return "/music/Artist " + std::to_string(I % 300) + "/Album " + std::to_string(I % 1000) + "/" +
         std::to_string(I) + " Song.mp3";
}

// The three files, written once into a folder of their own.
const std::string& Folder() {
  static const std::string folder = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InstallHeadlessBackend(THeadlessConfig::Single(96));
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    InitializeUnits(ZephMediaUnits());
    InitializeUnits(ZephPlaylistsUnits());
    const std::string dir = std::filesystem::temp_directory_path() / ("zeph-formats-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string m3u = "#EXTM3U\r\n", pls = "[playlist]\r\n",
                xspf = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<playlist version=\"1\" "
                       "xmlns=\"http://xspf.org/ns/0/\">\r\n\t<trackList>\r\n";
    for (int i = 0; i < kEntries; ++i) {
      const std::string n = std::to_string(i + 1), name = Name(i), title = "Artist - Song " + n;
      m3u += "#EXTINF:" + std::to_string(180 + i % 120) + "," + title + "\r\n" + name + "\r\n";
      pls += "File" + n + "=" + name + "\r\nTitle" + n + "=" + title + "\r\nLength" + n + "=" +
             std::to_string(180 + i % 120) + "\r\n";
      std::string uri = name;
      for (size_t at; (at = uri.find(' ')) != std::string::npos;) uri.replace(at, 1, "%20");
      xspf += "\t\t<track>\r\n\t\t\t<location>file://" + uri + "</location>\r\n\t\t\t<title>" + title +
              "</title>\r\n\t\t\t<duration>" + std::to_string((180 + i % 120) * 1000) + "</duration>\r\n\t\t</track>\r\n";
    }
    pls += "NumberOfEntries=" + std::to_string(kEntries) + "\r\nVersion=2\r\n";
    xspf += "\t</trackList>\r\n</playlist>\r\n";
    std::ofstream(dir + "/big.m3u8", std::ios::binary) << m3u;
    std::ofstream(dir + "/big.pls", std::ios::binary) << pls;
    std::ofstream(dir + "/big.xspf", std::ios::binary) << xspf;
    return dir;
  }();
  // Removed when the program ends.
  static const struct TCleanup {
    ~TCleanup() { std::filesystem::remove_all(folder); }
  } cleanup;
  return folder;
}

void Ours(benchmark::State& State, const char* File) {
  const String path = UTF8ToString(Folder() + "/" + File);
  for (auto _ : State) {
    TCounter counter;
    TZEPHPlaylistFormats::Read(path, &counter);
    if (counter.Count != kEntries) State.SkipWithError("wrong entry count");
  }
  State.SetItemsProcessed(State.iterations() * kEntries);
}

void OnEntry(TotemPlParser*, const char*, GHashTable*, gpointer Count) { ++*static_cast<int*>(Count); }

void Peer(benchmark::State& State, const char* File) {
  gchar* uri = g_filename_to_uri((Folder() + "/" + File).c_str(), nullptr, nullptr);
  for (auto _ : State) {
    int count = 0;
    TotemPlParser* parser = totem_pl_parser_new();
    g_object_set(parser, "recurse", FALSE, "disable-unsafe", TRUE, nullptr);
    g_signal_connect(parser, "entry-parsed", G_CALLBACK(OnEntry), &count);
    totem_pl_parser_parse(parser, uri, FALSE);
    g_object_unref(parser);
    if (count != kEntries) State.SkipWithError("wrong entry count");
  }
  g_free(uri);
  State.SetItemsProcessed(State.iterations() * kEntries);
}

void XmlFloor(benchmark::State& State) {
  std::ifstream in(Folder() + "/big.xspf", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (auto _ : State) {
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "big.xspf", nullptr, 0);
    benchmark::DoNotOptimize(doc);
    xmlFreeDoc(doc);
  }
  State.SetItemsProcessed(State.iterations() * kEntries);
}
}  // namespace

BENCHMARK_CAPTURE(Ours, M3U8, "big.m3u8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Peer, M3U8, "big.m3u8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, PLS, "big.pls")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Peer, PLS, "big.pls")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, XSPF, "big.xspf")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Peer, XSPF, "big.xspf")->Unit(benchmark::kMillisecond);
BENCHMARK(XmlFloor)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

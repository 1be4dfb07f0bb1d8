// Ogg Vorbis tags: reading tags and stream information of an in-memory file, and saving a
// changed title, with ours and with TagLib side by side.
#include <benchmark/benchmark.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/vorbisfile.h>

#include <string>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zeph/media/ZEPH.Media.Units.h"
#include "zeph/media/ZTL.Ogg.Vorbis.h"
#include "zeph/media/ZTL.Tags.VorbisComments.h"

namespace {

void LE32(std::string& s, Cardinal v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A page with a valid checksum holding whole packets.
std::string Page(Cardinal Sequence, Byte Type, Int64 Granule, const std::vector<std::string>& Packets) {
  std::string h = "OggS";
  h += '\0';
  h += static_cast<char>(Type);
  for (int i = 0; i < 8; ++i) h += static_cast<char>(static_cast<UInt64>(Granule) >> (8 * i));
  LE32(h, 4711);
  LE32(h, Sequence);
  LE32(h, 0);
  std::string lacing, body;
  for (const std::string& p : Packets) {
    lacing += std::string(p.size() / 255, '\xFF') + static_cast<char>(p.size() % 255);
    body += p;
  }
  h += static_cast<char>(lacing.size());
  TMemoryStream m;
  const std::string raw = h + lacing + body;
  m.WriteBuffer(raw.data(), static_cast<Int64>(raw.size()));
  m.SetPosition(0);
  TZBLOggPage page;
  page.ReadPageHeader(&m);
  page.ReadBody(&m);
  TMemoryStream out;
  page.WritePage(&out, -1);
  return std::string(static_cast<const char*>(out.GetMemory()), out.GetSize());
}

// Header pages with a dozen comments, then 100 audio pages of 4 KiB.
const std::string& File() {
  static const std::string file = [] {
    std::string ident("\x01vorbis", 7);
    LE32(ident, 0);
    ident += '\x02';
    LE32(ident, 44100);
    LE32(ident, 0);
    LE32(ident, 128000);
    LE32(ident, 0);
    ident += "\xB8\x01";
    std::string comment("\x03vorbis", 7);
    const std::string vendor = "bench vendor";
    LE32(comment, static_cast<Cardinal>(vendor.size()));
    comment += vendor;
    const std::vector<std::string> comments = {
        "TITLE=A title",  "ARTIST=An artist", "ALBUM=An album",   "DATE=2001", "GENRE=Rock",   "TRACKNUMBER=3",
        "TOTALTRACKS=12", "COMMENT=Words",    "COMPOSER=Someone", "RATING=60", "CUSTOM=value", "DISCNUMBER=1"};
    LE32(comment, static_cast<Cardinal>(comments.size()));
    for (const std::string& c : comments) {
      LE32(comment, static_cast<Cardinal>(c.size()));
      comment += c;
    }
    comment += '\x01';
    std::string setup("\x05vorbis", 7);
    setup += std::string(3000, '\x42');
    std::string out = Page(0, OggPageFirst, 0, {ident}) + Page(1, 0, 0, {comment, setup});
    for (Cardinal i = 0; i < 100; ++i)
      out += Page(2 + i, i == 99 ? OggPageLast : 0, (i + 1) * 4410, {std::string(4000, static_cast<char>(i))});
    return out;
  }();
  return file;
}

class TOggVorbis : public TZTLTagsContainerOggVorbis {
 public:
  bool SaveTo(TStream* Stream) { return DoSave(Stream); }
};

void BM_OggVorbisRead_Ours(benchmark::State& State) {
  const std::string& file = File();
  for (auto _ : State) {
    TCustomMemoryStream stream(file.data(), static_cast<NativeInt>(file.size()));
    TOggVorbis c;
    c.LoadFromStream(&stream);
    if (c.GetStreamInfo().Duration != 10000) State.SkipWithError("not read");
    benchmark::DoNotOptimize(c.GetTag()->GetValue(fitTitle).size() + c.GetStreamInfo().Duration);
  }
}
BENCHMARK(BM_OggVorbisRead_Ours);

void BM_OggVorbisRead_TagLib(benchmark::State& State) {
  const std::string& file = File();
  for (auto _ : State) {
    TagLib::ByteVector data(file.data(), static_cast<unsigned>(file.size()));
    TagLib::ByteVectorStream stream(data);
    TagLib::Ogg::Vorbis::File f(&stream, true);
    if (!f.isValid() || f.audioProperties()->lengthInMilliseconds() != 10000) State.SkipWithError("not read");
    benchmark::DoNotOptimize(f.tag()->title().size() + f.audioProperties()->lengthInMilliseconds());
  }
}
BENCHMARK(BM_OggVorbisRead_TagLib);

void BM_OggVorbisSaveTitle_Ours(benchmark::State& State) {
  const std::string& file = File();
  for (auto _ : State) {
    TMemoryStream stream;
    stream.WriteBuffer(file.data(), static_cast<Int64>(file.size()));
    stream.SetPosition(0);
    TOggVorbis c;
    c.LoadFromStream(&stream);
    c.GetTag()->SetValue(fitTitle, u"A changed and somewhat longer title");
    stream.SetPosition(0);
    if (!c.SaveTo(&stream)) State.SkipWithError("not saved");
  }
}
BENCHMARK(BM_OggVorbisSaveTitle_Ours);

void BM_OggVorbisSaveTitle_TagLib(benchmark::State& State) {
  const std::string& file = File();
  for (auto _ : State) {
    TagLib::ByteVector data(file.data(), static_cast<unsigned>(file.size()));
    TagLib::ByteVectorStream stream(data);
    TagLib::Ogg::Vorbis::File f(&stream, true);
    f.tag()->setTitle("A changed and somewhat longer title");
    if (!f.save()) State.SkipWithError("not saved");
  }
}
BENCHMARK(BM_OggVorbisSaveTitle_TagLib);

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
  FinalizeUnits();
  return 0;
}

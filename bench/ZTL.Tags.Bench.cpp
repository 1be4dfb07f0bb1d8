// Reading the tags of 1,000 MP3s (an ID3v2 tag with a 300 KB picture, an APEv2 tag and an ID3v1
// block around a little audio), ours side by side with the peer tag library.
#include <apetag.h>
#include <attachedpictureframe.h>
#include <benchmark/benchmark.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zeph/media/ZEPH.Media.Units.h"
#include "zeph/media/ZTL.FileFormats.Common.h"
#include "zeph/media/ZTL.Tags.APEv2.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"

namespace {

class TPlainFile : public TZTLTagsContainerCommon {
  ZCL_CLASS(TPlainFile, TZTLTagsContainerCommon)
 protected:
  bool LoadStreamInfo(TStream*) override { return true; }
};

constexpr int FileCount = 1000;
std::string GFolder;
std::vector<std::string> GFiles;

// One file built with our writers, written FileCount times.
void MakeFiles() {
  GFolder = "/tmp/zephse-tags-bench-" + std::to_string(getpid());
  std::system(("mkdir -p " + GFolder).c_str());
  TMemoryStream file;
  const std::string audio = "\xFF\xFB\x90\x00" + std::string(8192, 'a');
  file.WriteBuffer(audio.data(), static_cast<Int64>(audio.size()));
  std::string picture = "\xFF\xD8\xFF\xE0";
  picture.resize(300 * 1024);
  for (size_t i = 4; i < picture.size(); ++i) picture[i] = static_cast<char>((i * 2654435761u) >> 13);
  IPtr<IZCLDataContainer> art(Create<TZCLDataContainer>());
  art->SetDataSize(static_cast<Integer>(picture.size()));
  std::memcpy(art->GetData(), picture.data(), picture.size());
  TZTLTagID3v2 id3v2;
  id3v2.SetTitle(u"A Title");
  id3v2.SetArtist(u"An Artist");
  id3v2.SetAlbum(u"An Album");
  id3v2.SetTrack(u"3/12");
  id3v2.SetValue(fitGenre, u"Rock");
  id3v2.SetValue(fitComment, u"A comment");
  id3v2.SetAlbumArt(art);
  TZTLTagAPEv2 ape;
  ape.SetTitle(u"A Title");
  ape.SetArtist(u"An Artist");
  TZTLTagID3v1 id3v1;
  id3v1.SetTitle(u"A Title");
  id3v1.SetArtist(u"An Artist");
  TZTLTagAPEv2::Save(&ape, &file);
  TZTLTagID3v1::Save(&id3v1, &file);
  TZTLTagID3v2::Save(&id3v2, &file);
  for (int i = 0; i < FileCount; ++i) {
    GFiles.push_back(GFolder + "/" + std::to_string(i) + ".mp3");
    std::ofstream(GFiles.back(), std::ios::binary)
        .write(static_cast<const char*>(file.GetMemory()), static_cast<std::streamsize>(file.GetSize()));
  }
}

void BM_OursReadTags(benchmark::State& state) {
  std::vector<String> names;
  for (const std::string& f : GFiles) names.push_back(UTF8ToString(f));
  for (auto _ : state) {
    Integer total = 0;
    for (const String& name : names) {
      std::unique_ptr<TZTLTagsContainer> c(TZTLTagsContainer::Create(TPlainFile::StaticClass(), name, nullptr));
      std::unique_ptr<TZBLFileInfo> info(c->GetFileInfo());
      total += static_cast<Integer>(info->GetTitle().size()) + info->GetAlbumArt()->GetDataSize();
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * FileCount);
}
BENCHMARK(BM_OursReadTags)->Unit(benchmark::kMillisecond);

void BM_PeerReadTags(benchmark::State& state) {
  for (auto _ : state) {
    size_t total = 0;
    for (const std::string& name : GFiles) {
      TagLib::MPEG::File f(name.c_str(), false);
      TagLib::Tag* tag = f.tag();
      total += tag->title().size() + tag->artist().size() + tag->album().size() + tag->comment().size() +
               tag->genre().size() + tag->track();
      for (TagLib::ID3v2::Frame* frame : f.ID3v2Tag()->frameList("APIC"))
        total += static_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame)->picture().size();
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * FileCount);
}
BENCHMARK(BM_PeerReadTags)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
  InitializeUnits(ZclGraphicsUnits());
  InitializeUnits(ZephMediaUnits());
  MakeFiles();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::system(("rm -rf " + GFolder).c_str());
  FinalizeUnits();
  return 0;
}

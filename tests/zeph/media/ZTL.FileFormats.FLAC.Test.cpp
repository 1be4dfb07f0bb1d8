#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zeph/media/ZTL.FileFormats.FLAC.h"

namespace {

void LE32(std::string& s, Cardinal v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void BE32(std::string& s, Cardinal v) {
  for (int i = 3; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Header(Byte Type, size_t Length, bool Last) {
  std::string h;
  h += static_cast<char>((Last ? 0x80 : 0) | Type);
  h += static_cast<char>(Length >> 16);
  h += static_cast<char>(Length >> 8);
  h += static_cast<char>(Length);
  return h;
}

std::string Block(Byte Type, const std::string& Body, bool Last = false) { return Header(Type, Body.size(), Last) + Body; }

// 44,100 Hz, 2 channels, 16 bits, 441,000 samples.
std::string StreamInfo() {
  std::string b(34, '\0');
  b[10] = static_cast<char>(44100 >> 12);
  b[11] = static_cast<char>((44100 >> 4) & 0xFF);
  b[12] = static_cast<char>(((44100 & 15) << 4) | (1 << 1) | 0);  // channels - 1 = 1, bps - 1 = 15
  b[13] = static_cast<char>(0xF0);
  const Cardinal samples = 441000;
  b[14] = static_cast<char>(samples >> 24);
  b[15] = static_cast<char>(samples >> 16);
  b[16] = static_cast<char>(samples >> 8);
  b[17] = static_cast<char>(samples);
  return b;
}

std::string Comments(const std::vector<std::string>& List) {
  std::string s;
  LE32(s, 6);
  s += "vendor";
  LE32(s, static_cast<Cardinal>(List.size()));
  for (const std::string& c : List) {
    LE32(s, static_cast<Cardinal>(c.size()));
    s += c;
  }
  return s;
}

std::string Picture(Cardinal Type, const std::string& Data) {
  std::string s;
  BE32(s, Type);
  BE32(s, 10);
  s += "image/jpeg";
  BE32(s, 0);
  for (int i = 0; i < 4; ++i) BE32(s, 0);
  BE32(s, static_cast<Cardinal>(Data.size()));
  return s + Data;
}

const std::string Audio = "\xFF\xF8 audio frames follow";
const std::string Front = "\xFF\xD8\xFF\xE0 front cover";
const std::string Back = "\xFF\xD8\xFF\xE0 back cover";

// A file on disk, loaded and saved by name as the program does.
struct TFile {
  std::string Path = TempDir() + "/flac-test.flac";
  explicit TFile(const std::string& Bytes) { std::ofstream(Path, std::ios::binary | std::ios::trunc) << Bytes; }
  std::string Bytes() const {
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::unique_ptr<TZTLTagsContainerFLAC> Load() {
    return std::unique_ptr<TZTLTagsContainerFLAC>(static_cast<TZTLTagsContainerFLAC*>(
        TZTLTagsContainer::Create(TZTLTagsContainerFLAC::StaticClass(), UTF8ToString(Path), nullptr)));
  }
};

struct TParsedBlock {
  Byte Type;
  bool Last;
  std::string Body;
};

// The metadata blocks of a saved file, and what follows them.
std::vector<TParsedBlock> Blocks(const std::string& File, std::string& Rest) {
  std::vector<TParsedBlock> out;
  EXPECT_EQ(File.substr(0, 4), "fLaC");
  size_t at = 4;
  for (bool last = false; !last && at + 4 <= File.size();) {
    const auto* h = reinterpret_cast<const Byte*>(File.data() + at);
    const size_t length = static_cast<size_t>(h[1]) << 16 | static_cast<size_t>(h[2]) << 8 | h[3];
    last = (h[0] & 0x80) != 0;
    out.push_back({static_cast<Byte>(h[0] & 0x7F), last, File.substr(at + 4, length)});
    at += 4 + length;
  }
  Rest = File.substr(at);
  return out;
}

std::string ArtOf(const TZTLTag* Tag) {
  const IPtr<IZCLDataContainer>& art = Tag->GetAlbumArt();
  return art ? std::string(static_cast<const char*>(art->GetData()), static_cast<size_t>(art->GetDataSize())) : "";
}

std::string FullFile() {
  std::string cue(396, '\x01');  // a binary cue sheet, never text
  return "fLaC" + Block(0, StreamInfo()) + Block(3, std::string(18, '\x07')) +
         Block(4, Comments({"TITLE=Song", "DISCTOTAL=12", "TotalTracks=9"})) + Block(1, std::string(8192, '\0')) +
         Block(5, cue) + Block(6, Picture(4, Back)) + Block(6, Picture(3, Front), true) + Audio;
}

}  // namespace

TEST(FlacContainer, ReadsStreamInfoCommentsAndFrontCover) {
  TFile file(FullFile());
  auto flac = file.Load();
  ASSERT_TRUE(flac->GetLoaded());
  const TZBLStreamInfo& info = flac->GetStreamInfo();
  EXPECT_EQ(info.SampleRate, 44100u);
  EXPECT_EQ(info.Channels, 2);
  EXPECT_EQ(info.BitDepth, 16);
  EXPECT_EQ(info.Duration, 10000u);
  EXPECT_EQ(info.StreamSize, static_cast<Int64>(Audio.size()));
  TZTLTagFLAC* tag = flac->GetTag();
  EXPECT_EQ(tag->GetTitle(), u"Song");
  EXPECT_EQ(tag->GetDiskTotal(), u"12");
  EXPECT_EQ(tag->GetTrackTotal(), u"9");
  EXPECT_EQ(ArtOf(tag), Front);
  // The binary cue sheet is not taken for text.
  EXPECT_EQ(tag->GetValue(fitCueSheet), u"");
  std::unique_ptr<TZBLFileInfo> merged(flac->GetFileInfo());
  EXPECT_EQ(merged->GetTitle(), u"Song");
  EXPECT_EQ(merged->GetStreamInfo().Duration, 10000u);
}

TEST(FlacContainer, SaveRebuildsTheMetadataAndKeepsOtherPictures) {
  TFile file(FullFile());
  auto flac = file.Load();
  ASSERT_TRUE(flac->GetLoaded());
  flac->LoadFromFile(UTF8ToString(file.Path));  // a second load must not pile up blocks
  flac->GetTag()->SetTitle(u"New");
  flac->Save();

  std::string rest;
  const std::vector<TParsedBlock> blocks = Blocks(file.Bytes(), rest);
  ASSERT_EQ(blocks.size(), 7u);
  const Byte expected[] = {0, 3, 5, 4, 6, 6, 1};  // the back cover stays, as it was
  for (size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(blocks[i].Type, expected[i]) << i;
    EXPECT_EQ(blocks[i].Last, i + 1 == blocks.size()) << i;
  }
  EXPECT_EQ(blocks[0].Body, StreamInfo());
  EXPECT_EQ(blocks[2].Body, std::string(396, '\x01'));
  EXPECT_EQ(blocks[4].Body, Picture(4, Back));  // the back cover as it was
  EXPECT_NE(blocks[5].Body.find(Front), std::string::npos);
  EXPECT_EQ(blocks[5].Body.substr(0, 4), std::string("\0\0\0\x03", 4));
  EXPECT_EQ(blocks[6].Body, std::string(4096, '\0'));
  EXPECT_EQ(rest, Audio);
  const std::string& vc = blocks[3].Body;
  EXPECT_NE(vc.find("Title=New"), std::string::npos);
  EXPECT_NE(vc.find("DISCTOTAL=12"), std::string::npos);
  EXPECT_NE(vc.find("TRACKTOTAL=9"), std::string::npos);
  EXPECT_EQ(vc.find("TotalTracks"), std::string::npos);
  EXPECT_EQ(vc.find("CueSheet"), std::string::npos);
  EXPECT_EQ(vc.find("METADATA_BLOCK_PICTURE"), std::string::npos);
  EXPECT_NE(vc.find(std::string("\x0C\0\0\0Description=", 16)), std::string::npos);

  // And it reads back the same.
  auto again = file.Load();
  ASSERT_TRUE(again->GetLoaded());
  EXPECT_EQ(again->GetTag()->GetTitle(), u"New");
  EXPECT_EQ(ArtOf(again->GetTag()), Front);
  EXPECT_EQ(again->GetStreamInfo().Duration, 10000u);
}

TEST(FlacContainer, LeadingID3v2AndBareStreamInfo) {
  std::string id3("ID3\x03\0\0\0\0\0\x10", 10);
  id3 += std::string(16, '\0');
  TFile file(id3 + "fLaC" + Block(0, StreamInfo(), true) + Audio);
  auto flac = file.Load();
  ASSERT_TRUE(flac->GetLoaded());
  EXPECT_TRUE(flac->GetTag()->IsEmpty());
  EXPECT_EQ(flac->GetAudioStart(), static_cast<Int64>(26 + 4 + 38));
  flac->GetTag()->SetValue(fitDisk, u"1/12");
  flac->Save();
  std::string rest;
  const std::vector<TParsedBlock> blocks = Blocks(file.Bytes(), rest);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[1].Type, 4);
  EXPECT_NE(blocks[1].Body.find("DISCTOTAL=12"), std::string::npos);
  EXPECT_TRUE(blocks[2].Last);
  EXPECT_EQ(rest, Audio);
}

TEST(FlacContainer, DamagedFilesFailCleanly) {
  const std::string good = "fLaC" + Block(0, StreamInfo()) + Block(4, Comments({"TITLE=x"}), true);
  const std::string cases[] = {
      "",
      "fLaX" + good.substr(4),
      "fLaC" + Header(0, 10, true) + std::string(10, '\0'),   // STREAMINFO too short
      good.substr(0, good.size() - 5),                         // body cut short
      "fLaC" + Block(0, StreamInfo()) + Header(2, 0xFFFFFF, true),  // length past the end
      "fLaC" + Block(0, StreamInfo()) + Block(4, "xx"),        // chain ends without a last block
  };
  for (const std::string& bytes : cases) {
    TFile file(bytes);
    EXPECT_FALSE(file.Load()->GetLoaded()) << bytes.size();
  }
}

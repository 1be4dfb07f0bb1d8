#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"
#include "zeph/media/ZEPH.FileManager.h"

namespace {
// A decoder that describes a stream of the given format and decoded size.
class TFakeDecoder : public TInterfacedObject, public IZEPHAudioDecoder {
  RTL_INTERFACES(TInterfacedObject, IZEPHAudioDecoder)
 public:
  LongBool FillFileInfo(IZEPHFileInfo*) override { return LongFalse; }
  LongBool GetFormat(Integer& Rate, Integer& AChannels, Integer& Format) override {
    Rate = SampleRate;
    AChannels = Channels;
    Format = SampleFormat;
    return Describes ? LongTrue : LongFalse;
  }
  Int64 GetPosition() override { return 0; }
  LongBool SetPosition(Int64) override { return LongFalse; }
  Integer ReadData(void*, Integer) override { return 0; }
  Int64 GetSize() override { return DecodedSize; }

  Integer SampleRate = 44100, Channels = 2, SampleFormat = 2;
  Int64 DecodedSize = 44100 * 4 * 10;  // 10 s of 16-bit stereo
  bool Describes = true;
};

class TFakeDecoders : public TInterfacedObject, public IZEPHServiceAudioDecoders {
  RTL_INTERFACES(TInterfacedObject, IZEPHServiceAudioDecoders)
 public:
  HRESULT CreateDecoder(IZEPHStream*, Cardinal, IZEPHErrorInfo*, IPtr<IZEPHAudioDecoder>& Decoder) override {
    ++StreamCalls;
    Decoder = IPtr<IZEPHAudioDecoder>(Create<TFakeDecoder>());
    return S_OK;
  }
  HRESULT CreateDecoderForFileName(IZEPHString*, Cardinal, IZEPHErrorInfo*, IPtr<IZEPHAudioDecoder>& Decoder) override {
    ++NameCalls;
    Decoder = IPtr<IZEPHAudioDecoder>(Create<TFakeDecoder>());
    return S_OK;
  }
  Integer StreamCalls = 0, NameCalls = 0;
};

TZBLFileInfo* NewRecord() { return Create<TZBLFileInfo>(); }

IPtr<IZEPHFileInfo> Adapter(TZBLFileInfo* Record) {
  return IPtr<IZEPHFileInfo>(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>(Record, false)));
}

// 1,000 bytes of "audio" followed by an ID3v1 tag whose title is Title.
std::string FileWithID3v1(const std::string& Title) {
  std::string data(1000, 'a');
  std::string tag(128, '\0');
  tag.replace(0, 3, "TAG");
  tag.replace(3, Title.size(), Title);
  tag[127] = static_cast<char>(255);
  return data + tag;
}
}  // namespace

TEST(AudioDecoders, StreamValuesFromTheDecodersFormat) {
  struct TCase {
    Integer Format;
    bool Filled;
    Integer Bits;
  };
  // 5 is 32-bit float; 7 is unknown: no stream values.
  const TCase cases[] = {{1, true, 8}, {2, true, 16}, {3, true, 24}, {5, true, 32}, {6, true, 64}, {7, false, 0}};
  for (const auto& c : cases) {
    IPtr<TFakeDecoder> decoder(Create<TFakeDecoder>());
    decoder->SampleFormat = c.Format;
    decoder->DecodedSize = Int64(44100) * 2 * (c.Bits ? c.Bits : 16) / 8 * 4;  // 4 s
    TZBLFileInfo* record = NewRecord();
    EXPECT_EQ(TZEPHFileInfo::FillStreamValues(400000, Adapter(record).get(), decoder.get(), -1), c.Filled) << c.Format;
    const TZBLStreamInfo& s = record->GetStreamInfo();
    EXPECT_EQ(s.Duration, c.Filled ? 4000u : 0u) << c.Format;
    EXPECT_EQ(record->GetFileSize(), c.Filled ? 400000 : 0);
    EXPECT_EQ(s.Bitrate, c.Filled ? 800 : 0);
    EXPECT_EQ(s.SampleRate, c.Filled ? 44100u : 0u);
    Free(record);
  }
}

TEST(AudioDecoders, KeepsABitrateAndLimitsToTheClip) {
  IPtr<TFakeDecoder> decoder(Create<TFakeDecoder>());
  TZBLFileInfo* record = NewRecord();
  record->GetStreamInfo().Bitrate = 321;
  // 10 s decoded, a clip of 2.5 s: the size is scaled to the clip.
  EXPECT_TRUE(TZEPHFileInfo::FillStreamValues(1000000, Adapter(record).get(), decoder.get(), 2.5));
  EXPECT_EQ(record->GetStreamInfo().Duration, 2500u);
  EXPECT_EQ(record->GetFileSize(), 250000);
  EXPECT_EQ(record->GetStreamInfo().Bitrate, 321);
  // A clip longer than the audio, or an absurd one, limits nothing.
  for (Double clip : {20.0, 1e300}) {
    EXPECT_TRUE(TZEPHFileInfo::FillStreamValues(1000000, Adapter(record).get(), decoder.get(), clip));
    EXPECT_EQ(record->GetStreamInfo().Duration, 10000u);
    EXPECT_EQ(record->GetFileSize(), 1000000);
  }
  decoder->Describes = false;
  EXPECT_FALSE(TZEPHFileInfo::FillStreamValues(1000000, Adapter(record).get(), decoder.get(), -1));
  EXPECT_FALSE(TZEPHFileInfo::FillStreamValues(1000000, Adapter(record).get(), nullptr, -1));
  Free(record);
}

TEST(AudioDecoders, PipelineAsksTheCoresDecodersLastAndMergesTheGeneralTags) {
  const std::string path = TempDir() + "/decoded.xyz";
  std::ofstream(path, std::ios::binary) << FileWithID3v1("Decoded Title");
  const String name = UTF8ToString(path);
  IPtr<TFakeDecoders> decoders(Create<TFakeDecoders>());
  TZEPHCore* core = TZEPHCore::Instance();
  core->RegisterService(static_cast<IZEPHServiceAudioDecoders*>(decoders.get()));

  TZBLFileInfo* record = NewRecord();
  TZEPHFileManager* manager = GetFileManager();
  // Without the decoders' bit they are not asked.
  EXPECT_EQ(manager->GetFileInfo(name, record, zfiExtensions), E_FAIL);
  EXPECT_EQ(decoders->NameCalls, 0);
  EXPECT_EQ(manager->GetFileInfo(name, record, zfiDecoders), S_OK);
  EXPECT_EQ(decoders->NameCalls, 1);
  EXPECT_EQ(record->GetStreamInfo().Duration, 10000u);
  EXPECT_EQ(record->GetFileSize(), 1128);
  EXPECT_EQ(record->GetValue(fitTitle), u"Decoded Title");
  EXPECT_EQ(record->GetFileName(), name);

  // By stream: the stream's size, no tags.
  TStringStream stream(u"0123456789");
  EXPECT_EQ(manager->GetFileInfoFromStream(&stream, record, zfiDecoders), S_OK);
  EXPECT_EQ(decoders->StreamCalls, 1);
  EXPECT_EQ(record->GetFileSize(), stream.GetSize());
  EXPECT_EQ(record->GetValue(fitTitle), u"");

  core->UnregisterService(static_cast<IZEPHServiceAudioDecoders*>(decoders.get()));
  Free(record);
  std::filesystem::remove(path);
}

#include "zeph/media/ZTL.FileFormats.FLAC.h"

#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.Images.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"

// ---- tag -------------------------------------------------------------------------------------------

void TZTLTagFLAC::ReadCommentBlock(TStream* Stream) {
  TZTLTagVorbisCommentsReader reader(this, Stream, TZTLTagFlacFieldMap::Instance());
  reader.Execute();
}

void TZTLTagFLAC::WriteCommentBlock(TStream* Stream) {
  TZTLTagFlacWriter writer(this, Stream);
  writer.Execute();
}

void TZTLTagFlacFieldMap::Populate() {
  Add("DISCTOTAL", u"DiskTotal", false);
  Add("TRACKTOTAL", u"TrackTotal", false);
  TZTLTagVorbisCommentsFieldMap::Populate();
}

const TZTLTagFieldMap* TZTLTagFlacFieldMap::Instance() {
  static const std::unique_ptr<TZTLTagFlacFieldMap> map = [] {
    RegisterTagProperties();
    return TZTLTagFieldMap::CreatePopulated<TZTLTagFlacFieldMap>(TZTLTag::StaticClass());
  }();
  return map.get();
}

TZTLTagFlacWriter::TZTLTagFlacWriter(TZTLTagFLAC* Tag, TStream* Stream)
    : TZTLTagVorbisCommentsWriter(Tag, Stream, TZTLTagFlacFieldMap::Instance()) {}

void TZTLTagFlacWriter::WriteFields() {
  TZTLTagVorbisCommentsWriter::WriteFields();
  WriteComment("Description", StringToUTF8(FTag->GetValue(fitComment)));
}

// ---- container -------------------------------------------------------------------------------------

namespace {

Int64 BlockLength(const Byte* Header) {
  return static_cast<Int64>(Header[1]) << 16 | static_cast<Int64>(Header[2]) << 8 | Header[3];
}

RawByteString ReadBody(TStream* Stream, Int64 Length) {
  RawByteString body(static_cast<size_t>(Length), '\0');
  if (Length > 0) Stream->ReadBuffer(body.data(), Length);
  return body;
}

}  // namespace

TZTLTagsContainerFLAC::TZTLTagsContainerFLAC() { FTag = AddTag<TZTLTagFLAC>(); }

TZTLTagsContainerFLAC::~TZTLTagsContainerFLAC() = default;

void TZTLTagsContainerFLAC::WriteBlockHeader(TStream* Stream, Byte Type, Int64 Length, bool Last) {
  if (Length > MaxBlockSize)
    throw EInvalidArgument(u"Block #%d size (%d) is too big!", {Integer(Type), static_cast<Integer>(Length)});
  const Byte header[4] = {static_cast<Byte>((Last ? 0x80 : 0) | (Type & 0x7F)), static_cast<Byte>(Length >> 16),
                          static_cast<Byte>(Length >> 8), static_cast<Byte>(Length)};
  Stream->WriteBuffer(header, 4);
}

bool TZTLTagsContainerFLAC::ReadBlocks(TStream* Stream) {
  const Int64 start = TZTLID3v2Codec::GetTagSize(Stream, 0);
  Stream->SetPosition(start);
  Byte head[8];
  if (Stream->Read(head, 8) != 8 || std::memcmp(head, "fLaC", 4) != 0) return false;
  std::memcpy(FStreamInfoBlock.Header, head + 4, 4);
  const Int64 infoLength = BlockLength(head + 4);
  // The fields in use take the first 18 bytes of the body.
  if (infoLength < 18 || infoLength > StreamGetBytesLeft(Stream)) return false;
  FStreamInfoBlock.Body = ReadBody(Stream, infoLength);
  RawByteString fields = FStreamInfoBlock.Body.substr(0, 18);
  bool last = (head[4] & 0x80) != 0;
  while (!last) {
    TBlock block{};
    if (Stream->Read(block.Header, 4) != 4) return false;
    last = (block.Header[0] & 0x80) != 0;
    const Byte type = block.Header[0] & 0x7F;
    const Int64 length = BlockLength(block.Header);
    // A length past the end of the file is a damaged chain: nothing is allocated for it.
    if (length > StreamGetBytesLeft(Stream)) return false;
    const Int64 bodyStart = Stream->GetPosition();
    switch (type) {
      case BlockPadding:
        break;
      case BlockVorbisComment: {
        std::unique_ptr<TMemoryStream> body(StreamReadMemoryStream(Stream, length));
        body->SetPosition(0);
        FTag->ReadCommentBlock(body.get());
        break;
      }
      case BlockPicture: {
        block.Body = ReadBody(Stream, length);
        TCustomMemoryStream* view = StreamCreateOnMemory(block.Body.data(), static_cast<NativeInt>(length));
        std::unique_ptr<TCustomMemoryStream> owner(view);
        Cardinal pictureType = 0;
        IPtr<IZCLDataContainer> art = TZTLTagVorbisPicture::ReadPictureBlock(view, length, pictureType);
        FBlocks.push_back(block);
        if (art && (!FTag->GetAlbumArt() || pictureType == 3)) {
          FTag->SetAlbumArt(art);
          FArtBlock = static_cast<Integer>(FBlocks.size()) - 1;
        }
        break;
      }
      default:
        // STREAMINFO again, CUESHEET (binary, kept as it is), SEEKTABLE, APPLICATION, reserved.
        block.Body = ReadBody(Stream, length);
        if (type == BlockStreamInfo && length >= 18) fields = block.Body.substr(0, 18);
        FBlocks.push_back(block);
        break;
    }
    Stream->SetPosition(bodyStart + length);
  }
  FAudioStart = Stream->GetPosition();

  const auto* b = reinterpret_cast<const Byte*>(fields.data());
  FStreamInfo.Clear();
  FStreamInfo.Channels = TZBLStreamInfoUtils::MakeChannels(((b[12] >> 1) & 7) + 1);
  FStreamInfo.SampleRate = static_cast<Cardinal>(b[10]) << 12 | static_cast<Cardinal>(b[11]) << 4 | b[12] >> 4;
  TZBLStreamInfoUtils::SetBitDepth(FStreamInfo, ((b[12] & 1) << 4 | b[13] >> 4) + 1, false);
  const Int64 samples = static_cast<Int64>(b[13] & 15) << 32 | static_cast<Int64>(b[14]) << 24 |
                        static_cast<Int64>(b[15]) << 16 | static_cast<Int64>(b[16]) << 8 | b[17];
  FStreamInfo.StreamSize = Stream->GetSize() - FAudioStart;
  TZBLStreamInfoUtils::SetDurationFromSamples(FStreamInfo, samples);
  TZBLStreamInfoUtils::CalculateBitrate(FStreamInfo);
  FTag->SetStreamInfo(FStreamInfo);
  return true;
}

bool TZTLTagsContainerFLAC::DoLoad(TStream* Stream) {
  FBlocks.clear();
  FArtBlock = -1;
  FAudioStart = 0;
  try {
    return ReadBlocks(Stream);
  } catch (const Exception&) {
    return false;
  }
}

bool TZTLTagsContainerFLAC::DoSave(TStream* Stream) {
  // The picture goes into a block of its own, not into a comment.
  TMemoryStream comments;
  const IPtr<IZCLDataContainer> art = FTag->GetAlbumArt();
  FTag->SetAlbumArt(nullptr);
  try {
    FTag->WriteCommentBlock(&comments);
  } catch (...) {
    FTag->SetAlbumArt(art);
    throw;
  }
  FTag->SetAlbumArt(art);

  TMemoryStream picture;
  if (art && art->GetDataSize() > 0 && !FTag->GetDeleteTagOnSave()) {
    String mime;
    const auto* data = static_cast<const Byte*>(art->GetData());
    if (TZCLImageFormatClass format = TZCLImageFormatRepository::FindByHeader(data, art->GetDataSize()))
      mime = TZCLImageFormatRepository::GetMimeType(format);
    if (zcSameText(mime, u"image/jpg")) mime = u"image/jpeg";
    TZTLTagVorbisPicture::WritePictureBlock(&picture, data, art->GetDataSize(), zcUnicodeToAnsi(mime));
  }

  // The area as it stands in the file now (the blocks read at load time).
  const Int64 start = TZTLID3v2Codec::GetTagSize(Stream, 0);
  Stream->SetPosition(start);
  Byte head[4];
  if (Stream->Read(head, 4) != 4 || std::memcmp(head, "fLaC", 4) != 0) return false;

  TMemoryStream area;
  area.WriteBuffer("fLaC", 4);
  WriteBlockHeader(&area, BlockStreamInfo, static_cast<Int64>(FStreamInfoBlock.Body.size()), false);
  area.WriteBuffer(FStreamInfoBlock.Body.data(), static_cast<Int64>(FStreamInfoBlock.Body.size()));
  // Other blocks in file order, the comments, the pictures not taken as album art, then the album art.
  auto writeKept = [&](bool Pictures) {
    for (size_t i = 0; i < FBlocks.size(); ++i) {
      const TBlock& block = FBlocks[i];
      const Byte type = block.Header[0] & 0x7F;
      if (static_cast<Integer>(i) == FArtBlock || (type == BlockPicture) != Pictures) continue;
      WriteBlockHeader(&area, type, static_cast<Int64>(block.Body.size()), false);
      area.WriteBuffer(block.Body.data(), static_cast<Int64>(block.Body.size()));
    }
  };
  writeKept(false);
  WriteBlockHeader(&area, BlockVorbisComment, comments.GetSize(), false);
  StreamCopyRange(&area, &comments, 0, comments.GetSize());
  writeKept(true);
  if (picture.GetSize() > 0) {
    WriteBlockHeader(&area, BlockPicture, picture.GetSize(), false);
    StreamCopyRange(&area, &picture, 0, picture.GetSize());
  }
  constexpr Integer PaddingSize = 4096;
  WriteBlockHeader(&area, BlockPadding, PaddingSize, true);
  const RawByteString zeros(PaddingSize, '\0');
  area.WriteBuffer(zeros.data(), PaddingSize);

  area.SetPosition(0);
  StreamReplaceRange(Stream, &area, 0, FAudioStart, OnProgress, FTag);
  FAudioStart = area.GetSize();
  return true;
}

void detail::ZTLFlacInitialization() { GetTagsManager()->Register(TZTLTagsContainerFLAC::StaticClass()); }

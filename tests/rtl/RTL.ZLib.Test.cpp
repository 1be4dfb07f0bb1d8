#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.ZLib.h"

namespace {
// Compressible but not trivial: words with some noise.
TBytes Sample(size_t Size) {
  std::mt19937 random(7);
  const char* words[] = {"skin ", "button ", "playlist ", "volume ", "\x01\x02\x03"};
  TBytes data;
  while (data.size() < Size) {
    const char* w = words[random() % 5];
    data.insert(data.end(), w, w + std::strlen(w));
    if (random() % 7 == 0) data.push_back(static_cast<Byte>(random()));
  }
  data.resize(Size);
  return data;
}

TBytes Drain(TStream& Stream) {
  TBytes out;
  Byte buffer[777];
  while (Integer n = Stream.Read(buffer, sizeof(buffer))) out.insert(out.end(), buffer, buffer + n);
  return out;
}

template <class E, class F>
String MessageOf(F&& Action) {
  try {
    Action();
  } catch (const E& e) {
    return e.GetMessage();
  }
  ADD_FAILURE() << "no exception";
  return String();
}
}  // namespace

TEST(ZLib, StreamsRoundTripAtEveryLevel) {
  for (TZCompressionLevel level : {zcNone, zcFastest, zcDefault, zcMax}) {
    for (size_t size : {size_t(0), size_t(1), size_t(300000)}) {
      SCOPED_TRACE(testing::Message() << int(level) << "/" << size);
      const TBytes data = Sample(size);
      TMemoryStream packed;
      packed.WriteBuffer("HEAD", 4);  // the zlib stream starts mid-stream
      {
        TZCompressionStream packer(&packed, level);
        // Uneven writes, as callers make them.
        for (size_t at = 0; at < size; at += 1000)
          packer.WriteBuffer(data.data() + at, static_cast<Int64>(std::min<size_t>(1000, size - at)));
        EXPECT_EQ(packer.Seek(0, soCurrent), static_cast<Int64>(size));
        packer.Finish();
      }
      packed.WriteBuffer("TAIL", 4);
      // RFC 1950: CMF 0x78, and the header is a multiple of 31.
      const auto* head = static_cast<const Byte*>(packed.GetMemory()) + 4;
      EXPECT_EQ(head[0], 0x78);
      EXPECT_EQ((head[0] * 256 + head[1]) % 31, 0);
      if (level == zcMax && size > 1000) {
        EXPECT_LT(packed.GetSize(), static_cast<Int64>(size / 2));
      }

      packed.SetPosition(4);
      TZDecompressionStream unpacker(&packed);
      // Exactly the uncompressed size, as readers that know it ask for it.
      TBytes unpacked(size);
      if (size > 0)
        unpacker.ReadBuffer(unpacked, static_cast<Int64>(size));
      else
        EXPECT_EQ(Drain(unpacker), TBytes());
      EXPECT_EQ(unpacked, data);
      // The source is left just after the compressed data.
      char tail[4];
      packed.ReadBuffer(tail, 4);
      EXPECT_EQ(std::string(tail, 4), "TAIL");

      // The one-shot forms agree with the streams.
      EXPECT_EQ(ZDecompress(ZCompress(data, level)), data);
    }
  }
}

// A damaged stream raises with zlib's text; a truncated one raises too, instead of ending
// early as if the data were complete.
TEST(ZLib, DamagedDataRaises) {
  const TBytes data = Sample(50000);
  const TBytes packed = ZCompress(data, zcMax);

  TBytes corrupt = packed;
  for (size_t i = 10; i < 40; ++i) corrupt[i] ^= 0x5A;
  EXPECT_EQ(MessageOf<EZDecompressionError>([&] { ZDecompress(corrupt); }), u"data error");
  TBytesStream corruptStream(corrupt);
  TZDecompressionStream reader(&corruptStream);
  EXPECT_EQ(MessageOf<EZDecompressionError>([&] { Drain(reader); }), u"data error");

  TBytes badHeader = packed;
  badHeader[0] = 0x00;
  EXPECT_EQ(MessageOf<EZDecompressionError>([&] { ZDecompress(badHeader); }), u"data error");

  const TBytes truncated(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packed.size() / 2));
  EXPECT_EQ(MessageOf<EZDecompressionError>([&] { ZDecompress(truncated); }), u"buffer error");
  TBytesStream truncatedStream(truncated);
  TZDecompressionStream partial(&truncatedStream);
  EXPECT_EQ(MessageOf<EZDecompressionError>([&] { Drain(partial); }), u"buffer error");
  EXPECT_THROW(ZDecompress(TBytes{}), EZDecompressionError);

  EXPECT_EQ(MessageOf<EZCompressionError>([&] { ZCompress(data.data(), data.size(), 10); }), u"stream error");
  EXPECT_EQ(ZDecompress(ZCompress(data.data(), data.size(), 9)), data);
  EXPECT_EQ(ZLibErrorMessage(-3), u"data error");
  EXPECT_EQ(ZDecompressCheck(1), 1);
  EXPECT_THROW(ZCompressCheck(-2), EZCompressionError);
  EXPECT_EQ(ZDecompressCheckWithoutBufferError(-5), -5);
}

TEST(ZLib, StreamDirectionsAndSeeking) {
  const TBytes data = Sample(100000);
  TBytesStream packed(ZCompress(data));
  TZDecompressionStream reader(&packed, false);
  EXPECT_THROW(reader.Write("x", 1), EZDecompressionError);
  // Forward by decompressing, backward by starting over, and the size from the end.
  EXPECT_EQ(reader.Seek(60000, soBeginning), 60000);
  Byte b;
  reader.ReadBuffer(&b, 1);
  EXPECT_EQ(b, data[60000]);
  EXPECT_EQ(reader.Seek(10, soBeginning), 10);
  reader.ReadBuffer(&b, 1);
  EXPECT_EQ(b, data[10]);
  EXPECT_EQ(reader.GetSize(), 100000);
  EXPECT_EQ(reader.GetPosition(), 11);

  TMemoryStream target;
  TZCompressionStream writer(&target, zcMax);
  EXPECT_THROW(writer.Read(&b, 1), EZCompressionError);
  EXPECT_THROW(writer.Seek(0, soBeginning), EZCompressionError);
  writer.WriteBuffer(data.data(), 1000);
  writer.Finish();
  EXPECT_GT(writer.GetCompressionRate(), 50.0f);
  EXPECT_THROW(writer.WriteBuffer(data.data(), 1), EZCompressionError);
  target.SetPosition(0);
  TZDecompressionStream check(&target);
  EXPECT_EQ(Drain(check), TBytes(data.begin(), data.begin() + 1000));
}

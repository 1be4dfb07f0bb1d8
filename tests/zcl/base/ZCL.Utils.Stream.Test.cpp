#include "zcl/base/ZCL.Utils.Stream.h"

#include <gtest/gtest.h>

#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.Base.TestUtil.h"

namespace {
std::vector<Byte> Bytes(TMemoryStream& S) {
  const Byte* p = static_cast<const Byte*>(S.GetMemory());
  return std::vector<Byte>(p, p + S.GetSize());
}

std::vector<Byte> VariantBytes(const Variant& V) {
  TMemoryStream s;
  StreamWriteVariant(&s, V);
  return Bytes(s);
}

// A stream that is not a memory stream, to take the generic paths.
class TPlainStream : public TZCLStreamWrapper {
 public:
  explicit TPlainStream(TStream* S) : TZCLStreamWrapper(S, soReference) {}
};

void Fill(TMemoryStream& S, int Count) {
  S.SetSize(0);
  for (int i = 0; i < Count; ++i) S.WriteBufferData(static_cast<Byte>(i));
}
}  // namespace

TEST(StreamConventions, ChunksPatchTheirOwnSizes) {
  TMemoryStream s;
  Int64 outer, inner;
  StreamBeginWriteChunk(&s, 0x11223344, outer);
  EXPECT_EQ(outer, 8);
  StreamWriteInteger(&s, 7);
  StreamBeginWriteChunk(&s, 0xAABBCCDD, inner);
  s.WriteBuffer("\x01\x02\x03\x04\x05", 5);
  StreamEndWriteChunk(&s, inner);
  EXPECT_EQ(s.GetPosition(), 25);
  StreamEndWriteChunk(&s, outer);
  EXPECT_EQ(s.GetPosition(), 25);
  const std::vector<Byte> expected = {0x44, 0x33, 0x22, 0x11, 17, 0, 0, 0, 7, 0, 0, 0, 0xDD, 0xCC, 0xBB, 0xAA, 5,
                                      0,    0,    0,    1,    2,  3, 4, 5};
  EXPECT_EQ(Bytes(s), expected);
}

TEST(StreamConventions, CountedStrings) {
  TMemoryStream s;
  EXPECT_EQ(StreamWriteStringWithLength(&s, u"ab"), 6);
  EXPECT_EQ(StreamWriteStringWithLength(&s, u""), 2);
  EXPECT_EQ(StreamWriteAnsiStringWithLength(&s, "xyz"), 5);
  EXPECT_EQ(Bytes(s), (std::vector<Byte>{2, 0, 0x61, 0, 0x62, 0, 0, 0, 3, 0, 'x', 'y', 'z'}));
  s.SetPosition(0);
  String text;
  AnsiString bytes;
  StreamReadStringWithLength(&s, text);
  EXPECT_EQ(text, u"ab");
  StreamReadStringWithLength(&s, text);
  EXPECT_EQ(text, u"");
  StreamReadAnsiStringWithLength(&s, bytes);
  EXPECT_EQ(bytes, "xyz");
  // Too long for the 16-bit count: raises and writes nothing.
  const Int64 size = s.GetSize();
  EXPECT_THROW(StreamWriteStringWithLength(&s, String(65536, u'a')), EWriteError);
  EXPECT_THROW(StreamWriteVariant(&s, Variant(String(70000, u'a'))), EWriteError);
  EXPECT_EQ(s.GetSize(), size);
  EXPECT_EQ(StreamWriteStringWithLength(&s, String(65535, u'a')), 2 + 2 * 65535);
  // Short data raises instead of returning half a string.
  TMemoryStream shortData;
  shortData.WriteBuffer("\x05\x00\x61\x00", 4);
  shortData.SetPosition(0);
  EXPECT_THROW(StreamReadStringWithLength(&shortData, text), EReadError);
}

TEST(StreamConventions, VariantBytes) {
  const struct {
    Variant value;
    std::vector<Byte> bytes;
  } cases[] = {
      {Variant(100), {2, 0x64}},
      {Variant(300), {3, 0x2C, 0x01}},
      {Variant(70000), {4, 0x70, 0x11, 0x01, 0x00}},
      {Variant(-129), {3, 0x7F, 0xFF}},
      {Variant(static_cast<unsigned short>(200)), {3, 200, 0}},
      {Variant(true), {9}},
      {Variant(false), {8}},
      {Variant(), {13}},
      {Null(), {0}},
      {Variant(u"a"), {6, 1, 0, 0x61, 0}},
      {Variant(1.5f), {15, 0, 0, 0xC0, 0x3F}},
      {Variant(static_cast<long long>(1) << 40), {19, 0, 0, 0, 0, 0, 1, 0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(VariantBytes(c.value), c.bytes) << StringToUTF8(VarToStr(c.value));
  Variant single = VarArrayCreate({5, 5}, varVariant);
  single.SetElement(5, Variant(7));
  EXPECT_EQ(VariantBytes(single), (std::vector<Byte>{2, 7}));
}

TEST(StreamConventions, VariantsRoundTrip) {
  Variant array = VarArrayCreate({1, 3}, varVariant);
  array.SetElement(1, Variant(u"x"));
  array.SetElement(2, Variant(2.25));
  array.SetElement(3, Variant(Currency::FromDouble(1.5)));
  TMemoryStream s;
  StreamWriteVariant(&s, array);
  StreamWriteVariant(&s, Variant(static_cast<unsigned short>(200)));
  s.SetPosition(0);
  Variant back;
  StreamReadVariant(&s, back);
  ASSERT_TRUE(back.IsArray());
  EXPECT_EQ(VarArrayLowBound(back, 1), 0);
  EXPECT_EQ(VarArrayHighBound(back, 1), 2);
  EXPECT_EQ(back[0].AsString(), u"x");
  EXPECT_EQ(back[1].AsDouble(), 2.25);
  EXPECT_EQ(back[2].VarType(), varCurrency);
  EXPECT_EQ(back[2].AsCurrency().Scaled, 15000);
  StreamReadVariant(&s, back);
  EXPECT_EQ(back.VarType(), varSmallint);
  EXPECT_EQ(back.AsInteger(), 200);
  TMemoryStream bad;
  bad.WriteBuffer("\x07", 1);
  bad.SetPosition(0);
  EXPECT_EQ(RaisedMessage<EReadError>([&] { StreamReadVariant(&bad, back); }), "Unsupported Variant Type");
  EXPECT_EQ(RaisedMessage<EWriteError>([&] { StreamWriteVariant(&s, Variant(1ull)); }), "Unsupported Variant Type");
  TMemoryStream hugeCount;  // an array count far beyond the data
  hugeCount.WriteBuffer("\x01\x04\xFF\xFF\xFF\x7F\x02", 7);
  hugeCount.SetPosition(0);
  EXPECT_THROW(StreamReadVariant(&hugeCount, back), EReadError);
  TMemoryStream int64Count;  // an array count must be an integer value of tags 2 to 4
  int64Count.WriteBuffer("\x01\x13\x00\x00\x00\x00\x00\x00\x00\x40", 10);
  int64Count.SetPosition(0);
  EXPECT_THROW(StreamReadVariant(&int64Count, back), EReadError);
}

TEST(StreamHelpers, CopyEqualsAndFind) {
  TMemoryStream a, b;
  Fill(a, 10000);
  a.SetPosition(0);
  StreamCopyPart(&b, &a, 10000);
  EXPECT_TRUE(StreamEquals(&a, &b));
  TPlainStream pa(&a), pb(&b);
  a.SetPosition(3);
  b.SetPosition(5);
  EXPECT_TRUE(StreamEquals(&pa, &pb));
  EXPECT_EQ(a.GetPosition(), 3);
  EXPECT_EQ(b.GetPosition(), 5);
  static_cast<Byte*>(b.GetMemory())[9999] ^= 1;
  EXPECT_FALSE(StreamEquals(&pa, &pb));
  EXPECT_FALSE(StreamEquals(&a, &b));
  a.SetPosition(1);
  EXPECT_THROW(StreamCopyPart(&b, &a, 10000), EReadError);

  // A pattern across the first 4095-byte read is found at its true position.
  TMemoryStream hay;
  hay.SetSize(20000);
  hay.SetPosition(4093);
  hay.WriteBuffer("OggS", 4);
  hay.SetPosition(15000);
  hay.WriteBuffer("fLaC", 4);
  hay.SetPosition(7);
  AnsiString found;
  EXPECT_EQ(StreamFind(&hay, {"fLaC", "OggS"}, found, 65535), 4093);
  EXPECT_EQ(found, "OggS");
  EXPECT_EQ(hay.GetPosition(), 7);
  EXPECT_EQ(StreamFind(&hay, {"RIFF"}, found, 65535), -1);
  EXPECT_EQ(hay.GetPosition(), 7);
  EXPECT_TRUE(StreamSeekTo(&hay, AnsiString("fLaC"), 65535));
  EXPECT_EQ(hay.GetPosition(), 15000);
}

struct TProgressRecorder {
  std::vector<Single> Values;
  void Note(TObject*, Single Progress) { Values.push_back(Progress); }
};

TEST(StreamHelpers, ReplaceRangeGrowsAndShrinks) {
  TMemoryStream s, replacement, shorter;
  Fill(s, 20);
  replacement.WriteBuffer("ABCDEFGHIJ", 10);
  TProgressRecorder recorder;
  const std::vector<Single>& progress = recorder.Values;
  StreamReplaceRange(&s, &replacement, 2, 4, TZCLProgressEvent(&recorder, &TProgressRecorder::Note));
  std::vector<Byte> expected = {0, 1, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J'};
  for (int i = 6; i < 20; ++i) expected.push_back(static_cast<Byte>(i));
  EXPECT_EQ(Bytes(s), expected);
  EXPECT_FALSE(progress.empty());
  shorter.WriteBuffer("\x02\x03\x04\x05", 4);
  StreamReplaceRange(&s, &shorter, 2, 10, [](TObject*, Single) { throw EAbort(u"ignored"); });
  expected.clear();
  for (int i = 0; i < 20; ++i) expected.push_back(static_cast<Byte>(i));
  EXPECT_EQ(Bytes(s), expected);
}

TEST(StreamClasses, BufferedStreamShrinkIsNotUndone) {
  TMemoryStream inner;
  Fill(inner, 100);
  {
    TZCLBufferedStream buffered(&inner, soReference, 1024);
    Byte b[4];
    EXPECT_EQ(buffered.Read(b, 4), 4);
    buffered.SetPosition(50);
    buffered.WriteBuffer("\xEE\xEE", 2);
    // Range replacement through the buffered stream: the shrink must survive the write-back.
    TMemoryStream none;
    StreamReplaceRange(&buffered, &none, 10, 30);
    EXPECT_EQ(buffered.GetSize(), 70);
  }
  ASSERT_EQ(inner.GetSize(), 70);
  const Byte* p = static_cast<const Byte*>(inner.GetMemory());
  EXPECT_EQ(p[9], 9);
  EXPECT_EQ(p[10], 40);
  EXPECT_EQ(p[20], 0xEE);
  EXPECT_EQ(p[69], 99);
}

TEST(StreamClasses, BufferedStreamReadsItsOwnWritesAndWritesBack) {
  TMemoryStream inner;
  Fill(inner, 3000);
  {
    TZCLBufferedStream buffered(&inner, soReference, 1024);
    buffered.SetPosition(1020);
    buffered.WriteBuffer("0123456789", 10);  // straddles two blocks
    EXPECT_EQ(static_cast<const Byte*>(inner.GetMemory())[1025], Byte(1025 & 0xFF));  // not yet written
    buffered.SetPosition(1018);
    char back[14] = {};
    buffered.ReadBuffer(back, 14);
    EXPECT_EQ(std::string(back + 2, 10), "0123456789");
    EXPECT_EQ(Byte(back[0]), Byte(1018 & 0xFF));
    EXPECT_EQ(Byte(back[13]), Byte(1031 & 0xFF));
    EXPECT_EQ(buffered.Seek(10, soEnd), 3000);
    buffered.WriteBuffer("xy", 2);
    EXPECT_EQ(buffered.GetSize(), 3002);
  }
  EXPECT_EQ(inner.GetSize(), 3002);
  EXPECT_EQ(std::string(static_cast<const char*>(inner.GetMemory()) + 1020, 10), "0123456789");
}

TEST(StreamClasses, SubStreamWindow) {
  TMemoryStream inner;
  Fill(inner, 100);
  TZCLSubStream sub(&inner, 90, 50, soReference);
  EXPECT_EQ(sub.GetSize(), 10);
  EXPECT_EQ(sub.Seek(20, soBeginning), 10);
  sub.SetPosition(0);
  Byte buffer[20];
  EXPECT_EQ(sub.Read(buffer, 20), 10);
  EXPECT_EQ(buffer[0], 90);
  EXPECT_EQ(RaisedMessage<EZCLCannotModifyReadOnlyStream>([&] { sub.Write(buffer, 1); }),
            "You cannot modify read-only stream");
  EXPECT_THROW(sub.SetSize(1), EZCLCannotModifyReadOnlyStream);
  TZCLBufferedStream outer(&sub, soReference);
  EXPECT_EQ(TZCLStreamWrapper::Unwrap(&outer), &inner);
}

TEST(StreamClasses, ContainersShareRanges) {
  TMemoryStream source;
  Fill(source, 10);
  source.SetPosition(3);
  IPtr<IZCLStreamContainer> rest = Create<TZCLStreamContainer>(&source, Int64(-1));
  EXPECT_EQ(rest->GetSize(), 7);
  TStream* s = rest->LockStream();
  Byte first;
  s->ReadBuffer(&first, 1);
  EXPECT_EQ(first, 3);
  rest->UnlockStream();
  IPtr<IZCLStreamContainer> window = Create<TZCLSubStreamContainer>(rest, 2, 3);
  rest = nullptr;  // the sub-container keeps the outer one alive
  EXPECT_EQ(window->GetSize(), 3);
  Byte bytes[8];
  EXPECT_EQ(window->LockStream()->Read(bytes, 8), 3);
  EXPECT_EQ(bytes[0], 5);
  window->UnlockStream();
  IPtr<IZCLStreamContainer> text = Create<TZCLStreamContainer>(StringView(u"a"));
  EXPECT_EQ(Bytes(*static_cast<TMemoryStream*>(text->LockStream())), (std::vector<Byte>{0xFF, 0xFE, 'a', 0}));
  text->UnlockStream();
}

TEST(StreamClasses, AnsiStringStreamReadsAndGrowsItsString) {
  TZCLAnsiStringStream s("hello");
  EXPECT_EQ(s.GetSize(), 5);
  char buffer[5];
  s.ReadBuffer(buffer, 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  const std::string more(10000, 'x');
  s.WriteBuffer(more.data(), static_cast<Int64>(more.size()));
  EXPECT_EQ(s.GetSize(), 10005);
  EXPECT_EQ(s.GetCapacity() % 8192, 0);
  EXPECT_EQ(s.GetDataString(), "hello" + more);
}

TEST(StreamResources, ExistenceByNameAndType) {
  EXPECT_TRUE(ResourceExists(nullptr, u"zephse_selftest", u"RCDATA"));
  EXPECT_FALSE(ResourceExists(nullptr, u"ZEPHSE_SELFTEST", u"BITMAP"));
  EXPECT_FALSE(ResourceExists(nullptr, u"NO_SUCH_RESOURCE", u"RCDATA"));
}

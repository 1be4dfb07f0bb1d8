#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "rtl/RTL.Streams.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zse/formats/ZSE.Formats.ZCS5.h"

namespace {

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

std::vector<Byte> Bytes(TStream* Stream) {
  std::vector<Byte> result(static_cast<size_t>(Stream->GetSize()));
  Stream->SetPosition(0);
  if (!result.empty()) Stream->ReadBuffer(result.data(), static_cast<Integer>(result.size()));
  return result;
}

std::vector<Byte> FileBytes(TZSESkinFile* File) {
  TStream* stream = File->GetData()->LockStream();
  std::vector<Byte> result = Bytes(stream);
  File->GetData()->UnlockStream();
  return result;
}

TOwned<TMemoryStream> Save(TZSESkin* Skin) {
  TOwned<TMemoryStream> stream(Create<TMemoryStream>(), &Free);
  TZSESkinFormatZCS5::StaticClass()->Save(stream.get(), Skin, nullptr);
  stream->SetPosition(0);
  return stream;
}

// Through the registry, as the engine reads packages.
TOwned<TZSESkin> Load(TStream* Stream) {
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  Stream->SetPosition(0);
  TZSESkinManager::LoadFromStream(Stream, skin.get());
  return skin;
}

void AddFile(TZSESkin* Skin, const String& Name, TZSESkinFileKind Kind, const std::string& Data) {
  Skin->GetFiles()->Add(Name, Kind, [&](TStream* Stream) {
    if (!Data.empty()) Stream->WriteBuffer(Data.data(), static_cast<Integer>(Data.size()));
  });
}

TEST(SkinPackageZCS5, SavedSkinReadsBackIdentical) {
  struct TCase {
    const char* Label;
    std::vector<std::pair<TZSESkinFileKind, std::string>> Files;
  };
  const std::string big(200000, 'q');
  const TCase cases[] = {
      {"no files", {}},
      {"one of each kind, kind 0 and an unknown kind",
       {{0, "raw"},
        {1, "image bytes"},
        {2, "<set/>"},
        {3, "<skin/>"},
        {4, "font"},
        {5, "BM"},
        {6, "[a]"},
        {7, "script"},
        {8, "text"},
        {9, "passes through"}}},
      {"same name in several kinds, empty and large data", {{3, ""}, {7, big}, {1, ""}, {8, big}}},
  };
  for (const TCase& c : cases) {
    TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
    skin->GetDetails()->SetName(u"Ocean");
    skin->GetDetails()->SetAuthor(u"Me");
    skin->GetDetails()->SetDescription(u"Waves\r\nand foam");
    skin->GetDetails()->SetVersion(500);
    if (c.Files.size() == 10) {
      skin->GetDetails()->GetPreview()->SetSize(3, 2);
      skin->GetDetails()->GetPreview()->SetPixelFormat(TPixelFormat::pf32bit);
    }
    for (const auto& [kind, data] : c.Files) AddFile(skin.get(), u"Same", kind, data);
    TOwned<TMemoryStream> stream = Save(skin.get());
    TOwned<TZSESkin> loaded = Load(stream.get());

    TZSESkinDetails* details = loaded->GetDetails();
    EXPECT_EQ(details->GetName(), u"Ocean") << c.Label;
    EXPECT_EQ(details->GetAuthor(), u"Me");
    EXPECT_EQ(details->GetDescription(), u"Waves\r\nand foam");
    EXPECT_EQ(details->GetVersion().Number, 500);
    EXPECT_EQ(details->GetPreview()->GetWidth(), skin->GetDetails()->GetPreview()->GetWidth()) << c.Label;
    ASSERT_EQ(loaded->GetFiles()->GetCount(), skin->GetFiles()->GetCount()) << c.Label;
    for (Integer i = 0; i < skin->GetFiles()->GetCount(); ++i) {
      TZSESkinFile* a = skin->GetFiles()->GetItem(i);
      TZSESkinFile* b = loaded->GetFiles()->GetItem(i);
      EXPECT_EQ(a->GetName(), b->GetName());
      EXPECT_EQ(a->GetKind(), b->GetKind());
      EXPECT_EQ(b->GetSize(), a->GetSize());
      EXPECT_EQ(FileBytes(a), FileBytes(b)) << c.Label << " kind " << int(a->GetKind());
    }
    // Images are stored as they are, everything else compressed: the big text shrinks.
    if (c.Files.size() == 4) EXPECT_LT(stream->GetSize(), 10000);

    // The details alone.
    TOwned<TZSESkinDetails> only(Create<TZSESkinDetails>(), &Free);
    stream->SetPosition(0);
    TZSESkinManager::Load(stream.get(), nullptr, only.get());
    EXPECT_EQ(only->GetName(), u"Ocean");
    EXPECT_EQ(only->GetVersion().Number, 500);
  }
}

// ---- an independent writer ------------------------------------------------------------------

struct TEntry {
  std::u16string Name;
  Byte Kind;
  std::string Data;
  Byte Compression;  // 0 stored, 1 zlib, other values as they are
};

void PutInt(std::vector<Byte>& Out, int32_t Value) {
  for (int i = 0; i < 4; ++i) Out.push_back(static_cast<Byte>(static_cast<uint32_t>(Value) >> (8 * i)));
}

void PutText(std::vector<Byte>& Out, const std::u16string& Text) {
  Out.push_back(static_cast<Byte>(Text.size()));
  Out.push_back(static_cast<Byte>(Text.size() >> 8));
  for (char16_t c : Text) {
    Out.push_back(static_cast<Byte>(c));
    Out.push_back(static_cast<Byte>(c >> 8));
  }
}

// A package written from the byte layout alone: every body byte at file offset p is XORed with
// Key[p mod L].
std::vector<Byte> WritePackage(const std::vector<Byte>& Key, const std::vector<TEntry>& Entries, Byte Method = 0,
                               int32_t Version = 500) {
  std::vector<Byte> out = {'Z', 'C', 'S', '5', 0};
  PutInt(out, Version);
  out.push_back(Method);
  out.push_back(static_cast<Byte>(Key.size()));
  out.insert(out.end(), Key.begin(), Key.end());
  const size_t bodyStart = out.size();
  std::vector<Byte> details;
  PutText(details, u"Indie");
  PutText(details, u"  Author\t");
  PutText(details, u"Desc");
  details.push_back(0);
  PutInt(out, static_cast<int32_t>(details.size()));
  out.insert(out.end(), details.begin(), details.end());
  PutInt(out, static_cast<int32_t>(Entries.size()));
  for (const TEntry& e : Entries) {
    PutText(out, e.Name);
    out.push_back(e.Kind);
    PutInt(out, static_cast<int32_t>(e.Data.size()));
    out.push_back(e.Compression);
    if (e.Compression == 1) {
      uLongf packedSize = compressBound(e.Data.size());
      std::vector<Byte> packed(packedSize);
      compress2(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(e.Data.data()), e.Data.size(), 6);
      PutInt(out, static_cast<int32_t>(packedSize));
      out.insert(out.end(), packed.begin(), packed.begin() + static_cast<long>(packedSize));
    } else {
      out.insert(out.end(), e.Data.begin(), e.Data.end());
    }
  }
  if (!Key.empty())
    for (size_t p = bodyStart; p < out.size(); ++p) out[p] ^= Key[p % Key.size()];
  return out;
}

TOwned<TMemoryStream> Stream(const std::vector<Byte>& Data) {
  TOwned<TMemoryStream> stream(Create<TMemoryStream>(), &Free);
  if (!Data.empty()) stream->WriteBuffer(Data.data(), static_cast<Integer>(Data.size()));
  stream->SetPosition(0);
  return stream;
}

TEST(SkinPackageZCS5, ReadsPackagesOfAnIndependentWriter) {
  const std::vector<TEntry> entries = {
      {u"Schema", 3, "<skin target=\"500\"/>", 1},
      {u"Logo", 1, "pixels", 0},
      {u"Notes", 8, std::string(5000, 'n'), 0},
      {u"Compressed image", 1, "zipped pixels", 1},
  };
  for (size_t keyLength : {1u, 16u, 255u}) {
    std::vector<Byte> key(keyLength);
    for (size_t i = 0; i < keyLength; ++i) key[i] = static_cast<Byte>(i * 37 + 11);
    TOwned<TMemoryStream> stream = Stream(WritePackage(key, entries));
    TOwned<TZSESkin> skin = Load(stream.get());
    EXPECT_EQ(skin->GetDetails()->GetName(), u"Indie") << keyLength;
    EXPECT_EQ(skin->GetDetails()->GetAuthor(), u"Author") << "trimmed";
    ASSERT_EQ(skin->GetFiles()->GetCount(), 4) << keyLength;
    for (const TEntry& e : entries) {
      TZSESkinFile* file = nullptr;
      ASSERT_TRUE(skin->GetFiles()->Find(String(e.Name), e.Kind, file));
      EXPECT_EQ(file->GetSize(), static_cast<Int64>(e.Data.size()));
      const std::vector<Byte> data = FileBytes(file);
      EXPECT_EQ(std::string(data.begin(), data.end()), e.Data) << keyLength;
    }
  }
}

TEST(SkinPackageZCS5, BadPackagesFailClearly) {
  const std::vector<Byte> key(16, 0x5A);
  auto expectMessage = [](const std::vector<Byte>& Data, const char16_t* Message, const char* Label) {
    TOwned<TMemoryStream> stream = Stream(Data);
    TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
    try {
      TZSESkinManager::LoadFromStream(stream.get(), skin.get());
      ADD_FAILURE() << Label << ": no error";
    } catch (const Exception& e) {
      if (Message) EXPECT_EQ(e.GetMessage(), Message) << Label;
    }
    return skin->GetFiles()->GetCount();
  };
  EXPECT_EQ(expectMessage(WritePackage(key, {}, 1), u"Binary stream has been corrupted", "method 1"), 0);
  // The entries before the bad one stay.
  EXPECT_EQ(expectMessage(WritePackage(key, {{u"A", 8, "a", 0}, {u"B", 8, "b", 2}}), u"Unsupported compression is used",
                          "compression 2"),
            1);
  expectMessage(WritePackage({}, {}), nullptr, "key length 0");

  // Counts and sizes beyond the end fail before anything that large is allocated.
  const std::vector<Byte> good = WritePackage(key, {{u"A", 8, "abc", 0}, {u"Z", 3, "xyz", 1}});
  const size_t bodyStart = 11 + key.size();
  auto patchInt = [&](std::vector<Byte> Data, size_t Offset, int32_t Value) {
    for (int i = 0; i < 4; ++i)
      Data[Offset + static_cast<size_t>(i)] =
          static_cast<Byte>(static_cast<uint32_t>(Value) >> (8 * i)) ^ key[(Offset + static_cast<size_t>(i)) % 16];
    return Data;
  };
  const size_t detailsSize = 2 + 10 + 2 + 18 + 2 + 8 + 1;
  const size_t countAt = bodyStart + 4 + detailsSize;
  const size_t sizeAt = countAt + 4 + 2 + 2 + 1;
  for (int32_t value : {0x7FFFFFFF, -1, -100000}) {
    expectMessage(patchInt(good, bodyStart, value), u"Stream read error", "details size");
    expectMessage(patchInt(good, countAt, value), u"Stream read error", "entry count");
    expectMessage(patchInt(good, sizeAt, value), u"Stream read error", "entry size");
  }
  for (size_t cut = 0; cut < good.size(); cut += 7)
    expectMessage(std::vector<Byte>(good.begin(), good.begin() + static_cast<long>(cut)), nullptr, "truncated");
}

TEST(SkinPackageZCS5, DamagedEntryFailsOnFirstUseNotOnLoad) {
  const std::vector<Byte> key(16, 0x11);
  std::vector<Byte> data = WritePackage(key, {{u"Doc", 3, std::string(300, 'x'), 1}});
  data[data.size() - 6] ^= 0xFF;  // inside the deflate data
  TOwned<TMemoryStream> stream = Stream(data);
  TOwned<TZSESkin> skin = Load(stream.get());
  TZSESkinFile* file = skin->GetFiles()->GetItem(0);
  EXPECT_EQ(file->GetSize(), 300);
  EXPECT_ANY_THROW(file->GetData()->LockStream());
}

// Claims a size other than the bytes it holds.
class TLyingContainer : public TInterfacedObject, public IZCLStreamContainer {
  RTL_INTERFACES(TInterfacedObject, IZCLStreamContainer)
 public:
  TLyingContainer() : FStream(Create<TMemoryStream>()) { FStream->WriteBuffer("12345", 5); }
  ~TLyingContainer() override { Free(FStream); }
  Int64 GetSize() override { return 100; }
  TStream* LockStream() override {
    FStream->SetPosition(0);
    return FStream;
  }
  void UnlockStream() override {}

 private:
  TMemoryStream* FStream;
};

TEST(SkinPackageZCS5, WritesTheSizeOfTheBytesWritten) {
  for (TZSESkinFileKind kind : {sfkImage, sfkDocument}) {
    TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
    skin->GetFiles()->Add(u"Odd", kind, IPtr<IZCLStreamContainer>(Create<TLyingContainer>()));
    AddFile(skin.get(), u"Zed", sfkText, "after");
    TOwned<TMemoryStream> stream = Save(skin.get());
    TOwned<TZSESkin> loaded = Load(stream.get());
    ASSERT_EQ(loaded->GetFiles()->GetCount(), 2);
    EXPECT_EQ(loaded->GetFiles()->GetItem(0)->GetSize(), 5);
    const std::vector<Byte> after = FileBytes(loaded->GetFiles()->GetItem(1));
    EXPECT_EQ(std::string(after.begin(), after.end()), "after");
  }
}

TEST(SkinPackageZCS5, TooLongTextsRaiseOnWrite) {
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  AddFile(skin.get(), String(65536, u'n'), sfkText, "x");
  TOwned<TMemoryStream> stream(Create<TMemoryStream>(), &Free);
  EXPECT_THROW(TZSESkinFormatZCS5::StaticClass()->Save(stream.get(), skin.get(), nullptr), EWriteError);
  skin->GetFiles()->Clear();
  skin->GetDetails()->SetDescription(String(70000, u'd'));
  EXPECT_THROW(TZSESkinFormatZCS5::StaticClass()->Save(stream.get(), skin.get(), nullptr), EWriteError);
  // The longest text that fits is kept whole.
  skin->GetDetails()->SetDescription(String(65535, u'd'));
  TOwned<TMemoryStream> ok = Save(skin.get());
  EXPECT_EQ(Load(ok.get())->GetDetails()->GetDescription().size(), 65535u);
}

}  // namespace

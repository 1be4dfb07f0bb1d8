#include <gtest/gtest.h>

#include <vector>

#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.Utils.Stream.h"

namespace {
Cardinal Crc(std::string_view S) {
  return static_cast<Cardinal>(TZCLHashCRC32::Calculate(S.data(), static_cast<Integer>(S.size())).AsInt64());
}
Cardinal Lookup3(std::string_view S, Integer Seed) {
  TZCLHashState state;
  TZCLHashBobJenkins::Initialize(state, Seed);
  TZCLHashBobJenkins::Update(state, S.data(), static_cast<Integer>(S.size()));
  return static_cast<Cardinal>(TZCLHashBobJenkins::Finalize(state).AsInteger());
}
std::string Md5(std::string_view S) {
  return StringToUTF8(TZCLHashMD5::Calculate(S.data(), static_cast<Integer>(S.size())).AsString());
}
}  // namespace

TEST(Hashes, Crc32Vectors) {
  EXPECT_EQ(Crc("123456789"), 0x89A1897Fu);
  EXPECT_EQ(Crc(""), 0u);
  EXPECT_EQ(TZCLHashCRC32::DefaultTable()[1], 0x04C11DB7u);
  // Fed in pieces, the register carries on.
  TZCLHashState state;
  TZCLHashCRC32::Initialize(state);
  TZCLHashCRC32::Update(state, "1234", 4);
  TZCLHashCRC32::Update(state, "56789", 5);
  EXPECT_EQ(TZCLHashCRC32::Finalize(state).AsInt64(), 0x89A1897F);
}

// Long buffers take the sliced and folded paths; a copy of the built-in table takes the plain
// byte loop. Both must agree for every length, alignment, split and initial value.
TEST(Hashes, Crc32FastPathsMatchByteLoop) {
  std::vector<Byte> data(70000);
  uint32_t x = 7;
  for (auto& b : data) b = static_cast<Byte>((x = x * 1103515245 + 12345) >> 24);
  const std::vector<Cardinal> table(TZCLHashCRC32::DefaultTable(), TZCLHashCRC32::DefaultTable() + 256);
  auto crc = [&](const Cardinal* Table, size_t Offset, size_t Size, size_t Split, Cardinal Init) {
    TZCLHashState state;
    TZCLHashCRC32::Initialize(state, Init, Table);
    TZCLHashCRC32::Update(state, data.data() + Offset, static_cast<Integer>(Split));
    TZCLHashCRC32::Update(state, data.data() + Offset + Split, static_cast<Integer>(Size - Split));
    return TZCLHashCRC32::Finalize(state).AsInt64();
  };
  for (size_t size : {0, 7, 8, 63, 64, 127, 128, 129, 191, 200, 255, 256, 1000, 4097, 69990})
    for (size_t offset : {0, 1, 5})
      for (Cardinal init : {0u, 0xFFFFFFFFu, 0x12345678u}) {
        const size_t split = size / 3;
        EXPECT_EQ(crc(nullptr, offset, size, split, init), crc(table.data(), offset, size, 0, init))
            << size << " " << offset << " " << init;
      }
}

TEST(Hashes, Lookup3Vectors) {
  EXPECT_EQ(Lookup3("", 0), 0xDEADBEEFu);
  EXPECT_EQ(Lookup3("", 1), 0xDEADBEF0u);
  EXPECT_EQ(Lookup3("Four score and seven years ago", 0), 0x17770551u);
  EXPECT_EQ(Lookup3("Four score and seven years ago", 1), 0xCD628161u);
  const Variant abc = TZCLHashBobJenkins::Calculate(u"abc", nullptr);  // 6 UTF-16 bytes
  EXPECT_EQ(abc.VarType(), varInteger);
  EXPECT_EQ(abc.AsInteger(), -66578976);
  EXPECT_EQ(TZCLHashBobJenkins::Calculate(nullptr, 0).AsInteger(), static_cast<Integer>(0xDEADBEEF));
}

TEST(Hashes, Md5Rfc1321Suite) {
  const char* suite[][2] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"}};
  for (auto& v : suite) EXPECT_EQ(Md5(v[0]), v[1]) << v[0];
  // Updates of every split give the same digest as one call.
  const std::string text = suite[6][0];
  for (size_t split = 0; split <= text.size(); split += 7) {
    TZCLHashState state;
    TZCLHashMD5::Initialize(state);
    TZCLHashMD5::Update(state, text.data(), static_cast<Integer>(split));
    TZCLHashMD5::Update(state, text.data() + split, static_cast<Integer>(text.size() - split));
    std::array<Byte, 16> digest;
    TZCLHashMD5::Finalize(state, digest);
    EXPECT_EQ(digest[0], 0x57);
    EXPECT_EQ(digest[15], 0x7a);
  }
  EXPECT_EQ(Md5(std::string(1000000, 'a')), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Hashes, TextAndStreamFeeding) {
  TZCLHashState state;
  TZCLHashMD5::Initialize(state);
  TZCLHashMD5::Update(state, u"abc");  // UTF-8: 3 bytes
  EXPECT_EQ(StringToUTF8(TZCLHashMD5::Finalize(state).AsString()), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_NE(TZCLHashMD5::Calculate(u"abc", nullptr).AsString(), TZCLHashMD5::Calculate("abc", 3).AsString());

  TMemoryStream memory;
  memory.WriteBuffer("xxxx123456789", 13);
  memory.SetPosition(4);
  TZCLHashCRC32::Initialize(state);
  TZCLHashCRC32::UpdateFromStream(state, &memory, nullptr);
  EXPECT_EQ(TZCLHashCRC32::Finalize(state).AsInt64(), 0x89A1897F);
  EXPECT_EQ(memory.GetPosition(), 4);
  // A memory stream is one Update even when nothing is left: the chained hash still mixes its seed.
  memory.SetPosition(memory.GetSize());
  TZCLHashBobJenkins::Initialize(state);
  TZCLHashBobJenkins::UpdateFromStream(state, &memory, nullptr);
  EXPECT_EQ(TZCLHashBobJenkins::Finalize(state).AsInteger(), static_cast<Integer>(0xDEADBEEF));

  TMemoryStream big;
  std::string data(1000, 'q');
  big.WriteBuffer(data.data(), 1000);
  TZCLStreamWrapper plain(&big, soReference);
  plain.SetPosition(0);
  std::vector<Single> progress;
  TZCLHashMD5::Initialize(state);
  TZCLHashMD5::UpdateFromStream(state, &plain, [&](TObject*, Single p) { progress.push_back(p); });
  EXPECT_EQ(TZCLHashMD5::Finalize(state).AsString(), TZCLHashMD5::Calculate(data.data(), 1000).AsString());
  ASSERT_EQ(progress.size(), 4u);
  EXPECT_FLOAT_EQ(progress.back(), 100.0f);
}

TEST(Hashes, ElfHash) {
  EXPECT_EQ(ElfHash(u"FooBarBazToto"), 0x5ec3e8fu);
  EXPECT_EQ(ElfHash(u"abc"), 0x6783u);
  EXPECT_EQ(ElfHash(u"abc", true), 0x4563u);
  EXPECT_EQ(ElfHash(u"ABC"), 0x4563u);
  EXPECT_EQ(ElfHash(String(100, u'z')) & 0xF0000000u, 0u);
}

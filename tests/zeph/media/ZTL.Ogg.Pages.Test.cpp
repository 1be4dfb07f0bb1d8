#include <gtest/gtest.h>

#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zeph/media/ZTL.Ogg.Pages.h"

#ifdef ZEPHSE_HAVE_LIBOGG
#include <ogg/ogg.h>
#endif

namespace {

std::string Bytes(TStream& S) {
  std::string b(static_cast<size_t>(S.GetSize()), '\0');
  S.SetPosition(0);
  S.ReadBuffer(b.data(), static_cast<Int64>(b.size()));
  return b;
}

void Put(TMemoryStream& M, const std::string& B) {
  M.SetSize(0);
  M.WriteBuffer(B.data(), static_cast<Int64>(B.size()));
  M.SetPosition(0);
}

std::string Packet(size_t Size, char Fill) {
  std::string p(Size, Fill);
  for (size_t i = 0; i < Size; ++i) p[i] = static_cast<char>(Fill + i % 7);
  return p;
}

// A page as bytes (CRC filled by BuildPage): one packet part per lacing list.
std::string MakePage(Cardinal Serial, Cardinal Sequence, Byte Type, Int64 Granule, const std::vector<Byte>& Lacing,
                     const std::string& Body) {
  std::string h = "OggS";
  h += '\0';
  h += static_cast<char>(Type);
  for (int i = 0; i < 8; ++i) h += static_cast<char>(static_cast<UInt64>(Granule) >> (8 * i));
  for (Cardinal v : {Serial, Sequence, 0u})
    for (int i = 0; i < 4; ++i) h += static_cast<char>(v >> (8 * i));
  h += static_cast<char>(Lacing.size());
  h.append(Lacing.begin(), Lacing.end());
  h += Body;
  // Give it a valid checksum through the page object.
  TMemoryStream m;
  Put(m, h);
  TZBLOggPage page;
  EXPECT_TRUE(page.ReadPageHeader(&m));
  page.ReadBody(&m);
  TMemoryStream out;
  page.WritePage(&out, -1);
  return Bytes(out);
}

std::vector<Byte> Lacing(size_t Size, bool Ends = true) {
  std::vector<Byte> l(Size / 255, 255);
  if (Ends || Size % 255) l.push_back(static_cast<Byte>(Size % 255));
  return l;
}

struct TPageInfo {
  Cardinal Serial, Sequence;
  Byte Type;
  Int64 Granule;
  std::vector<Byte> Lacing;
};

std::vector<TPageInfo> Pages(TStream& S) {
  std::vector<TPageInfo> out;
  S.SetPosition(0);
  TZBLOggStream ogg(&S);
  while (ogg.ReadPage(false, false)) {
    const TZBLOggPage& p = ogg.GetPage();
    out.push_back({p.GetSerialNumber(), p.GetSequenceNumber(), p.GetHeaderType(), p.GetGranulePosition(),
                   std::vector<Byte>(p.GetSegmentTable(), p.GetSegmentTable() + p.GetSegmentCount())});
  }
  return out;
}

}  // namespace

TEST(OggPages, LacingOfFilledPages) {
  const struct {
    size_t Size;
    std::vector<std::vector<Byte>> Lacing;  // per page
  } cases[] = {
      {51000, {[] {
         auto l = std::vector<Byte>(200, 255);
         l.push_back(0);
         return l;
       }()}},
      {51001, {std::vector<Byte>(200, 255), {1}}},
      {510, {{255, 255, 0}}},
      {300, {{255, 45}}},
  };
  for (const auto& c : cases) {
    TMemoryStream source;
    Put(source, Packet(c.Size, 'a'));
    TZBLOggPage page;
    std::vector<std::vector<Byte>> got;
    for (Cardinal seq = 5; page.FillPage(&source, seq, seq > 5, true); ++seq) {
      got.emplace_back(page.GetSegmentTable(), page.GetSegmentTable() + page.GetSegmentCount());
      EXPECT_EQ(page.GetSequenceNumber(), seq);
      EXPECT_EQ(page.GetHeaderType(), seq > 5 ? OggPageContinued : 0);
    }
    EXPECT_EQ(got, c.Lacing) << c.Size;
  }
  // Without MayTerminate a body of whole segments leaves the packet open.
  TMemoryStream source;
  Put(source, Packet(510, 'a'));
  TZBLOggPage page;
  ASSERT_TRUE(page.FillPage(&source, 0, false, false));
  EXPECT_EQ(page.GetSegmentCount(), 2);
  EXPECT_EQ(page.GetGranulePosition(), -1);
}

TEST(OggPages, ChecksumMatchesKnownAndReferenceValues) {
  // A page whose checksum is fixed: header of serial 1, sequence 0, first page, body "abc".
  const std::string page = MakePage(1, 0, OggPageFirst, 0, {3}, "abc");
  Cardinal crc = 0;
  std::memcpy(&crc, page.data() + 22, 4);
  std::string zeroed = page;
  std::memset(zeroed.data() + 22, 0, 4);
  // Bitwise CRC-32 (polynomial 0x04C11DB7, MSB first, start 0, no inversion) as a reference.
  Cardinal ref = 0;
  for (unsigned char c : zeroed) {
    ref ^= static_cast<Cardinal>(c) << 24;
    for (int i = 0; i < 8; ++i) ref = (ref & 0x80000000u) ? (ref << 1) ^ 0x04C11DB7u : ref << 1;
  }
  EXPECT_EQ(crc, ref);
#ifdef ZEPHSE_HAVE_LIBOGG
  for (size_t size : {0u, 3u, 255u, 51000u}) {
    TMemoryStream source;
    Put(source, Packet(size, 'q'));
    TZBLOggPage ours;
    if (size > 0) ASSERT_TRUE(ours.FillPage(&source, 7, false, true));
    std::unique_ptr<TMemoryStream> built = ours.BuildPage();
    std::string b = Bytes(*built);
    const long headerLength = 27 + static_cast<Byte>(b[26]);
    ogg_page og{reinterpret_cast<unsigned char*>(b.data()), headerLength,
                reinterpret_cast<unsigned char*>(b.data()) + headerLength, static_cast<long>(b.size()) - headerLength};
    const std::string before = b;
    ogg_page_checksum_set(&og);
    EXPECT_EQ(b, before) << size;
  }
#else
  GTEST_SKIP() << "libogg is not installed: checked against the bitwise checksum only";
#endif
}

TEST(OggPages, ResyncSkipsGarbage) {
  const std::string page = MakePage(9, 0, OggPageFirst, 0, {3}, "xyz");
  TMemoryStream m;
  Put(m, std::string("garbage OgS") + page);
  TZBLOggStream ogg(&m);
  EXPECT_FALSE(ogg.ReadPage(false, false));
  m.SetPosition(0);
  ASSERT_TRUE(ogg.ReadPage(true, true));
  EXPECT_EQ(ogg.GetPage().GetPosition(), 11);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ogg.GetPage().GetData()), 3), "xyz");
  EXPECT_EQ(ogg.GetLastSerial(), 9u);
}

TEST(OggPages, TruncatedLacingTableIsNoPage) {
  std::string page = MakePage(1, 0, 0, 0, {3, 4}, "abcdefg");
  page.resize(28);
  TMemoryStream m;
  Put(m, page);
  TZBLOggStream ogg(&m);
  EXPECT_FALSE(ogg.ReadPage(true, false));
}

TEST(OggPages, TruncatedBodyRaises) {
  std::string page = MakePage(1, 0, 0, 0, {200}, std::string(200, 'x'));
  page.resize(page.size() - 10);
  TMemoryStream m;
  Put(m, page);
  TZBLOggStream ogg(&m);
  EXPECT_THROW(ogg.ReadPage(false, true), Exception);
}

// Header pages of stream 1: a two-page packet (pages 1, 2), then audio pages 3 and 4, with the
// pages of a second logical stream 2 between them.
struct TFixture {
  std::string Head, Comment1, Comment2, Other1, Audio1, Other2, Audio2;
  TFixture() {
    Head = MakePage(1, 0, OggPageFirst, 0, {30}, Packet(30, 'h'));
    Comment1 = MakePage(1, 1, 0, 0, std::vector<Byte>(4, 255), Packet(1020, 'c'));
    Comment2 = MakePage(1, 2, OggPageContinued, 0, {10}, Packet(10, 'd'));
    Other1 = MakePage(2, 7, 0, 0, {5}, "OTHER");
    Audio1 = MakePage(1, 3, 0, 1000, {100}, Packet(100, 'e'));
    Other2 = MakePage(2, 8, OggPageLast, 0, {5}, "LAST2");
    Audio2 = MakePage(1, 4, OggPageLast, 2000, {50}, Packet(50, 'f'));
  }
  std::string File() const { return Head + Comment1 + Other1 + Comment2 + Audio1 + Other2 + Audio2; }
};

TEST(OggPages, PacketDataFollowsItsLogicalStream) {
  TFixture f;
  TMemoryStream m;
  Put(m, f.File());
  TZBLOggStream ogg(&m);
  const Int64 first = static_cast<Int64>(f.Head.size());
  const Int64 end = static_cast<Int64>(f.File().size() - f.Audio2.size() - f.Other2.size()) - 40;
  std::unique_ptr<TMemoryStream> data = ogg.ReadPacketData(first, end);
  EXPECT_EQ(Bytes(*data), Packet(1020, 'c') + Packet(10, 'd') + Packet(60, 'e'));
}

TEST(OggPages, ReplaceDataRepagesRenumbersAndKeepsOtherStreams) {
  TFixture f;
  TMemoryStream m;
  Put(m, f.File());
  const Int64 start = static_cast<Int64>(f.Head.size());
  const Int64 finish = start + static_cast<Int64>(f.Comment1.size() + f.Other1.size() + f.Comment2.size());
  TMemoryStream first, second;
  Put(first, Packet(300, 'n'));
  Put(second, Packet(510, 's'));  // a packet of whole segments that ended on its page
  TZBLOggStream(&m).ReplaceData(start, finish, &first, &second, true);

  const std::vector<TPageInfo> pages = Pages(m);
  ASSERT_EQ(pages.size(), 7u);
  EXPECT_EQ(pages[1].Lacing, (std::vector<Byte>{255, 45}));
  EXPECT_EQ(pages[1].Type, 0);
  EXPECT_EQ(pages[2].Lacing, (std::vector<Byte>{255, 255, 0}));
  EXPECT_EQ(pages[2].Sequence, 2u);
  for (int i : {1, 2}) {
    EXPECT_EQ(pages[i].Serial, 1u);
    EXPECT_EQ(pages[i].Granule, 0);
  }
  // The other stream's page from inside the range follows the new pages unchanged.
  const std::string bytes = Bytes(m);
  EXPECT_NE(bytes.find(f.Other1), std::string::npos);
  EXPECT_NE(bytes.find(f.Other2), std::string::npos);
  EXPECT_EQ(pages[3].Serial, 2u);
  EXPECT_EQ(pages[4].Sequence, 3u);
  EXPECT_EQ(pages[6].Sequence, 4u);

  // One new page instead of two renumbers the audio pages down; their bodies stay.
  TMemoryStream m2;
  Put(m2, f.File());
  TMemoryStream small;
  Put(small, Packet(20, 'z'));
  TZBLOggStream(&m2).ReplaceData(start, finish, &small);
  const std::vector<TPageInfo> p2 = Pages(m2);
  ASSERT_EQ(p2.size(), 6u);
  EXPECT_EQ(p2[3].Sequence, 2u);
  EXPECT_EQ(p2[5].Sequence, 3u);
  EXPECT_EQ(p2[5].Granule, 2000);
  TZBLOggStream check(&m2);
  m2.SetPosition(0);
  std::string audio;
  while (check.ReadPage(false, true))
    if (check.GetPage().GetSerialNumber() == 1 && check.GetPage().GetGranulePosition() > 0)
      audio += std::string(reinterpret_cast<const char*>(check.GetPage().GetData()), check.GetPage().GetDataSize());
  EXPECT_EQ(audio, Packet(100, 'e') + Packet(50, 'f'));
  // Every rewritten page carries a valid checksum.
  m2.SetPosition(0);
  while (check.ReadPage(false, true)) {
    const Cardinal stored = check.GetPage().GetChecksum();
    check.GetPage().BuildPage();
    EXPECT_EQ(check.GetPage().GetChecksum(), stored);
  }
}

TEST(OggPages, ReplaceDataWithoutPageRaises) {
  TMemoryStream m;
  Put(m, std::string(100, 'x'));
  TMemoryStream data;
  Put(data, "abc");
  EXPECT_THROW(TZBLOggStream(&m).ReplaceData(10, 20, &data), EZBLOggError);
  EXPECT_EQ(Bytes(m), std::string(100, 'x'));
}

TEST(OggPages, SeekToLastPageOfTheFirstStream) {
  TFixture f;
  TMemoryStream m;
  Put(m, f.File() + "trailing junk");
  TZBLOggStream ogg(&m);
  ASSERT_TRUE(ogg.ReadPage(false, false));
  ogg.SeekToLastPage(1);
  EXPECT_EQ(ogg.GetPage().GetGranulePosition(), 2000);
  EXPECT_EQ(ogg.GetPage().GetSerialNumber(), 1u);
}

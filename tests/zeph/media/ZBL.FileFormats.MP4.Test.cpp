#include <gtest/gtest.h>

#include "rtl/RTL.Streams.h"
#include "zeph/media/ZBL.FileFormats.MP4.h"
#include "zeph/media/ZTL.FileFormats.MP4.TestFiles.h"

using namespace mp4test;

namespace {

struct TTree {
  TMemoryStream Stream;
  TMP4Container Root;
  explicit TTree(const std::string& Bytes) {
    Stream.WriteBuffer(Bytes.data(), static_cast<Int64>(Bytes.size()));
    Stream.SetPosition(0);
  }
  void Load() { Root.LoadFromStream(&Stream); }
  std::string Save() {
    TMemoryStream out;
    Root.SaveToStream(&out);
    return std::string(static_cast<const char*>(out.GetMemory()), static_cast<size_t>(out.GetSize()));
  }
  TMP4Atom* At(TMP4Path Path) {
    TMP4Atom* atom = nullptr;
    return Root.FindAtom(Path, atom) ? atom : nullptr;
  }
};

}  // namespace

TEST(MP4AtomTree, UneditedTreeSavesItsBytes) {
  const std::string chpl = Atom("chpl", std::string("\x01\0\0\0\0\0\0\0\x01", 9) + BE(15000000, 8) + "\x05Intro");
  const std::string moov = Atom("moov", Atom("mvhd", std::string(100, '\x11')) +
                                            Trak(1, "soun", 44100, 441000, AudioEntry("mp4a", Esds(96000)), {10, 20}) +
                                            Ilst(Text("\xA9nam", "T") + Atom("xyz1", Data(1, "x")), chpl) +
                                            Atom("meta", "opaque bytes"));
  const std::string bytes = Atom("ftyp", "M4A " + BE(0, 4) + "isom") + moov + Atom("free", std::string(20, '\x55'));
  TTree tree(bytes);
  tree.Load();
  // Free space is written as zeros; everything else as it was.
  const std::string expected = bytes.substr(0, bytes.size() - 20) + std::string(20, '\0');
  EXPECT_EQ(tree.Save(), expected);

  // A "meta" under "udta" is a list after its 4-byte prefix; elsewhere it keeps its bytes.
  EXPECT_NE(dynamic_cast<TMP4AtomMeta*>(tree.At({MP4ID("moov"), MP4ID("udta"), MP4ID("meta")})), nullptr);
  EXPECT_NE(dynamic_cast<TMP4AtomRaw*>(tree.At({MP4ID("moov"), MP4ID("meta")})), nullptr);
  // Some writers leave out the prefix; the children are found all the same and saved as they were.
  {
    const std::string bare = Atom("moov", Atom("udta", Atom("meta", Atom("hdlr", std::string(25, '\0')) +
                                                                     Atom("ilst", Text("\xA9nam", "T")))));
    TTree other(bare);
    other.Load();
    EXPECT_NE(other.At({MP4ID("moov"), MP4ID("udta"), MP4ID("meta"), MP4ID("ilst")}), nullptr);
    EXPECT_EQ(other.Save(), bare);
  }
  // Unknown items of "ilst" are lists, so their values are reachable.
  TMP4Atom* value = nullptr;
  ASSERT_TRUE(tree.Root.FindAtom({MP4ID("moov"), MP4ID("udta"), MP4ID("meta"), MP4ID("ilst"), MP4ID("xyz1"), MP4ID("data")},
                                 value));
  EXPECT_EQ(static_cast<TMP4AtomData*>(value)->AsString(), u"x");
  auto* chapters = dynamic_cast<TMP4AtomCHPL*>(tree.At({MP4ID("moov"), MP4ID("udta"), MP4ID("chpl")}));
  ASSERT_NE(chapters, nullptr);
  ASSERT_EQ(chapters->GetCount(), 1);
  EXPECT_EQ(chapters->GetTitle(0), u"Intro");
  EXPECT_FLOAT_EQ(chapters->GetTime(0), 1.5f);
}

TEST(MP4AtomTree, SizesAtTheEdges) {
  const std::string ftyp = Atom("ftyp", "isom" + BE(0, 4));
  // "mdat" whose size is 0, 1 (64-bit, too large) or past the end runs to the end of the file.
  for (const std::string& head : {BE(0, 4) + "mdat", BE(1, 4) + "mdat" + BE(1ull << 40, 8), BE(9999, 4) + "mdat"}) {
    TTree tree(ftyp + head + std::string(50, 'x'));
    tree.Load();
    ASSERT_EQ(tree.Root.GetCount(), 2);
    EXPECT_EQ(tree.Root.GetItem(1)->Size, static_cast<Int64>(head.size() + 50));
  }
  // A 64-bit "mdat" size that fits stands, so the atoms after it are found.
  {
    TTree tree(ftyp + BE(1, 4) + "mdat" + BE(26, 8) + std::string(10, 'x') + Atom("moov", ""));
    tree.Load();
    ASSERT_EQ(tree.Root.GetCount(), 3);
    EXPECT_EQ(tree.Root.GetItem(2)->ID, MP4ID("moov"));
  }
  // Zero type bytes: skipped with a valid size, the end of the list with an impossible one.
  {
    TTree tree(ftyp + BE(12, 4) + std::string(8, '\0') + Atom("free", "") + BE(999, 4) + std::string(4, '\0') + "abc");
    tree.Load();
    ASSERT_EQ(tree.Root.GetCount(), 2);
    EXPECT_EQ(tree.Root.GetItem(1)->ID, MP4ID("free"));
  }
  // Fewer than 8 bytes left over are ignored.
  {
    TTree tree(ftyp + "\0\0\0");
    tree.Load();
    EXPECT_EQ(tree.Root.GetCount(), 1);
  }
}

TEST(MP4AtomTree, DamagedTreesRaise) {
  std::string deep = Atom("udta", "");
  for (int i = 0; i < 40; ++i) deep = Atom("udta", deep);
  const std::string cases[] = {
      Atom("moov", BE(500, 4) + "trak"),                                              // child larger than parent
      Atom("moov", Atom("trak", Atom("mdia", Atom("minf", Atom("stbl", Atom("stsd", BE(0, 4) + BE(2, 4)))))))
          ,                                                                            // table count disagrees
      Atom("ftyp", "ab"),                                                             // below the minimum
      Atom("stco", BE(0, 4) + BE(1000000, 4)),                                        // more entries than bytes
      deep,                                                                           // nested too deeply
  };
  for (const std::string& bytes : cases) {
    TTree tree(bytes);
    EXPECT_THROW(tree.Load(), Exception) << bytes.size();
  }
}

TEST(MP4AtomTree, EditingHelpers) {
  TTree tree(Atom("moov", Atom("free", std::string(30, '\0')) + Atom("udta", Atom("free", "")) + Atom("mvhd", "x")) +
             Atom("mdat", "media"));
  tree.Load();
  EXPECT_THROW(tree.Save(), EInvalidOperation);
  tree.Root.Delete(1);
  auto* moov = static_cast<TMP4AtomList*>(tree.At({MP4ID("moov")}));
  const Int64 oldSize = moov->Size;
  // Every "free" goes; one comes back at the end of the list with what is left of the range.
  EXPECT_EQ(tree.Root.ReserveFreeSpace(oldSize + 100, 1000), 0);
  EXPECT_EQ(tree.Root.GetCount(), 2);
  EXPECT_EQ(static_cast<TMP4AtomFree*>(tree.Root.GetItem(1))->FreeSize, oldSize + 100 - moov->CalculateSize() - 8);
  EXPECT_EQ(tree.Root.ReserveFreeSpace(oldSize + 100, 10), oldSize + 100 - (moov->CalculateSize() + 18));
  // Raw atoms take no children; a forced path makes its lists.
  EXPECT_THROW(tree.Root.ForceAtom({MP4ID("moov"), MP4ID("mvhd"), MP4ID("abcd")}), EMP4InvalidAtomStructure);
  TMP4Atom* ilst = tree.Root.ForceAtom({MP4ID("moov"), MP4ID("udta"), MP4ID("meta"), MP4ID("ilst")});
  EXPECT_EQ(ilst->ID, MP4ID("ilst"));
  EXPECT_TRUE(tree.Root.DeleteAtom({MP4ID("moov"), MP4ID("udta")}));
  EXPECT_FALSE(tree.Root.DeleteAtom({MP4ID("moov"), MP4ID("udta")}));

  TMP4AtomCHPL chpl(MP4ID("chpl"), nullptr);
  chpl.Add(String(300, u'x'), 2);
  EXPECT_EQ(chpl.GetTitle(0).size(), 255u);
}

TEST(MP4Tracks, PropertiesAndCodecNames) {
  const std::string alac = Atom("alac", std::string(6, '\0') + BE(1, 2) + std::string(8, '\0') + BE(2, 2) + BE(16, 2) +
                                            BE(0, 4) + BE(48000u << 16, 4) +
                                            Atom("alac", BE(0, 4) + BE(4096, 4) + std::string(1, '\0') + "\x18" +
                                                             std::string(3, '\0') + "\x02" + std::string(10, '\0') +
                                                             BE(44100, 4)));
  TTree tree(Atom("moov", Trak(1, "soun", 22050, 220500, AudioEntry("mp4a", Esds(128000)), {}, Atom("tref", Atom("chap", BE(2, 4)))) +
                              Trak(2, "soun", 48000, 480000, alac, {}) +
                              Trak(3, "vide", 1000, 5000, Atom("abcd", std::string(8, '\0')), {}) +
                              Atom("trak", Atom("tkhd", BE(0, 16) + BE(4, 4)))));
  tree.Load();
  TMP4Tracks tracks = tree.Root.CreateTracks();
  ASSERT_EQ(tracks.size(), 4u);
  const TMP4Track& aac = *tracks[0];
  EXPECT_EQ(aac.TrackID, 1);
  EXPECT_EQ(aac.ChapterTrackID, 2);
  EXPECT_EQ(aac.Kind, TMP4Track::KindAudio);
  EXPECT_EQ(aac.Codec, u"MPEG-4 Audio (AAC LC SBR)");
  EXPECT_TRUE(aac.SBR);
  EXPECT_EQ(aac.Bitrate, 128000);
  EXPECT_EQ(aac.Channels, 2);
  EXPECT_EQ(aac.Duration, 220500);
  EXPECT_EQ(tracks[1]->Codec, u"Apple lossless audio codec");
  EXPECT_EQ(tracks[1]->SampleRate, 44100);
  EXPECT_EQ(tracks[1]->TimeScale, 48000);
  EXPECT_EQ(tracks[1]->BitDepth, 24);
  EXPECT_EQ(tracks[2]->Codec, u"ABCD");
  EXPECT_EQ(tracks[2]->Kind, TMP4Track::KindVideo);
  EXPECT_EQ(tracks[3]->Codec, u"");
  EXPECT_EQ(tracks[3]->Channels, 0);
  EXPECT_EQ(TMP4Codecs::GetDescription(MP4ID("tx3g")), u"Timed Text stream");
}

TEST(MP4Tracks, SeekTable) {
  // Samples of 10, 20, 30 and 40 bytes, two per chunk, chunks at 100 and 500; each lasts 1000.
  const std::string tables =
      Atom("stsc", BE(0, 4) + BE(1, 4) + BE(1, 4) + BE(2, 4) + BE(1, 4)) +
      Atom("stsz", BE(0, 4) + BE(0, 4) + BE(4, 4) + BE(10, 4) + BE(20, 4) + BE(30, 4) + BE(40, 4)) +
      Atom("stts", BE(0, 4) + BE(1, 4) + BE(4, 4) + BE(1000, 4)) + Atom("stss", BE(0, 4) + BE(2, 4) + BE(1, 4) + BE(3, 4));
  TTree tree(Atom("moov", Trak(1, "text", 1000, 4000, Atom("text", std::string(8, '\0') ), {100, 500}, "", tables)));
  // The text entry needs a data reference index of 1 at offset 6.
  tree.Load();
  auto* entry = static_cast<TMP4AtomRaw*>(tree.At({MP4ID("moov"), MP4ID("trak"), MP4ID("mdia"), MP4ID("minf"),
                                                    MP4ID("stbl"), MP4ID("stsd"), MP4ID("text")}));
  entry->GetData()->SetPosition(6);
  entry->GetData()->WriteBuffer("\0\x01", 2);
  TMP4Tracks tracks = tree.Root.CreateTracks();
  TMP4TrackSeekTable table(tracks[0].get());
  EXPECT_EQ(table.SampleCount(), 4);
  EXPECT_EQ(table.SampleAtTime(2500, false), 3u);
  EXPECT_EQ(table.SampleAtTime(1500, true), 3u);
  EXPECT_EQ(table.SampleAtTime(9999, false), 5u);
  Int64 time = 0, duration = 0;
  table.SampleTime(4, time, duration);
  EXPECT_EQ(time, 3000);
  EXPECT_EQ(duration, 1000);
  EXPECT_EQ(table.SampleOffset(1), 100);
  EXPECT_EQ(table.SampleOffset(2), 110);
  EXPECT_EQ(table.SampleOffset(4), 530);
  EXPECT_THROW(table.SampleTime(5, time, duration), Exception);
  EXPECT_THROW(table.NearestSyncSample(4), Exception);
  std::vector<Byte> buffer;
  TMemoryStream small;
  small.SetSize(130);
  table.ReadSample(&small, 2, buffer);
  EXPECT_EQ(buffer.size(), 20u);
  EXPECT_THROW(table.ReadSample(&small, 4, buffer), Exception);
  EXPECT_THROW(table.ReadSample(&small, 5, buffer), Exception);
}

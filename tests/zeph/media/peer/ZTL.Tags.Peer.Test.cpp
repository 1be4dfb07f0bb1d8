// Our tags read side by side with the peer tag library: over files tagged by a third writer and
// over the public tag files, every field the peer reads, ours reads the same; files we save read
// back equal in the peer and in the third writer, with the audio bytes unchanged.

#include <apetag.h>
#include <attachedpictureframe.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <id3v1tag.h>
#include <id3v2tag.h>
#include <mpegfile.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZTL.FileFormats.Common.h"
#include "zeph/media/ZTL.Tags.APEv2.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"
#include "zeph/media/ZTL.Tags.TestFiles.h"

using namespace tagtest;

namespace {

class TPlainFile : public TZTLTagsContainerCommon {
  ZCL_CLASS(TPlainFile, TZTLTagsContainerCommon)
 protected:
  bool LoadStreamInfo(TStream*) override { return true; }
};

std::unique_ptr<TPlainFile> Open(const std::string& Path) {
  return std::unique_ptr<TPlainFile>(
      static_cast<TPlainFile*>(TZTLTagsContainer::Create(TPlainFile::StaticClass(), UTF8ToString(Path), nullptr)));
}

String Peer(const TagLib::String& S) { return UTF8ToString(S.to8Bit(true)); }

// The peer joins the values of one field with " "; ours with ";".
String Joined(const String& Ours) { return zcReplaceChar(Ours, u';', u' '); }

Integer Leading(const String& Text) {
  Integer n = 0;
  for (Char c : Text) {
    if (c < u'0' || c > u'9') break;
    n = n * 10 + (c - u'0');
    if (n > 100000) break;
  }
  return n;
}

// Every field the peer's tag holds, compared with our tag of the same format.
void CompareTag(const std::string& What, const TagLib::Tag* PeerTag, const TZTLTag* Ours) {
  if (!PeerTag || !Ours || Ours->GetSize() == 0) return;
  SCOPED_TRACE(What);
  if (!PeerTag->title().isEmpty()) {
    EXPECT_EQ(Joined(Ours->GetTitle()), Peer(PeerTag->title()));
  }
  if (!PeerTag->artist().isEmpty()) {
    EXPECT_EQ(Joined(Ours->GetArtist()), Peer(PeerTag->artist()));
  }
  if (!PeerTag->album().isEmpty()) {
    EXPECT_EQ(Joined(Ours->GetAlbum()), Peer(PeerTag->album()));
  }
  if (!PeerTag->genre().isEmpty()) {
    EXPECT_EQ(Joined(Ours->GetValue(fitGenre)), Peer(PeerTag->genre()));
    // The peer keeps the blanks around fixed-width values; ours trims them.
  }
  if (!PeerTag->comment().isEmpty()) {
    EXPECT_EQ(Ours->GetValue(fitComment), zcTrim(Peer(PeerTag->comment())));
  }
  if (PeerTag->track() > 0) {
    EXPECT_EQ(static_cast<unsigned>(Leading(Ours->GetTrackNumber())), PeerTag->track());
  }
  if (PeerTag->year() > 0) {
    EXPECT_EQ(static_cast<unsigned>(Leading(Ours->GetValue(fitDate))), PeerTag->year());
  }
}

std::string ArtOf(const TZTLTag* Tag) {
  const IPtr<IZCLDataContainer>& art = Tag->GetAlbumArt();
  return art ? std::string(static_cast<const char*>(art->GetData()), static_cast<size_t>(art->GetDataSize())) : "";
}

std::string PeerFrontCover(TagLib::ID3v2::Tag* Tag) {
  if (!Tag) return "";
  std::string first;
  for (TagLib::ID3v2::Frame* f : Tag->frameList("APIC")) {
    auto* p = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(f);
    if (!p) continue;
    std::string bytes(p->picture().data(), p->picture().size());
    if (p->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) return bytes;
    if (first.empty()) first = bytes;
  }
  return first;
}

void CompareFile(const std::string& Path) {
  SCOPED_TRACE(Path);
  std::unique_ptr<TPlainFile> ours;
  try {
    ours = Open(Path);
  } catch (const Exception&) {
    return;  // failing cleanly is fine for a damaged file
  }
  TagLib::MPEG::File peer(Path.c_str(), false);
  if (!peer.isValid()) return;
  CompareTag("ID3v2", peer.ID3v2Tag(false), ours->GetID3v2());
  CompareTag("APE", peer.APETag(false), ours->GetAPEv2());
  CompareTag("ID3v1", peer.ID3v1Tag(false), ours->GetID3v1());
  // Compressed frames are left out by design; the peer inflates them.
  if (ours->GetID3v2()->GetSize() > 0 && peer.ID3v2Tag(false) && Path.find("compressed") == std::string::npos) {
    const std::string peerArt = PeerFrontCover(peer.ID3v2Tag(false));
    if (!peerArt.empty()) {
      EXPECT_EQ(ArtOf(ours->GetID3v2()), peerArt);
    }
  }
}

// The bytes between the tags at the start and at the end of a file.
std::string Audio(const std::string& Bytes) {
  TCustomMemoryStream s(Bytes.data(), static_cast<NativeInt>(Bytes.size()));
  const Int64 front = std::min<Int64>(TZTLID3v2Codec::GetTagSize(&s, 0), static_cast<Int64>(Bytes.size()));
  TZTLAPEv2Location at;
  TZTLAPEv2Codec::FindFooter(&s, at);
  const Int64 end = std::max(front, at.TagStart());
  return Bytes.substr(static_cast<size_t>(front), static_cast<size_t>(end - front));
}

// Version 2.3 reads "/" as a separator of values and version 2.4 does not; a value saved from a
// version-4 tag into a version-3 one may come back split.
String Separated(const String& Value) { return zcReplaceChar(Value, u'/', u';'); }

std::vector<std::string> Files(const std::string& Folder, std::initializer_list<const char*> Extensions) {
  std::vector<std::string> files;
  if (DIR* d = opendir(Folder.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      for (const char* ext : Extensions)
        if (name.size() > std::strlen(ext) && name.ends_with(ext)) files.push_back(Folder + "/" + name);
    }
    closedir(d);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

TEST(PeerTags, PublicTagFilesReadAlike) {
  ZEPHSE_REQUIRE_TESTDATA("taglib");
  const auto files = Files(TestDataDir() + "/taglib", {".mp3", ".id3"});
  ASSERT_FALSE(files.empty());
  for (const std::string& path : files) CompareFile(path);
}

TEST(PeerTags, PublicTagFilesSaveWithoutLoss) {
  ZEPHSE_REQUIRE_TESTDATA("taglib");
  // Every file that loads saves into a copy: the audio between the tags is kept and our tags read
  // back with the same values.
  for (const std::string& path : Files(TestDataDir() + "/taglib", {".mp3"})) {
    SCOPED_TRACE(path);
    const std::string copy = TempDir() + "/copy.mp3";
    WriteFileBytes(copy, ReadFileBytes(path));
    std::unique_ptr<TPlainFile> ours;
    try {
      ours = Open(copy);
    } catch (const Exception&) {
      continue;
    }
    const std::string before = ReadFileBytes(copy);
    ours->Save();
    std::unique_ptr<TPlainFile> again = Open(copy);
    EXPECT_EQ(Audio(ReadFileBytes(copy)), Audio(before));
    for (Integer i = 0; i < ours->GetTagCount(); ++i)
      for (Integer t = 0; t < ZBLFileInfoTextCount; ++t)
        EXPECT_EQ(Separated(again->GetTag(i)->GetValue(t)), Separated(ours->GetTag(i)->GetValue(t)))
            << "tag " << i << " text " << t;
  }
}

TEST(PeerTags, WrittenByAThirdWriterAndSavedByUs) {
  const std::string folder = TempDir() + "/peertags";
  std::string python;
  if (!MakeTestFiles(folder, python)) GTEST_SKIP() << "sox, lame or python3-mutagen is absent";
  for (const char* name : {"v23.mp3", "v24.mp3", "v1.mp3", "ape.mp3"}) {
    SCOPED_TRACE(name);
    const std::string path = folder + "/" + name;
    CompareFile(path);
    const std::string kind = std::string(name) == "ape.mp3" ? "ape" : "id3";
    const std::string before = RunCommand(python + " '" + folder + "/tool.py' read '" + path + "' " + kind);
    std::unique_ptr<TPlainFile> ours = Open(path);
    const std::string audio = Audio(ReadFileBytes(path));
    // A change, saved, then read by both others.
    ours->GetID3v2()->SetValue(fitComment, u"Saved by us");
    ours->Save();
    CompareFile(path);
    EXPECT_EQ(Audio(ReadFileBytes(path)), audio);
    TagLib::MPEG::File peer(path.c_str(), false);
    ASSERT_TRUE(peer.ID3v2Tag(false));
    EXPECT_EQ(Peer(peer.ID3v2Tag(false)->comment()), u"Saved by us");
    if (kind == "ape") {
      EXPECT_EQ(RunCommand(python + " '" + folder + "/tool.py' read '" + path + "' ape"), before);
    }
  }
}

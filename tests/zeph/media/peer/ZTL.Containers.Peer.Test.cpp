// The containers of FLAC, Ogg Vorbis, Opus, MP4 and ASF files read side by side with the peer tag
// library: over the public tag files and over files made at test time by the formats' own
// encoders. Files we save are read back by the peer, accepted by the formats' own tools, and
// decode to the same audio. MP4 and ASF files tagged by a third writer (mutagen) read alike, and
// that writer reads our saves of them with every value it wrote still in place.

#include <asffile.h>
#include <dirent.h>
#include <fileref.h>
#include <flacfile.h>
#include <gtest/gtest.h>
#include <mp4file.h>
#include <tag.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZTL.Core.h"
#include "zeph/media/ZTL.Tags.TestFiles.h"

using namespace tagtest;

namespace {

// Our container for the file, found as the program finds it (by extension, then by content) and
// opened by name so that it can be saved; none when no class reads it or the file is damaged.
std::unique_ptr<TZTLTagsContainer> OpenOurs(const std::string& Path) {
  TZTLTagsContainerClass found = nullptr;
  try {
    TFileStream stream(UTF8ToString(Path), fmOpenRead | fmShareDenyNone);
    TZTLTagsContainer* container = nullptr;
    const String name = UTF8ToString(Path);
    if (!GetTagsManager()->Find(&stream, container, nullptr, name, false)) return nullptr;
    found = container->GetContainerClass();
    delete container;
    return std::unique_ptr<TZTLTagsContainer>(TZTLTagsContainer::Create(found, name, nullptr));
  } catch (const Exception&) {
    return nullptr;
  }
}

String Peer(const TagLib::String& S) { return UTF8ToString(S.to8Bit(true)); }
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

bool HasExtension(const std::string& Path, std::initializer_list<const char*> Extensions) {
  for (const char* e : Extensions)
    if (Path.size() > std::strlen(e) && Path.ends_with(e)) return true;
  return false;
}

// Every value the peer reads, ours reads the same. Durations agree within 1 ms where both take
// them from the stream's own sample count.
void Compare(const std::string& Path) {
  SCOPED_TRACE(Path);
  std::unique_ptr<TZTLTagsContainer> ours = OpenOurs(Path);
  TagLib::FileRef peer(Path.c_str(), true, TagLib::AudioProperties::Accurate);
  if (!ours || peer.isNull() || !ours->GetLoaded()) return;
  std::unique_ptr<TZBLFileInfo> info(ours->GetFileInfo());
  if (const TagLib::Tag* tag = peer.tag()) {
    // The record keeps at most 360 characters of a text; several comment blocks of one file are
    // all read by ours, the first only by the peer.
    auto same = [](const String& Ours, const String& PeerText) {
      const String ours = Joined(Ours), peerText = PeerText.substr(0, 360);
      // The peer joins the values of an MP4 item with ", ".
      return ours == peerText || zcStringReplace(Ours, u";", u", ").substr(0, 360) == peerText ||
             (Ours.find(u';') != String::npos && ours.starts_with(peerText));
    };
    if (!tag->title().isEmpty()) EXPECT_TRUE(same(info->GetTitle(), Peer(tag->title())));
    if (!tag->artist().isEmpty()) EXPECT_PRED2(same, info->GetArtist(), Peer(tag->artist()));
    if (!tag->album().isEmpty()) EXPECT_PRED2(same, info->GetAlbum(), Peer(tag->album()));
    if (tag->track() > 0) EXPECT_EQ(static_cast<unsigned>(Leading(info->GetTrackNumber())), tag->track());
    if (tag->year() > 0) EXPECT_EQ(static_cast<unsigned>(Leading(info->GetValue(fitDate))), tag->year());
  }
  if (const TagLib::AudioProperties* p = peer.audioProperties()) {
    const TZBLStreamInfo& s = info->GetStreamInfo();
    // With SBR ours gives the rate played, the peer the core coder's.
    const bool sbr = s.Codec.find(u"SBR") != String::npos;
    if (p->sampleRate() > 0) EXPECT_EQ(static_cast<Integer>(s.SampleRate), p->sampleRate() * (sbr ? 2 : 1));
    if (p->channels() > 0) EXPECT_EQ(TZBLStreamInfoUtils::ChannelCount(s.Channels), p->channels());
    if (p->lengthInMilliseconds() > 0 && HasExtension(Path, {".flac", ".ogg", ".oga", ".opus", ".m4a"}))
      EXPECT_NEAR(static_cast<double>(s.Duration), p->lengthInMilliseconds(), 1.0);
  }
}

std::string ArtOf(const TZBLFileInfo* Info) {
  const IPtr<IZCLDataContainer>& art = Info->GetAlbumArt();
  return art ? std::string(static_cast<const char*>(art->GetData()), static_cast<size_t>(art->GetDataSize())) : "";
}

// The peer's front cover, else its first picture.
std::string PeerPicture(const std::string& Path) {
  if (Path.ends_with(".flac")) {
    TagLib::FLAC::File f(Path.c_str());
    std::string first;
    for (TagLib::FLAC::Picture* p : f.pictureList()) {
      std::string bytes(p->data().data(), p->data().size());
      if (p->type() == TagLib::FLAC::Picture::FrontCover) return bytes;
      if (first.empty()) first = bytes;
    }
    return first;
  }
  if (Path.ends_with(".m4a")) {
    TagLib::MP4::File f(Path.c_str());
    if (f.tag() && f.tag()->contains("covr")) {
      const TagLib::MP4::CoverArtList covers = f.tag()->item("covr").toCoverArtList();
      if (!covers.isEmpty()) return std::string(covers.front().data().data(), covers.front().data().size());
    }
  }
  return "";
}

std::vector<std::string> Files(const std::string& Folder) {
  std::vector<std::string> files;
  if (DIR* d = opendir(Folder.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") files.push_back(Folder + "/" + name);
    }
    closedir(d);
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool Have(const char* Tool) { return std::system((std::string("command -v ") + Tool + " >/dev/null 2>&1").c_str()) == 0; }

// Makes the encoders' files in Folder; names of those that could be made.
std::vector<std::string> MakeEncoderFiles(const std::string& Folder) {
  const std::string f = "'" + Folder + "'";
  std::system(("mkdir -p " + f).c_str());
  auto run = [&](const std::string& Command) { return std::system(("cd " + f + " && " + Command + " >/dev/null 2>&1").c_str()) == 0; };
  std::vector<std::string> made;
  if (!run("sox -n -r 44100 -c 2 -b 16 tone.wav synth 1 sine 440 && sox -n -r 44100 -c 1 -b 16 other.wav synth 1 sine 660"))
    return made;
  const bool cover = Have("ffmpeg") && run("ffmpeg -v error -y -f lavfi -i color=red:s=8x8 -frames:v 1 cover.png");
  if (Have("flac") && Have("metaflac") &&
      run("flac -s -f -o tone.flac tone.wav && printf 'FILE \"tone.wav\" WAVE\\n  TRACK 01 AUDIO\\n    INDEX 01 00:00:00\\n' > "
          "tone.cue && metaflac --set-tag=TITLE='Flac title' --set-tag=ARTIST=A --set-tag=ARTIST=B --set-tag=ALBUM=Album "
          "--set-tag=TRACKNUMBER=3 --set-tag=DATE=2004 --import-cuesheet-from=tone.cue tone.flac") &&
      (!cover || run("metaflac --import-picture-from='4|image/png|back|8x8x24/0|cover.png' "
                     "--import-picture-from='3|image/png|front|8x8x24/0|cover.png' tone.flac")))
    made.push_back("tone.flac");
  if (Have("oggenc") && Have("vorbiscomment") &&
      run("oggenc -Q -o tone.ogg tone.wav && vorbiscomment -w -t 'TITLE=Ogg title' -t ARTIST=A -t TRACKNUMBER=4 "
          "-t DATE=2005 -t CHAPTER001=00:00:00.000 -t CHAPTER001NAME=One tone.ogg"))
    made.push_back("tone.ogg");
  if (Have("opusenc") &&
      run("opusenc --quiet --title 'Opus title' --artist A --album Album --comment TRACKNUMBER=5 --date 2006 tone.wav "
          "tone.opus"))
    made.push_back("tone.opus");
  if (Have("ffmpeg")) {
    WriteFileBytes(Folder + "/meta.txt",
                   ";FFMETADATA1\ntitle=M4A title\nartist=A\nalbum=Album\ntrack=6/9\ndate=2007\n[CHAPTER]\n"
                   "TIMEBASE=1/1000\nSTART=0\nEND=400\ntitle=One\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=400\nEND=1000\n"
                   "title=Two\n");
    if (run("ffmpeg -v error -y -i tone.wav -i meta.txt -map_metadata 1 -map_chapters 1 -c:a aac -b:a 64k aac.m4a"))
      made.push_back("aac.m4a");
    if (run("ffmpeg -v error -y -i tone.wav -i meta.txt -map_metadata 1 -map_chapters 1 -c:a alac alac.m4a"))
      made.push_back("alac.m4a");
    if (run("ffmpeg -v error -y -i tone.wav -c:a wmav2 -b:a 64k -metadata title='WMA title' -metadata artist=A "
            "-metadata album=Album -metadata track=7 -metadata date=2008 tone.wma"))
      made.push_back("tone.wma");
    if (run("ffmpeg -v error -y -i tone.wav -i other.wav -map 0 -map 1 -c:a libvorbis -metadata:s:a:0 title='First' "
            "multiplex.ogg"))
      made.push_back("multiplex.ogg");
  }
  return made;
}

// What the format's own tools say of a file: accepted, and the decoded audio's MD5.
bool ToolAccepts(const std::string& Path) {
  if (Path.ends_with(".flac") && Have("flac")) return std::system(("flac -s -t '" + Path + "' >/dev/null 2>&1").c_str()) == 0;
  if (Path.ends_with(".ogg") && Have("ogginfo"))
    return RunCommand("ogginfo '" + Path + "' 2>&1").find("WARNING") == std::string::npos &&
           std::system(("ogginfo '" + Path + "' >/dev/null 2>&1").c_str()) == 0;
  if (Have("ffprobe")) return std::system(("ffprobe -v error '" + Path + "' >/dev/null 2>&1").c_str()) == 0;
  return true;
}

std::string AudioMD5(const std::string& Path) {
  if (!Have("ffmpeg")) return "";
  return RunCommand("ffmpeg -v error -i '" + Path + "' -map 0:a -f md5 - 2>/dev/null");
}


// The third writer's side: "make <folder>" tags copies of the encoders' M4A and WMA files with
// freeform items, several covers and attributes ours does not map; "read <file>" lists what it
// reads, one sorted "key=value" line each (pictures as SHA-1 of their bytes).
const char* const ContainerTool = R"PY(
import hashlib, shutil, struct, sys
from mutagen.mp4 import MP4, MP4Cover, MP4FreeForm
from mutagen.asf import ASF, ASFByteArrayAttribute, ASFBoolAttribute, ASFDWordAttribute, ASFGUIDAttribute, ASFUnicodeAttribute

JPEG = b"\xff\xd8\xff\xe0" + bytes(range(256)) * 3
PNG = b"\x89PNG\r\n\x1a\n" + bytes(range(200))

def make(folder):
    shutil.copy(folder + "/aac.m4a", folder + "/mutagen.m4a")
    m = MP4(folder + "/mutagen.m4a")
    m.delete()
    m["\xa9nam"] = ["Mutagen title \u00e9"]
    m["\xa9ART"] = ["Artist A", "Artist B"]
    m["trkn"] = [(5, 12)]
    m["----:com.apple.iTunes:replaygain_track_gain"] = [MP4FreeForm(b"-6.50 dB")]
    m["----:com.apple.iTunes:PUBLISHER"] = [MP4FreeForm(b"Label")]
    m["----:org.example:Own field"] = [MP4FreeForm(b"kept as it is")]
    m["covr"] = [MP4Cover(JPEG, MP4Cover.FORMAT_JPEG), MP4Cover(PNG, MP4Cover.FORMAT_PNG)]
    m.save()
    shutil.copy(folder + "/tone.wma", folder + "/mutagen.wma")
    a = ASF(folder + "/mutagen.wma")
    a.clear()
    a["Title"] = [ASFUnicodeAttribute("Mutagen title \u00e9")]
    a["WM/AlbumArtist"] = [ASFUnicodeAttribute("Album artist")]
    a["WM/Publisher"] = [ASFUnicodeAttribute("Label")]
    a["WM/TrackNumber"] = [ASFDWordAttribute(9)]
    a["Own flag"] = [ASFBoolAttribute(True)]
    a["Own guid"] = [ASFGUIDAttribute(bytes(range(16)))]
    def picture(kind, data):
        mime = "image/jpeg".encode("utf-16-le") + b"\0\0"
        return ASFByteArrayAttribute(struct.pack("<bi", kind, len(data)) + mime + b"\0\0" + data)
    a["WM/Picture"] = [picture(3, JPEG), picture(4, PNG)]
    a.save()

def picture_data(value):
    # type byte, 32-bit length, then the MIME type and the description, each UTF-16 ending in a zero word
    at = 5
    for _ in range(2):
        while value[at:at + 2] != b"\0\0":
            at += 2
        at += 2
    return value[at:]

def read(path):
    out = {}
    if path.endswith(".m4a"):
        for k, values in MP4(path).tags.items():
            if k == "covr":
                out[k] = ",".join(hashlib.sha1(bytes(v)).hexdigest() for v in values)
            elif k.startswith("----"):
                out[k] = ";".join(bytes(v).decode("utf-8") for v in values)
            else:
                out[k] = ";".join(str(v) for v in values)
    else:
        for k, values in ASF(path).tags.items():
            if k == "WM/Picture":
                out[k] = ",".join(sorted(hashlib.sha1(picture_data(bytes(v.value))).hexdigest() for v in values))
            else:
                out[k] = ";".join(str(v.value) for v in values)
    for k in sorted(out):
        sys.stdout.write(k + "=" + out[k] + "\n")

if sys.argv[1] == "make":
    make(sys.argv[2])
else:
    read(sys.argv[2])
)PY";

// The lines of the third writer's listing, without those that name Key.
std::string Without(const std::string& Listing, const std::string& Key) {
  std::string out;
  size_t at = 0;
  while (at < Listing.size()) {
    size_t end = Listing.find('\n', at);
    if (end == std::string::npos) end = Listing.size();
    const std::string line = Listing.substr(at, end - at);
    if (!line.starts_with(Key + "=")) out += line + "\n";
    at = end + 1;
  }
  return out;
}
}  // namespace

TEST(PeerContainers, PublicFilesReadAlikeAndFailCleanly) {
  ZEPHSE_REQUIRE_TESTDATA("taglib");
  Integer compared = 0;
  for (const std::string& path : Files(TestDataDir() + "/taglib")) {
    if (!HasExtension(path, {".flac", ".ogg", ".oga", ".opus", ".spx", ".m4a", ".mp4", ".m4v", ".3g2", ".wma", ".aif",
                             ".aiff", ".wav", ".wv", ".mpc", ".ape", ".aac"}))
      continue;
    Compare(path);
    ++compared;
  }
  EXPECT_GT(compared, 20);
}

TEST(PeerContainers, PublicFilesSaveAndReadBack) {
  ZEPHSE_REQUIRE_TESTDATA("taglib");
  for (const std::string& path : Files(TestDataDir() + "/taglib")) {
    if (!HasExtension(path, {".flac", ".ogg", ".opus", ".m4a", ".mp4", ".wma"})) continue;
    SCOPED_TRACE(path);
    const std::string copy = TempDir() + "/copy" + path.substr(path.rfind('.'));
    WriteFileBytes(copy, ReadFileBytes(path));
    std::unique_ptr<TZTLTagsContainer> ours = OpenOurs(copy);
    if (!ours || !ours->GetLoaded()) continue;
    ours->GetTag(0)->SetTitle(u"Saved title \u00e9");
    try {
      ours->Save();
    } catch (const Exception&) {
      continue;  // a file our writer refuses (no media data to keep) stays as it was
    }
    std::unique_ptr<TZTLTagsContainer> again = OpenOurs(copy);
    ASSERT_TRUE(again && again->GetLoaded());
    EXPECT_EQ(again->GetTag(0)->GetTitle(), u"Saved title \u00e9");
    TagLib::FileRef peer(copy.c_str());
    if (!peer.isNull() && peer.tag()) EXPECT_EQ(Peer(peer.tag()->title()), u"Saved title \u00e9");
    Compare(copy);
  }
}

TEST(PeerContainers, EncoderFilesReadAlikeAndSurviveOurSaves) {
  const std::string folder = TempDir() + "/encoders";
  const std::vector<std::string> made = MakeEncoderFiles(folder);
  if (made.empty()) GTEST_SKIP() << "sox or the encoders are absent (scripts/setup.sh installs them)";
  for (const std::string& name : made) {
    const std::string path = folder + "/" + name;
    SCOPED_TRACE(path);
    Compare(path);
    std::unique_ptr<TZTLTagsContainer> ours = OpenOurs(path);
    ASSERT_TRUE(ours && ours->GetLoaded());
    std::unique_ptr<TZBLFileInfo> before(ours->GetFileInfo());
    EXPECT_FALSE(before->GetTitle().empty());
    const std::string picture = PeerPicture(path);
    if (!picture.empty()) EXPECT_EQ(ArtOf(before.get()), picture);
    if (name == "tone.flac") EXPECT_TRUE(before->GetValue(fitCueSheet).empty());  // binary, not text
    if (name.ends_with(".m4a") || name == "tone.ogg") {
      EXPECT_GE(ours->GetChapters()->GetCount(), 1);
    }

    const std::string md5 = AudioMD5(path);
    ours->GetTag(0)->SetTitle(u"Our title \u00e9");
    ours->GetTag(0)->SetRating(4);
    ours->Save();
    EXPECT_TRUE(ToolAccepts(path));
    EXPECT_EQ(AudioMD5(path), md5);
    // The peer reads no multiplexed Ogg file, before or after.
    TagLib::FileRef peer(path.c_str());
    ASSERT_TRUE(!peer.isNull() || name == "multiplex.ogg");
    if (!peer.isNull()) {
      EXPECT_EQ(Peer(peer.tag()->title()), u"Our title \u00e9");
      if (!before->GetArtist().empty()) EXPECT_EQ(Peer(peer.tag()->artist()), Joined(before->GetArtist()));
    }
    std::unique_ptr<TZTLTagsContainer> again = OpenOurs(path);
    ASSERT_TRUE(again && again->GetLoaded());
    std::unique_ptr<TZBLFileInfo> after(again->GetFileInfo());
    EXPECT_EQ(after->GetRating(), 4);
    EXPECT_EQ(after->GetAlbum(), before->GetAlbum());
    EXPECT_EQ(ArtOf(after.get()), ArtOf(before.get()));
    EXPECT_EQ(again->GetChapters()->GetCount(), ours->GetChapters()->GetCount());
    if (!picture.empty()) EXPECT_EQ(PeerPicture(path), picture);
    Compare(path);
  }
}

TEST(PeerContainers, ThirdWriterFilesReadAlikeAndKeepItsValuesThroughOurSaves) {
  const std::string python = FindPython();
  const std::string folder = TempDir() + "/thirdwriter";
  const std::vector<std::string> made = MakeEncoderFiles(folder);
  if (python.empty() || std::find(made.begin(), made.end(), "aac.m4a") == made.end() ||
      std::find(made.begin(), made.end(), "tone.wma") == made.end())
    GTEST_SKIP() << "python3-mutagen, sox or ffmpeg is absent (scripts/setup.sh installs them)";
  WriteFileBytes(folder + "/tool.py", ContainerTool);
  const std::string tool = python + " '" + folder + "/tool.py' ";
  ASSERT_EQ(std::system((tool + "make '" + folder + "'").c_str()), 0);
  auto bytes = [](int Count) {
    std::string b;
    for (int i = 0; i < Count; ++i) b += static_cast<char>(i % 256);
    return b;
  };
  // The third writer puts the second picture of an ASF file first.
  const std::string jpeg = "\xff\xd8\xff\xe0" + bytes(3 * 256), png = std::string("\x89PNG\r\n\x1a\n", 8) + bytes(200);

  for (const char* name : {"mutagen.m4a", "mutagen.wma"}) {
    const std::string path = folder + "/" + name;
    SCOPED_TRACE(path);
    const bool mp4 = std::string(name).ends_with(".m4a");
    const std::string before = RunCommand(tool + "read '" + path + "'");
    ASSERT_NE(before.find("Mutagen title"), std::string::npos);
    Compare(path);
    std::unique_ptr<TZTLTagsContainer> ours = OpenOurs(path);
    ASSERT_TRUE(ours && ours->GetLoaded());
    std::unique_ptr<TZBLFileInfo> info(ours->GetFileInfo());
    EXPECT_EQ(info->GetTitle(), u"Mutagen title \u00e9");
    EXPECT_EQ(info->GetValue(fitPublisher), u"Label");
    EXPECT_EQ(ArtOf(info.get()), mp4 ? jpeg : png);  // the first of two in the file
    if (mp4) {
      EXPECT_EQ(info->GetArtist(), u"Artist A;Artist B");
      EXPECT_EQ(info->GetTrackNumber(), u"5");
      EXPECT_EQ(info->GetValue(fitTrackGain), u"-6.50 dB");
    } else {
      EXPECT_EQ(info->GetValue(fitAlbumArtist), u"Album artist");
      EXPECT_EQ(Leading(info->GetTrackNumber()), 9);
    }

    // Our save of another title: the third writer reads everything else as it wrote it, the
    // second cover and the items and attributes ours does not map included.
    ours->GetTag(0)->SetTitle(u"Our title");
    ours->Save();
    const std::string after = RunCommand(tool + "read '" + path + "'");
    const std::string titleKey = mp4 ? "\xc2\xa9nam" : "Title";
    EXPECT_NE(after.find(titleKey + "=Our title\n"), std::string::npos) << after;
    if (mp4) {
      EXPECT_EQ(Without(after, titleKey), Without(before, titleKey));
    } else {
      // Ours also writes the title and the track number as the attributes "WM/Title" and
      // "WM/Track", and the track number as text where the third writer wrote a number.
      auto mapped = [&](const std::string& Listing) {
        return Without(Without(Without(Without(Listing, titleKey), "WM/Title"), "WM/Track"), "WM/TrackNumber");
      };
      EXPECT_EQ(mapped(after), mapped(before));
      EXPECT_NE(after.find("WM/TrackNumber=9\n"), std::string::npos) << after;
    }
    EXPECT_TRUE(ToolAccepts(path));
  }
}

// Tags written by another tag writer (mutagen) into small MP3s made at test time (sox, lame): our
// readers find the values, and files we save read back equal there with the audio unchanged.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zeph/media/ZTL.Tags.APEv2.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"

using namespace std::string_literals;

namespace {

const char* const Tool = R"PY(
import hashlib, shutil, subprocess, sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TRCK, TYER, TDRC, TCON, COMM, APIC, POPM, TXXX, CHAP, CTOC, CTOCFlags
from mutagen.apev2 import APEv2, APEValue, BINARY

JPEG = b"\xff\xd8\xff\xe0" + bytes(range(256)) * 4

def make(folder):
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", folder + "/base.wav", "synth", "0.3", "sine", "440"], check=True)
    subprocess.run(["lame", "--quiet", folder + "/base.wav", folder + "/base.mp3"], check=True)
    for name in ["v23", "v24", "v1", "ape"]:
        shutil.copy(folder + "/base.mp3", folder + "/" + name + ".mp3")
    t = ID3()
    t.add(TIT2(encoding=1, text="Title \u00fc"))
    t.add(TPE1(encoding=1, text=["Artist A", "Artist B"]))
    t.add(TALB(encoding=0, text="Album"))
    t.add(TRCK(encoding=0, text="3/12"))
    t.add(TDRC(encoding=0, text="2001"))
    t.add(TCON(encoding=0, text="(17)"))
    t.add(COMM(encoding=1, lang="eng", desc="", text="A comment"))
    t.add(APIC(encoding=0, mime="image/jpeg", type=3, desc="", data=JPEG))
    t.add(POPM(email="a@b", rating=196))
    t.add(TXXX(encoding=1, desc="replaygain_track_gain", text="-6.50 dB"))
    t.add(CTOC(element_id="toc", flags=CTOCFlags.TOP_LEVEL | CTOCFlags.ORDERED, child_element_ids=["c0", "c1"], sub_frames=[]))
    t.add(CHAP(element_id="c0", start_time=0, end_time=100, start_offset=0xFFFFFFFF, end_offset=0xFFFFFFFF, sub_frames=[TIT2(encoding=3, text=["Intro"])]))
    t.add(CHAP(element_id="c1", start_time=100, end_time=300, start_offset=0xFFFFFFFF, end_offset=0xFFFFFFFF, sub_frames=[TIT2(encoding=3, text=["Main"])]))
    t.save(folder + "/v23.mp3", v2_version=3, v1=0)
    t = ID3()
    t.add(TIT2(encoding=3, text="Title \u00fc"))
    t.add(TPE1(encoding=3, text=["Artist A", "Artist B"]))
    t.add(TALB(encoding=3, text="\u0410\u043b\u044c\u0431\u043e\u043c"))
    t.save(folder + "/v24.mp3", v2_version=4, v1=0)
    t = ID3()
    t.add(TIT2(encoding=0, text="V1 Title"))
    t.add(TPE1(encoding=0, text="V1 Artist"))
    t.add(TRCK(encoding=0, text="7"))
    t.add(TCON(encoding=0, text="Rock"))
    t.save(folder + "/v1.mp3", v1=2)
    ID3(folder + "/v1.mp3").delete(folder + "/v1.mp3", delete_v1=False, delete_v2=True)
    a = APEv2()
    a["Title"] = "Ape Title"
    a["Artist"] = "a\x00b"
    a["Cover Art (Front)"] = APEValue(b"cover.jpg\x00" + JPEG, BINARY)
    a.save(folder + "/ape.mp3")

def read(path, kind):
    out = {}
    if kind == "ape":
        a = APEv2(path)
        for k, v in a.items():
            out[k] = hashlib.sha1(v.value).hexdigest() if v.kind == BINARY else "\x00".join(list(v))
    else:
        t = ID3(path)
        for f in t.values():
            if f.FrameID == "APIC":
                out["APIC"] = hashlib.sha1(f.data).hexdigest()
            elif f.FrameID == "POPM":
                out["POPM"] = str(f.rating)
            elif hasattr(f, "text") and f.FrameID not in ("COMM", "TXXX"):
                out[f.FrameID] = ";".join(str(x) for x in f.text)
            elif f.FrameID == "CHAP":
                out["CHAP:" + f.element_id] = "%d-%d" % (f.start_time, f.end_time)
    for k in sorted(out):
        sys.stdout.write(k + "=" + out[k] + "\n")

if sys.argv[1] == "make":
    make(sys.argv[2])
else:
    read(sys.argv[2], sys.argv[3])
)PY";

// The interpreter that has mutagen: the system's (the Debian package), else the one on the path.
std::string FindPython() {
  for (const char* python : {"/usr/bin/python3", "python3"})
    if (std::system((std::string(python) + " -c 'import mutagen' >/dev/null 2>&1").c_str()) == 0) return python;
  return std::string();
}

bool ToolsPresent() {
  return std::system("command -v sox >/dev/null 2>&1 && command -v lame >/dev/null 2>&1") == 0 && !FindPython().empty();
}

std::string ReadFileBytes(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& Path, const std::string& Bytes) {
  std::ofstream(Path, std::ios::binary | std::ios::trunc)
      .write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

std::string RunCommand(const std::string& Command) {
  std::string out;
  FILE* p = popen(Command.c_str(), "r");
  if (!p) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  pclose(p);
  return out;
}

class RealFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!ToolsPresent()) return;
    Folder = TempDir() + "/realtags";
    std::system(("mkdir -p '" + Folder + "'").c_str());
    WriteFileBytes(Folder + "/tool.py", Tool);
    Python = FindPython();
    Made = std::system((Python + " '" + Folder + "/tool.py' make '" + Folder + "' >/dev/null 2>&1").c_str()) == 0;
  }
  void SetUp() override {
    if (!Made) GTEST_SKIP() << "sox, lame or python3-mutagen is absent (scripts/setup.sh installs them)";
  }
  static std::map<std::string, std::string> ReadBack(const std::string& Name, const std::string& Kind) {
    std::map<std::string, std::string> values;
    std::istringstream lines(
        RunCommand(Python + " '" + Folder + "/tool.py' read '" + Folder + "/" + Name + "' " + Kind));
    for (std::string line; std::getline(lines, line);) {
      const size_t eq = line.find('=');
      if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
  }
  static std::string Path(const std::string& Name) { return Folder + "/" + Name; }
  static inline std::string Folder;
  static inline std::string Python;
  static inline bool Made = false;
};

struct TBytesFile {
  TMemoryStream Stream;
  explicit TBytesFile(const std::string& Bytes) { Stream.WriteBuffer(Bytes.data(), static_cast<Int64>(Bytes.size())); }
  std::string Bytes() {
    return std::string(static_cast<const char*>(Stream.GetMemory()), static_cast<size_t>(Stream.GetSize()));
  }
};

std::map<std::string, std::vector<std::string>> ByID(const std::vector<TZTLID3v2Frame>& Frames) {
  std::map<std::string, std::vector<std::string>> m;
  for (const auto& f : Frames) m[f.ID].push_back(f.Data);
  return m;
}

// Rebuilds a tag from every frame read and saves it over the old one.
void Resave(TStream* Stream, const std::vector<TZTLID3v2Frame>& Frames) {
  RawByteString body, tag;
  for (const auto& f : Frames) TZTLID3v2Codec::WriteFrame(body, f.ID, f.Data);
  TZTLID3v2Codec::Build(body, tag, TZTLID3v2Codec::GetTagSize(Stream, 0), true);
  TZTLID3v2Codec::Replace(Stream, tag);
}

}  // namespace

TEST_F(RealFiles, ID3v23FramesReadAndSaveBack) {
  const std::string original = ReadFileBytes(Path("v23.mp3"));
  TBytesFile f(original);
  std::vector<TZTLID3v2Frame> frames;
  Byte major = 0;
  const Cardinal size = TZTLID3v2Codec::Read(&f.Stream, 0, frames, major);
  ASSERT_GT(size, 10u);
  EXPECT_EQ(major, 3);
  auto m = ByID(frames);
  EXPECT_EQ(TID3v2Encoding::Decode(m["TIT2"].at(0)), u"Title ü");
  EXPECT_EQ(TID3v2Encoding::Decode(m["TPE1"].at(0)), u"Artist A/Artist B");
  EXPECT_EQ(TID3v2Encoding::Decode(m["TDRC"].at(0)), u"2001");
  EXPECT_EQ(TZTLID3v2Codec::DecodeGenre(m["TCON"].at(0)), u"Rock");
  EXPECT_EQ(TZTLID3v2Codec::DecodeComment(m["COMM"].at(0)), u"A comment");
  EXPECT_EQ(TZTLID3v2Codec::DecodeRating(m["POPM"].at(0)), 4);
  TZTLID3v2Picture picture;
  ASSERT_TRUE(TZTLID3v2Codec::DecodePicture("APIC", m["APIC"].at(0), major, picture));
  EXPECT_EQ(picture.PictureType, 3);
  EXPECT_EQ(picture.Data.size(), 4u + 1024);
  ASSERT_EQ(m["CHAP"].size(), 2u);
  TZTLID3v2Chapter chapter;
  ASSERT_TRUE(TZTLID3v2Codec::DecodeChapter(m["CHAP"][0], major, chapter));
  EXPECT_EQ(chapter.Title, u"Main");
  EXPECT_DOUBLE_EQ(chapter.Start, 0.1);

  const std::map<std::string, std::string> before = ReadBack("v23.mp3", "id3");
  Resave(&f.Stream, frames);
  const std::string saved = f.Bytes();
  WriteFileBytes(Path("v23-saved.mp3"), saved);
  EXPECT_EQ(saved.substr(TZTLID3v2Codec::GetTagSize(&f.Stream, 0)), original.substr(size));  // the audio
  EXPECT_EQ(ReadBack("v23-saved.mp3", "id3"), before);
}

TEST_F(RealFiles, ID3v24FramesBecomeValidForVersion3) {
  TBytesFile f(ReadFileBytes(Path("v24.mp3")));
  std::vector<TZTLID3v2Frame> frames;
  Byte major = 0;
  ASSERT_GT(TZTLID3v2Codec::Read(&f.Stream, 0, frames, major), 10u);
  EXPECT_EQ(major, 4);
  auto m = ByID(frames);
  EXPECT_EQ(TID3v2Encoding::Decode(m["TPE1"].at(0)), String(u"Artist A\0Artist B", 17));
  EXPECT_EQ(TID3v2Encoding::Decode(m["TALB"].at(0)), u"Альбом");
  Resave(&f.Stream, frames);
  WriteFileBytes(Path("v24-saved.mp3"), f.Bytes());
  auto back = ReadBack("v24-saved.mp3", "id3");
  EXPECT_EQ(back["TIT2"], "Title \xC3\xBC");
  EXPECT_EQ(back["TPE1"], "Artist A;Artist B");
  EXPECT_EQ(back["TALB"], "\xD0\x90\xD0\xBB\xD1\x8C\xD0\xB1\xD0\xBE\xD0\xBC");
}

TEST_F(RealFiles, ID3v1AndAPEv2) {
  TBytesFile v1(ReadFileBytes(Path("v1.mp3")));
  TZTLID3v1Values values;
  ASSERT_TRUE(TZTLID3v1Codec::Read(&v1.Stream, values));
  EXPECT_EQ(values.Title, u"V1 Title");
  EXPECT_EQ(values.TrackNumber, u"07");
  EXPECT_EQ(values.Genre, u"Rock");
  values.Title = u"Saved";
  TZTLID3v1Codec::Write(&v1.Stream, values, false);
  WriteFileBytes(Path("v1-saved.mp3"), v1.Bytes());
  auto back = ReadBack("v1-saved.mp3", "id3");
  EXPECT_EQ(back["TIT2"], "Saved");
  EXPECT_EQ(back["TRCK"], "7");
  EXPECT_EQ(back["TCON"], "Rock");

  const std::string original = ReadFileBytes(Path("ape.mp3"));
  TBytesFile ape(original);
  std::vector<TZTLAPEv2Item> items;
  ASSERT_GT(TZTLAPEv2Codec::Read(&ape.Stream, items), 32u);
  ASSERT_EQ(items.size(), 3u);
  TZTLAPEv2Location at;
  ASSERT_TRUE(TZTLAPEv2Codec::FindFooter(&ape.Stream, at));
  EXPECT_EQ(at.HeaderSize, 32);  // mutagen writes a header
  const std::map<std::string, std::string> before = ReadBack("ape.mp3", "ape");
  TZTLAPEv2Codec::Write(&ape.Stream, items, false);
  const std::string saved = ape.Bytes();
  WriteFileBytes(Path("ape-saved.mp3"), saved);
  EXPECT_EQ(saved.substr(0, static_cast<size_t>(at.TagStart())),
            original.substr(0, static_cast<size_t>(at.TagStart())));
  EXPECT_EQ(ReadBack("ape-saved.mp3", "ape"), before);
  EXPECT_EQ(before.at("Artist"), "a\0b"s);
}

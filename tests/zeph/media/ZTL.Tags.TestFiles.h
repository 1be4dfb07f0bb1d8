#pragma once
// Small MP3s made at test time (sox, lame) and tagged by another tag writer (mutagen), and that
// writer's reading of a file, for the tests that compare tag readers.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace tagtest {

inline const char* const Tool = R"PY(
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
            # keys compare ignoring case; a picture is its image bytes, after the file name
            out[k.lower()] = hashlib.sha1(v.value.split(b"\x00", 1)[-1]).hexdigest() if v.kind == BINARY else "\x00".join(list(v))
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
inline std::string FindPython() {
  for (const char* python : {"/usr/bin/python3", "python3"})
    if (std::system((std::string(python) + " -c 'import mutagen' >/dev/null 2>&1").c_str()) == 0) return python;
  return std::string();
}

inline bool ToolsPresent() {
  return std::system("command -v sox >/dev/null 2>&1 && command -v lame >/dev/null 2>&1") == 0 && !FindPython().empty();
}

inline std::string ReadFileBytes(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFileBytes(const std::string& Path, const std::string& Bytes) {
  std::ofstream(Path, std::ios::binary | std::ios::trunc)
      .write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

inline std::string RunCommand(const std::string& Command) {
  std::string out;
  FILE* p = popen(Command.c_str(), "r");
  if (!p) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  pclose(p);
  return out;
}

// Makes the tagged files in Folder with Python (see FindPython); false when a tool is missing.
inline bool MakeTestFiles(const std::string& Folder, std::string& Python) {
  if (!ToolsPresent()) return false;
  std::system(("mkdir -p '" + Folder + "'").c_str());
  WriteFileBytes(Folder + "/tool.py", Tool);
  Python = FindPython();
  return std::system((Python + " '" + Folder + "/tool.py' make '" + Folder + "' >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace tagtest

#pragma once
// Real-world playlist variations written by the tests, shared by the format tests and the
// side-by-side reading with the peer parser.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "rtl/RTL.Strings.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"

namespace playlisttest {

struct TEntry {
  std::string File, Title;
  unsigned Duration = 0;  // ms
  std::string Album, Link, Group;
  int QueueIndex = -1;
  bool Switch = true;
  bool operator==(const TEntry&) const = default;
};

inline std::ostream& operator<<(std::ostream& O, const TEntry& E) {
  return O << "{" << E.File << ", " << E.Title << ", " << E.Duration << ", " << E.Album << ", " << E.Link << ", "
           << E.Group << ", q" << E.QueueIndex << (E.Switch ? "" : ", off") << "}";
}

// Records what a reader delivers, with the group each entry falls in.
class TRecorder : public TInterfacedObject, public IZEPHPlaylistItemsReceiver {
  RTL_INTERFACES(TInterfacedObject, IZEPHPlaylistItemsReceiver)
 public:
  void AddGroup(const String& Name, bool Expanded) override {
    Group = StringToUTF8(Name);
    Groups.push_back({Group, Expanded});
  }
  void AddItem(const String& FileName, TZEPHPlaylistCustomItem* Item, Integer QueueIndex) override {
    TEntry e;
    e.File = StringToUTF8(FileName);
    if (Item != nullptr) {
      e.Title = StringToUTF8(Item->GetValue(fitTitle));
      e.Duration = Item->GetStreamInfo().Duration;
      e.Album = StringToUTF8(Item->GetValue(fitAlbum));
      e.Link = StringToUTF8(Item->GetValue(fitLink));
      e.Switch = Item->HasItemFlag(zpifPlaybackSwitch);
    }
    e.Group = Group;
    e.QueueIndex = QueueIndex;
    Entries.push_back(e);
    WithInfo.push_back(Item != nullptr);
  }
  std::string Group;
  std::vector<std::pair<std::string, bool>> Groups;
  std::vector<TEntry> Entries;
  std::vector<bool> WithInfo;
};

struct TFixture {
  const char* Name;  // file name, its extension picks the reader
  std::string Content;
  std::string SummaryName;
  // "{F}" stands for the folder the fixture is written to.
  std::vector<TEntry> Entries;
};

inline std::string Utf16(const std::string& Utf8) {
  const String s = UTF8ToString(Utf8);
  std::string r("\xFF\xFE", 2);
  for (Char c : s) {
    r += static_cast<char>(c & 0xFF);
    r += static_cast<char>(c >> 8);
  }
  return r;
}

inline const std::vector<TFixture>& Fixtures() {
  static const std::vector<TFixture> fixtures = {
      {"bom.m3u",
       "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:123,Artist - Song\r\nsong.mp3\r\n",
       "",
       {{"{F}/song.mp3", "Artist - Song", 123000}}},
      {"lf-only.m3u",
       "#EXTM3U\n#EXTINF:5,Caf\xC3\xA9\nsub\\caf\xC3\xA9.mp3\n  http://host/stream\n",
       "",
       {{"{F}/sub/caf\xC3\xA9.mp3", "Caf\xC3\xA9", 5000}, {"http://host/stream"}}},
      {"iptv.m3u",
       "#EXTM3U\n#EXTINF:-1 tvg-logo=\"http://x/logo.png\" group-title=\"News\",Channel One\nhttp://tv/1\n"
       "#EXTINF:10,Channel Two\nhttp://tv/2\n#EXT-X-UNKNOWN:1\n#extinf:7,Ignored\nhttp://tv/3\n",
       "",
       {{"http://tv/1", "Channel One", 0, "News", "http://x/logo.png"},
        {"http://tv/2", "Channel Two", 10000, "News"},
        {"http://tv/3"}}},
      {"keys.pls",
       "[playlist]\r\nnumberofentries=3\r\nFILE1=a.mp3\r\nTitle1=A\r\nLENGTH1=61\r\nVersion=2\r\n"
       "file3=http://radio/x\r\ntitle3=Radio\r\nlength3=-1\r\n",
       "",
       {{"{F}/a.mp3", "A", 61000}, {""}, {"http://radio/x", "Radio"}}},
      // Without "NumberOfEntries" the highest "File" number counts.
      {"no-count.pls",
       "[playlist]\n\n# comment\nfile1=a.mp3\ntitle1=A\nFile2=http://x/y\n",
       "",
       {{"{F}/a.mp3", "A"}, {"http://x/y"}}},
      {"caps.asx",
       "<ASX VERSION=\"3.0\"><TITLE>Mix</TITLE><ENTRY><REF HREF=\"http://a/1.mp3\"/><REF HREF=\"b.wma\"/></ENTRY>"
       "<Repeat><Entry><Ref href=\"c.mp3\"/></Entry></Repeat></ASX>",
       "Mix",
       {{"http://a/1.mp3"}, {"{F}/b.wma"}, {"{F}/c.mp3"}}},
      {"utf16.asx", Utf16("<asx version=\"3.0\"><entry><ref href=\"http://a/1.mp3\"/></entry></asx>"), "", {}},
      {"list.wpl",
       "<?wpl version=\"1.0\"?><smil><head><title>W</title></head><body><seq>"
       "<media src=\"..\\Music\\a.mp3\"/><Media src=\"b.mp3\"/><media src=\"c.mp3\"/></seq></body></smil>",
       "W",
       {{"..\\Music\\a.mp3"}, {"c.mp3"}}},
      {"old.zephpl",
       "#Name:Old\r\n#ID:{7}\r\n#Group:A|B|1\r\n#Track:1|a.mp3|Art|Alb|Gen|Tit|5000|100|3|2001|44100|128|2|1\r\n"
       "#TRACK:0|b.mp3\r\n#track:1|c.mp3|||||||||||||7\r\n#TrackX:1|d.mp3\r\n\r\n#Track:1|e.mp3\r\n",
       "Old",
       {{"{F}/a.mp3", "Tit", 5000, "Alb", "", "A|B", 0},
        {"{F}/b.mp3", "", 0, "", "", "A|B", 1, false},
        {"{F}/c.mp3", "", 0, "", "", "A|B", 7}}},
  };
  return fixtures;
}

inline std::string Expand(std::string Text, const std::string& Folder) {
  const size_t at = Text.find("{F}");
  if (at != std::string::npos) Text.replace(at, 3, Folder);
  return Text;
}

inline void WriteFile(const std::string& Path, const std::string& Content) {
  std::filesystem::create_directories(std::filesystem::path(Path).parent_path());
  std::ofstream(Path, std::ios::binary) << Content;
}

}  // namespace playlisttest

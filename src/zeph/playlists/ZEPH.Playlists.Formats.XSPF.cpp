#include "zeph/playlists/ZEPH.Playlists.Formats.XSPF.h"

#include <functional>

#include <algorithm>
#include <cmath>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.Reader.h"
#include "zcl/base/ZCL.FileFormats.XML.Types.h"
#include "zcl/base/ZCL.FileFormats.XML.Writer.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"

namespace {
// The part of a container that starts within a second of Start; the container's own name when
// none does. Parts are in order of their starts, so the first one without a start ends the search.
String PartAtClipStart(const String& Container, Double Start) {
  IPtr<IZEPHFileContainer> container;
  if (!GetFileManager()->OpenContainer(Container, container, true) || !container) return Container;
  for (Integer i = 0; i < container->GetCount(); ++i) {
    IPtr<IZEPHVirtualFile> part = container->GetPart(i);
    if (!part) continue;
    const Double partStart = part->GetClipStart();
    if (partStart < 0) break;
    if (std::abs(partStart - Start) < 1) return container->GetVirtualName(i);
  }
  return Container;
}
}  // namespace

namespace {
// Our extensions live on a host of their own; the reader compares the application URLs exactly.
constexpr StringView kHost = u"http://zeph.invalid";

// Characters XML cannot hold are written as "_".
String XmlSafe(StringView Text) {
  String r(Text);
  for (size_t i = 0; i < r.size(); ++i) {
    const Char c = r[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < r.size() && r[i + 1] >= 0xDC00 && r[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE ||
        c == 0xFFFF)
      r[i] = u'_';
  }
  return r;
}

String NumberPart(const String& Text) {
  const size_t slash = Text.find(u'/');
  return slash == String::npos ? Text : Text.substr(0, slash);
}

Int64 ToInt(const String& Text, Int64 Default = 0) {
  Int64 v;
  return TryStrToInt64(Trim(Text), v) ? v : Default;
}

bool IsUriChar(Byte B) {
  if ((B >= 'a' && B <= 'z') || (B >= 'A' && B <= 'Z') || (B >= '0' && B <= '9')) return true;
  switch (B) {
    case '-': case '.': case '_': case '~': case '/': case ':': case '@': case '!': case '$': case '&':
    case '\'': case '(': case ')': case '*': case '+': case ',': case ';': case '=':
      return true;
    default:
      return false;
  }
}

int HexDigit(Char C) {
  if (C >= u'0' && C <= u'9') return C - u'0';
  if (C >= u'a' && C <= u'f') return C - u'a' + 10;
  if (C >= u'A' && C <= u'F') return C - u'A' + 10;
  return -1;
}
}  // namespace

EZEPHXSPFUnexpectedState::EZEPHXSPFUnexpectedState(Integer State, const String& Text)
    : EZEPHXSPFError(u"Unexpected state: %d (%s)", {State, Text}) {}

// ---------------------------------------------------------------------------------------------

const String& TZEPHXSPFSchema::XSPFNamespace() {
  static const String ns = u"http://xspf.org/ns/0/";
  return ns;
}

const String& TZEPHXSPFSchema::ExtensionNamespace() {
  static const String ns = String(kHost) + u"/playlist/ns/0/";
  return ns;
}

String TZEPHXSPFSchema::Application(StringView Name) { return String(kHost) + u"/playlist/" + String(Name) + u"/0"; }

String TZEPHXSPFSchema::FileNameToURI(const String& Name, bool Relative) {
  if (zcIsURL(Name)) return Name;
  String path = Name;
  std::replace(path.begin(), path.end(), u'\\', u'/');
  const std::string bytes = StringToUTF8(path);
  String r;
  r.reserve(bytes.size() + 8);
  if (!Relative) r = path.empty() || path[0] != u'/' ? u"file:///" : u"file://";
  static const char16_t kHex[] = u"0123456789ABCDEF";
  for (unsigned char b : bytes) {
    if (IsUriChar(b)) {
      r += static_cast<Char>(b);
    } else {
      r += u'%';
      r += kHex[b >> 4];
      r += kHex[b & 15];
    }
  }
  return r;
}

String TZEPHXSPFSchema::FileNameFromURI(const String& URI) {
  String r = URI;
  if (StartsText(u"file://", r)) {
    r.erase(0, 7);
    // "file://host/share" names a network folder.
    if (!r.empty() && r[0] != u'/') r = u"//" + r;
  }
  if (r.find(u'%') == String::npos || zcIsURL(r)) return r;
  // Escapes give bytes; other characters stand for their bytes in the system's code page.
  TEncoding* ansi = TZCLEncodings::Default();
  TBytes bytes;
  bytes.reserve(r.size());
  for (size_t i = 0; i < r.size(); ++i) {
    int hi, lo;
    if (r[i] == u'%' && i + 2 < r.size() && (hi = HexDigit(r[i + 1])) >= 0 && (lo = HexDigit(r[i + 2])) >= 0) {
      bytes.push_back(static_cast<Byte>(hi * 16 + lo));
      i += 2;
    } else if (r[i] < 0x80) {
      bytes.push_back(static_cast<Byte>(r[i]));
    } else {
      const TBytes b = ansi->GetBytes(StringView(&r[i], 1));
      bytes.insert(bytes.end(), b.begin(), b.end());
    }
  }
  if (zcIsValidUTF8(bytes.data(), static_cast<Integer>(bytes.size())))
    return UTF8ToString(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return ansi->GetString(bytes);
}

// ---------------------------------------------------------------------------------------------

TZEPHXSPFWriter::TZEPHXSPFWriter(TStream* Stream) : TZEPHPlaylistFormatCustomTextWriter(Stream, TEncoding::GetUTF8()) {}

TZEPHXSPFWriter::~TZEPHXSPFWriter() {
  try {
    EndWrite();
  } catch (...) {
    // Destructors do not raise; callers that care call EndWrite themselves.
  }
}

void TZEPHXSPFWriter::Begin() {
  if (FWriter != nullptr || FStream == nullptr) return;
  TZCLXMLWriterSettings settings;
  settings.WellFormed = false;
  settings.UnderscoreEscapes = false;
  settings.IndentElements = true;
  settings.IndentText = u"\t";
  settings.LineBreak = u"\r\n";
  FWriter = TZCLXMLWriter::Create(FStream, settings);
  FWriter->WriteStartDocument(0);
  FWriter->WriteStartElement(u"playlist");
  FWriter->WriteAttributeString(u"xmlns", TZEPHXSPFSchema::XSPFNamespace());
  FWriter->WriteAttributeString(u"xmlns", u"zeph", TZEPHXSPFSchema::ExtensionNamespace());
  FWriter->WriteAttributeString(u"version", u"1");
  if (!FBasePath.empty())
    FWriter->WriteAttributeString(u"xml", u"base", XmlSafe(TZEPHXSPFSchema::FileNameToURI(FBasePath, false)));
}

void TZEPHXSPFWriter::EndWrite() {
  if (FEnded) return;
  FEnded = true;
  Begin();
  if (FWriter == nullptr) return;
  CloseTrackList();
  FWriter->WriteEndElement();
  FWriter->WriteEndDocument();
  FWriter->Flush();
}

// Summary and settings come before the entries, so only an open track list is closed.
void TZEPHXSPFWriter::CloseTrackList() {
  if (FTrackList != 1) return;
  FWriter->WriteEndElement();
  FTrackList = 2;
}

void TZEPHXSPFWriter::Element(const String& Name, const String& Value) {
  const size_t colon = Name.find(u':');
  if (colon == String::npos)
    FWriter->WriteStartElement(Name);
  else
    FWriter->WriteStartElement(Name.substr(0, colon), Name.substr(colon + 1), String());
  FWriter->WriteString(XmlSafe(Value));
  FWriter->WriteEndElement();
}

void TZEPHXSPFWriter::Meta(const String& Rel, const String& Value) {
  FWriter->WriteStartElement(u"meta");
  FWriter->WriteAttributeString(u"rel", Rel);
  FWriter->WriteString(XmlSafe(Value));
  FWriter->WriteEndElement();
}

void TZEPHXSPFWriter::Extension(StringView Application) {
  FWriter->WriteStartElement(u"extension");
  FWriter->WriteAttributeString(u"application", TZEPHXSPFSchema::Application(Application));
}

String TZEPHXSPFWriter::ConvertFileName(const String& Name) {
  const String converted = TZEPHPlaylistFormatCustomTextWriter::ConvertFileName(Name);
  return TZEPHXSPFSchema::FileNameToURI(converted, converted != Name);
}

void TZEPHXSPFWriter::WriteGroup(const String& Name, bool Expanded) {
  FGroupName = Name;
  FGroupState = Expanded ? 1 : 2;
}

void TZEPHXSPFWriter::WriteItem(TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex) {
  if (FTrackList == 2) throw EZEPHXSPFUnexpectedState(2, u"Tracklist is already created");
  Begin();
  if (FWriter == nullptr) return;
  if (FTrackList == 0) {
    FWriter->WriteStartElement(u"trackList");
    FTrackList = 1;
  }
  String location = Item->GetFileName();
  IPtr<IZEPHVirtualFile> part;
  if (GetFileManager()->GetVirtualFile(Item->GetFileName(), part) && part != nullptr) {
    String real;
    if (part->GetRealFileName(real)) location = real;
  }
  const TZBLStreamInfo& si = Item->GetStreamInfo();
  const auto text = [&](const String& Name, Integer Index) {
    const String& v = Item->GetValue(Index);
    if (!v.empty()) Element(Name, v);
  };
  const auto meta = [&](const String& Rel, const String& Value) {
    if (!Value.empty()) Meta(Rel, Value);
  };
  FWriter->WriteStartElement(u"track");
  if (!location.empty()) Element(u"location", ConvertFileName(location));
  text(u"title", fitTitle);
  text(u"creator", fitArtist);
  text(u"album", fitAlbum);
  text(u"annotation", fitComment);
  const String& link = Item->GetValue(fitLink);
  const bool image = !link.empty() && IsImageFileName(link);
  if (!link.empty() && !image) Element(u"info", link);
  const String track = NumberPart(Item->GetValue(fitTrack));
  if (!track.empty()) Element(u"trackNum", track);
  if (si.Duration > 0) Element(u"duration", IntToStr(si.Duration));
  if (image) Element(u"image", link);
  if (!link.empty() && !image) Meta(u"url", link);
  meta(u"album-artist", Item->GetValue(fitAlbumArtist));
  if (si.Bitrate > 0) Meta(u"bitrate", IntToStr(si.Bitrate));
  if (Item->GetBPM() > 0) Meta(u"bpm", IntToStr(Item->GetBPM()));
  meta(u"composer", Item->GetValue(fitComposer));
  meta(u"date", Item->GetValue(fitDate));
  meta(u"disk-number", NumberPart(Item->GetValue(fitDisk)));
  meta(u"genre", Item->GetValue(fitGenre));
  meta(u"lyricist", Item->GetValue(fitLyricist));
  meta(u"mood", Item->GetValue(fitMood));
  meta(u"publisher", Item->GetValue(fitPublisher));
  meta(u"year", Item->GetValue(fitDate));

  Extension(u"track");
  if (part != nullptr) {
    Element(u"zeph:fileURI", Item->GetFileName());
    const Double start = part->GetClipStart(), finish = part->GetClipFinish();
    if (start > -1) Element(u"zeph:clipStart", FloatToStr(start, TFormatSettings::Invariant()));
    if (finish > -1) Element(u"zeph:clipFinish", FloatToStr(finish, TFormatSettings::Invariant()));
  }
  if (!Item->HasItemFlag(zpifPlaybackSwitch)) Element(u"zeph:state", u"10");
  if (si.BitDepth > 0) Element(u"zeph:bits", IntToStr(si.BitDepth));
  if ((si.Channels & 0xFFF) > 0) Element(u"zeph:chans", IntToStr(si.Channels & 0xFFF));
  if (si.SampleRate > 0) Element(u"zeph:samplerate", IntToStr(si.SampleRate));
  if (!Item->GetFileFormat().empty()) Element(u"zeph:format", Item->GetFileFormat());
  if (Item->GetFileSize() > 0) Element(u"zeph:size", IntToStr(Item->GetFileSize()));
  if (PlaybackQueueIndex >= 0) Element(u"zeph:queueIndex", IntToStr(PlaybackQueueIndex));
  if (!Item->GetCustomText().empty()) Element(u"zeph:custom", Item->GetCustomText());
  FWriter->WriteEndElement();

  if (FGroupState != 0) {
    Extension(u"group");
    Element(u"zeph:title", FGroupName);
    Element(u"zeph:state", FGroupState == 1 ? u"1" : u"2");
    FWriter->WriteEndElement();
    FGroupState = 0;
    FGroupName.clear();
  }
  FWriter->WriteEndElement();
}

namespace {
void WriteNode(TZCLXMLWriter* Writer, TZCLXMLNode* Node) {
  Writer->WriteStartElement(Node->GetNodeName());
  TZCLXMLAttributes* attributes = Node->GetAttributes();
  for (Integer i = 0; i < attributes->GetCount(); ++i)
    Writer->WriteAttributeString(attributes->GetItem(i)->GetName(), XmlSafe(attributes->GetItem(i)->GetValue()));
  if (!Node->GetNodeValue().empty()) Writer->WriteString(XmlSafe(Node->GetNodeValue()));
  for (Integer i = 0; i < Node->GetCount(); ++i) WriteNode(Writer, Node->GetNode(i));
  Writer->WriteEndElement();
}

void WriteProps(TZCLXMLWriter* Writer, TZCLIniFileSection* Section) {
  for (Integer i = 0; i < Section->GetCount(); ++i) {
    const String line = Section->GetStrings(i);
    const size_t eq = line.find(u'=');
    Writer->WriteStartElement(u"zeph", u"prop", String());
    Writer->WriteAttributeString(u"name", XmlSafe(eq == String::npos ? String() : line.substr(0, eq)));
    Writer->WriteString(XmlSafe(eq == String::npos ? line : line.substr(eq + 1)));
    Writer->WriteEndElement();
  }
}
}  // namespace

void TZEPHXSPFWriter::WritePreimage(const std::vector<Byte>& Document) {
  Begin();
  if (FWriter == nullptr) return;
  CloseTrackList();
  std::unique_ptr<TZCLXMLDocument, TZEPHFreeObject> document(Create<TZCLXMLDocument>());
  TCustomMemoryStream stream(Document.data(), static_cast<NativeInt>(Document.size()));
  document->LoadFromStream(&stream);
  TZCLXMLNode* root = document->GetNode(0);
  if (root == nullptr) return;
  Extension(u"preimage");
  WriteNode(FWriter.get(), root);
  FWriter->WriteEndElement();
}

void TZEPHXSPFWriter::WriteSettings(TZCLIniFileSection* Section) {
  Begin();
  if (FWriter == nullptr) return;
  CloseTrackList();
  Extension(u"settings");
  WriteProps(FWriter.get(), Section);
  FWriter->WriteEndElement();
}

void TZEPHXSPFWriter::WriteSummary(const TZEPHPlaylistSummary& Summary) {
  Begin();
  if (FWriter == nullptr) return;
  CloseTrackList();
  Element(u"title", Summary.Name);
  Element(u"identifier", Summary.ID);
  if (!FFileName.empty()) Element(u"location", TZEPHXSPFSchema::FileNameToURI(FFileName, false));
  TZCLIniFileSection section;
  Summary.Write(&section);
  Extension(u"summary");
  WriteProps(FWriter.get(), &section);
  FWriter->WriteEndElement();
}

// ---------------------------------------------------------------------------------------------

namespace {
// The XML reader failed or the document ended early: the reading stops, keeping what it read.
struct TXmlEnd {};
// A summary-only reading reached the track list.
struct TStopAtTracks {};

// The elements of the track application and their handling.
enum class TTrackValue { None, FileURI, ClipStart, State, Bits, Chans, SampleRate, Format, Size, QueueIndex, Custom };
}  // namespace

struct TZEPHXSPFReader::TContext {
  TZCLXMLReader* Reader;
  TZEPHPlaylistSummary* Summary;
  IZEPHPlaylistItemsReceiver* Receiver;
  const String* ExtNS;

  bool Next() {
    // Any failure of the XML reader (also an unknown encoding named by the declaration) ends
    // the document; what was read stays.
    try {
      return Reader->Read();
    } catch (const Exception&) {
      return false;
    }
  }
  TZCLXMLNodeData* Node() const { return Reader->Node(); }
  bool IsExt() const { return Node()->NamespaceURI == *ExtNS; }
  String Attribute(const String& Name) {
    String v;
    return Reader->TryGetAttribute(Name, v) ? v : String();
  }
  // Walks the content of the element the reader stands on: child elements go to OnChild, which
  // consumes them; returns the element's text.
  String Content(const std::function<void()>& OnChild) {
    if (Node()->IsEmptyElement()) return String();
    const Integer depth = Node()->Depth;
    String text;
    while (Next()) {
      switch (Node()->NodeType) {
        case xntElement:
          if (OnChild)
            OnChild();
          else
            Skip();
          break;
        case xntText:
        case xntCData:
        case xntSignificantWhitespace:
          text += Reader->GetValue();
          break;
        case xntEndElement:
          if (Node()->Depth == depth) return text;
          break;
        default:
          break;
      }
    }
    throw TXmlEnd();
  }
  String Text() { return Content(nullptr); }
  // Hands the name and text of each child of our namespace to Proc; other children are skipped.
  void ExtensionValues(const std::function<void(const String& Name, const String& Value)>& Proc) {
    Content([&] {
      if (!IsExt()) return Skip();
      const String name = Node()->LocalName;
      Proc(name, Text());
    });
  }
  void Skip() {
    if (Node()->IsEmptyElement()) return;
    const Integer depth = Node()->Depth;
    while (Next())
      if (Node()->NodeType == xntEndElement && Node()->Depth == depth) return;
    throw TXmlEnd();
  }
};

struct TTrack {
  TZEPHPlaylistCustomItem* Item = nullptr;
  TZBLStreamInfo Info;
  Double ClipStart = -1;
  String FileURI;
  String Location;
  Integer QueueIndex = -1;
};

TZEPHXSPFReader::TZEPHXSPFReader(TStream* Stream, const String& AFileName)
    : TZEPHPlaylistFormatCustomTextReader(Stream, AFileName, nullptr, true) {}

TZEPHXSPFReader::~TZEPHXSPFReader() = default;

String TZEPHXSPFReader::ConvertFileName(const String& Name) {
  String name = TZEPHPlaylistFormatCustomTextReader::ConvertFileName(TZEPHXSPFSchema::FileNameFromURI(Name));
  if (FRelocation == 1 && StartsText(FStoredFolder, name)) {
    TZEPHFileManager* manager = GetFileManager();
    if (manager->FileExists(name))
      FRelocation = 0;
    else
      FRelocation = manager->FileExists(FCurrentFolder + name.substr(FStoredFolder.size())) ? 2 : 0;
  }
  if (FRelocation == 2 && StartsText(FStoredFolder, name)) name = FCurrentFolder + name.substr(FStoredFolder.size());
  if (name.find(u'\\') != String::npos && !zcIsURL(name)) std::replace(name.begin(), name.end(), u'\\', u'/');
  return name;
}

void TZEPHXSPFReader::Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) {
  FLoaded = true;
  TCustomMemoryStream stream(FBytes.data(), static_cast<NativeInt>(FBytes.size()));
  TZCLXMLReaderSettings settings;
  settings.IgnoreComments = true;
  settings.IgnoreInstructions = true;
  std::unique_ptr<TZCLXMLReader> reader;
  try {
    reader = TZCLXMLReader::Create(settings, &stream);
  } catch (const Exception&) {
    return;
  }
  TContext c{reader.get(), Summary, Receiver, &TZEPHXSPFSchema::ExtensionNamespace()};
  try {
    while (c.Next()) {
      if (c.Node()->NodeType != xntElement) continue;
      if (c.Node()->LocalName == u"playlist")
        ReadPlaylist(c);
      else
        c.Skip();
    }
  } catch (const TXmlEnd&) {
  } catch (const TStopAtTracks&) {
  }
}

void TZEPHXSPFReader::ReadPlaylist(TContext& C) {
  String base = C.Attribute(u"xml:base");
  if (!base.empty()) {
    base = zcIncludeTrailingPathDelimiter(TZEPHXSPFSchema::FileNameFromURI(base));
    // A relative base is relative to the playlist's own folder.
    if (zcIsRelativePath(base) && !zcIsURL(base) && !FFileName.empty())
      base = zcIncludeTrailingPathDelimiter(zcExpandFileName(zcExtractFilePath(FFileName) + base));
    AddSearchPath(base);
  }
  C.Content([&] {
    const String& name = C.Node()->LocalName;
    if (C.IsExt()) {
      C.Skip();
    } else if (name == u"title") {
      const String title = C.Text();
      if (C.Summary != nullptr) C.Summary->Name = title;
    } else if (name == u"location") {
      const String stored = TZEPHXSPFSchema::FileNameFromURI(C.Text());
      if (!FFileName.empty()) {
        const String storedFolder = zcExtractFilePath(stored), currentFolder = zcExtractFilePath(FFileName);
        if (!storedFolder.empty() && !SameText(storedFolder, currentFolder)) {
          FStoredFolder = storedFolder;
          FCurrentFolder = currentFolder;
          FRelocation = 1;
        }
      }
    } else if (name == u"trackList") {
      if (C.Receiver == nullptr) throw TStopAtTracks();
      C.Content([&] {
        if (C.Node()->LocalName == u"track" && !C.IsExt())
          ReadTrack(C);
        else
          C.Skip();
      });
    } else if (name == u"extension") {
      const String application = C.Attribute(u"application");
      if (application == TZEPHXSPFSchema::Application(u"summary")) {
        TZCLIniFileSection section;
        ReadProps(C, &section);
        if (C.Summary != nullptr) C.Summary->Read(&section);
      } else if (application == TZEPHXSPFSchema::Application(u"settings")) {
        if (FSettingsSection == nullptr) FSettingsSection.reset(Create<TZCLIniFileSection>());
        ReadProps(C, FSettingsSection.get());
      } else if (application == TZEPHXSPFSchema::Application(u"preimage")) {
        ReadPreimageNodes(C);
      } else {
        C.Skip();
      }
    } else {
      C.Skip();
    }
  });
}

void TZEPHXSPFReader::ReadProps(TContext& C, TZCLIniFileSection* Section) {
  C.Content([&] {
    if (C.IsExt() && C.Node()->LocalName == u"prop") {
      const String name = C.Attribute(u"name");
      Section->Add(name + u"=" + C.Text());
    } else {
      C.Skip();
    }
  });
}

void TZEPHXSPFReader::ReadPreimageNodes(TContext& C) {
  if (FPreimageDocument == nullptr) FPreimageDocument.reset(Create<TZCLXMLDocument>());
  FPreimageDocument->Clear();
  // Nested documents deeper than this are not a preimage of ours; their deeper parts are skipped
  // rather than recursed into.
  constexpr Integer kMaxDepth = 64;
  std::function<void(TZCLXMLNode*, Integer)> node = [&](TZCLXMLNode* Parent, Integer Level) {
    if (Level > kMaxDepth || (Parent == FPreimageDocument.get() && Parent->GetCount() > 0)) {
      C.Skip();
      return;
    }
    TZCLXMLNode* n = Parent->Add(C.Node()->GetQualifiedName());
    auto* reader = static_cast<TZCLXMLTextReader*>(C.Reader);
    if (reader->GetAttrCount() > 0) {
      while (reader->MoveToNextAttribute()) {
        const String qname = C.Node()->GetQualifiedName();
        if (qname != u"xmlns" && !StartsStr(u"xmlns:", qname)) n->GetAttributes()->AddString(qname, C.Node()->Value);
      }
      reader->MoveToElement();
    }
    n->SetNodeValue(C.Content([&] { node(n, Level + 1); }));
  };
  C.Content([&] { node(FPreimageDocument.get(), 1); });
}

void TZEPHXSPFReader::ReadTrack(TContext& C) {
  TTrack t;
  t.Item = Create<TZEPHPlaylistCustomItem>();
  try {
    C.Content([&] {
      const String& name = C.Node()->LocalName;
      if (C.IsExt()) {
        C.Skip();
      } else if (name == u"extension") {
        ReadTrackExtension(C, t);
      } else if (name == u"meta") {
        const String rel = C.Attribute(u"rel");
        const String v = C.Text();
        TZEPHPlaylistCustomItem* item = t.Item;
        if (rel == u"album-artist") item->SetValue(fitAlbumArtist, v);
        else if (rel == u"bitrate") t.Info.Bitrate = static_cast<Integer>(ToInt(v));
        else if (rel == u"bpm") item->SetBPM(static_cast<Integer>(std::clamp<Int64>(ToInt(v), 0, 32767)));
        else if (rel == u"composer") item->SetValue(fitComposer, v);
        else if (rel == u"date" || rel == u"year") item->SetValue(fitDate, v);
        else if (rel == u"disk-number") item->SetDiskNumber(v);
        else if (rel == u"genre") item->SetValue(fitGenre, v);
        else if (rel == u"lyricist") item->SetValue(fitLyricist, v);
        else if (rel == u"mood") item->SetValue(fitMood, v);
        else if (rel == u"publisher") item->SetValue(fitPublisher, v);
        else if (rel == u"url") item->SetValue(fitLink, v);
      } else {
        const String v = C.Text();
        TZEPHPlaylistCustomItem* item = t.Item;
        if (name == u"location") t.Location = v;
        else if (name == u"title") item->SetValue(fitTitle, v);
        else if (name == u"creator") item->SetValue(fitArtist, v);
        else if (name == u"album") item->SetValue(fitAlbum, v);
        else if (name == u"annotation") item->SetValue(fitComment, v);
        else if (name == u"duration") t.Info.Duration = static_cast<Cardinal>(std::clamp<Int64>(ToInt(v), 0, 0xFFFFFFFFLL));
        else if (name == u"trackNum") item->SetTrackNumber(v);
        else if (name == u"image" || name == u"url" || name == u"info") item->SetValue(fitLink, v);
      }
    });
    String fileName;
    if (!t.FileURI.empty())
      fileName = ConvertFileName(t.FileURI);
    else if (!t.Location.empty())
      fileName = ConvertFileName(t.Location);
    if (t.FileURI.empty() && t.ClipStart >= 0 && !fileName.empty()) fileName = PartAtClipStart(fileName, t.ClipStart);
    t.Item->SetStreamInfo(t.Info);
    t.Item->SetFileName(fileName);
    C.Receiver->AddItem(fileName, t.Item, t.QueueIndex);
  } catch (...) {
    Free(t.Item);
    throw;
  }
  Free(t.Item);
}

void TZEPHXSPFReader::ReadTrackExtension(TContext& C, TTrack& T) {
  const String application = C.Attribute(u"application");
  if (application == TZEPHXSPFSchema::Application(u"track")) {
    C.ExtensionValues([&](const String& name, const String& v) {
      if (name == u"fileURI") T.FileURI = v;
      else if (name == u"clipStart") T.ClipStart = static_cast<Double>(StrToFloatDef(v, -1, TFormatSettings::Invariant()));
      else if (name == u"state") T.Item->SetItemFlag(zpifPlaybackSwitch, v != u"10");
      else if (name == u"bits") T.Info.BitDepth = static_cast<SmallInt>(ToInt(v));
      else if (name == u"chans") T.Info.Channels = static_cast<Word>(ToInt(v));
      else if (name == u"samplerate") T.Info.SampleRate = static_cast<Cardinal>(ToInt(v));
      else if (name == u"format") T.Item->SetFileFormat(v);
      else if (name == u"size") T.Item->SetFileSize(ToInt(v));
      else if (name == u"queueIndex") T.QueueIndex = static_cast<Integer>(ToInt(v, -1));
      else if (name == u"custom") T.Item->SetCustomText(v);
    });
  } else if (application == TZEPHXSPFSchema::Application(u"group")) {
    String title;
    bool expanded = true;
    C.ExtensionValues([&](const String& name, const String& v) {
      if (name == u"title") title = v;
      else if (name == u"state") expanded = v != u"2";
    });
    C.Receiver->AddGroup(title, expanded);
  } else {
    C.Skip();
  }
}

TZCLIniFileSection* TZEPHXSPFReader::ReadSettings() {
  if (!FLoaded) throw EZEPHXSPFError(u"Content was not loaded");
  return FSettingsSection.release();
}

bool TZEPHXSPFReader::ReadPreimage(std::vector<Byte>& Document) {
  if (!FLoaded) throw EZEPHXSPFError(u"Content was not loaded");
  Document.clear();
  if (FPreimageDocument == nullptr || FPreimageDocument->GetCount() == 0) {
    FPreimageDocument.reset();
    return false;
  }
  TBytesStream bytes;
  FPreimageDocument->SaveToStreamDefault(&bytes);
  FPreimageDocument.reset();
  const TBytes& data = bytes.GetBytes();
  Document.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(bytes.GetSize()));
  return true;
}

namespace detail {
void XSPFFormatInitialization() {
  TZEPHPlaylistFormats::Register(
      u"*.xspf;", u"XML Sharable Playlists", u"xspf.org",
      [](TStream* Stream, const String& FileName) { return new TZEPHXSPFReader(Stream, FileName); },
      [](TStream* Stream) { return new TZEPHXSPFWriter(Stream); });
}
}  // namespace detail

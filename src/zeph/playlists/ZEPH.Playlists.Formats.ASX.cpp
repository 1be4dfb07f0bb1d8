#include "zeph/playlists/ZEPH.Playlists.Formats.ASX.h"

#include <memory>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.FileFormats.XML.h"

namespace {
std::unique_ptr<TZCLXMLDocument, TZEPHFreeObject> LoadDocument(const std::vector<Byte>& Bytes) {
  std::unique_ptr<TZCLXMLDocument, TZEPHFreeObject> document(Create<TZCLXMLDocument>());
  TCustomMemoryStream stream(Bytes.data(), static_cast<NativeInt>(Bytes.size()));
  // A load error keeps what was read before it.
  document->LoadFromStream(&stream);
  return document;
}

// The value of the attribute whose name equals Name ignoring ASCII case.
bool FindAttribute(TZCLXMLNode* Node, StringView Name, String& Value) {
  TZCLXMLAttributes* attributes = Node->GetAttributes();
  for (Integer i = 0; i < attributes->GetCount(); ++i) {
    TZCLXMLAttribute* a = attributes->GetItem(i);
    if (SameText(a->GetName(), Name)) {
      Value = a->GetValue();
      return true;
    }
  }
  return false;
}

void WalkASX(TZEPHASXPlaylistReader* Reader, TZCLXMLNode* Node, TZEPHPlaylistSummary* Summary,
             IZEPHPlaylistItemsReceiver* Receiver) {
  for (Integer i = 0; i < Node->GetCount(); ++i) {
    TZCLXMLNode* child = Node->GetNode(i);
    if (SameText(child->GetNodeName(), u"Entry")) {
      for (Integer j = 0; j < child->GetCount(); ++j) {
        TZCLXMLNode* ref = child->GetNode(j);
        String href;
        if (SameText(ref->GetNodeName(), u"ref") && FindAttribute(ref, u"href", href))
          Receiver->AddItem(Reader->ConvertFileName(href), nullptr, -1);
      }
    } else if (SameText(child->GetNodeName(), u"Title")) {
      if (Summary != nullptr) Summary->Name = child->GetNodeValue();
    } else {
      WalkASX(Reader, child, Summary, Receiver);
    }
  }
}
}  // namespace

TZEPHASXPlaylistReader::TZEPHASXPlaylistReader(TStream* Stream, const String& AFileName)
    : TZEPHPlaylistFormatCustomTextReader(Stream, AFileName, nullptr, true) {}

void TZEPHASXPlaylistReader::Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) {
  if (Receiver == nullptr) return;
  // The head as single-byte text up to its first NUL, so UTF-16 files are not taken.
  std::string head;
  for (size_t i = 0; i < FBytes.size() && i < 64 && FBytes[i] != 0; ++i) {
    const char c = static_cast<char>(FBytes[i]);
    head += c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
  }
  if (head.find("<ASX") == std::string::npos) return;
  const auto document = LoadDocument(FBytes);
  if (TZCLXMLNode* root = document->GetNode(0)) WalkASX(this, root, Summary, Receiver);
}

TZEPHWPLPlaylistReader::TZEPHWPLPlaylistReader(TStream* Stream, const String& AFileName)
    : TZEPHPlaylistFormatCustomTextReader(Stream, AFileName, nullptr, true) {}

void TZEPHWPLPlaylistReader::Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) {
  if (Receiver == nullptr) return;
  const auto document = LoadDocument(FBytes);
  TZCLXMLNode* seq = nullptr;
  if (document->TryFindNodeByPath({u"smil", u"body", u"seq"}, seq))
    for (Integer i = 0; i < seq->GetCount(); ++i) {
      TZCLXMLNode* media = seq->GetNode(i);
      if (media->GetNodeName() == u"media") Receiver->AddItem(media->GetAttributes()->GetValue(u"src"), nullptr, -1);
    }
  TZCLXMLNode* title = nullptr;
  if (Summary != nullptr && document->TryFindNodeByPath({u"smil", u"head", u"title"}, title))
    Summary->Name = title->GetNodeValue();
}

namespace detail {
void ASXFormatsInitialization() {
  TZEPHPlaylistFormats::Register(
      u"*.wax;*.asx;*.asf;", u"WMP Playlists", u"<asx",
      [](TStream* Stream, const String& FileName) { return new TZEPHASXPlaylistReader(Stream, FileName); }, nullptr);
  TZEPHPlaylistFormats::Register(
      u"*.wpl;", u"WMP Playlists", String(),
      [](TStream* Stream, const String& FileName) { return new TZEPHWPLPlaylistReader(Stream, FileName); }, nullptr);
}
}  // namespace detail

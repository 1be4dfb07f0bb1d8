#include "zse/script/ZSE.Script.XML.h"

#include <cstring>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zse/script/ZSE.Script.Limits.h"

namespace {

String AsciiLower(StringView S) {
  String r(S);
  for (Char& c : r)
    if (c >= u'A' && c <= u'Z') c = static_cast<Char>(c + 32);
  return r;
}

bool AsciiSameText(StringView A, StringView B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    Char a = A[i], b = B[i];
    if (a >= u'A' && a <= u'Z') a = static_cast<Char>(a + 32);
    if (b >= u'A' && b <= u'Z') b = static_cast<Char>(b + 32);
    if (a != b) return false;
  }
  return true;
}

constexpr char kSignature[8] = {'Z', 'S', 'X', 'M', 'L', 'B', 'I', 'N'};

[[noreturn]] void InvalidFormat() { throw EZScriptInvalidXmlFormat(u"Invalid file format"); }

// Reads the text form through a fixed buffer; on destruction the stream is left just after the
// last byte consumed.
class TzsXMLReader {
 public:
  explicit TzsXMLReader(TStream* Stream) : FStream(Stream) {
    FPosition = Stream->GetPosition();
    FSize = Stream->GetSize();
  }
  ~TzsXMLReader() {
    try {
      FStream->SetPosition(FPosition);
    } catch (...) {
    }
  }

  // Name and attribute text of the next tag; both empty at the end of the stream.
  void ReadTag(String& Name, String& Text) {
    Name.clear();
    Text.clear();
    Byte b;
    // Outside a tag: skip to '<'.
    for (;;) {
      if (!Next(b)) return;
      if (b == '<') break;
    }
    FTag.clear();
    for (;;) {
      if (!Next(b)) InvalidFormat();
      if (b == '>') break;
      if (b == '<') InvalidFormat();
      FTag.push_back(static_cast<char>(b));
      if (FTag.size() == 3 && FTag == "!--") {
        SkipComment();
        FTag.clear();
        for (;;) {
          if (!Next(b)) return;
          if (b == '<') break;
        }
      }
    }
    if (!FTag.empty() && FTag.back() == ' ') FTag.pop_back();
    const size_t blank = FTag.find(' ');
    if (blank == std::string::npos) {
      Name = DecodeName(FTag);
    } else {
      Name = DecodeName(FTag.substr(0, blank));
      Text = UTF8ToString(std::string_view(FTag).substr(blank + 1));
    }
  }

 private:
  bool Next(Byte& B) {
    if (FBufPos >= FBufEnd) {
      if (FPosition >= FSize) return false;
      FStream->SetPosition(FPosition);
      const Int64 want = std::min<Int64>(sizeof(FBuffer), FSize - FPosition);
      FBufEnd = FStream->Read(FBuffer, static_cast<Integer>(want));
      FBufPos = 0;
      if (FBufEnd <= 0) {
        FBufEnd = 0;
        return false;
      }
    }
    B = FBuffer[FBufPos++];
    ++FPosition;
    return true;
  }

  void SkipComment() {
    Integer dashes = 0;
    Byte b;
    for (;;) {
      if (!Next(b)) InvalidFormat();
      if (b == '-' && dashes < 2) {
        ++dashes;
      } else if (b == '>' && dashes == 2) {
        return;
      } else {
        dashes = 0;
      }
    }
  }

  static String DecodeName(const std::string& Bytes) {
    if (Bytes.empty()) return String();
    return TEncoding::GetANSI()->GetString(reinterpret_cast<const Byte*>(Bytes.data()),
                                           static_cast<Integer>(Bytes.size()));
  }

  TStream* FStream;
  Byte FBuffer[4096];
  Integer FBufPos = 0;
  Integer FBufEnd = 0;
  Int64 FPosition = 0;
  Int64 FSize = 0;
  std::string FTag;
};

class TzsTextLoader {
 public:
  explicit TzsTextLoader(TStream* Stream) : FReader(Stream) {}

  void ReadHeader() {
    String name, text;
    FReader.ReadTag(name, text);
    if (name.compare(0, 4, u"?xml") != 0) InvalidFormat();
  }

  // True when the tag read was an end (an empty or a closing tag).
  bool ReadItem(TzsXMLItem* Item, Integer Depth) {
    if (Depth > ZsMaxXmlDepth || ZsStackNearlyFull()) InvalidFormat();
    String name, text;
    FReader.ReadTag(name, text);
    Item->SetName(name);
    Item->SetText(text);
    FLastName = name;
    if (name.empty() || name[0] == u'/') return true;
    if (name.back() == u'/') {
      name.pop_back();
      Item->SetName(name);
      return false;
    }
    if (!text.empty() && text.back() == u'/') {
      text.pop_back();
      Item->SetText(text);
      return false;
    }
    for (;;) {
      TzsXMLItem* child = new TzsXMLItem;
      bool end;
      try {
        end = ReadItem(child, Depth + 1);
      } catch (...) {
        delete child;
        throw;
      }
      if (end) {
        delete child;
        break;
      }
      Item->AddItem(child);
    }
    if (!FLastName.empty() && !AsciiSameText(FLastName, u"/" + Item->GetName())) InvalidFormat();
    return false;
  }

 private:
  TzsXMLReader FReader;
  String FLastName;
};

String ReadBinaryString(TStream* Stream) {
  Word count = 0;
  Stream->ReadBuffer(&count, 2);
  String s(count, u'\0');
  if (count) Stream->ReadBuffer(s.data(), Int64(count) * 2);
  return s;
}

void WriteBinaryString(TStream* Stream, const String& S) {
  const Word count = static_cast<Word>(S.size());
  Stream->WriteBuffer(&count, 2);
  if (count) Stream->WriteBuffer(S.data(), Int64(count) * 2);
}

void ReadBinaryItem(TStream* Stream, TzsXMLItem* Item, Integer Depth) {
  if (Depth > ZsMaxXmlDepth || ZsStackNearlyFull()) throw EReadError(u"Stream read error");
  Item->SetName(ReadBinaryString(Stream));
  Item->SetText(ReadBinaryString(Stream));
  Integer count = 0;
  Stream->ReadBuffer(&count, 4);
  for (Integer i = 0; i < count; ++i) ReadBinaryItem(Stream, Item->Add(), Depth + 1);
}

void WriteBinaryItem(TStream* Stream, const TzsXMLItem* Item) {
  WriteBinaryString(Stream, Item->GetName());
  WriteBinaryString(Stream, Item->GetText());
  const Integer count = Item->GetCount();
  Stream->WriteBuffer(&count, 4);
  for (Integer i = 0; i < count; ++i) WriteBinaryItem(Stream, Item->GetItem(i));
}

}  // namespace

// --- TzsXMLItem

TzsXMLItem::~TzsXMLItem() {
  Clear();
  if (FParent) FParent->Remove(this);
}

void TzsXMLItem::SetName(const String& Value) {
  if (Value == FName) return;
  FName = Value;
  FNameInLowerCase = AsciiLower(Value);
}

void TzsXMLItem::SetText(const String& Value) {
  if (Value == FText) return;
  FText = Value;
  FTextToSearch = u" " + AnsiUpperCase(Value);
}

TzsXMLItem* TzsXMLItem::Add() {
  TzsXMLItem* item = new TzsXMLItem;
  item->FParent = this;
  FItems.push_back(item);
  return item;
}

void TzsXMLItem::AddItem(TzsXMLItem* Item) {
  if (Item->FParent) Item->FParent->Remove(Item);
  FItems.push_back(Item);
  Item->FParent = this;
}

void TzsXMLItem::InsertItem(Integer Index, TzsXMLItem* Item) {
  AddItem(Item);
  FItems.pop_back();
  if (Index < 0) Index = 0;
  if (Index > GetCount()) Index = GetCount();
  FItems.insert(FItems.begin() + Index, Item);
}

void TzsXMLItem::Remove(TzsXMLItem* Item) {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == Item) {
      FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(i));
      Item->FParent = nullptr;
      return;
    }
}

Integer TzsXMLItem::Find(StringView Name) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (AsciiSameText(FItems[i]->FName, Name)) return static_cast<Integer>(i);
  return -1;
}

TzsXMLItem* TzsXMLItem::FindItem(const String& Name) {
  const Integer i = Find(Name);
  if (i >= 0) return FItems[i];
  TzsXMLItem* item = Add();
  item->SetName(Name);
  return item;
}

void TzsXMLItem::Assign(const TzsXMLItem* Source) {
  Clear();
  if (!Source || Source == this) return;
  SetName(Source->FName);
  SetText(Source->FText);
  for (const TzsXMLItem* child : Source->FItems) Add()->Assign(child);
}

void TzsXMLItem::Clear() {
  std::vector<TzsXMLItem*> items;
  items.swap(FItems);
  for (TzsXMLItem* item : items) {
    item->FParent = nullptr;
    delete item;
  }
}

String TzsXMLItem::GetAttribute(StringView Name) const {
  String pattern = u" " + AnsiUpperCase(Name) + u"=\"";
  const size_t at = FTextToSearch.find(pattern);
  if (at == String::npos) return String();
  // The leading blank of FTextToSearch lines the two texts up.
  const size_t start = at + pattern.size() - 1;
  if (start > FText.size()) return String();
  size_t end = FText.find(u'"', start);
  if (end == String::npos) end = FText.size();
  return XMLToStr(StringView(FText).substr(start, end - start));
}

// --- TzsXMLDocument

TzsXMLDocument::TzsXMLDocument() : FRoot(new TzsXMLItem) {}

TzsXMLDocument::~TzsXMLDocument() { delete FRoot; }

void TzsXMLDocument::LoadFromStream(TStream* Stream) {
  char sig[8];
  Stream->ReadBuffer(sig, 8);
  Stream->Seek(-8, soCurrent);
  if (std::memcmp(sig, kSignature, 8) == 0) {
    LoadFromBinaryStream(Stream);
    return;
  }
  FRoot->Clear();
  TzsTextLoader loader(Stream);
  loader.ReadHeader();
  loader.ReadItem(FRoot, 0);
}

void TzsXMLDocument::LoadFromBinaryStream(TStream* Stream) {
  char sig[8];
  Stream->ReadBuffer(sig, 8);
  if (std::memcmp(sig, kSignature, 8) != 0) throw Exception(u"Invalid Stream Format");
  FRoot->Clear();
  ReadBinaryItem(Stream, FRoot, 0);
}

void TzsXMLDocument::LoadFromResource(const void* Instance, StringView ResName, StringView ResType) {
  TResourceStream stream(Instance, ResName, ResType);
  LoadFromStream(&stream);
}

bool TzsXMLDocument::TryLoadFromStream(TStream* Stream) {
  const Int64 position = Stream->GetPosition();
  try {
    LoadFromStream(Stream);
    return true;
  } catch (const Exception&) {
    Stream->SetPosition(position);
    return false;
  }
}

void TzsXMLDocument::SaveToBinaryStream(TStream* Stream) const {
  Stream->WriteBuffer(kSignature, 8);
  WriteBinaryItem(Stream, FRoot);
}

// --- escaping

String StrToXML(StringView S) {
  String r;
  r.reserve(S.size());
  for (Char c : S) {
    switch (c) {
      case u'\n':
      case u'\r':
      case u'"':
      case u'&':
      case u'<':
      case u'>':
        r += u"&#";
        r += IntToStr(static_cast<int>(c));
        r += u';';
        break;
      default:
        r += c;
    }
  }
  return r;
}

String XMLToStr(StringView S) {
  String r;
  r.reserve(S.size());
  size_t p = 0;
  const size_t n = S.size();
  while (p < n) {
    const Char c = S[p];
    if (c == u'&' && p + 1 < n) {
      if (S[p + 1] == u'#' && p + 3 <= n) {
        const size_t semi = S.find(u';', p + 2);
        if (semi != StringView::npos && semi > p + 2) {
          const Integer code = StrToInt(S.substr(p + 2, semi - p - 2));
          r += static_cast<Char>(code & 0xFFFF);
          p = semi + 1;
          continue;
        }
      } else if (S.substr(p + 1, 5) == u"quot;") {
        r += u'"';
        p += 6;
        continue;
      }
    }
    r += c;
    ++p;
  }
  return r;
}

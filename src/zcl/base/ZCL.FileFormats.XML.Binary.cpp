#include "zcl/base/ZCL.FileFormats.XML.Binary.h"

#include <cstring>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Streams.h"

namespace {

// Nesting beyond this is refused, which keeps the recursive walks over a loaded tree safe.
constexpr Integer MaxDepth = 4096;

void PutVarint(std::vector<Byte>& Out, uint32_t Value) {
  while (Value >= 0x80) {
    Out.push_back(static_cast<Byte>(Value | 0x80));
    Value >>= 7;
  }
  Out.push_back(static_cast<Byte>(Value));
}

void PutUnits(std::vector<Byte>& Out, const String& Text) {
  PutVarint(Out, static_cast<uint32_t>(Text.size()));
  for (Char c : Text) {
    Out.push_back(static_cast<Byte>(c));
    Out.push_back(static_cast<Byte>(c >> 8));
  }
}

[[noreturn]] void Corrupt(StringView What) {
  throw EZCLXMLDocument(Format(u"The binary XML data is corrupt: %s.", {String(What)}));
}

// Reads what is left of the stream into memory.
std::vector<Byte> ReadRest(TStream* Stream, Int64 Count) {
  std::vector<Byte> data(static_cast<size_t>(Count));
  if (Count > 0) Stream->ReadBuffer(data.data(), Count);
  return data;
}

// A cursor over bytes that are all in memory: every read is checked against the end first.
class TCursor {
 public:
  TCursor(const Byte* Data, size_t Size) : FData(Data), FSize(Size) {}
  size_t Remaining() const { return FSize - FPos; }
  size_t Position() const { return FPos; }

  void Need(size_t Count) const {
    if (Count > Remaining()) throw EReadError(u"Stream read error");
  }
  Byte ReadByte() {
    Need(1);
    return FData[FPos++];
  }
  Integer ReadVarint() {
    uint32_t value = 0;
    for (int shift = 0;; shift += 7) {
      if (shift > 28) Corrupt(u"a number is longer than five bytes");
      Byte b = ReadByte();
      value |= uint32_t(b & 0x7F) << shift;
      if (!(b & 0x80)) break;
    }
    return static_cast<Integer>(value);
  }
  template <class T>
  T ReadLE() {
    Need(sizeof(T));
    uint64_t v = 0;
    for (size_t i = 0; i < sizeof(T); ++i) v |= uint64_t(FData[FPos + i]) << (8 * i);
    FPos += sizeof(T);
    return static_cast<T>(v);
  }
  String ReadUnits(Integer Count) {
    if (Count <= 0) return String();
    Need(size_t(Count) * 2);
    String s(static_cast<size_t>(Count), u'\0');
    const Byte* p = FData + FPos;
    for (Integer i = 0; i < Count; ++i) s[i] = static_cast<Char>(p[2 * i] | (p[2 * i + 1] << 8));
    FPos += size_t(Count) * 2;
    return s;
  }
  String ReadAnsi(size_t Count) {
    Need(Count);
    String s = Count ? TEncoding::GetANSI()->GetString(FData + FPos, static_cast<Integer>(Count)) : String();
    FPos += Count;
    return s;
  }
  // A count of items of at least MinSize bytes each must fit in what is left.
  void CheckCount(Integer Count, size_t MinSize) const {
    if (Count < 0) Corrupt(u"a negative count");
    if (size_t(Count) > Remaining() / MinSize) throw EReadError(u"Stream read error");
  }

 private:
  const Byte* FData;
  size_t FSize;
  size_t FPos = 0;
};

void ReadNodeList(TCursor& In, TZCLXMLNode* Parent, const std::vector<String>& Names, Integer Depth) {
  if (Depth > MaxDepth) Corrupt(Format(u"elements are nested deeper than %d levels", {MaxDepth}));
  Integer count = In.ReadVarint();
  if (count == 0) return;
  In.CheckCount(count, 2);
  auto name = [&](Integer Index) -> const String& {
    if (Index < 0 || size_t(Index) >= Names.size()) Corrupt(Format(u"the name index %d is outside the table", {Index}));
    return Names[Index];
  };
  for (Integer i = 0; i < count; ++i) {
    TZCLXMLNode* node = Parent->Add(name(In.ReadVarint()));
    Byte flags = In.ReadByte();
    if (flags & 4) node->SetNodeValue(In.ReadUnits(In.ReadVarint()));
    if (flags & 1) {
      Integer attrCount = In.ReadVarint();
      In.CheckCount(attrCount, 2);
      TZCLXMLAttributes* attrs = node->GetAttributes();
      attrs->EnsureCapacity(attrCount);
      for (Integer k = 0; k < attrCount; ++k) {
        const String& attrName = name(In.ReadVarint());
        attrs->AddString(attrName, In.ReadUnits(In.ReadVarint()));
      }
    }
    if (flags & 2) ReadNodeList(In, node, Names, Depth + 1);
  }
}

String ReadLegacyName(TCursor& In) { return In.ReadAnsi(In.ReadLE<uint16_t>()); }

void ReadLegacyNodeList(TCursor& In, TZCLXMLNode* Parent, Integer Depth) {
  if (Depth > MaxDepth) Corrupt(Format(u"elements are nested deeper than %d levels", {MaxDepth}));
  Integer count = In.ReadLE<int32_t>();
  if (count <= 0) return;
  In.CheckCount(count, 3);
  for (Integer i = 0; i < count; ++i) {
    TZCLXMLNode* node = Parent->Add(ReadLegacyName(In));
    Byte flags = In.ReadByte();
    if (flags & 4) node->SetNodeValue(In.ReadUnits(In.ReadLE<int32_t>()));
    if (flags & 1) {
      Integer attrCount = In.ReadLE<int32_t>();
      if (attrCount > 0) {
        In.CheckCount(attrCount, 4);
        TZCLXMLAttributes* attrs = node->GetAttributes();
        attrs->EnsureCapacity(attrCount);
        for (Integer k = 0; k < attrCount; ++k) {
          String attrName = ReadLegacyName(In);
          attrs->AddString(attrName, In.ReadUnits(In.ReadLE<uint16_t>()));
        }
      }
    }
    if (flags & 2) ReadLegacyNodeList(In, node, Depth + 1);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TZCLBinaryXMLBuilder

TZCLBinaryXMLBuilder::TZCLBinaryXMLBuilder(TStream* Stream, TZCLXMLDocumentFormat Form)
    : TZCLXMLBuilder(Stream, Form), FStream(Stream), FNameIndexes(Create<TZCLStringIndexes>()) {}

TZCLBinaryXMLBuilder::~TZCLBinaryXMLBuilder() { Free(FNameIndexes); }

Integer TZCLBinaryXMLBuilder::NameIndex(const String& Name) {
  Integer index;
  if (FNameIndexes->TryGetValue(Name, index)) return index;
  TEncoding* ansi = TEncoding::GetANSI();
  if (ansi->GetString(ansi->GetBytes(Name)) != Name)
    throw EZCLXMLDocument(Format(
        u"The name \"%s\" cannot be stored in the binary XML form: the ANSI code page cannot represent it.", {Name}));
  index = FNameIndexes->GetCount();
  FNameIndexes->Add(Name, index);
  FNames.push_back(Name);
  return index;
}

void TZCLBinaryXMLBuilder::WriteNodes(const TZCLXMLNode* Parent) {
  PutVarint(FOut, static_cast<uint32_t>(Parent->GetCount()));
  for (Integer i = 0; i < Parent->GetCount(); ++i) {
    const TZCLXMLNode* node = Parent->GetNode(i);
    const TZCLXMLAttributes* attrs = node->GetAttributes();
    PutVarint(FOut, static_cast<uint32_t>(NameIndex(node->GetNodeName())));
    Byte flags =
        (attrs->GetCount() > 0 ? 1 : 0) | (node->GetCount() > 0 ? 2 : 0) | (node->GetNodeValue().empty() ? 0 : 4);
    FOut.push_back(flags);
    if (flags & 4) PutUnits(FOut, node->GetNodeValue());
    if (flags & 1) {
      PutVarint(FOut, static_cast<uint32_t>(attrs->GetCount()));
      for (Integer k = 0; k < attrs->GetCount(); ++k) {
        const TZCLXMLAttribute* a = attrs->GetItem(k);
        PutVarint(FOut, static_cast<uint32_t>(NameIndex(a->GetName())));
        PutUnits(FOut, a->GetValue());
      }
    }
    if (flags & 2) WriteNodes(node);
  }
}

void TZCLBinaryXMLBuilder::Build(TZCLXMLDocument* Document) {
  FOut.clear();
  WriteNodes(Document);
  std::vector<Byte> head = {'S', 'X', 'M', 'L'};
  const uint64_t size = FOut.size();
  for (int i = 0; i < 8; ++i) head.push_back(static_cast<Byte>(size >> (8 * i)));
  std::vector<Byte> table;
  PutVarint(table, static_cast<uint32_t>(FNames.size()));
  TEncoding* ansi = TEncoding::GetANSI();
  for (const String& name : FNames) {
    TBytes bytes = ansi->GetBytes(name);
    PutVarint(table, static_cast<uint32_t>(bytes.size()));
    table.insert(table.end(), bytes.begin(), bytes.end());
  }
  FStream->WriteBuffer(head.data(), static_cast<Int64>(head.size()));
  if (!FOut.empty()) FStream->WriteBuffer(FOut.data(), static_cast<Int64>(FOut.size()));
  FStream->WriteBuffer(table.data(), static_cast<Int64>(table.size()));
}

// ---------------------------------------------------------------------------------------------
// Parsers

void TZCLBinaryXMLParser::Parse(TZCLXMLDocument* Document, TStream* Stream) {
  Int64 size = 0;
  Byte sizeBytes[8];
  Stream->ReadBuffer(sizeBytes, 8);
  for (int i = 0; i < 8; ++i) size |= Int64(sizeBytes[i]) << (8 * i);
  const Int64 start = Stream->GetPosition();
  const Int64 available = Stream->GetSize() - start;
  if (size < 0 || size > available) throw EReadError(u"Stream read error");
  std::vector<Byte> data = ReadRest(Stream, available);

  TCursor table(data.data() + size, data.size() - static_cast<size_t>(size));
  Integer nameCount = table.ReadVarint();
  table.CheckCount(nameCount, 1);
  std::vector<String> names;
  names.reserve(static_cast<size_t>(nameCount));
  for (Integer i = 0; i < nameCount; ++i) {
    Integer length = table.ReadVarint();
    if (length < 0) Corrupt(u"a negative name length");
    names.push_back(table.ReadAnsi(static_cast<size_t>(length)));
  }

  TCursor nodes(data.data(), static_cast<size_t>(size));
  try {
    ReadNodeList(nodes, Document, names, 0);
  } catch (...) {
    Stream->Seek(start + static_cast<Int64>(nodes.Position()), soBeginning);
    throw;
  }
  Stream->Seek(start + size, soBeginning);
}

void TZCLLegacyBinaryXMLParser::Parse(TZCLXMLDocument* Document, TStream* Stream) {
  const Int64 start = Stream->GetPosition();
  std::vector<Byte> data = ReadRest(Stream, Stream->GetSize() - start);
  TCursor in(data.data(), data.size());
  try {
    ReadLegacyNodeList(in, Document, 0);
  } catch (...) {
    Stream->Seek(start + static_cast<Int64>(in.Position()), soBeginning);
    throw;
  }
  Stream->Seek(start + static_cast<Int64>(in.Position()), soBeginning);
}

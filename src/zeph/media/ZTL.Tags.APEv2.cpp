#include "zeph/media/ZTL.Tags.APEv2.h"

#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"

namespace {

constexpr Integer FooterSize = 32;
constexpr Cardinal MaxTextItem = 65535;

Cardinal LE32(const Byte* P) {
  return static_cast<Cardinal>(P[0]) | static_cast<Cardinal>(P[1]) << 8 | static_cast<Cardinal>(P[2]) << 16 |
         static_cast<Cardinal>(P[3]) << 24;
}

void PutLE32(std::string& Out, Cardinal V) {
  for (int i = 0; i < 4; ++i) Out += static_cast<char>((V >> (8 * i)) & 0xFF);
}

TZTLAPEv2Footer ParseFooter(const Byte* B) {
  TZTLAPEv2Footer f;
  std::memcpy(f.Preamble, B, 8);
  f.Version = LE32(B + 8);
  f.TagSize = LE32(B + 12);
  f.ItemCount = LE32(B + 16);
  f.Flags = LE32(B + 20);
  std::memcpy(f.Reserved, B + 24, 8);
  return f;
}

}  // namespace

bool TZTLAPEv2Codec::FindFooter(TStream* Stream, TZTLAPEv2Location& Location) {
  Location = TZTLAPEv2Location();
  Location.StreamSize = Stream->GetSize();
  Location.TrailSize = TZTLID3v1Codec::GetTagSize(Stream);
  const Int64 front = Location.StreamSize - Location.TrailSize;
  if (front <= FooterSize) {
    Location.Found = true;  // room for no more than an empty tag
    return true;
  }
  Byte b[FooterSize];
  Stream->SetPosition(front - FooterSize);
  if (Stream->Read(b, FooterSize) != FooterSize || std::memcmp(b, "APETAGEX", 8) != 0) return false;
  TZTLAPEv2Footer footer = ParseFooter(b);
  if (footer.TagSize < FooterSize || footer.TagSize > front) return false;
  Location.Footer = footer;
  Location.Found = true;
  // A header goes with the tag when it stands where the footer says.
  const Int64 headerAt = front - footer.TagSize - FooterSize;
  if ((footer.Flags & APEv2FlagHasHeader) && headerAt >= 0) {
    Byte h[FooterSize];
    Stream->SetPosition(headerAt);
    if (Stream->Read(h, FooterSize) == FooterSize && std::memcmp(h, "APETAGEX", 8) == 0)
      Location.HeaderSize = FooterSize;
  }
  return true;
}

Cardinal TZTLAPEv2Codec::Read(TStream* Stream, std::vector<TZTLAPEv2Item>& Items) {
  Items.clear();
  TZTLAPEv2Location at;
  if (!FindFooter(Stream, at) || at.Footer.TagSize == 0) return 0;
  const Int64 start = at.StreamSize - at.TrailSize - at.Footer.TagSize;
  const Int64 end = at.StreamSize - at.TrailSize - FooterSize;
  std::string area(static_cast<size_t>(end - start), '\0');
  Stream->SetPosition(start);
  if (Stream->Read(area.data(), static_cast<Integer>(area.size())) != static_cast<Integer>(area.size()))
    return at.Footer.TagSize;
  const Byte* p = reinterpret_cast<const Byte*>(area.data());
  size_t pos = 0;
  for (Cardinal i = 0; i < at.Footer.ItemCount; ++i) {
    if (area.size() - pos < 9) break;
    const Cardinal size = LE32(p + pos);
    const Cardinal flags = LE32(p + pos + 4);
    const size_t keyStart = pos + 8;
    const size_t keyEnd = area.find('\0', keyStart);
    if (keyEnd == std::string::npos) break;
    const size_t valueStart = keyEnd + 1;
    if (size > area.size() - valueStart) break;  // the value runs past the tag: damaged
    TZTLAPEv2Item item;
    item.Key = area.substr(keyStart, keyEnd - keyStart);
    item.Flags = flags;
    if (item.IsBinary() || size < MaxTextItem) {
      item.Value = area.substr(valueStart, size);
      Items.push_back(std::move(item));
    }
    pos = valueStart + size;
  }
  return at.Footer.TagSize;
}

void TZTLAPEv2Codec::Write(TStream* Stream, const std::vector<TZTLAPEv2Item>& Items, bool Delete) {
  TZTLAPEv2Location at;
  FindFooter(Stream, at);
  if (at.Footer.TagSize == 0 && Delete) return;
  std::string trail(static_cast<size_t>(at.TrailSize), '\0');
  if (at.TrailSize > 0) {
    Stream->SetPosition(at.StreamSize - at.TrailSize);
    Stream->ReadBuffer(trail.data(), at.TrailSize);
  }
  Stream->SetSize(at.TagStart());
  std::string out;
  if (!Delete) {
    for (const TZTLAPEv2Item& item : Items) {
      PutLE32(out, static_cast<Cardinal>(item.Value.size()));
      PutLE32(out, item.Flags);
      out += item.Key;
      out += '\0';
      out += item.Value;
    }
    const Cardinal tagSize = static_cast<Cardinal>(out.size()) + FooterSize;
    out += "APETAGEX";
    PutLE32(out, 2000);
    PutLE32(out, tagSize);
    PutLE32(out, static_cast<Cardinal>(Items.size()));
    PutLE32(out, at.Footer.Flags & ~(APEv2FlagHasHeader | APEv2FlagIsHeader));
    out.append(reinterpret_cast<const char*>(at.Footer.Reserved), 8);
  }
  out += trail;
  Stream->Seek(0, soEnd);
  if (!out.empty()) Stream->WriteBuffer(out.data(), static_cast<Int64>(out.size()));
}

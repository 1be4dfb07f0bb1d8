#pragma once
// The APEv2 tag at the end of a file: items followed by a 32-byte footer, in front of a trailing
// ID3v1 block and its Lyrics3 v2 block. Only the footer form is written.

#include <vector>

#include "rtl/RTL.Types.h"
#include "zeph/media/ZTL.Core.h"

class TStream;

struct TZTLAPEv2Footer {
  char Preamble[8] = {};
  Cardinal Version = 0;
  Cardinal TagSize = 0;  // items and footer, not a header
  Cardinal ItemCount = 0;
  Cardinal Flags = 0;
  Byte Reserved[8] = {};
};
static_assert(sizeof(TZTLAPEv2Footer) == 32);

enum : Cardinal {
  APEv2FlagHasHeader = 0x80000000u,
  APEv2FlagIsHeader = 0x20000000u,
  APEv2ItemTypeMask = 0x6u,
  APEv2ItemBinary = 0x2u,
};

struct TZTLAPEv2Item {
  AnsiString Key;
  Cardinal Flags = 0;
  RawByteString Value;
  bool IsBinary() const { return (Flags & APEv2ItemTypeMask) == APEv2ItemBinary; }
};

// Where a tag stands in a stream, as FindFooter found it.
struct TZTLAPEv2Location {
  TZTLAPEv2Footer Footer;
  Int64 StreamSize = 0;
  Int64 TrailSize = 0;   // ID3v1 and Lyrics3 v2 behind the tag
  Int64 HeaderSize = 0;  // 32 when the old tag has a header in front of its items
  bool Found = false;    // a valid footer (a stream of at most 32 bytes has an empty tag)
  // Start of the old tag (its header included) and its length.
  Int64 TagStart() const { return StreamSize - TrailSize - Footer.TagSize - HeaderSize; }
  Int64 TagLength() const { return Footer.TagSize + HeaderSize; }
};

class TZTLAPEv2Codec {
 public:
  TZTLAPEv2Codec() = delete;
  // Finds the footer in front of the trailing ID3v1 and Lyrics3 v2 blocks. A footer whose tag
  // size is below 32 or larger than the bytes in front of the trailing blocks is no tag.
  static bool FindFooter(TStream* Stream, TZTLAPEv2Location& Location);
  // Reads the items of the tag; a damaged list ends the reading, the items read so far stay.
  // Returns the tag's size (0 without a tag).
  static Cardinal Read(TStream* Stream, std::vector<TZTLAPEv2Item>& Items);
  // Replaces the tag (its old header included) by the items and a footer, or only removes it
  // with Delete; the trailing blocks are kept byte for byte. The footer keeps the old flags
  // except those that announce a header.
  static void Write(TStream* Stream, const std::vector<TZTLAPEv2Item>& Items, bool Delete);
};

// The APEv2 tag of a file. Text items map onto the tag's properties; the front cover is the album
// art; other items (unknown text items as custom fields, other binary items and text items too
// large to read as values) are kept and written back as they were.
class TZTLTagAPEv2 : public TZTLTag {
  ZCL_CLASS(TZTLTagAPEv2, TZTLTag)
 public:
  TZTLTagAPEv2() : TZTLTag(u"APE") {}
  explicit TZTLTagAPEv2(TStream* Stream);
  bool IsEmpty() const override { return inherited::IsEmpty() && FRawItems.empty(); }
  void ClearTags() override;

  static void Load(TZTLTag* Tag, TStream* Stream);
  static void Save(TZTLTag* Tag, TStream* Stream);

  // Items kept as read: binary items other than the front cover and text items of 65,535 bytes
  // or more.
  const std::vector<TZTLAPEv2Item>& GetRawItems() const { return FRawItems; }

 protected:
  void DoAssign(const TZBLCustomFileInfo* Source) override;

 private:
  std::vector<TZTLAPEv2Item> FRawItems;
};

#include <gtest/gtest.h>

#include "rtl/RTL.Exceptions.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zse/formats/LegacyFixtures.h"
#include "zse/formats/ZSE.Formats.Legacy.Packages.h"

using namespace legacy_test;

namespace {

TEST(LegacyPackages, ScrambledPackageReadsFilesAndDetails) {
  // The body's length is no multiple of 4, so its last bytes stay plain; a key equal to the
  // format's constant scrambles nothing.
  for (Cardinal key : {Cardinal(0x1234ABCD), Cardinal(0x51574658)}) {
    TScrambledPackage package;
    package.Key = key;
    package.Version = 0x00070000 | 450;
    package.Body = OffsetTableBody(
        {{u"Main.png", "png!"}, {u"Cover.myimg", "first"}, {u"Notes.txt", "abc"}, {u"COVER.IMG", "second"}});
    auto skin = LoadPackage(package.Build());
    TZSESkinDetails* details = skin->GetDetails();
    EXPECT_EQ(details->GetName(), u"Blue");
    EXPECT_EQ(details->GetAuthor(), u"Ann");
    EXPECT_EQ(details->GetDescription(), u"A skin");
    EXPECT_EQ(details->GetVersion().Number, 450);
    EXPECT_EQ(details->GetVersion().Reserved, 7);  // all 32 bits are kept
    EXPECT_EQ(skin->GetFiles()->GetCount(), 3);
    EXPECT_EQ(DataOf(skin.get(), u"Main.png", sfkUnknown), "png!");
    EXPECT_EQ(DataOf(skin.get(), u"Cover", sfkImage), "second");  // the later entry wins
    EXPECT_EQ(DataOf(skin.get(), u"Notes", sfkText), "abc");
  }
}

TEST(LegacyPackages, RevisionsOfTheScrambledPackage) {
  struct Case {
    const char* Signature;
    Byte Identity;
    bool HasVersion, HasDetails, HasUnpackedSize;
    Word Expected;
  } cases[] = {
      {"ZCS3", 6, true, true, false, 351},   // the version in the file
      {"ZCS3", 5, false, true, false, 350},  // always 3.50
      {"ZCS3", 3, false, true, false, 350},  {"ZCS3", 2, false, false, false, 305},
      {"ZCS3", 1, false, false, false, 304},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Identity);
    TScrambledPackage package;
    package.Signature = c.Signature;
    package.IdentityVersion = c.Identity;
    package.HasVersion = c.HasVersion;
    package.HasDetails = c.HasDetails;
    package.HasUnpackedSize = c.HasUnpackedSize;
    package.Version = 351;
    package.Body = OffsetTableBody({{u"Shape.img", "pixels"}});
    auto skin = LoadPackage(package.Build());
    EXPECT_EQ(skin->GetDetails()->GetVersion().Number, c.Expected);
    EXPECT_EQ(DataOf(skin.get(), u"Shape", sfkImage), "pixels");
  }
  // Old formats are read only; the ".zcs3" revisions refuse under the newest revision's name.
  struct SaveCase {
    TZSESkinFormatClass Format;
    const char16_t* Text;
  } saves[] = {{TZSESkinFormatZCS4::StaticClass(), u"TZSESkinFormatZCS4.Save"},
               {TZSESkinFormatZCS3v3::StaticClass(), u"TZSESkinFormatZCS3v6.Save"},
               {TZSESkinFormatZCSPv32::StaticClass(), u"TZSESkinFormatZCS3v6.Save"},
               {TZSESkinFormatZCSPv30::StaticClass(), u"TZSESkinFormatZCSPv30.Save"},
               {TZSESkinFormatZCSPv2::StaticClass(), u"TZSESkinFormatZCSPv2.Save"}};
  auto skin = Make<TZSESkin>();
  auto out = Make<TMemoryStream>();
  for (const SaveCase& c : saves) {
    try {
      c.Format->Save(out.get(), skin.get(), nullptr);
      FAIL() << "saved";
    } catch (const ENotSupportedException& e) {
      EXPECT_EQ(e.GetMessage(), c.Text);
    }
  }
}

TEST(LegacyPackages, DetailsSizeLimits) {
  const TBytes8 record = DetailsRecord(u"N", u"", u"");
  for (Integer size : {Integer(0x3FFFB), Integer(0x3FFFC), Integer(0)}) {
    SCOPED_TRACE(size);
    TScrambledPackage package;
    package.Details = record;
    if (size > 0)
      package.Details.resize(size_t(size), 0);
    else
      package.Details.clear();
    package.Body = OffsetTableBody({});
    auto skin = Make<TZSESkin>();
    auto stream = StreamOf(package.Build());
    if (size == 0x3FFFB) {
      TZSESkinManager::LoadFromStream(stream.get(), skin.get());
      EXPECT_EQ(skin->GetDetails()->GetName(), u"N");
      continue;
    }
    try {
      TZSESkinManager::LoadFromStream(stream.get(), skin.get());
      FAIL() << "accepted";
    } catch (const EZSEStreamCorrupted& e) {
      EXPECT_EQ(e.GetMessage(), u"TZSESkinFormatZCS4.DetailsLoad fails");
    }
  }
}

TEST(LegacyPackages, DetailsOnlyLeaveADamagedBodyAlone) {
  TScrambledPackage package;
  package.Body = OffsetTableBody({{u"A.txt", "a"}});
  TBytes8 bytes = package.Build();
  bytes.resize(bytes.size() - 6);  // the zlib stream no longer ends
  auto details = Make<TZSESkinDetails>();
  auto stream = StreamOf(bytes);
  TZSESkinManager::Load(stream.get(), nullptr, details.get());
  EXPECT_EQ(details->GetName(), u"Blue");
  stream->SetPosition(0);
  auto skin = Make<TZSESkin>();
  EXPECT_THROW(TZSESkinManager::LoadFromStream(stream.get(), skin.get()), Exception);
}

// Sizes, counts and offsets from a package are checked before they are used.
TEST(LegacyPackages, HostileNumbersAreCheckedOrClamped) {
  // Entry windows reaching outside the data area are clamped to it, negative values included.
  TBytes8 body;
  PutInt(body, 3);
  PutCounted(body, u"Far.txt");
  PutInt(body, 2);
  PutInt(body, 1000);
  PutCounted(body, u"Back.txt");
  PutInt(body, -100);
  PutInt(body, 2);
  PutCounted(body, u"Less.txt");
  PutInt(body, 1);
  PutInt(body, -5);
  PutBytes(body, "wxyz");
  TScrambledPackage windows;
  windows.Body = body;
  auto skin = LoadPackage(windows.Build());
  EXPECT_EQ(DataOf(skin.get(), u"Far", sfkText), "yz");
  EXPECT_EQ(DataOf(skin.get(), u"Back", sfkText), "wx");
  EXPECT_EQ(DataOf(skin.get(), u"Less", sfkText), "");

  // A stated unpacked size no deflate stream of that length can reach is not allocated.
  TScrambledPackage huge;
  huge.Body = OffsetTableBody({{u"A.txt", "a"}});
  TBytes8 bytes = huge.Build();
  const size_t sizeAt = 5 + 4 + 4 + 4 + huge.Details.size();
  const Integer big = 0x7FFFFFF0;
  std::memcpy(&bytes[sizeAt], &big, 4);
  skin = LoadPackage(bytes);
  EXPECT_EQ(DataOf(skin.get(), u"A", sfkText), "a");

  // Counts and string lengths beyond the data: a read error, not an allocation.
  struct Case {
    const char* What;
    TBytes8 Body;
  };
  TBytes8 manyEntries, longName, negative;
  PutInt(manyEntries, 0x10000000);
  PutInt(longName, 1);
  longName.push_back(0xFF);
  longName.push_back(0xFF);
  PutInt(negative, -1);
  for (const Case& c : {Case{"count", manyEntries}, Case{"name", longName}, Case{"negative", negative}}) {
    SCOPED_TRACE(c.What);
    TScrambledPackage package;
    package.Body = c.Body;
    EXPECT_THROW(LoadPackage(package.Build()), EReadError);
  }
  // The same for the inline entries of 3.02 and 3.03 packages.
  TBytes8 oversized;
  PutInt(oversized, 1);
  PutCounted(oversized, u"A.txt");
  PutInt(oversized, 1000);
  PutBytes(oversized, "abc");
  TScrambledPackage inlinePackage;
  inlinePackage.Signature = "ZCSP";
  inlinePackage.IdentityVersion = 33;
  inlinePackage.HasVersion = inlinePackage.HasDetails = inlinePackage.HasUnpackedSize = false;
  inlinePackage.Body = oversized;
  EXPECT_THROW(LoadPackage(inlinePackage.Build()), EReadError);
}

TEST(LegacyPackages, InlineEntriesAndDetailsFromFiles) {
  std::string ini = "\xFF\xFE";
  for (char c : std::string("[FILE]\r\nAuthor=Bo\r\nSkinName=Green\r\n")) ini += std::string{c, '\0'};
  std::string info = "\xFF\xFE";
  for (char c : std::string("  About it  ")) info += std::string{c, '\0'};
  for (Byte identity : {Byte(33), Byte(32)}) {
    TScrambledPackage package;
    package.Signature = "ZCSP";
    package.IdentityVersion = identity;
    package.HasVersion = package.HasDetails = package.HasUnpackedSize = false;
    package.Body = InlineBody({{u"Main.ini", ini}, {u"Info.txt", info}, {u"MainFrame.xml", "<item/>"}});
    auto skin = LoadPackage(package.Build());
    EXPECT_EQ(skin->GetDetails()->GetVersion().Number, identity == 33 ? 303 : 302);
    EXPECT_EQ(skin->GetDetails()->GetName(), u"Green");
    EXPECT_EQ(skin->GetDetails()->GetAuthor(), u"Bo");
    EXPECT_EQ(skin->GetDetails()->GetDescription(), u"About it");
    EXPECT_EQ(DataOf(skin.get(), u"Main.ini", sfkUnknown), ini);  // kept for the converter
    EXPECT_EQ(DataOf(skin.get(), u"MainFrame", sfkDocument), "<item/>");
  }
}

TEST(LegacyPackages, IniEraContainer) {
  TZCS2Package package;
  package.Name = std::string(32, 'N');  // a full field is taken whole
  package.Files = {
      {"Play_skin.bmp", "BMbits"}, {"Main.ini", "[FILE]\r\nSkinName=FromIni\r\nAuthor=Cy\r\n"}, {"links.system", ""}};
  std::string links;
  auto record = [&](const std::string& Alias, const std::string& Existing) {
    std::string r = Alias;
    r.resize(32, '\0');
    std::string e = Existing;
    e.resize(32, '\0');
    links += r + e;
  };
  record("Pause.bmp", "Play_skin.bmp");
  record("Ghost.bmp", "Missing.bmp");
  links += std::string(36, 'x');  // a rest shorter than a record is ignored
  package.Files[2].second = links;
  auto skin = LoadPackage(package.Build());
  EXPECT_EQ(skin->GetDetails()->GetVersion().Number, 300);
  EXPECT_EQ(DataOf(skin.get(), u"Play", sfkBitmap), "BMbits");
  EXPECT_EQ(DataOf(skin.get(), u"Pause", sfkBitmap), "BMbits");
  EXPECT_EQ(DataOf(skin.get(), u"Ghost", sfkBitmap), "<missing>");
  EXPECT_EQ(DataOf(skin.get(), u"links.system", sfkUnknown), "<missing>");
  EXPECT_EQ(skin->GetDetails()->GetName(), String(32, u'N'));
  EXPECT_EQ(skin->GetDetails()->GetAuthor(), u"Cy");

  // An empty header name keeps the INI's; 2.11 and 2.60 identities give their versions.
  struct Case {
    Byte Identity;
    bool FixedNames;
    Word Version;
  } cases[] = {{3, false, 260}, {2, true, 211}};
  for (const Case& c : cases) {
    TZCS2Package old;
    old.IdentityVersion = c.Identity;
    old.FixedNames = c.FixedNames;
    old.Files = {{"Main.ini", "[FILE]\r\nSkinName=FromIni\r\n"}, {"Eq_skin.bmp", "x"}};
    skin = LoadPackage(old.Build());
    EXPECT_EQ(skin->GetDetails()->GetVersion().Number, c.Version);
    EXPECT_EQ(skin->GetDetails()->GetName(), u"FromIni");
    EXPECT_EQ(DataOf(skin.get(), u"Eq", sfkBitmap), "x");
  }
}

TEST(LegacyPackages, IniEraContainerCounts) {
  TZCS2Package negative;
  negative.Count = -3;
  negative.Files = {{"A.txt", "a"}};
  EXPECT_EQ(LoadPackage(negative.Build())->GetFiles()->GetCount(), 0);

  TZCS2Package fewer;
  fewer.Count = 1;
  fewer.Files = {{"A.txt", "a"}, {"B.txt", "b"}};
  EXPECT_EQ(LoadPackage(fewer.Build())->GetFiles()->GetCount(), 1);

  TZCS2Package more;
  more.Count = 3;
  more.Files = {{"A.txt", "a"}};
  EXPECT_THROW(LoadPackage(more.Build()), EReadError);

  // A file size beyond the unpacked data fails before anything is copied.
  TZCS2Package oversized;
  oversized.Files = {{"A.txt", "a"}};
  TBytes8 bytes = oversized.Build();
  TBytes8 body = {5, 'A', '.', 't', 'x', 't'};
  PutInt(body, 0x7FFFFFFF);
  body.push_back('a');
  const TBytes8 packed = Pack(body, std::nullopt);
  bytes.resize(5 + 71);
  bytes.insert(bytes.end(), packed.begin(), packed.end());
  EXPECT_THROW(LoadPackage(bytes), EReadError);
}

}  // namespace

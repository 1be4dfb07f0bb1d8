#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zse/engine/ZSE.Skins.h"

namespace {

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;
template <class T, class... A>
TOwned<T> Make(A&&... Args) {
  return TOwned<T>(Create<T>(std::forward<A>(Args)...), &Free);
}

std::vector<Byte> BytesOf(TMemoryStream* Stream) {
  const auto* data = static_cast<const Byte*>(Stream->GetMemory());
  return std::vector<Byte>(data, data + Stream->GetSize());
}

String TextOf(TZSESkinFile* File) {
  TStream* stream = File->GetData()->LockStream();
  std::vector<Byte> bytes(static_cast<size_t>(stream->GetSize()));
  stream->ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  File->GetData()->UnlockStream();
  return String(bytes.begin(), bytes.end());
}

void AddText(TZSESkinFiles* Files, const String& Name, TZSESkinFileKind Kind, const std::string& Text) {
  Files->Add(Name, Kind, [&](TStream* S) { S->WriteBuffer(Text.data(), static_cast<Integer>(Text.size())); });
}

TEST(SkinContainer, KindsFromExtensions) {
  struct Case {
    const char16_t* FileName;
    TZSESkinFileKind Kind;
    const char16_t* Name;
  } cases[] = {{u"Button.PNG", sfkUnknown, u"Button.PNG"}, {u"Play.IMG", sfkImage, u"Play"},
               {u"old.myimgset", sfkImageSet, u"old"},     {u"old.myimg", sfkImage, u"old"},
               {u"Schema.xml", sfkDocument, u"Schema"},    {u"Readme", sfkUnknown, u"Readme"},
               {u"a.b.Script", sfkScript, u"a.b"},         {u"Font.ttf", sfkFont, u"Font"}};
  auto files = Make<TZSESkinFiles>();
  for (const Case& c : cases) {
    EXPECT_EQ(SkinFileExtToKind(c.FileName), c.Kind) << String(c.FileName).size();
    TZSESkinFile* file = files->AddFromStream(c.FileName, nullptr, 0);
    EXPECT_EQ(file->GetName(), c.Name);
    EXPECT_EQ(file->GetKind(), c.Kind);
  }
  EXPECT_EQ(SkinFileKindToExt(sfkText), u".txt");
  EXPECT_EQ(SkinFileKindToExt(sfkUnknown), u"");
  EXPECT_EQ(SkinFileKindToExt(9), u"");
}

TEST(SkinContainer, SortedUniquePairs) {
  auto files = Make<TZSESkinFiles>();
  AddText(files.get(), u"Play", sfkImage, "1");
  AddText(files.get(), u"play", sfkBitmap, "2");
  AddText(files.get(), u"Beta", sfkImage, "3");
  AddText(files.get(), u"alpha", sfkImage, "4");
  AddText(files.get(), u"PLAY", sfkImage, "5");  // the same pair: data replaced, name kept
  ASSERT_EQ(files->GetCount(), 4);
  const char16_t* order[] = {u"alpha", u"Beta", u"Play", u"play"};
  for (Integer i = 0; i < 4; ++i) EXPECT_EQ(files->GetItem(i)->GetName(), order[i]);
  TZSESkinFile* file;
  ASSERT_TRUE(files->Find(u"play", sfkImage, file));
  EXPECT_EQ(file->GetName(), u"Play");
  EXPECT_EQ(TextOf(file), u"5");
  EXPECT_EQ(file->GetFileName(), u"Play.img");
  EXPECT_EQ(file->GetHash(), u"e4da3b7fbbce2345d7772b0674a318d5");  // MD5 of "5"

  // Renaming keeps the container and replaces a file of the new name.
  IZCLStreamContainer* data = file->GetData().get();
  files->Rename(u"Play", u"Beta", sfkImage);
  ASSERT_TRUE(files->Find(u"Beta", sfkImage, file));
  EXPECT_EQ(file->GetData().get(), data);
  EXPECT_FALSE(files->Find(u"Play", sfkImage, file));
  EXPECT_EQ(files->GetCount(), 3);
  files->Delete(u"ALPHA", sfkImage);
  files->Delete(u"missing", sfkImage);
  EXPECT_EQ(files->GetCount(), 2);
}

TEST(SkinContainer, FileSetStreamForm) {
  auto files = Make<TZSESkinFiles>();
  auto stream = Make<TMemoryStream>();
  files->SaveToStream(stream.get());
  EXPECT_EQ(BytesOf(stream.get()), (std::vector<Byte>{0, 0, 0, 0}));

  AddText(files.get(), u"Schema", sfkDocument, "<skin/>");
  AddText(files.get(), u"A", sfkText, "");
  stream->SetSize(0);
  files->SaveToStream(stream.get());
  // Count, then name, size, kind and data per file, sorted by kind.
  const std::vector<Byte> expected = {2, 0, 0, 0,   6,   0,   'S', 0,   'c', 0,   'h', 0, 'e', 0, 'm', 0, 'a', 0, 7, 0,
                                      0, 0, 3, '<', 's', 'k', 'i', 'n', '/', '>', 1,   0, 'A', 0, 0,   0, 0,   0, 8};
  EXPECT_EQ(BytesOf(stream.get()), expected);

  auto copy = Make<TZSESkinFiles>();
  AddText(copy.get(), u"Stale", sfkText, "x");
  stream->SetPosition(0);
  copy->LoadFromStream(stream.get());
  ASSERT_EQ(copy->GetCount(), 2);
  TZSESkinFile* file;
  ASSERT_TRUE(copy->Find(u"Schema", sfkDocument, file));
  EXPECT_EQ(TextOf(file), u"<skin/>");

  // The empty form removes everything.
  auto empty = Make<TMemoryStream>();
  StreamWriteInteger(empty.get(), 0);
  empty->SetPosition(0);
  copy->LoadFromStream(empty.get());
  EXPECT_EQ(copy->GetCount(), 0);

  // Of two entries with one pair the later wins; a stream that ends early raises and keeps
  // what was read.
  auto twice = Make<TMemoryStream>();
  StreamWriteInteger(twice.get(), 3);
  for (const char* data : {"1", "2"}) {
    StreamWriteStringWithLength(twice.get(), u"X");
    StreamWriteInteger(twice.get(), 1);
    twice->WriteBuffer("\x08", 1);
    twice->WriteBuffer(data, 1);
  }
  StreamWriteStringWithLength(twice.get(), u"Cut");
  StreamWriteInteger(twice.get(), 100);
  twice->WriteBuffer("\x08", 1);
  twice->SetPosition(0);
  EXPECT_THROW(copy->LoadFromStream(twice.get()), EReadError);
  ASSERT_EQ(copy->GetCount(), 1);
  EXPECT_EQ(TextOf(copy->GetItem(0)), u"2");
}

TEST(SkinContainer, DetailsStreamForm) {
  auto details = Make<TZSESkinDetails>();
  details->SetName(u" Blue ");
  details->SetAuthor(u"  Ann \t");
  details->SetDescription(u"\r\nDark\r\n");
  EXPECT_EQ(details->GetName(), u" Blue ");
  EXPECT_EQ(details->GetAuthor(), u"Ann");
  EXPECT_EQ(details->GetDescription(), u"Dark");
  auto stream = Make<TMemoryStream>();
  details->SaveToStream(stream.get());
  // No preview: a 0 byte ends the form.
  std::vector<Byte> bytes = BytesOf(stream.get());
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.back(), 0);
  EXPECT_EQ(bytes.size(), 2u + 12 + 2 + 6 + 2 + 8 + 1);

  // With a preview, followed by more data that must still be reachable.
  details->GetPreview()->SetSize(3, 2);
  stream->SetSize(0);
  details->SaveToStream(stream.get());
  StreamWriteInteger(stream.get(), 0x12345678);
  auto copy = Make<TZSESkinDetails>();
  stream->SetPosition(0);
  copy->LoadFromStream(stream.get());
  EXPECT_EQ(copy->GetName(), u" Blue ");
  EXPECT_EQ(copy->GetPreview()->GetWidth(), 3);
  EXPECT_EQ(copy->GetPreview()->GetHeight(), 2);
  Integer tail = 0;
  stream->ReadBuffer(&tail, 4);
  EXPECT_EQ(tail, 0x12345678);

  // A preview that cannot be decoded is dropped and the stream continues after it.
  const Int64 previewStart = 2 + 12 + 2 + 6 + 2 + 8 + 1;
  auto* raw = static_cast<Byte*>(stream->GetMemory());
  for (Int64 i = previewStart + 6; i < stream->GetSize() - 4; ++i) raw[i] = 0xEE;
  stream->SetPosition(0);
  copy->LoadFromStream(stream.get());
  EXPECT_TRUE(copy->GetPreview()->GetEmpty());
  tail = 0;
  stream->ReadBuffer(&tail, 4);
  EXPECT_EQ(tail, 0x12345678);

  // A preview size beyond the stream is a stream that ends early.
  raw[previewStart + 5] = 0x7F;
  stream->SetPosition(0);
  EXPECT_THROW(copy->LoadFromStream(stream.get()), EReadError);
}

TEST(SkinContainer, OverlongTextRaisesInsteadOfCutting) {
  auto details = Make<TZSESkinDetails>();
  details->SetDescription(String(65536, u'x'));
  auto stream = Make<TMemoryStream>();
  EXPECT_THROW(details->SaveToStream(stream.get()), EWriteError);
  details->SetDescription(String(65535, u'x'));
  stream->SetSize(0);
  details->SaveToStream(stream.get());
  auto copy = Make<TZSESkinDetails>();
  stream->SetPosition(0);
  copy->LoadFromStream(stream.get());
  EXPECT_EQ(copy->GetDescription().size(), 65535u);

  auto files = Make<TZSESkinFiles>();
  AddText(files.get(), String(70000, u'n'), sfkText, "x");
  EXPECT_THROW(files->SaveToStream(stream.get()), EWriteError);
}

TEST(SkinContainer, TypedResources) {
  auto skin = Make<TZSESkin>();
  TZSESkinResources* res = skin->GetResources();
  // Plain text: blanks delete, anything else is kept as it is.
  res->SavePlainText(u"Notes", u" a ");
  EXPECT_EQ(res->LoadText(u"Notes"), u" a ");
  res->SavePlainText(u"Notes", u"  ");
  TZSESkinFile* file;
  EXPECT_FALSE(skin->GetFiles()->Find(u"Notes", sfkText, file));
  EXPECT_EQ(res->LoadText(u"Notes"), u"");
  EXPECT_FALSE(res->Load(u"", sfkText, [](TStream*) { FAIL(); }));

  // INI data round trip; a missing file leaves the object alone.
  auto ini = TOwned<TZCLIniFile>(TZCLIniFile::CreateInMemory(), &Free);
  ini->WriteString(u"Main", u"Key", u"Value");
  res->SaveIniFile(u"en", ini.get());
  auto read = TOwned<TZCLIniFile>(TZCLIniFile::CreateInMemory(), &Free);
  EXPECT_TRUE(res->LoadIniFile(u"en", read.get()));
  EXPECT_EQ(read->ReadString(u"Main", u"Key", u""), u"Value");
  EXPECT_FALSE(res->LoadIniFile(u"de", read.get()));
  EXPECT_EQ(read->ReadString(u"Main", u"Key", u""), u"Value");

  // Documents: text normally, binary when optimized; a missing one clears.
  auto doc = Make<TZCLXMLDocument>();
  doc->Add(u"skin")->GetAttributes()->SetValue(u"name", u"Blue");
  res->SaveSchema(u"Schema", doc.get());
  ASSERT_TRUE(skin->GetFiles()->Find(u"Schema", sfkDocument, file));
  EXPECT_EQ(TextOf(file).substr(0, 5), u"<?xml");
  TOwned<TZCLXMLDocument> back(res->LoadDocument(u"Schema"), &Free);
  ASSERT_EQ(back->GetCount(), 1);
  EXPECT_EQ(back->GetNode(0)->GetAttributes()->GetValue(u"name"), u"Blue");
  res->LoadDocument(u"Missing", back.get());
  EXPECT_EQ(back->GetCount(), 0);

  // Bitmaps: an empty one stores nothing; a missing one reads as 0 x 0.
  auto bitmap = Make<TZCLBitmap>(4, 4);
  res->SaveBitmap(u"Preview", bitmap.get());
  auto loaded = Make<TZCLBitmap>(1, 1);
  res->LoadBitmap(u"Preview", loaded.get());
  EXPECT_EQ(loaded->GetWidth(), 4);
  res->LoadBitmap(u"None", loaded.get());
  EXPECT_TRUE(loaded->GetEmpty());
  auto empty = Make<TZCLBitmap>();
  res->SaveBitmap(u"Preview", empty.get());
  res->LoadBitmap(u"Preview", loaded.get());
  EXPECT_EQ(loaded->GetWidth(), 4);

  skin->Clear();
  EXPECT_EQ(skin->GetFiles()->GetCount(), 0);
}

class TOptimizedResources : public TZSESkinResources {
  ZCL_CLASS(TOptimizedResources, TZSESkinResources)
 public:
  TOptimizedResources() { FOptimized = true; }
};

TEST(SkinContainer, OptimizedSetStoresBinaryDocuments) {
  auto skin = Make<TZSESkin>(Create<TOptimizedResources>(), true);
  auto doc = Make<TZCLXMLDocument>();
  doc->Add(u"skin");
  skin->GetResources()->SaveSchema(u"Schema", doc.get());
  TZSESkinFile* file;
  ASSERT_TRUE(skin->GetFiles()->Find(u"Schema", sfkDocument, file));
  EXPECT_EQ(TextOf(file).substr(0, 4), u"SXML");
  TOwned<TZCLXMLDocument> back(skin->GetResources()->LoadDocument(u"Schema"), &Free);
  EXPECT_EQ(back->GetNode(0)->GetNodeName(), u"skin");
  // A skin given a set it does not own leaves it alive.
  auto shared = Make<TZSESkinResources>();
  Free(Create<TZSESkin>(shared.get(), false));
  EXPECT_EQ(shared->GetFiles()->GetCount(), 0);
}

}  // namespace

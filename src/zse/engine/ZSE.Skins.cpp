#include "zse/engine/ZSE.Skins.h"

#include <unistd.h>

#include <algorithm>

#include "os/OS.Environment.h"
#include "os/OS.Files.h"
#include "os/OS.Fonts.h"
#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.ObjectLinks.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"
#include "zse/engine/ZSE.Skins.Utils.h"

namespace {
const char16_t* const GKindExt[] = {u"", u".img", u".imgset", u".xml", u".ttf", u".bmp", u".lng", u".script", u".txt"};

TZSESkinFormatList* GFormats = nullptr;
TZSESkinConverterList* GConverters = nullptr;
String GUserFolder, GProgramFolder;

// Holds a container's stream for the length of a scope.
class TContainerLock {
 public:
  explicit TContainerLock(IZCLStreamContainer* AContainer)
      : FContainer(AContainer), FStream(AContainer->LockStream()) {}
  ~TContainerLock() { FContainer->UnlockStream(); }
  TStream* Stream() const { return FStream; }

 private:
  IZCLStreamContainer* FContainer;
  TStream* FStream;
};

IPtr<IZCLStreamContainer> NewContainer(const TZSESkinFileWriter& Writer) {
  return IPtr<IZCLStreamContainer>(Create<TZCLStreamContainer>(std::function<void(TStream*)>(Writer)));
}

bool IsBlank(StringView Text) {
  return std::all_of(Text.begin(), Text.end(), [](Char c) { return c <= u' '; });
}

// The locale's order ignoring case. Names that the collation holds equal although they differ
// in more than case (ignorable characters) are told apart by their upper-case forms, so that two
// such files never collapse into one.
Integer CompareNames(StringView A, StringView B) {
  const Integer c = zcCompareStrings(A, B, true);
  if (c != 0) return c;
  const String a = zcUpperCase(A), b = zcUpperCase(B);
  return a == b ? 0 : a < b ? -1 : 1;
}

String LowerAscii(String Text) {
  for (Char& c : Text)
    if (c >= u'A' && c <= u'Z') c = static_cast<Char>(c + 32);
  return Text;
}
}  // namespace

// ---- errors ------------------------------------------------------------------------------------

void RaiseStreamCorrupted() { throw EZSEStreamCorrupted(u"Binary stream has been corrupted"); }
void RaiseUnsupportedCompression() { throw EZSEUnsupportedCompression(u"Unsupported compression is used"); }
void RaiseUnsupportedVersion(Integer Version) {
  throw EZSEUnsupportedVersion(u"Unsupported skin version. v%d.%d are required to use it",
                               {Version / 100, Version % 100});
}

// ---- identities --------------------------------------------------------------------------------

TZSESkinSignature TZSESkinSignature::Make(const char (&Text)[5], Byte AVersion) {
  TZSESkinSignature result;
  for (int i = 0; i < 4; ++i) result.Signature[i] = static_cast<Byte>(Text[i]);
  result.Version = AVersion;
  return result;
}

bool operator==(const TZSESkinSignature& A, const TZSESkinSignature& B) {
  return std::equal(A.Signature, A.Signature + 4, B.Signature) && A.Version == B.Version;
}

String TZSESkinSignature::ToString() const {
  const String text = TEncoding::GetANSI()->GetString(TBytes(Signature, Signature + 4));
  return Format(u"%s v%d", {text, Integer(Version)});
}

// ---- files -------------------------------------------------------------------------------------

String SkinFileKindToExt(TZSESkinFileKind Kind) { return Kind <= sfkLast ? String(GKindExt[Kind]) : String(); }

TZSESkinFileKind SkinFileExtToKind(const String& FileName) {
  const String ext = LowerAscii(zcExtractFileExt(FileName));
  for (TZSESkinFileKind kind = 0; kind <= sfkLast; ++kind)
    if (ext == GKindExt[kind]) return kind;
  if (ext == u".myimg") return sfkImage;
  if (ext == u".myimgset") return sfkImageSet;
  return sfkUnknown;
}

TZSESkinFile::TZSESkinFile(const String& AName, TZSESkinFileKind AKind, const IPtr<IZCLStreamContainer>& AData)
    : FData(AData), FName(AName), FKind(AKind) {}

String TZSESkinFile::GetHash() const {
  TZCLHashState state;
  TZCLHashMD5::Initialize(state);
  std::array<Byte, 16> digest{};
  if (FData) {
    TContainerLock lock(FData.get());
    TZCLHashMD5::UpdateFromStream(state, lock.Stream(), nullptr);
  }
  TZCLHashMD5::Finalize(state, digest);
  return LowerCase(TZCLHexcode::Encode(digest.data(), 16));
}

bool TZSESkinFiles::Search(StringView Name, TZSESkinFileKind Kind, Integer& Index) const {
  Integer low = 0, high = GetCount() - 1;
  while (low <= high) {
    const Integer mid = (low + high) / 2;
    TZSESkinFile* file = GetItem(mid);
    Integer c = Integer(file->FKind) - Integer(Kind);
    if (c == 0) c = CompareNames(file->FName, Name);
    if (c == 0) {
      Index = mid;
      return true;
    }
    if (c < 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  Index = low;
  return false;
}

TZSESkinFile* TZSESkinFiles::Add(const String& Name, TZSESkinFileKind Kind, const IPtr<IZCLStreamContainer>& Data) {
  Integer index;
  if (Search(Name, Kind, index)) {
    TZSESkinFile* file = GetItem(index);
    file->FData = Data;
    return file;
  }
  auto* file = Create<TZSESkinFile>(Name, Kind, Data);
  Insert(index, file);
  return file;
}

TZSESkinFile* TZSESkinFiles::Add(const String& Name, TZSESkinFileKind Kind, TStream* Stream, Int64 Size) {
  return Add(Name, Kind, IPtr<IZCLStreamContainer>(Create<TZCLStreamContainer>(Stream, Size)));
}

TZSESkinFile* TZSESkinFiles::Add(const String& Name, TZSESkinFileKind Kind, const TZSESkinFileWriter& Writer) {
  return Add(Name, Kind, NewContainer(Writer));
}

TZSESkinFile* TZSESkinFiles::AddFromResource(const String& Name, TZSESkinFileKind Kind, const void* Instance,
                                             StringView ResName, StringView ResType) {
  TResourceStream stream(Instance, ResName, ResType);
  return Add(Name, Kind, &stream, -1);
}

TZSESkinFile* TZSESkinFiles::AddFile(const String& FileName, const IPtr<IZCLStreamContainer>& Data) {
  const TZSESkinFileKind kind = SkinFileExtToKind(FileName);
  return Add(kind == sfkUnknown ? FileName : zcChangeFileExt(FileName, u""), kind, Data);
}

TZSESkinFile* TZSESkinFiles::AddFromStream(const String& FileName, TStream* Stream, Int64 Size) {
  return AddFile(FileName, IPtr<IZCLStreamContainer>(Create<TZCLStreamContainer>(Stream, Size)));
}

bool TZSESkinFiles::Find(StringView Name, TZSESkinFileKind Kind, TZSESkinFile*& File) const {
  Integer index;
  const bool found = Search(Name, Kind, index);
  File = found ? GetItem(index) : nullptr;
  return found;
}

void TZSESkinFiles::Delete(StringView Name, TZSESkinFileKind Kind) {
  Integer index;
  if (Search(Name, Kind, index)) Delete(index);
}

void TZSESkinFiles::Remove(TZSESkinFile* File) {
  const Integer index = IndexOf(File);
  if (index >= 0) Delete(index);
}

void TZSESkinFiles::Rename(const String& OldName, const String& NewName, TZSESkinFileKind Kind) {
  if (OldName == NewName) return;
  TZSESkinFile* file;
  if (!Find(OldName, Kind, file)) return;
  const IPtr<IZCLStreamContainer> data = file->FData;
  Remove(file);
  Add(NewName, Kind, data);
}

void TZSESkinFiles::SaveToStream(TStream* Stream) const {
  StreamWriteInteger(Stream, GetCount());
  for (Integer i = 0; i < GetCount(); ++i) {
    TZSESkinFile* file = GetItem(i);
    StreamWriteStringWithLength(Stream, file->FName);
    if (!file->FData) {
      StreamWriteInteger(Stream, 0);
      Stream->WriteBuffer(&file->FKind, 1);
      continue;
    }
    TContainerLock lock(file->FData.get());
    const Int64 size = lock.Stream()->GetSize();
    if (size > 0x7FFFFFFF) throw EWriteError(u"Skin file %s is too large", {file->FName});
    StreamWriteInteger(Stream, static_cast<Integer>(size));
    Stream->WriteBuffer(&file->FKind, 1);
    StreamCopyAll(Stream, lock.Stream());
  }
}

void TZSESkinFiles::LoadFromStream(TStream* Stream) {
  Clear();
  Integer count = 0;
  Stream->ReadBuffer(&count, 4);
  for (Integer i = 0; i < count; ++i) {
    String name;
    StreamReadStringWithLength(Stream, name);
    Integer size = 0;
    Stream->ReadBuffer(&size, 4);
    Byte kind = 0;
    Stream->ReadBuffer(&kind, 1);
    // A size beyond the stream is a stream that ends early; a negative one is no size at all.
    if (size < 0 || size > StreamGetBytesLeft(Stream)) throw EReadError(u"Stream read error");
    Add(name, kind, Stream, size);
  }
}

// ---- details -----------------------------------------------------------------------------------

TZSESkinDetails::TZSESkinDetails() : FPreview(Create<TZCLBitmap>()) {}

TZSESkinDetails::~TZSESkinDetails() { Free(FPreview); }

void TZSESkinDetails::BeforeDestruction() {
  TZCLObjectLinks::Release(this);
  inherited::BeforeDestruction();
}

void TZSESkinDetails::DeclareProperties(TClassDeclaration<TZSESkinDetails>& D) {
  D.Property(u"Name", &TZSESkinDetails::GetName, &TZSESkinDetails::SetName);
  D.Property(u"Author", &TZSESkinDetails::GetAuthor, &TZSESkinDetails::SetAuthor);
  D.Property(u"Description", &TZSESkinDetails::GetDescription, &TZSESkinDetails::SetDescription);
}

void TZSESkinDetails::Assign(TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (auto* details = dynamic_cast<TZSESkinDetails*>(Source)) {
    FName = details->FName;
    FAuthor = details->FAuthor;
    FDescription = details->FDescription;
    FPreview->Assign(details->FPreview);
    FVersion = details->FVersion;
    return;
  }
  inherited::Assign(Source);
}

void TZSESkinDetails::Clear() {
  FName.clear();
  FAuthor.clear();
  FDescription.clear();
  FPreview->SetSize(0, 0);
  FVersion = TZSESkinVersion();
}

void TZSESkinDetails::SetAuthor(const String& Value) { FAuthor = Trim(Value); }

void TZSESkinDetails::SetDescription(const String& Value) { FDescription = Trim(Value); }

void TZSESkinDetails::SaveToStream(TStream* Stream) {
  StreamWriteStringWithLength(Stream, FName);
  StreamWriteStringWithLength(Stream, FAuthor);
  StreamWriteStringWithLength(Stream, FDescription);
  const Byte hasPreview = FPreview->GetEmpty() ? 0 : 1;
  Stream->WriteBuffer(&hasPreview, 1);
  if (hasPreview) FPreview->SaveToStream(*Stream);
}

void TZSESkinDetails::LoadFromStream(TStream* Stream) {
  StreamReadStringWithLength(Stream, FName);
  StreamReadStringWithLength(Stream, FAuthor);
  StreamReadStringWithLength(Stream, FDescription);
  Byte hasPreview = 0;
  Stream->ReadBuffer(&hasPreview, 1);
  FPreview->SetSize(0, 0);
  if (!hasPreview) return;
  // The BMP file header gives the preview's whole size: the stream continues after it whether
  // or not the picture can be decoded.
  const Int64 start = Stream->GetPosition();
  Byte header[6];
  Stream->ReadBuffer(header, 6);
  const Cardinal size =
      Cardinal(header[2]) | (Cardinal(header[3]) << 8) | (Cardinal(header[4]) << 16) | (Cardinal(header[5]) << 24);
  if (size < 6 || static_cast<Int64>(size) > Stream->GetSize() - start) throw EReadError(u"Stream read error");
  Stream->SetPosition(start);
  TMemoryStream* picture = StreamReadMemoryStream(Stream, size);
  try {
    FPreview->LoadFromStream(*picture);
  } catch (const Exception&) {
    FPreview->SetSize(0, 0);
  }
  Free(picture);
  Stream->SetPosition(start + size);
}

// ---- resources ---------------------------------------------------------------------------------

TZSESkinResources::TZSESkinResources() : FFiles(Create<TZSESkinFiles>()) {}

TZSESkinResources::~TZSESkinResources() { Free(FFiles); }

bool TZSESkinResources::CanSaveImageSetItem(TZCLSkinImageSetItem*) { return true; }

void TZSESkinResources::Save(const String& Name, TZSESkinFileKind Kind, const TZSESkinFileWriter& Writer) {
  FFiles->Add(Name, Kind, Writer);
}

bool TZSESkinResources::Load(const String& Name, TZSESkinFileKind Kind, const TZSESkinFileReader& Reader) {
  if (Name.empty()) return false;
  TZSESkinFile* file;
  if (!FFiles->Find(Name, Kind, file) || !file->GetData()) return false;
  // The container may be shared with another skin: hold a reference while it is read.
  const IPtr<IZCLStreamContainer> data = file->GetData();
  TContainerLock lock(data.get());
  Reader(lock.Stream());
  return true;
}

void TZSESkinResources::LoadBitmap(const String& Name, TBitmap* Bitmap) {
  if (!Load(Name, sfkBitmap, [&](TStream* Stream) { Bitmap->LoadFromStream(*Stream); })) Bitmap->SetSize(0, 0);
}

bool TZSESkinResources::LoadIniFile(const String& Name, TZCLIniFile* IniFile) {
  return Load(Name, sfkIni, [&](TStream* Stream) { IniFile->LoadFromStream(Stream); });
}

String TZSESkinResources::LoadText(const String& Name) {
  String text;
  Load(Name, sfkText, [&](TStream* Stream) { text = zcStreamReadText(Stream, nullptr); });
  return text;
}

TZCLXMLDocument* TZSESkinResources::LoadDocument(const String& Name) {
  auto* document = Create<TZCLXMLDocument>();
  try {
    LoadDocument(Name, document);
  } catch (...) {
    Free(document);
    throw;
  }
  return document;
}

void TZSESkinResources::LoadDocument(const String& Name, TZCLXMLDocument* Document) {
  if (!Load(Name, sfkDocument, [&](TStream* Stream) { Document->LoadFromStream(Stream); })) Document->Clear();
}

void TZSESkinResources::LoadImage(const String& Name, TZCLSkinImage* Image) {
  auto reader = [&](TStream* Stream) { Image->LoadFromStream(*Stream); };
  if (!Load(Name, sfkImage, reader) && !Load(Name, sfkBitmap, reader)) Image->Clear();
}

void TZSESkinResources::LoadImageForDpi(const String& Name, Integer DPI, TZCLSkinImageSet* ImageSet) {
  TZSESkinFile* file;
  TZSESkinFileKind kind = sfkImage;
  if (!FFiles->Find(Name, kind, file)) {
    kind = sfkBitmap;
    if (!FFiles->Find(Name, kind, file)) return;
  }
  auto* item = Create<TZCLSkinImageSetItem>();
  try {
    item->SetDPI(DPI);
    Load(Name, kind, [&](TStream* Stream) { item->LoadFromStream(*Stream); });
  } catch (...) {
    Free(item);
    throw;
  }
  ImageSet->AddOrReplace(item);
}

void TZSESkinResources::LoadImage(const String& Name, TZCLSkinImageSet* ImageSet) {
  ImageSet->BeginUpdate();
  try {
    ImageSet->Clear();
    TZSESkinFile* file;
    if (FFiles->Find(Name, sfkImageSet, file)) {
      auto* doc = Create<TZCLXMLDocument>();
      try {
        Load(Name, sfkImageSet, [&](TStream* Stream) { doc->LoadFromStream(Stream); });
        if (TZCLXMLNode* root = doc->FindNode(u"imageSet")) {
          for (Integer i = 0; i < root->GetCount(); ++i) {
            TZCLXMLNode* image = root->GetNode(i);
            if (image->GetNodeName() != u"image") continue;
            LoadImageForDpi(image->GetNodeValue(), image->GetAttributes()->GetValueAsInteger(u"dpi", 0), ImageSet);
          }
        }
      } catch (...) {
        Free(doc);
        throw;
      }
      Free(doc);
    } else {
      LoadImageForDpi(Name, 96, ImageSet);
    }
  } catch (...) {
    ImageSet->EndUpdate();
    throw;
  }
  ImageSet->EndUpdate();
}

void TZSESkinResources::SaveBitmap(const String& Name, TBitmap* Bitmap) {
  if (Bitmap->GetEmpty()) return;
  Save(Name, sfkBitmap, [&](TStream* Stream) { Bitmap->SaveToStream(*Stream); });
}

void TZSESkinResources::SaveIniFile(const String& Name, TZCLIniFile* IniFile) {
  Save(Name, sfkIni, [&](TStream* Stream) { IniFile->SaveToStreamUTF16(Stream); });
}

void TZSESkinResources::SavePlainText(const String& Name, const String& Text) {
  if (IsBlank(Text)) {
    FFiles->Delete(Name, sfkText);
    return;
  }
  Save(Name, sfkText, [&](TStream* Stream) { zcStreamWriteText(Stream, Text, TEncoding::GetUnicode(), true); });
}

void TZSESkinResources::SaveSchema(const String& Name, TZCLXMLDocument* Document, TZSESkinFileKind Kind) {
  const TZCLXMLDocumentFormat form = FOptimized ? TZCLXMLDocumentFormat::Binary() : TZCLXMLDocumentFormat{0x01010001};
  Save(Name, Kind, [&](TStream* Stream) { Document->SaveToStream(Stream, form); });
}

void TZSESkinResources::SaveImage(const String& Name, TZCLSkinImage* Image) {
  Image->SetAlphaFormat(true);
  auto store = [&] { Save(Name, sfkImage, [&](TStream* Stream) { Image->SaveToStream(*Stream); }); };
  if (!FOptimized) {
    store();
    return;
  }
  const Int64 pixels = Int64(Image->GetWidth()) * Image->GetHeight();
  const TZCLSkinImageCompression level = pixels > 300000000 ? sicFastest : pixels > 50000000 ? sicDefault : sicMaximum;
  if (level == ZCLSkinImageCompression) {
    store();
    return;
  }
  const TZCLSkinImageCompression previous = ZCLSkinImageCompression;
  ZCLSkinImageCompression = level;
  try {
    // A dormant image would otherwise write its block packed at the old level.
    Image->CheckUnpacked();
    store();
  } catch (...) {
    ZCLSkinImageCompression = previous;
    throw;
  }
  ZCLSkinImageCompression = previous;
}

void TZSESkinResources::SaveImage(const String& Name, TZCLSkinImageSet* ImageSet) {
  if (Name.empty()) return;
  if (ImageSet->GetCount() <= 1) {
    if (ImageSet->GetCount() == 1) SaveImage(Name, static_cast<TZCLSkinImage*>(ImageSet->GetItem(0)));
    return;
  }
  auto* document = Create<TZCLXMLDocument>();
  try {
    TZCLXMLNode* root = document->Add(u"imageSet");
    for (Integer i = 0; i < ImageSet->GetCount(); ++i) {
      TZCLSkinImageSetItem* item = ImageSet->GetItem(i);
      if (!CanSaveImageSetItem(item)) continue;
      const String fileName = item->GetDPI() == 96 ? Name : Name + u"-" + IntToStr(item->GetDPI());
      TZCLXMLNode* image = root->Add(u"image");
      image->GetAttributes()->SetValueAsInteger(u"dpi", item->GetDPI());
      image->SetNodeValue(fileName);
      SaveImage(fileName, static_cast<TZCLSkinImage*>(item));
    }
    SaveSchema(Name, document, sfkImageSet);
  } catch (...) {
    Free(document);
    throw;
  }
  Free(document);
}

// ---- skin --------------------------------------------------------------------------------------

TZSESkin::TZSESkin() : TZSESkin(Create<TZSESkinResources>(), true) {}

TZSESkin::TZSESkin(TZSESkinResources* AResources, bool AOwnsResources)
    : FDetails(Create<TZSESkinDetails>()), FResources(AResources), FOwnsResources(AOwnsResources) {}

TZSESkin::~TZSESkin() {
  Free(FDetails);
  if (FOwnsResources) Free(FResources);
}

void TZSESkin::Clear() {
  FDetails->Clear();
  GetFiles()->Clear();
}

// ---- fonts -------------------------------------------------------------------------------------

TZSESkinFont::TZSESkinFont(TStream* Stream, const String& AName, bool KeepData) : FFileName(AName) {
  FData = StreamCreateMemoryCopy(Stream);
  DWORD installed = 0;
  FHandle = ::AddFontMemResourceEx(FData->GetMemory(), static_cast<DWORD>(FData->GetSize()), nullptr, &installed);
  const String plainName = zcExtractFileNameWithoutExt(AName);
  if (!FHandle || installed == 0 || !TrueTypeGetFontName(FData, FName)) FName = plainName;
  FData->SetPosition(0);
  if (!KeepData) FreeAndNil(FData);
}

TZSESkinFont::~TZSESkinFont() {
  if (FHandle) ::RemoveFontMemResourceEx(static_cast<HANDLE>(FHandle));
  Free(FData);
}

TStream* TZSESkinFont::GetData() {
  if (FData) FData->SetPosition(0);
  return FData;
}

TZSESkinFonts::TZSESkinFonts() : FItems(Create<TZCLListOf<IPtr<IZSESkinFont>>>()) {}

TZSESkinFonts::~TZSESkinFonts() { Free(FItems); }

IZSESkinFont* TZSESkinFonts::Add(TStream* Stream, const String& Name) {
  IPtr<IZSESkinFont> font(Create<TZSESkinFont>(Stream, Name, FKeepData));
  FItems->Add(font);
  return font.get();
}

IZSESkinFont* TZSESkinFonts::Add(TZSESkinFile* File) {
  const IPtr<IZCLStreamContainer> data = File->GetData();
  TContainerLock lock(data.get());
  return Add(lock.Stream(), File->GetName());
}

IZSESkinFont* TZSESkinFonts::Add(const String& FileName) {
  TZCLFileStream file(FileName, fmOpenRead | fmShareDenyNone);
  return Add(&file, zcExtractFileNameWithoutExt(FileName));
}

void TZSESkinFonts::Assign(TZSESkinFonts* Source) {
  Clear();
  FItems->SetCapacity(Source->GetCount());
  for (Integer i = 0; i < Source->GetCount(); ++i) {
    IZSESkinFont* font = Source->GetItem(i);
    if (!font->GetData()) throw Exception(u"Cannot assign font, TZSESkinFont.Data is nil");
    FItems->Add(IPtr<IZSESkinFont>(font));
  }
}

void TZSESkinFonts::Clear() { FItems->Clear(); }

void TZSESkinFonts::Delete(Integer Index) { FItems->Delete(Index); }

void TZSESkinFonts::LoadFromSkin(TZSESkin* Skin) {
  TZSESkinFiles* files = Skin->GetFiles();
  for (Integer i = 0; i < files->GetCount(); ++i)
    if (files->GetItem(i)->GetKind() == sfkFont) Add(files->GetItem(i));
}

void TZSESkinFonts::SaveToSkin(TZSESkin* Skin) {
  for (Integer i = 0; i < GetCount(); ++i) {
    IZSESkinFont* font = GetItem(i);
    TStream* data = font->GetData();
    if (!data) continue;
    Skin->GetResources()->Save(font->GetFileName(), sfkFont, [&](TStream* Stream) { StreamCopyAll(Stream, data); });
  }
}

// ---- formats and converters --------------------------------------------------------------------

void TZSESkinFormat::LoadDetails(Self Class, TStream* Stream, TZSESkinDetails* Details) {
  auto* skin = Create<TZSESkin>();
  try {
    Class->Load(Stream, skin, nullptr);
    Details->Assign(skin->GetDetails());
  } catch (...) {
    Free(skin);
    throw;
  }
  Free(skin);
}

void TZSESkinFormat::Save(Self Class, TStream*, TZSESkin*, const TZCLProgressEvent&) {
  throw ENotSupportedException(Class->ClassName() + u".Save");
}

bool TZSESkinFormatList::Find(const TZSESkinSignature& Identity, TZSESkinFormatClass& Format) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetItem(i)->GetSignature() == Identity) {
      Format = GetItem(i);
      return true;
    }
  Format = nullptr;
  return false;
}

bool TZSESkinConverterList::Find(TZSESkinVersion Version, TZSESkinConverterClass& Converter) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetItem(i)->GetSourceVersion().Number == Version.Number) {
      Converter = GetItem(i);
      return true;
    }
  Converter = nullptr;
  return false;
}

TZSESkinFormatList* SkinFormats() {
  if (!GFormats) GFormats = Create<TZSESkinFormatList>();
  return GFormats;
}

TZSESkinConverterList* SkinConverters() {
  if (!GConverters) GConverters = Create<TZSESkinConverterList>();
  return GConverters;
}

void SkinsInitialize() {
  SkinFormats();
  SkinConverters();
  RegisterProperties<TZSESkinDetails>();
}

void SkinsFinalize() {
  FreeAndNil(GConverters);
  FreeAndNil(GFormats);
}

// ---- packages ----------------------------------------------------------------------------------

String SkinUserFolder() {
  return GUserFolder.empty() ? IncludeTrailingPathDelimiter(GetProgramFolder()) + u"Profile/Skins/" : GUserFolder;
}

String SkinProgramFolder() {
  return GProgramFolder.empty() ? IncludeTrailingPathDelimiter(GetProgramFolder()) + u"Skins/" : GProgramFolder;
}

void SetSkinFolders(const String& UserFolder, const String& ProgramFolder) {
  GUserFolder = UserFolder.empty() ? String() : IncludeTrailingPathDelimiter(UserFolder);
  GProgramFolder = ProgramFolder.empty() ? String() : IncludeTrailingPathDelimiter(ProgramFolder);
}

TZSESkinPackage TZSESkinPackage::Create(const String& FileNameOrName) {
  TZSESkinPackage package;
  package.FName = zcExtractFileName(FileNameOrName);
  if (package.FName.size() != FileNameOrName.size()) package.FFileName = FileNameOrName;
  return package;
}

String TZSESkinPackage::GetFileName() const {
  if (IsDefault()) return String();
  if (FFileName.empty()) {
    const String user = SkinUserFolder() + FName;
    FFileName = zcFileExists(user) ? user : SkinProgramFolder() + FName;
  }
  return FFileName;
}

String TZSESkinPackage::GetDisplayName() const {
  return IsDefault() ? String(u"Default") : zcExtractFileNameWithoutExt(FName);
}

String TZSESkinPackage::GetBackupFileName() const { return SkinUserFolder() + FName + u".bak"; }

String TZSESkinPackage::GetSettingsFileName() const { return SkinUserFolder() + GetDisplayName() + u".ini"; }

TZCLIniFile* TZSESkinPackage::CreateSettingsFile() const { return ::Create<TZCLIniFile>(GetSettingsFileName()); }

TStream* TZSESkinPackage::OpenStream() const {
  if (IsDefault()) {
    if (!ResourceExists(nullptr, u"SKIN", u"RCDATA")) return nullptr;
    return ::Create<TResourceStream>(nullptr, u"SKIN", u"RCDATA");
  }
  return ::Create<TZCLFileStream>(GetFileName(), fmOpenRead | fmShareDenyNone);
}

bool TZSESkinPackage::Exists() const { return IsDefault() || zcFileExists(GetFileName()); }

Integer TZSESkinPackage::GetAge() const { return zcFileGetDosAge(GetFileName()); }

bool operator==(const TZSESkinPackage& A, const TZSESkinPackage& B) { return zcSameText(A.FName, B.FName); }

// ---- manager -----------------------------------------------------------------------------------

void TZSESkinManager::Load(TStream* Stream, TZSESkin* Skin, TZSESkinDetails* Details,
                           const TZCLProgressEvent& Progress) {
  if (!Stream) throw EZSEInvalidArgument(u"Stream is nil");
  if (!Skin && !Details) throw EZSEInvalidArgument(u"Skin and Details are nil");
  TZSESkinSignature identity;
  Stream->ReadBuffer(identity.Signature, 4);
  Stream->ReadBuffer(&identity.Version, 1);
  TZSESkinFormatClass format;
  if (!SkinFormats()->Find(identity, format))
    throw EZSEInvalidFormat(u"%s is invalid skin format", {identity.ToString()});
  if (!Skin) {
    format->LoadDetails(Stream, Details);
    return;
  }
  format->Load(Stream, Skin, Progress);
  if (Details) Details->Assign(Skin->GetDetails());
}

void TZSESkinManager::LoadFromStream(TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress) {
  Load(Stream, Skin, nullptr, Progress);
}

void TZSESkinManager::LoadFromFile(const String& FileName, TZSESkin* Skin, const TZCLProgressEvent& Progress) {
  TZCLFileStream stream(FileName, fmOpenRead | fmShareDenyNone);
  LoadFromStream(&stream, Skin, Progress);
}

void TZSESkinManager::LoadFromPackage(const TZSESkinPackage& Package, TZSESkin* Skin,
                                      const TZCLProgressEvent& Progress) {
  TStream* stream = Package.OpenStream();
  try {
    LoadFromStream(stream, Skin, Progress);
  } catch (...) {
    Free(stream);
    throw;
  }
  Free(stream);
}

bool TZSESkinManager::UpgradeVersion(Integer RequiredVersion, TZSESkin* Skin) {
  TZSESkinVersion version = Skin->GetDetails()->GetVersion();
  while (version.Number != RequiredVersion) {
    TZSESkinConverterClass converterClass;
    if (!SkinConverters()->Find(version, converterClass)) break;
    // A converter that does not raise the version would never end the loop.
    if (converterClass->GetTargetVersion().Number <= version.Number) break;
    TZSESkinConverter* converter = converterClass->Create<TZSESkinConverter>(Skin);
    try {
      converter->Convert();
    } catch (...) {
      Free(converter);
      throw;
    }
    Free(converter);
    version = converterClass->GetTargetVersion();
  }
  Skin->GetDetails()->SetVersion(version);
  return version.Number == RequiredVersion;
}

bool TZSESkinManager::SaveToPackage(TZSESkinPackage& Package, TZSESkin* Skin, TZSESkinFormatClass Format) {
  if (Package.IsDefault()) return false;
  const String oldName = Package.GetFileName();
  const String newName = SkinUserFolder() + Package.GetDisplayName() + Format->GetExtension();
  const String backupName = Package.GetBackupFileName();
  if (!FileExists(oldName) || FileExists(backupName)) return false;
  const String tempName = newName + u".tmp";
  const String tempBackupName = backupName + u".tmp";

  // The new package is complete on disk before anything of the old one moves.
  try {
    TZCLFileStream stream(tempName, fmCreate);
    Format->Save(&stream, Skin, nullptr);
    ::fsync(stream.GetHandle());
  } catch (...) {
    DeleteFile(tempName);
    throw;
  }
  // The backup is a complete copy under its own name before the new package takes its place, and
  // the old package goes last: an interruption at any point leaves the old package or its
  // backup whole.
  DeleteFile(tempBackupName);
  if (!CopyFile(oldName, tempBackupName, false) || !MoveFile(tempBackupName, backupName, false)) {
    DeleteFile(tempName);
    DeleteFile(tempBackupName);
    return false;
  }
  if (!MoveFile(tempName, newName, true)) {
    DeleteFile(tempName);
    DeleteFile(backupName);
    return false;
  }
  if (oldName != newName) DeleteFile(oldName);
  Package = TZSESkinPackage::Create(newName);
  return true;
}

bool TZSESkinManager::FindPackage(const String& FileName, TZSESkinPackage& Package) {
  if (zcFileExists(FileName)) {
    Package = TZSESkinPackage::Create(FileName);
    return true;
  }
  Package = TZSESkinPackage();
  return false;
}

bool TZSESkinManager::FindPackageByName(const String& Name, TZSESkinPackage& Package) {
  Package = TZSESkinPackage();
  if (Name.empty()) return true;
  for (const String& folder : {SkinUserFolder(), SkinProgramFolder()})
    for (Integer i = 0; i < SkinFormats()->GetCount(); ++i)
      if (FindPackage(folder + Name + SkinFormats()->GetItem(i)->GetExtension(), Package)) return true;
  Package = TZSESkinPackage();
  return false;
}

String TZSESkinManager::GetFileMasks() {
  String result;
  std::vector<String> masks;
  for (Integer i = 0; i < SkinFormats()->GetCount(); ++i) {
    const String mask = u"*" + SkinFormats()->GetItem(i)->GetExtension();
    if (std::any_of(masks.begin(), masks.end(), [&](const String& m) { return zcSameText(m, mask); })) continue;
    masks.push_back(mask);
    result += mask + u";";
  }
  return result;
}

#include "zeph/media/ZBL.FileInfo.h"

#include <cmath>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Parsers.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
TZBLFileDatesProc GFileDatesProc = nullptr;

constexpr Integer LongTextLimit = 524288;
constexpr Integer LinkLimit = 2048;
constexpr Integer TextLimit = 360;

// ---- stream form ------------------------------------------------------------------------------

[[noreturn]] void RaiseDamaged() { throw EReadError(u"Stream read error"); }

// A count read from the stream must fit in what is left before anything is allocated for it.
void CheckAvailable(TStream* Stream, Int64 Bytes) {
  if (Bytes < 0 || Bytes > StreamGetBytesLeft(Stream)) RaiseDamaged();
}

template <class T>
T ReadValue(TStream* Stream) {
  T value{};
  Stream->ReadBuffer(&value, sizeof(T));
  return value;
}

template <class T>
void WriteValue(TStream* Stream, T Value) {
  Stream->WriteBuffer(&Value, sizeof(T));
}

String ReadChars(TStream* Stream, Int64 Count) {
  CheckAvailable(Stream, Count * 2);
  String text(static_cast<size_t>(Count), u'\0');
  if (Count > 0) Stream->ReadBuffer(text.data(), Count * 2);
  return text;
}

AnsiString ReadBytes(TStream* Stream, Int64 Count) {
  CheckAvailable(Stream, Count);
  AnsiString bytes(static_cast<size_t>(Count), '\0');
  if (Count > 0) Stream->ReadBuffer(bytes.data(), Count);
  return bytes;
}

String ReadLongString(TStream* Stream) { return ReadChars(Stream, ReadValue<Integer>(Stream)); }

void WriteLongString(TStream* Stream, const String& Text) {
  WriteValue<Integer>(Stream, static_cast<Integer>(Text.size()));
  if (!Text.empty()) Stream->WriteBuffer(Text.data(), static_cast<Int64>(Text.size()) * 2);
}

void ReadStreamInfo(TStream* Stream, TZBLStreamInfo& Info) {
  Info.Codec = ReadChars(Stream, ReadValue<Word>(Stream));
  Info.Bitrate = ReadValue<Integer>(Stream);
  Info.BitDepth = static_cast<SmallInt>(ReadValue<Integer>(Stream));
  Info.Channels = static_cast<Word>(ReadValue<Integer>(Stream));
  Info.Duration = ReadValue<Cardinal>(Stream);
  Info.SampleRate = ReadValue<Cardinal>(Stream);
  Info.StreamSize = ReadValue<Int64>(Stream);
}

void WriteStreamInfo(TStream* Stream, const TZBLStreamInfo& Info) {
  // Only the low 16 bits of the length fit its count; that many characters are written.
  const Word length = static_cast<Word>(Info.Codec.size());
  WriteValue<Word>(Stream, length);
  if (length) Stream->WriteBuffer(Info.Codec.data(), static_cast<Int64>(length) * 2);
  WriteValue<Integer>(Stream, Info.Bitrate);
  WriteValue<Integer>(Stream, Info.BitDepth);
  WriteValue<Integer>(Stream, static_cast<Integer>(Info.Channels));
  WriteValue<Cardinal>(Stream, Info.Duration);
  WriteValue<Cardinal>(Stream, Info.SampleRate);
  WriteValue<Int64>(Stream, Info.StreamSize);
}

// ---- merging ----------------------------------------------------------------------------------

bool HasCharAbove126(const String& Text) {
  for (Char c : Text)
    if (c > 126) return true;
  return false;
}

// Whether the own text D gives way to the source text S.
bool MergeTakes(const String& D, const String& S, bool Prefer, bool Limited) {
  if (S.empty()) return false;
  if (!Prefer || Limited) return D.empty();
  const bool sHigh = HasCharAbove126(S), dHigh = HasCharAbove126(D);
  if (sHigh != dHigh) return sHigh;
  return S.size() > D.size();
}

String CutTo(String Text, Integer Limit) {
  if (Text.size() > static_cast<size_t>(Limit)) Text.resize(static_cast<size_t>(Limit));
  return Text;
}

}  // namespace

TZBLFileDatesProc GetFileDatesProc() { return GFileDatesProc; }
void SetFileDatesProc(TZBLFileDatesProc Proc) { GFileDatesProc = Proc; }

void ZBLReadFileDates(const String& FileName, TDateTime& Created, TDateTime& Modified) {
  try {
    TZCLFileData data;
    if (!data.Load(FileName)) return;
    Created = data.CreationTime;
    Modified = data.LastWriteTime;
  } catch (...) {
    // The reader never raises: an unreadable file keeps its dates at 0.
  }
}

void detail::ZBLFileInfoInitialization() {
  SetFileDatesProc(ZBLReadFileDates);
  RegisterProperties<TZBLFileInfo>();
  RegisterProperties<TZBLPlayingFileInfo>();
}

// ---- TZBLCustomFileInfo -------------------------------------------------------------------------

TZBLCustomFileInfo::TZBLCustomFileInfo() = default;
TZBLCustomFileInfo::~TZBLCustomFileInfo() = default;

void TZBLCustomFileInfo::BeforeDestruction() {
  ++FUpdateCount;
  inherited::BeforeDestruction();
}

void TZBLCustomFileInfo::DeclareProperties(TClassDeclaration<TZBLCustomFileInfo>& D) {
  using C = TZBLCustomFileInfo;
  D.Property(u"BPM", &C::GetBPM, &C::SetBPM);
  D.Property(u"Rating", &C::GetRating, &C::SetRating);
  D.Property(u"FileDateOfCreation", &C::GetFileDateOfCreation);
  D.Property(u"FileDateOfModification", &C::GetFileDateOfModification);
  D.Property(u"FileSize", &C::GetFileSize, &C::SetFileSize);
  D.Property(u"FileName", &C::GetFileName, &C::SetFileName);
  static const char16_t* const names[ZBLFileInfoTextCount] = {
      u"Album",     u"AlbumArtist", u"Artist",    u"Comment",   u"Composer",  u"Copyright", u"Date",
      u"EncodedBy", u"Genre",       u"CueSheet",  u"Link",      u"Lyrics",    u"Title",     u"Track",
      u"Disk",      u"Publisher",   u"AlbumGain", u"AlbumPeak", u"TrackGain", u"TrackPeak", u"Mood",
      u"ISRC",      u"Catalog",     u"Lyricist",  u"Conductor", u"Key"};
  for (Integer i = 0; i < ZBLFileInfoTextCount; ++i) D.Property(names[i], i, &C::GetValue, &C::SetValue);
  D.Property(u"TrackNumber", &C::GetTrackNumber, &C::SetTrackNumber);
  D.Property(u"TrackTotal", &C::GetTrackTotal, &C::SetTrackTotal);
  D.Property(u"DiskNumber", &C::GetDiskNumber, &C::SetDiskNumber);
  D.Property(u"DiskTotal", &C::GetDiskTotal, &C::SetDiskTotal);
  D.Property(u"AlbumGainAsSingle", &C::GetAlbumGainAsSingle, &C::SetAlbumGainAsSingle);
  D.Property(u"TrackGainAsSingle", &C::GetTrackGainAsSingle, &C::SetTrackGainAsSingle);
  D.Property(u"AlbumPeakAsSingle", &C::GetAlbumPeakAsSingle, &C::SetAlbumPeakAsSingle);
  D.Property(u"TrackPeakAsSingle", &C::GetTrackPeakAsSingle, &C::SetTrackPeakAsSingle);
}

void TZBLCustomFileInfo::Assign(const TZBLCustomFileInfo* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (Source == this) return;
  BeginUpdate();
  try {
    SetFlag(zfifRawMode, true);
    DoAssign(Source);
  } catch (...) {
    SetFlag(zfifRawMode, false);
    EndUpdate();
    throw;
  }
  SetFlag(zfifRawMode, false);
  EndUpdate();
}

void TZBLCustomFileInfo::DoAssign(const TZBLCustomFileInfo* Source) {
  FFlags |= zfifChangePending;
  SetFileName(Source->FFileName);
  FStreamInfo = Source->FStreamInfo;
  FFileDateOfCreation = Source->FFileDateOfCreation;
  FFileDateOfModification = Source->FFileDateOfModification;
  for (Integer i = 0; i < ZBLFileInfoTextCount; ++i) FValues[i] = Source->FValues[i];
  FFileSize = Source->FFileSize;
  FRating = Source->FRating;
  FBPM = Source->FBPM;
}

TZBLCustomFileInfo* TZBLCustomFileInfo::Clone() const {
  TZBLCustomFileInfo* result = ClassType()->Create<TZBLCustomFileInfo>();
  try {
    result->Assign(this);
  } catch (...) {
    Free(result);
    throw;
  }
  return result;
}

void TZBLCustomFileInfo::Clear() {
  BeginUpdate();
  FStreamInfo.Clear();
  FFileSize = 0;
  ClearTags();
  Changed();
  EndUpdate();
}

void TZBLCustomFileInfo::ClearTags() {
  FRating = 0;
  FBPM = 0;
  for (String& value : FValues) value.clear();
}

bool TZBLCustomFileInfo::IsEmpty() const {
  if (FBPM != 0 || FRating != 0) return false;
  for (const String& value : FValues)
    if (!value.empty()) return false;
  return true;
}

void TZBLCustomFileInfo::BeginUpdate() { ++FUpdateCount; }

void TZBLCustomFileInfo::EndUpdate() {
  if (--FUpdateCount == 0 && (FFlags & zfifChangePending)) Changed();
}

void TZBLCustomFileInfo::Changed() {
  FFlags |= zfifChangePending;
  if (FUpdateCount == 0) {
    FFlags &= ~zfifChangePending;
    DoChanged();
  }
}

void TZBLCustomFileInfo::SetFlag(Word Flag, bool Value) {
  const Word flags = Value ? (FFlags | Flag) : (FFlags & ~Flag);
  if (flags == FFlags) return;
  FFlags = flags;
  if (Flag & ~(zfifRawMode | zfifChangePending)) FlagChanged(Flag);
}

void TZBLCustomFileInfo::Merge(const TZBLCustomFileInfo* Source, bool Prefer) {
  if (!Source) return;
  BeginUpdate();
  try {
    DoMerge(Source, Prefer);
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZBLCustomFileInfo::DoMerge(const TZBLCustomFileInfo* Source, bool Prefer) {
  const bool limited = Source->HasLimitedValues();
  for (Integer i = 0; i < ZBLFileInfoTextCount; ++i)
    if (MergeTakes(FValues[i], Source->FValues[i], Prefer, limited && i != fitLyrics)) SetValue(i, Source->FValues[i]);
  if (FBPM == 0) SetBPM(Source->FBPM);
  if (FRating == 0) FRating = Source->FRating;
}

void TZBLCustomFileInfo::Intersect(const TZBLCustomFileInfo* Other) {
  if (!Other) return;
  for (Integer i = 0; i < ZBLFileInfoTextCount; ++i)
    if (!zcSameText(FValues[i], Other->FValues[i])) FValues[i].clear();
  if (FBPM != Other->FBPM) SetBPM(0);
  if (FRating != Other->FRating) FRating = 0;
}

void TZBLCustomFileInfo::LoadFromStream(TStream* Stream) {
  ReadStreamInfo(Stream, FStreamInfo);
  FBPM = static_cast<SmallInt>(ReadValue<Integer>(Stream));
  FRating = static_cast<SmallInt>(ReadValue<Integer>(Stream));
  FFileSize = ReadValue<Int64>(Stream);
  for (String& value : FValues) value = ReadLongString(Stream);
}

void TZBLCustomFileInfo::SaveToStream(TStream* Stream) const {
  WriteStreamInfo(Stream, FStreamInfo);
  WriteValue<Integer>(Stream, FBPM);
  WriteValue<Integer>(Stream, FRating);
  WriteValue<Int64>(Stream, FFileSize);
  for (const String& value : FValues) WriteLongString(Stream, value);
}

const String& TZBLCustomFileInfo::GetValue(Integer Index) const {
  if (Index < 0 || Index >= ZBLFileInfoTextCount)
    throw EArgumentOutOfRangeException(u"Argument out of range [%d-%d] in %d", {0, ZBLFileInfoTextCount - 1, Index});
  return FValues[Index];
}

void TZBLCustomFileInfo::SetValue(Integer Index, const String& Value) {
  if (GetValue(Index) == Value) return;
  String value = Value;
  if (!GetFlag(zfifRawMode)) NormalizeValue(Index, value);
  FValues[Index] = std::move(value);
  Changed();
}

void TZBLCustomFileInfo::NormalizeValue(Integer Index, String& Value) const {
  for (Char& c : Value)
    if (c == 0 || c == u'\t') c = u' ';
  Value = zcTrim(Value);
  switch (Index) {
    case fitComment:
    case fitCueSheet:
    case fitLyrics:
      Value = CutTo(std::move(Value), LongTextLimit);
      break;
    case fitLink:
      Value = CutTo(std::move(Value), LinkLimit);
      break;
    case fitAlbumGain:
    case fitTrackGain:
      if (!Value.empty()) Value = TZBLStreamInfoUtils::GainToText(TZBLStreamInfoUtils::TextToFloat(Value));
      break;
    case fitAlbumPeak:
    case fitTrackPeak:
      if (!Value.empty()) Value = TZBLStreamInfoUtils::PeakToText(TZBLStreamInfoUtils::TextToFloat(Value));
      break;
    default:
      Value = CutTo(std::move(Value), TextLimit);
      break;
  }
}

Single TZBLCustomFileInfo::GetValueAsSingle(Integer Index) const {
  return static_cast<Single>(TZBLStreamInfoUtils::TextToFloat(FValues[Index]));
}

void TZBLCustomFileInfo::SetAlbumGainAsSingle(Single Value) {
  SetValue(fitAlbumGain, TZBLStreamInfoUtils::GainToText(Value));
}
void TZBLCustomFileInfo::SetAlbumPeakAsSingle(Single Value) {
  SetValue(fitAlbumPeak, TZBLStreamInfoUtils::PeakToText(Value));
}
void TZBLCustomFileInfo::SetTrackGainAsSingle(Single Value) {
  SetValue(fitTrackGain, TZBLStreamInfoUtils::GainToText(Value));
}
void TZBLCustomFileInfo::SetTrackPeakAsSingle(Single Value) {
  SetValue(fitTrackPeak, TZBLStreamInfoUtils::PeakToText(Value));
}

void TZBLCustomFileInfo::SetBPM(Integer Value) {
  SmallInt value = static_cast<SmallInt>(Value);
  if (value < 0) value = 0;
  if (value == FBPM) return;
  FBPM = value;
  Changed();
}

void TZBLCustomFileInfo::SetFileSize(Int64 Value) {
  if (Value == FFileSize) return;
  FFileSize = Value;
  Changed();
}

void TZBLCustomFileInfo::SetFileName(const String& Value) {
  if (Value == FFileName) return;
  BeginUpdate();
  FFileName = GetFlag(zfifRawMode) ? Value : zcTrim(zcExpandFileName(Value));
  FileNameChanged();
  Changed();
  EndUpdate();
}

void TZBLCustomFileInfo::FileNameChanged() {
  FFileDateOfCreation = -1;
  FFileDateOfModification = -1;
}

void TZBLCustomFileInfo::LoadFileDates(TDateTime& Created, TDateTime& Modified) const {
  if (GFileDatesProc) GFileDatesProc(FFileName, Created, Modified);
}

TDateTime TZBLCustomFileInfo::GetFileDateOfCreation() const {
  if (FFileDateOfCreation < 0) {
    FFileDateOfCreation = 0;
    FFileDateOfModification = 0;
    LoadFileDates(FFileDateOfCreation, FFileDateOfModification);
  }
  return FFileDateOfCreation;
}

TDateTime TZBLCustomFileInfo::GetFileDateOfModification() const {
  GetFileDateOfCreation();
  return FFileDateOfModification;
}

String TZBLCustomFileInfo::GetTrackNumber() const {
  String number, total;
  TZBLFileInfoTrackNumbersHelper::Split(FValues[fitTrack], number, total);
  return number;
}

void TZBLCustomFileInfo::SetTrackNumber(const String& Value) {
  SetValue(fitTrack, TZBLFileInfoTrackNumbersHelper::Join(Value, GetTrackTotal()));
}

String TZBLCustomFileInfo::GetTrackTotal() const {
  String number, total;
  TZBLFileInfoTrackNumbersHelper::Split(FValues[fitTrack], number, total);
  return total;
}

void TZBLCustomFileInfo::SetTrackTotal(const String& Value) {
  SetValue(fitTrack, TZBLFileInfoTrackNumbersHelper::Join(GetTrackNumber(), Value));
}

String TZBLCustomFileInfo::GetDiskNumber() const {
  String number, total;
  TZBLFileInfoTrackNumbersHelper::Split(FValues[fitDisk], number, total);
  return number;
}

void TZBLCustomFileInfo::SetDiskNumber(const String& Value) {
  SetValue(fitDisk, TZBLFileInfoTrackNumbersHelper::Join(Value, GetDiskTotal()));
}

String TZBLCustomFileInfo::GetDiskTotal() const {
  String number, total;
  TZBLFileInfoTrackNumbersHelper::Split(FValues[fitDisk], number, total);
  return total;
}

void TZBLCustomFileInfo::SetDiskTotal(const String& Value) {
  SetValue(fitDisk, TZBLFileInfoTrackNumbersHelper::Join(GetDiskNumber(), Value));
}

// ---- custom fields ----------------------------------------------------------------------------

TZBLFileInfoCustomField* TZBLFileInfoCustomFields::Add(const AnsiString& Name, const AnsiString& Value) {
  auto* field = new TZBLFileInfoCustomField(Name, Value);
  TZCLObjectList::Add(field);
  return field;
}

void TZBLFileInfoCustomFields::Assign(const TZBLFileInfoCustomFields* Source) {
  if (Source == this) return;
  Clear();
  if (!Source) return;
  for (Integer i = 0; i < Source->GetCount(); ++i) Add(Source->GetItem(i)->Name, Source->GetItem(i)->Value);
}

Integer TZBLFileInfoCustomFields::IndexOf(std::string_view Name) const {
  for (Integer i = GetCount() - 1; i >= 0; --i)
    if (SameTokenText(GetItem(i)->Name, Name)) return i;
  return -1;
}

bool TZBLFileInfoCustomFields::Find(std::string_view Name, TZBLFileInfoCustomField*& Field) const {
  const Integer index = IndexOf(Name);
  Field = index >= 0 ? GetItem(index) : nullptr;
  return Field != nullptr;
}

void TZBLFileInfoCustomFields::Remove(std::string_view Name) {
  const Integer index = IndexOf(Name);
  if (index >= 0) Delete(index);
}

// ---- TZBLFileInfo -------------------------------------------------------------------------------

TZBLFileInfo::TZBLFileInfo() : FCustomFields(new TZBLFileInfoCustomFields) {
  FCustomFields->OnChanged = TNotifyEvent(this, &TZBLFileInfo::CustomFieldsChanged);
}

TZBLFileInfo::~TZBLFileInfo() {
  FCustomFields->OnChanged = nullptr;
  Free(FCustomFields);
}

void TZBLFileInfo::DeclareProperties(TClassDeclaration<TZBLFileInfo>& D) {
  D.Property(u"PartOfCompilation", &TZBLFileInfo::GetPartOfCompilation, &TZBLFileInfo::SetPartOfCompilation);
}

void TZBLFileInfo::CustomFieldsChanged(TObject*) { Changed(); }

void TZBLFileInfo::DoChanged() {
  if (OnChange) OnChange(this);
}

void TZBLFileInfo::DoAssign(const TZBLCustomFileInfo* Source) {
  inherited::DoAssign(Source);
  if (const auto* source = dynamic_cast<const TZBLFileInfo*>(Source)) {
    SetAlbumArt(source->FAlbumArt);
    FCustomFields->Assign(source->FCustomFields);
    SetPartOfCompilation(source->FPartOfCompilation);
  }
}

void TZBLFileInfo::DoMerge(const TZBLCustomFileInfo* Source, bool Prefer) {
  inherited::DoMerge(Source, Prefer);
  if (const auto* source = dynamic_cast<const TZBLFileInfo*>(Source)) {
    if (source->FPartOfCompilation) SetPartOfCompilation(true);
    if (!FAlbumArt) SetAlbumArt(source->FAlbumArt);
  }
}

void TZBLFileInfo::ClearTags() {
  inherited::ClearTags();
  FAlbumArt = nullptr;
  FPartOfCompilation = false;
  FCustomFields->Clear();
}

bool TZBLFileInfo::IsEmpty() const {
  return inherited::IsEmpty() && FCustomFields->GetCount() == 0 && !FAlbumArt && !FPartOfCompilation;
}

void TZBLFileInfo::Intersect(const TZBLCustomFileInfo* Other) {
  inherited::Intersect(Other);
  const auto* other = dynamic_cast<const TZBLFileInfo*>(Other);
  if (!other) return;
  if (FPartOfCompilation != other->FPartOfCompilation) SetPartOfCompilation(false);
  if (!DataContainersEqual(FAlbumArt, other->FAlbumArt)) SetAlbumArt(nullptr);
}

void TZBLFileInfo::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  try {
    FCustomFields->Clear();
    inherited::LoadFromStream(Stream);
    SetPartOfCompilation(ReadValue<Byte>(Stream) != 0);
    const Integer count = ReadValue<Integer>(Stream);
    if (count > 0) {
      // Each field takes at least its two counts.
      CheckAvailable(Stream, static_cast<Int64>(count) * 6);
      for (Integer i = 0; i < count; ++i) {
        AnsiString name = ReadBytes(Stream, ReadValue<Word>(Stream));
        AnsiString value = ReadBytes(Stream, ReadValue<Integer>(Stream));
        FCustomFields->Add(name, value);
      }
    }
    const Integer artSize = ReadValue<Integer>(Stream);
    if (artSize > 0) {
      CheckAvailable(Stream, artSize);
      SetAlbumArt(IPtr<IZCLDataContainer>(Create<TZCLDataContainer>(Stream, artSize)));
    } else {
      SetAlbumArt(nullptr);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZBLFileInfo::SaveToStream(TStream* Stream) const {
  inherited::SaveToStream(Stream);
  WriteValue<Byte>(Stream, FPartOfCompilation ? 1 : 0);
  WriteValue<Integer>(Stream, FCustomFields->GetCount());
  for (Integer i = 0; i < FCustomFields->GetCount(); ++i) {
    const TZBLFileInfoCustomField* field = FCustomFields->GetItem(i);
    const Word nameLength = static_cast<Word>(field->Name.size());
    WriteValue<Word>(Stream, nameLength);
    if (nameLength) Stream->WriteBuffer(field->Name.data(), nameLength);
    WriteValue<Integer>(Stream, static_cast<Integer>(field->Value.size()));
    if (!field->Value.empty()) Stream->WriteBuffer(field->Value.data(), static_cast<Int64>(field->Value.size()));
  }
  if (FAlbumArt) {
    TMemoryStream* data = FAlbumArt->LockData();
    try {
      const Integer size = static_cast<Integer>(data->GetSize());
      WriteValue<Integer>(Stream, size);
      if (size > 0) Stream->WriteBuffer(data->GetMemory(), size);
    } catch (...) {
      FAlbumArt->UnlockData();
      throw;
    }
    FAlbumArt->UnlockData();
  } else {
    WriteValue<Integer>(Stream, 0);
  }
}

void TZBLFileInfo::SetAlbumArt(const IPtr<IZCLDataContainer>& Value) {
  if (FAlbumArt == Value) return;
  FAlbumArt = Value;
  Changed();
}

void TZBLFileInfo::SetPartOfCompilation(bool Value) {
  if (Value == FPartOfCompilation) return;
  FPartOfCompilation = Value;
  Changed();
}

// ---- TZBLPlayingFileInfo ----------------------------------------------------------------------

void TZBLPlayingFileInfo::Clear() {
  BeginUpdate();
  inherited::Clear();
  PlaylistItemIndex = -1;
  PlaylistItemCount = -1;
  for (String& text : FTexts) text.clear();
  EndUpdate();
}

const String& TZBLPlayingFileInfo::GetText(Integer Index) const {
  if (Index < 0 || Index >= TextCount)
    throw EArgumentOutOfRangeException(u"Argument out of range [%d-%d] in %d", {0, TextCount - 1, Index});
  return FTexts[Index];
}

void TZBLPlayingFileInfo::SetText(Integer Index, const String& Value) {
  if (GetText(Index) == Value) return;
  FTexts[Index] = Value;
  Changed();
}

void TZBLPlayingFileInfo::DoAssign(const TZBLCustomFileInfo* Source) {
  inherited::DoAssign(Source);
  if (const auto* source = dynamic_cast<const TZBLPlayingFileInfo*>(Source)) {
    for (Integer i = 0; i < TextCount; ++i) SetText(i, source->FTexts[i]);
    PlaylistItemIndex = source->PlaylistItemIndex;
    PlaylistItemCount = source->PlaylistItemCount;
  }
}

void TZBLPlayingFileInfo::DoMerge(const TZBLCustomFileInfo* Source, bool Prefer) {
  inherited::DoMerge(Source, Prefer);
  if (const auto* source = dynamic_cast<const TZBLPlayingFileInfo*>(Source)) {
    for (Integer i = 0; i < TextCount; ++i)
      if (MergeTakes(FTexts[i], source->FTexts[i], Prefer, false)) SetText(i, source->FTexts[i]);
    if (PlaylistItemIndex < 0) PlaylistItemIndex = source->PlaylistItemIndex;
    if (PlaylistItemCount < 0) PlaylistItemCount = source->PlaylistItemCount;
  }
}

// ---- chapters -----------------------------------------------------------------------------------

namespace {
bool SameSeconds(Double A, Double B) {
  const Double tolerance = std::max(1e-12, 1e-12 * std::min(std::fabs(A), std::fabs(B)));
  return std::fabs(A - B) <= tolerance;
}
}  // namespace

bool TZBLChapter::Equals(const TObject* Obj) const {
  const auto* other = dynamic_cast<const TZBLChapter*>(Obj);
  return other && SameSeconds(Start, other->Start) && SameSeconds(Finish, other->Finish) &&
         zcSameText(Title, other->Title);
}

TZBLChapter* TZBLChapters::Add(const String& Title, Double Start, Double Finish) {
  if (GetCount() > 0 && GetItem(GetCount() - 1)->Finish < 0) GetItem(GetCount() - 1)->Finish = Start;
  auto* chapter = new TZBLChapter(this, Title, Start, Finish);
  TZCLObjectList::Add(chapter);
  return chapter;
}

void TZBLChapters::Assign(const TZBLChapters* Source) {
  if (Source == this) return;
  Clear();
  if (!Source) return;
  EnsureCapacity(Source->GetCount());
  for (Integer i = 0; i < Source->GetCount(); ++i) {
    const TZBLChapter* chapter = Source->GetItem(i);
    Add(chapter->Title, chapter->Start, chapter->Finish);
  }
}

void TZBLChapters::CloseLast(Double Position) {
  if (GetCount() > 0 && GetItem(GetCount() - 1)->Finish < 0) GetItem(GetCount() - 1)->Finish = Position;
}

bool TZBLChapters::Equals(const TObject* Obj) const {
  const auto* other = dynamic_cast<const TZBLChapters*>(Obj);
  if (!other || other->GetCount() != GetCount()) return false;
  for (Integer i = 0; i < GetCount(); ++i)
    if (!GetItem(i)->Equals(other->GetItem(i))) return false;
  return true;
}

// ---- keeper and helpers -------------------------------------------------------------------------

TZBLFileInfoKeeper::TZBLFileInfoKeeper() : FInfo(Create<TZBLFileInfo>()) {}
TZBLFileInfoKeeper::TZBLFileInfoKeeper(TZBLFileInfo* AInfo) : FInfo(AInfo) {}
TZBLFileInfoKeeper::~TZBLFileInfoKeeper() { Free(FInfo); }

void TZBLFileInfoTrackNumbersHelper::Split(StringView Text, String& Number, String& Total) {
  const size_t slash = Text.find(u'/');
  if (slash == StringView::npos) {
    Number = String(Text);
    Total.clear();
  } else {
    Number = String(Text.substr(0, slash));
    Total = String(Text.substr(slash + 1));
  }
}

String TZBLFileInfoTrackNumbersHelper::Join(const String& Number, const String& Total) {
  if (Total.empty() || Number.find(u'/') != String::npos) return Number;
  return Number + u"/" + Total;
}

String TZBLFileInfoUtils::FormatDisplayText(const TZBLCustomFileInfo* Info) {
  const String& artist = Info->GetArtist();
  const String& title = Info->GetTitle();
  if (!artist.empty() && !title.empty()) return artist + u" - " + title;
  if (!title.empty()) return title;
  return zcExtractFileNameWithoutExt(zcExtractFileName(Info->GetFileName()));
}

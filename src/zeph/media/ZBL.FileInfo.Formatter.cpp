#include "zeph/media/ZBL.FileInfo.Formatter.h"

#include <atomic>
#include <mutex>
#include <random>

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Utils.FileSystem.Watcher.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
using TContext = TZBLFileInfoFormatStringContext;

bool DisplayForms(TContext* C) { return (C->Flags & zfcfDisplayForms) != 0; }

bool IsDigitChar(Char C) { return (C >= u'0' && C <= u'9') || (C >= 0xFF10 && C <= 0xFF19); }

// An argument as an integer; false when it is not one.
bool TryArgumentAsInteger(TZCLExpressionElements* Arguments, Integer Index, TZCLExpressionContext Context,
                          Integer& Value) {
  if (!Arguments || Arguments->GetCount() <= Index) return false;
  return TryStrToInt(Trim(VarToStr(Arguments->EvaluateItem(Index, Context))), Value);
}

String TwoDigits(Integer Value) {
  if (Value <= 0) return String();
  return Value < 10 ? u"0" + IntToStr(Value) : IntToStr(Value);
}

// ---- the record's texts ---------------------------------------------------------------------

struct TTextMacro {
  const char16_t* Name;
  const char16_t* Alias;  // null: none
  Integer Index;
};

const TTextMacro TextMacros[] = {
    {u"Album", u"A", fitAlbum},
    {u"AlbumArtist", nullptr, fitAlbumArtist},
    {u"AlbumGain", nullptr, fitAlbumGain},
    {u"Catalog", nullptr, fitCatalog},
    {u"Composer", nullptr, fitComposer},
    {u"Conductor", nullptr, fitConductor},
    {u"Copyright", nullptr, fitCopyright},
    {u"EncodedBy", nullptr, fitEncodedBy},
    {u"Genre", u"G", fitGenre},
    {u"ISRC", nullptr, fitISRC},
    {u"Link", nullptr, fitLink},
    {u"Lyricist", nullptr, fitLyricist},
    {u"Lyrics", nullptr, fitLyrics},
    {u"Mood", nullptr, fitMood},
    {u"Publisher", nullptr, fitPublisher},
    {u"TrackGain", nullptr, fitTrackGain},
    {u"Year", u"Y", fitDate},
};

void TextMacro(const TTextMacro* Macro, String& Value, TZCLExpressionContext Context) {
  if (auto* c = static_cast<TContext*>(Context); c && c->Info) Value = c->Info->GetValue(Macro->Index);
}

// Macros computed from the record; each gets the context with a record.
using TRecordMacroProc = void (*)(TContext* C, const TZBLCustomFileInfo* Info, String& Value);

struct TRecordMacro {
  const char16_t* Name;
  const char16_t* Alias;
  Byte Category;
  TRecordMacroProc Proc;
};

void RecordMacro(const TRecordMacro* Macro, String& Value, TZCLExpressionContext Context) {
  if (auto* c = static_cast<TContext*>(Context); c && c->Info) Macro->Proc(c, c->Info, Value);
}

String DateMacro(TContext* C, TDateTime Value, bool Date, bool Time) {
  String pattern;
  if (Date) pattern = u"yyyy.MM.dd";
  if (Time) {
    if (!pattern.empty()) pattern += u' ';
    pattern += DisplayForms(C) ? u"hh:mm:ss" : u"hh:mm:ss:zzz";
  }
  return ZBLFormatFileDate(pattern, Value);
}

const TRecordMacro RecordMacros[] = {
    {u"Artist", u"R", zfcTags, [](TContext*, const TZBLCustomFileInfo* I, String& V) { V = I->GetDisplayArtist(); }},
    {u"Bitrate", u"B", zfcTags,
     [](TContext*, const TZBLCustomFileInfo* I, String& V) { V = IntToStr(I->GetStreamInfo().Bitrate) + u" kbps"; }},
    {u"BitDepth", nullptr, zfcTags,
     [](TContext*, const TZBLCustomFileInfo* I, String& V) {
       V = TZBLStreamInfoUtils::BitDepthToText(I->GetStreamInfo().BitDepth);
     }},
    {u"BPM", nullptr, zfcTags, [](TContext*, const TZBLCustomFileInfo* I, String& V) { V = IntToStr(I->GetBPM()); }},
    {u"Channels", u"C", zfcTags,
     [](TContext* C, const TZBLCustomFileInfo* I, String& V) {
       const Word channels = I->GetStreamInfo().Channels;
       const Integer count = TZBLStreamInfoUtils::ChannelCount(channels);
       if (!DisplayForms(C))
         V = IntToStr(count);
       else if (channels & ZBLChannelsJointStereo)
         V = u"Joint Stereo";
       else
         V = TZBLStreamInfoUtils::ChannelsToText(count);
     }},
    {u"DiskNumber", u"dn", zfcTags, [](TContext*, const TZBLCustomFileInfo* I, String& V) { V = I->GetDiskNumber(); }},
    {u"DiskTotal", nullptr, zfcTags, [](TContext*, const TZBLCustomFileInfo* I, String& V) { V = I->GetDiskTotal(); }},
    {u"Duration", u"L", zfcTags,
     [](TContext* C, const TZBLCustomFileInfo* I, String& V) {
       const Cardinal duration = I->GetStreamInfo().Duration;
       if (!DisplayForms(C)) {
         V = UIntToStr(duration);
         return;
       }
       V = TZCLTimeFormat::Format(static_cast<Single>(duration / 1000.0),
                                  TimePart(tpHours) | TimePart(tpMinutes) | TimePart(tpSeconds), u":", true);
     }},
    {u"SampleRate", u"H", zfcTags,
     [](TContext*, const TZBLCustomFileInfo* I, String& V) {
       V = UIntToStr(I->GetStreamInfo().SampleRate / 1000) + u" kHz";
     }},
    {u"Title", u"T", zfcTags, [](TContext*, const TZBLCustomFileInfo* I, String& V) { V = I->GetDisplayTitle(); }},
    {u"TrackNumber", u"tn", zfcTags,
     [](TContext*, const TZBLCustomFileInfo* I, String& V) { V = I->GetTrackNumber(); }},
    {u"TrackTotal", nullptr, zfcTags,
     [](TContext*, const TZBLCustomFileInfo* I, String& V) { V = I->GetTrackTotal(); }},
    {u"FileCreatedDate", u"dc", zfcFile,
     [](TContext* C, const TZBLCustomFileInfo* I, String& V) {
       V = DateMacro(C, I->GetFileDateOfCreation(), true, false);
     }},
    {u"FileCreatedTime", u"tc", zfcFile,
     [](TContext* C, const TZBLCustomFileInfo* I, String& V) {
       V = DateMacro(C, I->GetFileDateOfCreation(), false, true);
     }},
    {u"FileCreatedDateAndTime", nullptr, zfcFile,
     [](TContext* C, const TZBLCustomFileInfo* I, String& V) {
       V = DateMacro(C, I->GetFileDateOfCreation(), true, true);
     }},
    {u"FileModifiedDateAndTime", nullptr, zfcFile,
     [](TContext* C, const TZBLCustomFileInfo* I, String& V) {
       V = DateMacro(C, I->GetFileDateOfModification(), true, true);
     }},
    {u"FileModifiedDate", u"dm", zfcFile,
     [](TContext* C, const TZBLCustomFileInfo* I, String& V) {
       V = DateMacro(C, I->GetFileDateOfModification(), true, false);
     }},
    {u"FileModifiedTime", u"tm", zfcFile,
     [](TContext* C, const TZBLCustomFileInfo* I, String& V) {
       V = DateMacro(C, I->GetFileDateOfModification(), false, true);
     }},
    {u"FileSize", u"S", zfcFile,
     [](TContext* C, const TZBLCustomFileInfo* I, String& V) {
       V = DisplayForms(C) ? zcFormatSize(I->GetFileSize()) : IntToStr(I->GetFileSize());
     }},
};

// Macros of the context alone.
void MacroIndex(String& Value, TZCLExpressionContext Context) {
  if (auto* c = static_cast<TContext*>(Context)) Value = TwoDigits(c->CachedIndex());
}
void MacroTotal(String& Value, TZCLExpressionContext Context) {
  if (auto* c = static_cast<TContext*>(Context)) Value = TwoDigits(c->CachedTotal());
}
void MacroFileFormat(String& Value, TZCLExpressionContext Context) {
  if (auto* c = static_cast<TContext*>(Context)) Value = c->CachedFileFormat();
}

// ---- functions --------------------------------------------------------------------------------

const StringView Prefixes[] = {u"The ", u"A "};

void FnPrefix(Variant& Result, TZCLExpressionElements* Arguments, TZCLExpressionContext Context, bool ToTail) {
  const String text = VarToStr(Arguments->EvaluateItem(0, Context));
  for (StringView prefix : Prefixes) {
    if (zcBeginsWith(text, prefix, true)) {
      String rest = text.substr(prefix.size());
      Result = ToTail ? rest + u", " + String(prefix.substr(0, prefix.size() - 1)) : rest;
      return;
    }
  }
  Result = text;
}

void FnPrefixToTail(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements* Arguments) {
  FnPrefix(Result, Arguments, Context, true);
}
void FnPrefixTrim(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements* Arguments) {
  FnPrefix(Result, Arguments, Context, false);
}

void FnToday(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements* Arguments) {
  String pattern = u"yyyy.MM.dd hh:mm:ss";
  if (Arguments && Arguments->GetCount() > 0) pattern = VarToStr(Arguments->EvaluateItem(0, Context));
  Result = FormatDateTime(pattern, Now());
}

void FnFileName(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements* Arguments) {
  auto* c = static_cast<TContext*>(Context);
  if (!c) {
    Result = String();
    return;
  }
  const String& name = c->CachedFileName();
  Integer mode = 0;
  if (!TryArgumentAsInteger(Arguments, 0, Context, mode))
    mode = TZBLFileInfoFormatStringFactory::IsInternetAddress(name) ? 0 : 2;
  switch (mode) {
    case 0:
      Result = name;
      break;
    case 1:
      Result = zcExtractFileName(name);
      break;
    default:
      Result = zcExtractFileNameWithoutExt(zcExtractFileName(name));
      break;
  }
}

std::mutex GRandomLock;
std::minstd_rand& RandomEngine() {
  static std::minstd_rand engine{std::random_device{}()};
  return engine;
}

std::mutex GPreviewLock;
std::atomic<TZBLFileInfoPreview*> GPreview{nullptr};
}  // namespace

String ZBLFormatFileDate(StringView Pattern, TDateTime Value) {
  if (Value <= 0) return String();
  // The date routines already read "mm" after an hour as minutes and take ":" as the regional
  // time separator.
  return FormatDateTime(Pattern, Value);
}

// ---- factory ----------------------------------------------------------------------------------

void TZBLFileInfoFormatStringFactory::AfterConstruction() {
  inherited::AfterConstruction();
  SetRaiseErrors(false);
}

TZCLExpression* TZBLFileInfoFormatStringFactory::CreateExpression(const String& Text, TZCLExpressionElement* Root) {
  return Create<TZBLFileInfoFormatString>(this, Root, Text);
}

void TZBLFileInfoFormatStringFactory::RegisterFunctions() {
  inherited::RegisterFunctions();
  RegisterFunction(u"Random", {this, &TZBLFileInfoFormatStringFactory::FnRandom}, -1, false, zfcGeneral);
  RegisterFunction(u"Today", FnToday, -1, false, zfcGeneral);
  RegisterFunction(u"PrefixToTail", FnPrefixToTail, 1, true, zfcText);
  RegisterFunction(u"PrefixTrim", FnPrefixTrim, 1, true, zfcText);
  RegisterFunction(u"FileDir", {this, &TZBLFileInfoFormatStringFactory::FnFileDir}, -1, false, zfcFile);
  RegisterFunction(u"FileName", FnFileName, -1, false, zfcFile);
  RegisterFunction(u"FileParentDir", {this, &TZBLFileInfoFormatStringFactory::FnFileParentDir}, -1, false, zfcFile);
  RegisterAlias(u"D", u"FileDir");
  RegisterAlias(u"F", u"FileName");
  RegisterAlias(u"pd", u"FileParentDir");

  for (const TTextMacro& m : TextMacros) {
    RegisterMacro(m.Name, TZCLFormatStringMacroProc(&m, TextMacro), zfcTags);
    if (m.Alias) RegisterAlias(m.Alias, m.Name);
  }
  for (const TRecordMacro& m : RecordMacros) {
    RegisterMacro(m.Name, TZCLFormatStringMacroProc(&m, RecordMacro), m.Category);
    if (m.Alias) RegisterAlias(m.Alias, m.Name);
  }
  RegisterMacro(u"Comment", {this, &TZBLFileInfoFormatStringFactory::MacroComment}, zfcTags);
  RegisterMacro(u"Index", MacroIndex, zfcTags);
  RegisterAlias(u"in", u"Index");
  RegisterMacro(u"Total", MacroTotal, zfcTags);
  RegisterMacro(u"FileFormat", MacroFileFormat, zfcFile);
  RegisterAlias(u"E", u"FileFormat");
}

TZBLFileInfoFormatStringContext* TZBLFileInfoFormatStringFactory::ContextOf(TZCLExpressionContext Context) {
  return static_cast<TZBLFileInfoFormatStringContext*>(Context);
}

String TZBLFileInfoFormatStringFactory::GetComment(TZBLFileInfoFormatStringContext* Context) {
  return Context && Context->Info ? Context->Info->GetValue(fitComment) : String();
}

void TZBLFileInfoFormatStringFactory::MacroComment(String& Value, TZCLExpressionContext Context) {
  Value = GetComment(ContextOf(Context));
}

bool TZBLFileInfoFormatStringFactory::IsDiscFolderName(StringView Name) {
  if (Name.size() >= 3 && Name[0] == u'C' && Name[1] == u'D' && IsDigitChar(Name[2])) return true;
  if (Name.size() < 5 || !zcBeginsWith(Name, u"DIS", true)) return false;
  if (Name[3] != u'C' && Name[3] != u'c' && Name[3] != u'K' && Name[3] != u'k') return false;
  size_t i = 4;
  while (i < Name.size() && Name[i] == u' ') ++i;
  return i < Name.size() && IsDigitChar(Name[i]);
}

bool TZBLFileInfoFormatStringFactory::IsInternetAddress(StringView Name) {
  size_t i = 0;
  while (i < Name.size() && (IsLetterOrDigit(Name[i]))) ++i;
  if (i == 0 || i + 3 > Name.size() || Name[i] != u':') return false;
  return (Name[i + 1] == u'/' && Name[i + 2] == u'/') || (Name[i + 1] == u'\\' && Name[i + 2] == u'\\');
}

String TZBLFileInfoFormatStringFactory::ExtractDir(const String& FileName, Integer Levels) {
  const bool address = IsInternetAddress(FileName);
  const String folder = zcExtractFileDir(FileName);
  String result = folder;
  if (Levels > 0) {
    result = zcExtractLastPathParts(folder, Levels);
    if (Levels == 1 && IsDiscFolderName(result)) result = zcExtractLastPathParts(folder, 2);
  }
  if (address) {
    if (result.empty()) result = zcExcludeTrailingPathDelimiter(zcExtractFilePath(FileName));
    return result;
  }
  // A file in the root of a mount point shows the drive's name rather than a bare path.
  if (!folder.empty()) {
    const String root = zcIncludeTrailingPathDelimiter(folder);
    if (TZCLDriveManager::NormalizeRoot(root) == root) result.clear();
  }
  if (result.empty() && !FileName.empty())
    result = TZCLDriveManager::GetInfo(TZCLDriveManager::NormalizeRoot(FileName)).GetDisplayName();
  return result;
}

Integer TZBLFileInfoFormatStringFactory::RandomValue(TZBLFileInfoFormatStringContext* Context,
                                                     TZCLExpressionElements* Arguments) {
  Integer range = 100;
  if (Arguments && Arguments->GetCount() > 0) {
    if (!TryArgumentAsInteger(Arguments, 0, Context, range)) range = 0;
    if (range <= 1) range = 1;
  }
  std::lock_guard lock(GRandomLock);
  return static_cast<Integer>(RandomEngine()() % static_cast<Cardinal>(range));
}

void TZBLFileInfoFormatStringFactory::FnRandom(Variant& Result, TZCLExpressionContext Context,
                                               TZCLExpressionElements* Arguments) {
  Result = RandomValue(ContextOf(Context), Arguments);
}

void TZBLFileInfoFormatStringFactory::FnFileDir(Variant& Result, TZCLExpressionContext Context,
                                                TZCLExpressionElements* Arguments) {
  TContext* c = ContextOf(Context);
  if (c && (c->Flags & zfcfFileDirAsParentDir)) {
    FnFileParentDir(Result, Context, Arguments);
    return;
  }
  Result = c && c->Info ? ExtractDir(c->Info->GetFileName(), 0) : String();
}

void TZBLFileInfoFormatStringFactory::FnFileParentDir(Variant& Result, TZCLExpressionContext Context,
                                                      TZCLExpressionElements* Arguments) {
  TContext* c = ContextOf(Context);
  Integer levels = 1;
  if (!TryArgumentAsInteger(Arguments, 0, Context, levels)) levels = 1;
  Result = c && c->Info ? ExtractDir(c->Info->GetFileName(), levels) : String();
}

// ---- context ----------------------------------------------------------------------------------

String TZBLFileInfoFormatStringContext::GetFileFormat() {
  const String& name = CachedFileName();
  if (TZBLFileInfoFormatStringFactory::IsInternetAddress(name)) return String();
  return zcExtractFileFormat(name);
}

String TZBLFileInfoFormatStringContext::GetFileName() { return Info ? Info->GetFileName() : String(); }

void TZBLFileInfoFormatStringContext::Setup(const TZBLCustomFileInfo* AInfo, Integer AIndex, Integer ATotal,
                                            const String& AFormatText) {
  Info = AInfo;
  FIndex = AIndex;
  FTotal = ATotal;
  FFormatText = AFormatText;
  FFileName.clear();
  FFileNameCached = false;
}

const String& TZBLFileInfoFormatStringContext::CachedFileName() {
  if (!FFileNameCached) {
    FFileName = GetFileName();
    FFileNameCached = true;
  }
  return FFileName;
}

const String& TZBLFileInfoFormatStringContext::CachedFileFormat() {
  if (FFormatText.empty()) FFormatText = GetFileFormat();
  return FFormatText;
}

Integer TZBLFileInfoFormatStringContext::CachedIndex() {
  if (FIndex <= 0) FIndex = GetIndex();
  return FIndex;
}

Integer TZBLFileInfoFormatStringContext::CachedTotal() {
  if (FTotal <= 0) FTotal = GetTotal();
  return FTotal;
}

// ---- preview ----------------------------------------------------------------------------------

TZBLFileInfoPreview::TZBLFileInfoPreview() {
  TZBLStreamInfo& s = GetStreamInfo();
  s.Channels = 2;
  s.Bitrate = 256;
  s.BitDepth = 16;
  s.Duration = 320000;
  s.SampleRate = 44100;
  s.StreamSize = static_cast<Int64>(s.Bitrate) * s.Duration / 8;
  SetFileSize(s.StreamSize + 4096);
  SetValue(fitAlbum, u"Album");
  SetValue(fitAlbumArtist, u"AlbumArtist");
  SetValue(fitArtist, u"Artist");
  SetValue(fitDate, u"2007");
  SetValue(fitDisk, u"01/02");
  SetValue(fitGenre, u"Genre");
  SetValue(fitTitle, u"Title");
  SetValue(fitTrack, u"10/21");
  SetValue(fitComment, u"Here is very long comment");
  SetValue(fitComposer, u"Composer");
  SetValue(fitCopyright, u"Copyright");
  SetValue(fitEncodedBy, u"Encoded By");
  SetValue(fitLyrics, u"Lyrics");
  SetValue(fitLyricist, u"Lyricist");
  SetValue(fitPublisher, u"Publisher");
  SetValue(fitLink, u"https://www.example.com/");
  SetBPM(90);
  String music;
  try {
    music = ShellGetMusicPath();
  } catch (...) {
  }
  SetFileName(zcIncludeTrailingPathDelimiter(music.empty() ? String(u"/") : music) + u"DemoTrack.mp3");
}

void TZBLFileInfoPreview::LoadFileDates(TDateTime& Created, TDateTime& Modified) const {
  Created = EncodeDateTime(2006, 8, 8, 1, 13, 25, 0);
  Modified = EncodeDateTime(2021, 12, 31, 8, 26, 13, 0);
}

TZBLFileInfoPreview* TZBLFileInfoPreview::Instance() {
  if (TZBLFileInfoPreview* preview = GPreview.load(std::memory_order_acquire)) return preview;
  std::lock_guard lock(GPreviewLock);
  if (!GPreview.load()) GPreview.store(Create<TZBLFileInfoPreview>(), std::memory_order_release);
  return GPreview.load();
}

void TZBLFileInfoPreview::FinalizeInstance() { Free(GPreview.exchange(nullptr)); }

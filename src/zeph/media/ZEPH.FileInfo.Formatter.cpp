#include "zeph/media/ZEPH.FileInfo.Formatter.h"

#include <mutex>
#include <utility>
#include <vector>

#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
using TContext = TZEPHFileInfoFormatStringContext;

std::atomic<TZEPHFileInfoFormatStringFactory*> GShared{nullptr};
std::mutex GTableLock;
std::vector<std::pair<TZBLFileInfoFormatStringFactory*, TZBLFileInfoFormatStringFactory*>> GTable;

TContext* PlayerContext(TZCLExpressionContext Context) {
  return dynamic_cast<TContext*>(static_cast<TZBLFileInfoFormatStringContext*>(Context));
}

void FnExtractFileExt(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements* Arguments) {
  Result = zcExtractFileExt(TZEPHFileURI::ExtractContainer(VarToStr(Arguments->EvaluateItem(0, Context))));
}

void FnRemoveFileExt(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements* Arguments) {
  const String name = VarToStr(Arguments->EvaluateItem(0, Context));
  Integer start = 0, end = 0;
  Result = zcGetFileExtRange(name, start, end) ? name.substr(0, start - 1) + name.substr(end) : name;
}

void MacroMark(String& Value, TZCLExpressionContext Context) {
  TContext* c = PlayerContext(Context);
  if (!c || !c->Info) return;
  const TZEPHFileMark mark = c->CachedMark();
  if (c->Flags & zfcfDisplayForms)
    Value = String(static_cast<size_t>((mark & 0x3F) / 10), u'*');
  else
    Value = FormatFloat(u"0.00", FileMarkToFloat(mark));
}

// The statistics' value when there are statistics and Has holds, else "-".
template <class F>
void StatisticsMacro(String& Value, TZCLExpressionContext Context, F&& Text) {
  TContext* c = PlayerContext(Context);
  const TZEPHFileStatistics* s = c && c->Info ? c->CachedStatistics() : nullptr;
  Value = s ? Text(*s) : String();
  if (Value.empty()) Value = u"-";
}

void MacroRating(String& Value, TZCLExpressionContext Context) {
  StatisticsMacro(Value, Context, [](const TZEPHFileStatistics& S) { return FormatFloat(u"0.00", S.Rating * 5); });
}
void MacroPlayCount(String& Value, TZCLExpressionContext Context) {
  StatisticsMacro(Value, Context,
                  [](const TZEPHFileStatistics& S) { return S.PlayCount > 0 ? IntToStr(S.PlayCount) : String(); });
}
void MacroLastPlayDate(String& Value, TZCLExpressionContext Context) {
  StatisticsMacro(Value, Context,
                  [](const TZEPHFileStatistics& S) { return ZBLFormatFileDate(u"yyyy.MM.dd", S.LastPlayDate); });
}
void MacroLastPlayTime(String& Value, TZCLExpressionContext Context) {
  StatisticsMacro(Value, Context,
                  [](const TZEPHFileStatistics& S) { return ZBLFormatFileDate(u"hh:mm:ss", S.LastPlayDate); });
}
}  // namespace

// ---- factory ----------------------------------------------------------------------------------

void TZEPHFileInfoFormatStringFactory::AfterConstruction() {
  inherited::AfterConstruction();
  SetCacheSize(16);
}

void TZEPHFileInfoFormatStringFactory::RegisterFunctions() {
  inherited::RegisterFunctions();
  RegisterFunction(u"ExtractFileExt", FnExtractFileExt, 1, true, zfcFile);
  RegisterFunction(u"RemoveFileExt", FnRemoveFileExt, 1, true, zfcFile);
  RegisterMacro(u"Mark", MacroMark, zfcLibrary);
  RegisterMacro(u"Rating", MacroRating, zfcLibrary);
  RegisterMacro(u"PlayCount", MacroPlayCount, zfcLibrary);
  RegisterMacro(u"LastPlayDate", MacroLastPlayDate, zfcLibrary);
  RegisterMacro(u"LastPlayTime", MacroLastPlayTime, zfcLibrary);
  RegisterAlias(u"M", u"Mark");
  RegisterAlias(u"rt", u"Rating");
}

String TZEPHFileInfoFormatStringFactory::ExtractDir(const String& FileName, Integer Levels) {
  TZEPHFileManager* manager = GetFileManager();
  if (manager->IsForeignURL(FileName)) return u"Radio";
  String container;
  if (TZEPHFileURI::ParseContainer(FileName, container))
    return Levels > 0 ? zcExtractLastPathParts(container, Levels) : container;
  return inherited::ExtractDir(FileName, Levels);
}

TZEPHFileInfoFormatStringFactory* TZEPHFileInfoFormatStringFactory::Instance() {
  if (TZEPHFileInfoFormatStringFactory* factory = GShared.load(std::memory_order_acquire)) return factory;
  TZCLCustomExpressionFactory::CreateSingleton(GShared);
  return GShared.load();
}

void TZEPHFileInfoFormatStringFactory::FinalizeInstance() {
  {
    std::lock_guard lock(GTableLock);
    GTable.clear();
  }
  Free(GShared.exchange(nullptr));
}

// ---- contexts ---------------------------------------------------------------------------------

String TZEPHFileInfoFormatStringContext::GetFileFormat() {
  return Info ? GetFileManager()->GetFileFormatText(Info->GetFileName()) : String();
}

String TZEPHFileInfoFormatStringContext::GetFileName() {
  return Info ? GetFileManager()->GetRealFileName(Info->GetFileName()) : String();
}

void TZEPHFileInfoFormatStringContext::Setup(const TZBLCustomFileInfo* AInfo, Integer AIndex, Integer ATotal,
                                             const String& AFormatText) {
  inherited::Setup(AInfo, AIndex, ATotal, AFormatText);
  FMark = 0;
  FStatistics = TZEPHFileStatistics();
}

TZEPHFileMark TZEPHFileInfoFormatStringContext::GetMark() {
  return Info ? GetFileManager()->GetFileMark(Info->GetFileName()) : 0;
}

bool TZEPHFileInfoFormatStringContext::GetStatistics(TZEPHFileStatistics& Statistics) {
  return Info && GetFileManager()->GetFileStatistics(Info->GetFileName(), Statistics);
}

TZEPHFileMark TZEPHFileInfoFormatStringContext::CachedMark() {
  if (FMark == 0) FMark = GetMark();
  return FMark;
}

const TZEPHFileStatistics* TZEPHFileInfoFormatStringContext::CachedStatistics() {
  if (FStatistics.AddedDate.Value == 0 && !GetStatistics(FStatistics)) {
    FStatistics = TZEPHFileStatistics();
    FStatistics.AddedDate = -1;
  }
  return FStatistics.AddedDate > 0 ? &FStatistics : nullptr;
}

TZEPHFileInfoFormatStringPreviewContext::TZEPHFileInfoFormatStringPreviewContext() {
  Setup(TZBLFileInfoPreview::Instance(), 5, 10);
}

TZEPHFileMark TZEPHFileInfoFormatStringPreviewContext::GetMark() { return FileMarkFromInt(5); }

bool TZEPHFileInfoFormatStringPreviewContext::GetStatistics(TZEPHFileStatistics& Statistics) {
  Statistics.AddedDate = Now();
  Statistics.LastPlayDate = Now();
  Statistics.Mark = 5;
  Statistics.PlayCount = 3;
  Statistics.Rating = 4.19;
  return true;
}

// ---- helpers ----------------------------------------------------------------------------------

String FormatFileInfo(const String& Template, const TZBLCustomFileInfo* Info, Integer Index, Integer Total,
                      const String& FormatText) {
  TZEPHFileInfoFormatStringContext context;
  context.Setup(Info, Index, Total, FormatText);
  return VarToStr(TZEPHFileInfoFormatStringFactory::Instance()->Evaluate(Template, &context));
}

String FormatPreview(const String& Template, TZBLFileInfoFormatStringFactory* Factory) {
  TZEPHFileInfoFormatStringPreviewContext context;
  TZBLFileInfoFormatStringFactory* factory = Factory ? Factory : TZEPHFileInfoFormatStringFactory::Instance();
  return VarToStr(factory->Evaluate(Template, &context));
}

bool TemplateUsesMark(const String& Template) {
  // "%M" covers "%Mark" (and, as ever, "%Mood").
  return zcContains(u"%M", Template, true) || zcContains(u"%Rt", Template, true) ||
         zcContains(u"%Rating", Template, true);
}

String DisplayTitleFromFileName(const String& FileName) {
  TZEPHFileManager* manager = GetFileManager();
  if (manager->IsForeignURL(FileName)) return FileName;
  return zcExtractFileNameWithoutExt(zcExtractFileName(manager->GetRealFileName(FileName)));
}

void RegisterFormatterFactory(Integer Index, TZBLFileInfoFormatStringFactory* Factory,
                              TZBLFileInfoFormatStringFactory* PreviewFactory) {
  if (Index < 0) return;
  std::lock_guard lock(GTableLock);
  if (GTable.size() <= static_cast<size_t>(Index)) GTable.resize(static_cast<size_t>(Index) + 1);
  GTable[static_cast<size_t>(Index)] = {Factory, PreviewFactory};
}

void UnregisterFormatterFactory(Integer Index) {
  std::lock_guard lock(GTableLock);
  if (Index >= 0 && static_cast<size_t>(Index) < GTable.size()) GTable[static_cast<size_t>(Index)] = {};
}

bool FindFormatterFactory(Integer Index, bool Preview, TZBLFileInfoFormatStringFactory*& Factory) {
  Factory = nullptr;
  if (Index == 0) {
    Factory = TZEPHFileInfoFormatStringFactory::Instance();
    return true;
  }
  std::lock_guard lock(GTableLock);
  if (Index < 0 || static_cast<size_t>(Index) >= GTable.size()) return false;
  Factory = Preview ? GTable[static_cast<size_t>(Index)].second : GTable[static_cast<size_t>(Index)].first;
  return Factory != nullptr;
}

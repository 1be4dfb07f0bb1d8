#include "zeph/media/ZTL.Core.h"

#include <mutex>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"

String CleanValue(const String& Text) {
  size_t end = Text.size();
  for (size_t i = 0; i < Text.size(); ++i) {
    const Char c = Text[i];
    if (c < 32 && c != 9 && c != 10 && c != 13) {
      end = i;
      break;
    }
  }
  size_t first = 0;
  while (first < end && Text[first] <= 32) ++first;
  while (end > first && Text[end - 1] <= 32) --end;
  if (first == 0 && end == Text.size()) return Text;
  return Text.substr(first, end - first);
}

String NormalizeLines(const String& Text, bool TrimLines) {
  TZCLStringList lines;
  lines.SetText(Text);
  if (TrimLines) lines.TrimAll();
  return lines.GetText();
}

// ---- TZTLTag ---------------------------------------------------------------------------------------

void RegisterTagProperties() { RegisterProperties<TZTLTag>(); }

void TZTLTag::DeclareProperties(TClassDeclaration<TZTLTag>& D) {
  D.Property(u"DeleteTagOnSave", &TZTLTag::GetDeleteTagOnSave, &TZTLTag::SetDeleteTagOnSave);
}

void TZTLTag::DoAssign(const TZBLCustomFileInfo* Source) {
  inherited::DoAssign(Source);
  if (const auto* tag = dynamic_cast<const TZTLTag*>(Source)) FSize = tag->FSize;
}

// ---- TZTLTagsContainer -----------------------------------------------------------------------------

TZTLTagsContainer::TZTLTagsContainer() : FChapters(std::make_unique<TZBLChapters>()) {}

TZTLTagsContainer::~TZTLTagsContainer() = default;

TZTLTagsContainer* TZTLTagsContainer::Create(TZTLTagsContainerClass Class, const String& FileName, void* Data) {
  std::unique_ptr<TZTLTagsContainer> c(Class->Create<TZTLTagsContainer>());
  c->SetFileName(FileName);
  c->FData = Data;
  if (!Class->Capabilities().Contains(tccVirtual)) c->LoadFromFile(FileName);
  return c.release();
}

TZTLTagsContainer* TZTLTagsContainer::Create(TZTLTagsContainerClass Class, TStream* Stream, void* Data) {
  std::unique_ptr<TZTLTagsContainer> c(Class->Create<TZTLTagsContainer>());
  c->FData = Data;
  c->FFileSize = Stream->GetSize();
  if (!Class->Capabilities().Contains(tccVirtual)) c->LoadFromStream(Stream);
  return c.release();
}

bool TZTLTagsContainer::DoLoad(TStream*) { return false; }

bool TZTLTagsContainer::DoSave(TStream*) { return false; }

void TZTLTagsContainer::LoadFromFile(const String& FileName) {
  if (zcIsURL(FileName)) return;
  TZCLBufferedFileStream stream(FileName, fmOpenRead | fmShareDenyNone, 262144);
  FFileSize = stream.GetSize();
  LoadFromStream(&stream);
}

void TZTLTagsContainer::LoadFromStream(TStream* Stream) {
  if (GetContainerClass()->Capabilities().Contains(tccVirtual)) throw EInvalidOperation(ClassName());
  Stream->SetPosition(0);
  FLoaded = DoLoad(Stream);
  if (FLoaded) UpdateTags();
}

void TZTLTagsContainer::Save() {
  if (GetContainerClass()->Capabilities().Contains(tccVirtual)) throw EZTLError(u"Cannot modify virtual container");
  // A read-only file is written too; its attributes come back afterwards.
  Cardinal attributes = 0;
  const bool hadAttributes = zcFileGetAttr(FFileName, attributes);
  zcFileSetAttr(FFileName, 0);
  try {
    TFileStream stream(FFileName, fmOpenReadWrite | fmShareExclusive);
    if (!DoSave(&stream)) throw EZTLError(u"Something goes wrong while saving the file");
    FFileSize = stream.GetSize();
  } catch (...) {
    if (hadAttributes) zcFileSetAttr(FFileName, attributes);
    throw;
  }
  if (hadAttributes) zcFileSetAttr(FFileName, attributes);
}

String TZTLTagsContainer::GetFileFormat() const {
  String ext = zcExtractFileExt(FFileName);
  if (!ext.empty() && ext[0] == u'.') ext.erase(0, 1);
  return zcUpperCase(ext);
}

void TZTLTagsContainer::GetInfo(TZBLFileInfo* Info) const {
  Info->BeginUpdate();
  Info->Clear();
  Info->SetFileName(FFileName);
  Info->SetFileSize(FFileSize);
  Info->SetStreamInfo(FStreamInfo);
  for (bool limited : {false, true})
    for (const auto& tag : FTags)
      if (tag->HasLimitedValues() == limited) Info->Merge(tag.get(), true);
  Info->EndUpdate();
}

void TZTLTagsContainer::SetFileName(const String& Value) {
  FFileName = Value;
  for (const auto& tag : FTags) tag->SetFileName(Value);
}

TZBLFileInfo* TZTLTagsContainer::GetFileInfo() const {
  auto info = std::make_unique<TZBLFileInfo>();
  GetInfo(info.get());
  return info.release();
}

void TZTLTagsContainer::UpdateTags() {
  for (const auto& tag : FTags) {
    tag->SetStreamInfo(FStreamInfo);
    tag->SetFileName(FFileName);
    tag->SetFileSize(FFileSize);
  }
}

// ---- TZTLTagsManager -------------------------------------------------------------------------------

TZTLTagsManager::TZTLTagsManager() : FTagTypes(new TZCLStringList()) {}

TZTLTagsManager::~TZTLTagsManager() { delete FTagTypes; }

void TZTLTagsManager::Register(TZTLTagsContainerClass Class) { FClasses.push_back(Class); }

void TZTLTagsManager::Unregister(TZTLTagsContainerClass Class) { std::erase(FClasses, Class); }

void TZTLTagsManager::RegisterTagName(const String& Name) {
  if (FTagTypes->IndexOf(Name) >= 0) return;
  FTagTypes->Add(Name);
  FTagTypes->SortLogical();
}

bool TZTLTagsManager::Find(TStream* Stream, TZTLTagsContainer*& Container, void* Data, const String& FileName,
                           bool AllowAny) const {
  Container = nullptr;
  auto attempt = [&](TZTLTagsContainerClass Class) {
    try {
      std::unique_ptr<TZTLTagsContainer> c(TZTLTagsContainer::Create(Class, Stream, Data));
      if (!c->GetLoaded()) return false;
      Container = c.release();
      return true;
    } catch (...) {
      return false;  // a damaged file for this class; the next one may read it
    }
  };
  auto byExt = [&](const String& Ext) {
    if (Ext.empty()) return false;
    for (TZTLTagsContainerClass c : FClasses)
      if (zcIsFileExtInList(c->SupportedExts(), Ext) && attempt(c)) return true;
    return false;
  };
  // A bare extension (".flac") names the format too.
  const String name = !FileName.empty() && FileName[0] == u'.' ? u"x" + FileName : FileName;
  if (zcHasDoubleFileExt(name) && byExt(zcExtractFileExt(name, true))) return true;
  if (byExt(zcExtractFileExt(name))) return true;
  for (TZTLTagsContainerClass c : FClasses)
    if (c->Capabilities().Contains(tccProbeByContent) && attempt(c)) return true;
  for (TZTLTagsContainerClass c : FClasses)
    if (c->Capabilities().Contains(tccVirtual) && attempt(c)) return true;
  if (AllowAny && FileName.empty())
    for (TZTLTagsContainerClass c : FClasses)
      if (!c->Capabilities().Contains(tccProbeByContent) && attempt(c)) return true;
  return false;
}

TZTLTagsManager* GetTagsManager() {
  static TZTLTagsManager* manager = [] {
    auto* m = new TZTLTagsManager();
    for (const char16_t* name : {u"ID3v1", u"APE", u"ID3v2", u"Vorbis", u"WMA", u"M4A"}) m->RegisterTagName(name);
    return m;
  }();
  return manager;
}

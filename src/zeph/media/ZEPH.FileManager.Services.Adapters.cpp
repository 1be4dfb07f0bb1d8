#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"

#include <cmath>
#include <unordered_map>

#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/core/ZEPH.Core.Objects.h"

namespace {
// Identifiers that are published properties of the record.
const std::unordered_map<Integer, const char16_t*>& MappedProperties() {
  static const std::unordered_map<Integer, const char16_t*> map = {
      {1, u"Album"},
      {3, u"AlbumArtist"},
      {4, u"AlbumGainAsSingle"},
      {5, u"AlbumPeakAsSingle"},
      {6, u"Artist"},
      {8, u"BPM"},
      {10, u"Comment"},
      {11, u"Composer"},
      {12, u"Copyright"},
      {13, u"CueSheet"},
      {14, u"Date"},
      {15, u"DiskNumber"},
      {16, u"DiskTotal"},
      {20, u"Genre"},
      {21, u"Lyrics"},
      {23, u"Publisher"},
      {25, u"Title"},
      {26, u"TrackGainAsSingle"},
      {27, u"TrackNumber"},
      {28, u"TrackPeakAsSingle"},
      {29, u"TrackTotal"},
      {30, u"Link"},
      {33, u"Conductor"},
      {34, u"Mood"},
      {35, u"Catalog"},
      {36, u"ISRC"},
      {37, u"Lyricist"},
      {38, u"EncodedBy"},
      {39, u"Rating"},
      {46, u"Key"},
  };
  return map;
}
}  // namespace

TZEPHFileInfoAdapter::TZEPHFileInfoAdapter() : TZEPHFileInfoAdapter(Create<TZBLFileInfo>(), true) {}

TZEPHFileInfoAdapter::TZEPHFileInfoAdapter(TZBLCustomFileInfo* ARecord, bool AOwnsRecord, TObject* AAccompanying,
                                           Integer AIndex, Integer ATotal)
    : FRecord(ARecord), FOwnsRecord(AOwnsRecord), FAccompanying(AAccompanying), FIndex(AIndex), FTotal(ATotal) {}

TZEPHFileInfoAdapter::~TZEPHFileInfoAdapter() {
  if (!FOwnsRecord) return;
  Free(FRecord);
  Free(FAccompanying);
}

HRESULT TZEPHFileInfoAdapter::DoReset() {
  FRecord->Clear();
  FStatisticsRead = false;
  return S_OK;
}

HRESULT TZEPHFileInfoAdapter::Assign(IZEPHFileInfo* Source) {
  try {
    IPtr<IZEPHFileInfoInternal> source;
    if (!Supports(Source, source)) return E_INVALIDARG;
    FRecord->Assign(source->GetRecord());
    FStatisticsRead = false;
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHFileInfoAdapter::Clone(IPtr<IZEPHFileInfo>& Result) {
  Result = nullptr;
  try {
    auto* adapter = Create<TZEPHFileInfoAdapter>();
    IPtr<IZEPHFileInfo> clone(static_cast<IZEPHFileInfo*>(adapter));
    adapter->FRecord->Assign(FRecord);
    Result = clone;
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

const TZEPHFileStatistics* TZEPHFileInfoAdapter::Statistics() {
  if (!FStatisticsRead) {
    FStatisticsRead = true;
    FStatistics = TZEPHFileStatistics();
    FStatisticsPresent = GetFileManager()->GetFileStatistics(FRecord->GetFileName(), FStatistics);
  }
  return FStatisticsPresent ? &FStatistics : nullptr;
}

void TZEPHFileInfoAdapter::DoGetValueAsVariant(Integer PropertyID, Variant& Value, HRESULT& Result) {
  const auto mapped = MappedProperties().find(PropertyID);
  if (mapped != MappedProperties().end()) {
    Value = GetPropValue(FRecord, mapped->second, false);
    return;
  }
  const TZBLStreamInfo& s = FRecord->GetStreamInfo();
  switch (PropertyID) {
    case 7:
      Value = s.Bitrate;
      return;
    case 9:
      Value = TZBLStreamInfoUtils::ChannelCount(s.Channels);
      return;
    case 17:
      Value = static_cast<Single>(s.Duration / 1000.0);
      return;
    case 18:
      Value = FRecord->GetFileName();
      return;
    case 19:
      Value = FRecord->GetFileSize();
      return;
    case 22:
      Value = static_cast<Double>(FileMarkToFloat(GetFileManager()->GetFileMark(FRecord->GetFileName())));
      return;
    case 24:
      Value = static_cast<Integer>(s.SampleRate);
      return;
    case 31:
      Value = static_cast<Integer>(s.BitDepth);
      return;
    case 32:
      Value = s.Codec;
      return;
    case 45:
      Value = GetFileManager()->GetLibraryText(FRecord->GetFileName());
      return;
    case 40:
    case 41:
    case 42:
    case 43:
    case 44: {
      const TZEPHFileStatistics* statistics = Statistics();
      if (!statistics) {
        Result = E_FAIL;
        return;
      }
      if (PropertyID == 40) Value = statistics->AddedDate;
      if (PropertyID == 41) Value = statistics->LastPlayDate;
      if (PropertyID == 42) Value = statistics->Mark;
      if (PropertyID == 43) Value = statistics->PlayCount;
      if (PropertyID == 44) Value = statistics->Rating;
      return;
    }
    default:
      Result = E_INVALIDARG;
  }
}

void TZEPHFileInfoAdapter::DoSetValueAsVariant(Integer PropertyID, const Variant& Value, HRESULT& Result) {
  const auto mapped = MappedProperties().find(PropertyID);
  if (mapped != MappedProperties().end()) {
    SetPropValue(FRecord, mapped->second, Value);
    return;
  }
  TZBLStreamInfo& s = FRecord->GetStreamInfo();
  switch (PropertyID) {
    case 7:
      s.Bitrate = Value.AsInteger();
      return;
    case 9:
      s.Channels = TZBLStreamInfoUtils::MakeChannels(Value.AsInteger());
      return;
    case 17:
      s.Duration = static_cast<Cardinal>(std::nearbyint(Value.AsDouble() * 1000));
      return;
    case 18:
      FRecord->SetFileName(Value.AsString());
      FStatisticsRead = false;
      return;
    case 19:
      s.StreamSize = Value.AsInt64();
      FRecord->SetFileSize(Value.AsInt64());
      return;
    case 22:
    case 42:
      Result = GetFileManager()->SetFileMark(FRecord->GetFileName(),
                                             FileMarkFromFloat(static_cast<Single>(Value.AsDouble()), false));
      return;
    case 24:
      s.SampleRate = static_cast<Cardinal>(Value.AsInteger());
      return;
    case 31:
      s.BitDepth = static_cast<SmallInt>(Value.AsInteger());
      return;
    case 32:
      s.Codec = Value.AsString();
      return;
    case 45:
      Result = GetFileManager()->SetLibraryText(FRecord->GetFileName(), Value.AsString());
      return;
    default:
      Result = E_INVALIDARG;
  }
}

IPtr<IInterface> TZEPHFileInfoAdapter::DoGetValueAsObject(Integer PropertyID) {
  // Album art travels as an image container once the plugin image adapters exist.
  if (PropertyID == 2) return nullptr;
  if (PropertyID == 0) return inherited::DoGetValueAsObject(PropertyID);
  // Texts as string objects of the program's own, so no core object factory is needed.
  Variant value;
  HRESULT result = S_OK;
  DoGetValueAsVariant(PropertyID, value, result);
  if (Failed(result)) return nullptr;
  return IPtr<IInterface>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(value.AsString())));
}

void TZEPHFileInfoAdapter::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID == 2) {
    auto* info = dynamic_cast<TZBLFileInfo*>(FRecord);
    if (Value || !info) {
      Result = E_INVALIDARG;
      return;
    }
    info->SetAlbumArt(nullptr);
    return;
  }
  inherited::DoSetValueAsObject(PropertyID, Value, Result);
}

String FormatFileNameMask(const String& Mask, const TZBLCustomFileInfo* Info) {
  const auto value = [](const String& Text) {
    return Text.empty() ? String(u"Unknown") : zcReplaceChar(Text, u';', u',');
  };
  String result = zcStringReplace(Mask, u"%album%", value(Info->GetAlbum()));
  result = zcStringReplace(result, u"%artist%", value(Info->GetArtist()));
  result = zcStringReplace(result, u"%title%", value(Info->GetTitle()));
  const String file =
      zcExtractFileNameWithoutExt(zcExtractFileName(TZEPHFileURI::ExtractContainer(Info->GetFileName())));
  return zcStringReplace(result, u"%filename%", value(file));
}

HRESULT GetFileInfoForObject(const String& Name, IZEPHFileInfo* Info, Byte Sources) {
  IPtr<IZEPHFileInfoInternal> info;
  if (!Supports(Info, info)) return E_INVALIDARG;
  return GetFileManager()->GetFileInfo(Name, info->GetRecord(), Sources);
}

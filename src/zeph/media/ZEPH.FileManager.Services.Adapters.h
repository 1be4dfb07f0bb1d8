#pragma once
// The file-information record as plugins see it: a property list addressed by integer
// identifiers, with Assign and Clone. Most identifiers are the record's published properties;
// stream values, file name and size, the mark, library texts and statistics are computed here.

#include "zeph/core/ZEPH.Core.PluginAPI.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.h"

struct IZEPHFileInfo : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHFileInfo, IZEPHPropertyList, "{B3E61F24-90A7-4D2C-8E5B-7C14A9D03F62}")
  // The source must be one of the program's file-information objects: E_INVALIDARG otherwise.
  virtual HRESULT Assign(IZEPHFileInfo* Source) = 0;
  virtual HRESULT Clone(IPtr<IZEPHFileInfo>& Result) = 0;
};

struct IZEPHFileInfoInternal : virtual IInterface {
  RTL_INTERFACE(IZEPHFileInfoInternal, IInterface, "{B3E61F24-90A7-4D2C-8E5B-7C14A9D03F63}")
  virtual TZBLCustomFileInfo* GetRecord() = 0;
  virtual TObject* GetAccompanyingObject() = 0;
  virtual Integer GetIndex() = 0;
  virtual Integer GetTotal() = 0;
};

class TZEPHFileInfoAdapter : public TZEPHPropertyList, public virtual IZEPHFileInfo, public IZEPHFileInfoInternal {
  ZCL_CLASS(TZEPHFileInfoAdapter, TZEPHPropertyList)
  RTL_INTERFACES(TZEPHPropertyList, IZEPHFileInfo, IZEPHFileInfoInternal)
 public:
  // A new record of its own.
  TZEPHFileInfoAdapter();
  TZEPHFileInfoAdapter(TZBLCustomFileInfo* ARecord, bool AOwnsRecord, TObject* AAccompanying = nullptr,
                       Integer AIndex = 0, Integer ATotal = 0);
  ~TZEPHFileInfoAdapter() override;

  HRESULT Assign(IZEPHFileInfo* Source) override;
  HRESULT Clone(IPtr<IZEPHFileInfo>& Result) override;
  TZBLCustomFileInfo* GetRecord() override { return FRecord; }
  TObject* GetAccompanyingObject() override { return FAccompanying; }
  Integer GetIndex() override { return FIndex; }
  Integer GetTotal() override { return FTotal; }

 protected:
  void DoBeginUpdate() override { FRecord->BeginUpdate(); }
  void DoEndUpdate() override { FRecord->EndUpdate(); }
  HRESULT DoReset() override;
  void DoGetValueAsVariant(Integer PropertyID, Variant& Value, HRESULT& Result) override;
  void DoSetValueAsVariant(Integer PropertyID, const Variant& Value, HRESULT& Result) override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;

 private:
  const TZEPHFileStatistics* Statistics();

  TZBLCustomFileInfo* FRecord;
  bool FOwnsRecord;
  TObject* FAccompanying;
  Integer FIndex;
  Integer FTotal;
  TZEPHFileStatistics FStatistics;
  bool FStatisticsRead = false;
  bool FStatisticsPresent = false;
};

// "%album%", "%artist%", "%title%" and "%filename%" of an old-style mask filled from the record:
// "Unknown" for an empty value, "," for every ";".
String FormatFileNameMask(const String& Mask, const TZBLCustomFileInfo* Info);

// The retrieval pipeline of the file manager for a plugin file-information object: E_INVALIDARG
// for an object that is not one of the program's.
HRESULT GetFileInfoForObject(const String& Name, IZEPHFileInfo* Info, Byte Sources);

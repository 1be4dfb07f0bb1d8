#pragma once
// The file-URI service of plugins: building, splitting and editing names through the name rules
// of virtual files. Never raises: failures are result codes.

#include "zcl/base/ZCL.Classes.h"
#include "zeph/core/ZEPH.Core.Interfaces.h"

struct IZEPHServiceFileURI : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceFileURI, IInterface, "{4C0E9A73-2B51-4F86-9D17-8A3F6E2C5B01}")
  // E_INVALIDARG when the parts do not build a name.
  virtual HRESULT Build(IZEPHString* Container, IZEPHString* Part, IPtr<IZEPHString>& Name) = 0;
  // A name without parts gives itself as the container and no part; always S_OK.
  virtual HRESULT Parse(IZEPHString* Name, IPtr<IZEPHString>& Container, IPtr<IZEPHString>& Part) = 0;
  // Flags bit 0: double extensions; bit 1: the part's extension.
  virtual HRESULT ChangeFileExt(IPtr<IZEPHString>& Name, IZEPHString* NewExt, Integer Flags) = 0;
  virtual HRESULT ExtractFileExt(IZEPHString* Name, IPtr<IZEPHString>& Ext, Integer Flags) = 0;
  virtual HRESULT ExtractFileName(IZEPHString* Name, IPtr<IZEPHString>& Result) = 0;
  virtual HRESULT ExtractFileParentDirName(IZEPHString* Name, IPtr<IZEPHString>& Result) = 0;
  virtual HRESULT ExtractFileParentName(IZEPHString* Name, IPtr<IZEPHString>& Result) = 0;
  virtual HRESULT ExtractFilePath(IZEPHString* Name, IPtr<IZEPHString>& Result) = 0;
  // S_OK for a URL, else E_FAIL.
  virtual HRESULT IsURL(IZEPHString* Name) = 0;
};

struct IZEPHServiceFileURI2 : virtual IZEPHServiceFileURI {
  RTL_INTERFACE(IZEPHServiceFileURI2, IZEPHServiceFileURI, "{4C0E9A73-2B51-4F86-9D17-8A3F6E2C5B02}")
  // E_FAIL without a scheme; E_UNEXPECTED when something raised.
  virtual HRESULT GetScheme(IZEPHString* Name, IPtr<IZEPHString>& Scheme) = 0;
};

class TZEPHServiceFileURI : public TZCLUnknownObject, public IZEPHServiceFileURI2 {
  ZCL_CLASS(TZEPHServiceFileURI, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZEPHServiceFileURI2)
 public:
  HRESULT Build(IZEPHString* Container, IZEPHString* Part, IPtr<IZEPHString>& Name) override;
  HRESULT Parse(IZEPHString* Name, IPtr<IZEPHString>& Container, IPtr<IZEPHString>& Part) override;
  HRESULT ChangeFileExt(IPtr<IZEPHString>& Name, IZEPHString* NewExt, Integer Flags) override;
  HRESULT ExtractFileExt(IZEPHString* Name, IPtr<IZEPHString>& Ext, Integer Flags) override;
  HRESULT ExtractFileName(IZEPHString* Name, IPtr<IZEPHString>& Result) override;
  HRESULT ExtractFileParentDirName(IZEPHString* Name, IPtr<IZEPHString>& Result) override;
  HRESULT ExtractFileParentName(IZEPHString* Name, IPtr<IZEPHString>& Result) override;
  HRESULT ExtractFilePath(IZEPHString* Name, IPtr<IZEPHString>& Result) override;
  HRESULT IsURL(IZEPHString* Name) override;
  HRESULT GetScheme(IZEPHString* Name, IPtr<IZEPHString>& Scheme) override;
};

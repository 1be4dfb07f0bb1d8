#include "zeph/media/ZEPH.FileManager.Services.FileURI.h"

#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"

namespace {
IPtr<IZEPHString> MakeString(const String& Text) {
  return IPtr<IZEPHString>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(Text)));
}

String TextOf(IZEPHString* S) { return S ? PluginStringToStr(S) : String(); }

// One edit through the name rules: its result as a new string, E_INVALIDARG when the parts did not
// build, E_UNEXPECTED when something raised.
template <class F>
HRESULT Edit(IPtr<IZEPHString>& Result, F&& Proc) {
  try {
    String text;
    if (!Proc(text)) return E_INVALIDARG;
    Result = MakeString(text);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
}  // namespace

HRESULT TZEPHServiceFileURI::Build(IZEPHString* Container, IZEPHString* Part, IPtr<IZEPHString>& Name) {
  return Edit(Name, [&](String& Text) {
    try {
      Text = TZEPHFileURI::Build(TextOf(Container), TextOf(Part));
      return true;
    } catch (const Exception&) {
      return false;
    }
  });
}

HRESULT TZEPHServiceFileURI::Parse(IZEPHString* Name, IPtr<IZEPHString>& Container, IPtr<IZEPHString>& Part) {
  try {
    String container, part;
    if (TZEPHFileURI::Parse(TextOf(Name), container, part)) {
      Container = MakeString(container);
      Part = MakeString(part);
    } else {
      Container = Name;
      Part = nullptr;
    }
    return S_OK;
  } catch (...) {
    Container = Name;
    Part = nullptr;
    return S_OK;
  }
}

HRESULT TZEPHServiceFileURI::ChangeFileExt(IPtr<IZEPHString>& Name, IZEPHString* NewExt, Integer Flags) {
  const String name = TextOf(Name.get());
  return Edit(Name, [&](String& Text) { return TZEPHFileURI::ChangeFileExt(name, TextOf(NewExt), Flags, Text); });
}

HRESULT TZEPHServiceFileURI::ExtractFileExt(IZEPHString* Name, IPtr<IZEPHString>& Ext, Integer Flags) {
  return Edit(Ext, [&](String& Text) { return TZEPHFileURI::ExtractFileExt(TextOf(Name), Flags, Text); });
}

HRESULT TZEPHServiceFileURI::ExtractFileName(IZEPHString* Name, IPtr<IZEPHString>& Result) {
  return Edit(Result, [&](String& Text) { return TZEPHFileURI::ExtractFileName(TextOf(Name), Text); });
}

HRESULT TZEPHServiceFileURI::ExtractFileParentDirName(IZEPHString* Name, IPtr<IZEPHString>& Result) {
  return Edit(Result, [&](String& Text) { return TZEPHFileURI::ExtractFileParentDirName(TextOf(Name), Text); });
}

HRESULT TZEPHServiceFileURI::ExtractFileParentName(IZEPHString* Name, IPtr<IZEPHString>& Result) {
  return Edit(Result, [&](String& Text) { return TZEPHFileURI::ExtractFileParentName(TextOf(Name), Text); });
}

HRESULT TZEPHServiceFileURI::ExtractFilePath(IZEPHString* Name, IPtr<IZEPHString>& Result) {
  return Edit(Result, [&](String& Text) { return TZEPHFileURI::ExtractFilePath(TextOf(Name), Text); });
}

HRESULT TZEPHServiceFileURI::IsURL(IZEPHString* Name) {
  try {
    return zcIsURL(TextOf(Name)) ? S_OK : E_FAIL;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT TZEPHServiceFileURI::GetScheme(IZEPHString* Name, IPtr<IZEPHString>& Scheme) {
  try {
    const String scheme = zcExtractURLScheme(TextOf(Name));
    if (scheme.empty()) return E_FAIL;
    Scheme = MakeString(scheme);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

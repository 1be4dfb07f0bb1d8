#include "rtl/RTL.OleVariant.h"

#include <cstdlib>
#include <cstring>

#include "rtl/RTL.Variant.h"

namespace {

constexpr size_t PrefixSize = sizeof(uint32_t);

bool KnownType(VARTYPE Type) {
  switch (Type) {
    case VT_EMPTY:
    case VT_I4:
    case VT_I8:
    case VT_R8:
    case VT_BOOL:
    case VT_BSTR:
      return true;
    default:
      return false;
  }
}

}  // namespace

BSTR SysAllocStringLen(const char16_t* Chars, uint32_t Length) {
  if (Length > 0x7FFFFFFFu / sizeof(char16_t)) return nullptr;
  const size_t bytes = size_t(Length) * sizeof(char16_t);
  auto* block = static_cast<Byte*>(std::malloc(PrefixSize + bytes + sizeof(char16_t)));
  if (!block) return nullptr;
  const uint32_t prefix = uint32_t(bytes);
  std::memcpy(block, &prefix, PrefixSize);
  auto* text = reinterpret_cast<char16_t*>(block + PrefixSize);
  if (Chars)
    std::memcpy(text, Chars, bytes);
  else
    std::memset(text, 0, bytes);
  text[Length] = 0;
  return text;
}

BSTR SysAllocString(const char16_t* Chars) {
  if (!Chars) return nullptr;
  uint32_t length = 0;
  while (Chars[length]) ++length;
  return SysAllocStringLen(Chars, length);
}

void SysFreeString(BSTR S) {
  if (S) std::free(reinterpret_cast<Byte*>(S) - PrefixSize);
}

uint32_t SysStringLen(BSTR S) {
  if (!S) return 0;
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<const Byte*>(S) - PrefixSize, PrefixSize);
  return bytes / sizeof(char16_t);
}

void VariantInit(VARIANT* V) {
  if (!V) return;
  std::memset(V, 0, sizeof *V);
  V->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* V) {
  if (!V) return E_INVALIDARG;
  if (!KnownType(V->vt)) return DISP_E_BADVARTYPE;
  if (V->vt == VT_BSTR) SysFreeString(V->bstrVal);
  VariantInit(V);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* Dest, const VARIANT* Source) {
  if (!Dest || !Source) return E_INVALIDARG;
  if (Dest == Source) return S_OK;
  if (HRESULT cleared = VariantClear(Dest); Failed(cleared)) return cleared;
  if (!KnownType(Source->vt)) return DISP_E_BADVARTYPE;
  if (Source->vt == VT_BSTR) {
    BSTR copy = nullptr;
    if (Source->bstrVal) {
      copy = SysAllocStringLen(Source->bstrVal, SysStringLen(Source->bstrVal));
      if (!copy) return E_OUTOFMEMORY;
    }
    Dest->vt = VT_BSTR;
    Dest->bstrVal = copy;
    return S_OK;
  }
  std::memcpy(Dest, Source, sizeof *Dest);
  return S_OK;
}

void VariantToOleVariant(const Variant& Value, VARIANT& Out) {
  VariantClear(&Out);
  VariantInit(&Out);  // an unknown tag left by the caller is not ours to free
  switch (Value.VarType()) {
    case varEmpty:
    case varNull:
      return;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
      Out.vt = VT_I4;
      Out.lVal = Value.AsInteger();
      return;
    case varLongWord:
    case varInt64:
    case varUInt64: {
      const Int64 value = Value.AsInt64();  // a UInt64 beyond Int64 raises here
      Out.vt = VT_I8;
      Out.llVal = value;
      return;
    }
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
      Out.vt = VT_R8;
      Out.dblVal = Value.AsDouble();
      return;
    case varBoolean:
      Out.vt = VT_BOOL;
      Out.boolVal = Value.AsBoolean() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case varUString: {
      const String text = Value.AsString();
      BSTR s = SysAllocStringLen(text.data(), uint32_t(text.size()));
      if (!s) throw EOutOfMemory(u"Out of memory");
      Out.vt = VT_BSTR;
      Out.bstrVal = s;
      return;
    }
    default:
      throw EVariantBadVarTypeError(u"Variant of type (%s) has no plugin form", {VarTypeAsText(Value.VarType())});
  }
}

Variant OleVariantToVariant(const VARIANT& V) {
  switch (V.vt) {
    case VT_EMPTY:
      return Variant();
    case VT_I4:
      return Variant(V.lVal);
    case VT_I8:
      return Variant(static_cast<long long>(V.llVal));
    case VT_R8:
      return Variant(V.dblVal);
    case VT_BOOL:
      return Variant(V.boolVal != VARIANT_FALSE);
    case VT_BSTR:
      return Variant(String(V.bstrVal ? V.bstrVal : u"", SysStringLen(V.bstrVal)));
    default:
      throw EVariantBadVarTypeError(u"Invalid variant type (%d)", {Integer(V.vt)});
  }
}

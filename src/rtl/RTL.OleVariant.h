#pragma once
// The C-layout variant that plugins exchange with the program: a type tag and a value.
//
// Layout (little-endian, 24 bytes on 64-bit targets, 16 on 32-bit ones): VARTYPE at offset 0,
// three reserved 16-bit words, the value at offset 8. Kinds: VT_EMPTY, VT_I4, VT_I8, VT_R8,
// VT_BOOL (VARIANT_TRUE -1, VARIANT_FALSE 0) and VT_BSTR.
//
// A BSTR points at the first UTF-16 unit of a block that holds the text's length in bytes
// (uint32) just before that unit and a zero unit after the text; the text may contain zeros. A
// null BSTR is the empty text. Only SysAllocString(Len) make BSTRs and only SysFreeString frees
// them, so one side can free what the other made.

#include <cstdint>

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Types.h"

class Variant;

using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using BSTR = char16_t*;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_I8 = 20;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// A variant that holds a type this side does not know.
inline constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);

struct VARIANT {
  VARTYPE vt;
  uint16_t wReserved1;
  uint16_t wReserved2;
  uint16_t wReserved3;
  union {
    int32_t lVal;
    int64_t llVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    BSTR bstrVal;
    void* Reserved[2];  // room that other kinds of the ABI take
  };
};
static_assert(sizeof(VARIANT) == 8 + 2 * sizeof(void*));

// A new BSTR of Length units copied from Chars (null Chars: Length zero units); null when the
// memory cannot be had or Length is beyond 0x7FFFFFFF bytes.
BSTR SysAllocStringLen(const char16_t* Chars, uint32_t Length);
// Up to the first zero unit; null Chars give null.
BSTR SysAllocString(const char16_t* Chars);
// Null is accepted.
void SysFreeString(BSTR S);
// Length in units; 0 for null.
uint32_t SysStringLen(BSTR S);

// Empty, without reading what was there.
void VariantInit(VARIANT* V);
// Frees what V holds and makes it empty; DISP_E_BADVARTYPE (V kept) for an unknown tag.
HRESULT VariantClear(VARIANT* V);
// Dest is cleared, then gets a copy (its own BSTR). E_INVALIDARG for null pointers,
// DISP_E_BADVARTYPE for an unknown tag of Source (Dest then empty), E_OUTOFMEMORY.
HRESULT VariantCopy(VARIANT* Dest, const VARIANT* Source);

// Out (initialized) is cleared and then holds Value: Empty and Null give VT_EMPTY; Smallint,
// Integer, ShortInt, Byte and Word VT_I4, LongWord, Int64 and UInt64 VT_I8 (by kind, not by value,
// so that each tag comes back as it went); reals, Currency and dates VT_R8 (dates as days since
// 1899-12-30); Boolean VT_BOOL; strings VT_BSTR. Raises EVariantOverflowError for a UInt64
// beyond Int64 and EVariantBadVarTypeError for arrays; Out is empty then.
void VariantToOleVariant(const Variant& Value, VARIANT& Out);
// The Variant of V's value (VT_BOOL: any nonzero value is True). EVariantBadVarTypeError names an
// unknown tag.
Variant OleVariantToVariant(const VARIANT& V);

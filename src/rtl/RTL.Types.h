#pragma once
// Core types of the run-time library: fixed-width aliases, the UTF-16 String and the
// conversions at its edges. Everything above this layer speaks these names.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using Integer = int32_t;
using Cardinal = uint32_t;
using Int64 = int64_t;
using UInt64 = uint64_t;
using ShortInt = int8_t;
using SmallInt = int16_t;
using Byte = uint8_t;
using Word = uint16_t;
using LongWord = uint32_t;
using Single = float;
using Double = double;
using Extended = double;
using Boolean = bool;
using NativeInt = intptr_t;
using NativeUInt = uintptr_t;
using Pointer = void*;

// Text is UTF-16: positions and lengths count code units.
using Char = char16_t;
using String = std::u16string;
using StringView = std::u16string_view;
// Bytes, usually UTF-8 at the edges (file names, library calls) or a legacy code page.
using AnsiString = std::string;
using RawByteString = std::string;
using UTF8String = std::string;

constexpr Integer MaxInt = INT32_MAX;
constexpr Int64 MaxInt64 = INT64_MAX;

// UTF-8 <-> UTF-16. Malformed UTF-8 (bad sequences, overlongs, surrogates, code points
// above U+10FFFF, lead bytes F5..FF) decodes to U+FFFD, never to broken UTF-16; an unpaired
// surrogate in UTF-16 encodes as U+FFFD.
String UTF8ToString(std::string_view Text);
std::string StringToUTF8(StringView Text);

// Decodes the UTF-8 sequence at p (p < end, *p >= 0x80) and moves p past it. False for a maximal
// invalid prefix, which stands for one U+FFFD. Shared by every UTF-8 decoder of the library.
bool DecodeUtf8Sequence(const Byte*& p, const Byte* end, char32_t& cp);

// ASCII-only widening and narrowing, for literals and identifiers known to be ASCII.
String AsciiToString(std::string_view Text);

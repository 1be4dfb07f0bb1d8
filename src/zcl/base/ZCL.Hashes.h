#pragma once
// Hash functions behind one class-level interface: a hash class is never instantiated; its
// static operations create a state, feed bytes into it and turn it into a result.
//
//   TZCLHashState state;
//   TZCLHashCRC32::Initialize(state);
//   TZCLHashCRC32::Update(state, data, size);
//   Cardinal crc = TZCLHashCRC32::Finalize(state).AsInt64();
//
// A state is finalized exactly once; CRC and MD5 states are freed by Finalize.

#include <array>
#include <functional>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Types.h"
#include "rtl/RTL.Variant.h"

class TEncoding;
using TZCLHashState = NativeUInt;
using TZCLHashProgressEvent = std::function<void(TObject* Sender, Single Progress)>;

namespace detail {
void HashStreamBlocks(TStream* Stream, const std::function<void(const void*, Integer)>& Update,
                      const TZCLHashProgressEvent& OnProgress);
TBytes HashTextBytes(StringView Text, TEncoding* Encoding);
}  // namespace detail

// The operations every hash class has, over its Initialize, Update (data, size) and Finalize.
template <class H>
class TZCLHash {
 public:
  static Variant Calculate(const void* Data, Integer Size) {
    TZCLHashState state;
    H::Initialize(state);
    H::Update(state, Data, Size);
    return H::Finalize(state);
  }
  // Without an encoding, the raw UTF-16 LE code units.
  static Variant Calculate(StringView Text, TEncoding* Encoding) {
    TZCLHashState state;
    H::Initialize(state);
    UpdateEncoded(state, Text, Encoding);
    return H::Finalize(state);
  }
  // The text's UTF-8 bytes.
  static void Update(TZCLHashState& State, StringView Text) {
    const std::string utf8 = StringToUTF8(Text);
    H::Update(State, utf8.data(), static_cast<Integer>(utf8.size()));
  }
  static void Update(TZCLHashState& State, const TBytes& Bytes) {
    H::Update(State, Bytes.data(), static_cast<Integer>(Bytes.size()));
  }
  static void UpdateEncoded(TZCLHashState& State, StringView Text, TEncoding* Encoding) {
    if (Text.empty()) return;
    const TBytes bytes = detail::HashTextBytes(Text, Encoding);
    H::Update(State, bytes.data(), static_cast<Integer>(bytes.size()));
  }
  // From the stream's position to its end. A memory stream is hashed in place without moving
  // its position; other streams are read in blocks of 256 bytes with progress.
  static void UpdateFromStream(TZCLHashState& State, TStream* Stream, const TZCLHashProgressEvent& OnProgress) {
    detail::HashStreamBlocks(
        Stream, [&](const void* Data, Integer Size) { H::Update(State, Data, Size); }, OnProgress);
  }
  static void Reset(TZCLHashState& State) {
    H::Finalize(State);
    H::Initialize(State);
  }
};

// lookup3 hashlittle, chained: each Update seeds with the previous value. Result: signed 32-bit.
class TZCLHashBobJenkins : public TZCLHash<TZCLHashBobJenkins> {
 public:
  using TZCLHash::Update;
  static void Initialize(TZCLHashState& State, Integer InitialValue = 0) {
    State = static_cast<Cardinal>(InitialValue);
  }
  static void Update(TZCLHashState& State, const void* Data, Integer Size);
  static Variant Finalize(TZCLHashState& State) { return Variant(static_cast<Integer>(static_cast<Cardinal>(State))); }
  static Cardinal HashLittle(const void* Data, size_t Length, Cardinal InitVal);
};

// CRC-32, most significant bit first, polynomial 0x04C11DB7, start 0, no final inversion.
// Result: unsigned 32-bit (as a 64-bit Variant).
class TZCLHashCRC32 : public TZCLHash<TZCLHashCRC32> {
 public:
  using TZCLHash::Update;
  static void Initialize(TZCLHashState& State) { Initialize(State, 0, nullptr); }
  // Table null means the built-in table.
  static void Initialize(TZCLHashState& State, Cardinal InitialValue, const Cardinal* Table);
  static void Update(TZCLHashState& State, const void* Data, Integer Size);
  static Variant Finalize(TZCLHashState& State);
  static const Cardinal* DefaultTable();
};

// MD5; Finalize gives lower-case hexadecimal text.
class TZCLHashMD5 : public TZCLHash<TZCLHashMD5> {
 public:
  using TZCLHash::Update;
  static void Initialize(TZCLHashState& State);
  static void Update(TZCLHashState& State, const void* Data, Integer Size);
  static Variant Finalize(TZCLHashState& State);
  static void Finalize(TZCLHashState& State, std::array<Byte, 16>& Digest);
  static void FinalizeToBytes(TZCLHashState& State, TBytes& Bytes);
};

// ELF (PJW) hash over UTF-16 code units; the top four bits are always 0.
Cardinal ElfHash(StringView Text, bool IgnoreCase = false);
Cardinal ElfHash(const Char* Data, Integer Length, bool IgnoreCase);
// A literal with a flag must not take the flag for a length.
inline Cardinal ElfHash(const Char* Text, bool IgnoreCase = false) { return ElfHash(StringView(Text), IgnoreCase); }

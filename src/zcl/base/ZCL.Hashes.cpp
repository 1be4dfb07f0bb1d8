#include "zcl/base/ZCL.Hashes.h"

#include <algorithm>
#include <cstring>

#include "rtl/RTL.Encoding.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace detail {
void HashStreamBlocks(TStream* Stream, const std::function<void(const void*, Integer)>& Update,
                      const TZCLHashProgressEvent& OnProgress) {
  const Int64 size = Stream->GetSize();
  if (auto* memory = dynamic_cast<TCustomMemoryStream*>(Stream)) {
    const Int64 position = std::min(memory->GetPosition(), size);
    const Byte* p = static_cast<const Byte*>(memory->GetMemory()) + position;
    // At least one Update, even over no bytes: a chained hash mixes its seed in every call.
    Int64 left = size - position;
    do {
      const Integer n = static_cast<Integer>(std::min<Int64>(left, 0x40000000));
      Update(p, n);
      p += n;
      left -= n;
    } while (left > 0);
    return;
  }
  Byte block[256];
  for (;;) {
    if (Stream->GetPosition() >= size) break;
    const Integer n = Stream->Read(block, sizeof(block));
    if (n <= 0) break;
    const Int64 position = Stream->GetPosition();
    Update(block, n);
    if (OnProgress && size > 0) OnProgress(nullptr, static_cast<Single>(static_cast<double>(position) / size * 100.0));
  }
}

TBytes HashTextBytes(StringView Text, TEncoding* Encoding) {
  if (Encoding) return Encoding->GetBytes(Text);
  TBytes bytes(Text.size() * 2);
  for (size_t i = 0; i < Text.size(); ++i) {
    bytes[2 * i] = static_cast<Byte>(Text[i]);
    bytes[2 * i + 1] = static_cast<Byte>(Text[i] >> 8);
  }
  return bytes;
}
}  // namespace detail

// lookup3 -------------------------------------------------------------------------------------

namespace {
inline Cardinal Rot(Cardinal x, int k) { return (x << k) | (x >> (32 - k)); }

inline void Mix(Cardinal& a, Cardinal& b, Cardinal& c) {
  a -= c, a ^= Rot(c, 4), c += b;
  b -= a, b ^= Rot(a, 6), a += c;
  c -= b, c ^= Rot(b, 8), b += a;
  a -= c, a ^= Rot(c, 16), c += b;
  b -= a, b ^= Rot(a, 19), a += c;
  c -= b, c ^= Rot(b, 4), b += a;
}

inline void Final(Cardinal& a, Cardinal& b, Cardinal& c) {
  c ^= b, c -= Rot(b, 14);
  a ^= c, a -= Rot(c, 11);
  b ^= a, b -= Rot(a, 25);
  c ^= b, c -= Rot(b, 16);
  a ^= c, a -= Rot(c, 4);
  b ^= a, b -= Rot(a, 14);
  c ^= b, c -= Rot(b, 24);
}

inline Cardinal Le32(const Byte* k) { return k[0] | Cardinal(k[1]) << 8 | Cardinal(k[2]) << 16 | Cardinal(k[3]) << 24; }
}  // namespace

Cardinal TZCLHashBobJenkins::HashLittle(const void* Data, size_t Length, Cardinal InitVal) {
  const Byte* k = static_cast<const Byte*>(Data);
  Cardinal a, b, c;
  a = b = c = 0xDEADBEEF + static_cast<Cardinal>(Length) + InitVal;
  while (Length > 12) {
    a += Le32(k);
    b += Le32(k + 4);
    c += Le32(k + 8);
    Mix(a, b, c);
    Length -= 12;
    k += 12;
  }
  switch (Length) {
    case 12: c += Cardinal(k[11]) << 24; [[fallthrough]];
    case 11: c += Cardinal(k[10]) << 16; [[fallthrough]];
    case 10: c += Cardinal(k[9]) << 8; [[fallthrough]];
    case 9: c += k[8]; [[fallthrough]];
    case 8: b += Cardinal(k[7]) << 24; [[fallthrough]];
    case 7: b += Cardinal(k[6]) << 16; [[fallthrough]];
    case 6: b += Cardinal(k[5]) << 8; [[fallthrough]];
    case 5: b += k[4]; [[fallthrough]];
    case 4: a += Cardinal(k[3]) << 24; [[fallthrough]];
    case 3: a += Cardinal(k[2]) << 16; [[fallthrough]];
    case 2: a += Cardinal(k[1]) << 8; [[fallthrough]];
    case 1: a += k[0]; break;
    case 0: return c;
  }
  Final(a, b, c);
  return c;
}

void TZCLHashBobJenkins::Update(TZCLHashState& State, const void* Data, Integer Size) {
  const Byte* p = static_cast<const Byte*>(Data);
  Cardinal value = static_cast<Cardinal>(State);
  Integer left = std::max(Size, 0);
  do {
    const Integer n = std::min(left, 0x40000000);
    value = HashLittle(p, static_cast<size_t>(n), value);
    p += n;
    left -= n;
  } while (left > 0);
  State = value;
}

// CRC-32 --------------------------------------------------------------------------------------

namespace {
struct TCrcState {
  Cardinal Crc;
  const Cardinal* Table;
};
}  // namespace

const Cardinal* TZCLHashCRC32::DefaultTable() {
  static const auto table = [] {
    std::array<Cardinal, 256> t{};
    for (Cardinal i = 0; i < 256; ++i) {
      Cardinal r = i << 24;
      for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
      t[i] = r;
    }
    return t;
  }();
  return table.data();
}

void TZCLHashCRC32::Initialize(TZCLHashState& State, Cardinal InitialValue, const Cardinal* Table) {
  State = reinterpret_cast<TZCLHashState>(new TCrcState{InitialValue, Table ? Table : DefaultTable()});
}

void TZCLHashCRC32::Update(TZCLHashState& State, const void* Data, Integer Size) {
  auto* s = reinterpret_cast<TCrcState*>(State);
  const Byte* p = static_cast<const Byte*>(Data);
  Cardinal crc = s->Crc;
  const Cardinal* table = s->Table;
  for (Integer i = 0; i < Size; ++i) crc = (crc << 8) ^ table[(crc >> 24) ^ p[i]];
  s->Crc = crc;
}

Variant TZCLHashCRC32::Finalize(TZCLHashState& State) {
  auto* s = reinterpret_cast<TCrcState*>(State);
  const Cardinal crc = s->Crc;
  delete s;
  State = 0;
  return Variant(static_cast<long long>(crc));
}

// MD5 (RFC 1321) -------------------------------------------------------------------------------

namespace {
struct TMd5State {
  Cardinal H[4] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
  UInt64 Length = 0;  // bytes
  Byte Block[64];
  Integer Used = 0;
};

constexpr Cardinal Md5K[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
constexpr int Md5R[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 5, 9,  14, 20, 5, 9,
                          14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                          4,  11, 16, 23, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

void Md5Block(Cardinal* H, const Byte* block) {
  Cardinal m[16];
  for (int i = 0; i < 16; ++i) m[i] = Le32(block + 4 * i);
  Cardinal a = H[0], b = H[1], c = H[2], d = H[3];
  for (int i = 0; i < 64; ++i) {
    Cardinal f;
    int g;
    if (i < 16) f = (b & c) | (~b & d), g = i;
    else if (i < 32) f = (d & b) | (~d & c), g = (5 * i + 1) & 15;
    else if (i < 48) f = b ^ c ^ d, g = (3 * i + 5) & 15;
    else f = c ^ (b | ~d), g = (7 * i) & 15;
    const Cardinal t = d;
    d = c;
    c = b;
    b = b + Rot(a + f + Md5K[i] + m[g], Md5R[i]);
    a = t;
  }
  H[0] += a, H[1] += b, H[2] += c, H[3] += d;
}
}  // namespace

void TZCLHashMD5::Initialize(TZCLHashState& State) { State = reinterpret_cast<TZCLHashState>(new TMd5State); }

void TZCLHashMD5::Update(TZCLHashState& State, const void* Data, Integer Size) {
  auto* s = reinterpret_cast<TMd5State*>(State);
  const Byte* p = static_cast<const Byte*>(Data);
  if (Size <= 0) return;
  s->Length += static_cast<UInt64>(Size);
  if (s->Used > 0) {
    const Integer n = std::min(Size, 64 - s->Used);
    std::memcpy(s->Block + s->Used, p, static_cast<size_t>(n));
    s->Used += n, p += n, Size -= n;
    if (s->Used < 64) return;
    Md5Block(s->H, s->Block);
    s->Used = 0;
  }
  for (; Size >= 64; p += 64, Size -= 64) Md5Block(s->H, p);
  std::memcpy(s->Block, p, static_cast<size_t>(Size));
  s->Used = Size;
}

void TZCLHashMD5::FinalizeToBytes(TZCLHashState& State, TBytes& Bytes) {
  auto* s = reinterpret_cast<TMd5State*>(State);
  const UInt64 bits = s->Length * 8;
  s->Block[s->Used++] = 0x80;
  if (s->Used > 56) {
    std::memset(s->Block + s->Used, 0, static_cast<size_t>(64 - s->Used));
    Md5Block(s->H, s->Block);
    s->Used = 0;
  }
  std::memset(s->Block + s->Used, 0, static_cast<size_t>(56 - s->Used));
  for (int i = 0; i < 8; ++i) s->Block[56 + i] = static_cast<Byte>(bits >> (8 * i));
  Md5Block(s->H, s->Block);
  Bytes.resize(16);
  for (int i = 0; i < 16; ++i) Bytes[i] = static_cast<Byte>(s->H[i / 4] >> (8 * (i % 4)));
  delete s;
  State = 0;
}

void TZCLHashMD5::Finalize(TZCLHashState& State, std::array<Byte, 16>& Digest) {
  TBytes bytes;
  FinalizeToBytes(State, bytes);
  std::copy_n(bytes.begin(), 16, Digest.begin());
}

Variant TZCLHashMD5::Finalize(TZCLHashState& State) {
  TBytes bytes;
  FinalizeToBytes(State, bytes);
  return Variant(TZCLHexcode::Encode(bytes.data(), static_cast<Integer>(bytes.size())));
}

// ELF -----------------------------------------------------------------------------------------

Cardinal ElfHash(const Char* Data, Integer Length, bool IgnoreCase) {
  String upper;
  if (IgnoreCase && Length > 0) {
    upper = zcUpperCase(StringView(Data, static_cast<size_t>(Length)));
    Data = upper.data();
    Length = static_cast<Integer>(upper.size());
  }
  Cardinal h = 0;
  for (Integer i = 0; i < Length; ++i) {
    h = (h << 4) + Data[i];
    const Cardinal g = h & 0xF0000000u;
    h ^= g >> 24;
    h &= ~g;
  }
  return h;
}

Cardinal ElfHash(StringView Text, bool IgnoreCase) {
  return ElfHash(Text.data(), static_cast<Integer>(Text.size()), IgnoreCase);
}

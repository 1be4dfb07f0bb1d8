#include "zcl/base/ZCL.Hashes.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

// The MD5_* context interface is marked deprecated in favour of the provider interface.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/md5.h>

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
    case 12:
      c += Cardinal(k[11]) << 24;
      [[fallthrough]];
    case 11:
      c += Cardinal(k[10]) << 16;
      [[fallthrough]];
    case 10:
      c += Cardinal(k[9]) << 8;
      [[fallthrough]];
    case 9:
      c += k[8];
      [[fallthrough]];
    case 8:
      b += Cardinal(k[7]) << 24;
      [[fallthrough]];
    case 7:
      b += Cardinal(k[6]) << 16;
      [[fallthrough]];
    case 6:
      b += Cardinal(k[5]) << 8;
      [[fallthrough]];
    case 5:
      b += k[4];
      [[fallthrough]];
    case 4:
      a += Cardinal(k[3]) << 24;
      [[fallthrough]];
    case 3:
      a += Cardinal(k[2]) << 16;
      [[fallthrough]];
    case 2:
      a += Cardinal(k[1]) << 8;
      [[fallthrough]];
    case 1:
      a += k[0];
      break;
    case 0:
      return c;
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

constexpr UInt64 KCrcPolynomial = 0x104C11DB7ull;

// x^N mod the polynomial: the constants that move a block N bits further down the message.
constexpr Cardinal PowerOfX(int N) {
  UInt64 r = 1;
  for (int i = 0; i < N; ++i) {
    r <<= 1;
    if (r & 0x100000000ull) r ^= KCrcPolynomial;
  }
  return static_cast<Cardinal>(r);
}

// Slicing-by-8 tables: Slices[k][b] is the CRC of byte b followed by k zero bytes.
struct TCrcSlices {
  Cardinal T[8][256];
};

const TCrcSlices& CrcSlices() {
  static const TCrcSlices slices = [] {
    TCrcSlices s{};
    const Cardinal* t = TZCLHashCRC32::DefaultTable();
    for (int b = 0; b < 256; ++b) s.T[0][b] = t[b];
    for (int k = 1; k < 8; ++k)
      for (int b = 0; b < 256; ++b) s.T[k][b] = (s.T[k - 1][b] << 8) ^ t[s.T[k - 1][b] >> 24];
    return s;
  }();
  return slices;
}

inline Cardinal Be32(const Byte* p) {
  return Cardinal(p[0]) << 24 | Cardinal(p[1]) << 16 | Cardinal(p[2]) << 8 | Cardinal(p[3]);
}

Cardinal CrcBytes(Cardinal Crc, const Byte* P, size_t Size, const Cardinal* Table) {
  for (size_t i = 0; i < Size; ++i) Crc = (Crc << 8) ^ Table[(Crc >> 24) ^ P[i]];
  return Crc;
}

Cardinal CrcSliced(Cardinal Crc, const Byte* P, size_t Size) {
  const auto& t = CrcSlices().T;
  for (; Size >= 8; P += 8, Size -= 8) {
    const Cardinal a = Crc ^ Be32(P);
    const Cardinal b = Be32(P + 4);
    Crc = t[7][a >> 24] ^ t[6][(a >> 16) & 0xFF] ^ t[5][(a >> 8) & 0xFF] ^ t[4][a & 0xFF] ^ t[3][b >> 24] ^
          t[2][(b >> 16) & 0xFF] ^ t[1][(b >> 8) & 0xFF] ^ t[0][b & 0xFF];
  }
  return CrcBytes(Crc, P, Size, TZCLHashCRC32::DefaultTable());
}

#if defined(__x86_64__) && defined(__GNUC__)
#define ZEPHSE_CRC_CLMUL 1
// Carry-less multiply folding: four 128-bit lanes are folded 512 bits ahead until fewer than 64
// bytes are left, then into one lane; what the lane holds has the CRC of the bytes folded so far,
// which the byte table finishes. The bytes are reversed in each lane so that bit 127 is the first
// bit of the message, as this CRC reads it.
#define ZEPHSE_CRC_TARGET __attribute__((target("pclmul,ssse3")))
ZEPHSE_CRC_TARGET inline __m128i CrcLoad(const Byte* P) {
  const __m128i swap = _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(P)), swap);
}

// A lane's high half moves by the distance + 64 bits (K's low half), its low half by the
// distance (K's high half).
ZEPHSE_CRC_TARGET inline __m128i CrcFold(__m128i X, __m128i K) {
  return _mm_xor_si128(_mm_clmulepi64_si128(X, K, 0x01), _mm_clmulepi64_si128(X, K, 0x10));
}

ZEPHSE_CRC_TARGET Cardinal CrcFolded(Cardinal Crc, const Byte* P, size_t Size) {
  static const __m128i k512 = _mm_set_epi64x(PowerOfX(512), PowerOfX(576));
  static const __m128i k128 = _mm_set_epi64x(PowerOfX(128), PowerOfX(192));
  __m128i x0 = _mm_xor_si128(CrcLoad(P), _mm_set_epi32(static_cast<int>(Crc), 0, 0, 0));
  __m128i x1 = CrcLoad(P + 16), x2 = CrcLoad(P + 32), x3 = CrcLoad(P + 48);
  P += 64, Size -= 64;
  for (; Size >= 64; P += 64, Size -= 64) {
    x0 = _mm_xor_si128(CrcFold(x0, k512), CrcLoad(P));
    x1 = _mm_xor_si128(CrcFold(x1, k512), CrcLoad(P + 16));
    x2 = _mm_xor_si128(CrcFold(x2, k512), CrcLoad(P + 32));
    x3 = _mm_xor_si128(CrcFold(x3, k512), CrcLoad(P + 48));
  }
  x1 = _mm_xor_si128(CrcFold(x0, k128), x1);
  x2 = _mm_xor_si128(CrcFold(x1, k128), x2);
  x3 = _mm_xor_si128(CrcFold(x2, k128), x3);
  for (; Size >= 16; P += 16, Size -= 16) x3 = _mm_xor_si128(CrcFold(x3, k128), CrcLoad(P));
  alignas(16) Byte rest[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(rest),
                  _mm_shuffle_epi8(x3, _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0)));
  return CrcSliced(CrcSliced(0, rest, 16), P, Size);
}

bool HasClmul() {
  static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
  return has;
}
#endif
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
  if (Size <= 0) return;
  const Byte* p = static_cast<const Byte*>(Data);
  const auto size = static_cast<size_t>(Size);
  // A caller's own table may be any polynomial: only the built-in one has the fast paths.
  if (s->Table != DefaultTable()) s->Crc = CrcBytes(s->Crc, p, size, s->Table);
#ifdef ZEPHSE_CRC_CLMUL
  else if (size >= 128 && HasClmul())
    s->Crc = CrcFolded(s->Crc, p, size);
#endif
  else
    s->Crc = CrcSliced(s->Crc, p, size);
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
// libcrypto's block function is tuned per processor; its one-shot context interface is kept
// for that (the provider interface would add a lookup per state).
struct TMd5State {
  MD5_CTX Context;
};
}  // namespace

void TZCLHashMD5::Initialize(TZCLHashState& State) {
  auto* s = new TMd5State;
  MD5_Init(&s->Context);
  State = reinterpret_cast<TZCLHashState>(s);
}

void TZCLHashMD5::Update(TZCLHashState& State, const void* Data, Integer Size) {
  if (Size <= 0) return;
  MD5_Update(&reinterpret_cast<TMd5State*>(State)->Context, Data, static_cast<size_t>(Size));
}

void TZCLHashMD5::FinalizeToBytes(TZCLHashState& State, TBytes& Bytes) {
  auto* s = reinterpret_cast<TMd5State*>(State);
  Bytes.resize(MD5_DIGEST_LENGTH);
  MD5_Final(Bytes.data(), &s->Context);
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

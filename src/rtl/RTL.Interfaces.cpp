#include "rtl/RTL.Interfaces.h"

#include <sys/random.h>

#include <cerrno>

#include "rtl/RTL.Exceptions.h"

HRESULT IInterface::QueryInterface(const TGUID&, void** Obj) {
  if (Obj) *Obj = nullptr;
  return E_NOINTERFACE;
}

String TGUID::ToString() const {
  static constexpr char16_t digits[] = u"0123456789ABCDEF";
  String result(38, u'-');
  result.front() = u'{';
  result.back() = u'}';
  size_t pos = 1;
  auto put = [&](uint64_t value, int nibbles) {
    for (int i = nibbles - 1; i >= 0; --i) result[pos++] = digits[(value >> (4 * i)) & 0xF];
  };
  put(D1, 8);
  ++pos;
  put(D2, 4);
  ++pos;
  put(D3, 4);
  ++pos;
  put(D4[0], 2);
  put(D4[1], 2);
  ++pos;
  for (int i = 2; i < 8; ++i) put(D4[i], 2);
  return result;
}

size_t TGUID::Hash() const {
  // GUIDs are mostly random already; mixing both halves keeps sequential ones apart too.
  uint64_t lo = (uint64_t(D1) << 32) | (uint64_t(D2) << 16) | D3;
  uint64_t hi = 0;
  for (int i = 0; i < 8; ++i) hi = (hi << 8) | D4[i];
  uint64_t h = lo * 0x9E3779B97F4A7C15ull ^ (hi + 0x632BE59BD9B4E019ull + (lo << 6) + (lo >> 2));
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return static_cast<size_t>(h);
}

TGUID TGUID::NewGuid() {
  TGUID guid;
  if (Failed(CreateGUID(guid))) RaiseLastOSError();
  return guid;
}

HRESULT CreateGUID(TGUID& Guid) {
  uint8_t bytes[16];
  size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      Guid = TGUID();
      return HResultFromOSError(errno);
    }
    got += static_cast<size_t>(n);
  }
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4 (random)
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // variant 1
  Guid.D1 = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
  Guid.D2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
  Guid.D3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) Guid.D4[i] = bytes[8 + i];
  return S_OK;
}

bool TryStringToGUID(StringView Text, TGUID& Guid) {
  Guid = TGUID();
  TGUID parsed;
  if (!detail::ParseGUID(Text.data(), Text.size(), parsed)) return false;
  Guid = parsed;
  return true;
}

TGUID StringToGUID(StringView Text) {
  TGUID guid;
  if (!TryStringToGUID(Text, guid)) throw EConvertError(u"'%s' is not a valid GUID value", {Text});
  return guid;
}

String GUIDToString(const TGUID& Guid) { return Guid.ToString(); }

// --- TInterfacedObject ---

HRESULT TInterfacedObject::QueryInterface(const TGUID& IID, void** Obj) {
  return InterfaceTableQuery<IInterface>(this, IID, Obj) ? S_OK : E_NOINTERFACE;
}

Integer TInterfacedObject::_AddRef() { return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1; }

Integer TInterfacedObject::_Release() {
  const Integer count = FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (count == 0) {
    FRefCount.store(DestroyingMark, std::memory_order_relaxed);
    Free(this);
  }
  return count;
}

void TInterfacedObject::AfterConstruction() {
  TObject::AfterConstruction();
  // The constructor's own count; whatever references it handed out stay.
  FRefCount.fetch_sub(1, std::memory_order_release);
}

void TInterfacedObject::BeforeDestruction() {
  // Freed by its owner the count must be 0; freed by its last _Release it is parked already.
  Integer count = 0;
  if (!FRefCount.compare_exchange_strong(count, DestroyingMark, std::memory_order_acq_rel) && count > 0)
    throw EInvalidPointer(u"Invalid Pointer");
  TObject::BeforeDestruction();
}

// --- TNoRefCountObject, TContainedObject ---

HRESULT TNoRefCountObject::QueryInterface(const TGUID& IID, void** Obj) {
  return InterfaceTableQuery<IInterface>(this, IID, Obj) ? S_OK : E_NOINTERFACE;
}

HRESULT TContainedObject::QueryInterface(const TGUID& IID, void** Obj) {
  return InterfaceTableQuery<IInterface>(this, IID, Obj) ? S_OK : E_NOINTERFACE;
}

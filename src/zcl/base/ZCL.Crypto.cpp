#include "zcl/base/ZCL.Crypto.h"

#include <algorithm>
#include <cstring>

#include "rtl/RTL.Exceptions.h"

TXORStream::TXORStream(const TBytes& AKey, TStream* AStream, TStreamOwnership AOwnership)
    : FBuffer(256), FKey(AKey), FKeyLength(static_cast<Integer>(AKey.size())), FStream(AStream),
      FOwnership(AOwnership) {
  if (FKeyLength == 0) throw EArgumentException(u"The key of a XOR stream cannot be empty");
  FKeyIndex = static_cast<Integer>(FStream->GetPosition() % FKeyLength);
}

TXORStream::~TXORStream() {
  if (FOwnership == soOwned) Free(FStream);
}

void TXORStream::Apply(Byte* Data, Integer Count) {
  for (Integer i = 0; i < Count; ++i) {
    Data[i] ^= FKey[static_cast<size_t>(FKeyIndex)];
    if (++FKeyIndex == FKeyLength) FKeyIndex = 0;
  }
}

Integer TXORStream::Read(void* Buffer, Integer Count) {
  const Integer n = FStream->Read(Buffer, Count);
  if (n > 0) Apply(static_cast<Byte*>(Buffer), n);
  return n;
}

Integer TXORStream::Write(const void* Buffer, Integer Count) {
  const Byte* in = static_cast<const Byte*>(Buffer);
  Integer total = 0;
  while (Count > 0) {
    const Integer n = std::min(Count, 256);
    std::memcpy(FBuffer.data(), in, static_cast<size_t>(n));
    Apply(FBuffer.data(), n);
    total += FStream->Write(FBuffer.data(), n);
    in += n;
    Count -= n;
  }
  return total;
}

Int64 TXORStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  const Int64 p = FStream->Seek(Offset, Origin);
  FKeyIndex = static_cast<Integer>(((p % FKeyLength) + FKeyLength) % FKeyLength);
  return p;
}

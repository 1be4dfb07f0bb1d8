#include "zcl/base/ZCL.Classes.ByteBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "rtl/RTL.Exceptions.h"

TZCLByteBuffer::TZCLByteBuffer(Integer ASize) {
  if (ASize < 0) throw EInvalidArgument(String(u"TZCLByteBuffer"));
  SetSize(ASize);
}

TZCLByteBuffer::~TZCLByteBuffer() { SetSize(0); }

void TZCLByteBuffer::SetSize(Integer NewSize) {
  if (NewSize == FSize || NewSize < 0) return;
  Byte* block = nullptr;
  if (NewSize > 0) {
    block = static_cast<Byte*>(std::calloc(static_cast<size_t>(NewSize), 1));
    if (!block) throw EOutOfMemory(u"Out of memory");
  }
  FUsed = std::min(std::max(FUsed, 0), NewSize);
  if (FUsed > 0) std::memcpy(block, FMemory, static_cast<size_t>(FUsed));
  std::free(FMemory);
  FMemory = block;
  Data = FMemory;
  FSize = NewSize;
}

Integer TZCLByteBuffer::SetUsed(Integer Value) {
  FUsed = std::clamp(Value, 0, FSize);
  return FUsed;
}

void TZCLByteBuffer::Reset(bool ClearData) {
  if (ClearData && FSize > 0) std::memset(FMemory, 0, static_cast<size_t>(FSize));
  FUsed = 0;
}

bool TZCLByteBuffer::Equals(const TObject* Obj) const {
  if (Obj == this) return true;
  if (!Obj || Obj->ClassType() != ClassType()) return false;
  const auto* other = static_cast<const TZCLByteBuffer*>(Obj);
  return other->FSize == FSize && (FSize == 0 || std::memcmp(other->FMemory, FMemory, static_cast<size_t>(FSize)) == 0);
}

void TZCLRemovableByteBuffer::Remove(Integer Count) {
  if (Count < 0) throw EInvalidArgument(u"Count cannot be negative");
  const Integer n = std::min(Count, GetUsed());
  const Integer rest = GetUsed() - n;
  if (rest > 0) std::memmove(GetMemory(), GetMemory() + n, static_cast<size_t>(rest));
  SetUsedRaw(rest);
}

Cardinal TZCLBitStream::Read(Byte Count) {
  if (Count == 0 || static_cast<Int64>(FPosition) + Count > FSize) throw EInvalidArgument(u"Bits index out of range");
  Cardinal result = 0;
  for (Byte i = 0; i < Count; ++i, ++FPosition)
    result = result << 1 | ((FData[FPosition >> 3] >> (7 - (FPosition & 7))) & 1u);
  return result;
}

void TZCLBitStream::SetPosition(Integer Value) {
  if (Value < 0 || Value > FSize) throw EInvalidArgument(u"Bits index out of range");
  FPosition = Value;
}

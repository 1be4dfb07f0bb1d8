#include "zcl/base/ZCL.Classes.ByteBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Threading.h"

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
  if (FUsed > 0 && block && FMemory) std::memcpy(block, FMemory, static_cast<size_t>(FUsed));
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

TZCLDataContainer::TZCLDataContainer()
    : FStream(Create<TMemoryStream>()), FLock(Create<TZCLCriticalSection>(this, u"TZCLDataContainer.Lock")) {}

TZCLDataContainer::TZCLDataContainer(TStream* Source) : TZCLDataContainer() {
  Source->SetPosition(0);
  FStream->CopyFrom(Source, 0);
}

TZCLDataContainer::TZCLDataContainer(TStream* Source, Integer Count) : TZCLDataContainer() {
  SetDataSize(Count);
  if (Count > 0) Source->ReadBuffer(FStream->GetMemory(), Count);
}

TZCLDataContainer::~TZCLDataContainer() {
  Free(FStream);
  Free(FLock);
}

void* TZCLDataContainer::GetData() { return FStream->GetMemory(); }

Integer TZCLDataContainer::GetDataSize() {
  FLock->Enter();
  const Integer size = static_cast<Integer>(FStream->GetSize());
  FLock->Leave();
  return size;
}

bool TZCLDataContainer::SetDataSize(Integer Size) {
  FLock->Enter();
  try {
    FStream->SetSize(std::max(Size, 0));
    if (Size > 0) std::memset(FStream->GetMemory(), 0, static_cast<size_t>(Size));
  } catch (...) {
    FLock->Leave();
    throw;
  }
  FLock->Leave();
  return true;
}

TMemoryStream* TZCLDataContainer::LockData() {
  FLock->Enter();
  return FStream;
}

void TZCLDataContainer::UnlockData() { FLock->Leave(); }

bool DataContainersEqual(const IPtr<IZCLDataContainer>& A, const IPtr<IZCLDataContainer>& B) {
  if (A.get() == B.get()) return true;
  if (!A || !B) return false;
  const Integer size = A->GetDataSize();
  return size == B->GetDataSize() && (size == 0 || std::memcmp(A->GetData(), B->GetData(), static_cast<size_t>(size)) == 0);
}

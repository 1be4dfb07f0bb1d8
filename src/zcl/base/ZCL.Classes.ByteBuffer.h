#pragma once
// Byte blocks: a fixed-size zero-filled work buffer with a count of bytes in use, a byte queue,
// and a reader of most-significant-bit-first bit fields.

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

class TZCLByteBuffer : public TObject {
  ZCL_CLASS(TZCLByteBuffer, TObject)
 public:
  // Size < 0 raises EInvalidArgument.
  explicit TZCLByteBuffer(Integer ASize = 0);
  ~TZCLByteBuffer() override;

  // Only the bytes in use survive a resize; the rest of the new block is zero.
  void SetSize(Integer NewSize);
  // Used := Value limited to 0 .. Size; returns the new Used.
  Integer SetUsed(Integer Value);
  virtual void Reset(bool ClearData);
  // Same class, same size, same bytes.
  bool Equals(const TObject* Obj) const override;

  Byte* Data = nullptr;
  Byte* GetMemory() const { return FMemory; }
  Integer GetSize() const { return FSize; }
  Integer GetUsed() const { return FUsed; }

 private:
  Byte* FMemory = nullptr;
  Integer FSize = 0;
  Integer FUsed = 0;

 protected:
  void SetUsedRaw(Integer Value) { FUsed = Value; }
};

// A byte queue: bytes are taken off the front.
class TZCLRemovableByteBuffer : public TZCLByteBuffer {
  ZCL_CLASS(TZCLRemovableByteBuffer, TZCLByteBuffer)
 public:
  using TZCLByteBuffer::TZCLByteBuffer;
  void Remove(Integer Count);
};

class TZCLBitStream : public TObject {
  ZCL_CLASS(TZCLBitStream, TObject)
 public:
  TZCLBitStream(const void* AData, Integer SizeInBits) : FData(static_cast<const Byte*>(AData)), FSize(SizeInBits) {}
  Integer BitsLeft() const { return FSize - FPosition; }
  // Count bits, most significant first; beyond 32 only the last 32 remain. Count 0 or past
  // the end raises EInvalidArgument "Bits index out of range" and reads nothing.
  Cardinal Read(Byte Count);
  void SetPosition(Integer Value);
  Integer GetPosition() const { return FPosition; }
  Integer GetSize() const { return FSize; }
  void Skip(Byte Count) { SetPosition(FPosition + Count); }

 private:
  const Byte* FData;
  Integer FPosition = 0;
  Integer FSize;
};

#pragma once
// Byte blocks: a fixed-size zero-filled work buffer with a count of bytes in use, a byte queue,
// and a reader of most-significant-bit-first bit fields.

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

class TStream;
class TMemoryStream;
class TZCLCriticalSection;

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

// A lockable memory stream shared between threads: GetDataSize and SetDataSize lock for
// themselves; every other access goes between LockData and UnlockData.
struct IZCLDataContainer : virtual IInterface {
  RTL_INTERFACE(IZCLDataContainer, IInterface, "{3C9D52B1-8E07-4A6F-B2D4-61F0E93A7C15}")
  virtual void* GetData() = 0;
  virtual Integer GetDataSize() = 0;
  virtual TMemoryStream* GetStream() = 0;
  // The stream's size := Size, all bytes 0.
  virtual bool SetDataSize(Integer Size) = 0;
  virtual TMemoryStream* LockData() = 0;
  virtual void UnlockData() = 0;
};

class TZCLDataContainer : public TInterfacedObject, public IZCLDataContainer {
  RTL_INTERFACES(TInterfacedObject, IZCLDataContainer)
 public:
  TZCLDataContainer();
  // The whole stream from position 0.
  explicit TZCLDataContainer(TStream* Source);
  // Count bytes from the stream's position; a shorter stream raises EReadError.
  TZCLDataContainer(TStream* Source, Integer Count);
  ~TZCLDataContainer() override;
  void* GetData() override;
  Integer GetDataSize() override;
  TMemoryStream* GetStream() override { return FStream; }
  bool SetDataSize(Integer Size) override;
  TMemoryStream* LockData() override;
  void UnlockData() override;

 private:
  TMemoryStream* FStream;
  TZCLCriticalSection* FLock;
};

// Same reference, or both present with equal bytes.
bool DataContainersEqual(const IPtr<IZCLDataContainer>& A, const IPtr<IZCLDataContainer>& B);

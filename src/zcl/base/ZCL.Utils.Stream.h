#pragma once
// The binary conventions of the program's formats and the routines and stream classes they are
// written with. All integers are little-endian:
//   chunk          identifier (u32) | size (u32, patched after the data) | data
//   counted string count (u16) | count UTF-16 LE code units (bytes for byte strings)
//   variant        tag (1 byte) | payload (see StreamWriteVariant)

#include <functional>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Types.h"
#include "zcl/base/ZCL.Classes.h"  // TZCLProgressEvent

class TEncoding;
class Variant;
class TZCLByteBuffer;
class TZCLCriticalSection;

RTL_EXCEPTION(EZCLCannotModifyReadOnlyStream, EInvalidOperation);

// Sender, progress 0..100.

void StreamWriteWord(TStream* Stream, Word Value);
Word StreamReadWord(TStream* Stream);
void StreamWriteInteger(TStream* Stream, Integer Value);
Integer StreamWriteBytes(TStream* Stream, const TBytes& Bytes);
Int64 StreamWriteZeroBytes(TStream* Stream, Int64 Size);
// The text's bytes in Encoding without a preamble; raw UTF-16 LE without one.
Integer StreamWriteString(TStream* Stream, StringView Text, TEncoding* Encoding = nullptr);
Integer StreamWriteAnsiString(TStream* Stream, std::string_view Text);
// Counted strings hold at most 65,535 units; a longer text raises EWriteError and writes nothing.
Integer StreamWriteStringWithLength(TStream* Stream, StringView Text);
Integer StreamWriteAnsiStringWithLength(TStream* Stream, std::string_view Text);
void StreamReadUnicodeString(TStream* Stream, String& Text, Integer Length);
String StreamReadString(TStream* Stream, Integer Length);
void StreamReadAnsiString(TStream* Stream, AnsiString& Text, Integer Length);
void StreamReadStringWithLength(TStream* Stream, String& Text);
void StreamReadAnsiStringWithLength(TStream* Stream, AnsiString& Text);
Integer StreamWritePreamble(TStream* Stream, TEncoding* Encoding = nullptr);

// Tags: 0 Null, 1 array (count, elements), 2/3/4 integers of 1/2/4 bytes, 5 Double, 6 counted
// string, 8/9 False/True, 13 Empty, 15 Single, 16 Currency as a Single, 17 Date, 19 Int64.
// Unsupported kinds raise EWriteError / EReadError "Unsupported Variant Type".
void StreamWriteVariant(TStream* Stream, const Variant& Value);
void StreamReadVariant(TStream* Stream, Variant& Value);

// Writes ID and a placeholder size; returns the position after them.
Int64 StreamBeginWriteChunk(TStream* Stream, Cardinal ID, Int64& Start);
// Patches the size of the chunk begun at Start and moves to its end.
void StreamEndWriteChunk(TStream* Stream, Int64& Start);

Int64 StreamGetBytesLeft(TStream* Stream);
// True when the program holds an embedded resource of that name and type (the module handle is
// accepted for the callers' sake: there is one set of resources, the program's).
bool ResourceExists(const void* Module, StringView Name, StringView Type);
void StreamCopyPart(TStream* Target, TStream* Source, Int64 Count);
void StreamCopyRange(TStream* Target, TStream* Source, Int64 Position, Int64 Count);
void StreamCopyAll(TStream* Target, TStream* Source);
TMemoryStream* StreamCreateMemoryCopy(TStream* Source);
TMemoryStream* StreamReadMemoryStream(TStream* Source, Int64 Size);
TCustomMemoryStream* StreamCreateOnMemory(const void* Address, NativeInt Size);
bool StreamEquals(TStream* A, TStream* B);
// Position of the earliest match of any pattern within at least MaxSearch bytes from the
// stream's position, -1 when none; the stream's position is kept.
Int64 StreamFind(TStream* Stream, const std::vector<AnsiString>& Patterns, AnsiString& Found, Int64 MaxSearch);
bool StreamSeekTo(TStream* Stream, const std::vector<AnsiString>& Patterns, AnsiString& Found, Int64 MaxSearch);
bool StreamSeekTo(TStream* Stream, const AnsiString& Pattern, Int64 MaxSearch);
// Replaces Length bytes at Position with Replacement's bytes (none when null), moving the rest.
void StreamReplaceRange(TStream* Stream, TMemoryStream* Replacement, Int64 Position, Int64 Length,
                        const TZCLProgressEvent& OnProgress = nullptr, TObject* Sender = nullptr);

// Forwards to another stream.
class TZCLStreamWrapper : public TStream {
  ZCL_CLASS(TZCLStreamWrapper, TStream)
 public:
  TZCLStreamWrapper(TStream* AStream, TStreamOwnership AOwnership);
  ~TZCLStreamWrapper() override;
  using TStream::Read;
  using TStream::Write;
  Integer Read(void* Buffer, Integer Count) override { return FStream->Read(Buffer, Count); }
  Integer Write(const void* Buffer, Integer Count) override { return FStream->Write(Buffer, Count); }
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override { return FStream->Seek(Offset, Origin); }
  Int64 GetSize() override { return FStream->GetSize(); }
  void SetSize(Int64 NewSize) override { FStream->SetSize(NewSize); }
  TStream* GetStream() const { return FStream; }
  // The innermost stream.
  static TStream* Unwrap(TStream* Stream);

 protected:
  TStream* FStream;
  TStreamOwnership FOwnership;
};

// Caches one block of the wrapped stream; modified blocks are written back before another block
// is loaded, when the size is set and on destruction.
class TZCLBufferedStream : public TZCLStreamWrapper {
  ZCL_CLASS(TZCLBufferedStream, TZCLStreamWrapper)
 public:
  // BufferSize below 1024 means 262,144 bytes.
  TZCLBufferedStream(TStream* AStream, TStreamOwnership AOwnership, Integer BufferSize = 0);
  ~TZCLBufferedStream() override;
  using TStream::Read;
  using TStream::Write;
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  Int64 GetSize() override;
  // Writes back the buffer, sets the wrapped stream's size and drops buffered bytes beyond it.
  void SetSize(Int64 NewSize) override;
  void Flush();

 private:
  void Fill();
  TZCLByteBuffer* FBuffer;
  Int64 FBufferOffset = 0;
  bool FBufferModified = false;
  Int64 FPosition = 0;
  // The wrapped stream's size, -1 until asked again.
  Int64 FStreamSize = -1;
};

// A read-only window on a stream.
class TZCLSubStream : public TZCLStreamWrapper {
  ZCL_CLASS(TZCLSubStream, TZCLStreamWrapper)
 public:
  TZCLSubStream(TStream* AStream, Int64 AOffset, Int64 ASize, TStreamOwnership AOwnership);
  using TStream::Read;
  using TStream::Write;
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  Int64 GetSize() override { return FSize; }
  void SetSize(Int64 NewSize) override;
  // Where the window starts in the wrapped stream.
  Int64 GetOffset() const { return FOffset; }

 private:
  TZCLCriticalSection* FLock;
  Int64 FOffset;
  Int64 FPosition = 0;
  Int64 FSize;

 public:
  ~TZCLSubStream() override;
};

// A stream shared by counted references; its holder owns it between LockStream and UnlockStream.
struct IZCLStreamContainer : virtual IInterface {
  RTL_INTERFACE(IZCLStreamContainer, IInterface, "{7E3A61C2-55D4-4F0B-9C1E-2B8F0A6D3C41}")
  virtual Int64 GetSize() = 0;
  // Enters the lock and returns the stream positioned at 0.
  virtual TStream* LockStream() = 0;
  virtual void UnlockStream() = 0;
};

class TZCLStreamContainer : public TInterfacedObject, public IZCLStreamContainer {
  RTL_INTERFACES(TInterfacedObject, IZCLStreamContainer)
 public:
  TZCLStreamContainer();
  // Size bytes from the stream's position; a negative Size means all bytes left.
  TZCLStreamContainer(TStream* Source, Int64 Size);
  explicit TZCLStreamContainer(const std::function<void(TStream*)>& Writer);
  // UTF-16 LE with the byte-order mark FF FE.
  explicit TZCLStreamContainer(StringView Text);
  // Takes Stream as its own.
  struct TOwn {};
  TZCLStreamContainer(TStream* Stream, TOwn);
  static TZCLStreamContainer* CreateOwning(TStream* Stream);
  ~TZCLStreamContainer() override;
  Int64 GetSize() override { return FStream->GetSize(); }
  TStream* LockStream() override;
  void UnlockStream() override;

 private:
  TStream* FStream;
  TZCLCriticalSection* FLock;
};

// A byte range of another container's stream, shown as a container of its own.
class TZCLSubStreamContainer : public TInterfacedObject, public IZCLStreamContainer {
  RTL_INTERFACES(TInterfacedObject, IZCLStreamContainer)
 public:
  TZCLSubStreamContainer(const IPtr<IZCLStreamContainer>& AContainer, Int64 AOffset, Int64 ASize);
  ~TZCLSubStreamContainer() override;
  Int64 GetSize() override { return FSize; }
  TStream* LockStream() override;
  void UnlockStream() override;

 private:
  Int64 FOffset;
  Int64 FSize;
  IPtr<IZCLStreamContainer> FContainer;
  TZCLSubStream* FSubStream = nullptr;
};

class TZCLMemoryStream : public TMemoryStream {
  ZCL_CLASS(TZCLMemoryStream, TMemoryStream)
};

// A memory stream whose storage is a byte string: bytes already held in one are read without a
// copy. Growth rounds the capacity up to a multiple of 8192 bytes.
class TZCLAnsiStringStream : public TZCLMemoryStream {
  ZCL_CLASS(TZCLAnsiStringStream, TZCLMemoryStream)
 public:
  explicit TZCLAnsiStringStream(AnsiString AData = {});
  ~TZCLAnsiStringStream() override;
  // The stream's bytes, exactly Size of them.
  AnsiString GetDataString() { return FData.substr(0, static_cast<size_t>(GetSize())); }

 protected:
  void* Realloc(NativeInt& NewCapacity) override;

 private:
  AnsiString FData;
};

#pragma once
// Streams: the abstract TStream and the memory, byte-array, string, handle, file and resource
// streams. Positions and sizes are 64-bit; one Read or Write moves at most MaxInt bytes.
//
//   TFileStream* file = new TFileStream(u"skin.xml", fmOpenRead | fmShareDenyWrite);
//   TMemoryStream* copy = new TMemoryStream;
//   copy->CopyFrom(file, 0);        // the whole file
//
// Read and Write return the number of bytes moved; ReadBuffer and WriteBuffer raise EReadError
// "Stream read error" / EWriteError "Stream write error" when fewer bytes move than asked.

#include <type_traits>
#include <vector>

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

class TEncoding;
using TBytes = std::vector<Byte>;

enum TSeekOrigin : Byte { soBeginning, soCurrent, soEnd };

// Whether a stream that holds another one frees it.
enum TStreamOwnership : Byte { soReference, soOwned };

// File modes: fmCreate, or one access mode combined with one share mode.
constexpr Word fmCreate = 0xFF00;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

// The resource type of raw data.
inline constexpr StringView RT_RCDATA = u"RCDATA";

class TStream : public TObject {
  ZCL_CLASS(TStream, TObject)
 public:
  virtual Integer Read(void* Buffer, Integer Count) = 0;
  virtual Integer Write(const void* Buffer, Integer Count) = 0;
  // Returns the new position. Positions beyond the end are allowed where the stream can grow.
  virtual Int64 Seek(Int64 Offset, TSeekOrigin Origin) = 0;

  Integer Read(TBytes& Buffer, Integer Offset, Integer Count);
  Integer Write(const TBytes& Buffer, Integer Offset, Integer Count);
  void ReadBuffer(void* Buffer, Int64 Count);
  void WriteBuffer(const void* Buffer, Int64 Count);
  void ReadBuffer(TBytes& Buffer, Int64 Count);  // into Buffer from index 0; Buffer must have room
  void WriteBuffer(const TBytes& Buffer, Int64 Count);

  // Typed helpers for plain values (little-endian, as the binary formats store them).
  template <class T>
  Integer ReadData(T& Value) {
    static_assert(std::is_trivially_copyable_v<T>);
    return Read(&Value, sizeof(T));
  }
  template <class T>
  Integer WriteData(const T& Value) {
    static_assert(std::is_trivially_copyable_v<T>);
    return Write(&Value, sizeof(T));
  }
  template <class T>
  void ReadBufferData(T& Value) {
    static_assert(std::is_trivially_copyable_v<T>);
    ReadBuffer(&Value, sizeof(T));
  }
  template <class T>
  void WriteBufferData(const T& Value) {
    static_assert(std::is_trivially_copyable_v<T>);
    WriteBuffer(&Value, sizeof(T));
  }

  // Copies Count bytes from Source's position; Count <= 0 copies all of Source from position 0.
  // Returns the bytes copied; a short Source raises EReadError.
  Int64 CopyFrom(TStream* Source, Int64 Count = 0);

  Int64 GetPosition() { return Seek(0, soCurrent); }
  void SetPosition(Int64 Value) { Seek(Value, soBeginning); }
  // By default: seek to the end and back.
  virtual Int64 GetSize();
  // Streams whose size cannot be set raise EStreamError.
  virtual void SetSize(Int64 NewSize);
};

// A stream over memory that it does not allocate (see SetPointer). Writes store nothing and
// report 0 bytes, so WriteBuffer raises.
class TCustomMemoryStream : public TStream {
  ZCL_CLASS(TCustomMemoryStream, TStream)
 public:
  using TStream::Read;
  using TStream::Write;
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  Int64 GetSize() override { return FSize; }

  void SaveToStream(TStream* Stream);
  void SaveToFile(const String& FileName);
  void* GetMemory() const { return FMemory; }

  // A read-only stream over Size bytes at Ptr; nothing is copied or owned.
  TCustomMemoryStream() = default;
  TCustomMemoryStream(const void* Ptr, NativeInt Size) { SetPointer(const_cast<void*>(Ptr), Size); }

 protected:
  void SetPointer(void* Ptr, NativeInt Size);
  Int64 FPosition = 0;

 private:
  void* FMemory = nullptr;
  NativeInt FSize = 0;
};

// A growing stream in memory. Capacity grows geometrically through Realloc; bytes between the
// old end and a write beyond it, and bytes added by SetSize, are zero.
class TMemoryStream : public TCustomMemoryStream {
  ZCL_CLASS(TMemoryStream, TCustomMemoryStream)
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;

  using TStream::Write;
  Integer Write(const void* Buffer, Integer Count) override;
  void SetSize(Int64 NewSize) override;
  void Clear();
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const String& FileName);

  NativeInt GetCapacity() const { return FCapacity; }
  void SetCapacity(NativeInt NewCapacity);

 protected:
  // Returns storage for NewCapacity bytes holding the current contents, or null for 0; may round
  // NewCapacity up. Raises EOutOfMemory when memory runs out. A class that overrides it keeps
  // storage of its own and detaches it in its destructor (SetPointer(nullptr, 0)).
  virtual void* Realloc(NativeInt& NewCapacity);

 private:
  NativeInt FCapacity = 0;
};

// A memory stream whose storage is a byte array.
class TBytesStream : public TMemoryStream {
  ZCL_CLASS(TBytesStream, TMemoryStream)
 public:
  explicit TBytesStream(TBytes Bytes = {});
  ~TBytesStream() override;
  // The stream's bytes, exactly Size of them.
  TBytes GetBytes() const;

 protected:
  void* Realloc(NativeInt& NewCapacity) override;

 private:
  TBytes FBytes;  // as long as the capacity
};

// Text in a byte stream. Without an encoding the text is UTF-8 (lossless); an owned encoding
// is freed with the stream unless it is one of the shared encodings.
class TStringStream : public TBytesStream {
  ZCL_CLASS(TStringStream, TBytesStream)
 public:
  TStringStream();
  explicit TStringStream(const String& AString, TEncoding* AEncoding = nullptr, bool AOwnsEncoding = true);
  explicit TStringStream(const TBytes& ABytes, TEncoding* AEncoding = nullptr, bool AOwnsEncoding = true);
  ~TStringStream() override;

  // All bytes of the stream decoded.
  String GetDataString() const;
  TEncoding* GetEncoding() const { return FEncoding; }
  // Count bytes from the position (at most to the end), decoded.
  String ReadString(Integer Count);
  void WriteString(const String& AString);

 private:
  TEncoding* FEncoding = nullptr;
  bool FOwnsEncoding = false;
};

// A stream over a file descriptor that it does not close. System errors raise EReadError or
// EWriteError with the system's reason.
class THandleStream : public TStream {
  ZCL_CLASS(THandleStream, TStream)
 public:
  explicit THandleStream(Integer AHandle) : FHandle(AHandle) {}

  using TStream::Read;
  using TStream::Write;
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  Int64 GetSize() override;
  // Cuts or extends the file on disk (extension reads as zeros); the position stays unless it
  // lay beyond the new end.
  void SetSize(Int64 NewSize) override;
  Integer GetHandle() const { return FHandle; }

 protected:
  Integer FHandle;
};

// A file opened by name. Mode is fmCreate (create or truncate, read and write) or an access mode
// (fmOpenRead, fmOpenWrite, fmOpenReadWrite) combined with a share mode. Share modes are
// accepted and ignored: Linux has no mandatory sharing, and advisory locks would bind only this
// program's own streams while failing opens the program never expected to fail. Rights are the
// permission bits of a created file (before the umask). Failures raise EFCreateError
// "Cannot create file "%s". %s" or EFOpenError "Cannot open file "%s". %s" with the file name
// and the system's reason; a folder is refused like a missing file.
class TFileStream : public THandleStream {
  ZCL_CLASS(TFileStream, THandleStream)
 public:
  TFileStream(const String& AFileName, Word Mode, Cardinal Rights = 0666);
  ~TFileStream() override;
  const String& GetFileName() const { return FFileName; }

 private:
  String FFileName;
};

// A read-only stream over a resource compiled into the program, found by name and type
// ignoring case (types: RT_RCDATA, u"BITMAP", ...). Instance is accepted for the callers'
// sake: the program is one module. A missing resource raises EResNotFound
// "Resource %s not found"; writing raises EStreamError.
class TResourceStream : public TCustomMemoryStream {
  ZCL_CLASS(TResourceStream, TCustomMemoryStream)
 public:
  TResourceStream(const void* Instance, StringView ResName, StringView ResType);
  TResourceStream(StringView ResName, StringView ResType) : TResourceStream(nullptr, ResName, ResType) {}
  using TStream::Write;
  Integer Write(const void* Buffer, Integer Count) override;
};

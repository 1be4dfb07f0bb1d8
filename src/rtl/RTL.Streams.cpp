#include "rtl/RTL.Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "rtl/RTL.EmbeddedResources.h"
#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Exceptions.h"

namespace {
[[noreturn]] void RaiseReadError() { throw EReadError(u"Stream read error"); }
[[noreturn]] void RaiseWriteError() { throw EWriteError(u"Stream write error"); }

Integer ClampCount(Int64 Count) { return static_cast<Integer>(std::min<Int64>(Count, MaxInt)); }

void CheckBytesRange(const TBytes& Buffer, Integer Offset, Int64 Count) {
  if (Offset < 0 || Count < 0 || static_cast<UInt64>(Offset) + static_cast<UInt64>(Count) > Buffer.size())
    throw EArgumentOutOfRangeException(u"Argument out of range");
}
}  // namespace

// =============================================================================================
// TStream

Integer TStream::Read(TBytes& Buffer, Integer Offset, Integer Count) {
  CheckBytesRange(Buffer, Offset, Count);
  return Read(Buffer.data() + Offset, Count);
}

Integer TStream::Write(const TBytes& Buffer, Integer Offset, Integer Count) {
  CheckBytesRange(Buffer, Offset, Count);
  return Write(Buffer.data() + Offset, Count);
}

// Both loop over partial transfers (pipes deliver what they have) and fail when nothing moves.
void TStream::ReadBuffer(void* Buffer, Int64 Count) {
  auto* p = static_cast<Byte*>(Buffer);
  while (Count > 0) {
    const Integer got = Read(p, ClampCount(Count));
    if (got <= 0) RaiseReadError();
    p += got;
    Count -= got;
  }
}

void TStream::WriteBuffer(const void* Buffer, Int64 Count) {
  const auto* p = static_cast<const Byte*>(Buffer);
  while (Count > 0) {
    const Integer put = Write(p, ClampCount(Count));
    if (put <= 0) RaiseWriteError();
    p += put;
    Count -= put;
  }
}

void TStream::ReadBuffer(TBytes& Buffer, Int64 Count) {
  CheckBytesRange(Buffer, 0, Count);
  ReadBuffer(Buffer.data(), Count);
}

void TStream::WriteBuffer(const TBytes& Buffer, Int64 Count) {
  CheckBytesRange(Buffer, 0, Count);
  WriteBuffer(Buffer.data(), Count);
}

Int64 TStream::CopyFrom(TStream* Source, Int64 Count) {
  if (!Source) throw EArgumentNilException(u"Source is nil");
  if (Count <= 0) {
    Source->SetPosition(0);
    Count = Source->GetSize();
  }
  constexpr Int64 MaxBufferSize = 0x100000;
  const Int64 total = Count;
  std::unique_ptr<Byte[]> buffer(new Byte[static_cast<size_t>(std::clamp<Int64>(Count, 1, MaxBufferSize))]);
  while (Count > 0) {
    const Int64 n = std::min(Count, MaxBufferSize);
    Source->ReadBuffer(buffer.get(), n);
    WriteBuffer(buffer.get(), n);
    Count -= n;
  }
  return total;
}

Int64 TStream::GetSize() {
  const Int64 position = Seek(0, soCurrent);
  const Int64 size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::SetSize(Int64 /*NewSize*/) { throw EStreamError(u"The size of a %s cannot be changed", {ClassName()}); }

// =============================================================================================
// TCustomMemoryStream

void TCustomMemoryStream::SetPointer(void* Ptr, NativeInt Size) {
  FMemory = Ptr;
  FSize = Size;
}

Integer TCustomMemoryStream::Read(void* Buffer, Integer Count) {
  if (Count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
  const Integer n = static_cast<Integer>(std::min<Int64>(Count, FSize - FPosition));
  std::memcpy(Buffer, static_cast<const Byte*>(FMemory) + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

Integer TCustomMemoryStream::Write(const void* /*Buffer*/, Integer /*Count*/) { return 0; }

Int64 TCustomMemoryStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning:
      FPosition = Offset;
      break;
    case soCurrent:
      FPosition += Offset;
      break;
    case soEnd:
      FPosition = FSize + Offset;
      break;
  }
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) { Stream->WriteBuffer(FMemory, FSize); }

void TCustomMemoryStream::SaveToFile(const String& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

// =============================================================================================
// TMemoryStream

namespace {
constexpr NativeInt MemoryDelta = 0x2000;  // capacity granularity
}

TMemoryStream::~TMemoryStream() {
  // A derived class with storage of its own has detached it by now (see Realloc).
  if (FCapacity > 0) std::free(GetMemory());
}

void* TMemoryStream::Realloc(NativeInt& NewCapacity) {
  if (NewCapacity > 0 && NewCapacity != GetSize()) NewCapacity = (NewCapacity + (MemoryDelta - 1)) & ~(MemoryDelta - 1);
  void* memory = GetMemory();
  if (NewCapacity == FCapacity) return memory;
  if (NewCapacity == 0) {
    std::free(memory);
    return nullptr;
  }
  void* result = std::realloc(memory, static_cast<size_t>(NewCapacity));
  if (!result) throw EOutOfMemory(u"Out of memory while expanding memory stream");
  return result;
}

void TMemoryStream::SetCapacity(NativeInt NewCapacity) {
  if (NewCapacity < 0) throw EStreamError(u"Invalid stream capacity (%d)", {Int64(NewCapacity)});
  void* memory = Realloc(NewCapacity);
  FCapacity = NewCapacity;
  SetPointer(memory, std::min<NativeInt>(static_cast<NativeInt>(GetSize()), NewCapacity));
}

void TMemoryStream::SetSize(Int64 NewSize) {
  if (NewSize < 0) throw EStreamError(u"Invalid stream size (%d)", {NewSize});
  const NativeInt oldSize = static_cast<NativeInt>(GetSize());
  SetCapacity(static_cast<NativeInt>(NewSize));
  if (NewSize > oldSize)
    std::memset(static_cast<Byte*>(GetMemory()) + oldSize, 0, static_cast<size_t>(NewSize - oldSize));
  SetPointer(GetMemory(), static_cast<NativeInt>(NewSize));
  if (FPosition > NewSize) FPosition = NewSize;
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  SetPointer(nullptr, 0);
  FPosition = 0;
}

Integer TMemoryStream::Write(const void* Buffer, Integer Count) {
  if (Count <= 0 || FPosition < 0) return 0;
  const Int64 end = FPosition + Count;
  const NativeInt size = static_cast<NativeInt>(GetSize());
  if (end > size) {
    if (end > FCapacity) SetCapacity(static_cast<NativeInt>(std::max<Int64>(end, FCapacity + FCapacity / 4)));
    // A write beyond the end leaves no uninitialised gap behind it.
    if (FPosition > size) std::memset(static_cast<Byte*>(GetMemory()) + size, 0, static_cast<size_t>(FPosition - size));
    SetPointer(GetMemory(), static_cast<NativeInt>(end));
  }
  std::memcpy(static_cast<Byte*>(GetMemory()) + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = end;
  return Count;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  const Int64 count = Stream->GetSize();
  SetSize(count);
  if (count != 0) Stream->ReadBuffer(GetMemory(), count);
}

void TMemoryStream::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

// =============================================================================================
// TBytesStream

TBytesStream::TBytesStream(TBytes Bytes) : FBytes(std::move(Bytes)) {
  NativeInt capacity = static_cast<NativeInt>(FBytes.size());
  SetPointer(FBytes.data(), capacity);
  SetCapacity(capacity);
}

TBytesStream::~TBytesStream() { SetPointer(nullptr, 0); }

void* TBytesStream::Realloc(NativeInt& NewCapacity) {
  if (NewCapacity > 0 && NewCapacity != GetSize()) NewCapacity = (NewCapacity + (MemoryDelta - 1)) & ~(MemoryDelta - 1);
  FBytes.resize(static_cast<size_t>(NewCapacity));
  return FBytes.empty() ? nullptr : FBytes.data();
}

TBytes TBytesStream::GetBytes() const {
  const auto size = static_cast<size_t>(const_cast<TBytesStream*>(this)->GetSize());
  return TBytes(FBytes.begin(), FBytes.begin() + static_cast<std::ptrdiff_t>(size));
}

// =============================================================================================
// TStringStream

TStringStream::TStringStream() : TStringStream(String()) {}

TStringStream::TStringStream(const String& AString, TEncoding* AEncoding, bool AOwnsEncoding)
    : TBytesStream((AEncoding ? AEncoding : TEncoding::GetUTF8())->GetBytes(AString)),
      FEncoding(AEncoding ? AEncoding : TEncoding::GetUTF8()),
      FOwnsEncoding(AOwnsEncoding && AEncoding) {}

TStringStream::TStringStream(const TBytes& ABytes, TEncoding* AEncoding, bool AOwnsEncoding)
    : TBytesStream(ABytes),
      FEncoding(AEncoding ? AEncoding : TEncoding::GetUTF8()),
      FOwnsEncoding(AOwnsEncoding && AEncoding) {}

TStringStream::~TStringStream() {
  if (FOwnsEncoding) TEncoding::FreeEncoding(FEncoding);
}

String TStringStream::GetDataString() const {
  const auto size = static_cast<Integer>(const_cast<TStringStream*>(this)->GetSize());
  return FEncoding->GetString(static_cast<const Byte*>(GetMemory()), size);
}

String TStringStream::ReadString(Integer Count) {
  const Int64 left = std::max<Int64>(0, GetSize() - FPosition);
  const auto bytes = static_cast<Integer>(std::min<Int64>(std::max(Count, 0), left));
  String result = FEncoding->GetString(static_cast<const Byte*>(GetMemory()) + FPosition, bytes);
  FPosition += bytes;
  return result;
}

void TStringStream::WriteString(const String& AString) {
  const TBytes bytes = FEncoding->GetBytes(AString);
  WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}

// =============================================================================================
// THandleStream

namespace {
String SystemReason(int Error) { return SysErrorMessage(Error); }
}  // namespace

Integer THandleStream::Read(void* Buffer, Integer Count) {
  if (Count <= 0) return 0;
  for (;;) {
    const ssize_t n = ::read(FHandle, Buffer, static_cast<size_t>(Count));
    if (n >= 0) return static_cast<Integer>(n);
    if (errno != EINTR) throw EReadError(u"Stream read error. %s", {SystemReason(errno)});
  }
}

Integer THandleStream::Write(const void* Buffer, Integer Count) {
  if (Count <= 0) return 0;
  for (;;) {
    const ssize_t n = ::write(FHandle, Buffer, static_cast<size_t>(Count));
    if (n >= 0) return static_cast<Integer>(n);
    if (errno != EINTR) throw EWriteError(u"Stream write error. %s", {SystemReason(errno)});
  }
}

Int64 THandleStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  const int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  const off_t result = ::lseek(FHandle, static_cast<off_t>(Offset), whence);
  if (result < 0) throw EStreamError(u"Stream seek error. %s", {SystemReason(errno)});
  return result;
}

Int64 THandleStream::GetSize() {
  struct stat info;
  if (::fstat(FHandle, &info) == 0 && S_ISREG(info.st_mode)) return info.st_size;
  return TStream::GetSize();
}

void THandleStream::SetSize(Int64 NewSize) {
  if (NewSize < 0) throw EStreamError(u"Invalid stream size (%d)", {NewSize});
  const Int64 position = GetPosition();
  if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0)
    throw EWriteError(u"Stream write error. %s", {SystemReason(errno)});
  if (position > NewSize) Seek(NewSize, soBeginning);
}

// =============================================================================================
// TFileStream

TFileStream::TFileStream(const String& AFileName, Word Mode, Cardinal Rights)
    : THandleStream(-1), FFileName(AFileName) {
  const std::string path = StringToUTF8(AFileName);
  const bool create = (Mode & fmCreate) == fmCreate;
  int flags = O_CLOEXEC;
  if (create) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    switch (Mode & 3) {
      case fmOpenRead:
        flags |= O_RDONLY;
        break;
      case fmOpenWrite:
        flags |= O_WRONLY;
        break;
      default:
        flags |= O_RDWR;
        break;
    }
  }
  int error = 0;
  int fd = path.empty() ? -1 : ::open(path.c_str(), flags, static_cast<mode_t>(Rights));
  if (fd < 0) {
    error = path.empty() ? ENOENT : errno;
  } else {
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
      ::close(fd);
      fd = -1;
      error = EISDIR;
    }
  }
  if (fd < 0) {
    if (create) throw EFCreateError(u"Cannot create file \"%s\". %s", {AFileName, SystemReason(error)});
    throw EFOpenError(u"Cannot open file \"%s\". %s", {AFileName, SystemReason(error)});
  }
  FHandle = fd;
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

// =============================================================================================
// TResourceStream

TResourceStream::TResourceStream(const void* /*Instance*/, StringView ResName, StringView ResType) {
  const TEmbeddedResource* resource = FindEmbeddedResource(ResName, ResType);
  if (!resource) throw EResNotFound(u"Resource %s not found", {ResName});
  SetPointer(const_cast<unsigned char*>(resource->Data), static_cast<NativeInt>(resource->Size));
}

Integer TResourceStream::Write(const void* /*Buffer*/, Integer /*Count*/) {
  throw EStreamError(u"Can't write to a read-only resource stream");
}

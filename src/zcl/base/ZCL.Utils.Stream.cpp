#include "zcl/base/ZCL.Utils.Stream.h"

#include "rtl/RTL.EmbeddedResources.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
constexpr Integer MaxCounted = 0xFFFF;
[[noreturn]] void RaiseTooLong(size_t Length) {
  throw EWriteError(u"Counted string too long (%d)", {static_cast<Int64>(Length)});
}
}  // namespace

void StreamWriteWord(TStream* Stream, Word Value) { Stream->WriteBufferData(Value); }

Word StreamReadWord(TStream* Stream) {
  Word v;
  Stream->ReadBufferData(v);
  return v;
}

void StreamWriteInteger(TStream* Stream, Integer Value) { Stream->WriteBufferData(Value); }

Integer StreamWriteBytes(TStream* Stream, const TBytes& Bytes) {
  if (!Bytes.empty()) Stream->WriteBuffer(Bytes.data(), static_cast<Int64>(Bytes.size()));
  return static_cast<Integer>(Bytes.size());
}

Int64 StreamWriteZeroBytes(TStream* Stream, Int64 Size) {
  if (Size <= 0) return Size;
  const std::vector<Byte> zeros(static_cast<size_t>(std::min<Int64>(Size, 65536)), 0);
  for (Int64 left = Size; left > 0;) {
    const Int64 n = std::min<Int64>(left, static_cast<Int64>(zeros.size()));
    Stream->WriteBuffer(zeros.data(), n);
    left -= n;
  }
  return Size;
}

Integer StreamWriteString(TStream* Stream, StringView Text, TEncoding* Encoding) {
  if (Text.empty()) return 0;
  if (!Encoding) {
    Stream->WriteBuffer(Text.data(), static_cast<Int64>(Text.size() * 2));
    return static_cast<Integer>(Text.size() * 2);
  }
  return StreamWriteBytes(Stream, Encoding->GetBytes(Text));
}

Integer StreamWriteAnsiString(TStream* Stream, std::string_view Text) {
  if (!Text.empty()) Stream->WriteBuffer(Text.data(), static_cast<Int64>(Text.size()));
  return static_cast<Integer>(Text.size());
}

Integer StreamWriteStringWithLength(TStream* Stream, StringView Text) {
  if (Text.size() > MaxCounted) RaiseTooLong(Text.size());
  StreamWriteWord(Stream, static_cast<Word>(Text.size()));
  return 2 + StreamWriteString(Stream, Text);
}

Integer StreamWriteAnsiStringWithLength(TStream* Stream, std::string_view Text) {
  if (Text.size() > MaxCounted) RaiseTooLong(Text.size());
  StreamWriteWord(Stream, static_cast<Word>(Text.size()));
  return 2 + StreamWriteAnsiString(Stream, Text);
}

void StreamReadUnicodeString(TStream* Stream, String& Text, Integer Length) {
  if (Length <= 0) {
    Text.clear();
    return;
  }
  // Read into a block sized by what the stream can hold, so a bogus length cannot allocate.
  if (Stream->GetSize() - Stream->GetPosition() < static_cast<Int64>(Length) * 2)
    throw EReadError(u"Stream read error");
  String s(static_cast<size_t>(Length), u'\0');
  Stream->ReadBuffer(s.data(), static_cast<Int64>(Length) * 2);
  Text = std::move(s);
}

String StreamReadString(TStream* Stream, Integer Length) {
  String s;
  StreamReadUnicodeString(Stream, s, Length);
  return s;
}

void StreamReadAnsiString(TStream* Stream, AnsiString& Text, Integer Length) {
  if (Length <= 0) {
    Text.clear();
    return;
  }
  if (Stream->GetSize() - Stream->GetPosition() < Length) throw EReadError(u"Stream read error");
  AnsiString s(static_cast<size_t>(Length), '\0');
  Stream->ReadBuffer(s.data(), Length);
  Text = std::move(s);
}

void StreamReadStringWithLength(TStream* Stream, String& Text) {
  StreamReadUnicodeString(Stream, Text, StreamReadWord(Stream));
}

void StreamReadAnsiStringWithLength(TStream* Stream, AnsiString& Text) {
  StreamReadAnsiString(Stream, Text, StreamReadWord(Stream));
}

Integer StreamWritePreamble(TStream* Stream, TEncoding* Encoding) {
  if (!Encoding) {
    const Byte bom[] = {0xFF, 0xFE};
    Stream->WriteBuffer(bom, 2);
    return 2;
  }
  return StreamWriteBytes(Stream, Encoding->GetPreamble());
}

// Variants -----------------------------------------------------------------------------------

namespace {
enum : Byte {
  tagNull = 0, tagArray = 1, tagInt8 = 2, tagInt16 = 3, tagInt32 = 4, tagDouble = 5, tagString = 6,
  tagFalse = 8, tagTrue = 9, tagEmpty = 13, tagSingle = 15, tagCurrency = 16, tagDate = 17, tagInt64 = 19
};

void WriteTag(TStream* Stream, Byte Tag) { Stream->WriteBufferData(Tag); }

void WriteInteger(TStream* Stream, Integer V) {
  if (V >= -128 && V < 128) {
    WriteTag(Stream, tagInt8);
    Stream->WriteBufferData(static_cast<int8_t>(V));
  } else if (V < -32768 || V > 32767) {
    WriteTag(Stream, tagInt32);
    Stream->WriteBufferData(V);
  } else {
    WriteTag(Stream, tagInt16);
    Stream->WriteBufferData(static_cast<int16_t>(V));
  }
}

[[noreturn]] void Unsupported() { throw EWriteError(u"Unsupported Variant Type"); }

// Arrays nest at most this deep when read, so hostile data cannot exhaust the stack.
constexpr int MaxVariantDepth = 64;

void ReadVariant(TStream* Stream, Variant& Value, int Depth);
}  // namespace

void StreamWriteVariant(TStream* Stream, const Variant& Value) {
  if (Value.IsArray()) {
    if (VarArrayDimCount(Value) != 1) Unsupported();
    const Integer lo = VarArrayLowBound(Value, 1), hi = VarArrayHighBound(Value, 1);
    if (lo == hi) {
      StreamWriteVariant(Stream, Value.GetElement(lo));
      return;
    }
    WriteTag(Stream, tagArray);
    WriteInteger(Stream, hi - lo + 1);
    for (Integer i = lo; i <= hi; ++i) StreamWriteVariant(Stream, Value.GetElement(i));
    return;
  }
  switch (Value.VarType()) {
    case varEmpty: WriteTag(Stream, tagEmpty); break;
    case varNull: WriteTag(Stream, tagNull); break;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord: WriteInteger(Stream, Value.AsInteger()); break;
    case varLongWord: WriteInteger(Stream, static_cast<Integer>(static_cast<Cardinal>(Value.AsInt64()))); break;
    case varSingle: {
      WriteTag(Stream, tagSingle);
      Stream->WriteBufferData(static_cast<float>(Value.AsDouble()));
      break;
    }
    case varDouble: {
      WriteTag(Stream, tagDouble);
      Stream->WriteBufferData(Value.AsDouble());
      break;
    }
    case varCurrency: {
      WriteTag(Stream, tagCurrency);
      Stream->WriteBufferData(static_cast<float>(Value.AsCurrency().Scaled / 10000.0));
      break;
    }
    case varDate: {
      WriteTag(Stream, tagDate);
      Stream->WriteBufferData(Value.AsDate().Value);
      break;
    }
    case varOleStr:
    case varString:
    case varUString: {
      const String s = Value.AsString();
      if (s.size() > MaxCounted) RaiseTooLong(s.size());
      WriteTag(Stream, tagString);
      StreamWriteStringWithLength(Stream, s);
      break;
    }
    case varBoolean: WriteTag(Stream, Value.AsBoolean() ? tagTrue : tagFalse); break;
    case varInt64: {
      WriteTag(Stream, tagInt64);
      Stream->WriteBufferData(Value.AsInt64());
      break;
    }
    default: Unsupported();
  }
}

namespace {
void ReadVariant(TStream* Stream, Variant& Value, int Depth) {
  Value.Clear();
  Byte tag;
  Stream->ReadBufferData(tag);
  switch (tag) {
    case tagNull: Value = Null(); break;
    case tagArray: {
      if (Depth >= MaxVariantDepth) throw EReadError(u"Unsupported Variant Type");
      Variant count;
      ReadVariant(Stream, count, Depth + 1);
      // The count is an integer value (tags 2 to 4); anything else is not this format.
      const TVarType countType = count.VarType();
      if ((countType != varShortInt && countType != varSmallint && countType != varInteger) || count.AsInt64() < 0)
        throw EReadError(u"Unsupported Variant Type");
      const Integer n = count.AsInteger();
      if (n > 16777216) throw EReadError(u"Stream read error");
      // Every element takes at least one byte: a count beyond the data is corrupt.
      if (n > Stream->GetSize() - Stream->GetPosition()) throw EReadError(u"Stream read error");
      Variant array = VarArrayCreate({0, n - 1}, varVariant);
      for (Integer i = 0; i < n; ++i) {
        Variant element;
        ReadVariant(Stream, element, Depth + 1);
        array.SetElement(i, element);
      }
      Value = std::move(array);
      break;
    }
    case tagInt8: {
      int8_t v;
      Stream->ReadBufferData(v);
      Value = Variant(static_cast<signed char>(v));
      break;
    }
    case tagInt16: {
      int16_t v;
      Stream->ReadBufferData(v);
      Value = Variant(static_cast<short>(v));
      break;
    }
    case tagInt32: {
      int32_t v;
      Stream->ReadBufferData(v);
      Value = Variant(static_cast<int>(v));
      break;
    }
    case tagDouble: {
      double v;
      Stream->ReadBufferData(v);
      Value = Variant(v);
      break;
    }
    case tagString: {
      String s;
      StreamReadStringWithLength(Stream, s);
      Value = Variant(std::move(s));
      break;
    }
    case tagFalse: Value = Variant(false); break;
    case tagTrue: Value = Variant(true); break;
    case tagEmpty: break;
    case tagSingle: {
      float v;
      Stream->ReadBufferData(v);
      Value = Variant(v);
      break;
    }
    case tagCurrency: {
      float v;
      Stream->ReadBufferData(v);
      const double scaled = std::round(static_cast<double>(v) * 10000.0);
      if (!(std::fabs(scaled) < 9.2e18)) throw EReadError(u"Unsupported Variant Type");
      Value = Variant(Currency::FromScaled(static_cast<Int64>(scaled)));
      break;
    }
    case tagDate: {
      double v;
      Stream->ReadBufferData(v);
      Value = Variant(TDateTime(v));
      break;
    }
    case tagInt64: {
      int64_t v;
      Stream->ReadBufferData(v);
      Value = Variant(static_cast<long long>(v));
      break;
    }
    default: throw EReadError(u"Unsupported Variant Type");
  }
}
}  // namespace

void StreamReadVariant(TStream* Stream, Variant& Value) { ReadVariant(Stream, Value, 0); }

// Chunks -------------------------------------------------------------------------------------

Int64 StreamBeginWriteChunk(TStream* Stream, Cardinal ID, Int64& Start) {
  Stream->WriteBufferData(ID);
  Stream->WriteBufferData(Cardinal(0));
  Start = Stream->GetPosition();
  return Start;
}

void StreamEndWriteChunk(TStream* Stream, Int64& Start) {
  const Int64 position = Stream->GetPosition();
  const Int64 size = position - Start;
  if (size > 0x7FFFFFFE || size < 0)
    throw EInvalidOperation(u"StreamEndWriteChunk: %d, %d, %d", {size, position, Start});
  Stream->SetPosition(Start - 4);
  Stream->WriteBufferData(static_cast<Cardinal>(size));
  Stream->SetPosition(Start + size);
}

// Copying, comparing, searching --------------------------------------------------------------

Int64 StreamGetBytesLeft(TStream* Stream) { return Stream->GetSize() - Stream->GetPosition(); }

void StreamCopyPart(TStream* Target, TStream* Source, Int64 Count) {
  if (Count < 1) return;
  if (auto* memory = dynamic_cast<TMemoryStream*>(Target)) {
    const Int64 needed = memory->GetSize() + Count;
    if (memory->GetCapacity() < needed) memory->SetCapacity(static_cast<NativeInt>(needed));
  }
  const Int64 block = std::min<Int64>(Count, 0xF000);
  std::vector<Byte> buffer(static_cast<size_t>(block), 0);
  while (Count > 0) {
    const Int64 n = std::min(Count, block);
    Source->ReadBuffer(buffer.data(), n);
    Target->WriteBuffer(buffer.data(), n);
    Count -= n;
  }
}

void StreamCopyRange(TStream* Target, TStream* Source, Int64 Position, Int64 Count) {
  Source->SetPosition(Position);
  StreamCopyPart(Target, Source, Count);
}

void StreamCopyAll(TStream* Target, TStream* Source) { StreamCopyRange(Target, Source, 0, Source->GetSize()); }

TMemoryStream* StreamCreateMemoryCopy(TStream* Source) {
  TMemoryStream* result = Create<TMemoryStream>();
  try {
    StreamCopyAll(result, Source);
    result->SetPosition(0);
  } catch (...) {
    Free(result);
    throw;
  }
  return result;
}

TMemoryStream* StreamReadMemoryStream(TStream* Source, Int64 Size) {
  TMemoryStream* result = Create<TMemoryStream>();
  try {
    StreamCopyPart(result, Source, Size);
    result->SetPosition(0);
  } catch (...) {
    Free(result);
    throw;
  }
  return result;
}

TCustomMemoryStream* StreamCreateOnMemory(const void* Address, NativeInt Size) {
  return Create<TCustomMemoryStream>(Address, Size);
}

bool StreamEquals(TStream* A, TStream* B) {
  if (A == B) return true;
  if (!A || !B) return false;
  const Int64 size = A->GetSize();
  if (size != B->GetSize()) return false;
  auto* ma = dynamic_cast<TCustomMemoryStream*>(A);
  auto* mb = dynamic_cast<TCustomMemoryStream*>(B);
  if (ma && mb) return size == 0 || std::memcmp(ma->GetMemory(), mb->GetMemory(), static_cast<size_t>(size)) == 0;
  const Int64 pa = A->GetPosition(), pb = B->GetPosition();
  struct TRestore {
    TStream *A, *B;
    Int64 pa, pb;
    ~TRestore() {
      A->SetPosition(pa);
      B->SetPosition(pb);
    }
  } restore{A, B, pa, pb};
  A->SetPosition(0);
  B->SetPosition(0);
  std::vector<Byte> ba(0xFFFF), bb(0xFFFF);
  for (;;) {
    const Integer na = A->Read(ba.data(), 0xFFFF), nb = B->Read(bb.data(), 0xFFFF);
    if (na != nb || std::memcmp(ba.data(), bb.data(), static_cast<size_t>(std::max(na, 0))) != 0) return false;
    if (na <= 0) return true;
  }
}

Int64 StreamFind(TStream* Stream, const std::vector<AnsiString>& Patterns, AnsiString& Found, Int64 MaxSearch) {
  Found.clear();
  size_t longest = 0;
  for (const auto& p : Patterns) longest = std::max(longest, p.size());
  if (longest == 0) return -1;
  const Integer overlap = static_cast<Integer>(longest) + 1;
  const Integer window = std::max<Integer>(4096, overlap + 1);
  const Int64 start = Stream->GetPosition();
  struct TRestore {
    TStream* S;
    Int64 P;
    ~TRestore() { S->SetPosition(P); }
  } restore{Stream, start};
  const Int64 rounds = std::max<Int64>(0, MaxSearch - window) / (window - overlap) + 2;
  std::vector<Byte> buffer(static_cast<size_t>(window));
  Integer kept = 0;
  Int64 keptOffset = start;  // stream position of buffer[0]
  for (Int64 round = 0; round < rounds; ++round) {
    const Integer n = Stream->Read(buffer.data() + kept, window - overlap);
    if (n <= 0) break;
    const Integer length = kept + n;
    Integer best = -1;
    for (const auto& p : Patterns) {
      Integer pos;
      if (zcFindAnsiString(p, buffer.data(), length, 0, pos) && (best < 0 || pos < best)) {
        best = pos;
        Found = p;
      }
    }
    if (best >= 0) return keptOffset + best;
    kept = std::min(overlap, length);
    std::memmove(buffer.data(), buffer.data() + length - kept, static_cast<size_t>(kept));
    keptOffset += length - kept;
  }
  return -1;
}

bool StreamSeekTo(TStream* Stream, const std::vector<AnsiString>& Patterns, AnsiString& Found, Int64 MaxSearch) {
  const Int64 p = StreamFind(Stream, Patterns, Found, MaxSearch);
  if (p < 0) return false;
  Stream->SetPosition(p);
  return true;
}

bool StreamSeekTo(TStream* Stream, const AnsiString& Pattern, Int64 MaxSearch) {
  AnsiString found;
  return StreamSeekTo(Stream, {Pattern}, found, MaxSearch);
}

void StreamReplaceRange(TStream* Stream, TMemoryStream* Replacement, Int64 Position, Int64 Length,
                        const TZCLProgressEvent& OnProgress, TObject* Sender) {
  const Int64 newLength = Replacement ? Replacement->GetSize() : 0;
  const Int64 delta = newLength - Length;
  const Int64 sizeBefore = Stream->GetSize();
  constexpr Int64 Block = 0x100000;
  auto progress = [&](Int64 done) {
    if (!OnProgress || sizeBefore <= 0) return;
    try {
      OnProgress(Sender, static_cast<Single>(static_cast<double>(done) / sizeBefore * 100.0));
    } catch (...) {
      // A progress handler cannot stop the move half way.
    }
  };
  auto writeReplacement = [&] {
    if (newLength <= 0) return;
    Stream->SetPosition(Position);
    Stream->WriteBuffer(Replacement->GetMemory(), newLength);
  };
  std::vector<Byte> buffer;
  if (delta > 0) {
    buffer.resize(static_cast<size_t>(std::min(Block, std::max<Int64>(sizeBefore - Position - Length, 1))));
    Int64 end = sizeBefore;
    const Int64 tailStart = Position + Length;
    while (end > tailStart) {
      const Int64 begin = std::max(tailStart, end - static_cast<Int64>(buffer.size()));
      Stream->SetPosition(begin);
      Stream->ReadBuffer(buffer.data(), end - begin);
      Stream->SetPosition(begin + delta);
      Stream->WriteBuffer(buffer.data(), end - begin);
      progress(sizeBefore - begin);
      end = begin;
    }
    writeReplacement();
  } else if (delta < 0) {
    writeReplacement();
    buffer.resize(static_cast<size_t>(std::min(Block, std::max<Int64>(sizeBefore - Position - Length, 1))));
    Int64 source = Position + Length, target = Position + newLength;
    while (source < sizeBefore) {
      const Int64 n = std::min<Int64>(static_cast<Int64>(buffer.size()), sizeBefore - source);
      Stream->SetPosition(source);
      Stream->ReadBuffer(buffer.data(), n);
      Stream->SetPosition(target);
      Stream->WriteBuffer(buffer.data(), n);
      source += n;
      target += n;
      progress(source);
    }
    Stream->SetSize(target);
  } else {
    writeReplacement();
  }
}

// Stream classes -----------------------------------------------------------------------------

TZCLStreamWrapper::TZCLStreamWrapper(TStream* AStream, TStreamOwnership AOwnership)
    : FStream(AStream), FOwnership(AOwnership) {}

TZCLStreamWrapper::~TZCLStreamWrapper() {
  if (FOwnership == soOwned) Free(FStream);
}

TStream* TZCLStreamWrapper::Unwrap(TStream* Stream) {
  while (auto* wrapper = dynamic_cast<TZCLStreamWrapper*>(Stream)) Stream = wrapper->FStream;
  return Stream;
}

TZCLBufferedStream::TZCLBufferedStream(TStream* AStream, TStreamOwnership AOwnership, Integer BufferSize)
    : TZCLStreamWrapper(AStream, AOwnership),
      FBuffer(Create<TZCLByteBuffer>(BufferSize > 1023 ? BufferSize : 0x40000)) {
  try {
    Fill();
  } catch (...) {
    Free(FBuffer);
    FOwnership = soReference;
    throw;
  }
}

TZCLBufferedStream::~TZCLBufferedStream() {
  try {
    Flush();
  } catch (...) {
    // A destructor cannot report the failed write-back.
  }
  Free(FBuffer);
}

void TZCLBufferedStream::Flush() {
  if (!FBufferModified) return;
  FStream->SetPosition(FBufferOffset);
  FStream->WriteBuffer(FBuffer->GetMemory(), FBuffer->GetUsed());
  FBufferModified = false;
  FStreamSize = -1;
}

void TZCLBufferedStream::Fill() {
  Flush();
  FBufferOffset = FPosition;
  FStream->SetPosition(FPosition);
  FBuffer->SetUsed(std::max(FStream->Read(FBuffer->GetMemory(), FBuffer->GetSize()), 0));
}

Int64 TZCLBufferedStream::GetSize() {
  // Readers seek and ask for the size often; the wrapped stream only changes through us.
  if (FStreamSize < 0) FStreamSize = FStream->GetSize();
  const Int64 size = FStreamSize;
  return FBufferModified ? std::max(size, FBufferOffset + FBuffer->GetUsed()) : size;
}

void TZCLBufferedStream::SetSize(Int64 NewSize) {
  Flush();
  FStreamSize = -1;
  FStream->SetSize(NewSize);
  // Bytes cached beyond the new end must not come back.
  FBuffer->SetUsed(static_cast<Integer>(std::clamp<Int64>(NewSize - FBufferOffset, 0, FBuffer->GetUsed())));
  if (FPosition > NewSize) FPosition = NewSize;
}

Integer TZCLBufferedStream::Read(void* Buffer, Integer Count) {
  Byte* out = static_cast<Byte*>(Buffer);
  Integer done = 0;
  while (done < Count) {
    if (FPosition < FBufferOffset || FPosition >= FBufferOffset + FBuffer->GetUsed()) {
      Fill();
      if (FBuffer->GetUsed() == 0) break;
    }
    const Integer offset = static_cast<Integer>(FPosition - FBufferOffset);
    const Integer n = std::min(Count - done, FBuffer->GetUsed() - offset);
    std::memcpy(out + done, FBuffer->GetMemory() + offset, static_cast<size_t>(n));
    done += n;
    FPosition += n;
  }
  return done;
}

Integer TZCLBufferedStream::Write(const void* Buffer, Integer Count) {
  const Byte* in = static_cast<const Byte*>(Buffer);
  Integer done = 0;
  while (done < Count) {
    if (FPosition < FBufferOffset || FPosition >= FBufferOffset + FBuffer->GetSize()) Fill();
    const Integer offset = static_cast<Integer>(FPosition - FBufferOffset);
    const Integer n = std::min(Count - done, FBuffer->GetSize() - offset);
    std::memcpy(FBuffer->GetMemory() + offset, in + done, static_cast<size_t>(n));
    FBuffer->SetUsed(std::max(FBuffer->GetUsed(), offset + n));
    FBufferModified = true;
    done += n;
    FPosition += n;
  }
  return done;
}

Int64 TZCLBufferedStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  const Int64 size = GetSize();
  Int64 p = Origin == soBeginning ? Offset : Origin == soCurrent ? FPosition + Offset : size + Offset;
  FPosition = std::clamp<Int64>(p, 0, size);
  return FPosition;
}

TZCLSubStream::TZCLSubStream(TStream* AStream, Int64 AOffset, Int64 ASize, TStreamOwnership AOwnership)
    : TZCLStreamWrapper(AStream, AOwnership), FLock(Create<TZCLCriticalSection>()) {
  const Int64 size = AStream->GetSize();
  FOffset = std::clamp<Int64>(AOffset, 0, size);
  FSize = std::clamp<Int64>(ASize, 0, size - FOffset);
}

TZCLSubStream::~TZCLSubStream() { Free(FLock); }

Integer TZCLSubStream::Read(void* Buffer, Integer Count) {
  FLock->Enter();
  try {
    FStream->SetPosition(FOffset + FPosition);
    const Integer n = FStream->Read(Buffer, static_cast<Integer>(std::clamp<Int64>(FSize - FPosition, 0, Count)));
    FPosition += std::max(n, 0);
    FLock->Leave();
    return n;
  } catch (...) {
    FLock->Leave();
    throw;
  }
}

Integer TZCLSubStream::Write(const void*, Integer) {
  throw EZCLCannotModifyReadOnlyStream(u"You cannot modify read-only stream");
}

void TZCLSubStream::SetSize(Int64) { throw EZCLCannotModifyReadOnlyStream(u"You cannot modify read-only stream"); }

Int64 TZCLSubStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  const Int64 p = Origin == soBeginning ? Offset : Origin == soCurrent ? FPosition + Offset : FSize + Offset;
  FPosition = std::clamp<Int64>(p, 0, FSize);
  return FPosition;
}

// Stream containers ---------------------------------------------------------------------------

TZCLStreamContainer::TZCLStreamContainer() : TZCLStreamContainer(Create<TMemoryStream>(), TOwn{}) {}

TZCLStreamContainer::TZCLStreamContainer(TStream* Stream, TOwn) : FStream(Stream), FLock(Create<TZCLCriticalSection>()) {}

TZCLStreamContainer::TZCLStreamContainer(TStream* Source, Int64 Size) : TZCLStreamContainer() {
  StreamCopyPart(FStream, Source, Size < 0 ? StreamGetBytesLeft(Source) : Size);
}

TZCLStreamContainer::TZCLStreamContainer(const std::function<void(TStream*)>& Writer) : TZCLStreamContainer() {
  Writer(FStream);
}

TZCLStreamContainer::TZCLStreamContainer(StringView Text) : TZCLStreamContainer() {
  StreamWritePreamble(FStream);
  StreamWriteString(FStream, Text);
}

TZCLStreamContainer* TZCLStreamContainer::CreateOwning(TStream* Stream) {
  return Create<TZCLStreamContainer>(Stream, TOwn{});
}

TZCLStreamContainer::~TZCLStreamContainer() {
  Free(FStream);
  Free(FLock);
}

TStream* TZCLStreamContainer::LockStream() {
  FLock->Enter();
  FStream->SetPosition(0);
  return FStream;
}

void TZCLStreamContainer::UnlockStream() { FLock->Leave(); }

TZCLSubStreamContainer::TZCLSubStreamContainer(const IPtr<IZCLStreamContainer>& AContainer, Int64 AOffset,
                                               Int64 ASize)
    : FOffset(AOffset), FSize(ASize), FContainer(AContainer) {}

TZCLSubStreamContainer::~TZCLSubStreamContainer() { Free(FSubStream); }

TStream* TZCLSubStreamContainer::LockStream() {
  TStream* stream = FContainer->LockStream();
  try {
    FSubStream = Create<TZCLSubStream>(stream, FOffset, FSize, soReference);
  } catch (...) {
    FContainer->UnlockStream();
    throw;
  }
  return FSubStream;
}

void TZCLSubStreamContainer::UnlockStream() {
  FreeAndNil(FSubStream);
  FContainer->UnlockStream();
}

// Byte-string stream ---------------------------------------------------------------------------

TZCLAnsiStringStream::TZCLAnsiStringStream(AnsiString AData) : FData(std::move(AData)) {
  const NativeInt capacity = static_cast<NativeInt>(FData.size());
  SetPointer(FData.data(), capacity);
  SetCapacity(capacity);
}

TZCLAnsiStringStream::~TZCLAnsiStringStream() { SetPointer(nullptr, 0); }

void* TZCLAnsiStringStream::Realloc(NativeInt& NewCapacity) {
  if (NewCapacity > 0 && NewCapacity != GetSize()) NewCapacity = (NewCapacity + 8191) & ~NativeInt(8191);
  FData.resize(static_cast<size_t>(NewCapacity));
  return FData.empty() ? nullptr : FData.data();
}

bool ResourceExists(const void*, StringView Name, StringView Type) {
  return FindEmbeddedResource(Name, Type) != nullptr;
}

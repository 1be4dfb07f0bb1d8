#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <numeric>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"

namespace {
template <class T>
struct TFreeDeleter {
  void operator()(T* Obj) const { Free(Obj); }
};
template <class T>
using TOwned = std::unique_ptr<T, TFreeDeleter<T>>;

template <class E, class F>
String MessageOf(F&& Action) {
  try {
    Action();
  } catch (const E& e) {
    return e.GetMessage();
  }
  ADD_FAILURE() << "no exception";
  return String();
}

String TempFile(const char* Name) { return UTF8ToString(TempDir() + "/" + Name); }

Int64 SizeOnDisk(const String& FileName) {
  struct stat info;
  return ::stat(StringToUTF8(FileName).c_str(), &info) == 0 ? info.st_size : -1;
}

TBytes Iota(size_t Count) {
  TBytes bytes(Count);
  std::iota(bytes.begin(), bytes.end(), Byte(0));
  return bytes;
}
}  // namespace

// ReadBuffer and WriteBuffer raise with the platform's texts when fewer bytes move than asked;
// Read and Write just report the count.
TEST(Streams, ShortTransfersRaise) {
  const TBytes data = Iota(10);
  TCustomMemoryStream stream(data.data(), 10);
  Byte buffer[16];
  EXPECT_EQ(stream.Read(buffer, 16), 10);
  EXPECT_EQ(stream.Read(buffer, 1), 0);
  stream.SetPosition(4);
  EXPECT_EQ(MessageOf<EReadError>([&] { stream.ReadBuffer(buffer, 7); }), u"Stream read error");
  // A read-only memory stream stores nothing.
  EXPECT_EQ(stream.Write(buffer, 1), 0);
  EXPECT_EQ(MessageOf<EWriteError>([&] { stream.WriteBuffer(buffer, 1); }), u"Stream write error");
  EXPECT_THROW(stream.SetSize(3), EStreamError);
}

TEST(Streams, MemoryStreamGrowsAndKeepsItsBytes) {
  TMemoryStream stream;
  const TBytes chunk = Iota(251);
  for (int i = 0; i < 1000; ++i) stream.WriteBuffer(chunk, 251);
  ASSERT_EQ(stream.GetSize(), 251000);
  EXPECT_GE(stream.GetCapacity(), 251000);
  EXPECT_EQ(stream.GetPosition(), 251000);
  const auto* memory = static_cast<const Byte*>(stream.GetMemory());
  for (int i = 0; i < 251000; i += 997) ASSERT_EQ(memory[i], Byte(i % 251)) << i;

  // Reading back from the middle, and a write over the end.
  stream.SetPosition(250990);
  TBytes tail(16, 0xEE);
  EXPECT_EQ(stream.Read(tail, 0, 16), 10);
  stream.Seek(-2, soEnd);
  stream.WriteBuffer(chunk, 5);
  EXPECT_EQ(stream.GetSize(), 251003);
}

// A stream whose storage lives elsewhere (a byte string, say) overrides Realloc: it sees every
// capacity change, grows in few steps, and the stream's memory always points into its storage.
TEST(Streams, MemoryStreamReallocOverride) {
  class TVectorStream : public TMemoryStream {
   public:
    ~TVectorStream() override { SetPointer(nullptr, 0); }
    std::vector<Byte> Storage;
    int Calls = 0;

   protected:
    void* Realloc(NativeInt& NewCapacity) override {
      ++Calls;
      if (NewCapacity > 0) NewCapacity = (NewCapacity + 8191) / 8192 * 8192;
      Storage.resize(static_cast<size_t>(NewCapacity));
      return Storage.empty() ? nullptr : Storage.data();
    }
  } stream;
  for (int i = 0; i < 100000; ++i) stream.WriteBuffer(&i, 4);
  EXPECT_EQ(stream.GetSize(), 400000);
  EXPECT_LT(stream.Calls, 25);  // geometric growth, not one step per 8 KiB
  EXPECT_EQ(stream.GetMemory(), stream.Storage.data());
  EXPECT_EQ(stream.GetCapacity(), static_cast<NativeInt>(stream.Storage.size()));
  int last;
  std::memcpy(&last, stream.Storage.data() + 399996, 4);
  EXPECT_EQ(last, 99999);
  stream.Clear();
  EXPECT_TRUE(stream.Storage.empty());
  EXPECT_EQ(stream.GetMemory(), nullptr);
}

TEST(Streams, MemoryStreamSizeAndGaps) {
  TMemoryStream stream;
  stream.WriteBuffer("abcdef", 6);
  // Shrinking pulls the position back; growing adds zeros and keeps it.
  stream.SetSize(3);
  EXPECT_EQ(stream.GetSize(), 3);
  EXPECT_EQ(stream.GetPosition(), 3);
  stream.SetSize(8);
  EXPECT_EQ(stream.GetPosition(), 3);
  EXPECT_EQ(std::string(static_cast<const char*>(stream.GetMemory()), 8), std::string("abc\0\0\0\0\0", 8));
  // A write beyond the end leaves zeros, not stale memory, in the gap.
  stream.SetSize(0);
  stream.SetSize(4096);
  std::memset(stream.GetMemory(), 'x', 4096);
  stream.SetSize(2);
  stream.Seek(5, soBeginning);
  stream.WriteBuffer("Z", 1);
  EXPECT_EQ(std::string(static_cast<const char*>(stream.GetMemory()), 6), std::string("xx\0\0\0Z", 6));
  stream.Clear();
  EXPECT_EQ(stream.GetSize(), 0);
  EXPECT_EQ(stream.GetCapacity(), 0);
  EXPECT_EQ(stream.GetPosition(), 0);
  EXPECT_THROW(stream.SetSize(-1), EStreamError);
}

TEST(Streams, CopyFrom) {
  const TBytes data = Iota(200);
  TCustomMemoryStream source(data.data(), 200);
  TMemoryStream target;
  source.SetPosition(150);
  EXPECT_EQ(target.CopyFrom(&source, 0), 200);  // 0: all of it, from the start
  EXPECT_EQ(target.GetSize(), 200);
  EXPECT_EQ(std::memcmp(target.GetMemory(), data.data(), 200), 0);

  source.SetPosition(10);
  target.SetSize(0);
  EXPECT_EQ(target.CopyFrom(&source, 20), 20);
  EXPECT_EQ(static_cast<const Byte*>(target.GetMemory())[0], 10);
  EXPECT_EQ(source.GetPosition(), 30);
  source.SetPosition(190);
  EXPECT_THROW(target.CopyFrom(&source, 20), EReadError);
}

TEST(Streams, FileStreamCreateReopenAndShrink) {
  const String name = TempFile("stream-ü.bin");
  {
    TFileStream file(name, fmCreate);
    file.WriteBuffer(Iota(1000), 1000);
    EXPECT_EQ(file.GetSize(), 1000);
    EXPECT_EQ(file.GetFileName(), name);
  }
  {
    TFileStream file(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(file.GetSize(), 1000);
    file.SetPosition(998);
    Byte last[2];
    file.ReadBuffer(last, 2);
    EXPECT_EQ(last[1], Byte(999 % 256));
    // Opened for reading only: the system refuses the write and says why.
    const String message = MessageOf<EWriteError>([&] { file.Write(last, 2); });
    EXPECT_NE(message.find(u"Stream write error. "), String::npos);
  }
  {
    TFileStream file(name, fmOpenReadWrite);
    file.SetPosition(900);
    file.SetSize(100);  // cuts the file on disk; the position follows
    EXPECT_EQ(file.GetPosition(), 100);
    EXPECT_EQ(SizeOnDisk(name), 100);
    file.SetSize(300);
    EXPECT_EQ(SizeOnDisk(name), 300);
  }
  // fmCreate truncates an existing file.
  { TFileStream truncated(name, fmCreate | fmShareDenyNone); }
  EXPECT_EQ(SizeOnDisk(name), 0);
}

TEST(Streams, FileStreamFailuresNameTheFile) {
  const String missing = TempFile("no-such-file.txt");
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream file(missing, fmOpenRead); }),
            u"Cannot open file \"" + missing + u"\". " + SysErrorMessage(ENOENT));
  const String noFolder = TempFile("no-such-folder/new.txt");
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream file(noFolder, fmCreate); }),
            u"Cannot create file \"" + noFolder + u"\". " + SysErrorMessage(ENOENT));
  // A folder opens on Linux, but it is no file.
  const String folder = UTF8ToString(TempDir());
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream file(folder, fmOpenRead); }),
            u"Cannot open file \"" + folder + u"\". " + SysErrorMessage(EISDIR));
  EXPECT_THROW(TFileStream(u"", fmOpenRead), EFOpenError);
}

TEST(Streams, MemoryStreamFilesAndStreams) {
  const String name = TempFile("memory.bin");
  TMemoryStream out;
  out.WriteBuffer("hello file", 10);
  out.SaveToFile(name);
  TMemoryStream in;
  in.LoadFromFile(name);
  EXPECT_EQ(std::string(static_cast<const char*>(in.GetMemory()), 10), "hello file");
  EXPECT_EQ(in.GetPosition(), 0);
  EXPECT_THROW(in.LoadFromFile(TempFile("missing.bin")), EFOpenError);
  EXPECT_EQ(in.GetSize(), 10);  // a failed load leaves the stream as it was
}

TEST(Streams, BytesAndStringStreams) {
  TBytesStream bytes(TBytes{1, 2, 3});
  EXPECT_EQ(bytes.GetSize(), 3);
  bytes.Seek(0, soEnd);
  bytes.WriteBuffer("\x04", 1);
  EXPECT_EQ(bytes.GetBytes(), (TBytes{1, 2, 3, 4}));

  TStringStream text(u"Grüße");  // UTF-8 by default: nothing is lost
  EXPECT_EQ(text.GetSize(), 7);
  EXPECT_EQ(text.GetDataString(), u"Grüße");
  text.Seek(0, soEnd);
  text.WriteString(u" €");
  EXPECT_EQ(text.GetDataString(), u"Grüße €");
  text.SetPosition(0);
  EXPECT_EQ(text.ReadString(4), u"Grü");
  EXPECT_EQ(text.ReadString(100), u"ße €");

  TStringStream latin(u"Grüße", TEncoding::GetEncoding(28591));  // owned, freed with the stream
  EXPECT_EQ(latin.GetSize(), 5);
  EXPECT_EQ(latin.GetDataString(), u"Grüße");
  TStringStream unicode(u"ab", TEncoding::GetUnicode());  // shared: not freed
  EXPECT_EQ(unicode.GetBytes(), (TBytes{'a', 0, 'b', 0}));
}

TEST(Streams, HandleStreamOverADescriptor) {
  const String name = TempFile("handle.bin");
  TFileStream file(name, fmCreate);
  THandleStream stream(file.GetHandle());
  stream.WriteBuffer("0123456789", 10);
  EXPECT_EQ(stream.GetSize(), 10);
  EXPECT_EQ(stream.Seek(-3, soEnd), 7);
  char tail[3];
  stream.ReadBuffer(tail, 3);
  EXPECT_EQ(std::string(tail, 3), "789");
  THandleStream closed(-1);
  EXPECT_THROW(closed.Read(tail, 1), EReadError);

  // A pipe delivers what it has: Read returns it at once, ReadBuffer fails only at the end.
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  THandleStream reader(ends[0]), writer(ends[1]);
  writer.WriteBuffer("abcdef", 6);
  char buffer[16];
  EXPECT_EQ(reader.Read(buffer, 16), 6);
  writer.WriteBuffer("xyz", 3);
  ::close(ends[1]);
  EXPECT_THROW(reader.ReadBuffer(buffer, 4), EReadError);
  ::close(ends[0]);
}

TEST(Streams, ResourceStream) {
  TResourceStream stream(nullptr, u"zephse_selftest", RT_RCDATA);
  TStringStream text;
  text.CopyFrom(&stream, 0);
  EXPECT_EQ(text.GetDataString(), u"ZEPHSE embedded resource self-test\n");
  EXPECT_THROW(stream.Write("x", 1), EStreamError);
  EXPECT_EQ(MessageOf<EResNotFound>([] { TResourceStream(nullptr, u"NO_SUCH_RESOURCE", RT_RCDATA); }),
            u"Resource NO_SUCH_RESOURCE not found");
  EXPECT_THROW(TResourceStream(nullptr, u"ZEPHSE_SELFTEST", u"BITMAP"), EResNotFound);
  EXPECT_EQ(TResourceStream(u"ZEPHSE_SELFTEST", u"rcdata").GetSize(), stream.GetSize());
}

TEST(Streams, ClassRecords) {
  TOwned<TStream> stream(new TBytesStream);
  EXPECT_TRUE(stream->InheritsFrom(ClassOf<TMemoryStream>()));
  EXPECT_TRUE(stream->InheritsFrom(ClassOf<TCustomMemoryStream>()));
  EXPECT_EQ(stream->ClassName(), u"TBytesStream");
}

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.FileFormats.XML.Reader.h"
#include "zcl/base/ZCL.FileFormats.XML.Types.h"

namespace {

// Gives at most Chunk bytes per read, so the input's block boundaries fall anywhere.
class TTrickleStream : public TBytesStream {
 public:
  TTrickleStream(const uint8_t* Data, size_t Size, Integer Chunk)
      : TBytesStream(TBytes(Data, Data + Size)), FChunk(Chunk) {}
  Integer Read(void* Buffer, Integer Count) override {
    return TBytesStream::Read(Buffer, Count < FChunk ? Count : FChunk);
  }

 private:
  Integer FChunk;
};

}  // namespace

// Any bytes read to the end or to a clean error; the first byte picks the reader's options and
// whether the input arrives in small pieces.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  if (Size == 0) return 0;
  TZCLXMLReaderSettings settings;
  settings.Namespaces = (Data[0] & 1) != 0;
  settings.Conformance = static_cast<TZCLXMLConformance>((Data[0] >> 1) % 3);
  settings.IgnoreWhitespace = (Data[0] & 8) != 0;
  settings.IgnoreComments = (Data[0] & 16) != 0;
  settings.CheckCharacters = (Data[0] & 32) != 0;
  TTrickleStream stream(Data + 1, Size - 1, (Data[0] & 64) ? 1 + (Data[0] >> 7) * 6 : 1 << 30);
  try {
    auto reader = TZCLXMLReader::Create(settings, &stream);
    while (reader->Read()) {
      (void)reader->GetValue();
      while (reader->MoveToNextAttribute()) (void)reader->GetValue();
      reader->MoveToElement();
    }
  } catch (const Exception&) {
    // A clean error (XML, encoding or "Not implemented") is a valid outcome.
  }
  return 0;
}

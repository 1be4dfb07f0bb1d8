#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Streams.h"
#include "zeph/media/ZTL.Ogg.Vorbis.h"
#include "zeph/media/ZTL.Tags.VorbisComments.h"

namespace {

class TOggVorbis : public TZTLTagsContainerOggVorbis {
 public:
  bool SaveTo(TStream* Stream) { return DoSave(Stream); }
};

}  // namespace

// An Ogg file in any state: the page walk stays inside the file; a file that loads as Ogg
// Vorbis is saved with a changed title into a copy, which loads again with that title and the
// same stream information. Only the stream's read error may escape (a truncated page body).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
  TZBLOggStream ogg(&input);
  try {
    while (ogg.ReadPage(true, true))
      if (ogg.GetPage().GetPageEnd() > static_cast<Int64>(Size)) std::abort();
  } catch (const EReadError&) {
  }
  TOggVorbis file;
  try {
    file.LoadFromStream(&input);
  } catch (const EReadError&) {
    return 0;
  }
  if (!file.GetLoaded() || !file.GetTag()->GetSize()) return 0;
  TMemoryStream copy;
  copy.WriteBuffer(Data, static_cast<Int64>(Size));
  file.GetTag()->SetValue(fitTitle, u"Fuzzed title");
  copy.SetPosition(0);
  try {
    if (!file.SaveTo(&copy)) return 0;
  } catch (const EReadError&) {
    return 0;
  }
  TOggVorbis again;
  again.LoadFromStream(&copy);
  if (!again.GetLoaded() || again.GetTag()->GetValue(fitTitle) != u"Fuzzed title" ||
      again.GetStreamInfo().SampleRate != file.GetStreamInfo().SampleRate)
    std::abort();
  return 0;
}

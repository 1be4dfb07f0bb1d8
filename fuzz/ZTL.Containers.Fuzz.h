#pragma once
// The round trip every tags container goes through under the fuzzers: a file in any state loads
// or fails with a stream error; one that loads is saved with a changed title into a copy, which
// loads again with that title and the same sample rate.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zeph/media/ZTL.Core.h"

namespace fuzzsupport {

// Exposes the stream operations of a container class.
template <class C>
class TOpen : public C {
 public:
  bool SaveTo(TStream* Stream) { return this->DoSave(Stream); }
};

template <class C>
void RoundTrip(const uint8_t* Data, size_t Size, const std::function<void(C&, TStream&)>& Also = nullptr) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
  TOpen<C> file;
  try {
    file.LoadFromStream(&input);
  } catch (const EReadError&) {
    return;
  }
  if (!file.GetLoaded()) return;
  if (Also) Also(file, input);
  TMemoryStream copy;
  copy.WriteBuffer(Data, static_cast<Int64>(Size));
  file.TZTLTagsContainer::GetTag(0)->SetValue(fitTitle, u"Fuzzed title");
  copy.SetPosition(0);
  try {
    if (!file.SaveTo(&copy)) return;
  } catch (const EReadError&) {
    return;
  }
  TOpen<C> again;
  again.LoadFromStream(&copy);
  if (!again.GetLoaded() || again.TZTLTagsContainer::GetTag(0)->GetValue(fitTitle) != u"Fuzzed title" ||
      again.GetStreamInfo().SampleRate != file.GetStreamInfo().SampleRate)
    std::abort();
}

}  // namespace fuzzsupport

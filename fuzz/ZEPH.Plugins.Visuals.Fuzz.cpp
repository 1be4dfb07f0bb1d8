#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "rtl/RTL.Units.h"
#include "zeph/core/ZEPH.Plugins.Old.Visuals.h"

// Recorded or played frames are arbitrary bytes: every float pattern (NaN, infinities, huge
// values) converts without undefined behaviour, through the native plugin and the host's wrapper.
namespace {
class TFuzzVis : public TZEPHCustomNativeVisualPlugin {
  ZCL_CLASS(TFuzzVis, TZEPHCustomNativeVisualPlugin)
 public:
  using TZEPHCustomNativeVisualPlugin::TZEPHCustomNativeVisualPlugin;
  void Click(Integer, Integer, Integer) override {}
  void Resize(Integer, Integer) override {}
  void Draw(HDC DC, const TZEPHVisualData* Data) override {
    TZEPHCustomNativeVisualPlugin::Draw(DC, Data);
    const auto& wave = GetWaveformBytes();
    const auto& spectrum = GetSpectrumBytes();
    const Integer level = VisualLevel(Data->Peaks[0]);
    if (level != GetLevelB()) std::abort();
    if (wave[0][0] != VisualWaveformByte(Data->Waveform[0][0])) std::abort();
    if (spectrum[1][255] != VisualSpectrumByte(Data->Spectrum[1][255])) std::abort();
  }

 protected:
  void DoFinalize() override {}
  void DoInitialize(Integer, Integer) override {}
  using TZEPHCustomNativeVisualPlugin::DoInitialize;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  TZEPHVisualData frame;
  std::memset(&frame, 0, sizeof(frame));
  std::memcpy(&frame, Data, Size < sizeof(frame) ? Size : sizeof(frame));
  auto* plugin = CreatePlugin<TFuzzVis>(nullptr, u"");
  IPtr<IZEPHExtensionEmbeddedVisualization> ext(static_cast<IZEPHExtensionEmbeddedVisualization*>(plugin));
  auto* vis = Create<TZEPHEmbeddedVisualization>(ext);
  vis->Resize(200, 100);
  if (vis->GetState() != TZEPHEmbeddedVisualizationState::Active) std::abort();
  vis->Draw(nullptr, &frame);
  vis->Click(frame.Peaks[0], frame.Peaks[1], mbLeft);
  vis->Finalize();
  Free(vis);
  ext = nullptr;
  Free(plugin);
  return 0;
}

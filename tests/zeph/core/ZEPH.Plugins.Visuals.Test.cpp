#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/core/ZEPH.Plugins.Old.Visuals.h"
#include "zeph/core/ZEPH.Plugins.Presenter.h"
#include "zeph/core/ZEPH.Plugins.Visuals.h"
#include "zeph/core/ZEPH.Plugins.Wrapped.h"

namespace {
// An embedded visualization that logs its calls and raises on request.
class TProbeVis : public TInterfacedObject, public IZEPHExtensionEmbeddedVisualization {
  ZCL_CLASS(TProbeVis, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHExtensionEmbeddedVisualization)
 public:
  explicit TProbeVis(String AName, bool ANameFails = false) : FName(std::move(AName)), FNameFails(ANameFails) {}
  Cardinal GetFlags() override { return 1; }
  HRESULT GetMaxDisplaySize(Integer& W, Integer& H) override {
    W = 1;
    H = 2;
    return S_OK;
  }
  HRESULT GetName(IPtr<IZEPHString>& Name) override {
    if (FNameFails) return E_FAIL;
    Name = IPtr<IZEPHString>(Create<TZEPHStringAdapter>(FName));
    return S_OK;
  }
  HRESULT Initialize(Integer W, Integer H) override {
    Log.push_back("Init " + std::to_string(W) + "x" + std::to_string(H));
    return InitResult;
  }
  void Finalize() override { Log.push_back("Fin"); }
  void Click(Integer X, Integer Y, Integer B) override {
    Log.push_back("Click " + std::to_string(X) + "," + std::to_string(Y) + "," + std::to_string(B));
  }
  void Draw(HDC, const TZEPHVisualData*) override {
    Log.push_back("Draw");
    if (DrawRaises) throw std::runtime_error("draw");
  }
  void Resize(Integer W, Integer H) override { Log.push_back("Resize " + std::to_string(W) + "x" + std::to_string(H)); }

  std::vector<std::string> Log;
  HRESULT InitResult = S_OK;
  bool DrawRaises = false;

 private:
  String FName;
  bool FNameFails;
};

IPtr<IZEPHExtensionEmbeddedVisualization> NewVis(TProbeVis*& Probe, const String& Name, bool NameFails = false) {
  Probe = Create<TProbeVis>(Name, NameFails);
  return IPtr<IZEPHExtensionEmbeddedVisualization>(Probe);
}

TEST(VisualHost, FrameRecordLayout) {
  EXPECT_EQ(sizeof(TZEPHVisualData), 8716u);
  EXPECT_EQ(offsetof(TZEPHVisualData, Spectrum), 8u);
  EXPECT_EQ(offsetof(TZEPHVisualData, Waveform), 3080u);
  EXPECT_EQ(offsetof(TZEPHVisualData, Reserved), 7176u);
  EXPECT_EQ(offsetof(TZEPHVisualData, LogarithmicSpectrum), 7180u);
}

TEST(VisualHost, ConversionsAreDefinedForEveryFloat) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  struct TCase {
    float In;
    int Wave, Spectrum, Level;
  };
  const TCase cases[] = {
      {-0.999f, -126, 0, -100}, {300.7f, 0, 44, 30070}, {1.0f, 127, 1, 100},      {0.005f, 0, 0, 0},
      {0.015f, 1, 0, 1},        {nan, 0, 0, 0},         {inf, 0, 0, 0},           {-inf, 0, 0, 0},
      {3e9f, 0, 0, 0},          {-3e9f, 0, 0, 0},       {2e7f, 0, 0, 2000000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.In);
    EXPECT_EQ(VisualSpectrumByte(c.In), c.Spectrum);
    if (c.In != 300.7f && c.In != 2e7f) {
      EXPECT_EQ(VisualWaveformByte(c.In), c.Wave);
    }
    EXPECT_EQ(VisualLevel(c.In), c.Level);
  }
}

TEST(VisualHost, ServiceSortsFindsAndCycles) {
  auto* service = Create<TZEPHServiceVisual>();
  TProbeVis *b, *a, *c, *bad;
  auto eb = NewVis(b, u"b"), ea = NewVis(a, u"A"), ec = NewVis(c, u"c"), ebad = NewVis(bad, u"", true);
  EXPECT_EQ(service->GetNext(nullptr, true), nullptr);
  int changed = 0;
  service->OnChanged = TNotifyEvent(
      &changed, +[](int* Count, TObject*) { ++*Count; });
  for (auto* e : {eb.get(), ea.get(), ec.get()}) service->RegisterExtension(e);
  ASSERT_EQ(service->GetEmbeddedCount(), 3);
  EXPECT_EQ(service->GetEmbedded(0)->GetName(), u"A");
  EXPECT_EQ(service->GetEmbedded(1)->GetName(), u"b");
  EXPECT_EQ(service->GetEmbedded(2)->GetName(), u"c");
  EXPECT_EQ(service->FindByName(u"B"), service->GetEmbedded(1));
  EXPECT_EQ(service->FindByName(u"d"), nullptr);
  auto* first = service->GetEmbedded(0);
  auto* last = service->GetEmbedded(2);
  EXPECT_EQ(service->GetNext(nullptr, true), first);
  EXPECT_EQ(service->GetNext(last, true), nullptr);
  EXPECT_EQ(service->GetNext(nullptr, false), last);
  EXPECT_EQ(service->GetNext(first, false), nullptr);
  EXPECT_EQ(changed, 3);

  service->RegisterExtension(ebad.get());
  EXPECT_NE(service->FindByName(u"Noname"), nullptr);
  // The same extension twice: two wrappers, both removed, the last one first.
  service->RegisterExtension(eb.get());
  std::vector<TZEPHEmbeddedVisualization*> removing;
  service->OnRemoving = TZEPHVisualRemovingEvent(
      &removing,
      +[](std::vector<TZEPHEmbeddedVisualization*>* List, TZEPHEmbeddedVisualization* V) { List->push_back(V); });
  auto* b1 = service->GetEmbedded(1);
  auto* b2 = service->GetEmbedded(2);
  service->UnregisterExtension(eb.get());
  EXPECT_EQ(removing, (std::vector<TZEPHEmbeddedVisualization*>{b2, b1}));
  EXPECT_EQ(service->GetEmbeddedCount(), 3);
  Free(service);
}

TEST(VisualHost, WrapperStatesContainFailures) {
  TProbeVis* probe;
  auto* vis = Create<TZEPHEmbeddedVisualization>(NewVis(probe, u"v"));
  TZEPHVisualData frame{};
  vis->Draw(nullptr, &frame);  // not initialized: nothing
  vis->Resize(200, 100);
  vis->Resize(200, 100);  // same size while active: nothing
  vis->Click(0.5f, 0.25f, mbLeft);
  vis->Click(0.5f, 0.25f, mbRight);
  vis->Click(1.0f, 1.0f, mbMiddle);
  vis->Resize(0, 100);
  EXPECT_EQ(vis->GetState(), TZEPHEmbeddedVisualizationState::None);
  vis->Resize(200, 100);
  EXPECT_EQ(probe->Log,
            (std::vector<std::string>{"Init 200x100", "Click 100,25,0", "Click 200,100,1", "Fin", "Init 200x100"}));
  probe->Log.clear();
  probe->DrawRaises = true;
  vis->Draw(nullptr, &frame);
  EXPECT_EQ(vis->GetState(), TZEPHEmbeddedVisualizationState::Failed);
  vis->Draw(nullptr, &frame);
  vis->Resize(300, 100);
  vis->Click(0.5f, 0.5f, mbLeft);
  EXPECT_EQ(probe->Log, (std::vector<std::string>{"Draw"}));
  vis->Finalize();
  EXPECT_EQ(probe->Log.back(), "Fin");

  // A failed initialization is never finalized.
  probe->Log.clear();
  probe->InitResult = E_FAIL;
  vis->Resize(10, 10);
  EXPECT_EQ(vis->GetState(), TZEPHEmbeddedVisualizationState::InitFailed);
  vis->Finalize();
  EXPECT_EQ(probe->Log, (std::vector<std::string>{"Init 10x10"}));
  Free(vis);
}

class TNativeVis : public TZEPHCustomNativeVisualPlugin {
  ZCL_CLASS(TNativeVis, TZEPHCustomNativeVisualPlugin)
 public:
  using TZEPHCustomNativeVisualPlugin::TZEPHCustomNativeVisualPlugin;
  void Click(Integer, Integer, Integer) override {}
  void Resize(Integer W, Integer H) override { Sizes.push_back(W * 1000 + H); }
  std::vector<Integer> Sizes;
  int Inits = 0;

 protected:
  void DoFinalize() override {}
  void DoInitialize(Integer, Integer) override { ++Inits; }
  using TZEPHCustomNativeVisualPlugin::DoInitialize;
};

TEST(VisualHost, NativePluginBuildsByteFrames) {
  auto* plugin = CreatePlugin<TNativeVis>(nullptr, u"");
  plugin->InfoName = u"Preview";
  TZEPHPlugin* host = plugin;
  EXPECT_EQ(host->GetCategories(), 0b100);
  IPtr<IZEPHString> name;
  ASSERT_EQ(plugin->GetName(name), S_OK);
  EXPECT_EQ(String(name->GetData()), u"Preview");
  EXPECT_EQ(plugin->Initialize(20, 10), S_OK);
  EXPECT_EQ(plugin->Initialize(30, 10), S_OK);
  EXPECT_EQ(plugin->Inits, 1);
  EXPECT_EQ(plugin->Sizes, (std::vector<Integer>{20010, 30010}));

  TZEPHVisualData frame{};
  frame.Peaks[0] = 0.125f;
  frame.Peaks[1] = std::numeric_limits<float>::quiet_NaN();
  frame.Waveform[1][511] = -0.999f;
  frame.Spectrum[1][3] = 300.7f;
  plugin->Draw(nullptr, &frame);
  EXPECT_EQ(plugin->GetLevelA(), 0);
  EXPECT_EQ(plugin->GetLevelB(), 12);
  EXPECT_EQ(plugin->GetWaveformBytes()[1][511], -126);
  EXPECT_EQ(plugin->GetSpectrumBytes()[1][3], 44);
  Free(plugin);
}

TEST(VisualHost, DrawingFailureReachesThePluginHost) {
  // A raising Draw of a visualization a plugin registered hands that plugin to the failure handling.
  auto* service = Create<TZEPHServiceVisual>();
  auto* owner = CreatePlugin<TNativeVis>(nullptr, u"");
  owner->SetInitialized(true);
  TZEPHPluginManager* manager = PluginManager();
  manager->AddPlugin(owner);
  const Integer count = manager->Count();
  TProbeVis* probe;
  auto ext = NewVis(probe, u"x");
  ASSERT_EQ(owner->GetPresenter()->RegisterExtension(IZEPHServiceVisualizations::IID, ext.get()), S_OK);
  ASSERT_EQ(service->GetEmbeddedCount(), 1);
  auto* vis = service->GetEmbedded(0);
  vis->Resize(10, 10);
  probe->DrawRaises = true;
  TZEPHVisualData frame{};
  vis->Draw(nullptr, &frame);
  EXPECT_EQ(vis->GetState(), TZEPHEmbeddedVisualizationState::Failed);
  EXPECT_EQ(manager->Count(), count - 1);
  Application->OnMessageBox =
      TMessageBoxEvent(+[](const String&, const String&, Cardinal, Integer& Result) { Result = IDNO; });
  TZCLMainThread::CheckSynchronize();  // disables and finalizes: the extension leaves the service
  Application->OnMessageBox = nullptr;
  EXPECT_FALSE(owner->GetInitialized());
  EXPECT_EQ(service->GetEmbeddedCount(), 0);
  static_cast<TZEPHPlugin*>(owner)->SetEnabled(true);
  Free(owner);
  Free(service);
}
}  // namespace

namespace {
// A visualization as a plugin library writes it: the plugin API only.
class TLibraryVis final : public IZEPHPluginEmbeddedVisualization {
 public:
  explicit TLibraryVis(IZEPHPluginCore* ACore) : FCore(ACore) {}
  int32_t QueryInterface(const ZEPHPluginGUID& IID, void** Obj) override {
    if (ZEPHPluginSameGUID(IID, ZEPH_IID_UNKNOWN) || ZEPHPluginSameGUID(IID, ZEPH_IID_EMBEDDED_VISUALIZATION)) {
      if (Obj) {
        AddRef();
        *Obj = static_cast<IZEPHPluginEmbeddedVisualization*>(this);
      }
      return ZEPH_S_OK;
    }
    if (Obj) *Obj = nullptr;
    return ZEPH_E_NOINTERFACE;
  }
  int32_t AddRef() override { return ++Refs; }
  int32_t Release() override { return --Refs; }
  uint32_t GetFlags() override { return ZEPH_VISUALIZATION_SPECTRUM; }
  int32_t GetMaxDisplaySize(int32_t& Width, int32_t& Height) override {
    Width = 300;
    Height = 200;
    return ZEPH_S_OK;
  }
  int32_t GetName(IZEPHPluginString*& Name) override {
    const int32_t result = FCore->CreateObject(ZEPH_IID_STRING, reinterpret_cast<void**>(&Name));
    if (result >= 0) Name->SetData(u"Library", 7);
    return result;
  }
  int32_t Initialize(int32_t Width, int32_t Height) override {
    Log += "Init " + std::to_string(Width) + "x" + std::to_string(Height) + ";";
    return ZEPH_S_OK;
  }
  void Finalize() override { Log += "Fin;"; }
  void Click(int32_t X, int32_t Y, int32_t Button) override {
    Log += "Click " + std::to_string(X) + "," + std::to_string(Y) + "," + std::to_string(Button) + ";";
  }
  void Draw(void*, const ZEPHPluginVisualData* Data) override {
    Log += "Draw " + std::to_string(Data->Peaks[1]) + "," + std::to_string(Data->LogarithmicSpectrum[2][255]) + ";";
  }
  void Resize(int32_t, int32_t) override {}
  std::string Log;
  int32_t Refs = 1;

 private:
  IZEPHPluginCore* FCore;
};

class TLibraryPlugin : public TZEPHCustomWrappedPlugin {
  ZCL_CLASS(TLibraryPlugin, TZEPHCustomWrappedPlugin)
 public:
  using TZEPHCustomWrappedPlugin::TZEPHCustomWrappedPlugin;

 protected:
  Cardinal DoGetCategories() override { return ZEPH_PLUGIN_CATEGORY_VISUALIZATION; }
};
}  // namespace

TEST(VisualHost, LibraryVisualizationsReachTheServiceThroughTheirPluginsCore) {
  auto* service = Create<TZEPHServiceVisual>();
  auto* plugin = CreatePlugin<TLibraryPlugin>(nullptr, u"");
  plugin->SetInitialized(true);
  IZEPHPluginCore* core = plugin->GetPresenter()->GetPluginCore();
  TLibraryVis vis(core);
  ASSERT_EQ(core->RegisterExtension(ZEPH_IID_SERVICE_VISUALIZATIONS, &vis), ZEPH_S_OK);
  ASSERT_EQ(service->GetEmbeddedCount(), 1);
  TZEPHEmbeddedVisualization* wrapper = service->GetEmbedded(0);
  EXPECT_EQ(wrapper->GetName(), u"Library");
  EXPECT_EQ(wrapper->GetFlags(), ZEPH_VISUALIZATION_SPECTRUM);
  wrapper->Resize(200, 100);
  TSize size;
  EXPECT_TRUE(wrapper->GetMaxDisplaySize(size));
  EXPECT_EQ(size.cx * 1000 + size.cy, 300200);
  TZEPHVisualData frame{};
  frame.Peaks[1] = 0.5f;
  frame.LogarithmicSpectrum[2][255] = 7;
  wrapper->Draw(nullptr, &frame);
  wrapper->Click(0.5f, 0.25f, mbLeft);
  EXPECT_EQ(vis.Log, "Init 200x100;Draw 0.500000,7;Click 100,25,0;");

  // Finalizing the plugin takes the visualization out of the service; no reference stays.
  Free(plugin);
  EXPECT_EQ(service->GetEmbeddedCount(), 0);
  EXPECT_EQ(vis.Refs, 1);
  Free(service);
}

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "zcl/base/ZCL.Classes.StringList.h"
#include "zeph/core/ZSO.DataAdapter.h"
#include "zeph/core/ZSO.Resampler.SoXR.h"

namespace {
// Expected non-zero weights as (target, source) -> weight.
using TWeights = std::map<std::pair<int, int>, float>;

struct TMatrixCase {
  int Source, Target;
  bool Fallback;
  TWeights Expected;
};

TWeights Identity(int N) {
  TWeights w;
  for (int i = 0; i < N; ++i) w[{i, i}] = 1.0f;
  return w;
}

TEST(ChannelsMixing, DefaultMatricesFollowTheLayouts) {
  const float third = 1.0f / 3;
  const std::vector<TMatrixCase> cases = {
      {2, 1, true, {{{0, 0}, 0.5f}, {{0, 1}, 0.5f}}},
      {1, 2, true, {{{0, 0}, 1.0f}, {{1, 0}, 1.0f}}},
      {6,
       2,
       true,
       {{{0, 0}, third}, {{0, 2}, third}, {{0, 4}, third}, {{1, 1}, third}, {{1, 2}, third}, {{1, 5}, third}}},
      {6, 2, false, {{{0, 0}, 1.0f}, {{1, 1}, 1.0f}}},
      {2,
       6,
       true,
       {{{0, 0}, 1.0f},
        {{1, 1}, 1.0f},
        {{2, 0}, 0.5f},
        {{2, 1}, 0.5f},
        {{3, 0}, 0.5f},
        {{3, 1}, 0.5f},
        {{4, 0}, 1.0f},
        {{5, 1}, 1.0f}}},
      {8,
       6,
       true,
       {{{0, 0}, 0.5f},
        {{0, 6}, 0.5f},
        {{1, 1}, 0.5f},
        {{1, 7}, 0.5f},
        {{2, 2}, 1.0f},
        {{3, 3}, 1.0f},
        {{4, 4}, 0.5f},
        {{4, 6}, 0.5f},
        {{5, 5}, 0.5f},
        {{5, 7}, 0.5f}}},
      {1, 1, true, Identity(1)},
      {5, 5, true, Identity(5)},
      {8, 8, false, Identity(8)},
      // No layout outside 1..8: nothing mixes.
      {0, 2, true, {}},
      {2, 9, true, {}},
      {-1, 8, true, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Source << " -> " << c.Target << (c.Fallback ? " fallback" : ""));
    TZSOChannelsMixingMatrix m;
    BuildDefaultMixingMatrix(m, c.Source, c.Target, c.Fallback);
    for (int r = 0; r < 8; ++r)
      for (int col = 0; col < 8; ++col) {
        auto it = c.Expected.find({r, col});
        const float want = it == c.Expected.end() ? 0.0f : it->second;
        EXPECT_NEAR(m[r][col].Weight, want, 1e-6) << "cell " << r << "," << col;
        EXPECT_EQ(m[r][col].Active, want != 0.0f) << "cell " << r << "," << col;
      }
  }
}

class TCountingListener : public TInterfacedObject, public IZSOChannelsMixingMatrixPresets {
  ZCL_CLASS(TCountingListener, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZSOChannelsMixingMatrixPresets)
 public:
  void Changed() override { ++Count; }
  int Count = 0;
};

TEST(ChannelsMixing, PresetsSortNameAndAssign) {
  auto* manager = Create<TZSOChannelsMixingMatrixPresetManager>();
  auto* listener = Create<TCountingListener>();
  IPtr<IInterface> keep(static_cast<IZSOChannelsMixingMatrixPresets*>(listener));
  manager->GetListeners()->Add(keep);
  manager->BeginUpdate();
  manager->Add(Create<TZSOChannelsMixingMatrixPreset>(6, 2));
  manager->Add(Create<TZSOChannelsMixingMatrixPreset>(2, 1));
  manager->Add(Create<TZSOChannelsMixingMatrixPreset>(2, 6));
  EXPECT_EQ(listener->Count, 0);
  manager->EndUpdate();
  EXPECT_EQ(listener->Count, 1);
  ASSERT_EQ(manager->GetCount(), 3);
  EXPECT_EQ(manager->GetPreset(0)->ToString(), u"Stereo -> Mono");
  EXPECT_EQ(manager->GetPreset(1)->ToString(), u"Stereo -> 5.1 Surround");
  EXPECT_EQ(manager->GetPreset(2)->ToString(), u"5.1 Surround -> Stereo");
  EXPECT_EQ(TZSOChannelsMixingMatrixPreset(3, 7).ToString(), u"3 -> 7.0 Surround");

  // Assigning a whole manager tells the listeners once and copies every matrix.
  manager->GetPreset(0)->GetMatrix()[0][0].Weight = 0.25f;
  auto* copy = Create<TZSOChannelsMixingMatrixPresetManager>();
  copy->GetListeners()->Add(keep);
  copy->Assign(manager);
  EXPECT_EQ(listener->Count, 2);
  ASSERT_EQ(copy->GetCount(), 3);
  EXPECT_FLOAT_EQ(copy->GetPreset(0)->GetMatrix()[0][0].Weight, 0.25f);
  auto* other = Create<TZCLStringList>();  // any other kind of source does nothing
  copy->Assign(other);
  Free(other);
  EXPECT_EQ(copy->GetCount(), 3);

  // Different counts: refused, the target keeps its matrix.
  TZSOChannelsMixingMatrixPreset* target = copy->GetPreset(2);
  const auto before = target->GetMatrix()[0][0].Weight;
  EXPECT_THROW(target->Assign(manager->GetPreset(0)), EInvalidPointer);
  EXPECT_EQ(target->GetMatrix()[0][0].Weight, before);
  EXPECT_EQ(manager->GetLockCount(), 0);
  Free(copy);
  Free(manager);
}

TEST(ChannelsMixing, ProcessManagerExistsWhileTheUnitIsUp) { EXPECT_NE(ChannelsMixingMatrixPresets(), nullptr); }

TEST(SoxrBinding, NeedsAllFourEntryPoints) {
  SoxrBind(SoxrLibraryName());
  EXPECT_TRUE(SoxrAvailable) << "libsoxr0 is installed by scripts/setup.sh";
  EXPECT_NE(SoxrEntries.QualitySpec, nullptr);
  SoxrBind(u"libzeph-no-such-resampler.so.0");
  EXPECT_FALSE(SoxrAvailable);
  SoxrBind(UTF8ToString(ZEPH_TEST_SOXR_PARTIAL));
  EXPECT_FALSE(SoxrAvailable);
  EXPECT_NE(SoxrEntries.Create, nullptr);
  EXPECT_EQ(SoxrEntries.QualitySpec, nullptr);
  SoxrBind(SoxrLibraryName());
}
}  // namespace

// The layout calculator over a tree of about 1,000 items, side by side with a straightforward
// dock layout written here on plain structs (Debian packages no flexbox-style layout library):
// the same docking rules and minimum sizes, computed afresh on every pass without objects,
// change notification or caching.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "support/BenchRatio.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"
#include "zse/engine/ZSE.Engine.Units.h"
#include "zse/engine/ZSE.Layout.h"

namespace {

// Shape of the tree: 10 groups of 10 boxes of 9 leaves (1,010 items under the root).
constexpr int GGroups = 10, GBoxes = 10, GLeaves = 9;
const TZSELayoutAlignment GLeafAlign[GLeaves] = {laTop,    laLeft, laClient, laRight, laBottom,
                                                 laClient, laTop,  laLeft,   laClient};

// ---- the reference layout -------------------------------------------------------------------------

struct TRefNode {
  TZSELayoutAlignment Align = laTop;
  int MinW = 0, MinH = 0;
  TRect Bounds;
  std::vector<std::unique_ptr<TRefNode>> Children;
};

TSize RefMinSize(const TRefNode& N) {
  int vH = 0, vW = 0, hW = 0, hH = 0, cW = 0, cH = 0;
  for (const auto& c : N.Children) {
    const TSize s = RefMinSize(*c);
    switch (c->Align) {
      case laTop:
      case laBottom:
        vH += s.cy, vW = std::max(vW, int(s.cx));
        break;
      case laLeft:
      case laRight:
        hW += s.cx, hH = std::max(hH, int(s.cy));
        break;
      default:
        cW += s.cx, cH = std::max(cH, int(s.cy));
    }
  }
  return TSize(std::max({N.MinW, hW + cW, vW}), std::max(N.MinH, std::max(hH, cH) + vH));
}

void RefLayout(TRefNode& N, const TRect& R) {
  N.Bounds = R;
  TRect area = R;
  std::vector<TRefNode*> clients;
  for (TZSELayoutAlignment a : {laTop, laBottom, laLeft, laRight})
    for (auto& c : N.Children) {
      if (c->Align != a) continue;
      const TSize s = RefMinSize(*c);
      TRect r = area;
      switch (a) {
        case laTop:
          r.Bottom = r.Top + s.cy, area.Top = r.Bottom;
          break;
        case laBottom:
          r.Top = r.Bottom - s.cy, area.Bottom = r.Top;
          break;
        case laLeft:
          r.Right = r.Left + s.cx, area.Left = r.Right;
          break;
        default:
          r.Left = r.Right - s.cx, area.Right = r.Left;
      }
      RefLayout(*c, r);
    }
  for (auto& c : N.Children)
    if (c->Align == laClient) clients.push_back(c.get());
  if (clients.empty()) return;
  // Share the width in proportion to the minimum widths (equal shares when all are 0).
  std::vector<int> mins;
  int sum = 0;
  for (TRefNode* c : clients) mins.push_back(RefMinSize(*c).cx), sum += mins.back();
  const int width = std::max(0, int(area.Width()));
  int left = area.Left;
  for (size_t i = 0; i < clients.size(); ++i) {
    const int w = sum > 0 ? int(Int64(width) * mins[i] / sum) : width / int(clients.size());
    const int right = i + 1 == clients.size() ? area.Right : left + w;
    RefLayout(*clients[i], TRect(left, area.Top, right, area.Bottom));
    left = right;
  }
}

std::unique_ptr<TRefNode> BuildReference() {
  auto root = std::make_unique<TRefNode>();
  root->Align = laClient;
  for (int g = 0; g < GGroups; ++g) {
    auto group = std::make_unique<TRefNode>();
    group->Align = g % 2 ? laClient : laTop;
    for (int b = 0; b < GBoxes; ++b) {
      auto box = std::make_unique<TRefNode>();
      box->Align = b % 3 == 0 ? laLeft : laClient;
      for (int l = 0; l < GLeaves; ++l) {
        auto leaf = std::make_unique<TRefNode>();
        leaf->Align = GLeafAlign[l];
        leaf->MinW = 4 + l, leaf->MinH = 3 + l;
        box->Children.push_back(std::move(leaf));
      }
      group->Children.push_back(std::move(box));
    }
    root->Children.push_back(std::move(group));
  }
  return root;
}

// ---- the engine's layout ----------------------------------------------------------------------------

TZSELayout* BuildLayout() {
  auto* root = Create<TZSELayout>(nullptr);
  root->BeginUpdate();
  auto add = [](TZSELayoutCustomItem* Parent, TZSELayoutAlignment Align) {
    auto* item = Create<TZSELayoutItem>();
    item->SetParent(Parent);
    item->SetAlignment(Align);
    return item;
  };
  for (int g = 0; g < GGroups; ++g) {
    TZSELayoutItem* group = add(root, g % 2 ? laClient : laTop);
    for (int b = 0; b < GBoxes; ++b) {
      TZSELayoutItem* box = add(group, b % 3 == 0 ? laLeft : laClient);
      for (int l = 0; l < GLeaves; ++l) add(box, GLeafAlign[l])->GetSizeMinimal()->SetValue(TSize(4 + l, 3 + l));
    }
  }
  root->EndUpdate();
  return root;
}

const TRect GSizes[2] = {TRect(0, 0, 1600, 1200), TRect(0, 0, 1700, 1300)};

// A full pass: limits computed afresh for every item, then every item placed.
void BM_Layout_Zse(benchmark::State& State) {
  TZSELayout* root = BuildLayout();
  int i = 0;
  for (auto _ : State) {
    root->ResetLayoutState();
    root->SetBounds(GSizes[++i & 1]);
    benchmark::DoNotOptimize(root->GetItem(0)->GetBounds());
  }
  Free(root);
}
BENCHMARK(BM_Layout_Zse);

void BM_Layout_Reference(benchmark::State& State) {
  auto root = BuildReference();
  int i = 0;
  for (auto _ : State) {
    RefLayout(*root, GSizes[++i & 1]);
    benchmark::DoNotOptimize(root->Children[0]->Bounds);
  }
}
BENCHMARK(BM_Layout_Reference);

// A window resize: the cached limits are reused, only the placement runs.
void BM_Resize_Zse(benchmark::State& State) {
  TZSELayout* root = BuildLayout();
  int i = 0;
  for (auto _ : State) {
    root->SetBounds(GSizes[++i & 1]);
    benchmark::DoNotOptimize(root->GetItem(0)->GetBounds());
  }
  Free(root);
}
BENCHMARK(BM_Resize_Zse);

ZEPHSE_BENCH_RATIO("BM_Layout_Zse", "BM_Layout_Reference", 0.0);
ZEPHSE_BENCH_RATIO("BM_Resize_Zse", "BM_Layout_Reference", 0.0);

}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
  InitializeUnits(ZclGraphicsUnits());
  InitializeUnits(ZclUiUnits());
  InitializeUnits(ZclControlsUnits());
  InitializeUnits(ZseEngineUnits());
  const int result = RunBenchmarksWithRatios(argc, argv);
  FinalizeUnits();
  return result;
}

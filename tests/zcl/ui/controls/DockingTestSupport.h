#pragma once
// A host form with a dock site and named panels, and mouse drags injected at the OS layer.

#include <gtest/gtest.h>

#include "../UiTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/docking/ZCL.UI.Controls.Docking.Engine.h"
#include "zcl/ui/docking/ZCL.UI.Controls.Docking.h"

namespace docktest {

struct TDockFixture {
  // Panels named "P1".."Pn" with captions "Panel 1".., not yet placed.
  explicit TDockFixture(Integer Width = 800, Integer Height = 600, Integer PanelCount = 3) {
    UIAnimationsEnabled = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(100, 100, Width, Height);
    Site = Create<TZCLDockSite>(Form.get());
    Site->SetName(u"Site");
    Site->SetParent(Form.get());
    for (Integer i = 0; i < PanelCount; ++i) {
      auto* p = Create<TZCLDockPanel>(Form.get());
      p->SetName(u"P" + IntToStr(i + 1));
      p->SetCaption(u"Panel " + IntToStr(i + 1));
      Panels.push_back(p);
    }
  }
  ~TDockFixture() {
    Form.reset();
    Headless::RunUntilIdle();
    UIAnimationsEnabled = true;
  }
  // Puts a panel into a group with an alignment and custom sizes.
  TZCLDockPanel* Place(Integer Index, TZCLDockGroup* Group, TAlign Align, Integer W = 100, Integer H = 100) {
    TZCLDockPanel* p = Panels.at(size_t(Index));
    p->SetCustomWidthValue(W);
    p->SetCustomHeightValue(H);
    Group->InsertDockControl(p, -1, Align);
    return p;
  }
  TZCLDockGroup* NewGroup(TZCLDockGroup* Parent, TZCLDockGroupLayout Layout, TAlign Align, const String& Name = u"") {
    auto* g = Create<TZCLDockGroup>(Form.get());
    if (!Name.empty()) g->SetName(Name);
    g->SetLayout(Layout);
    Parent->InsertDockControl(g, -1, Align);
    return g;
  }
  void Show() {
    Form->Show();
    Headless::RunUntilIdle();
  }
  // A point of a panel's caption bar in screen coordinates.
  TPoint CaptionPoint(TZCLDockPanel* P) {
    const TRect c = P->GetCaptionRect();
    return P->ClientToScreen(TPoint(c.Left + 10, c.Top + c.Height() / 2));
  }
  TPoint Centre(TControl* C) { return C->ClientToScreen(C->GetClientRect().CenterPoint()); }
  // Presses at From, moves past the drag threshold, then to each point (twice, so that a zone
  // shown by the first move is the one under the second).
  void DragTo(TPoint From, std::initializer_list<TPoint> Points) {
    Headless::MouseMove(From);
    Headless::MouseDown(From);
    Headless::RunUntilIdle();
    Headless::MouseMove(TPoint(From.X + 12, From.Y + 12));
    Headless::RunUntilIdle();
    for (const TPoint& p : Points) {
      Headless::MouseMove(p);
      Headless::RunUntilIdle();
      Headless::MouseMove(TPoint(p.X + 1, p.Y));
      Headless::RunUntilIdle();
    }
  }
  void Release(TPoint At) {
    Headless::MouseUp(At);
    Headless::RunUntilIdle();
  }
  TOwned<TForm> Form;
  TZCLDockSite* Site = nullptr;
  std::vector<TZCLDockPanel*> Panels;
};

// The zone of a given class and side (-1: any) among the engine's zones.
template <class Z>
Z* FindZone(TZCLDockEngine* Engine, TZCLDockControl* Owner, Integer Side) {
  for (TZCLDockZone* z : Engine->GetZones())
    if (auto* found = dynamic_cast<Z*>(z);
        found && typeid(*z) == typeid(Z) && z->GetDockOwner() == Owner && (Side < 0 || z->GetSide() == Side))
      return found;
  return nullptr;
}

}  // namespace docktest

#include "zcl/ui/controls/ZCL.UI.Insight.h"

#include "os/OS.Windows.h"
#include "rtl/RTL.TypInfo.h"

namespace {
TZCLClassMap<const TZCLUIInsightAdapter*>* GAdapters = nullptr;

bool GetStringProperty(TObject* Object, const Char* Name, String& Text) {
  Text.clear();
  if (!Object) return false;
  PPropInfo info = GetPropInfo(Object, Name);
  if (!info || !info->PropType || !tkStrings.Contains(info->PropType->Kind)) return false;
  Text = GetStrProp(Object, info);
  return !Text.empty();
}

bool WindowShown(TWinControl* Control) {
  return Control && Control->HandleAllocated() && IsWindowVisible(Control->GetHandle());
}
}  // namespace

TZCLUIInsightCandidate* TZCLUIInsightCandidate::Clone() const {
  auto* copy = Create<TZCLUIInsightCandidate>();
  copy->Controls = Controls;
  copy->Path = Path;
  copy->Text = Text;
  return copy;
}

// ---- adapters -------------------------------------------------------------------------------

bool TZCLUIInsightAdapter::GetBounds(TObject*, TRect& Bounds) const {
  Bounds = TRect();
  return false;
}

bool TZCLUIInsightAdapter::GetCaption(TObject*, String& Text) const {
  Text.clear();
  return false;
}

void TZCLUIInsightAdapter::EnumChildren(TObject*, TZCLUIInsightSearchQueueBuilder*) const {}

bool TZCLUIInsightAdapter::GetGroupCaption(TObject* Object, String& Text) const { return GetCaption(Object, Text); }

bool TZCLUIInsightAdapter::GetKeywords(TObject*, String& Text) const {
  Text.clear();
  return false;
}

bool TZCLUIInsightAdapter::MakeVisible(TObject*) const { return true; }

bool TZCLUIInsightAdapterControl::GetBounds(TObject* Object, TRect& Bounds) const {
  Bounds = TRect();
  auto* control = dynamic_cast<TControl*>(Object);
  if (!control || !WindowShown(control->GetParent())) return false;
  Bounds = control->GetBoundsRect();
  const TPoint origin = control->GetParent()->ClientToScreen(TPoint(0, 0));
  Bounds.Offset(origin.X, origin.Y);
  return true;
}

bool TZCLUIInsightAdapterControl::GetCaption(TObject* Object, String& Text) const {
  return GetStringProperty(Object, u"Caption", Text);
}

bool TZCLUIInsightAdapterControl::GetKeywords(TObject* Object, String& Text) const {
  return GetStringProperty(Object, u"Hint", Text);
}

bool TZCLUIInsightAdapterWinControl::GetBounds(TObject* Object, TRect& Bounds) const {
  Bounds = TRect();
  auto* control = dynamic_cast<TWinControl*>(Object);
  if (!WindowShown(control)) return false;
  const TPoint origin = control->ClientToScreen(TPoint(0, 0));
  Bounds = TRect(origin.X, origin.Y, origin.X + control->GetWidth(), origin.Y + control->GetHeight());
  return true;
}

void TZCLUIInsightAdapterWinControl::EnumChildren(TObject* Object, TZCLUIInsightSearchQueueBuilder* Builder) const {
  auto* control = dynamic_cast<TWinControl*>(Object);
  if (!control) return;
  for (Integer i = 0; i < control->GetControlCount(); ++i) {
    TControl* child = control->GetControl(i);
    if (child->GetVisible()) Builder->Add(child);
  }
}

// ---- registry -------------------------------------------------------------------------------

void TZCLUIInsight::Register(TClass ControlClass, const TZCLUIInsightAdapter* Adapter) {
  if (!GAdapters) GAdapters = new TZCLClassMap<const TZCLUIInsightAdapter*>();
  GAdapters->Add(ControlClass, Adapter);
}

bool TZCLUIInsight::GetAdapter(TObject* Object, const TZCLUIInsightAdapter*& Adapter) {
  Adapter = nullptr;
  if (!Object || !GAdapters) return false;
  return GAdapters->TryGetValue(Object->ClassType(), Adapter) && Adapter;
}

void TZCLUIInsight::Finalize() {
  delete GAdapters;
  GAdapters = nullptr;
}

// ---- builder --------------------------------------------------------------------------------

void TZCLUIInsightSearchQueueBuilder::AddCandidate(const String& Text) {
  if (Text.empty()) return;
  auto* candidate = Create<TZCLUIInsightCandidate>();
  candidate->Controls = FObjectStack;
  for (size_t i = 0; i < FPathStack.size(); ++i) {
    if (i > 0) candidate->Path += u" \u00BB ";
    candidate->Path += FPathStack[i];
  }
  candidate->Text = Text;
  FCandidates->Add(candidate);
}

void TZCLUIInsightSearchQueueBuilder::Add(TObject* Object) {
  const TZCLUIInsightAdapter* adapter;
  if (!TZCLUIInsight::GetAdapter(Object, adapter)) return;
  FObjectStack.push_back(Object);
  try {
    String text;
    if (adapter->GetCaption(Object, text)) AddCandidate(text);
    if (adapter->GetKeywords(Object, text)) AddCandidate(text);
    String group;
    adapter->GetGroupCaption(Object, group);
    if (!group.empty()) {
      FPathStack.push_back(group);
      try {
        adapter->EnumChildren(Object, this);
      } catch (...) {
        FPathStack.pop_back();
        throw;
      }
      FPathStack.pop_back();
    } else {
      adapter->EnumChildren(Object, this);
    }
  } catch (...) {
    FObjectStack.pop_back();
    throw;
  }
  FObjectStack.pop_back();
}

void TZCLUIInsightSearchQueueBuilder::AddChildren(TObject* Root) {
  const TZCLUIInsightAdapter* adapter;
  if (TZCLUIInsight::GetAdapter(Root, adapter)) adapter->EnumChildren(Root, this);
}

void RegisterInsightClasses() {
  TZCLUIInsight::Register<TZCLUIInsightAdapterControl>(TControl::StaticClass());
  TZCLUIInsight::Register<TZCLUIInsightAdapterWinControl>(TWinControl::StaticClass());
}

void FinalizeInsight() { TZCLUIInsight::Finalize(); }

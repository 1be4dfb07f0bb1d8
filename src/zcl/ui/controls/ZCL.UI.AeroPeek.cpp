#include "zcl/ui/controls/ZCL.UI.AeroPeek.h"

#include <algorithm>

#include "os/OS.Messages.h"
#include "os/OS.Windows.h"
#include "vcl/VCL.Controls.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/ui/ZCL.UI.ImageList.h"

namespace {

TZCLTaskbarListFactory& Factory() {
  static TZCLTaskbarListFactory factory;
  return factory;
}

UINT GTaskbarButtonCreated = 0;

}  // namespace

TZCLTaskbarListFactory SetTaskbarListFactory(TZCLTaskbarListFactory Value) {
  std::swap(Factory(), Value);
  return Value;
}

// ---- buttons -----------------------------------------------------------------------------------

void TZCLAeroPeekButton::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Changed(false);
}

void TZCLAeroPeekButton::SetHint(const String& Value) {
  if (FHint == Value) return;
  FHint = Value;
  Changed(false);
}

void TZCLAeroPeekButton::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  Changed(false);
}

TZCLAeroPeekButtons::TZCLAeroPeekButtons(TZCLAeroPeek* AOwner)
    : TCollection(TZCLAeroPeekButton::StaticClass()), FOwner(AOwner) {}

void TZCLAeroPeekButtons::Update(TCollectionItem* Item) {
  inherited::Update(Item);
  if (FOwner) FOwner->UpdateButtons();
}

// ---- component ---------------------------------------------------------------------------------

TZCLAeroPeek::TZCLAeroPeek(TWinControl* AForm) : FForm(AForm) {
  FImages = Create<TZCLImageList>(static_cast<TComponent*>(nullptr));
  FImages->OnChange = TNotifyEvent(this, &TZCLAeroPeek::ImagesChange);
  FButtons = Create<TZCLAeroPeekButtons>(this);
  FPreviousWndProc = FForm->WindowProc;
  FForm->WindowProc = TDelegate<void(TMessage&)>(this, &TZCLAeroPeek::HookWndProc);
  if (Factory()) FTaskbarList = Factory()();
  if (FForm->HandleAllocated()) DoInitialize();
}

TZCLAeroPeek::~TZCLAeroPeek() {
  FForm->WindowProc = FPreviousWndProc;
  FImages->OnChange = nullptr;
  FTaskbarList.reset();
  TZCLAeroPeekButtons* buttons = FButtons;
  FButtons = nullptr;
  Free(buttons);
  Free(FImages);
}

void TZCLAeroPeek::HookWndProc(TMessage& Message) {
  if (Message.Msg == WM_COMMAND && HIWORD(Message.WParam) == THBN_CLICKED) {
    DoButtonClick(LOWORD(Message.WParam));
    Message.Result = 0;
    return;
  }
  FPreviousWndProc(Message);
  if (GTaskbarButtonCreated != 0 && Message.Msg == GTaskbarButtonCreated) DoInitialize();
}

void TZCLAeroPeek::DoButtonClick(Integer Index) {
  if (OnButtonClick) OnButtonClick(this, Index);
}

void TZCLAeroPeek::DoInitialize() {
  FAvailable = false;
  FButtonsAdded = false;
  if (OnInitialize) OnInitialize(this);
  FAvailable = IsAvailable();
  if (!FAvailable) return;
  UpdateProgress();
  UpdateButtons();
}

void TZCLAeroPeek::SetProgress(Int64 Position, Int64 Total) {
  if (FPosition == Position && FTotal == Total) return;
  FPosition = Position;
  FTotal = Total;
  UpdateProgress();
}

void TZCLAeroPeek::SetShowPlayingProgress(bool Value) {
  if (FShowPlayingProgress == Value) return;
  FShowPlayingProgress = Value;
  UpdateProgress();
}

void TZCLAeroPeek::SetShowStatusAsColor(bool Value) {
  if (FShowStatusAsColor == Value) return;
  FShowStatusAsColor = Value;
  UpdateProgress();
}

void TZCLAeroPeek::SetState(Byte Value) {
  if (FState == Value) return;
  FState = Value;
  UpdateProgress();
}

Integer TZCLAeroPeek::StateColor() const {
  switch (FState) {
    case 1:
      return TBPF_PAUSED;
    case 2:
      return TBPF_ERROR;
    default:
      return TBPF_NORMAL;
  }
}

void TZCLAeroPeek::UpdateProgress() {
  if (!FAvailable) return;
  HWND window = FForm->GetHandle();
  const bool hasProgress = FPosition > 0 || FTotal > 0;
  if (FShowPlayingProgress && hasProgress) {
    Integer state;
    if (FTotal == 0 && FIndeterminateWithoutTotal)
      state = TBPF_INDETERMINATE;
    else if (FShowStatusAsColor)
      state = StateColor();
    else
      state = FTotal != 0 ? TBPF_NORMAL : TBPF_NOPROGRESS;
    FTaskbarList->SetProgressState(window, state);
    if (state != TBPF_NOPROGRESS && state != TBPF_INDETERMINATE)
      FTaskbarList->SetProgressValue(window, UInt64(std::max<Int64>(FPosition, 0)), UInt64(std::max<Int64>(FTotal, 0)));
  } else if (FShowStatusAsColor && hasProgress) {
    FTaskbarList->SetProgressState(window, StateColor());
    FTaskbarList->SetProgressValue(window, 100, 100);
  } else {
    FTaskbarList->SetProgressState(window, TBPF_NOPROGRESS);
  }
}

void TZCLAeroPeek::UpdateButtons() {
  if (!FButtons || (!FButtonsAdded && FButtons->GetCount() == 0)) return;
  const Integer n = std::min(FButtons->GetCount(), MaxButtons);
  for (Integer i = 0; i < n; ++i) {
    auto* button = FButtons->GetItem<TZCLAeroPeekButton>(i);
    TZCLThumbButton& record = FThumbButtons[i];
    record = TZCLThumbButton();
    record.Mask = THB_BITMAP | THB_TOOLTIP | THB_FLAGS;
    record.Id = Cardinal(i);
    record.Bitmap = button->GetImageIndex();
    record.Tip = button->GetHint().substr(0, 260);
    record.Flags = button->GetEnabled() ? THBF_ENABLED : THBF_DISABLED;
  }
  if (!FAvailable) return;
  try {
    HWND window = FForm->GetHandle();
    FTaskbarList->ThumbBarSetImageList(window, FImages);
    if (FButtonsAdded) {
      FTaskbarList->ThumbBarUpdateButtons(window, n, FThumbButtons);
    } else {
      FTaskbarList->ThumbBarAddButtons(window, n, FThumbButtons);
      FButtonsAdded = true;
    }
  } catch (const Exception&) {
    // The toolbar is decoration: a taskbar that refuses it changes nothing else.
  }
}

void TZCLAeroPeek::ImagesChange(TObject*) {
  if (FButtons && FButtons->GetUpdateCount() == 0) UpdateButtons();
}

void TZCLAeroPeek::ConfigLoad(TZCLIniFile* Ini, const String& Section) {
  SetShowPlayingProgress(Ini->ReadBool(Section, u"ShowPlayingProgress", true));
  SetShowStatusAsColor(Ini->ReadBool(Section, u"ShowStatusAsColor", true));
}

void TZCLAeroPeek::ConfigSave(TZCLIniFile* Ini, const String& Section) {
  Ini->WriteBool(Section, u"ShowStatusAsColor", FShowStatusAsColor);
  Ini->WriteBool(Section, u"ShowPlayingProgress", FShowPlayingProgress);
}

void RegisterAeroPeekClasses() { GTaskbarButtonCreated = RegisterWindowMessage(u"TaskbarButtonCreated"); }

#pragma once
// The taskbar button of a form: the progress it shows (a percentage or a state colour) and a
// thumbnail toolbar of up to seven buttons. The taskbar is reached through TZCLTaskbarList, made
// by a factory that the desktop integration installs; without one (as on this system's desktops)
// the component stays unavailable and every operation does nothing. UI thread.

#include <functional>
#include <memory>

#include "os/OS.Types.h"
#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Delegates.h"
#include "zcl/base/ZCL.Classes.h"

class TWinControl;
class TZCLImageList;
class TZCLIniFile;
class TZCLAeroPeek;
struct TMessage;

// Progress states of a taskbar button.
inline constexpr Integer TBPF_NOPROGRESS = 0;
inline constexpr Integer TBPF_INDETERMINATE = 1;
inline constexpr Integer TBPF_NORMAL = 2;
inline constexpr Integer TBPF_ERROR = 4;
inline constexpr Integer TBPF_PAUSED = 8;

// Notification code of a thumbnail toolbar click (high word of WM_COMMAND's WParam).
inline constexpr Word THBN_CLICKED = 0x1800;
inline constexpr Cardinal THB_BITMAP = 1, THB_TOOLTIP = 4, THB_FLAGS = 8;
inline constexpr Cardinal THBF_ENABLED = 0, THBF_DISABLED = 1;

struct TZCLThumbButton {
  Cardinal Mask = 0;
  Cardinal Id = 0;
  Integer Bitmap = 0;
  String Tip;  // at most 260 characters
  Cardinal Flags = 0;
};

// What the component asks of the taskbar for one window.
class TZCLTaskbarList {
 public:
  virtual ~TZCLTaskbarList() = default;
  virtual void SetProgressState(HWND Window, Integer State) = 0;
  virtual void SetProgressValue(HWND Window, UInt64 Completed, UInt64 Total) = 0;
  virtual void ThumbBarSetImageList(HWND Window, TZCLImageList* Images) = 0;
  virtual void ThumbBarAddButtons(HWND Window, Integer Count, const TZCLThumbButton* Buttons) = 0;
  virtual void ThumbBarUpdateButtons(HWND Window, Integer Count, const TZCLThumbButton* Buttons) = 0;
};

using TZCLTaskbarListFactory = std::function<std::unique_ptr<TZCLTaskbarList>()>;
// Installs the factory the components created from now on use; null for none. Returns the old one.
TZCLTaskbarListFactory SetTaskbarListFactory(TZCLTaskbarListFactory Factory);

class TZCLAeroPeekButton : public TCollectionItem {
  ZCL_CLASS(TZCLAeroPeekButton, TCollectionItem)
 public:
  explicit TZCLAeroPeekButton(TCollection* ACollection) : TCollectionItem(ACollection) {}
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  const String& GetHint() const { return FHint; }
  void SetHint(const String& Value);
  Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);

 private:
  bool FEnabled = true;
  String FHint;
  Integer FImageIndex = -1;
};

class TZCLAeroPeekButtons : public TCollection {
  ZCL_CLASS(TZCLAeroPeekButtons, TCollection)
 public:
  explicit TZCLAeroPeekButtons(TZCLAeroPeek* AOwner);
  TZCLAeroPeek* GetAeroPeekOwner() const { return FOwner; }

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TZCLAeroPeek* FOwner;
};

class TZCLAeroPeek : public TZCLUnknownObject {
  ZCL_CLASS(TZCLAeroPeek, TZCLUnknownObject)
 public:
  static constexpr Integer MaxButtons = 7;
  explicit TZCLAeroPeek(TWinControl* AForm);
  ~TZCLAeroPeek() override;

  void SetProgress(Int64 Position, Int64 Total);
  bool GetShowPlayingProgress() const { return FShowPlayingProgress; }
  void SetShowPlayingProgress(bool Value);
  bool GetShowStatusAsColor() const { return FShowStatusAsColor; }
  void SetShowStatusAsColor(bool Value);
  // 0 normal, 1 paused, 2 error.
  Byte GetState() const { return FState; }
  void SetState(Byte Value);
  bool GetIndeterminateWithoutTotal() const { return FIndeterminateWithoutTotal; }
  void SetIndeterminateWithoutTotal(bool Value) { FIndeterminateWithoutTotal = Value; }
  bool IsAvailable() const { return FTaskbarList != nullptr; }
  bool GetAvailable() const { return FAvailable; }
  TZCLAeroPeekButtons* GetButtons() const { return FButtons; }
  TZCLImageList* GetImages() const { return FImages; }
  TZCLTaskbarList* GetTaskbarList() const { return FTaskbarList.get(); }

  virtual void ConfigLoad(TZCLIniFile* Ini, const String& Section);
  virtual void ConfigSave(TZCLIniFile* Ini, const String& Section);
  void UpdateButtons();
  void UpdateProgress();

  TDelegate<void(TObject* Sender, Integer Index)> OnButtonClick;
  TNotifyEvent OnInitialize;

 protected:
  virtual void DoButtonClick(Integer Index);
  virtual void DoInitialize();

 private:
  void HookWndProc(TMessage& Message);
  void ImagesChange(TObject* Sender);
  Integer StateColor() const;

  TWinControl* FForm;
  TDelegate<void(TMessage&)> FPreviousWndProc;
  TZCLAeroPeekButtons* FButtons;  // owned
  TZCLImageList* FImages;         // owned
  std::unique_ptr<TZCLTaskbarList> FTaskbarList;
  bool FAvailable = false;
  bool FButtonsAdded = false;
  TZCLThumbButton FThumbButtons[MaxButtons];
  Int64 FPosition = 0;
  Int64 FTotal = 0;
  Byte FState = 0;
  bool FShowPlayingProgress = true;
  bool FShowStatusAsColor = true;
  bool FIndeterminateWithoutTotal = true;
};

void RegisterAeroPeekClasses();

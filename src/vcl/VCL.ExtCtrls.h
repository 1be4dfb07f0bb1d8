#pragma once
// TTimer: a component that raises OnTimer every Interval milliseconds on the UI thread, through a
// window timer of a hidden window of its own.

#include "os/OS.Types.h"
#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Exceptions.h"

RTL_EXCEPTION(EOutOfResources, Exception);

class TTimer : public TComponent {
  ZCL_CLASS(TTimer, TComponent)
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  void BeforeDestruction() override;

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  // Milliseconds; 0 stops the timer. Setting it restarts the count.
  Cardinal GetInterval() const { return FInterval; }
  void SetInterval(Cardinal Value);
  // The timer runs while Enabled, Interval > 0 and OnTimer is assigned; assign it with SetOnTimer
  // (or call UpdateTimer after assigning the field).
  TNotifyEvent GetOnTimer() const { return OnTimer; }
  void SetOnTimer(const TNotifyEvent& Value);
  // Starts, restarts or stops the window timer to match the properties.
  void UpdateTimer();

  TNotifyEvent OnTimer;

  static void DeclareProperties(TClassDeclaration<TTimer>& D);

 protected:
  // Raises OnTimer.
  virtual void Timer();
  void Loaded() override;

 private:
  static LRESULT WindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
  void StopTimer();
  bool FEnabled = true;
  Cardinal FInterval = 1000;
  HWND FWindow = nullptr;
  bool FRunning = false;
};

namespace detail {
void ExtCtrlsInit();
}  // namespace detail

#pragma once
// The few appearance settings the whole user interface shares (target DPI, dark mode, colour
// schema, hint pause), the system's dark theme and accent colour, and the listeners told of
// changes. Class-wide state; main thread only.

#include "rtl/RTL.Interfaces.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/base/ZCL.Utils.Common.h"

class TZCLIniFile;
class TCustomForm;

// Change flags passed to the listeners.
constexpr Byte ZCLAppChangeDarkMode = 1;
constexpr Byte ZCLAppChangeSystemDarkTheme = 2;
constexpr Byte ZCLAppChangeAccentColor = 4;
constexpr Byte ZCLAppChangeColorSchema = 8;
constexpr Byte ZCLAppChangeTargetDPI = 16;

struct IZCLApplicationListener : virtual IInterface {
  RTL_INTERFACE(IZCLApplicationListener, IInterface, "{9E41A7C2-3B85-4F0D-A6E2-71C5D8B3F024}")
  virtual void Changed(Byte Changes) = 0;
};

class TZCLApplication {
 public:
  TZCLApplication() = delete;

  static void LoadSettings(TZCLIniFile* Ini, const String& Section);
  // Keys whose value is the default are deleted.
  static void SaveSettings(TZCLIniFile* Ini, const String& Section);

  // 0 follows each monitor; anything else is kept within 96..480.
  static Integer GetTargetDPI() { return FTargetDPI; }
  static void SetTargetDPI(Integer Value);
  // The fixed target DPI, else the DPI of the monitor showing the form.
  static Integer GetTargetDPI(TCustomForm* Form);
  static TZCLBoolean GetDarkMode() { return FDarkMode; }
  static void SetDarkMode(TZCLBoolean Value);
  static TZCLColorSchema GetColorSchema() { return FColorSchema; }
  // An explicit schema switches the native (accent-derived) schema off.
  static void SetColorSchema(const TZCLColorSchema& Value);
  static bool GetUseNativeColorSchema() { return FUseNativeColorSchema; }
  static void SetUseNativeColorSchema(bool Value);
  static bool GetCatchExceptions() { return FCatchExceptions; }
  static void SetCatchExceptions(bool Value) { FCatchExceptions = Value; }
  // The hint pause lives on the platform application; 0 turns hints off.
  static Integer GetHideHintPause();
  static void SetHideHintPause(Integer Value);

  static TAlphaColor GetAccentColor() { return FAccentColor; }
  static bool GetDarkModeSystem() { return FDarkModeSystem; }
  // The dark UI is in effect (DarkMode resolved against the system's app theme).
  static bool IsDarkMode() { return FDarkModeActive; }

  // Reads the system theme and accent colour, resolves the dark mode and tells listeners what changed.
  static void UpdateSystemSettings();
  static void Changed(Byte Flags);
  static void ListenerAdd(IZCLApplicationListener* Listener);
  static void ListenerRemove(IZCLApplicationListener* Listener);

  static HWND GetHandle();
  static bool IsMinimized();
  static void Restore();
  static void Terminate();
  static bool IsTerminating();

  // Unit hooks.
  static void Initialize();
  static void Finalize();

 private:
  static inline Integer FTargetDPI = 0;
  static inline TZCLBoolean FDarkMode = TZCLBoolean::Default;
  static inline TZCLColorSchema FColorSchema = TZCLColorSchema::Default();
  static inline bool FUseNativeColorSchema = false;
  static inline bool FCatchExceptions = true;
  static inline TAlphaColor FAccentColor = 0x00010203;
  static inline bool FDarkModeSystem = false;
  static inline bool FDarkModeActive = false;
};

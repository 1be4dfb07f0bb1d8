#include "zcl/ui/ZCL.UI.Application.h"

#include "os/OS.Messages.h"
#include "os/OS.Registry.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Registry.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

namespace {

constexpr Integer DefaultHideHintPause = 10000;
const String ThemesKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
const String DwmKey = u"Software\\Microsoft\\Windows\\DWM\\";

TZCLListenerList* GListeners = nullptr;
// The hint pause when there is no platform application (tests, shutdown).
Integer GHideHintPause = DefaultHideHintPause;

void ReadSystemTheme(bool& AppsDark, bool& SystemDark) {
  HKEY key = nullptr;
  if (RegistryOpenKeyForReading(HKEY_CURRENT_USER, ThemesKey, key)) {
    AppsDark = RegistryReadInteger(key, u"AppsUseLightTheme", 1) == 0;
    SystemDark = RegistryReadInteger(key, u"SystemUsesLightTheme", 1) == 0;
    RegistryCloseKey(key);
  } else {
    AppsDark = SystemDark = TZCLColors::IsDark(ColorToRGB(clWindow));
  }
}

TAlphaColor ReadAccentColor() {
  HKEY key = nullptr;
  if (!RegistryOpenKeyForReading(HKEY_CURRENT_USER, DwmKey, key)) return 0x00010203;
  const Cardinal value = static_cast<Cardinal>(RegistryReadInteger(key, u"AccentColor", 0));
  RegistryCloseKey(key);
  // Stored as 0xAABBGGRR.
  return TAlphaColorHelper::FromARGB(Byte(value >> 24), Byte(value), Byte(value >> 8), Byte(value >> 16));
}

}  // namespace

void TZCLApplication::LoadSettings(TZCLIniFile* Ini, const String& Section) {
  SetTargetDPI(Ini->ReadInteger(Section, u"TargetDPI", 0));
  Integer darkMode = 0;
  if (!TryStrToInt(Ini->ReadString(Section, u"DarkMode", String()), darkMode)) darkMode = 0;
  SetDarkMode(static_cast<TZCLBoolean>(std::clamp(darkMode, 0, 2)));
  const Integer schema = Ini->ReadInteger(Section, u"ColorSchema", 0);
  SetColorSchema((schema & 0xFFFF) == 0 ? TZCLColorSchema::Default()
                                          : TZCLColorSchema::Create(Byte(schema), Byte(schema >> 8)));
  SetUseNativeColorSchema(Ini->ReadBool(Section, u"UseNativeColorSchema", false));
  FCatchExceptions = Ini->ReadBool(Section, u"CatchExceptions", true);
  SetHideHintPause(Ini->ReadInteger(Section, u"HideHintPause", DefaultHideHintPause));
}

void TZCLApplication::SaveSettings(TZCLIniFile* Ini, const String& Section) {
  Ini->WriteIntegerDef(Section, u"DarkMode", static_cast<Integer>(FDarkMode), 0);
  Ini->WriteIntegerDef(Section, u"ColorSchema",
                       FColorSchema.IsAssigned() ? FColorSchema.Hue | (FColorSchema.Intensity << 8) : 0, 0);
  Ini->WriteIntegerDef(Section, u"TargetDPI", FTargetDPI, 0);
  Ini->WriteIntegerDef(Section, u"HideHintPause", GetHideHintPause(), DefaultHideHintPause);
  Ini->WriteBoolDef(Section, u"CatchExceptions", FCatchExceptions, true);
  Ini->WriteBoolDef(Section, u"UseNativeColorSchema", FUseNativeColorSchema, false);
}

void TZCLApplication::SetTargetDPI(Integer Value) {
  if (Value != 0) Value = std::clamp(Value, 96, 480);
  if (Value == FTargetDPI) return;
  FTargetDPI = Value;
  Changed(ZCLAppChangeTargetDPI);
}

Integer TZCLApplication::GetTargetDPI(TCustomForm* Form) {
  if (FTargetDPI != 0) return FTargetDPI;
  return Form ? GetWindowMonitorDPI(Form) : GetSystemDPI();
}

void TZCLApplication::SetDarkMode(TZCLBoolean Value) {
  if (Value == FDarkMode) return;
  FDarkMode = Value;
  UpdateSystemSettings();
}

void TZCLApplication::SetColorSchema(const TZCLColorSchema& Value) {
  if (Value == FColorSchema) return;
  FColorSchema = Value;
  FUseNativeColorSchema = false;
  Changed(ZCLAppChangeColorSchema);
}

void TZCLApplication::SetUseNativeColorSchema(bool Value) {
  if (Value == FUseNativeColorSchema) return;
  FUseNativeColorSchema = Value;
  if (Value) UpdateSystemSettings();
}

Integer TZCLApplication::GetHideHintPause() {
  return Application ? Application->GetHintHidePause() : GHideHintPause;
}

void TZCLApplication::SetHideHintPause(Integer Value) {
  GHideHintPause = Value;
  if (Application) {
    Application->SetHintHidePause(Value);
    Application->SetShowHint(Value > 0);
  }
}

void TZCLApplication::UpdateSystemSettings() {
  bool appsDark = false, systemDark = false;
  ReadSystemTheme(appsDark, systemDark);
  const bool dark = FDarkMode == TZCLBoolean::Default ? appsDark : FDarkMode == TZCLBoolean::True;
  const TAlphaColor accent = ReadAccentColor();

  Byte flags = 0;
  if (accent != FAccentColor) {
    FAccentColor = accent;
    flags |= ZCLAppChangeAccentColor;
  }
  if (FUseNativeColorSchema) {
    const TZCLColorSchema schema = TZCLColorSchema::FromColor(FAccentColor);
    if (!(schema == FColorSchema)) {
      FColorSchema = schema;
      flags |= ZCLAppChangeColorSchema;
    }
  }
  if (systemDark != FDarkModeSystem) {
    FDarkModeSystem = systemDark;
    flags |= ZCLAppChangeSystemDarkTheme;
  }
  if (dark != FDarkModeActive) {
    FDarkModeActive = dark;
    flags |= ZCLAppChangeDarkMode;
    if (FColorSchema.IsAssigned()) flags |= ZCLAppChangeColorSchema;
  }
  if (flags) Changed(flags);
}

void TZCLApplication::Changed(Byte Flags) {
  if (!GListeners || Flags == 0) return;
  GListeners->Enum<IZCLApplicationListener>(
      [Flags](const IPtr<IZCLApplicationListener>& Listener) { Listener->Changed(Flags); });
}

void TZCLApplication::ListenerAdd(IZCLApplicationListener* Listener) {
  if (!GListeners) GListeners = new TZCLListenerList(4096);
  GListeners->Add(IPtr<IInterface>(Listener));
}

void TZCLApplication::ListenerRemove(IZCLApplicationListener* Listener) {
  if (!GListeners) return;
  GListeners->Remove(IPtr<IInterface>(Listener));
  if (GListeners->Count() == 0) {
    Free(GListeners);
    GListeners = nullptr;
  }
}

HWND TZCLApplication::GetHandle() {
  if (!Application) return nullptr;
  TCustomForm* main = Application->GetMainForm();
  if (main && Application->GetMainFormOnTaskBar() && main->HandleAllocated()) return main->GetHandle();
  return Application->GetHandle();
}

bool TZCLApplication::IsMinimized() {
  HWND window = GetHandle();
  return window && IsIconic(window);
}

void TZCLApplication::Restore() {
  if (IsMinimized()) SendMessage(GetHandle(), WM_SYSCOMMAND, SC_RESTORE, 0);
}

void TZCLApplication::Terminate() {
  TCustomForm* main = Application ? Application->GetMainForm() : nullptr;
  if (main && main->HandleAllocated())
    PostMessage(main->GetHandle(), WM_CLOSE, 0, 0);
  else
    PostQuitMessage(0);
}

bool TZCLApplication::IsTerminating() {
  return !Application || Application->GetComponentState().Contains(csDestroying);
}

void TZCLApplication::Initialize() {
  FCatchExceptions = true;
  UpdateSystemSettings();
}

void TZCLApplication::Finalize() {
  Free(GListeners);
  GListeners = nullptr;
}

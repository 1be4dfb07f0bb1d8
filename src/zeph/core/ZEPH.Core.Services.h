#pragma once
// The services the core creates at start-up: configuration, connection settings, localization,
// shut-down and version (the HTTP client and threads services have units of their own).

#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"

// The configuration file of the profile folder, from the main thread only.
class TZEPHCoreServiceConfig : public TZEPHCustomConfigAdapter, public IZEPHServiceConfig {
  ZCL_CLASS(TZEPHCoreServiceConfig, TZEPHCustomConfigAdapter)
  RTL_INTERFACES(TZEPHCustomConfigAdapter, IZEPHServiceConfig)
 public:
  // Writes the configuration file now when it was modified.
  HRESULT FlushCache() override;

 protected:
  bool CheckAccess(HRESULT& Result) override;
  TZCLIniFile* GetIniFile() override;
};

// Property identifiers of the connection settings.
constexpr Integer ZEPH_CONN_TYPE = 1;  // 0 direct, 1 the proxy of ids 2 to 5, 2 the system's settings
constexpr Integer ZEPH_CONN_PROXY_SERVER = 2;
constexpr Integer ZEPH_CONN_PROXY_PORT = 3;
constexpr Integer ZEPH_CONN_PROXY_USER = 4;
constexpr Integer ZEPH_CONN_PROXY_PASSWORD = 5;
constexpr Integer ZEPH_CONN_TIMEOUT = 6;
constexpr Integer ZEPH_CONN_USER_AGENT = 7;

// The process-wide web settings as a property list.
class TZEPHCoreServiceConnectionSettings : public TZEPHSimpleObjectAdapter, public IZEPHServiceConnectionSettings {
  ZCL_CLASS(TZEPHCoreServiceConnectionSettings, TZEPHSimpleObjectAdapter)
  RTL_INTERFACES(TZEPHSimpleObjectAdapter, IZEPHServiceConnectionSettings)

 protected:
  void DoGetValueAsVariant(Integer PropertyID, Variant& Value, HRESULT& Result) override;
  void DoSetValueAsVariant(Integer PropertyID, const Variant& Value, HRESULT& Result) override;
};

// The language file's texts; tells the core when the language changed.
class TZEPHCoreServiceMUI : public TInterfacedObject, public IZEPHServiceMUI, public IZCLLocalizationListener3 {
  ZCL_CLASS(TZEPHCoreServiceMUI, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHServiceMUI, IZCLLocalizationListener3)
 public:
  TZEPHCoreServiceMUI();
  ~TZEPHCoreServiceMUI() override;
  HRESULT GetName(IPtr<IZEPHString>& Value) override;
  HRESULT GetValue(IZEPHString* KeyPath, IPtr<IZEPHString>& Value) override;
  HRESULT GetValuePart(IZEPHString* KeyPath, Integer Part, IPtr<IZEPHString>& Value) override;
  void LanguageChanged() override {}
  // Sends the core event "language changed".
  void LanguageChanging() override;

 private:
  // The listener registered with the localization: a separate object, so that the listener list
  // does not keep the service alive.
  IPtr<IInterface> FListener;
};

// Power actions of CorePowerAction.
enum class TZEPHPowerAction : Byte { PowerOff = 0, LogOff = 1, Hibernate = 2, Sleep = 3, Restart = 4 };

// Carries out a power action; false when the system refuses (always here: Linux has no such call
// for programs).
bool CorePowerAction(TZEPHPowerAction Action);

class TZEPHCoreServiceShutdown : public TInterfacedObject, public IZEPHServiceShutdown {
  ZCL_CLASS(TZEPHCoreServiceShutdown, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHServiceShutdown)
 public:
  TZEPHCoreServiceShutdown();
  ~TZEPHCoreServiceShutdown() override;
  HRESULT Restart(IZEPHString* Params) override;
  // Bits 0 to 3 the action (0 none, 1 hibernate, 2 power off, 3 sleep, 4 restart, 5 log off),
  // 0x10 close the application, 0x20 without asking.
  HRESULT Shutdown(Integer Flags) override;
  UINT GetMessageNumber() const { return FMessage; }

 private:
  void HandleMessage(TMessage& Message, bool& Handled);
  UINT FMessage;
};

class TZEPHCoreServiceVersion : public TInterfacedObject, public IZEPHServiceVersionInfo {
  ZCL_CLASS(TZEPHCoreServiceVersion, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHServiceVersionInfo)
 public:
  HRESULT FormatInfo(IPtr<IZEPHString>& S) override;
  // (year shl 16) or (month shl 8) or day.
  Integer GetBuildDate() override;
  // 1 RC, 2 beta, 3 alpha, 0 release.
  Integer GetBuildState() override;
  Integer GetBuildNumber() override;
  Integer GetVersionID() override;
};

// The services unit: gives the core its services factory.
void ServicesInitialize();

namespace detail {
// Where power actions go; tests watch them. Null restores the system's.
using TPowerActionProc = bool (*)(TZEPHPowerAction Action);
void SetPowerActionProc(TPowerActionProc Proc);
}  // namespace detail

#include "zeph/core/ZEPH.Core.Services.h"

#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/base/ZCL.Web.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.Messages.h"
#include "zeph/core/ZEPH.Core.ShutdownDialog.h"
#include "zeph/core/ZEPH.Core.Version.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/core/ZEPH.Core.Services.HttpClient.h"
#include "zeph/core/ZEPH.Core.Services.Threads.h"
#include "zeph/core/ZEPH.Core.UI.Service.h"

// ---- configuration -------------------------------------------------------------------------------

bool TZEPHCoreServiceConfig::CheckAccess(HRESULT& Result) {
  Result = IsMainThread() ? S_OK : E_ACCESSDENIED;
  return Result == S_OK;
}

TZCLIniFile* TZEPHCoreServiceConfig::GetIniFile() { return CoreConfigGetIniFile(); }

HRESULT TZEPHCoreServiceConfig::FlushCache() {
  if (!IsMainThread()) return E_ACCESSDENIED;
  try {
    GetIniFile()->UpdateFile();
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// ---- connection settings -------------------------------------------------------------------------

namespace {
// The web settings number their modes 0 direct, 1 system, 2 proxy; plugins 0 direct, 1 proxy,
// 2 system.
Integer PluginConnectionType(Byte Mode) { return Mode == 1 ? 2 : (Mode == 2 ? 1 : 0); }
Byte WebProxyMode(Integer Type) { return Type == 0 ? 0 : (Type == 1 ? 2 : 1); }
}  // namespace

void TZEPHCoreServiceConnectionSettings::DoGetValueAsVariant(Integer PropertyID, Variant& Value, HRESULT& Result) {
  const TZCLWebProxyInfo proxy = TZCLWebSettings::GetProxy();
  switch (PropertyID) {
    case ZEPH_CONN_TYPE: Value = PluginConnectionType(TZCLWebSettings::GetProxyMode()); break;
    case ZEPH_CONN_PROXY_SERVER: Value = proxy.Server; break;
    case ZEPH_CONN_PROXY_PORT: Value = proxy.ServerPort; break;
    case ZEPH_CONN_PROXY_USER: Value = proxy.UserName; break;
    case ZEPH_CONN_PROXY_PASSWORD: Value = proxy.UserPass; break;
    case ZEPH_CONN_TIMEOUT: Value = TZCLWebSettings::GetTimeOut(); break;
    case ZEPH_CONN_USER_AGENT: Value = TZCLWebSettings::GetUserAgent(); break;
    default: TZEPHSimpleObjectAdapter::DoGetValueAsVariant(PropertyID, Value, Result);
  }
}

void TZEPHCoreServiceConnectionSettings::DoSetValueAsVariant(Integer PropertyID, const Variant& Value,
                                                             HRESULT& Result) {
  if (PropertyID >= ZEPH_CONN_PROXY_SERVER && PropertyID <= ZEPH_CONN_PROXY_PASSWORD) {
    TZCLWebProxyInfo proxy = TZCLWebSettings::GetProxy();
    String* fields[] = {&proxy.Server, &proxy.ServerPort, &proxy.UserName, &proxy.UserPass};
    *fields[PropertyID - ZEPH_CONN_PROXY_SERVER] = Value.AsString();
    TZCLWebSettings::SetProxy(proxy);
    return;
  }
  switch (PropertyID) {
    case ZEPH_CONN_TYPE: TZCLWebSettings::SetProxyMode(WebProxyMode(Value.AsInteger())); break;
    case ZEPH_CONN_TIMEOUT: TZCLWebSettings::SetTimeOut(std::clamp(Value.AsInteger(), 1000, 30000)); break;
    case ZEPH_CONN_USER_AGENT: TZCLWebSettings::SetUserAgent(Value.AsString()); break;
    default: TZEPHSimpleObjectAdapter::DoSetValueAsVariant(PropertyID, Value, Result);
  }
}

// ---- localization --------------------------------------------------------------------------------

namespace {
class TMUILanguageListener : public TInterfacedObject, public IZCLLocalizationListener3 {
  ZCL_CLASS(TMUILanguageListener, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZCLLocalizationListener3)
 public:
  void LanguageChanged() override {}
  void LanguageChanging() override { CoreSendMessage(ZEPH_EVENT_LANGUAGE_CHANGED, 0, nullptr); }
};

IPtr<IZEPHString> NewString(const String& Text) { return IPtr<IZEPHString>(Create<TZEPHStringAdapter>(Text)); }
}  // namespace

TZEPHCoreServiceMUI::TZEPHCoreServiceMUI() {
  FListener = IPtr<IInterface>(static_cast<IZCLLocalizationListener3*>(Create<TMUILanguageListener>()));
  LangAddListener(FListener);
}

TZEPHCoreServiceMUI::~TZEPHCoreServiceMUI() { LangRemoveListener(FListener); }

void TZEPHCoreServiceMUI::LanguageChanging() { CoreSendMessage(ZEPH_EVENT_LANGUAGE_CHANGED, 0, nullptr); }

HRESULT TZEPHCoreServiceMUI::GetName(IPtr<IZEPHString>& Value) {
  try {
    Value = NewString(ChangeFileExt(LangFile()->GetShortFileName(), u""));
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCoreServiceMUI::GetValue(IZEPHString* KeyPath, IPtr<IZEPHString>& Value) {
  return GetValuePart(KeyPath, -1, Value);
}

HRESULT TZEPHCoreServiceMUI::GetValuePart(IZEPHString* KeyPath, Integer Part, IPtr<IZEPHString>& Value) {
  Value = nullptr;
  try {
    if (Part < -1) return E_INVALIDARG;
    String section, key;
    bool hasKey = false;
    if (!TZEPHCustomConfigAdapter::SplitKeyPath(PluginStringToStr(KeyPath), section, key, hasKey) || !hasKey)
      return E_INVALIDARG;
    String text;
    if (!LangFile()->ReadValue(section, key, text)) return E_FAIL;
    if (Part >= 0) text = LangExtractPart(text, Part);
    Value = NewString(text);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// ---- shut-down -----------------------------------------------------------------------------------

namespace {
detail::TPowerActionProc GPowerActionProc = nullptr;
}

void detail::SetPowerActionProc(TPowerActionProc Proc) { GPowerActionProc = Proc; }

bool CorePowerAction(TZEPHPowerAction Action) {
  if (GPowerActionProc) return GPowerActionProc(Action);
  return ShellEnableShutdownPrivilege() && ShellShutdown(static_cast<Integer>(Action));
}

TZEPHCoreServiceShutdown::TZEPHCoreServiceShutdown()
    : FMessage(TZCLMessaging::RegisterMessage(u"ZEPH.CoreService.Shutdown.PostMsg")) {
  TZCLMessaging::HandlerAdd({this, &TZEPHCoreServiceShutdown::HandleMessage});
}

TZEPHCoreServiceShutdown::~TZEPHCoreServiceShutdown() {
  TZCLMessaging::HandlerRemove({this, &TZEPHCoreServiceShutdown::HandleMessage});
}

void TZEPHCoreServiceShutdown::HandleMessage(TMessage& Message, bool& Handled) {
  if (Message.Msg != FMessage) return;
  Handled = true;
  if (Message.WParam == 1) CoreCloseApplication();
  if (Message.WParam == 2) CorePowerAction(static_cast<TZEPHPowerAction>(Message.LParam));
}

HRESULT TZEPHCoreServiceShutdown::Restart(IZEPHString* Params) {
  try {
    CoreRestart(PluginStringToStr(Params));
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCoreServiceShutdown::Shutdown(Integer Flags) {
  static const Integer actions[] = {-1,
                                    static_cast<Integer>(TZEPHPowerAction::Hibernate),
                                    static_cast<Integer>(TZEPHPowerAction::PowerOff),
                                    static_cast<Integer>(TZEPHPowerAction::Sleep),
                                    static_cast<Integer>(TZEPHPowerAction::Restart),
                                    static_cast<Integer>(TZEPHPowerAction::LogOff)};
  const Integer index = Flags & 0x0F;
  if (index > 5) return E_INVALIDARG;
  const Integer action = actions[index];
  const bool closeApplication = (Flags & 0x10) != 0;
  try {
    if (action >= 0 && !(Flags & 0x20)) {
      TZEPHShutdownDialogForm::Execute(static_cast<TZEPHPowerAction>(action), closeApplication);
      return S_OK;
    }
    // Posted: the work runs on the main thread after the caller has returned.
    if (closeApplication) TZCLMessaging::PostMessage(FMessage, 1, 0);
    if (action >= 0) TZCLMessaging::PostMessage(FMessage, 2, action);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// ---- version -------------------------------------------------------------------------------------

HRESULT TZEPHCoreServiceVersion::FormatInfo(IPtr<IZEPHString>& S) {
  try {
    S = NewString(CoreVersionText());
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

Integer TZEPHCoreServiceVersion::GetBuildDate() {
  // The date half of the packed file date: 7 bits of years since 1980, 4 of month, 5 of day.
  const Cardinal date = static_cast<Cardinal>(CoreBuildDate()) >> 16;
  const Integer year = static_cast<Integer>(date >> 9) + 1980;
  const Integer month = static_cast<Integer>((date >> 5) & 15);
  const Integer day = static_cast<Integer>(date & 31);
  return (year << 16) | (month << 8) | day;
}

Integer TZEPHCoreServiceVersion::GetBuildState() {
  const String suffix = UpperCase(CoreBuildSuffix());
  if (suffix.find(u"RC") != String::npos) return 1;
  if (suffix.find(u"BETA") != String::npos) return 2;
  if (suffix.find(u"ALPHA") != String::npos) return 3;
  return 0;
}

Integer TZEPHCoreServiceVersion::GetBuildNumber() { return CoreBuildNumber(); }
Integer TZEPHCoreServiceVersion::GetVersionID() { return CoreVersionID(); }

// ---- creation ------------------------------------------------------------------------------------

namespace {
template <class T, class I>
void RegisterNew(TZEPHCore* Core) {
  IPtr<I> service(Create<T>());
  Core->RegisterService(service.get());
}

void CreateCoreServices(TZEPHCore* Core) {
  RegisterNew<TZEPHCoreServiceConfig, IZEPHServiceConfig>(Core);
  RegisterNew<TZEPHCoreServiceConnectionSettings, IZEPHServiceConnectionSettings>(Core);
  RegisterNew<TZEPHCoreServiceHttpClient, IZEPHServiceHTTPClient3>(Core);
  RegisterNew<TZEPHCoreServiceMUI, IZEPHServiceMUI>(Core);
  RegisterNew<TZEPHCoreServiceShutdown, IZEPHServiceShutdown>(Core);
  RegisterNew<TZEPHCoreServiceThreads, IZEPHServiceThreads>(Core);
  RegisterNew<TZEPHCoreServiceUI, IZEPHServiceUI>(Core);
  RegisterNew<TZEPHCoreServiceVersion, IZEPHServiceVersionInfo>(Core);
}
}  // namespace

void ServicesInitialize() { SetCoreServicesFactory(CreateCoreServices); }

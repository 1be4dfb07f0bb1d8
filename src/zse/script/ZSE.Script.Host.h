#pragma once
// The script host module: what a skin script can call besides the built-ins (skin objects and
// their published properties, resources, actions, bindings, configuration, docking, pickers,
// colours), the skin's global variables as script variables, and the typed property adapters.
//
// The skin engine's services reach the module through IZSEScriptHost; until the engine installs
// its own, a host that finds nothing is in place.

#include <unordered_map>

#include "rtl/RTL.TypInfo.h"
#include "zse/engine/ZSE.Expressions.h"
#include "zse/script/ZSE.Script.Program.h"

class TZCLComponentFreeNotifier;

// What the host module needs of the skin engine.
class IZSEScriptHost {
 public:
  virtual ~IZSEScriptHost() = default;
  // The skin manager's object of that name, or null.
  virtual TComponent* FindObject(StringView Name);
  // The skin theme's style objects: "Theme:ContextMenu", "Theme:Hint", "Theme:Misc".
  virtual TObject* FindThemeStyle(StringView Name);
  virtual TObject* FindResource(StringView Name);
  virtual void BeginUpdateResources() {}
  virtual void EndUpdateResources() {}
  // Finds the skin package and queues its load after the running script; false when not found.
  virtual bool ApplySkin(StringView SkinName);
  virtual void ShowMessage(const String& Message);
  virtual bool ExecuteColorPicker(TObject* ColorResource);
  virtual bool ExecuteFontPicker(TObject* FontResource);
  // The custom setting with its stored type; Null when missing.
  virtual Variant ConfigGet(StringView Key);
  virtual void ConfigSet(StringView Key, const Variant& Value);
  virtual bool Dock(TObject* Form, StringView DockSiteName);
  virtual bool Undock(TObject* Form);
  virtual bool IsFadingEnabled();
  // Runs an event handler object; false when Obj is none.
  virtual bool ExecuteEventHandler(TObject* Obj);
  virtual bool CopyToClipboard(TObject* Obj);
  // The visual parent of a skin item (null when it has none or is no visual item) and its setter.
  virtual TObject* GetVisualParent(TObject* Obj);
  virtual void SetVisualParent(TObject* Obj, TObject* Parent);
};

IZSEScriptHost* ScriptHost();
// Installs the engine's host (not owned); null restores the one that finds nothing.
void SetScriptHost(IZSEScriptHost* Host);

// A skin global variable seen as a script variable: it reads and writes the skin's value.
class TZSEGlobalVariable : public TzsVariable {
  ZCL_CLASS(TZSEGlobalVariable, TzsVariable)
 public:
  explicit TZSEGlobalVariable(const String& AName) : TzsVariable(AName, zvtVariant, u"Variant") {}
  Variant GetValue() override;
  void SetValue(const Variant& Value) override;
  const Variant* ValueRef() override { return nullptr; }
};

// Chooses a property reader or writer by the property's type: an exact type, else (for class
// types) the nearest registered ancestor class, else the default.
template <class T>
class TZSEScriptPropertyAdapter {
 public:
  explicit TZSEScriptPropertyAdapter(T Default) : FDefault(std::move(Default)) {}
  void Add(PTypeInfo Type, T Proc) {
    if (!FByType.emplace(Type, std::move(Proc)).second) throw EListError(u"Duplicates not allowed");
  }
  void AddClass(TClass Class, T Proc) {
    if (!FByClass.emplace(Class, std::move(Proc)).second) throw EListError(u"Duplicates not allowed");
  }
  const T& GetProc(PPropInfo Info) const {
    auto it = FByType.find(Info->PropType);
    if (it != FByType.end()) return it->second;
    if (Info->PropType->Kind == tkClass)
      for (TClass c = GetObjectPropClass(Info); c; c = c->ClassParent()) {
        auto ci = FByClass.find(c);
        if (ci != FByClass.end()) return ci->second;
      }
    return FDefault;
  }

 private:
  std::unordered_map<PTypeInfo, T> FByType;
  std::unordered_map<TClass, T> FByClass;
  T FDefault;
};

class TZSEScriptBaseRttiModule : public TzsRTTIModule {
  ZCL_CLASS(TZSEScriptBaseRttiModule, TzsRTTIModule)
 public:
  using TAdapterGetProc = std::function<Variant(TObject*, PPropInfo)>;
  using TAdapterSetProc = std::function<void(TObject*, PPropInfo, const Variant&)>;
  explicit TZSEScriptBaseRttiModule(TzsScript* AScript);
  ~TZSEScriptBaseRttiModule() override;
  // The skin object of that name through a cache that forgets renamed and freed objects.
  TComponent* FindComponent(StringView Name);
  Variant GetProperty(TObject* Obj, StringView Path);
  void SetProperty(TObject* Obj, StringView Path, const Variant& Value);

 protected:
  virtual void RegisterPropertyAdapters();
  TZSEScriptPropertyAdapter<TAdapterGetProc> FGetters;
  TZSEScriptPropertyAdapter<TAdapterSetProc> FSetters;

 private:
  PPropInfo ResolvePath(TObject*& Obj, StringView Path);
  void ForgetComponent(TObject* Sender, TComponent* Component);
  TZCLComponentFreeNotifier* FNotifier;
  std::unordered_map<String, TComponent*> FCache;  // upper-case name
};

class TZSEScriptRTTIModule : public TZSEScriptBaseRttiModule {
  ZCL_CLASS(TZSEScriptRTTIModule, TZSEScriptBaseRttiModule)
 public:
  explicit TZSEScriptRTTIModule(TzsScript* AScript);
  ~TZSEScriptRTTIModule() override;
  // The skin defined a global variable: scripts get a variable of that name.
  void GlobalVariableDefined(const String& Name);

 private:
  void RegisterBindingsClass();
  IPtr<IZSEExpressionGlobalVariablesListener> FListener;  // the skin's global variables tell it of new names
};

// The host module's part of the script engine's start: its module class joins the list.
void RegisterScriptHostModule();

// Colour helpers of the host functions (alpha colours are AARRGGBB).
constexpr Cardinal ZseDefaultColor = 0x00010203;
Cardinal ZseStringToColor(StringView S);
String ZseColorToString(Cardinal Color);
String ZseURLEscape(StringView S);

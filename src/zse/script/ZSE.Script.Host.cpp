#include "zse/script/ZSE.Script.Host.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "vcl/VCL.ActnList.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/ui/ZCL.UI.Resources.h"
#include "zse/engine/ZSE.Bindings.h"
#include "zse/engine/ZSE.Expressions.h"
#include "zse/engine/ZSE.Layout.h"
#include "zse/script/ZSE.Script.Skin.h"

// --- the host that finds nothing

TComponent* IZSEScriptHost::FindObject(StringView) { return nullptr; }
TObject* IZSEScriptHost::FindThemeStyle(StringView) { return nullptr; }
TObject* IZSEScriptHost::FindResource(StringView) { return nullptr; }
bool IZSEScriptHost::ApplySkin(StringView) { return false; }
void IZSEScriptHost::ShowMessage(const String&) {}
bool IZSEScriptHost::ExecuteColorPicker(TObject*) { return false; }
bool IZSEScriptHost::ExecuteFontPicker(TObject*) { return false; }
Variant IZSEScriptHost::ConfigGet(StringView) { return Null(); }
void IZSEScriptHost::ConfigSet(StringView, const Variant&) {}
bool IZSEScriptHost::Dock(TObject*, StringView) { return false; }
bool IZSEScriptHost::Undock(TObject*) { return false; }
bool IZSEScriptHost::IsFadingEnabled() { return true; }
bool IZSEScriptHost::ExecuteEventHandler(TObject*) { return false; }
bool IZSEScriptHost::CopyToClipboard(TObject*) { return false; }
TObject* IZSEScriptHost::GetVisualParent(TObject*) { return nullptr; }
void IZSEScriptHost::SetVisualParent(TObject*, TObject*) {}

namespace {
IZSEScriptHost GNullHost;
IZSEScriptHost* GHost = nullptr;

class TGlobalsListener : public TInterfacedObject, public IZSEExpressionGlobalVariablesListener {
 public:
  RTL_INTERFACES(TInterfacedObject, IZSEExpressionGlobalVariablesListener)
  explicit TGlobalsListener(TZSEScriptRTTIModule* AModule) : FModule(AModule) {}
  void GlobalVariableChanged(const String& Name) override { FModule->GlobalVariableDefined(Name); }

 private:
  TZSEScriptRTTIModule* FModule;
};

Variant HandleVariant(TObject* Obj) { return Variant(static_cast<long long>(TzsObjectHandles::HandleOf(Obj))); }
Variant U32(Cardinal V) { return Variant(static_cast<unsigned>(V)); }
Cardinal SwapRB(Cardinal V) { return ((V & 0xFF) << 16) | (V & 0xFF00) | ((V >> 16) & 0xFF); }

// The object a resource-typed property holds, of the resource class the adapter serves.
template <class T>
T* PropResource(TObject* Obj, PPropInfo Info) {
  TObject* value = GetObjectProp(Obj, Info);
  if (!value) throw EInvalidCast(u"Property %s.%s holds no resource", {Obj->ClassName(), Info->Name});
  auto* r = dynamic_cast<T*>(value);
  if (!r) throw EInvalidCast(u"Invalid class typecast");
  return r;
}

}  // namespace

IZSEScriptHost* ScriptHost() { return GHost ? GHost : &GNullHost; }
void SetScriptHost(IZSEScriptHost* Host) { GHost = Host; }

// --- global variables

Variant TZSEGlobalVariable::GetValue() { return TZSEExpressionGlobalVariables::GetValue(FName); }

void TZSEGlobalVariable::SetValue(const Variant& Value) { TZSEExpressionGlobalVariables::SetValue(FName, Value); }

// --- colours

Cardinal ZseStringToColor(StringView S) {
  if (S.empty()) return ZseDefaultColor;
  String t(S);
  if (t.size() < 6) t.append(6 - t.size(), u'0');
  if (t.size() == 6) t = u"FF" + t;
  if (t.size() == 7) t = u"0" + t;
  Cardinal c = 0;
  for (size_t i = 0; i < 8; i += 2) {
    Integer v = 0;
    if (!TryStrToInt(u"$" + t.substr(i, 2), v) || v < 0 || v > 255) v = 0;
    c = (c << 8) | static_cast<Cardinal>(v);
  }
  return c;
}

String ZseColorToString(Cardinal Color) {
  if (Color == 0) return u"None";
  if (Color == ZseDefaultColor) return u"Default";
  return IntToHex(static_cast<unsigned>(Color), 8);
}

String ZseURLEscape(StringView S) {
  static const String reserved = u"% <>#{}|\\^~\r\n[]`;/?:@=&$";
  String r;
  for (Char c : S) {
    if (reserved.find(c) != String::npos) {
      static const char16_t* hex = u"0123456789abcdef";
      r += u'%';
      r += hex[(c >> 4) & 0xF];
      r += hex[c & 0xF];
    } else {
      r += c;
    }
  }
  return r;
}

namespace {

// Colours as 0x00RRGGBB through the component library's conversions: hue as a fraction of a turn
// for HSL, in degrees for HSV.
Cardinal PackRGB(Byte R, Byte G, Byte B) { return (Cardinal(R) << 16) | (Cardinal(G) << 8) | B; }

Cardinal HSLToRGB(double H, double S, double L) {
  Byte r, g, b;
  TZCLColors::HSLToRGB(static_cast<Single>(H), static_cast<Single>(S), static_cast<Single>(L), r, g, b);
  return PackRGB(r, g, b);
}

Cardinal HSVToRGB(double H, double S, double V) {
  Byte r, g, b;
  TZCLColors::HSVToRGB(static_cast<Single>(H), static_cast<Single>(S), static_cast<Single>(V), r, g, b);
  return PackRGB(r, g, b);
}

void RGBToHSL(Cardinal C, double& H, double& S, double& L) {
  Single h, s, l;
  TZCLColors::RGBToHSL((C >> 16) & 0xFF, (C >> 8) & 0xFF, C & 0xFF, h, s, l);
  H = h, S = s, L = l;
}

void RGBToHSV(Cardinal C, double& H, double& S, double& V) {
  Single h, s, v;
  TZCLColors::RGBToHSV((C >> 16) & 0xFF, (C >> 8) & 0xFF, C & 0xFF, h, s, v);
  H = h, S = s, V = v;
}

Byte AlphaOf(Cardinal C) { return C == ZseDefaultColor ? 255 : static_cast<Byte>(C >> 24); }

}  // namespace

// --- the base module

TZSEScriptBaseRttiModule::TZSEScriptBaseRttiModule(TzsScript* AScript)
    : TzsRTTIModule(AScript),
      FGetters([](TObject* Obj, PPropInfo Info) -> Variant {
        if (Info->PropType->Kind == tkClass) return HandleVariant(GetObjectProp(Obj, Info));
        return GetPropValue(Obj, Info, true);
      }),
      FSetters([](TObject* Obj, PPropInfo Info, const Variant& Value) {
        if (Info->PropType->Kind == tkClass)
          SetObjectProp(Obj, Info, TzsObjectHandles::ObjectOf(Value));
        else
          SetPropValue(Obj, Info, Value);
      }),
      FNotifier(new TZCLComponentFreeNotifier(nullptr)) {
  FNotifier->OnFreeNotification = TZCLFreeNotificationEvent(this, &TZSEScriptBaseRttiModule::ForgetComponent);
  RegisterPropertyAdapters();
}

TZSEScriptBaseRttiModule::~TZSEScriptBaseRttiModule() { delete FNotifier; }

void TZSEScriptBaseRttiModule::ForgetComponent(TObject*, TComponent* Component) {
  for (auto it = FCache.begin(); it != FCache.end();) it = it->second == Component ? FCache.erase(it) : std::next(it);
}

void TZSEScriptBaseRttiModule::RegisterPropertyAdapters() {
  FGetters.Add(TypeInfoTColor(), [](TObject* Obj, PPropInfo Info) {
    return U32(SwapRB(static_cast<Cardinal>(GetOrdProp(Obj, Info)) & 0xFFFFFF));
  });
  FGetters.AddClass(TComponent::StaticClass(), [](TObject* Obj, PPropInfo Info) -> Variant {
    auto* c = dynamic_cast<TComponent*>(GetObjectProp(Obj, Info));
    return c ? Variant(c->GetName()) : Null();
  });
  FGetters.AddClass(TZCLResourceColor::StaticClass(), [](TObject* Obj, PPropInfo Info) {
    auto* r = PropResource<TZCLResourceColor>(Obj, Info);
    const Cardinal c = r->GetValue();
    return U32(r->GetAllowAlpha() ? c : c & 0xFFFFFF);
  });
  FGetters.AddClass(TZCLResourceInteger::StaticClass(), [](TObject* Obj, PPropInfo Info) {
    return Variant(PropResource<TZCLResourceInteger>(Obj, Info)->GetValue());
  });
  FSetters.AddClass(TZCLResourceColor::StaticClass(), [](TObject* Obj, PPropInfo Info, const Variant& Value) {
    auto* r = PropResource<TZCLResourceColor>(Obj, Info);
    Cardinal c = static_cast<Cardinal>(Value.AsInt64());
    if (c != 0 && c != ZseDefaultColor && (!r->GetAllowAlpha() || (c >> 24) == 0)) c |= 0xFF000000u;
    r->SetValue(c);
  });
  FSetters.AddClass(TZCLResourceInteger::StaticClass(), [](TObject* Obj, PPropInfo Info, const Variant& Value) {
    PropResource<TZCLResourceInteger>(Obj, Info)->SetValue(static_cast<Integer>(Value.AsInt64()));
  });
  FSetters.Add(TypeInfoTAlphaColor(), [](TObject* Obj, PPropInfo Info, const Variant& Value) {
    Cardinal c = static_cast<Cardinal>(Value.AsInt64());
    if (c != 0 && c != ZseDefaultColor && (c >> 24) == 0) c |= 0xFF000000u;
    SetOrdProp(Obj, Info, c);
  });
  FSetters.Add(TypeInfoTColor(), [](TObject* Obj, PPropInfo Info, const Variant& Value) {
    SetOrdProp(Obj, Info, static_cast<Integer>(SwapRB(static_cast<Cardinal>(Value.AsInt64()) & 0xFFFFFF)));
  });
  FSetters.AddClass(TComponent::StaticClass(), [this](TObject* Obj, PPropInfo Info, const Variant& Value) {
    TComponent* c = FindComponent(VarToStr(Value));
    if (!c || c->InheritsFrom(GetObjectPropClass(Info))) SetObjectProp(Obj, Info, c);
  });
}

TComponent* TZSEScriptBaseRttiModule::FindComponent(StringView Name) {
  const String key = AnsiUpperCase(Name);
  auto it = FCache.find(key);
  if (it != FCache.end()) {
    TComponent* c = it->second;
    if (AnsiSameText(c->GetName(), Name)) return c;
    ForgetComponent(nullptr, c);
  }
  TComponent* c = ScriptHost()->FindObject(Name);
  if (c) {
    c->FreeNotification(FNotifier);
    FCache[key] = c;
  }
  return c;
}

PPropInfo TZSEScriptBaseRttiModule::ResolvePath(TObject*& Obj, StringView Path) {
  size_t start = 0;
  for (;;) {
    const size_t dot = Path.find(u'.', start);
    const StringView name = Path.substr(start, dot == StringView::npos ? StringView::npos : dot - start);
    PPropInfo info = GetPropInfo(Obj, name);
    if (!info) throw EPropertyError(u"Unknown property %s.%s", {Obj->ClassName(), name});
    if (dot == StringView::npos) return info;
    if (info->PropType->Kind != tkClass)
      throw EPropertyError(u"Invalid property type: %s.%s", {Obj->ClassName(), name});
    TObject* next = GetObjectProp(Obj, info);
    if (!next) throw EPropertyError(u"Property %s.%s is nil", {Obj->ClassName(), name});
    Obj = next;
    start = dot + 1;
  }
}

Variant TZSEScriptBaseRttiModule::GetProperty(TObject* Obj, StringView Path) {
  if (!Obj) return Null();
  PPropInfo info = ResolvePath(Obj, Path);
  return FGetters.GetProc(info)(Obj, info);
}

void TZSEScriptBaseRttiModule::SetProperty(TObject* Obj, StringView Path, const Variant& Value) {
  if (!Obj) return;
  PPropInfo info = ResolvePath(Obj, Path);
  if (!info->HasSetter()) return;
  FSetters.GetProc(info)(Obj, info, Value);
}

// --- the module

namespace {

Variant Arg(TzsMethodHelper* C, Integer I) { return C->GetVParam(I); }
String ArgS(TzsMethodHelper* C, Integer I) { return VarToStr(C->GetVParam(I)); }
double ArgF(TzsMethodHelper* C, Integer I) { return C->GetVParam(I).AsDouble(); }
Cardinal ArgColor(TzsMethodHelper* C, Integer I) { return static_cast<Cardinal>(C->GetVParam(I).AsInt64()); }

TzsRTTIModule* CreateScriptRTTIModule(TzsScript* Script) { return new TZSEScriptRTTIModule(Script); }

}  // namespace

TZSEScriptRTTIModule::TZSEScriptRTTIModule(TzsScript* AScript) : TZSEScriptBaseRttiModule(AScript) {
  auto* listener = Create<TGlobalsListener>(this);
  FListener = IPtr<IZSEExpressionGlobalVariablesListener>(listener);
  TZSEExpressionGlobalVariables::AddListener(FListener.get());
  TzsScript* s = AScript;
  using O = TObject*;
  using H = TzsMethodHelper*;
  auto add = [s](const char16_t* decl, TzsCallMethodEvent fn) { s->AddMethod(decl, std::move(fn)); };
  add(u"function Max(V1, V2: Variant): Variant;", [](O, H c) {
    const double a = ArgF(c, 0), b = ArgF(c, 1);
    return Variant(a > b ? a : b);
  });
  add(u"function Min(V1, V2: Variant): Variant;", [](O, H c) {
    const double a = ArgF(c, 0), b = ArgF(c, 1);
    return Variant(a < b ? a : b);
  });
  add(u"function Log10(V: Variant): Variant;", [](O, H c) { return Variant(std::log10(ArgF(c, 0))); });
  add(u"function Ord(V: Variant): Integer;", [](O, H c) -> Variant {
    const Variant v = Arg(c, 0);
    if (v.VarType() == varBoolean) return Variant(v.AsBoolean() ? 1 : 0);
    if (VarIsOrdinal(v)) return Variant(static_cast<Integer>(v.AsInt64()));
    if (VarIsStr(v)) {
      const String t = v.AsString();
      return t.empty() ? Null() : Variant(static_cast<Integer>(t[0]));
    }
    return Null();
  });
  add(u"function Power(Base, Exponent: Variant): Variant;",
      [](O, H c) { return Variant(std::pow(ArgF(c, 0), ArgF(c, 1))); });
  add(u"function IsFadingEnabled: Boolean;", [](O, H) { return Variant(ScriptHost()->IsFadingEnabled()); });
  add(u"function URLEscape(const S: string): string;", [](O, H c) { return Variant(ZseURLEscape(ArgS(c, 0))); });
  add(u"function ARGBToColor(const A, R, G, B: Byte): Variant;", [](O, H c) {
    auto b = [c](Integer i) { return static_cast<Cardinal>(Arg(c, i).AsInt64() & 0xFF); };
    return U32((b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3));
  });
  auto hsl = [](O, H c) {
    const Cardinal a = c->ParamCount() > 3 ? static_cast<Cardinal>(Arg(c, 3).AsInt64() & 0xFF) : 255u;
    return U32((a << 24) | HSLToRGB(ArgF(c, 0), ArgF(c, 1), ArgF(c, 2)));
  };
  add(u"function HSLToColor(const H, S, L: Single): Variant;", hsl);
  add(u"function HSLToColorA(const H, S, L: Single; Alpha: Byte): Variant;", hsl);
  auto hsv = [](O, H c) {
    const Cardinal a = c->ParamCount() > 3 ? static_cast<Cardinal>(Arg(c, 3).AsInt64() & 0xFF) : 255u;
    return U32((a << 24) | HSVToRGB(ArgF(c, 0), ArgF(c, 1), ArgF(c, 2)));
  };
  add(u"function HSVToColor(const H, S, V: Single): Variant;", hsv);
  add(u"function HSVToColorA(const H, S, V: Single; Alpha: Byte): Variant;", hsv);
  add(u"function StringToColor(const S: string): Variant;", [](O, H c) { return U32(ZseStringToColor(ArgS(c, 0))); });
  add(u"procedure ColorToARGB(const Color: Variant; var A, R, G, B: Byte);", [](O, H c) {
    const Cardinal col = ArgColor(c, 0);
    c->SetVParam(1, Variant(static_cast<Integer>(AlphaOf(col))));
    c->SetVParam(2, Variant(static_cast<Integer>((col >> 16) & 0xFF)));
    c->SetVParam(3, Variant(static_cast<Integer>((col >> 8) & 0xFF)));
    c->SetVParam(4, Variant(static_cast<Integer>(col & 0xFF)));
    return Null();
  });
  auto toHsl = [](O, H c) {
    double h, s, l;
    const Cardinal col = ArgColor(c, 0);
    RGBToHSL(col, h, s, l);
    c->SetVParam(1, Variant(h));
    c->SetVParam(2, Variant(s));
    c->SetVParam(3, Variant(l));
    if (c->ParamCount() > 4) c->SetVParam(4, Variant(static_cast<Integer>(AlphaOf(col))));
    return Null();
  };
  add(u"procedure ColorToHSL(const Color: Variant; var H, S, L: Single);", toHsl);
  add(u"procedure ColorToHSLA(const Color: Variant; var H, S, L: Single; var Alpha: Byte);", toHsl);
  auto toHsv = [](O, H c) {
    double h, s, v;
    const Cardinal col = ArgColor(c, 0);
    RGBToHSV(col, h, s, v);
    c->SetVParam(1, Variant(h));
    c->SetVParam(2, Variant(s));
    c->SetVParam(3, Variant(v));
    if (c->ParamCount() > 4) c->SetVParam(4, Variant(static_cast<Integer>(AlphaOf(col))));
    return Null();
  };
  add(u"procedure ColorToHSV(const Color: Variant; var H, S, V: Single);", toHsv);
  add(u"procedure ColorToHSVA(const Color: Variant; var H, S, V: Single; var Alpha: Byte);", toHsv);
  add(u"function ColorToString(const Color: Variant): string;",
      [](O, H c) { return Variant(ZseColorToString(ArgColor(c, 0))); });
  add(u"function FindResource(const Name: string): TComponent;", [](O, H c) -> Variant {
    TObject* r = ScriptHost()->FindResource(ArgS(c, 0));
    return r ? HandleVariant(r) : Null();
  });
  add(u"procedure BeginUpdateResources();", [](O, H) {
    ScriptHost()->BeginUpdateResources();
    return Null();
  });
  add(u"procedure EndUpdateResources();", [](O, H) {
    ScriptHost()->EndUpdateResources();
    return Null();
  });
  add(u"function ApplySkin(const SkinName: string): Boolean;",
      [](O, H c) { return Variant(ScriptHost()->ApplySkin(ArgS(c, 0))); });
  add(u"function FindObject(const Name: string): TComponent;", [this](O, H c) -> Variant {
    const String name = ArgS(c, 0);
    if (TComponent* found = FindComponent(name)) return HandleVariant(found);
    for (const char16_t* style : {u"Theme:ContextMenu", u"Theme:Hint", u"Theme:Misc"})
      if (SameText(name, style))
        if (TObject* obj = ScriptHost()->FindThemeStyle(style)) return HandleVariant(obj);
    return Variant(0);
  });
  add(u"function Self: TComponent;", [](O, H c) -> Variant {
    for (const TzsScript* p = c->FProgram; p; p = p->GetParent())
      if (TComponent* owner = p->GetScriptOwner()) return HandleVariant(owner);
    return Null();
  });
  add(u"procedure OutputDebugString(const Message: string);", [](O, H c) {
    if (ScriptDebugOutput) ScriptDebugOutput(GetScriptName(c->FProgram) + u": " + ArgS(c, 0));
    return Null();
  });
  add(u"procedure ShowMessage(const Message: string);", [](O, H c) {
    ScriptHost()->ShowMessage(ArgS(c, 0));
    return Null();
  });
  add(u"function ExecuteColorPicker(const ColorResource: TComponent): Boolean;", [](O, H c) {
    TObject* r = TzsObjectHandles::ObjectOf(Arg(c, 0));
    return Variant(r ? ScriptHost()->ExecuteColorPicker(r) : false);
  });
  add(u"function ExecuteFontPicker(const FontResource: TComponent): Boolean;", [](O, H c) {
    TObject* r = TzsObjectHandles::ObjectOf(Arg(c, 0));
    return Variant(r ? ScriptHost()->ExecuteFontPicker(r) : false);
  });
  add(u"function ConfigGet(Key: string; DefaultValue: Variant): Variant;", [](O, H c) {
    Variant v = ScriptHost()->ConfigGet(ArgS(c, 0));
    return v.IsNull() || v.IsEmpty() ? Arg(c, 1) : v;
  });
  add(u"procedure ConfigSet(Key: string; Value: Variant);", [](O, H c) {
    ScriptHost()->ConfigSet(ArgS(c, 0), Arg(c, 1));
    return Null();
  });
  struct TKind {
    const char16_t* Name;
    TzsVarType Kind;
    Variant Default;
  };
  for (const TKind& k : {TKind{u"Boolean", zvtBool, Variant(false)}, TKind{u"Integer", zvtInt, Variant(0)},
                         TKind{u"Text", zvtString, Variant(String())}}) {
    const TzsVarType kind = k.Kind;
    const Variant def = k.Default;
    auto handler = [this, kind, def](O, H c) -> Variant {
      TComponent* source = FindComponent(ArgS(c, 0));
      const String expression = c->ParamCount() > 2 ? ArgS(c, 2) : String();
      const String format = c->ParamCount() > 3 ? ArgS(c, 3) : String();
      std::unique_ptr<TZSEBindings> bindings(new TZSEBindings(nullptr));
      TZSEBindingLink* link = bindings->AddLink(source, ArgS(c, 1), u"Result");
      if (c->ParamCount() > 2) link->SetExpression(expression);
      if (c->ParamCount() > 3) link->SetTextFormat(format);
      switch (kind) {
        case zvtBool:
          return Variant(bindings->GetDataAsBooleanDef(u"Result", false));
        case zvtInt:
          return Variant(bindings->GetDataAsIntegerDef(u"Result", 0));
        default: {
          String text;
          if (!bindings->GetDataAsText(u"Result", text)) return def;
          return Variant(text);
        }
      }
    };
    const String base = String(u"function BindingsGetDataAs") + k.Name;
    s->AddMethod(base + u"(Source, Pin: string): Variant;", handler);
    s->AddMethod(base + u"2(Source, Pin, Expression: string): Variant;", handler);
    s->AddMethod(base + u"3(Source, Pin, Expression, TextFormat: string): Variant;", handler);
  }

  // Any object reference typed as a component.
  s->AddClass(TObject::StaticClass(), String());
  TzsClassVariable* component = s->AddClass(TComponent::StaticClass(), u"TObject");
  if (!component) component = s->FindClass(u"TComponent");
  component->AddMethod(u"procedure BeginUpdate", [](O obj, H) {
    if (auto* lock = dynamic_cast<IZCLUpdateLock*>(obj)) lock->BeginUpdate();
    return Null();
  });
  component->AddMethod(u"procedure EndUpdate", [](O obj, H) {
    if (auto* lock = dynamic_cast<IZCLUpdateLock*>(obj)) lock->EndUpdate();
    return Null();
  });
  component->AddMethod(u"procedure Execute", [](O obj, H) -> Variant {
    if (auto* action = dynamic_cast<TBasicAction*>(obj)) return Variant(action->Execute());
    if (auto* handler = dynamic_cast<TZSEEventHandler*>(obj)) {
      handler->Execute(nullptr, nullptr);
      return Null();
    }
    ScriptHost()->ExecuteEventHandler(obj);
    return Null();
  });
  component->AddMethod(u"procedure CopyToClipboard", [](O obj, H) {
    ScriptHost()->CopyToClipboard(obj);
    return Null();
  });
  component->AddMethod(u"function Dock(const DockSiteName: string = ''): Boolean", [](O obj, H c) {
    try {
      return Variant(obj && ScriptHost()->Dock(obj, ArgS(c, 0)));
    } catch (const Exception&) {
      return Variant(false);
    }
  });
  component->AddMethod(u"function Undock: Boolean;", [](O obj, H) {
    try {
      return Variant(obj && ScriptHost()->Undock(obj));
    } catch (const Exception&) {
      return Variant(false);
    }
  });
  component->AddMethod(u"function Get(const PropName: string): Variant;",
                       [this](O obj, H c) { return GetProperty(obj, ArgS(c, 0)); });
  component->AddMethod(u"procedure Set(const PropName: string; const Value: Variant);", [this](O obj, H c) {
    SetProperty(obj, ArgS(c, 0), Arg(c, 1));
    return Null();
  });
  RegisterBindingsClass();
  component->AddProperty(
      u"Parent", u"TComponent",
      [](O obj, TzsCustomHelper*) -> Variant {
        TObject* p = nullptr;
        if (auto* item = dynamic_cast<TZSECustomVisualItem*>(obj))
          p = item->GetParent();
        else if (obj)
          p = ScriptHost()->GetVisualParent(obj);
        return p ? HandleVariant(p) : Null();
      },
      [](O obj, const Variant& value, TzsCustomHelper*) {
        if (obj) ScriptHost()->SetVisualParent(obj, TzsObjectHandles::ObjectOf(value));
      });
}

void TZSEScriptRTTIModule::RegisterBindingsClass() {
  using O = TObject*;
  using H = TzsMethodHelper*;
  TzsScript* s = FScript;
  TzsClassVariable* cls = s->AddClass(TZSEBindings::StaticClass(), u"TComponent");
  if (!cls) cls = s->FindClass(u"TZSEBindings");
  // Script-made bindings have no owner element.
  cls->FFactory = [] { return static_cast<TObject*>(new TZSEBindings(nullptr)); };
  auto self = [](O obj) -> TZSEBindings* {
    if (!obj) throw EZScriptObjectError(u"Invalid object reference");
    auto* b = dynamic_cast<TZSEBindings*>(obj);
    if (!b) throw EInvalidCast(u"Invalid class typecast: %s is not TZSEBindings", {obj->ClassName()});
    return b;
  };
  cls->AddConstructor(u"constructor Create;", [](O obj, H) { return HandleVariant(obj); });
  cls->AddMethod(u"procedure Free", [self](O obj, H) {
    TZSEBindings* b = self(obj);
    // Its links die with it: no script handle may outlive them.
    for (Integer i = 0, n = b->GetCount(); i < n; ++i) TzsObjectHandles::Release(b->GetLink(i));
    TzsObjectHandles::Release(b);
    delete b;
    return Null();
  });
  cls->AddMethod(u"procedure ExecuteAction(const PinName: string)", [self](O obj, H c) {
    self(obj)->ExecuteAction(ArgS(c, 0));
    return Null();
  });
  cls->AddMethod(u"function LinkAdd(const PinName: string): TComponent", [self](O obj, H c) {
    TZSEBindings* b = self(obj);
    const String pin = ArgS(c, 0);
    TZSEBindingLink* link = nullptr;
    if (!b->FindLink(pin, link) || !link) {
      link = b->NewLink();
      link->SetTargetPin(pin);
    }
    return HandleVariant(link);
  });
  cls->AddMethod(u"function LinkFind(const PinName: string): TComponent", [self](O obj, H c) -> Variant {
    TZSEBindingLink* link = nullptr;
    return self(obj)->FindLink(ArgS(c, 0), link) && link ? HandleVariant(link) : Null();
  });
  cls->AddMethod(u"procedure LinkDelete(const PinName: string)", [self](O obj, H c) {
    TZSEBindings* b = self(obj);
    TZSEBindingLink* link = nullptr;
    if (b->FindLink(ArgS(c, 0), link) && link) {
      TzsObjectHandles::Release(link);
      b->RemoveLink(link);
    }
    return Null();
  });
  cls->AddMethod(u"function GetDataAsBoolean(const PinName: string): Variant;", [self](O obj, H c) -> Variant {
    bool v = false;
    return self(obj)->GetDataAsBoolean(ArgS(c, 0), v) ? Variant(v) : Null();
  });
  cls->AddMethod(u"function GetDataAsInteger(const PinName: string): Variant;", [self](O obj, H c) -> Variant {
    Integer v = 0;
    return self(obj)->GetDataAsInteger(ArgS(c, 0), v) ? Variant(v) : Null();
  });
  cls->AddMethod(u"function GetDataAsText(const PinName: string): Variant;", [self](O obj, H c) -> Variant {
    String v;
    return self(obj)->GetDataAsText(ArgS(c, 0), v) ? Variant(v) : Null();
  });
}

TZSEScriptRTTIModule::~TZSEScriptRTTIModule() {
  TZSEExpressionGlobalVariables::RemoveListener(FListener.get());
}

void TZSEScriptRTTIModule::GlobalVariableDefined(const String& Name) {
  if (!FScript->Find(Name)) {
    TObject* saved = FScript->GetAddedBy();
    FScript->SetAddedBy(ZsAddedByRTTI);
    FScript->Add(Name, new TZSEGlobalVariable(Name));
    FScript->SetAddedBy(saved);
  }
}

void RegisterScriptHostModule() { RegisterRTTIModule(&CreateScriptRTTIModule); }

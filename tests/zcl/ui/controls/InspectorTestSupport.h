#pragma once
// An object with a published property of every kind the inspector meets, and an inspector
// stand-in that counts and may veto changes.

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.TypInfo.h"
#include "rtl/RTL.Variant.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/ui/ZCL.Utils.RTTI.h"
#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.PropertyEditors.h"

namespace inspectortest {

enum TSampleKind : Byte { skApple, skBanana, skCherry };
ZCL_ENUM(TSampleKind, skApple, skBanana, skCherry);
using TSampleKinds = TSet<TSampleKind>;

class TSampleDetail : public TPersistent {
  ZCL_CLASS(TSampleDetail, TPersistent)
 public:
  static void DeclareProperties(TClassDeclaration<TSampleDetail>& D) {
    D.Property(u"Depth", &TSampleDetail::Depth, &TSampleDetail::Depth);
    D.Property(u"Visible", &TSampleDetail::Visible, &TSampleDetail::Visible);
  }
  Integer Depth = 3;
  bool Visible = true;
};

class TSample : public TComponent {
  ZCL_CLASS(TSample, TComponent)
 public:
  explicit TSample(TComponent* AOwner) : TComponent(AOwner) {
    Font = Create<TFont>();
    Detail = Create<TSampleDetail>();
  }
  ~TSample() override {
    Free(Font);
    Free(Detail);
  }
  static void DeclareProperties(TClassDeclaration<TSample>& D) {
    D.Property(u"Flag", &TSample::Flag, &TSample::Flag);
    D.Property(u"Count", &TSample::Count, &TSample::Count);
    D.Property(u"Big", &TSample::Big, &TSample::Big);
    D.Property(u"Ratio", &TSample::Ratio, &TSample::Ratio);
    D.Property(u"Caption", &TSample::Caption, &TSample::Caption);
    D.Property(u"Kind", &TSample::Kind, &TSample::Kind);
    D.Property(u"Kinds", &TSample::Kinds, &TSample::Kinds);
    D.Property(u"Color", &TSample::Color, &TSample::Color).Type(TypeInfoTColor());
    D.Property(u"Tint", &TSample::Tint, &TSample::Tint).Type(TypeInfoTAlphaColor());
    D.Property(u"Font", &TSample::GetFont, &TSample::SetFont);
    D.Property(u"Link", &TSample::Link, &TSample::Link);
    D.Property(u"Detail", &TSample::Detail);
    D.Property(u"Letter", &TSample::Letter, &TSample::Letter);
    D.Property(u"Value", &TSample::Value, &TSample::Value);
    D.Property(u"Fixed", &TSample::Fixed).Type(TypeInfoTColor());
    D.Property(u"Scratch", &TSample::Scratch, &TSample::Scratch).Stored(false);
    D.Property(u"Secret", &TSample::Secret, &TSample::Secret).Attribute<HiddenAttribute>();
  }
  TFont* GetFont() const { return Font; }
  void SetFont(TFont* Value) { Font->Assign(Value); }

  bool Flag = false;
  Integer Count = 0;
  Int64 Big = 0;
  double Ratio = 0;
  String Caption;
  TSampleKind Kind = skApple;
  TSampleKinds Kinds;
  TColor Color = 0;
  TAlphaColor Tint = 0;
  TFont* Font;
  TComponent* Link = nullptr;
  TSampleDetail* Detail;
  Char Letter = u'x';
  Variant Value;
  TColor Fixed = 0;
  Integer Scratch = 0;
  Integer Secret = 0;
};

class TSampleChild : public TSample {
  ZCL_CLASS(TSampleChild, TSample)
 public:
  using TSample::TSample;
};

inline void RegisterSampleClasses() {
  RegisterProperties<TSampleDetail>();
  RegisterProperties<TSample>();
  RegisterProperties<TSampleChild>();
}

// Counts the changes editors report; Allow false vetoes them.
class TFakeInspector : public TZCLUnknownObject, public IZCLObjectInspector {
  ZCL_CLASS(TFakeInspector, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLObjectInspector)
 public:
  TObject* GetInspectedObject() override { return Inspected; }
  bool PropertyChanging(TZCLPropertyEditor*, const Variant& Value) override {
    ++Changing;
    LastValue = Value;
    return Allow;
  }
  void PropertyChanged(TZCLPropertyEditor*) override { ++Changed; }

  TObject* Inspected = nullptr;
  bool Allow = true;
  Integer Changing = 0;
  Integer Changed = 0;
  Variant LastValue;
};

}  // namespace inspectortest

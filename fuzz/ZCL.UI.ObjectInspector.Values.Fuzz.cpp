// libFuzzer target for the text typed into the object inspector: the first byte picks one of the
// default property editors of an object with a property of every kind (set elements included),
// the rest is the text written through it. Only the conversion errors of writing a property may
// come out (read-only, bad enumeration or set names, numbers that do not convert or fit, a bad
// component name); and the
// editor must read a value again afterwards.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "../tests/zcl/ui/controls/InspectorTestSupport.h"
#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"

using namespace inspectortest;

namespace {

struct TFixture {
  TComponent* Root;
  TSample* Sample;
  TFakeInspector Inspector;
  std::vector<TZCLPropertyEditor*> Editors;

  TFixture() {
    RegisterSampleClasses();
    Root = Create<TComponent>(nullptr);
    Sample = Create<TSample>(Root);
    Sample->SetName(u"Sample");
    Create<TComponent>(Root)->SetName(u"A");
    Inspector.Inspected = Sample;
    for (PPropInfo prop : GetPropList(Sample)) {
      TZCLPropertyEditor* editor = TZCLPropertyEditors::CreateEditor(prop, Sample, &Inspector);
      if (!editor) continue;
      editor->FullName = editor->GetName();
      Editors.push_back(editor);
      if (auto* sub = dynamic_cast<IZCLPropertyEditorSubProperties*>(editor))
        sub->GetProperties([&](TZCLPropertyEditor* E) { Editors.push_back(E); });
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static TFixture* fixture = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InstallHeadlessBackend(THeadlessConfig::Single(96));
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    InitializeUnits(ZclGraphicsUnits());
    InitializeUnits(ZclUiUnits());
    InitializeUnits(ZclControlsUnits());
    return new TFixture();
  }();
  if (Size == 0) return 0;
  TZCLPropertyEditor* editor = fixture->Editors[Data[0] % fixture->Editors.size()];
  const String text = UTF8ToString(std::string_view(reinterpret_cast<const char*>(Data + 1), Size - 1));
  try {
    editor->SetValue(text);
  } catch (const EPropertyError&) {
  } catch (const EPropertyConvertError&) {
  } catch (const EConvertError&) {
  } catch (const EVariantError&) {
  } catch (const EIntError&) {
  } catch (const EComponentError&) {
    // The Name setter's own check of identifiers.
  }
  (void)editor->GetValue();
  return 0;
}

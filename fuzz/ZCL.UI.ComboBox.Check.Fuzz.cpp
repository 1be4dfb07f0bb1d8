// libFuzzer target for the text of check combo boxes (typed, pasted or read from a form): any
// text with any separator checks only items it names, and the text then lists exactly the
// checked items in order, each followed by the separator, so that setting it again changes
// nothing.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.Check.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static TZCLCheckComboBox* box = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InstallHeadlessBackend(THeadlessConfig::Single(96));
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    InitializeUnits(ZclGraphicsUnits());
    InitializeUnits(ZclUiUnits());
    InitializeUnits(ZclControlsUnits());
    auto* result = Create<TZCLCheckComboBox>(static_cast<TComponent*>(nullptr));
    for (const char16_t* s : {u"A", u"B", u"a b", u"", u"C;D", u"\u00E9"}) result->GetItems()->Add(s);
    return result;
  }();
  if (Size == 0) return 0;
  const Char separator = Char(u";,| \0"[Data[0] % 5]);
  box->SetSeparator(separator);
  const String text = UTF8ToString(std::string_view(reinterpret_cast<const char*>(Data + 1), Size - 1));
  try {
    box->SetText(text);
  } catch (...) {
    std::abort();
  }
  String expected;
  // An item whose text holds the separator cannot be named by a text, so only texts without
  // one read back as themselves.
  bool named = true;
  TZCLCheckComboBoxItems* items = box->GetItems();
  for (Integer i = 0; i < items->GetCount(); ++i)
    if (items->GetItem(i)->GetChecked()) {
      expected += items->GetItem(i)->GetText();
      expected += separator;
      named = named && items->GetItem(i)->GetText().find(separator) == String::npos;
    }
  if (box->GetText() != expected) std::abort();
  if (!named) return 0;
  const String again = box->GetText();
  box->SetText(u"\x01");
  box->SetText(again);
  if (box->GetText() != again) std::abort();
  return 0;
}

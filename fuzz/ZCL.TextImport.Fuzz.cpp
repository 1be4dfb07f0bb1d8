#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Units.h"
#include "zcl/graphics/ZCL.Graphics.TextLayout.h"

namespace {

// Every block points inside the text (or nowhere, for link markers); spans group two or more.
void Check(const TZCLTextLayoutBlockList& Blocks, const String& Text) {
  const Char* begin = Text.c_str();
  const Char* end = begin + Text.size();
  for (TZCLTextLayoutBlock* b : Blocks) {
    if (b->Text != nullptr && (b->Text < begin || b->Text + b->Length > end)) std::abort();
    if (b->Text == nullptr && dynamic_cast<TZCLTextLayoutBlockHyperlink*>(b) == nullptr) std::abort();
    if (auto* span = dynamic_cast<TZCLTextLayoutBlockSpan*>(b)) {
      if (span->Blocks->GetCount() < 2) std::abort();
      Check(*span->Blocks, Text);
    }
  }
}

}  // namespace

// The first byte picks the import settings and whether the rest is read as bytes or UTF-16.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  if (Size == 0) return 0;
  const uint8_t mode = Data[0];
  String text;
  if (mode & 0x40) {
    for (size_t i = 1; i + 1 < Size; i += 2) text += static_cast<Char>(Data[i] | (Data[i + 1] << 8));
  } else {
    for (size_t i = 1; i < Size; ++i) text += static_cast<Char>(Data[i]);
  }
  TZCLTextFormatSettings settings;
  settings.DetectEmails = mode & 1;
  settings.DetectTimeCodes = mode & 2;
  settings.DetectURLs = mode & 4;
  settings.EscapedLineBreaks = mode & 8;
  settings.BracketTags = mode & 16;
  TZCLTextLayoutBlockList blocks;
  TZCLTextImporter::Import(text.c_str(), settings, &blocks);
  Check(blocks, text);
  return 0;
}

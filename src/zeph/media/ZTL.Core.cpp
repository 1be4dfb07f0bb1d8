#include "zeph/media/ZTL.Core.h"

#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Strings.h"

String CleanValue(const String& Text) {
  size_t end = Text.size();
  for (size_t i = 0; i < Text.size(); ++i) {
    const Char c = Text[i];
    if (c < 32 && c != 9 && c != 10 && c != 13) {
      end = i;
      break;
    }
  }
  size_t first = 0;
  while (first < end && Text[first] <= 32) ++first;
  while (end > first && Text[end - 1] <= 32) --end;
  if (first == 0 && end == Text.size()) return Text;
  return Text.substr(first, end - first);
}

String NormalizeLines(const String& Text, bool TrimLines) {
  TZCLStringList lines;
  lines.SetText(Text);
  if (TrimLines) lines.TrimAll();
  return lines.GetText();
}

#include "zcl/ui/controls/ZCL.UI.Controls.IncrementalSearch.h"

#include "os/OS.Input.h"
#include "zcl/base/ZCL.Utils.Strings.h"

void TZCLIncrementalSearch::SetText(const String& Value) {
  if (FLocked || Value == FText) return;
  FLocked = true;
  try {
    const String oldText = FText;
    const Integer oldLength = FTextLength;
    FText = Value;
    FUpperText = zcUpperCase(Value);
    FTextLength = static_cast<Integer>(Value.size());
    if (!Value.empty() && OnLookup) {
      bool found = false;
      OnLookup(this, found);
      if (!found) {
        FText = oldText;
        FUpperText = zcUpperCase(oldText);
        FTextLength = oldLength;
      }
    }
    if (OnChange) OnChange(this);
  } catch (...) {
    FLocked = false;
    throw;
  }
  FLocked = false;
}

void TZCLIncrementalSearch::SetMode(TZCLIncrementalSearchMode Value) {
  if (FMode == Value) return;
  FMode = Value;
  if (Active() && OnChange) OnChange(this);
}

bool TZCLIncrementalSearch::ProcessChar(Char Character) {
  if (Character < 32 || Character == VK_BACK || Character == 127 || (Character == u' ' && !Active())) return false;
  SetText(FText + Character);
  return true;
}

bool TZCLIncrementalSearch::ProcessKey(Word Key, TShiftState Shift) {
  switch (Key) {
    case VK_BACK:
      SetText(FText.empty() ? FText : FText.substr(0, FText.size() - 1));
      return true;
    case VK_ESCAPE:
      Cancel();
      return true;
    case VK_SPACE:
      return Active() && !Shift.Contains(ssAlt) && !Shift.Contains(ssCtrl);
    default:
      return false;
  }
}

bool TZCLIncrementalSearch::CanProcessKey(Word Key, TShiftState Shift, const TZCLIncrementalSearchKeyFilter& Filter) const {
  switch (Key) {
    case VK_RETURN:
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_INSERT:
    case VK_DELETE:
    case VK_LWIN:
      return false;
    default:
      if (Key >= VK_F1 && Key <= VK_F1 + 19) return false;
  }
  if (Shift.Contains(ssAlt) || Shift.Contains(ssCtrl)) return false;
  if (Shift.Contains(ssShift) && !Active()) return false;
  if (Active()) return true;
  if (Key == VK_SPACE) return false;
  bool allow = true;
  if (Filter) Filter(Key, Shift, allow);
  return allow;
}

bool TZCLIncrementalSearch::GetHighlightBounds(const String& Text, Integer& Start, Integer& Finish) const {
  if (!Active()) return false;
  if (FMode == ismSearch) {
    if (!zcBeginsWith(Text, FText, true)) return false;
    Start = 0;
  } else {
    const size_t at = zcUpperCase(Text).find(FUpperText);
    if (at == String::npos) return false;
    Start = static_cast<Integer>(at);
  }
  Finish = Start + FTextLength;
  return true;
}

bool TZCLIncrementalSearch::Contains(const String& Text) const {
  Integer start, finish;
  return !Active() || GetHighlightBounds(Text, start, finish);
}

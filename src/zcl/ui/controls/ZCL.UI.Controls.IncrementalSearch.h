#pragma once
// Type-ahead search: collects typed characters into a search text, lets the host refuse a text
// that finds nothing (OnLookup), and tells where the text matches inside a row's text.

#include "rtl/RTL.Classes.h"
#include "vcl/VCL.Controls.h"

enum TZCLIncrementalSearchMode : Byte { ismSearch, ismFilter };
ZCL_ENUM(TZCLIncrementalSearchMode, ismSearch, ismFilter);

using TZCLIncrementalSearchLookupEvent = TDelegate<void(TObject* Sender, bool& AFound)>;
// Consulted for a key while no search is active; Allow starts True.
using TZCLIncrementalSearchKeyFilter = TDelegate<void(Word Key, TShiftState Shift, bool& Allow)>;

class TZCLIncrementalSearch : public TObject {
  ZCL_CLASS(TZCLIncrementalSearch, TObject)
 public:
  bool Active() const { return FTextLength > 0; }
  void Cancel() { SetText(String()); }
  bool CanProcessKey(Word Key, TShiftState Shift, const TZCLIncrementalSearchKeyFilter& Filter = nullptr) const;
  bool ProcessChar(Char Character);
  bool ProcessKey(Word Key, TShiftState Shift);
  bool Contains(const String& Text) const;
  // Start: 0-based position of the match; Finish: one past its last character.
  bool GetHighlightBounds(const String& Text, Integer& Start, Integer& Finish) const;

  TZCLIncrementalSearchMode GetMode() const { return FMode; }
  void SetMode(TZCLIncrementalSearchMode Value);
  const String& GetText() const { return FText; }
  void SetText(const String& Value);
  Integer GetTextLength() const { return FTextLength; }

  TZCLIncrementalSearchLookupEvent OnLookup;
  TNotifyEvent OnChange;

 private:
  bool FLocked = false;
  TZCLIncrementalSearchMode FMode = ismSearch;
  String FText;
  String FUpperText;  // a filter tests every row against it
  Integer FTextLength = 0;
};

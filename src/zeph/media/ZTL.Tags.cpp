#include "zeph/media/ZTL.Tags.h"

String TagsAppendValue(const String& List, const String& Value) {
  if (List.empty()) return Value;
  if (Value.empty()) return List;
  size_t p = List.find(Value);
  if (p != String::npos) {
    const size_t end = p + Value.size();
    // Only the first occurrence decides whether the value is already there.
    if ((p == 0 || List[p - 1] == u';') && (end == List.size() || List[end] == u';')) return List;
  }
  return List + u";" + Value;
}

String TagsDecodeValues(const String& Text, Char Delimiter) {
  if (Text.find(Delimiter) == String::npos) return Text;
  String result;
  size_t start = 0;
  for (;;) {
    size_t stop = Text.find(Delimiter, start);
    if (stop == String::npos) stop = Text.size();
    size_t a = start, b = stop;
    while (a < b && Text[a] == u' ') ++a;
    while (b > a && Text[b - 1] == u' ') --b;
    if (b > a) {
      if (!result.empty()) result += u';';
      result.append(Text, a, b - a);
    }
    if (stop == Text.size()) break;
    start = stop + 1;
  }
  return result;
}

Integer TagsEnumValues(const String& Text, bool Split, const TProc<const String&>& Proc) {
  if (!Split) {
    if (Text.empty()) return 0;
    Proc(Text);
    return 1;
  }
  Integer count = 0;
  size_t start = 0;
  for (;;) {
    size_t stop = Text.find(u';', start);
    if (stop == String::npos) stop = Text.size();
    size_t a = start, b = stop;
    while (a < b && Text[a] < 33) ++a;
    while (b > a && Text[b - 1] < 33) --b;
    if (b > a) {
      Proc(Text.substr(a, b - a));
      ++count;
    }
    if (stop >= Text.size()) break;
    start = stop + 1;
  }
  return count;
}

String TagsFirstValue(const String& Text) {
  const size_t p = Text.find(u';');
  return p == String::npos ? Text : Text.substr(0, p);
}

#include "rtl/RTL.EmbeddedResources.h"

namespace {
bool SameAsciiText(StringView a, const char* b) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    char16_t x = a[i];
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (y == 0) return false;
    if (x >= u'a' && x <= u'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return false;
  }
  return b[i] == 0;
}
}  // namespace

const TEmbeddedResource* FindEmbeddedResource(StringView Name, StringView Type) {
  size_t count = 0;
  const TEmbeddedResource* table = EmbeddedResourceTable(count);
  for (size_t i = 0; i < count; ++i)
    if (SameAsciiText(Name, table[i].Name) && SameAsciiText(Type, table[i].Type)) return &table[i];
  return nullptr;
}

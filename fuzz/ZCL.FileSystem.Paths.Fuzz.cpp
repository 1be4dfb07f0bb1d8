#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "zcl/base/ZCL.Utils.FileSystem.h"

// Paths and names from stored files: the text routines never read out of range and keep their
// invariants for any input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  String text(Size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<Char>(Data[2 * i] | (Data[2 * i + 1] << 8));
  const size_t half = text.size() / 2;
  const String first = text.substr(0, half), second = text.substr(half);

  for (bool twice : {false, true}) {
    Integer start = 0, end = 0;
    if (zcGetFileExtRange(text, start, end, twice)) {
      if (start < 1 || start > end || end > static_cast<Integer>(text.size()) || text[start - 1] != u'.') std::abort();
      if (zcExtractFileExt(text, twice).empty()) std::abort();
    }
    const String changed = zcChangeFileExt(text, u".x", twice);
    if (changed.size() < 2) std::abort();
  }
  if (zcExtractFilePath(text) + zcExtractFileName(text) != text) std::abort();
  zcExtractFileDir(text);
  zcExtractFileDirName(text);
  zcExtractFileDrive(text);
  zcExtractFileFormat(text);
  zcExtractFileNameWithoutExt(text);
  zcHasDoubleFileExt(text);
  zcExtractLastPathParts(text, static_cast<Integer>(Size % 5));
  zcRemoveLongPathPrefix(text);
  zcExtractURLScheme(text);
  zcIsRelativePath(text);
  zcIsFileExtInList(first, second);
  zcExtractRelativePath(first, second);
  const String name = zcValidateFileName(text, u'_');
  if (name.size() > 260 || name == u"." || name == u"..") std::abort();
  for (Char c : name)
    if (c < 32 || c == u'/' || c == u'\\' || c == u':' || c == u'"') std::abort();
  return 0;
}

#pragma once
// Decoding of tag text of undeclared encoding, and the taking apart of artist and title texts.

#include "rtl/RTL.Types.h"

// Tag bytes to text: strict UTF-8 first (text encoded to UTF-8 twice is undone), otherwise a
// guess of the 8-bit code page made word by word, with Windows-1251 Cyrillic recognised beside
// Latin-1 when the default code page is 1251.
class TZTLTagsEncoding {
 public:
  TZTLTagsEncoding() = delete;
  static String Decode(std::string_view Data);
  // The code-page guess alone.
  static String DecodeAnsi(std::string_view Data);
};

// Moves "featuring" guests out of titles into the artist list and splits artist lists.
class TZTLMetaDataResolver {
 public:
  TZTLMetaDataResolver() = delete;
  // Cleans Title (bonus and exclusive remarks, featuring parts) and replaces Artists by the
  // ";"-separated list of the artists found in Artists and Title, each once.
  static void Process(String& Title, String& Artists);
};

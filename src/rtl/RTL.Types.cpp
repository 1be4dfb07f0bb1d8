#include "rtl/RTL.Types.h"

bool DecodeUtf8Sequence(const Byte*& p, const Byte* end, char32_t& cp) {
  const unsigned c = *p;
  int need;
  char32_t min;
  if (c >= 0xC2 && c <= 0xDF) {
    need = 1, cp = c & 0x1F, min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 2, cp = c & 0x0F, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 3, cp = c & 0x07, min = 0x10000;
  } else {
    ++p;
    return false;
  }
  const Byte* q = p + 1;
  int got = 0;
  while (got < need && q < end && (*q & 0xC0) == 0x80) {
    cp = (cp << 6) | (*q & 0x3F);
    ++q;
    ++got;
  }
  if (got < need || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    p = (got == 0) ? p + 1 : q;
    return false;
  }
  p = q;
  return true;
}

String UTF8ToString(std::string_view Text) {
  String Result;
  Result.reserve(Text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(Text.data());
  const auto* end = p + Text.size();
  while (p < end) {
    unsigned c = *p;
    if (c < 0x80) {
      Result.push_back(static_cast<Char>(c));
      ++p;
      continue;
    }
    char32_t cp;
    if (!DecodeUtf8Sequence(p, end, cp)) {
      Result.push_back(0xFFFD);
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      Result.push_back(static_cast<Char>(0xD800 + (cp >> 10)));
      Result.push_back(static_cast<Char>(0xDC00 + (cp & 0x3FF)));
    } else {
      Result.push_back(static_cast<Char>(cp));
    }
  }
  return Result;
}

std::string StringToUTF8(StringView Text) {
  std::string Result;
  Result.reserve(Text.size());
  const size_t n = Text.size();
  for (size_t i = 0; i < n; ++i) {
    char32_t cp = Text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && Text[i + 1] >= 0xDC00 && Text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (Text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      Result.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      Result.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      Result.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      Result.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      Result.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      Result.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      Result.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      Result.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      Result.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      Result.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return Result;
}

String AsciiToString(std::string_view Text) {
  return String(Text.begin(), Text.end());
}

#include "zeph/media/ZTL.Ogg.Chapters.h"

#include <cmath>
#include <cstdio>

#include "zcl/base/ZCL.Utils.Strings.h"

namespace {

constexpr Integer MaxChapter = 999;

AnsiString ChapterName(Integer Number) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "CHAPTER%03d", Number);
  return AnsiString(buf);
}

const TZBLFileInfoCustomField* Field(const TZBLFileInfo* Info, std::string_view Name) {
  TZBLFileInfoCustomField* field = nullptr;
  Info->GetCustomFields()->Find(Name, field);
  return field;
}

bool ParseTime(const String& Text, Double& Seconds) {
  const Char* p = Text.c_str();
  return TZCLTimeFormat::Parse(p, Seconds) && *p == 0;
}

}  // namespace

String TZBLOggChapters::FormatTime(Double Seconds) {
  // Whole milliseconds first, so a time just below a second never shows 1000 ms.
  const long long total = std::llround(std::fabs(Seconds) * 1000);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld.%03lld", Seconds < 0 && total > 0 ? "-" : "", total / 3600000,
                total / 60000 % 60, total / 1000 % 60, total % 1000);
  return UTF8ToString(buf);
}

void TZBLOggChapters::LoadChapters(TZBLChapters* Chapters, const TZBLFileInfo* Info) {
  const Integer first = Field(Info, ChapterName(0)) ? 0 : 1;
  for (Integer n = first; n <= MaxChapter; ++n) {
    const AnsiString name = ChapterName(n);
    const TZBLFileInfoCustomField* time = Field(Info, name);
    if (!time) break;
    const TZBLFileInfoCustomField* title = Field(Info, name + "NAME");
    const String value = UTF8ToString(time->Value);
    const size_t arrow = value.find(u"-->");
    Double start = 0, finish = -1;
    if (!ParseTime(value.substr(0, arrow), start)) continue;
    if (arrow != String::npos && !ParseTime(value.substr(arrow + 3), finish)) finish = -1;
    Chapters->Add(title ? UTF8ToString(title->Value) : String(), start, finish);
  }
  Chapters->CloseLast(Info->GetStreamInfo().Duration / 1000.0);
}

void TZBLOggChapters::SaveChapters(TZBLFileInfo* Info, const TZBLChapters* Chapters) {
  TZBLFileInfoCustomFields* fields = Info->GetCustomFields();
  for (Integer i = fields->GetCount() - 1; i >= 0; --i) {
    const AnsiString& name = fields->GetItem(i)->Name;
    if (name.size() >= 7 && zcSameText(UTF8ToString(name.substr(0, 7)), u"CHAPTER")) fields->Delete(i);
  }
  if (!Chapters) return;
  for (Integer i = 0; i < Chapters->GetCount(); ++i) {
    const TZBLChapter* chapter = Chapters->GetItem(i);
    const AnsiString name = ChapterName(i);
    // An open chapter has no finish to write: "-->" with a negative time would read back wrong.
    String time = FormatTime(chapter->Start);
    if (chapter->Finish >= 0) time += u"-->" + FormatTime(chapter->Finish);
    fields->Add(name, StringToUTF8(time));
    fields->Add(name + "NAME", StringToUTF8(chapter->Title));
  }
}

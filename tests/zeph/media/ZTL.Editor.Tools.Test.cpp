#include <gtest/gtest.h>

#include "rtl/RTL.Variant.h"
#include "zeph/media/ZBL.RecentList.h"
#include "zeph/media/ZTL.Editor.Tools.h"

namespace {

String Evaluate(const String& Template, const String& Title, const String& Value) {
  TZBLFileInfo info;
  info.SetTitle(Title);
  info.SetValue(fitCueSheet, u"FILE \"a.flac\" WAVE");
  TZTLInlineExpressionsContext context;
  context.Setup(&info, 0, 0, Value);
  std::unique_ptr<TZCLFormatString> t(GetInlineExpressions()->CompileTemplate(Template));
  return VarToStr(t->Evaluate(&context));
}

}  // namespace

TEST(InlineTagExpressions, CleanTitleCueSheetAndValue) {
  struct {
    const char16_t *Template, *Title, *Value, *Expected;
  } cases[] = {
      {u"%CleanTitle(%Title)", u"Song (feat. A & B)", u"", u"Song"},
      {u"%CleanTitle(%Title)", u"Plain Song", u"", u"Plain Song"},
      {u"%CleanTitle(%Title)", u"Track [Bonus]", u"", u"Track"},
      {u"%CueSheet", u"", u"", u"FILE \"a.flac\" WAVE"},
      {u"[%Value]", u"", u"", u"[]"},
      {u"%Value!", u"", u"old", u"old!"},
  };
  for (const auto& c : cases) EXPECT_EQ(Evaluate(c.Template, c.Title, c.Value), c.Expected) << "case " << (&c - cases);
  EXPECT_EQ(GetInlineExpressionsRecentList()->GetMaxCount(), 10);
}

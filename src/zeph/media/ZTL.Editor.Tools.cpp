#include "zeph/media/ZTL.Editor.Tools.h"

#include <memory>

#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.Expressions.h"
#include "zeph/media/ZBL.RecentList.h"
#include "zeph/media/ZTL.Utils.h"

namespace {

// The title without what the resolver takes out of titles; the artists found are dropped.
void FnCleanTitle(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements* Arguments) {
  String title = Arguments && Arguments->GetCount() > 0 ? VarToStr(Arguments->EvaluateItem(0, Context)) : String();
  String artists;
  TZTLMetaDataResolver::Process(title, artists);
  Result = title;
}

const TZBLFileInfoFormatStringContext* InfoContext(TZCLExpressionContext Context) {
  return static_cast<const TZBLFileInfoFormatStringContext*>(Context);
}

void MacroCueSheet(String& Value, TZCLExpressionContext Context) {
  const TZBLFileInfoFormatStringContext* c = InfoContext(Context);
  Value = c && c->Info ? c->Info->GetValue(fitCueSheet) : String();
}

void MacroValue(String& Value, TZCLExpressionContext Context) {
  const auto* c = dynamic_cast<const TZTLInlineExpressionsContext*>(InfoContext(Context));
  Value = c ? c->GetValue() : String();
}

struct TShared {
  std::unique_ptr<TZBLRecentList> RecentList;
  TZTLInlineExpressions* Factory;
  std::unique_ptr<TZCLExpressionCache> Cache;
  TShared()
      : RecentList(std::make_unique<TZBLRecentList>(10)),
        Factory(Create<TZTLInlineExpressions>()),
        Cache(std::make_unique<TZCLExpressionCache>(Factory, 255)) {}
  ~TShared() {
    Cache.reset();
    Free(Factory);
    RecentList.reset();
  }
};

TShared& Shared() {
  static TShared shared;
  return shared;
}

}  // namespace

void TZTLInlineExpressions::RegisterFunctions() {
  inherited::RegisterFunctions();
  RegisterFunction(u"CleanTitle", FnCleanTitle, 1, true, zfcText);
  RegisterMacro(u"CueSheet", MacroCueSheet, zfcTags);
  RegisterMacro(u"Value", MacroValue, zfcGeneral);
}

void TZTLInlineExpressionsContext::Setup(const TZBLCustomFileInfo* AInfo, Integer AIndex, Integer ATotal,
                                         const String& AValue) {
  inherited::Setup(AInfo, AIndex, ATotal, AValue);
  FValue = AValue;
}

TZTLInlineExpressions* GetInlineExpressions() { return Shared().Factory; }

TZCLExpressionCache* GetInlineExpressionsCache() { return Shared().Cache.get(); }

TZBLRecentList* GetInlineExpressionsRecentList() { return Shared().RecentList.get(); }

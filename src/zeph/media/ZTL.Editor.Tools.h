#pragma once
// Expressions that compute tag values from templates while tags are edited: the file-information
// template dialect plus CleanTitle, CueSheet and Value, one shared factory with a cache of compiled
// templates, and a short list of the templates a user typed.

#include "zeph/media/ZBL.FileInfo.Formatter.h"

class TZBLRecentList;
class TZCLExpressionCache;

class TZTLInlineExpressions : public TZBLFileInfoFormatStringFactory {
  ZCL_CLASS(TZTLInlineExpressions, TZBLFileInfoFormatStringFactory)
 public:
  void RegisterFunctions() override;
};

// A context whose fourth Setup value (the current value of the field being computed) the Value
// macro reads as given, empty included.
class TZTLInlineExpressionsContext : public TZBLFileInfoFormatStringContext {
  ZCL_CLASS(TZTLInlineExpressionsContext, TZBLFileInfoFormatStringContext)
 public:
  void Setup(const TZBLCustomFileInfo* AInfo, Integer AIndex = 0, Integer ATotal = 0,
             const String& AValue = String()) override;
  const String& GetValue() const { return FValue; }

 private:
  String FValue;
};

// The shared objects, created together on first use and freed at exit.
TZTLInlineExpressions* GetInlineExpressions();
TZCLExpressionCache* GetInlineExpressionsCache();
TZBLRecentList* GetInlineExpressionsRecentList();

#pragma once
// File-information templates: format strings such as "%Artist - %Title" compiled once and
// evaluated against a context that holds one record. The factory adds the record's macros and
// the file functions to the format-string dialect; the preview record supplies demonstration
// values while a template is edited.

#include "zcl/base/ZCL.Expressions.FormatString.h"
#include "zeph/media/ZBL.FileInfo.h"

class TZBLFileInfoFormatStringContext;

// Category numbers of the macro legend.
constexpr Byte zfcGeneral = 0;
constexpr Byte zfcText = 3;
constexpr Byte zfcTags = 10;
constexpr Byte zfcFile = 11;

// Flags of a context.
constexpr Byte zfcfFileDirAsParentDir = 0x01;
constexpr Byte zfcfDisplayForms = 0x02;

class TZBLFileInfoFormatString : public TZCLFormatString {
  ZCL_CLASS(TZBLFileInfoFormatString, TZCLFormatString)
 public:
  using TZCLFormatString::TZCLFormatString;
};

class TZBLFileInfoFormatStringFactory : public TZCLFormatStringFactory {
  ZCL_CLASS(TZBLFileInfoFormatStringFactory, TZCLFormatStringFactory)
 public:
  // Registers, then stops raising on syntax errors: a template compiles up to its first error.
  void AfterConstruction() override;
  TZCLExpression* CreateExpression(const String& Text, TZCLExpressionElement* Root) override;
  void RegisterFunctions() override;

  // The text of the Comment macro.
  virtual String GetComment(TZBLFileInfoFormatStringContext* Context);
  // The folder of the file (Levels 0 or less) or its last Levels folders; a disc folder ("CD2",
  // "Disc 2") brings its parent along; a file in a mount point's root gives the drive's name.
  virtual String ExtractDir(const String& FileName, Integer Levels);
  // A random integer below the range given by the first argument (100 without one).
  virtual Integer RandomValue(TZBLFileInfoFormatStringContext* Context, TZCLExpressionElements* Arguments);

  // True for "CD" + digit, or "DISC"/"DISK" (any case) + spaces + digit.
  static bool IsDiscFolderName(StringView Name);
  // Letters or digits followed by "://" or ":\\".
  static bool IsInternetAddress(StringView Name);

 protected:
  // Helpers for the macros of descendants.
  static TZBLFileInfoFormatStringContext* ContextOf(TZCLExpressionContext Context);

 private:
  void FnRandom(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements* Arguments);
  void FnFileDir(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements* Arguments);
  void FnFileParentDir(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements* Arguments);
  void MacroComment(String& Value, TZCLExpressionContext Context);
};

// The record being formatted and what surrounds it. Owned by whoever evaluates; set up before
// each record.
class TZBLFileInfoFormatStringContext : public TObject {
  ZCL_CLASS(TZBLFileInfoFormatStringContext, TObject)
 public:
  TZBLFileInfoFormatStringContext() = default;

  // Extension without its dot, upper case; empty for an Internet address.
  virtual String GetFileFormat();
  // 1-based place of the record in its list; 0 when not known.
  virtual Integer GetIndex() { return 0; }
  virtual Integer GetTotal() { return 0; }
  virtual String GetFileName();
  // The format text given replaces the cached one; the cached file name is dropped.
  virtual void Setup(const TZBLCustomFileInfo* AInfo, Integer AIndex = 0, Integer ATotal = 0,
                     const String& AFormatText = String());

  // The file name, computed once per Setup.
  const String& CachedFileName();
  // The format text, computed once per Setup when none was given.
  const String& CachedFileFormat();
  // Index and total, asked of GetIndex and GetTotal once when not given.
  Integer CachedIndex();
  Integer CachedTotal();

  const TZBLCustomFileInfo* Info = nullptr;
  Byte Flags = zfcfDisplayForms;

 private:
  String FFormatText;
  String FFileName;
  bool FFileNameCached = false;
  Integer FIndex = 0;
  Integer FTotal = 0;
};

// A record of demonstration values for previews.
class TZBLFileInfoPreview : public TZBLFileInfo {
  ZCL_CLASS(TZBLFileInfoPreview, TZBLFileInfo)
 public:
  TZBLFileInfoPreview();
  // The one shared instance, created on first use.
  static TZBLFileInfoPreview* Instance();
  static void FinalizeInstance();

 protected:
  void LoadFileDates(TDateTime& Created, TDateTime& Modified) const override;
};

// Date and time with regional separators: yyyy, MM, dd, hh, mm, ss, zzz; empty for a date that
// is 0 or less.
String ZBLFormatFileDate(StringView Pattern, TDateTime Value);

#pragma once
// The player's file-information templates: the user's mark, the music library's statistics and
// the real file behind a part of a container file, on top of the record's own macros.

#include <atomic>

#include "zeph/media/ZBL.FileInfo.Formatter.h"
#include "zeph/media/ZEPH.FileManager.h"

constexpr Byte zfcLibrary = 20;

class TZEPHFileInfoFormatStringFactory : public TZBLFileInfoFormatStringFactory {
  ZCL_CLASS(TZEPHFileInfoFormatStringFactory, TZBLFileInfoFormatStringFactory)
 public:
  // Keeps the 16 templates compiled last.
  void AfterConstruction() override;
  void RegisterFunctions() override;
  // "Radio" for a stream address; the container file (or its last Levels components) for a part.
  String ExtractDir(const String& FileName, Integer Levels) override;

  // The one shared factory, created on first use.
  static TZEPHFileInfoFormatStringFactory* Instance();
  static void FinalizeInstance();
};

class TZEPHFileInfoFormatStringContext : public TZBLFileInfoFormatStringContext {
  ZCL_CLASS(TZEPHFileInfoFormatStringContext, TZBLFileInfoFormatStringContext)
 public:
  // The file manager's format text of the file; empty for a stream address.
  String GetFileFormat() override;
  // The real file behind a part of a container file.
  String GetFileName() override;
  void Setup(const TZBLCustomFileInfo* AInfo, Integer AIndex = 0, Integer ATotal = 0,
             const String& AFormatText = String()) override;
  // The mark byte of the record's file, 0 for none.
  virtual TZEPHFileMark GetMark();
  virtual bool GetStatistics(TZEPHFileStatistics& Statistics);

  // Asked once per Setup.
  TZEPHFileMark CachedMark();
  // Null without statistics; asked once per Setup.
  const TZEPHFileStatistics* CachedStatistics();

 private:
  TZEPHFileMark FMark = 0;
  TZEPHFileStatistics FStatistics;
};

// The preview record, index 5 of 10, mark 5 and made-up statistics.
class TZEPHFileInfoFormatStringPreviewContext : public TZEPHFileInfoFormatStringContext {
  ZCL_CLASS(TZEPHFileInfoFormatStringPreviewContext, TZEPHFileInfoFormatStringContext)
 public:
  TZEPHFileInfoFormatStringPreviewContext();
  TZEPHFileMark GetMark() override;
  bool GetStatistics(TZEPHFileStatistics& Statistics) override;
};

// One record with the shared factory.
String FormatFileInfo(const String& Template, const TZBLCustomFileInfo* Info, Integer Index = 0, Integer Total = 0,
                      const String& FormatText = String());
// The preview record; a null factory means the shared one.
String FormatPreview(const String& Template, TZBLFileInfoFormatStringFactory* Factory = nullptr);
// The template shows the mark or the rating ("%M", "%Mark", "%Rating", "%Rt", any case).
bool TemplateUsesMark(const String& Template);
// A stream address as it is; otherwise the real file's name without folder and extension.
String DisplayTitleFromFileName(const String& FileName);

// Factories by index for the plugins' formatter: index 0 is the shared factory.
void RegisterFormatterFactory(Integer Index, TZBLFileInfoFormatStringFactory* Factory,
                              TZBLFileInfoFormatStringFactory* PreviewFactory);
void UnregisterFormatterFactory(Integer Index);
// False for an index without factories.
bool FindFormatterFactory(Integer Index, bool Preview, TZBLFileInfoFormatStringFactory*& Factory);

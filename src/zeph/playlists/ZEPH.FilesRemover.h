#pragma once
// Deletes files from disk for the playlist's removal with files: a confirmation listing a few of
// them, deletion into the trash on a pool task, a progress window after three seconds, one
// retry with announcements, and a report of what remains.

#include <functional>

#include "zcl/base/ZCL.Threading.Pool.h"

class TZCLStringList;
class TfrmFilesScannerDialog;

// Flags of a removal.
constexpr Byte zfrReportFailures = 0x01;
constexpr Byte zfrAnnounce = 0x02;

class TZEPHFilesRemoverTool {
 public:
  TZEPHFilesRemoverTool() = delete;
  // False for an empty list; otherwise the user's answer.
  static bool Confirm(const TZCLStringList* Files, void* OwnerWindow = nullptr);
  // The confirmation: message 4, then files 1 to 3, "..." when more than four, and the last.
  static String ConfirmationText(const TZCLStringList* Files);
  static void Delete(const TZCLStringList* Files) { DeleteEx(Files, zfrReportFailures | zfrAnnounce); }
  // Returns at once; a pool task deletes. The task's handle, 0 for an empty list.
  static TObjHandle DeleteEx(const TZCLStringList* Files, Byte Flags);

  // The question and the final report, on the main thread; hosts and tests may replace them.
  using TAskProc = std::function<bool(const String& Caption, const String& Text)>;
  using TReportProc = std::function<void(const String& Caption, const String& Text)>;
  static TAskProc Ask;
  static TReportProc Report;
};

class TZEPHFilesRemoverToolTask : public TZCLTask {
  ZCL_CLASS(TZEPHFilesRemoverToolTask, TZCLTask)
 public:
  TZEPHFilesRemoverToolTask(const TZCLStringList* AFiles, Byte AFlags);
  ~TZEPHFilesRemoverToolTask() override;
  void Execute() override;
  void Complete() override;
  TZCLStringList* GetFiles() const { return FFiles; }
  bool WindowShown() const { return FDialog != nullptr; }

 private:
  void Pass();
  void UpdateDialog(const String& FileName);
  void CancelRequested(TObject* Sender);
  Integer FTotal;
  TZCLStringList* FFiles;
  Byte FFlags;
  TfrmFilesScannerDialog* FDialog = nullptr;
};

// Applies settings that need administrator rights through a helper program. There is no such
// helper here: Execute reports failure.
class TZEPHElevator {
 public:
  TZEPHElevator() = delete;
  static bool Execute(const String& Parameters);
  static String GetFileName();
};

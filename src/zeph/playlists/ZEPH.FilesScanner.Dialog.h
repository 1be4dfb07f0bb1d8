#pragma once
// Carries a scan's reports to the UI thread, and the progress window that opens when a scan
// lasts longer than a second.

#include "vcl/VCL.Forms.h"
#include "zeph/playlists/ZEPH.FilesScanner.h"

class TZCLTimer;

// Each report waits on the worker until the UI thread has handled it; progress at most every
// 100 ms.
class TZEPHFilesScannerUIReceiver : public TInterfacedObject, public IZEPHFilesScannerReceiver {
  ZCL_CLASS(TZEPHFilesScannerUIReceiver, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHFilesScannerReceiver)
 public:
  void Finished(bool Canceled) override;
  void FileFound(const String& FileName, IZBLFileInfo* FileInfo) override;
  void Progress(const String& FileName, Integer Index, Integer Count) override;
  void Started(TZCLTask* Task) override;

  bool ReportFiles = true;
  bool ReportProgress = true;
  TObjHandle GetTaskHandle() const { return FTaskHandle; }

 protected:
  // On the UI thread.
  virtual void HandleFinished(bool Canceled) {}
  virtual void HandleFileFound(const String& FileName, IZBLFileInfo* FileInfo) {}
  virtual void HandleProgress(const String& FileName, Integer Index, Integer Count) {}
  virtual void HandleStarted(TZCLTask* Task);

  Cardinal FLastProgressTick = 0;
  TObjHandle FTaskHandle = 0;
};

class TfrmFilesScannerDialog : public TForm {
  ZCL_CLASS(TfrmFilesScannerDialog, TForm)
 public:
  explicit TfrmFilesScannerDialog(TComponent* AOwner);
  // "[position/total] caption"; Total below 1 counts as 1.
  static String ProgressCaption(Integer Position, Integer Total, const String& Caption);
  void SetProgress(Integer Position, Integer Total, const String& Text);
  const String& GetText() const { return FText; }
  Integer GetPercent() const { return FPercent; }
  String BaseCaption;
  TNotifyEvent OnCancel;

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;

 private:
  String FText;
  Integer FPercent = 0;
};

// Opens the progress window one second after the scan started, unless it ended before.
class TfrmFilesScannerDialogHelper : public TZEPHFilesScannerUIReceiver {
  ZCL_CLASS(TfrmFilesScannerDialogHelper, TZEPHFilesScannerUIReceiver)
 public:
  explicit TfrmFilesScannerDialogHelper(const String& ACaption);
  ~TfrmFilesScannerDialogHelper() override;
  TfrmFilesScannerDialog* GetForm() const { return FForm; }
  bool IsTimerArmed() const { return FTimer != nullptr; }
  // The timer's tick: shows the window (tests call it instead of waiting).
  void TimerTick(TObject* Sender);

 protected:
  void HandleFinished(bool Canceled) override;
  void HandleProgress(const String& FileName, Integer Index, Integer Count) override;
  void HandleStarted(TZCLTask* Task) override;

 private:
  void CancelTask(TObject* Sender);
  String FCaption;
  TZCLTimer* FTimer = nullptr;
  TfrmFilesScannerDialog* FForm = nullptr;
};

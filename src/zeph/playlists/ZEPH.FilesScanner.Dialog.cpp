#include "zeph/playlists/ZEPH.FilesScanner.Dialog.h"

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/base/ZCL.Utils.Messaging.h"

void TZEPHFilesScannerUIReceiver::Started(TZCLTask* Task) {
  TZCLMainThread::RunProc(
      [&] {
        FLastProgressTick = TThread::GetTickCount();
        HandleStarted(Task);
      },
      true);
}

void TZEPHFilesScannerUIReceiver::Progress(const String& FileName, Integer Index, Integer Count) {
  if (!ReportProgress || !IsTimeIntervalElapsed(FLastProgressTick, 100)) return;
  TZCLMainThread::RunProc([&] { HandleProgress(FileName, Index, Count); }, true);
  FLastProgressTick = TThread::GetTickCount();
}

void TZEPHFilesScannerUIReceiver::FileFound(const String& FileName, IZBLFileInfo* FileInfo) {
  if (!ReportFiles) return;
  TZCLMainThread::RunProc([&] { HandleFileFound(FileName, FileInfo); }, true);
}

void TZEPHFilesScannerUIReceiver::Finished(bool Canceled) {
  TZCLMainThread::RunProc([&] { HandleFinished(Canceled); }, true);
}

void TZEPHFilesScannerUIReceiver::HandleStarted(TZCLTask* Task) { FTaskHandle = Task->GetHandle(); }

// ---------------------------------------------------------------------------------------------

TfrmFilesScannerDialog::TfrmFilesScannerDialog(TComponent* AOwner) : TForm(AOwner) {
  FText = LangGetMsg(36);
  SetKeyPreview(true);
  SetBounds(0, 0, 420, 110);
}

String TfrmFilesScannerDialog::ProgressCaption(Integer Position, Integer Total, const String& Caption) {
  return Format(u"[%d/%d] %s", {Position, Total, Caption});
}

void TfrmFilesScannerDialog::SetProgress(Integer Position, Integer Total, const String& Text) {
  SetCaption(ProgressCaption(Position, Total, BaseCaption));
  const Integer total = Total > 0 ? Total : 1;
  FPercent = static_cast<Integer>(static_cast<Int64>(100) * Position / total);
  FText = Text.empty() ? LangGetMsg(36) : Text;
  Invalidate();
}

void TfrmFilesScannerDialog::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == 27 && OnCancel.Assigned()) OnCancel(this);
  TForm::KeyDown(Key, Shift);
}

TfrmFilesScannerDialogHelper::TfrmFilesScannerDialogHelper(const String& ACaption) : FCaption(ACaption) {
  ReportFiles = false;
}

TfrmFilesScannerDialogHelper::~TfrmFilesScannerDialogHelper() { HandleFinished(true); }

void TfrmFilesScannerDialogHelper::HandleStarted(TZCLTask* Task) {
  TZEPHFilesScannerUIReceiver::HandleStarted(Task);
  if (FTimer == nullptr) FTimer = new TZCLTimer(TNotifyEvent(this, &TfrmFilesScannerDialogHelper::TimerTick), 1000);
}

void TfrmFilesScannerDialogHelper::TimerTick(TObject*) {
  FreeAndNil(FTimer);
  if (FForm != nullptr) return;
  FForm = TCustomForm::CreateNew<TfrmFilesScannerDialog>(nullptr);
  FForm->BaseCaption = FCaption;
  FForm->SetCaption(FCaption);
  FForm->OnCancel = TNotifyEvent(this, &TfrmFilesScannerDialogHelper::CancelTask);
  FForm->Show();
}

void TfrmFilesScannerDialogHelper::CancelTask(TObject*) {
  if (TZCLTaskDispatcher* pool = TaskDispatcherIfExists()) pool->Cancel(FTaskHandle, false);
}

void TfrmFilesScannerDialogHelper::HandleProgress(const String& FileName, Integer Index, Integer Count) {
  if (FForm != nullptr) FForm->SetProgress(Index, Count, FileName);
}

void TfrmFilesScannerDialogHelper::HandleFinished(bool) {
  FreeAndNil(FTimer);
  if (FForm != nullptr) {
    FForm->Release();
    FForm = nullptr;
  }
}

#include "zeph/playlists/ZEPH.FilesRemover.h"

#include <memory>

#include "os/OS.Environment.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Threads.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Logger.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zeph/media/ZBL.FileChangeNotifier.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"
#include "zeph/playlists/ZEPH.FilesScanner.Dialog.h"

namespace {
// A plain question window: the text; Enter answers OK, Escape cancels.
class TZEPHQuestionForm : public TForm {
  ZCL_CLASS(TZEPHQuestionForm, TForm)
 public:
  explicit TZEPHQuestionForm(TComponent* AOwner) : TForm(AOwner) { SetKeyPreview(true); }

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override {
    if (Key == 13) SetModalResult(mrOk);
    if (Key == 27) SetModalResult(mrCancel);
    TForm::KeyDown(Key, Shift);
  }
};

bool AskWithForm(const String& Caption, const String& Text) {
  std::unique_ptr<TZEPHQuestionForm, void (*)(TZEPHQuestionForm*)> form(
      TCustomForm::CreateNew<TZEPHQuestionForm>(nullptr), [](TZEPHQuestionForm* F) { Free(F); });
  form->SetCaption(Caption + u" - " + Text);
  form->SetBounds(0, 0, 520, 200);
  return form->ShowModal() == mrOk;
}

void ReportToLog(const String& Caption, const String& Text) {
  LogWrite(DefaultLogFile(), u"FilesRemover", Caption + u": " + Text, TZCLLogLevel::Error);
}

String FileLine(const TZCLStringList* Files, Integer Index) {
  String name = Files->GetStrings(Index);
  const Integer width = Screen != nullptr ? 480 * Screen->GetPixelsPerInch() / 96 : 480;
  if (TCanvas* canvas = MeasureCanvas()) {
    if (Screen != nullptr && Screen->GetMenuFont() != nullptr) canvas->GetFont()->Assign(Screen->GetMenuFont());
    ShortenPathText(canvas, width, name);
  }
  return IntToStr(Index + 1) + u". " + name;
}
}  // namespace

TZEPHFilesRemoverTool::TAskProc TZEPHFilesRemoverTool::Ask = AskWithForm;
TZEPHFilesRemoverTool::TReportProc TZEPHFilesRemoverTool::Report = ReportToLog;

String TZEPHFilesRemoverTool::ConfirmationText(const TZCLStringList* Files) {
  String text = LangGetMsg(4) + u"\r\n";
  const Integer count = Files->GetCount();
  for (Integer i = 0; i < std::min<Integer>(count, 3); ++i) text += u"\r\n" + FileLine(Files, i);
  if (count >= 4) {
    if (count > 4) text += u"\r\n...";
    text += u"\r\n" + FileLine(Files, count - 1);
  }
  return text;
}

bool TZEPHFilesRemoverTool::Confirm(const TZCLStringList* Files, void*) {
  if (Files == nullptr || Files->GetCount() == 0) return false;
  return Ask ? Ask(u"ZEPH", ConfirmationText(Files)) : false;
}

TObjHandle TZEPHFilesRemoverTool::DeleteEx(const TZCLStringList* Files, Byte Flags) {
  if (Files == nullptr || Files->GetCount() == 0) return 0;
  return TaskDispatcher()->Run(new TZEPHFilesRemoverToolTask(Files, Flags));
}

// ---------------------------------------------------------------------------------------------

TZEPHFilesRemoverToolTask::TZEPHFilesRemoverToolTask(const TZCLStringList* AFiles, Byte AFlags)
    : FTotal(AFiles->GetCount()), FFiles(Create<TZCLStringList>()), FFlags(AFlags) {
  FFiles->Assign(const_cast<TZCLStringList*>(AFiles));
}

TZEPHFilesRemoverToolTask::~TZEPHFilesRemoverToolTask() {
  if (FDialog != nullptr) {
    TfrmFilesScannerDialog* dialog = FDialog;
    FDialog = nullptr;
    TZCLMainThread::QueueProc([dialog] { dialog->Release(); });
  }
  Free(FFiles);
}

void TZEPHFilesRemoverToolTask::UpdateDialog(const String& FileName) {
  TZCLMainThread::RunProc(
      [&] {
        if (FDialog == nullptr) {
          FDialog = TCustomForm::CreateNew<TfrmFilesScannerDialog>(nullptr);
          FDialog->BaseCaption = LangGetMsgPart(59, 0);
          FDialog->OnCancel = TNotifyEvent(this, &TZEPHFilesRemoverToolTask::CancelRequested);
          FDialog->Show();
        }
        FDialog->SetProgress(FTotal - FFiles->GetCount(), FTotal, FileName);
      },
      true);
}

void TZEPHFilesRemoverToolTask::CancelRequested(TObject*) {
  if (TZCLTaskDispatcher* pool = TaskDispatcherIfExists()) pool->Cancel(GetHandle(), false);
}

void TZEPHFilesRemoverToolTask::Pass() {
  TZEPHFileManager* manager = GetFileManager();
  TZBLFileChangeNotifier* notifier = TZBLFileChangeNotifier::Instance();
  const Cardinal start = TThread::GetTickCount();
  Integer i = 0;
  while (i < FFiles->GetCount() && !IsCanceled()) {
    const String name = FFiles->GetStrings(i);
    if (FFlags & zfrAnnounce) notifier->NotifyFileChanging(name);
    if (FDialog != nullptr || IsTimeIntervalElapsed(start, 3000)) UpdateDialog(name);
    const bool done = TZEPHFileURI::IsVirtual(name) || manager->DeleteFile(name) || !manager->FileExists(name);
    if (done)
      FFiles->Delete(i);
    else
      ++i;
    if (FFlags & zfrAnnounce) notifier->NotifyFileChanged(name, done);
  }
}

void TZEPHFilesRemoverToolTask::Execute() {
  TZBLFileChangeNotifier* notifier = TZBLFileChangeNotifier::Instance();
  notifier->BeginBatchOperation();
  try {
    Pass();
    if (FFiles->GetCount() > 0 && !(FFlags & zfrAnnounce)) {
      FFlags |= zfrAnnounce;
      Pass();
    }
  } catch (...) {
    notifier->EndBatchOperation();
    throw;
  }
  notifier->EndBatchOperation();
}

void TZEPHFilesRemoverToolTask::Complete() {
  TZCLTask::Complete();
  if (FFiles->GetCount() == 0 || !(FFlags & zfrReportFailures) || IsCanceled()) return;
  String text = LangGetMsgPart(59, 1) + u"\r\n";
  for (Integer i = 0; i < FFiles->GetCount(); ++i) text += FFiles->GetStrings(i) + u"\r\n";
  const String caption = LangGetMsgPart(59, 0);
  TZCLMainThread::QueueProc([caption, text] {
    if (TZEPHFilesRemoverTool::Report) TZEPHFilesRemoverTool::Report(caption, text);
  });
}

// ---------------------------------------------------------------------------------------------

String TZEPHElevator::GetFileName() { return zcIncludeTrailingPathDelimiter(GetProgramFolder()) + u"Elevator.exe"; }

bool TZEPHElevator::Execute(const String& Parameters) {
  if (Parameters.empty()) throw EInvalidOperation(u"Elevator cannot be run with no parameters");
  // No elevation helper exists on this platform: the request fails like a failed call.
  return false;
}

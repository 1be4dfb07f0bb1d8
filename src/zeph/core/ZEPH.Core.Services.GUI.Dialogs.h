#pragma once
// The program's standard dialogs as plugins see them: message box, file and folder dialogs,
// input dialog, browser sign-in and progress window. Each translates the plugin's arguments into
// a call of the common dialog and its outcome back into result codes and plugin objects; none
// lets an exception reach the plugin.

#include "os/OS.Types.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.OleVariant.h"
#include "zeph/core/ZEPH.Core.Adapters.h"

class TZCLFileDialog;
class TZCLProgressDialog;

// ---- plugin interfaces ----------------------------------------------------------------------------

struct IZEPHUIMessageDialog : virtual IInterface {
  RTL_INTERFACE(IZEPHUIMessageDialog, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0150}")
  // The modal result (the pressed button's identifier) in place of a result code. Flags are the
  // message-box flags: button set, icon, default button, system-modal.
  virtual HRESULT Execute(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Text, Integer Flags) = 0;
};

struct IZEPHUIFileDialogs : virtual IInterface {
  RTL_INTERFACE(IZEPHUIFileDialogs, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0151}")
  // Filter: pairs of description and pattern separated by "|". Cancel answers E_FAIL.
  virtual HRESULT OpenFile(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Filter,
                           IPtr<IZEPHString>& FileName) = 0;
  virtual HRESULT OpenFiles(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Filter,
                            IPtr<IZEPHObjectList>& FileNames) = 0;
  // FileName goes in as the proposed name; FilterIndex comes back 0-based.
  virtual HRESULT SaveFile(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Filter, IPtr<IZEPHString>& FileName,
                           Integer& FilterIndex) = 0;
};

// Flags of the folder dialog.
constexpr Integer ZEPH_UI_BROWSE_FOLDER_PATH_EDIT = 1;
constexpr Integer ZEPH_UI_BROWSE_FOLDER_MULTIPLE = 2;

struct IZEPHUIBrowseFolderDialog : virtual IInterface {
  RTL_INTERFACE(IZEPHUIBrowseFolderDialog, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0152}")
  virtual HRESULT Execute(HWND OwnerWindow, Integer Flags, IZEPHString* DefaultPath,
                          IPtr<IZEPHObjectList>& Folders) = 0;
};

struct IZEPHUIInputDialogEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUIInputDialogEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0153}")
  // A success code accepts the value.
  virtual HRESULT OnValidate(const VARIANT& Value, Integer Index) = 0;
};

struct IZEPHUIInputDialog : virtual IInterface {
  RTL_INTERFACE(IZEPHUIInputDialog, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0154}")
  virtual HRESULT Execute(HWND OwnerWindow, IZEPHString* Caption, IInterface* EventsHandler, IZEPHString* Prompt,
                          VARIANT& Value) = 0;
  // Values: Count variants, one per string of Prompts; written back only when confirmed.
  virtual HRESULT ExecuteMultiple(HWND OwnerWindow, IZEPHString* Caption, IInterface* EventsHandler,
                                  IZEPHObjectList* Prompts, VARIANT* Values, Integer Count) = 0;
};

struct IZEPHUIAuthDialogEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUIAuthDialogEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0155}")
  // Called on the listener's thread; a failure code keeps the dialog waiting and shows ErrorInfo.
  virtual HRESULT OnAuthorizationData(IZEPHString* Data, IPtr<IZEPHString>& ErrorInfo) = 0;
  virtual HRESULT GetAuthorizationURL(IPtr<IZEPHString>& URL) = 0;
};

struct IZEPHUIAuthDialog : virtual IInterface {
  RTL_INTERFACE(IZEPHUIAuthDialog, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0156}")
  virtual HRESULT Execute(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Text, IInterface* EventsHandler,
                          Integer Reserved) = 0;
};

struct IZEPHUIProgressDialogEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUIProgressDialogEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0157}")
  virtual void OnCanceled() = 0;
};

// Property identifiers of the progress dialog.
constexpr Integer ZEPH_UI_PROGRESS_DIALOG_CAPTION = 1;
constexpr Integer ZEPH_UI_PROGRESS_DIALOG_TEXT = 2;
constexpr Integer ZEPH_UI_PROGRESS_DIALOG_SHOW_IN_TASKBAR = 3;

// Usable from any thread: the window is handled on the main thread, and the caller waits.
struct IZEPHUIProgressDialog : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHUIProgressDialog, IZEPHPropertyList, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0158}")
  virtual HRESULT Close() = 0;
  virtual HRESULT SetProgress(Int64 Position, Int64 Total, IZEPHString* Text) = 0;
  virtual HRESULT Show() = 0;
};

// Raised by the sign-in's data callback: its message goes to the browser page.
RTL_EXCEPTION(EAuthorizationError, Exception);

// ---- dialog objects -------------------------------------------------------------------------------

class TZEPHUIMessageBox : public TInterfacedObject, public IZEPHUIMessageDialog {
  ZCL_CLASS(TZEPHUIMessageBox, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUIMessageDialog)
 public:
  HRESULT Execute(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Text, Integer Flags) override;
};

class TZEPHUIFileDialogs : public TInterfacedObject, public IZEPHUIFileDialogs, public IZEPHUIBrowseFolderDialog {
  ZCL_CLASS(TZEPHUIFileDialogs, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUIFileDialogs, IZEPHUIBrowseFolderDialog)
 public:
  ~TZEPHUIFileDialogs() override;
  HRESULT OpenFile(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Filter, IPtr<IZEPHString>& FileName) override;
  HRESULT OpenFiles(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Filter,
                    IPtr<IZEPHObjectList>& FileNames) override;
  HRESULT SaveFile(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Filter, IPtr<IZEPHString>& FileName,
                   Integer& FilterIndex) override;
  HRESULT Execute(HWND OwnerWindow, Integer Flags, IZEPHString* DefaultPath, IPtr<IZEPHObjectList>& Folders) override;
  // The shared dialog; null before the first call.
  TZCLFileDialog* GetFileDialog() const { return FFileDialog; }

 private:
  TZCLFileDialog* PrepareFileDialog(IZEPHString* Caption, IZEPHString* Filter);
  TZCLFileDialog* FFileDialog = nullptr;
};

class TZEPHUIInputDialog : public TInterfacedObject, public IZEPHUIInputDialog {
  ZCL_CLASS(TZEPHUIInputDialog, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUIInputDialog)
 public:
  HRESULT Execute(HWND OwnerWindow, IZEPHString* Caption, IInterface* EventsHandler, IZEPHString* Prompt,
                  VARIANT& Value) override;
  HRESULT ExecuteMultiple(HWND OwnerWindow, IZEPHString* Caption, IInterface* EventsHandler, IZEPHObjectList* Prompts,
                          VARIANT* Values, Integer Count) override;

 private:
  // The events handler of the call in progress.
  IPtr<IInterface> FEventsHandler;
};

class TZEPHUIAuthDialog : public TInterfacedObject, public IZEPHUIAuthDialog {
  ZCL_CLASS(TZEPHUIAuthDialog, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUIAuthDialog)
 public:
  HRESULT Execute(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Text, IInterface* EventsHandler,
                  Integer Reserved) override;
};

class TZEPHUIProgressDialog : public TZEPHSimpleObjectAdapter, public IZEPHUIProgressDialog {
  ZCL_CLASS(TZEPHUIProgressDialog, TZEPHSimpleObjectAdapter)
  RTL_INTERFACES(TZEPHSimpleObjectAdapter, IZEPHUIProgressDialog)
 public:
  explicit TZEPHUIProgressDialog(IInterface* EventsHandler);
  ~TZEPHUIProgressDialog() override;
  HRESULT Close() override;
  HRESULT SetProgress(Int64 Position, Int64 Total, IZEPHString* Text) override;
  HRESULT Show() override;
  // The window while shown; read it on the main thread.
  TZCLProgressDialog* GetDialog() const { return FDialog; }

 protected:
  // Any thread may drive the object.
  bool CheckAccess(HRESULT& Result) override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoGetValueAsVariant(Integer PropertyID, Variant& Value, HRESULT& Result) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;
  void DoSetValueAsVariant(Integer PropertyID, const Variant& Value, HRESULT& Result) override;

 private:
  void Canceled(TObject* Sender);
  TZCLProgressDialog* FDialog = nullptr;
  IPtr<IZEPHUIProgressDialogEvents> FEvents;
  bool FShowInTaskBar = false;
  IPtr<IZEPHString> FCaption;
  IPtr<IZEPHString> FText;
  Int64 FPosition = 0;
  Int64 FTotal = 0;
  IPtr<IZEPHString> FProgressText;
};

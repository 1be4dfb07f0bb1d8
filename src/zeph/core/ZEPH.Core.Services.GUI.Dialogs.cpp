#include "zeph/core/ZEPH.Core.Services.GUI.Dialogs.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "rtl/RTL.Variant.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.ObjectLinks.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.Auth.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.FolderBrowser.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"
#include "zeph/core/ZEPH.Core.Objects.h"

namespace {
// Main thread only; anything raised inside answers E_UNEXPECTED.
template <class F>
HRESULT OnMainThread(F&& Body) {
  if (!IsMainThread()) return E_ACCESSDENIED;
  try {
    return Body();
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// 0 stands for the main form's window.
HWND OwnerOf(HWND Window) {
  if (Window) return Window;
  TCustomForm* main = Application ? Application->GetMainForm() : nullptr;
  return main && main->HandleAllocated() ? main->GetHandle() : nullptr;
}

template <InterfaceType I>
IPtr<I> Query(IInterface* Obj) {
  void* p = nullptr;
  if (!Obj || Obj->QueryInterface(IIDOf<I>(), &p) < 0 || !p) return {};
  return IPtr<I>::Adopt(static_cast<I*>(p));
}

// Empty for null and for objects that are not strings.
String TextOf(IInterface* Obj) {
  auto text = Query<IZEPHString>(Obj);
  return text ? PluginStringText(text.get()) : String();
}

// Variants that the plugin owns are written only through the ABI's own routines.
class TOleVariant {
 public:
  explicit TOleVariant(const Variant& Value) {
    VariantInit(&FValue);
    VariantToOleVariant(Value, FValue);
  }
  ~TOleVariant() { VariantClear(&FValue); }
  TOleVariant(const TOleVariant&) = delete;
  TOleVariant& operator=(const TOleVariant&) = delete;
  const VARIANT& Get() const { return FValue; }

 private:
  VARIANT FValue;
};
}  // namespace

// ---- message box ----------------------------------------------------------------------------------

HRESULT TZEPHUIMessageBox::Execute(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Text, Integer Flags) {
  return OnMainThread([&]() -> HRESULT {
    const String text = PluginStringToStr(Text);
    if (text.empty()) return E_INVALIDARG;
    return ShowMessageBox(OwnerOf(OwnerWindow), text, PluginStringToStr(Caption), Cardinal(Flags));
  });
}

// ---- file and folder dialogs ----------------------------------------------------------------------

TZEPHUIFileDialogs::~TZEPHUIFileDialogs() { Free(FFileDialog); }

TZCLFileDialog* TZEPHUIFileDialogs::PrepareFileDialog(IZEPHString* Caption, IZEPHString* Filter) {
  if (!FFileDialog) FFileDialog = Create<TZCLFileDialog>(static_cast<TComponent*>(nullptr));
  FFileDialog->SetTitle(PluginStringToStr(Caption));
  FFileDialog->SetFilter(PluginStringToStr(Filter));
  FFileDialog->SetFilterIndex(0);
  FFileDialog->SetFileName(String());
  // Each call starts from the same options, whatever the last one added.
  FFileDialog->SetOptions({ofOverwritePrompt, ofHideReadOnly, ofEnableSizing, ofAutoExtension});
  return FFileDialog;
}

HRESULT TZEPHUIFileDialogs::OpenFile(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Filter,
                                     IPtr<IZEPHString>& FileName) {
  return OnMainThread([&]() -> HRESULT {
    FileName = nullptr;
    TZCLFileDialog* dialog = PrepareFileDialog(Caption, Filter);
    if (!dialog->Execute(false, OwnerOf(OwnerWindow))) return E_FAIL;
    FileName = MakePluginString(dialog->GetFileName());
    return S_OK;
  });
}

HRESULT TZEPHUIFileDialogs::OpenFiles(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Filter,
                                      IPtr<IZEPHObjectList>& FileNames) {
  return OnMainThread([&]() -> HRESULT {
    FileNames = nullptr;
    TZCLFileDialog* dialog = PrepareFileDialog(Caption, Filter);
    TZCLFileDialogOptions options = dialog->GetOptions();
    options.Include(ofAllowMultiSelect);
    dialog->SetOptions(options);
    if (!dialog->Execute(false, OwnerOf(OwnerWindow))) return E_FAIL;
    FileNames = IPtr<IZEPHObjectList>(TZEPHStringListAdapter::CreateCopy(dialog->GetFiles()));
    return S_OK;
  });
}

HRESULT TZEPHUIFileDialogs::SaveFile(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Filter,
                                     IPtr<IZEPHString>& FileName, Integer& FilterIndex) {
  return OnMainThread([&]() -> HRESULT {
    TZCLFileDialog* dialog = PrepareFileDialog(Caption, Filter);
    dialog->SetFileName(PluginStringToStr(FileName.get()));
    if (!dialog->Execute(true, OwnerOf(OwnerWindow))) return E_FAIL;
    FileName = MakePluginString(dialog->GetFileName());
    FilterIndex = std::max(dialog->GetFilterIndex() - 1, 0);
    return S_OK;
  });
}

HRESULT TZEPHUIFileDialogs::Execute(HWND OwnerWindow, Integer Flags, IZEPHString* DefaultPath,
                                    IPtr<IZEPHObjectList>& Folders) {
  return OnMainThread([&]() -> HRESULT {
    Folders = nullptr;
    TZCLFolderBrowserOptions options;
    if (Flags & ZEPH_UI_BROWSE_FOLDER_PATH_EDIT) options.Include(fboPathEdit);
    if (Flags & ZEPH_UI_BROWSE_FOLDER_MULTIPLE) options.Include(fboCheckBoxes);
    std::unique_ptr<TZCLShellTreePaths> paths(new TZCLShellTreePaths());
    bool recursive = false;
    if (!TZCLFolderBrowser::Execute(PluginStringToStr(DefaultPath), paths.get(), recursive, options,
                                    OwnerOf(OwnerWindow), String()) ||
        paths->GetCount() == 0)
      return E_FAIL;
    Folders = IPtr<IZEPHObjectList>(Create<TZEPHStringListAdapter>(paths->CreatePathList()));
    return S_OK;
  });
}

// ---- input dialog ---------------------------------------------------------------------------------

HRESULT TZEPHUIInputDialog::Execute(HWND OwnerWindow, IZEPHString* Caption, IInterface* EventsHandler,
                                    IZEPHString* Prompt, VARIANT& Value) {
  try {
    IPtr<IZEPHObjectList> prompts(Create<TZEPHObjectListAdapter>(1));
    prompts->Add(Prompt ? static_cast<IInterface*>(Prompt) : MakePluginString(String()).get());
    return ExecuteMultiple(OwnerWindow, Caption, EventsHandler, prompts.get(), &Value, 1);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHUIInputDialog::ExecuteMultiple(HWND OwnerWindow, IZEPHString* Caption, IInterface* EventsHandler,
                                            IZEPHObjectList* Prompts, VARIANT* Values, Integer Count) {
  if (!Prompts || !Values || Count < 1 || Count != Prompts->GetCount()) return E_INVALIDARG;
  return OnMainThread([&]() -> HRESULT {
    // Held for this call only, whatever its outcome.
    struct TCallHandler {
      IPtr<IInterface>& Field;
      ~TCallHandler() { Field = nullptr; }
    } held{FEventsHandler};
    FEventsHandler = IPtr<IInterface>(EventsHandler);

    std::vector<String> prompts;
    std::vector<Variant> values;
    for (Integer i = 0; i < Count; ++i) {
      void* obj = nullptr;
      IPtr<IInterface> prompt;
      if (Prompts->GetObject(i, IIDOf<IInterface>(), &obj) >= 0 && obj)
        prompt = IPtr<IInterface>::Adopt(static_cast<IInterface*>(obj));
      prompts.push_back(TextOf(prompt.get()));
      values.push_back(OleVariantToVariant(Values[i]));
    }
    auto validation = [this](TObject*, Integer Index, const String& Value, bool& Accept) {
      if (auto events = Query<IZEPHUIInputDialogEvents>(FEventsHandler.get())) {
        TOleVariant value{Variant(Value)};
        Accept = events->OnValidate(value.Get(), Index) >= 0;
      }
    };
    if (!TZCLInputQueryDialog::ExecuteMultiple(PluginStringToStr(Caption), prompts, values, OwnerOf(OwnerWindow),
                                               validation))
      return E_FAIL;
    for (Integer i = 0; i < Count; ++i) VariantToOleVariant(values[size_t(i)], Values[i]);
    return S_OK;
  });
}

// ---- browser sign-in ------------------------------------------------------------------------------

HRESULT TZEPHUIAuthDialog::Execute(HWND OwnerWindow, IZEPHString* Caption, IZEPHString* Text, IInterface* EventsHandler,
                                   Integer) {
  return OnMainThread([&]() -> HRESULT {
    auto events = Query<IZEPHUIAuthDialogEvents>(EventsHandler);
    if (!events) return E_INVALIDARG;
    auto onData = [events](const String& Request) {
      IPtr<IZEPHString> error;
      if (events->OnAuthorizationData(MakePluginString(Request).get(), error) < 0)
        throw EAuthorizationError(PluginStringToStr(error.get()));
    };
    auto getURL = [events]() -> String {
      IPtr<IZEPHString> url;
      return events->GetAuthorizationURL(url) >= 0 ? PluginStringToStr(url.get()) : String();
    };
    return TZCLAuthDialog::Execute(OwnerWindow, onData, getURL, PluginStringToStr(Caption), PluginStringToStr(Text))
               ? S_OK
               : E_FAIL;
  });
}

// ---- progress dialog ------------------------------------------------------------------------------

TZEPHUIProgressDialog::TZEPHUIProgressDialog(IInterface* EventsHandler)
    : FEvents(Query<IZEPHUIProgressDialogEvents>(EventsHandler)) {}

TZEPHUIProgressDialog::~TZEPHUIProgressDialog() { Close(); }

bool TZEPHUIProgressDialog::CheckAccess(HRESULT& Result) {
  Result = S_OK;
  return true;
}

HRESULT TZEPHUIProgressDialog::Show() {
  if (FDialog) return E_UNEXPECTED;
  try {
    TZCLMainThread::RunProc([this] {
      if (FDialog) return;
      auto* dialog = Create<TZCLProgressDialog>(static_cast<TComponent*>(nullptr));
      TZCLObjectLinks::RegisterWeakReference(dialog, FDialog);
      dialog->SetTitle(PluginStringToStr(FCaption.get()));
      dialog->SetText(PluginStringToStr(FText.get()));
      if (FShowInTaskBar) dialog->SetShowInTaskBar(stAlways);
      // The dialog enables Cancel only when someone listens.
      if (FEvents) dialog->OnCancel = TNotifyEvent(this, &TZEPHUIProgressDialog::Canceled);
      dialog->Show();
    });
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHUIProgressDialog::SetProgress(Int64 Position, Int64 Total, IZEPHString* Text) {
  if (!FDialog) return E_UNEXPECTED;
  try {
    FPosition = Position;
    FTotal = Total;
    FProgressText = IPtr<IZEPHString>(Text);
    const String text = PluginStringToStr(Text);
    TZCLMainThread::RunProc([&] {
      if (FDialog) FDialog->Progress(Position, Total, text);
    });
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHUIProgressDialog::Close() {
  if (!FDialog) return E_UNEXPECTED;
  try {
    TZCLMainThread::RunProc([this] {
      if (!FDialog) return;
      TZCLProgressDialog* dialog = FDialog;
      TZCLObjectLinks::UnregisterWeakReference(FDialog);
      FDialog = nullptr;
      dialog->OnCancel = nullptr;
      dialog->Release();
    });
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void TZEPHUIProgressDialog::Canceled(TObject*) {
  if (FEvents) FEvents->OnCanceled();
}

IPtr<IInterface> TZEPHUIProgressDialog::DoGetValueAsObject(Integer PropertyID) {
  switch (PropertyID) {
    case ZEPH_UI_PROGRESS_DIALOG_CAPTION:
      return FCaption;
    case ZEPH_UI_PROGRESS_DIALOG_TEXT:
      return FText;
    default:
      return TZEPHSimpleObjectAdapter::DoGetValueAsObject(PropertyID);
  }
}

void TZEPHUIProgressDialog::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID != ZEPH_UI_PROGRESS_DIALOG_CAPTION && PropertyID != ZEPH_UI_PROGRESS_DIALOG_TEXT) {
    TZEPHSimpleObjectAdapter::DoSetValueAsObject(PropertyID, Value, Result);
    return;
  }
  auto text = Query<IZEPHString>(Value);
  if (Value && !text) {
    Result = E_INVALIDARG;
    return;
  }
  (PropertyID == ZEPH_UI_PROGRESS_DIALOG_CAPTION ? FCaption : FText) = text;
}

void TZEPHUIProgressDialog::DoGetValueAsVariant(Integer PropertyID, Variant& Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_PROGRESS_DIALOG_SHOW_IN_TASKBAR) {
    Value = Variant(FShowInTaskBar ? 1 : 0);
    return;
  }
  TZEPHSimpleObjectAdapter::DoGetValueAsVariant(PropertyID, Value, Result);
}

void TZEPHUIProgressDialog::DoSetValueAsVariant(Integer PropertyID, const Variant& Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_PROGRESS_DIALOG_SHOW_IN_TASKBAR) {
    FShowInTaskBar = Value.AsInteger() != 0;
    return;
  }
  TZEPHSimpleObjectAdapter::DoSetValueAsVariant(PropertyID, Value, Result);
}

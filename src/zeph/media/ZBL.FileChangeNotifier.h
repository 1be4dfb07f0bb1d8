#pragma once
// Announces changes, removals and batch renames of media files through the program's message
// hub, so every playlist that shows a file learns of it. Delivery to listeners happens on the
// main thread; a sender on another thread waits for it.

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Objects.h"

class TZCLListenerList;

// Kinds of a file change.
constexpr Byte zfckChanged = 0;
constexpr Byte zfckRenamed = 1;
constexpr Byte zfckRemoved = 2;

struct IZBLFileChangeNotification : virtual IInterface {
  RTL_INTERFACE(IZBLFileChangeNotification, IInterface, "{5D6A2E71-3C84-4B0F-A1E9-7F2B6C0D9E14}")
  virtual void FileChanging(const String& FileName) = 0;
  // NewName is set for a rename only.
  virtual void FileChanged(const String& FileName, Byte Kind, const String& NewName) = 0;
};

struct IZBLFileBatchOperationNotification : virtual IInterface {
  RTL_INTERFACE(IZBLFileBatchOperationNotification, IInterface, "{8B3F1D52-6E07-4A9C-B2D8-3A5E9F1C7B26}")
  virtual void BatchBegins() = 0;
  virtual void BatchEnds() = 0;
};

class TZBLFileChangeNotifier : public TObject {
  ZCL_CLASS(TZBLFileChangeNotifier, TObject)
 public:
  TZBLFileChangeNotifier();
  ~TZBLFileChangeNotifier() override;

  // The one notifier of the process, created on first use.
  static TZBLFileChangeNotifier* Instance();
  static void FinalizeInstance();

  TZCLListenerList* GetListeners() const { return FListeners; }

  void BeginBatchOperation();
  void EndBatchOperation();
  void NotifyFileChanging(const String& FileName);
  void NotifyFileChanged(const String& FileName, bool Removed = false);

 private:
  void Receive(Cardinal Message, const String& Text);

  TZCLListenerList* FListeners;
  Cardinal FMessageBatch;
  Cardinal FMessageChanging;
  Cardinal FMessageChanged;
};

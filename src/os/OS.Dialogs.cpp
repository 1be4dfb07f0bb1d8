#include "os/OS.Dialogs.h"

#include <mutex>

namespace {

std::mutex GBeepLock;
TMessageBeepSink GBeepSink;
std::unique_ptr<TFileChooserHost> GChooser;

}  // namespace

BOOL MessageBeep(UINT Type) {
  switch (Type) {
    case MB_SOUNDHAND:
    case MB_SOUNDQUESTION:
    case MB_SOUNDEXCLAMATION:
    case MB_SOUNDASTERISK:
      break;
    default:
      Type = MB_SIMPLEBEEP;
  }
  TMessageBeepSink sink;
  {
    std::lock_guard lock(GBeepLock);
    sink = GBeepSink;
  }
  if (sink) sink(Type);
  return 1;
}

TMessageBeepSink InstallMessageBeepSink(TMessageBeepSink Sink) {
  std::lock_guard lock(GBeepLock);
  std::swap(GBeepSink, Sink);
  return Sink;
}

std::unique_ptr<TFileChooserHost> InstallFileChooserHost(std::unique_ptr<TFileChooserHost> Host) {
  std::swap(GChooser, Host);
  return Host;
}

TFileChooserAnswer RunFileChooser(const TFileChooserRequest& Request) {
  if (!GChooser) return TFileChooserAnswer();
  return GChooser->Run(Request);
}

namespace detail {
void DialogsFinalization() {
  InstallFileChooserHost(nullptr).reset();
  InstallMessageBeepSink(nullptr);
}
}  // namespace detail

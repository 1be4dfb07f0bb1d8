#pragma once
// What the system offers of its common dialogs and sounds: the file chooser and the message
// sounds. Both are served by hosts that the program or the tests install (the desktop's file
// chooser portal, the headless backend's script and recorder); without a host the file chooser
// answers "unavailable", so that the caller can show its own dialog, and beeps are not heard.

#include <functional>
#include <memory>
#include <vector>

#include "os/OS.Types.h"

// ---- message sounds -----------------------------------------------------------------------------

// MessageBeep types: the simple beep and the sounds of the message-box icons.
inline constexpr UINT MB_SIMPLEBEEP = 0xFFFFFFFF;
inline constexpr UINT MB_SOUNDHAND = 0x10;
inline constexpr UINT MB_SOUNDQUESTION = 0x20;
inline constexpr UINT MB_SOUNDEXCLAMATION = 0x30;
inline constexpr UINT MB_SOUNDASTERISK = 0x40;

// Plays the sound of Type (0 and unknown types play the simple beep). Any thread.
BOOL MessageBeep(UINT Type);

// Where sounds go; null plays nothing. Returns the previous sink.
using TMessageBeepSink = std::function<void(UINT Type)>;
TMessageBeepSink InstallMessageBeepSink(TMessageBeepSink Sink);

// ---- file chooser -------------------------------------------------------------------------------

struct TFileChooserFilter {
  String Name;
  String Patterns;  // "*.png;*.jpg"
};

struct TFileChooserRequest {
  bool Save = false;
  HWND Owner = nullptr;
  String Title;       // empty: the chooser's own
  String Folder;      // empty: the chooser's choice
  String FileName;    // the name proposed, without folder
  String DefaultExt;  // "png;jpg;*": the extensions of the filters, for a save chooser
  std::vector<TFileChooserFilter> Filters;
  int FilterIndex = 0;  // 1-based; 0 none
  bool MultiSelect = false;
  bool OverwritePrompt = false;
  bool PathMustExist = false;
  bool FileMustExist = false;
  bool ShowHidden = false;
  // Called while the chooser waits for the user, so that the program's windows stay alive.
  std::function<void()> KeepAlive;
};

enum class TFileChooserOutcome { Unavailable, Cancelled, Chosen };

struct TFileChooserAnswer {
  TFileChooserOutcome Outcome = TFileChooserOutcome::Unavailable;
  std::vector<String> Files;  // full paths, in the order chosen
  int FilterIndex = 0;        // 1-based filter in force when the user confirmed; 0 unknown
};

// A host answers on the UI thread and returns when the user has answered.
class TFileChooserHost {
 public:
  virtual ~TFileChooserHost() = default;
  virtual TFileChooserAnswer Run(const TFileChooserRequest& Request) = 0;
};

// The layer owns the host; null removes it. Returns the previous one.
std::unique_ptr<TFileChooserHost> InstallFileChooserHost(std::unique_ptr<TFileChooserHost> Host);
// Runs the installed host's chooser modally; Unavailable without a host. UI thread.
TFileChooserAnswer RunFileChooser(const TFileChooserRequest& Request);

namespace detail {
void DialogsFinalization();
}  // namespace detail

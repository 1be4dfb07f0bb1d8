#pragma once
// The tag library as a source of the file manager's file information: a file or stream is handed
// to the container the tags manager finds for it, whose merged tags and stream values fill the
// caller's record (and its chapter list, when a plugin object carries one).

#include "rtl/RTL.Types.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"

class TStream;
class TZBLCustomFileInfo;
struct IZEPHFileInfo;

// The extension with its dot; the double one (".tar.gz") when the name has one.
String FileExtension(const String& Name);
// Fills Info from the stream through the container found by content and the extension of
// FileName (which may be empty); false when none reads it. The file manager's tag reader.
bool ReadTagsIntoRecord(TStream* Stream, const String& FileName, TZBLCustomFileInfo* Info);
// Plugin-facing forms: E_INVALIDARG for a missing stream or an object that is not the program's,
// E_FAIL when no container reads the data, E_UNEXPECTED when an error escaped; never raise.
HRESULT FillFileInfo(TStream* Stream, const String& Extension, IZEPHFileInfo* Info);
HRESULT ReadFileInfoFromFile(IZEPHString* FileName, IZEPHFileInfo* Info);
HRESULT ReadFileInfoFromStream(IZEPHStream* Stream, IZEPHFileInfo* Info);

namespace detail {
// Installs the tag reader with the file manager.
void FileManagerTagsInitialization();
void FileManagerTagsFinalization();
}  // namespace detail

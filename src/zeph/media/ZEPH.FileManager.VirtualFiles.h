#pragma once
// Virtual file names "<container file>:<part name>": a track inside a cue sheet, an archive or a
// container that a plugin reads. These are the name rules: the test, splitting, building, and the
// edits of a name through its two parts.
//
// On Linux ":" is an ordinary file-name character, so a name is virtual only when its container
// is an existing file or carries a scheme that a registered file system serves.

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

// Whether a URL scheme is served by a registered file system; installed by the file manager.
using TZEPHSchemeRegisteredProc = bool (*)(const String& Scheme);

class TZEPHFileURI : public TObject {
  ZCL_CLASS(TZEPHFileURI, TObject)
 public:
  // The 39 characters that may not stand on either side of the separating colon.
  static const String& Delimiters();

  static bool IsVirtual(const String& Name);
  // The colon rule alone, without asking the file system or the scheme registry.
  static bool HasVirtualForm(const String& Name);
  // Container and part of a virtual name; both empty and false otherwise.
  static bool Parse(const String& Name, String& Container, String& Part);
  static bool ParseContainer(const String& Name, String& Container);
  // The container of a virtual name, any other name as it is.
  static String ExtractContainer(const String& Name);
  // The container alone for an empty part. Raises Exception "PartName is invalid" for a part
  // holding ":" and "TZEPHFileURI.Build: something goes wrong" when the joined name does not have
  // the virtual form.
  static String Build(const String& Container, const String& Part);

  // Edits of a name through its parts; false when the edited parts do not build a name.
  // Flags bit 0: double extensions (".tar.gz"); bit 1: the part's extension rather than the
  // container's.
  static bool ChangeFileExt(const String& Name, const String& NewExt, Integer Flags, String& Result);
  static bool ExtractFileExt(const String& Name, Integer Flags, String& Result);
  // "/Music/Album.cue:Track 01" gives "Album.cue:Track 01".
  static bool ExtractFileName(const String& Name, String& Result);
  // The name of the container's folder.
  static bool ExtractFileParentDirName(const String& Name, String& Result);
  // The container's own name for a virtual name, else the name of the folder.
  static bool ExtractFileParentName(const String& Name, String& Result);
  static bool ExtractFilePath(const String& Name, String& Result);

  static TZEPHSchemeRegisteredProc GetSchemeRegisteredProc();
  static void SetSchemeRegisteredProc(TZEPHSchemeRegisteredProc Proc);
};

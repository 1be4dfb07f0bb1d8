#pragma once
// The read-only package formats of the older skin generations: the scrambled ".zcs4" package and
// its ".zcs3" revisions (versions 3.50 down to 3.04), the inline-entry ".zcs3" packages of 3.02
// and 3.03, and the unscrambled ".zcs2" container of the INI era (3.00, 2.60 and 2.11).
//
// Every count, size and offset these readers take from a package is checked against the bytes
// that remain before anything is allocated or copied, and entry windows are clamped to the data
// they look into, so a damaged or hostile package fails with a read error instead of a huge
// allocation or a read past its end.

#include "zse/engine/ZSE.Skins.h"

class TZCLIniFile;

// ---- the scrambled package family -----------------------------------------------------------

// The class reference of the scrambled package family: the base format's operations and the
// steps that the revisions replace.
class TZSESkinFormatZCS4Record : public TZSESkinFormatRecord {
 public:
  using TZSESkinFormatRecord::TZSESkinFormatRecord;
  // Reads the entry table of the unpacked body and adds every entry to the skin.
  virtual void LoadFiles(const IPtr<IZCLStreamContainer>& Body, TZSESkin* Skin) const = 0;
  // Inflates the scrambled body that runs to the end of the stream.
  virtual IPtr<IZCLStreamContainer> ReadBody(TStream* Stream, Cardinal Key,
                                             const TZCLProgressEvent& Progress) const = 0;
  virtual TZSESkinVersion ReadVersion(TStream* Stream) const = 0;
  virtual void ReadDetails(TStream* Stream, TZSESkinDetails* Details, Cardinal Key) const = 0;
};
using TZSESkinFormatZCS4Class = const TZSESkinFormatZCS4Record*;

template <class T>
class TZSESkinFormatZCS4RecordOf : public TZSESkinFormatRecordOf<T, TZSESkinFormatZCS4Record> {
 public:
  using TZSESkinFormatRecordOf<T, TZSESkinFormatZCS4Record>::TZSESkinFormatRecordOf;
  void LoadFiles(const IPtr<IZCLStreamContainer>& Body, TZSESkin* Skin) const override {
    T::LoadFiles(this, Body, Skin);
  }
  IPtr<IZCLStreamContainer> ReadBody(TStream* Stream, Cardinal Key, const TZCLProgressEvent& Progress) const override {
    return T::ReadBody(this, Stream, Key, Progress);
  }
  TZSESkinVersion ReadVersion(TStream* Stream) const override { return T::ReadVersion(this, Stream); }
  void ReadDetails(TStream* Stream, TZSESkinDetails* Details, Cardinal Key) const override {
    T::ReadDetails(this, Stream, Details, Key);
  }
};

// ".zcs4": version, key, scrambled details, unpacked size and the scrambled zlib body holding an
// offset table of files.
class TZSESkinFormatZCS4 : public TZSESkinFormat {
  ZCL_CLASS(TZSESkinFormatZCS4, TZSESkinFormat)
 public:
  template <class T>
  using TMetaClassFor = TZSESkinFormatZCS4RecordOf<T>;
  using Self = TZSESkinFormatZCS4Class;

  static String GetExtension() { return u".zcs4"; }
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("ZCS4", 0); }
  static void Load(Self Class, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress);
  static void LoadDetails(Self Class, TStream* Stream, TZSESkinDetails* Details);
  using TZSESkinFormat::Save;

  static void LoadFiles(Self Class, const IPtr<IZCLStreamContainer>& Body, TZSESkin* Skin);
  // The stored unpacked size is only a hint: one the remaining bytes cannot inflate to is
  // counted instead of allocated.
  static IPtr<IZCLStreamContainer> ReadBody(Self Class, TStream* Stream, Cardinal Key,
                                            const TZCLProgressEvent& Progress);
  static TZSESkinVersion ReadVersion(Self Class, TStream* Stream);
  // "<class name>.DetailsLoad fails" unless 0 < size < 262,140 and the bytes are there.
  static void ReadDetails(Self Class, TStream* Stream, TZSESkinDetails* Details, Cardinal Key);
};

// ".zcs3" revision 6: as ".zcs4" without the unpacked size.
class TZSESkinFormatZCS3v6 : public TZSESkinFormatZCS4 {
  ZCL_CLASS(TZSESkinFormatZCS3v6, TZSESkinFormatZCS4)
 public:
  static String GetExtension() { return u".zcs3"; }
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("ZCS3", 6); }
  // Names this class for every revision below it.
  static void Save(TZSESkinFormatClass, TStream*, TZSESkin*, const TZCLProgressEvent&);
  static IPtr<IZCLStreamContainer> ReadBody(Self Class, TStream* Stream, Cardinal Key,
                                            const TZCLProgressEvent& Progress);
};

// Revision 5: no version in the file, always 3.50.
class TZSESkinFormatZCS3v5 : public TZSESkinFormatZCS3v6 {
  ZCL_CLASS(TZSESkinFormatZCS3v5, TZSESkinFormatZCS3v6)
 public:
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("ZCS3", 5); }
  static TZSESkinVersion ReadVersion(Self, TStream*) { return 350; }
};

class TZSESkinFormatZCS3v3 : public TZSESkinFormatZCS3v5 {
  ZCL_CLASS(TZSESkinFormatZCS3v3, TZSESkinFormatZCS3v5)
 public:
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("ZCS3", 3); }
};

// 3.05 packages: key and scrambled body only; the details come from the skin's own files.
class TZSESkinFormatZCS3v2 : public TZSESkinFormatZCS3v3 {
  ZCL_CLASS(TZSESkinFormatZCS3v2, TZSESkinFormatZCS3v3)
 public:
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("ZCS3", 2); }
  static TZSESkinVersion ReadVersion(Self, TStream*) { return 305; }
  static void Load(Self Class, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress);
  static void LoadDetails(Self Class, TStream* Stream, TZSESkinDetails* Details) {
    TZSESkinFormat::LoadDetails(Class, Stream, Details);
  }
};

// 3.04 packages.
class TZSESkinFormatZCS3v1 : public TZSESkinFormatZCS3v2 {
  ZCL_CLASS(TZSESkinFormatZCS3v1, TZSESkinFormatZCS3v2)
 public:
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("ZCS3", 1); }
  static TZSESkinVersion ReadVersion(Self, TStream*) { return 304; }
};

// 3.03 packages: the body holds name, size and data per entry instead of an offset table.
class TZSESkinFormatZCSPv33 : public TZSESkinFormatZCS3v1 {
  ZCL_CLASS(TZSESkinFormatZCSPv33, TZSESkinFormatZCS3v1)
 public:
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("ZCSP", 33); }
  static TZSESkinVersion ReadVersion(Self, TStream*) { return 303; }
  static void LoadFiles(Self Class, const IPtr<IZCLStreamContainer>& Body, TZSESkin* Skin);
};

class TZSESkinFormatZCSPv32 : public TZSESkinFormatZCSPv33 {
  ZCL_CLASS(TZSESkinFormatZCSPv32, TZSESkinFormatZCSPv33)
 public:
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("ZCSP", 32); }
  static TZSESkinVersion ReadVersion(Self, TStream*) { return 302; }
};

// ---- the INI-era container ------------------------------------------------------------------

class TZSESkinFormatZCS2Record : public TZSESkinFormatRecord {
 public:
  using TZSESkinFormatRecord::TZSESkinFormatRecord;
  virtual TZSESkinVersion GetVersion() const = 0;
  // One file name of the container.
  virtual String ReadShortString(TStream* Stream) const = 0;
};
using TZSESkinFormatZCS2Class = const TZSESkinFormatZCS2Record*;

template <class T>
class TZSESkinFormatZCS2RecordOf : public TZSESkinFormatRecordOf<T, TZSESkinFormatZCS2Record> {
 public:
  using TZSESkinFormatRecordOf<T, TZSESkinFormatZCS2Record>::TZSESkinFormatRecordOf;
  TZSESkinVersion GetVersion() const override { return T::GetVersion(); }
  String ReadShortString(TStream* Stream) const override { return T::ReadShortString(this, Stream); }
};

// ".zcs2": 32-byte name and author fields, a file count and one plain zlib stream of files;
// "links.system" lists aliases of files. Not registered itself.
class TZSESkinFormatZCS2 : public TZSESkinFormat {
  ZCL_CLASS(TZSESkinFormatZCS2, TZSESkinFormat)
 public:
  template <class T>
  using TMetaClassFor = TZSESkinFormatZCS2RecordOf<T>;
  using Self = TZSESkinFormatZCS2Class;

  static String GetExtension() { return u".zcs2"; }
  static TZSESkinVersion GetVersion() { return 0; }
  static void Load(Self Class, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress);
  // A length byte and that many bytes in the ANSI code page.
  static String ReadShortString(Self Class, TStream* Stream);
};

// 3.00 skins.
class TZSESkinFormatZCSPv30 : public TZSESkinFormatZCS2 {
  ZCL_CLASS(TZSESkinFormatZCSPv30, TZSESkinFormatZCS2)
 public:
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("ZCSP", 30); }
  static TZSESkinVersion GetVersion() { return 300; }
};

// 2.60 skins.
class TZSESkinFormatZCSPv3 : public TZSESkinFormatZCS2 {
  ZCL_CLASS(TZSESkinFormatZCSPv3, TZSESkinFormatZCS2)
 public:
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("ZCSP", 3); }
  static TZSESkinVersion GetVersion() { return 260; }
};

// 2.11 skins: file names are fixed 32-byte fields.
class TZSESkinFormatZCSPv2 : public TZSESkinFormatZCS2 {
  ZCL_CLASS(TZSESkinFormatZCSPv2, TZSESkinFormatZCS2)
 public:
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("ZCSP", 2); }
  static TZSESkinVersion GetVersion() { return 211; }
  static String ReadShortString(Self Class, TStream* Stream);
};

// ---- shared helpers -------------------------------------------------------------------------

// Takes the details of a skin of the INI era from its files: the preview from the bitmap
// "Preview", the description from the text "Info", name and author from "Main.ini".
void LegacyLoadDetailsFromFiles(TZSESkin* Skin);
// Reads the kind-0 file "Main.ini" into Ini; False when the skin has none.
bool LegacyLoadMainIni(TZSESkin* Skin, TZCLIniFile* Ini);
// Text in the ANSI code page up to the first zero byte.
String LegacyAnsiField(const Byte* Bytes, Integer Count);

// Unit hooks: the formats in their registration order.
void LegacyPackagesInitialize();

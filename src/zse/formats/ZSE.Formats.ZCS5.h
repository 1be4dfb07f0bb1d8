#pragma once
// The current skin package (".zcs5"): a short plain header (identity, engine version, scrambling
// method and key), then the details and the entries, every byte XORed with the key at its file
// offset. Entries are stored or zlib streams; compressed ones are inflated on first use.

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zse/engine/ZSE.Skins.h"

// The data of a compressed entry: only the packed bytes are kept; each lock inflates a copy.
class TZSEZLibFileData : public TInterfacedObject, public IZCLStreamContainer {
  RTL_INTERFACES(TInterfacedObject, IZCLStreamContainer)
 public:
  // Copies PackedSize bytes from the stream's position; raises EReadError when fewer remain.
  TZSEZLibFileData(TStream* Stream, Int64 AUnpackedSize, Int64 PackedSize);
  ~TZSEZLibFileData() override;
  Int64 GetSize() override { return FUnpackedSize; }
  TStream* LockStream() override;
  void UnlockStream() override;
  Int64 GetPackedSize() const { return FPacked->GetSize(); }

 private:
  TMemoryStream* FPacked;
  TMemoryStream* FUnpacked = nullptr;
  Int64 FUnpackedSize;
};

class TZSESkinFormatZCS5 : public TZSESkinFormat {
  ZCL_CLASS(TZSESkinFormatZCS5, TZSESkinFormat)
 public:
  static String GetExtension() { return u".zcs5"; }
  static TZSESkinSignature GetSignature() { return TZSESkinSignature::Make("ZCS5", 0); }
  // The stream stands after the identity. Every count, size and length is checked against the
  // bytes left before anything is read or allocated for it.
  static void Load(Self, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress);
  static void LoadDetails(Self, TStream* Stream, TZSESkinDetails* Details);
  // Writes the identity too. Images are stored, everything else deflated at level 9.
  static void Save(Self, TStream* Stream, TZSESkin* Skin, const TZCLProgressEvent& Progress);
};

// Unit hooks: the format joins the registry.
void FormatZCS5Initialize();

#pragma once
// A light obfuscation of stored data, not encryption: every byte through the wrapper is
// combined by exclusive or with a repeating key whose phase follows the inner stream's position.

#include "rtl/RTL.Streams.h"

class TXORStream : public TStream {
  ZCL_CLASS(TXORStream, TStream)
 public:
  // The key phase starts at the inner stream's current position. An empty key raises
  // EArgumentException.
  TXORStream(const TBytes& AKey, TStream* AStream, TStreamOwnership AOwnership = soReference);
  ~TXORStream() override;
  using TStream::Read;
  using TStream::Write;
  // Unscrambles the bytes actually read.
  Integer Read(void* Buffer, Integer Count) override;
  // Scrambles copies in 256-byte chunks; the caller's bytes stay as they are.
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  Integer GetKeyIndex() const { return FKeyIndex; }

 private:
  void Apply(Byte* Data, Integer Count);
  TBytes FBuffer;
  TBytes FKey;
  Integer FKeyLength;
  Integer FKeyIndex = 0;
  TStream* FStream;
  TStreamOwnership FOwnership;
};

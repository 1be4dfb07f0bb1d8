#pragma once
// The clipboard object over the window layer's clipboard: text, bitmaps, and any format
// (standard or registered) as a global memory block. A bitmap travels under CF_BITMAP in its own
// stream form (a 32-bit BMP).

#include "os/OS.Types.h"
#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Exceptions.h"

RTL_EXCEPTION(EClipboardException, Exception);

class TClipboard : public TPersistent {
  ZCL_CLASS(TClipboard, TPersistent)
 public:
  TClipboard() = default;
  ~TClipboard() override;

  // Opens nest; the clipboard is closed by the last Close. Raises EClipboardException "Cannot
  // open clipboard" when another owner holds it open.
  virtual void Open();
  virtual void Close();
  // Empties the clipboard.
  virtual void Clear();
  bool HasFormat(Word Format) const;
  Integer GetFormatCount() const;
  // The format at Index (0 .. FormatCount - 1) in the clipboard's order; 0 outside.
  Word GetFormats(Integer Index) const;

  // CF_UNICODETEXT; "" when the clipboard holds none. Reading stops at the first zero character
  // or at the block's end.
  String GetAsText();
  void SetAsText(const String& Value);
  // The clipboard's block for Format (it stays the clipboard's); null when absent.
  HGLOBAL GetAsHandle(Word Format);
  // Puts Value (a global memory block) under Format. The block is taken in every case: the
  // clipboard owns it from now on, and it is freed when the call fails. Within one Open .. Close
  // the first Set empties the clipboard and further ones add formats.
  void SetAsHandle(Word Format, HGLOBAL Value);
  // Copies a block of Size bytes under Format.
  void SetBuffer(Word Format, const void* Buffer, size_t Size);

  // Puts a bitmap (a TBitmap, or a picture holding one) on the clipboard under CF_BITMAP.
  void Assign(TPersistent* Source) override;

 protected:
  // Gives the clipboard's CF_BITMAP to a TBitmap or TPicture; EClipboardException when the
  // clipboard holds none, EInvalidGraphic when its data is no bitmap.
  void AssignTo(TPersistent* Dest) override;

 private:
  // Empties the clipboard once per opening, before the first new format goes in.
  void Adding();
  Integer FOpenRefCount = 0;
  bool FEmptied = false;
};

// The process's clipboard object, made on first use.
TClipboard* Clipboard();
// Replaces the process's clipboard object (taking ownership) and returns the old one (the
// caller's now).
TClipboard* SetClipboard(TClipboard* NewClipboard);

namespace detail {
void ClipbrdFin();
}  // namespace detail

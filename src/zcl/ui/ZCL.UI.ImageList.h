#pragma once
// Image lists that know the DPI their images were drawn for (SourceDPI), draw alpha-blended
// (greyed when disabled), load grids of glyphs from bitmaps and image files, and store their
// images zlib-compressed inside forms ("LICZ"). The replacer swaps every image-list reference of
// a form for the variant that suits the form's DPI and the dark mode, found by name beside the
// list: base name + "Dark" (dark variants) + the scale in percent ("ilMain150", "ilMainDark150").

#include <unordered_map>

#include "vcl/VCL.ImgList.h"

class TBitmap;
class TCanvas;
class TStream;
class TZCLDib;
class TCustomForm;

class TZCLImageList : public TImageList {
  ZCL_CLASS(TZCLImageList, TImageList)
 public:
  using TImageList::TImageList;
  static void DeclareProperties(TClassDeclaration<TZCLImageList>& D);

  // 0: not scalable; otherwise 96 .. 480.
  Integer GetSourceDPI() const { return FSourceDPI; }
  void SetSourceDPI(Integer Value);
  bool GetScalable() const { return FSourceDPI > 0; }
  void SetScalable(bool Value);
  // Width and height both.
  void SetSize(Integer Size) { TImageList::SetSize(Size, Size); }

  // Cuts a bitmap into a grid of images (magenta is transparent in bitmaps without alpha);
  // the index of the last image added, -1 when nothing was added.
  Integer AddBitmap(TBitmap* Bitmap);
  Integer AddSliced(TBitmap* Bitmap, Integer Columns, Integer Rows);
  void LoadFromBitmap(TBitmap* Bitmap);
  // Any registered image format; alpha ignored.
  void LoadFromImageStream(TStream& Stream);

  // "LICZ" + uncompressed size + packed size + zlib data when written as part of its owner;
  // "LIaL" raises EInvalidGraphic; damaged data is swallowed (the list keeps what it has).
  void ReadData(TStream& Stream) override;
  void WriteData(TStream& Stream) override;
  // The plain form of the images, as the platform list writes it.
  void WriteUncompressedData(TStream& Stream) { TImageList::WriteData(Stream); }

 protected:
  void Initialize() override;
  void DoDraw(Integer Index, TCanvas* Canvas, Integer X, Integer Y, Cardinal Style, bool Enabled) override;
  void DefineProperties(TFiler* Filer) override;

 private:
  Integer FSourceDPI = 0;
  bool FWritingOwner = false;
};

// The list's size at a target DPI (its own size unless it is a scalable TZCLImageList).
TSize GetImageListSize(TCustomImageList* ImageList, Integer TargetDPI);
// Draws an item into Rect: at the list's size at the top-left when either side matches the
// list's, else scaled into the whole rectangle.
void DrawImageListItem(TCanvas* Canvas, const TRect& Rect, TCustomImageList* ImageList, Integer Index,
                       bool Enabled = true, bool Smooth = true);
// A DIB of the list's size with the item drawn (grey when not enabled); owned by the caller.
TZCLDib* CreateImageListItemDib(TCustomImageList* ImageList, Integer Index, bool Enabled = true);
bool IsBitmap32(TBitmap* Bitmap);
// Points Reference at NewList, moving the change link and Owner's free notification, then
// signals the link's change. Nothing when unchanged.
void SetImageListReference(TCustomImageList* NewList, TCustomImageList*& Reference, TChangeLink* Link,
                           TComponent* Owner);

class TZCLImageListReplacer : public TObject {
  ZCL_CLASS(TZCLImageListReplacer, TObject)
 public:
  TZCLImageListReplacer(Integer ATargetDPI, bool ADark) : FDark(ADark), FTargetDPI(ATargetDPI) {}

  // Every image-list reference in the published properties of Form's components (walking into
  // persistent sub-objects, not into other components) is pointed at its variant.
  void Replace(TComponent* Form);
  static void UpdateImageLists(TComponent* Form, Integer DPI);
  // The variant of List for Control's DPI and the current dark mode.
  static TCustomImageList* GetReplacement(TCustomImageList* List, TComponent* Control);
  static TCustomImageList* FindReplacement(TCustomImageList* List, Integer DPI, bool Dark);
  // The name without trailing digits and without a trailing "Dark" (any case).
  static String GetBaseName(const String& Name);

 private:
  void Walk(TObject* Obj);
  std::unordered_map<TCustomImageList*, TCustomImageList*> FCache;
  bool FDark;
  Integer FTargetDPI;
};

void RegisterImageListClasses();

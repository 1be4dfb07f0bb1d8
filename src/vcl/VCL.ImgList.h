#pragma once
// Image lists: equally sized 32-bit images with straight alpha, drawn alpha-blended (greyed when
// disabled), watched through change links, streamed as binary data of their owner, and the drag
// image list that shows one of its images under the pointer in a layered top-level window.

#include <vector>

#include "os/OS.Types.h"
#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Geometry.h"

class TBitmap;
class TCanvas;
class TIcon;
class TStream;
class TCustomImageList;

using TImageIndex = Integer;

enum TColorDepth : Byte { cdDeviceDependent, cd4Bit, cd8Bit, cd16Bit, cd24Bit, cd32Bit };
ZCL_ENUM(TColorDepth, cdDeviceDependent, cd4Bit, cd8Bit, cd16Bit, cd24Bit, cd32Bit);

// Drawing styles of DoDraw (flags).
inline constexpr Cardinal ILD_NORMAL = 0x0000;
inline constexpr Cardinal ILD_TRANSPARENT = 0x0001;

// A listener of one image list: the list calls Change after each change of its images. The link
// leaves its list when destroyed; the list clears Sender when it goes first.
class TChangeLink : public TObject {
  ZCL_CLASS(TChangeLink, TObject)
 public:
  TChangeLink() = default;
  ~TChangeLink() override;
  TCustomImageList* GetSender() const { return FSender; }
  void SetSender(TCustomImageList* Value) { FSender = Value; }
  virtual void Change();
  TNotifyEvent OnChange;

 private:
  TCustomImageList* FSender = nullptr;
};

// Points Images, a field of Owner, at Value: Link and Owner's free notification move from the old
// list to the new one. False, and nothing done, when Images already is Value.
bool ChangeImageList(TCustomImageList*& Images, TCustomImageList* Value, TChangeLink* Link, TComponent* Owner);

class TCustomImageList : public TComponent {
  ZCL_CLASS(TCustomImageList, TComponent)
 public:
  explicit TCustomImageList(TComponent* AOwner);
  TCustomImageList(TComponent* AOwner, Integer AWidth, Integer AHeight);
  ~TCustomImageList() override;
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  static void DeclareProperties(TClassDeclaration<TCustomImageList>& D);

  Integer GetWidth() const { return FWidth; }
  Integer GetHeight() const { return FHeight; }
  // A new size clears the list. Sizes outside 1 .. 32768 raise EInvalidOperation "Invalid image size".
  void SetWidth(Integer Value) { SetSize(Value, FHeight); }
  void SetHeight(Integer Value) { SetSize(FWidth, Value); }
  void SetSize(Integer AWidth, Integer AHeight);
  Integer GetCount() const { return static_cast<Integer>(FImages.size()); }
  TColorDepth GetColorDepth() const { return FColorDepth; }
  void SetColorDepth(TColorDepth Value);

  // Adds the images of a strip: Image is cut into cells of Width from the left (at least one;
  // a narrower or lower bitmap leaves the rest of its cell transparent). A mask marks with
  // non-black pixels what is transparent. Returns the index of the first image added.
  Integer Add(TBitmap* Image, TBitmap* Mask = nullptr);
  // The same with the pixels of MaskColor made transparent (clDefault: the bitmap's bottom-left
  // pixel's colour; clNone: no colour).
  Integer AddMasked(TBitmap* Image, TColor MaskColor);
  // Adds the images of a strip at Index (0 .. Count).
  void Insert(Integer Index, TBitmap* Image, TBitmap* Mask = nullptr);
  // Replaces the image at Index with the first cell of Image.
  void Replace(Integer Index, TBitmap* Image, TBitmap* Mask = nullptr);
  void ReplaceMasked(Integer Index, TBitmap* Image, TColor MaskColor);
  // Icons enter as one image scaled to the list's size (the icon's image nearest that size).
  // Raises EInvalidOperation "Invalid image" for a missing or empty icon.
  Integer AddIcon(TIcon* Image);
  void InsertIcon(Integer Index, TIcon* Image);
  // Index -1 appends; returns the index replaced or added.
  Integer ReplaceIcon(Integer Index, TIcon* Image);
  // Image Index as a new icon handle (the caller destroys it); null outside the list.
  HICON GetIconHandle(Integer Index) const;
  // Image Index into Image as its only image; false, Image untouched, outside the list.
  bool GetIcon(Integer Index, TIcon* Image) const;
  void Delete(Integer Index);
  void Move(Integer CurIndex, Integer NewIndex);
  void Clear();
  // Copies image Index into Image (resized to the list's size, 32-bit with straight alpha).
  // False, with Image untouched, for an index outside the list or no bitmap.
  bool GetBitmap(Integer Index, TBitmap* Image) const;
  // The straight BGRA pixels of image Index, Width x Height, top-down; EListError outside the list.
  const std::vector<uint32_t>& GetImagePixels(Integer Index) const;

  // Draws image Index with its top-left corner at (X, Y); nothing for an index outside the list.
  // A disabled image is drawn in grey with its alpha kept.
  void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled = true);
  void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, Cardinal Style, bool Enabled);

  // Changes between BeginUpdate and the last EndUpdate are reported once, by that EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  void RegisterChanges(TChangeLink* Value);
  void UnRegisterChanges(TChangeLink* Value);

  // The list's images in its binary form; ReadData raises EReadError on damaged data and then
  // leaves the list as it was.
  virtual void ReadData(TStream& Stream);
  virtual void WriteData(TStream& Stream);

  TNotifyEvent OnChange;

 protected:
  // Runs once after construction; descendants set their defaults here.
  virtual void Initialize();
  // Reports a change to OnChange and the change links (deferred inside an update).
  virtual void Change();
  virtual void DoDraw(Integer Index, TCanvas* Canvas, Integer X, Integer Y, Cardinal Style, bool Enabled);
  void DefineProperties(TFiler* Filer) override;

 private:
  using TPixels = std::vector<uint32_t>;
  // The cells of a strip, each Width x Height straight pixels.
  std::vector<TPixels> CutImages(TBitmap* Image, TBitmap* Mask, bool UseColor, TColor MaskColor, bool FirstOnly) const;
  void CheckIndex(Integer Index) const;
  TPixels IconPixels(TIcon* Image) const;

  Integer FWidth = 16;
  Integer FHeight = 16;
  TColorDepth FColorDepth = cdDeviceDependent;
  std::vector<TPixels> FImages;
  std::vector<TChangeLink*> FLinks;
  Integer FUpdateCount = 0;
  bool FChanged = false;
};

class TImageList : public TCustomImageList {
  ZCL_CLASS(TImageList, TCustomImageList)
 public:
  using TCustomImageList::TCustomImageList;
};

// An image list that can show one of its images as a drag image: a layered, click-through
// top-level window that follows the pointer.
class TDragImageList : public TCustomImageList {
  ZCL_CLASS(TDragImageList, TCustomImageList)
 public:
  using TCustomImageList::TCustomImageList;
  ~TDragImageList() override;

  // Chooses the image dragged (the first one unless chosen) and its hot spot (the image point
  // kept under the pointer). False for an index outside the list.
  bool SetDragImage(Integer Index, Integer HotSpotX, Integer HotSpotY);
  // Starts a drag at (X, Y) in Window's client coordinates (the desktop window or null: screen
  // coordinates). The image is hidden until ShowDragImage. False when the chosen image does not
  // exist or a drag runs already.
  bool BeginDrag(HWND Window, Integer X, Integer Y);
  // Moves the image's hot spot to (X, Y) in the drag window's client coordinates.
  bool DragMove(Integer X, Integer Y);
  bool EndDrag();
  void ShowDragImage();
  void HideDragImage();
  bool GetDragging() const { return FDragWindow != nullptr; }
  bool GetDragImageVisible() const { return FShown; }
  Integer GetDragIndex() const { return FDragIndex; }
  TPoint GetDragHotspot() const { return FHotSpot; }
  // The cursor shown during the drag (a TCursor value); changing it while dragging raises
  // OnDragCursorChange, for the screen object to apply.
  SmallInt GetDragCursor() const { return FDragCursor; }
  void SetDragCursor(SmallInt Value);
  // The image window; null when no drag runs.
  HWND GetDragImageWindow() const { return FDragWindow; }

  TNotifyEvent OnDragCursorChange;

 private:
  TPoint ToScreen(Integer X, Integer Y) const;
  Integer FDragIndex = 0;
  TPoint FHotSpot;
  SmallInt FDragCursor = -12;  // crDrag
  HWND FDragWindow = nullptr;
  HWND FDragOrigin = nullptr;
  bool FShown = false;
};

namespace detail {
void ImgListInit();
}  // namespace detail

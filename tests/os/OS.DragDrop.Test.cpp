#include "os/OS.DragDrop.h"

#include <cstring>

#include "os/OS.Input.h"
#include "support/HeadlessFixture.h"

namespace {

class TTestSource : public TInterfacedObject, public IDropSource {
  RTL_INTERFACES(TInterfacedObject, IDropSource)
 public:
  bool AllowDrop = true;
  int Feedbacks = 0;
  HRESULT QueryContinueDrag(BOOL Escape, DWORD Keys) override {
    if (Escape) return DRAGDROP_S_CANCEL;
    if (Keys & (MK_LBUTTON | MK_RBUTTON)) return S_OK;
    return AllowDrop ? DRAGDROP_S_DROP : DRAGDROP_S_CANCEL;
  }
  HRESULT GiveFeedback(DWORD) override {
    ++Feedbacks;
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
};

class TTestTarget : public TInterfacedObject, public IDropTarget {
  RTL_INTERFACES(TInterfacedObject, IDropTarget)
 public:
  DWORD Choose = DROPEFFECT_MOVE;
  std::vector<std::string> Calls;
  std::string Dropped;
  TPoint DropPoint;
  HRESULT DragEnter(IDataObject*, DWORD, TPoint, DWORD* Effect) override {
    Calls.push_back("enter");
    *Effect &= Choose;
    return S_OK;
  }
  HRESULT DragOver(DWORD, TPoint, DWORD* Effect) override {
    Calls.push_back("over");
    *Effect &= Choose;
    return S_OK;
  }
  HRESULT DragLeave() override {
    Calls.push_back("leave");
    return S_OK;
  }
  HRESULT Drop(IDataObject* Data, DWORD, TPoint Point, DWORD* Effect) override {
    Calls.push_back("drop");
    DropPoint = Point;
    FORMATETC format;
    format.cfFormat = RegisterClipboardFormat(u"ZEPHSE-OBJECT");
    STGMEDIUM medium;
    if (Data->GetData(format, medium) == S_OK) {
      Dropped.assign(static_cast<const char*>(GlobalLock(medium.hGlobal)), GlobalSize(medium.hGlobal));
      GlobalUnlock(medium.hGlobal);
      ReleaseStgMedium(medium);
    }
    *Effect &= Choose;
    return S_OK;
  }
};

HGLOBAL Text(const std::string& s) {
  HGLOBAL h = GlobalAlloc(GHND, s.size());
  std::memcpy(GlobalLock(h), s.data(), s.size());
  GlobalUnlock(h);
  return h;
}

class DragDropTest : public THeadlessTest {};

TEST_F(DragDropTest, DragFromOneWindowToAnotherDeliversDataAndEffect) {
  HWND from = Create(Bounds(0, 0, 100, 100));
  HWND to = Create(Bounds(300, 0, 100, 100));
  IPtr<TTestTarget> target(::Create<TTestTarget>());
  ASSERT_EQ(RegisterDragDrop(to, target.get()), S_OK);
  EXPECT_EQ(RegisterDragDrop(to, target.get()), DRAGDROP_E_ALREADYREGISTERED);
  Headless::MouseDown(TPoint(50, 50));
  Headless::RunUntilIdle();
  Log.clear();
  // The user's moves are queued; the drag loop takes them.
  Headless::MouseMove(TPoint(150, 50));
  Headless::MouseMove(TPoint(320, 40));
  Headless::MouseMove(TPoint(330, 45));
  Headless::MouseUp(TPoint(330, 45));
  IPtr<TTestSource> source(::Create<TTestSource>());
  IPtr<IDataObject> data = CreateDataObject({{RegisterClipboardFormat(u"ZEPHSE-OBJECT"), Text("<item/>")}});
  DWORD effect = 0;
  EXPECT_EQ(DoDragDrop(data.get(), source.get(), DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(effect, DROPEFFECT_MOVE);
  EXPECT_EQ(target->Calls, (std::vector<std::string>{"enter", "over", "over", "drop"}));
  EXPECT_EQ(target->Dropped, "<item/>");
  EXPECT_EQ(target->DropPoint, TPoint(330, 45));
  EXPECT_GT(source->Feedbacks, 0);
  // The windows below saw none of the drag's mouse messages.
  EXPECT_TRUE(Messages(to, {WM_MOUSEMOVE, WM_LBUTTONUP}).empty());
  EXPECT_EQ(RevokeDragDrop(to), S_OK);
  EXPECT_EQ(RevokeDragDrop(to), DRAGDROP_E_NOTREGISTERED);
  (void)from;
}

TEST_F(DragDropTest, EscapeOrARefusingTargetCancels) {
  HWND to = Create(Bounds(300, 0, 100, 100));
  IPtr<TTestTarget> target(::Create<TTestTarget>());
  RegisterDragDrop(to, target.get());
  IPtr<TTestSource> source(::Create<TTestSource>());
  IPtr<IDataObject> data = CreateDataObject({{CF_UNICODETEXT, Text("x\0")}});
  DWORD effect = 123;

  Headless::MouseDown(TPoint(50, 50));
  Headless::RunUntilIdle();
  Headless::MouseMove(TPoint(320, 40));
  Headless::KeyPress(VK_ESCAPE);
  EXPECT_EQ(DoDragDrop(data.get(), source.get(), DROPEFFECT_COPY, &effect), DRAGDROP_S_CANCEL);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_EQ(target->Calls.back(), "leave");
  Headless::MouseUp(TPoint(320, 40));
  Headless::RunUntilIdle();

  // A target that accepts only copy, offered only a move: nothing is dropped.
  target->Calls.clear();
  Headless::MouseDown(TPoint(50, 50));
  Headless::RunUntilIdle();
  Headless::MouseMove(TPoint(320, 40));
  Headless::MouseUp(TPoint(320, 40));
  target->Choose = DROPEFFECT_COPY;
  EXPECT_EQ(DoDragDrop(data.get(), source.get(), DROPEFFECT_MOVE, &effect), DRAGDROP_S_CANCEL);
  EXPECT_EQ(target->Calls, (std::vector<std::string>{"enter", "leave"}));
  RevokeDragDrop(to);
}

TEST_F(DragDropTest, DesktopFilesArriveAsAFileList) {
  HWND to = Create(Bounds(300, 0, 100, 100));
  class TFilesTarget : public TTestTarget {
   public:
    std::vector<String> Files;
    HRESULT Drop(IDataObject* Data, DWORD, TPoint, DWORD* Effect) override {
      FORMATETC format;
      format.cfFormat = CF_HDROP;
      STGMEDIUM medium;
      if (Data->GetData(format, medium) == S_OK) {
        Files = ReadFileDropBlock(medium.hGlobal);
        ReleaseStgMedium(medium);
      }
      *Effect = DROPEFFECT_COPY;
      return S_OK;
    }
  };
  IPtr<TFilesTarget> target(::Create<TFilesTarget>());
  RegisterDragDrop(to, target.get());
  EXPECT_EQ(DropFilesFromDesktop({u"/home/u/skin.zip", u"/home/u/b c.png"}, TPoint(310, 10)), DROPEFFECT_COPY);
  EXPECT_EQ(target->Files, (std::vector<String>{u"/home/u/skin.zip", u"/home/u/b c.png"}));
  EXPECT_EQ(DropFilesFromDesktop({u"/x"}, TPoint(10, 500)), DROPEFFECT_NONE);  // no target there
  RevokeDragDrop(to);
}

TEST(DataObject, FormatsEnumerateAndMismatchesAreRefused) {
  IPtr<IDataObject> data = CreateDataObject({{CF_HDROP, CreateFileDropBlock({u"/a"})}, {CF_UNICODETEXT, GlobalAlloc(GHND, 2)}});
  IEnumFORMATETC* raw = nullptr;
  ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, &raw), S_OK);
  IPtr<IEnumFORMATETC> formats(raw);
  raw->_Release();  // the IPtr holds its own reference
  FORMATETC got[3];
  UINT fetched = 0;
  EXPECT_EQ(formats->Next(3, got, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 2u);
  EXPECT_EQ(got[0].cfFormat, CF_HDROP);
  EXPECT_EQ(formats->Skip(1), S_FALSE);
  formats->Reset();
  EXPECT_EQ(formats->Next(1, got, &fetched), S_OK);
  EXPECT_EQ(data->EnumFormatEtc(DATADIR_SET, &raw), E_NOTIMPL);
  FORMATETC thumbnail;
  thumbnail.cfFormat = CF_HDROP;
  thumbnail.dwAspect = DVASPECT_THUMBNAIL;
  EXPECT_EQ(data->QueryGetData(thumbnail), DV_E_FORMATETC);
  FORMATETC missing;
  missing.cfFormat = CF_BITMAP;
  STGMEDIUM medium;
  EXPECT_EQ(data->GetData(missing, medium), DV_E_FORMATETC);
  EXPECT_EQ(medium.hGlobal, nullptr);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "os/OS.Clipboard.h"
#include "rtl/RTL.Streams.h"
#include "support/HeadlessFixture.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Clipboard.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/ui/ZCL.UI.DragDrop.Source.h"
#include "zcl/ui/ZCL.UI.DragDrop.Target.h"

namespace {

class TRecordingOperation : public TZCLUnknownObject, public IZCLDropSourceOperation {
  ZCL_CLASS(TRecordingOperation, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLDropSourceOperation)
 public:
  std::vector<std::string> Log;
  bool Allow = true;
  TZCLDropSourceActions Ended;
  std::atomic<bool> Done{false};
  void DropSourceBegin() override { Log.push_back("begin"); }
  void DropSourceDrop(bool& AllowDrop) override {
    Log.push_back("drop");
    AllowDrop = Allow;
  }
  void DropSourceEnd(TZCLDropSourceActions Actions, TShiftState) override {
    Log.push_back("end");
    Ended = Actions;
    Done = true;
  }
};

// Tells when a watched component is freed (the worker frees its source through the main thread).
class TFreeWatch : public TComponent {
  ZCL_CLASS(TFreeWatch, TComponent)
 public:
  TFreeWatch() : TComponent(nullptr) {}
  bool Freed = false;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove) Freed = true;
  }
};

TZCLDropSourceDataFiles* Files(std::vector<String> Names) {
  TZCLStringList list;
  list.AddStrings(Names);
  return Create<TZCLDropSourceDataFiles>(&list);
}

std::vector<UINT> Formats(IDataObject* Data) {
  std::vector<UINT> out;
  IEnumFORMATETC* e = nullptr;
  if (Data->EnumFormatEtc(DATADIR_GET, &e) != S_OK) return out;
  IPtr<IEnumFORMATETC> keep(e);
  e->_Release();
  FORMATETC f;
  while (e->Next(1, &f, nullptr) == S_OK) out.push_back(f.cfFormat);
  return out;
}

TEST(DropSourceData, ProvidersOfferTheirFormatsInOrderWhileTheyHaveData) {
  TRecordingOperation op;
  TZCLDropSource* source = CreateDropSource(&op, nullptr);
  IPtr<IZCLDropSourceDataFiles> three(Files({u"/m/a.mp3", u"/m/b.mp3", u"/m/c.mp3"}));
  IPtr<IZCLDropSourceDataFiles> none(Files({}));
  source->GetDataProviders().Add(Create<TZCLDragDropDataProviderFileURIs>(three.get()));
  source->GetDataProviders().Add(Create<TZCLDragDropDataProviderFiles>(three.get()));
  source->GetDataProviders().Add(Create<TZCLDragDropDataProviderFiles>(none.get()));
  EXPECT_EQ(Formats(source), (std::vector<UINT>{CF_ZEPH_URI_LIST(), CF_HDROP}));

  STGMEDIUM medium;
  ASSERT_EQ(source->GetData(MakeFormatEtc(CF_HDROP), medium), S_OK);
  EXPECT_EQ(ReadFileDropBlock(medium.hGlobal), (std::vector<String>{u"/m/a.mp3", u"/m/b.mp3", u"/m/c.mp3"}));
  ReleaseStgMedium(medium);
  FORMATETC thumbnail = MakeFormatEtc(CF_HDROP);
  thumbnail.dwAspect = DVASPECT_THUMBNAIL;
  EXPECT_EQ(source->QueryGetData(thumbnail), DV_E_FORMATETC);
  EXPECT_EQ(source->QueryGetData(MakeFormatEtc(CF_HDROP)), S_OK);
  EXPECT_EQ(source->GetData(MakeFormatEtc(CF_UNICODETEXT), medium), DV_E_FORMATETC);

  // Nothing but empty file lists: no formats at all.
  TZCLDropSource* empty = CreateDropSource(&op, nullptr);
  empty->GetDataProviders().Add(Create<TZCLDragDropDataProviderFiles>(none.get()));
  IEnumFORMATETC* e = reinterpret_cast<IEnumFORMATETC*>(1);
  EXPECT_EQ(empty->EnumFormatEtc(DATADIR_GET, &e), E_NOTIMPL);
  EXPECT_EQ(e, nullptr);
  EXPECT_EQ(source->EnumFormatEtc(DATADIR_SET, &e), E_NOTIMPL);
  Free(empty);
  Free(source);
}

TEST(DropSourceData, FileContentsAndDescriptors) {
  TRecordingOperation op;
  TZCLDropSource* source = CreateDropSource(&op, nullptr);
  const String longName = u"/music/" + String(300, u'x') + u".mp3";
  IPtr<IZCLDropSourceDataFiles> data(Files({u"C:\\songs\\one.mp3", longName}));
  // The first file has content, the second none.
  data->GetStream(0)->WriteBuffer("12345", 5);
  source->GetDataProviders().Add(Create<TZCLDragDropDataProviderFileStreamDescriptor>(data.get()));
  source->GetDataProviders().Add(Create<TZCLDragDropDataProviderFileStream>(data.get(), 0));
  source->GetDataProviders().Add(Create<TZCLDragDropDataProviderFileStream>(data.get(), 1));

  STGMEDIUM medium;
  ASSERT_EQ(source->GetData(MakeFormatEtc(RegisterClipboardFormat(u"FileGroupDescriptorW")), medium), S_OK);
  using D = TZCLDragDropDataProviderFileStreamDescriptor;
  ASSERT_EQ(GlobalSize(medium.hGlobal), 4 + 2 * D::DescriptorSize);
  const auto* bytes = static_cast<const Byte*>(GlobalLock(medium.hGlobal));
  auto dword = [&](size_t At) {
    uint32_t v;
    std::memcpy(&v, bytes + At, 4);
    return v;
  };
  auto name = [&](size_t Descriptor) {
    return String(reinterpret_cast<const Char*>(bytes + 4 + Descriptor * D::DescriptorSize + D::NameOffset));
  };
  EXPECT_EQ(dword(0), 2u);
  EXPECT_EQ(dword(4), 0x4040u);
  EXPECT_EQ(dword(4 + D::SizeHighOffset + 4), 5u);
  EXPECT_EQ(name(0), u"one.mp3");
  EXPECT_EQ(name(1).size(), D::MaxNameLength);
  EXPECT_EQ(name(1), String(259, u'x'));
  GlobalUnlock(medium.hGlobal);
  ReleaseStgMedium(medium);

  // File contents by index, as a stream medium only.
  FORMATETC contents = MakeFormatEtc(RegisterClipboardFormat(u"FileContents"));
  EXPECT_EQ(source->GetData(contents, medium), DV_E_FORMATETC);  // global memory was asked for
  contents.tymed = TYMED_ISTREAM;
  contents.lindex = 0;
  ASSERT_EQ(source->GetData(contents, medium), S_OK);
  ASSERT_EQ(medium.tymed, TYMED_ISTREAM);
  char buffer[8] = {};
  UINT read = 0;
  medium.pstm->Seek(0, STREAM_SEEK_SET, nullptr);
  medium.pstm->Read(buffer, sizeof(buffer), &read);
  EXPECT_EQ(std::string(buffer, read), "12345");
  ReleaseStgMedium(medium);
  contents.lindex = 2;
  EXPECT_EQ(source->GetData(contents, medium), DV_E_FORMATETC);
  Free(source);
}

TEST(DropSourceData, FormatEnumeratorStepsSkipsAndClones) {
  std::vector<FORMATETC> formats(3);
  for (UINT i = 0; i < 3; ++i) formats[i].cfFormat = 10 + i;
  IPtr<IEnumFORMATETC> e(Create<TZCLDropFormatEtcList>(formats));
  FORMATETC got[4];
  UINT fetched = 0;
  EXPECT_EQ(e->Next(2, got, &fetched), S_OK);
  EXPECT_EQ(fetched, 2u);
  IEnumFORMATETC* raw = nullptr;
  ASSERT_EQ(e->Clone(&raw), S_OK);
  IPtr<IEnumFORMATETC> clone(raw);
  raw->_Release();
  EXPECT_EQ(e->Next(2, got, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 1u);
  EXPECT_EQ(got[0].cfFormat, 12u);
  EXPECT_EQ(clone->Next(1, got, nullptr), S_OK);
  EXPECT_EQ(got[0].cfFormat, 12u);
  EXPECT_EQ(e->Reset(), S_OK);
  EXPECT_EQ(e->Skip(3), S_OK);
  EXPECT_EQ(e->Skip(1), S_FALSE);
  EXPECT_EQ(e->Next(1, got, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
}

TEST(DropSourceData, TheDragGoesOnWhileAButtonIsDownAndTheHandlerDecidesTheDrop) {
  TRecordingOperation op;
  TZCLDropSource* source = CreateDropSource(&op, nullptr);
  EXPECT_EQ(source->QueryContinueDrag(0, MK_LBUTTON), S_OK);
  EXPECT_EQ(source->QueryContinueDrag(0, MK_RBUTTON), S_OK);
  EXPECT_EQ(source->QueryContinueDrag(1, MK_LBUTTON), DRAGDROP_S_CANCEL);
  EXPECT_EQ(source->QueryContinueDrag(0, 0), DRAGDROP_S_DROP);
  op.Allow = false;
  EXPECT_EQ(source->QueryContinueDrag(0, 0), DRAGDROP_S_CANCEL);
  EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
  // Queries the source cannot answer go to the handler.
  IPtr<IZCLDropSourceOperation> asked;
  EXPECT_TRUE(Supports(static_cast<IDataObject*>(source), asked));
  EXPECT_EQ(asked.get(), static_cast<IZCLDropSourceOperation*>(&op));
  Free(source);
}

// ---- a drag from one window to another ----------------------------------------------------------

TZCLDropAction GChosen = daCopy;
std::vector<String> GDroppedFiles;
String GDroppedConfig;

void Choose(TZCLDropTarget*, TShiftState, TPoint, String&, bool&, TZCLDropAction& Action) { Action = GChosen; }

void ReadDrop(TZCLDropTarget* Sender, TShiftState, TPoint, TZCLDropAction) {
  TZCLStringList files;
  if (Sender->GetFiles(&files)) GDroppedFiles = files.ToArray();
  TZCLIniFile* ini = nullptr;
  if (Sender->GetConfig(ini)) GDroppedConfig = ini->ReadString(u"skin", u"name", u"");
  Free(ini);
}

class DragBetweenWindows : public THeadlessTest {
 protected:
  void SetUp() override {
    THeadlessTest::SetUp();
    GDroppedFiles.clear();
    GDroppedConfig.clear();
    for (auto [form, bounds] : {std::pair{&FFrom, TRect(0, 0, 200, 200)}, std::pair{&FTo, TRect(300, 0, 500, 200)}}) {
      *form = TCustomForm::CreateNew<TForm>(nullptr);
      (*form)->SetBorderStyle(bsNone);
      (*form)->SetBoundsRect(bounds);
      (*form)->Show();
    }
    FTarget = ::Create<TZCLDropTarget>(FTo);
    FTarget->OnOver = Choose;
    FTarget->OnDrop = ReadDrop;
    FTarget->SetTarget(FTo);
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    Free(FFrom);
    Free(FTo);
    THeadlessTest::TearDown();
  }
  TZCLDropSource* MakeSource() {
    TZCLDropSource* source = CreateDropSource(&FOperation, FFrom);
    IPtr<IZCLDropSourceDataFiles> data(Files({u"/m/a.mp3", u"/m/b.mp3"}));
    source->GetDataProviders().Add(::Create<TZCLDragDropDataProviderFileURIs>(data.get()));
    TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
    ini->WriteString(u"skin", u"name", u"Dark");
    source->GetDataProviders().Add(::Create<TZCLDragDropDataProviderConfig>(ini));
    Free(ini);
    return source;
  }
  // Press in the first window, then (queued) move over the second and release there.
  static void QueueGesture() {
    Headless::MouseDown(TPoint(50, 50));
    Headless::RunUntilIdle();
    Headless::MouseMove(TPoint(350, 50));
    Headless::MouseMove(TPoint(360, 60));
    Headless::MouseUp(TPoint(360, 60));
  }

  TForm* FFrom = nullptr;
  TForm* FTo = nullptr;
  TZCLDropTarget* FTarget = nullptr;
  TRecordingOperation FOperation;
};

TEST_F(DragBetweenWindows, TheDropDeliversTheDataAndTheAgreedEffect) {
  struct {
    TZCLDropAction Chosen;
    TZCLDropSourceActions Allowed;
    bool Allow;
    TZCLDropSourceActions Result;
  } cases[] = {
      {daMove, {dsaCopy, dsaMove, dsaLink}, true, {dsaMove}},
      {daCopy, {dsaCopy, dsaMove, dsaLink}, true, {dsaCopy}},
      {daMove, {dsaCopy}, true, {}},                     // the target wants what is not allowed
      {daCopy, {dsaCopy, dsaMove, dsaLink}, false, {}},  // the handler refuses the drop
  };
  for (const auto& c : cases) {
    GChosen = c.Chosen;
    GDroppedFiles.clear();
    FOperation.Log.clear();
    FOperation.Allow = c.Allow;
    TZCLDropSource* source = MakeSource();
    source->SetAllowedActions(c.Allowed);
    QueueGesture();
    EXPECT_EQ(source->Execute(), !c.Result.Empty());
    EXPECT_EQ(source->GetDropActions(), c.Result);
    EXPECT_EQ(FOperation.Ended, c.Result);
    EXPECT_EQ(FOperation.Log.front(), "begin");
    EXPECT_EQ(FOperation.Log.back(), "end");
    if (!c.Result.Empty()) {
      EXPECT_EQ(GDroppedFiles, (std::vector<String>{u"/m/a.mp3", u"/m/b.mp3"}));
      EXPECT_EQ(GDroppedConfig, u"Dark");
    } else {
      EXPECT_TRUE(GDroppedFiles.empty());
    }
    Free(source);
    Headless::RunUntilIdle();
  }
  EXPECT_FALSE(IsDragging());
}

TEST_F(DragBetweenWindows, AWorkerThreadRunsTheDragAndFreesTheSource) {
  GChosen = daLink;
  TZCLDropSource* source = MakeSource();
  TFreeWatch* watch = ::Create<TFreeWatch>();
  source->FreeNotification(watch);
  QueueGesture();
  source->ExecuteInThread();
  // The worker hands the drag loop and the notices to this thread; serve them until it ends.
  for (int i = 0; i < 200000 && !FOperation.Done; ++i) {
    TZCLMainThread::CheckSynchronize();
    Headless::RunUntilIdle();
    std::this_thread::yield();
  }
  ASSERT_TRUE(FOperation.Done);
  EXPECT_EQ(FOperation.Ended, TZCLDropSourceActions{dsaLink});
  EXPECT_EQ(GDroppedFiles.size(), 2u);
  for (int i = 0; i < 200000 && (IsDragging() || !watch->Freed); ++i) {
    TZCLMainThread::CheckSynchronize();
    std::this_thread::yield();
  }
  EXPECT_FALSE(IsDragging());
  EXPECT_TRUE(watch->Freed);
  Free(watch);
}

TEST_F(DragBetweenWindows, AControlThatGoesAwayCancelsItsDrag) {
  TZCLDropSource* source = MakeSource();
  EXPECT_EQ(source->GetControl(), FFrom);
  Free(FFrom);
  FFrom = nullptr;
  EXPECT_EQ(source->GetControl(), nullptr);
  EXPECT_EQ(source->QueryContinueDrag(0, 0), DRAGDROP_S_CANCEL);
  Free(source);
}

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/ui/ZCL.UI.DragDrop.Source.h"
#include "zeph/core/ZEPH.Plugins.Presenter.h"
#include "zeph/core/ZEPH.Plugins.Wrapped.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.h"

namespace {
// A part of a fake cue sheet: its audio is the sheet's "album.flac".
class TFakePart : public TInterfacedObject, public IZEPHVirtualFile {
  RTL_INTERFACES(TInterfacedObject, IZEPHVirtualFile)
 public:
  TFakePart(const String& AName, const String& AReal) : Name(AName), Real(AReal) {}
  String GetFileName() override { return Name; }
  bool GetRealFileName(String& FileName) override {
    FileName = Real;
    return !Real.empty();
  }
  Double GetClipStart() override { return 0; }
  Double GetClipFinish() override { return 10; }
  bool GetFormatText(String& Text) override {
    Text = Format;
    return !Format.empty();
  }
  HRESULT CreateStream(TStream*& Stream) override {
    Stream = new TStringStream(u"part");
    return S_OK;
  }
  HRESULT FillFileInfo(TZBLCustomFileInfo* Info) override {
    Info->SetFileSize(1234);
    return S_OK;
  }
  bool Exists() override { return true; }
  HRESULT Synchronize() override { return Stale ? E_FAIL : S_OK; }
  String Name, Real, Format;
  bool Stale = false;
};

// Reads "*.cue" files whose lines name their parts.
class TFakeCueReader : public TInterfacedObject, public IZEPHExtensionFileExpander {
  RTL_INTERFACES(TInterfacedObject, IZEPHExtensionFileExpander)
 public:
  HRESULT Expand(const String& FileName, TZEPHVirtualFileList& Files) override {
    if (!zcEndsWith(FileName, u".cue", true)) return E_FAIL;
    ++Opens;
    std::ifstream in(StringToUTF8(FileName));
    for (std::string line; std::getline(in, line);) {
      auto* part = Create<TFakePart>(FileName + u":" + UTF8ToString(line), zcExtractFilePath(FileName) + u"album.flac");
      if (line == "Track 02") part->Format = u"Cue Part";
      Files.push_back(IPtr<IZEPHVirtualFile>(part));
    }
    return S_OK;
  }
  Integer Opens = 0;
};

class TCollector : public TInterfacedObject, public IZEPHFileManagerFilesReceiver, public IZEPHFileManagerPathReceiver {
  RTL_INTERFACES(TInterfacedObject, IZEPHFileManagerFilesReceiver, IZEPHFileManagerPathReceiver)
 public:
  void ReceiveFile(const String& FileName, IZBLFileInfo*, bool& Stop) override {
    Files.push_back(FileName.substr(Base.size()));
    Stop = Files.size() >= StopAfter;
  }
  void ReceivePath(const String& Path, bool& Skip, bool&) override { Skip = zcEndsWith(Path, u"skipped/"); }
  String Base;
  size_t StopAfter = 1000;
  std::vector<String> Files;
};

void WriteFile(const std::string& Path, const std::string& Text = "x") {
  std::filesystem::create_directories(std::filesystem::path(Path).parent_path());
  std::ofstream(Path) << Text;
}

class FileManager : public ::testing::Test {
 protected:
  void SetUp() override {
    M = GetFileManager();
    Reader = Create<TFakeCueReader>();
    M->RegisterExtension(static_cast<IZEPHExtensionFileExpander*>(Reader.get()));
    Mp3 = M->GetKnownFormats()->Register(u"MPEG Audio", u"*.mp3;*.flac;", zfkAudio);
    Root = TempDir();
    Dir = UTF8ToString(Root) + u"/";
    WriteFile(Root + "/album.cue", "Track 01\nTrack 02\n");
    WriteFile(Root + "/album.flac", "0123456789abcdef");
  }
  void TearDown() override {
    M->UnregisterExtension(static_cast<IZEPHExtensionFileExpander*>(Reader.get()));
    M->GetKnownFormats()->Unregister(Mp3);
    M->GetContainerCache()->Clear();
    M->SetMusicLibrary(nullptr);
  }
  TZEPHFileManager* M = nullptr;
  IPtr<TFakeCueReader> Reader;
  TZEPHFileManagerKnownFormatInfo* Mp3 = nullptr;
  std::string Root;
  String Dir;
};
}  // namespace

TEST_F(FileManager, ResolvesVirtualNames) {
  WriteFile(Root + "/notes.txt");
  IPtr<IZEPHVirtualFile> file;
  EXPECT_EQ(M->ResolveVirtualFile(Dir + u"album.flac", file), zfrNotVirtual);
  EXPECT_EQ(M->ResolveVirtualFile(Dir + u"notes.txt:x", file), zfrNoContainer);
  EXPECT_EQ(M->ResolveVirtualFile(Dir + u"album.cue:track 01", file), zfrFound);  // parts ignore case
  ASSERT_TRUE(file);
  EXPECT_EQ(file->GetFileName(), Dir + u"album.cue:Track 01");
  EXPECT_EQ(M->ResolveVirtualFile(Dir + u"album.cue:Track 09", file), zfrNoPart);
  EXPECT_EQ(M->ResolveVirtualFile(Dir + u"album.cue:Track 08", file), zfrNoPart);
  EXPECT_EQ(Reader->Opens, 1);  // the container stays cached

  EXPECT_TRUE(M->FileExists(Dir + u"album.cue:Track 02"));
  EXPECT_FALSE(M->FileExists(Dir + u"album.cue:Track 09"));
  EXPECT_TRUE(M->FileExists(Dir + u"notes.txt:x"));  // the container file exists, though no container
  EXPECT_FALSE(M->FileExists(Dir + u"missing.mp3"));
  EXPECT_TRUE(M->FileExists(u"http://radio/stream"));

  EXPECT_EQ(M->GetRealFileName(Dir + u"album.cue:Track 01"), Dir + u"album.flac");
  EXPECT_EQ(M->GetRealFileName(Dir + u"a.mp3"), Dir + u"a.mp3");
  EXPECT_EQ(M->GetRealFilePath(Dir + u"album.cue:Track 01"), Dir);
  EXPECT_EQ(M->GetFileFormatText(Dir + u"album.cue:Track 01"), u"FLAC");
  EXPECT_EQ(M->GetFileFormatText(Dir + u"album.cue:Track 02"), u"Cue Part");
  EXPECT_EQ(M->GetFileFormatText(u"/m/a.flac"), u"FLAC");
  EXPECT_EQ(M->GetFileFormatText(u"http://radio/a.mp3"), u"");
  EXPECT_EQ(M->GetFileSize(Dir + u"album.cue:Track 01"), 1234);
  EXPECT_EQ(M->GetFileSize(Dir + u"album.flac"), 16);

  // A part fills its own information and is never cached.
  TZBLFileInfo* info = Create<TZBLFileInfo>();
  EXPECT_EQ(M->GetFileInfo(Dir + u"album.cue:Track 01", info, zfiAll), S_OK);
  EXPECT_EQ(info->GetFileSize(), 1234);
  EXPECT_EQ(info->GetFileName(), Dir + u"album.cue:Track 01");
  EXPECT_EQ(M->GetFileInfo(Dir + u"album.cue:Track 01", info, zfiCache), E_FAIL);
  Free(info);
}

class TBarePlugin : public TZEPHCustomWrappedPlugin {
  ZCL_CLASS(TBarePlugin, TZEPHCustomWrappedPlugin)
 public:
  using TZEPHCustomWrappedPlugin::TZEPHCustomWrappedPlugin;

 protected:
  Cardinal DoGetCategories() override { return 1; }
};

TEST_F(FileManager, PluginTakenBackLeavesNoContainerAndNoFormat) {
  IPtr<IZEPHVirtualFile> file;
  ASSERT_TRUE(M->GetVirtualFile(Dir + u"album.cue:Track 01", file));
  ASSERT_TRUE(M->GetContainerCache()->Contains(Dir + u"album.cue"));
  auto* plugin = CreatePlugin<TBarePlugin>(nullptr, u"");
  plugin->SetInitialized(true);
  const Integer count = M->GetKnownFormats()->GetCount();
  plugin->GetPresenter()->GetFormatHandles().push_back(M->GetKnownFormats()->Register(u"Plg", u"*.plg;", zfkAudio));
  EXPECT_TRUE(M->GetKnownFormats()->IsSupported(u"/a.plg"));
  Free(plugin);
  EXPECT_EQ(M->GetKnownFormats()->GetCount(), count);
  EXPECT_FALSE(M->GetKnownFormats()->IsSupported(u"/a.plg"));
  EXPECT_FALSE(M->GetContainerCache()->Contains(Dir + u"album.cue"));
}

TEST_F(FileManager, DragOffersTheNamesAndTheExistingRealFiles) {
  TZCLStringList* names = Create<TZCLStringList>();
  names->Add(Dir + u"album.cue:Track 01");
  names->Add(Dir + u"album.cue:Track 02");
  names->Add(Dir + u"missing.mp3");
  names->Add(u"http://radio/stream");
  TZCLDropSource* source = Create<TZCLDropSource>(nullptr, nullptr);
  IPtr<IZCLDropSourceDataFiles> data = M->CreateDropSourceData(names, source);
  // The URI list of every name, and the file list of the one real file.
  ASSERT_EQ(source->GetDataProviders().GetCount(), 2);
  EXPECT_NE(dynamic_cast<TZCLDragDropDataProviderFileURIs*>(source->GetDataProviders().GetItems(0)), nullptr);
  ASSERT_EQ(data->GetCount(), 1);
  EXPECT_EQ(data->GetName(0), Dir + u"album.flac");
  TStream* stream = data->GetStream(0);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->GetSize(), 16);
  Free(source);
  data = nullptr;
  Free(names);
}

TEST_F(FileManager, StaleContainerIsOpenedAgain) {
  IPtr<IZEPHVirtualFile> file;
  ASSERT_TRUE(M->GetVirtualFile(Dir + u"album.cue:Track 01", file));
  static_cast<TFakePart*>(static_cast<IZEPHVirtualFile*>(file.get()))->Stale = true;
  IPtr<IZEPHVirtualFile> fresh = M->GetVirtualFileFresh(Dir + u"album.cue:Track 01");
  ASSERT_TRUE(fresh);
  EXPECT_NE(fresh.get(), file.get());
  EXPECT_EQ(Reader->Opens, 2);
}

TEST_F(FileManager, Streams) {
  TStream* stream = nullptr;
  EXPECT_EQ(M->CreateStream(Dir + u"new.bin", zfsCreate, 0, 10, stream), E_INVALIDARG);
  EXPECT_EQ(stream, nullptr);
  ASSERT_EQ(M->CreateStream(Dir + u"album.flac", 0, 2, 10, stream), S_OK);
  EXPECT_EQ(stream->GetSize(), 10);
  char bytes[4] = {};
  stream->ReadBuffer(bytes, 3);
  EXPECT_EQ(std::string(bytes), "234");
  EXPECT_THROW(stream->WriteBuffer("x", 1), EZCLCannotModifyReadOnlyStream);
  Free(stream);
  ASSERT_EQ(M->CreateStream(Dir + u"new.bin", zfsCreate | zfsBuffered, -1, -1, stream), S_OK);
  stream->WriteBuffer("abc", 3);
  Free(stream);
  EXPECT_EQ(M->GetFileSize(Dir + u"new.bin"), 3);
  EXPECT_TRUE(Failed(M->CreateStream(Dir + u"missing.bin", 0, -1, -1, stream)));

  IPtr<IZEPHVirtualFile> file;
  ASSERT_EQ(M->CreateStreamForFileURI(Dir + u"album.flac", file, stream), S_OK);
  EXPECT_FALSE(file);
  EXPECT_EQ(stream->GetSize(), 16);
  Free(stream);
  ASSERT_EQ(M->CreateStreamForFileURI(Dir + u"album.cue:Track 01", file, stream), S_OK);
  EXPECT_TRUE(file);
  EXPECT_EQ(stream->GetSize(), 4);
  Free(stream);
}

TEST_F(FileManager, DeleteRefusesPartsAndURLs) {
  EXPECT_FALSE(M->DeleteFile(Dir + u"album.cue:Track 01"));
  EXPECT_FALSE(M->DeleteFile(u"http://radio/a.mp3"));
  EXPECT_FALSE(M->DeleteFile(u""));
}

TEST_F(FileManager, ExpandsATree) {
  // Track2 comes before Track10 in logical order; the cue sheet gives its parts.
  for (const char* f : {"/tree/b.mp3", "/tree/a.mp3", "/tree/notes.txt", "/tree/Track10/x.mp3", "/tree/Track2/y.mp3",
                        "/tree/Track2/deep/z.mp3", "/tree/skipped/s.mp3"})
    WriteFile(Root + f);
  WriteFile(Root + "/tree/sheet.cue", "One\nTwo\n");
  std::filesystem::create_directory_symlink(Root + "/tree", Root + "/tree/Track2/loop");
  const String tree = Dir + u"tree";
  struct Case {
    const char* What;
    std::function<void(TZEPHFileManagerExpandAttributes*)> Set;
    std::vector<String> Expected;
  };
  const Case cases[] = {
      {"flat, sorted",
       [](TZEPHFileManagerExpandAttributes* A) { A->Add(u"SortChildren", true); },
       {u"a.mp3", u"b.mp3", u"sheet.cue:One", u"sheet.cue:Two"}},
      {"recursive; a symbolic link back to the top ends there",
       [](TZEPHFileManagerExpandAttributes* A) {
         A->Add(u"SortChildren", true);
         A->Add(u"Recursive", true);
       },
       {u"a.mp3", u"b.mp3", u"sheet.cue:One", u"sheet.cue:Two", u"Track2/y.mp3", u"Track2/deep/z.mp3",
        u"Track10/x.mp3"}},
      {"recursion off for this folder",
       [&](TZEPHFileManagerExpandAttributes* A) {
         A->Add(u"SortChildren", true);
         A->Add(u"Recursive", true);
         A->Add(u"Recursive" + tree, false);
       },
       {u"a.mp3", u"b.mp3", u"sheet.cue:One", u"sheet.cue:Two"}},
      {"containers kept whole, extensions unchecked",
       [](TZEPHFileManagerExpandAttributes* A) {
         A->Add(u"SortChildren", true);
         A->Add(u"fmaExpandContainers", false);
         A->Add(u"CheckExt", false);
       },
       {u"a.mp3", u"b.mp3", u"notes.txt", u"sheet.cue"}},
      {"only some extensions",
       [](TZEPHFileManagerExpandAttributes* A) { A->Add(u"ScanForExts", u"*.cue;"); },
       {u"sheet.cue:One", u"sheet.cue:Two"}},
  };
  for (const Case& c : cases) {
    IPtr<TCollector> collector(Create<TCollector>());
    collector->Base = tree + u"/";
    TZEPHFileManagerExpandAttributes* attributes = Create<TZEPHFileManagerExpandAttributes>();
    c.Set(attributes);
    bool stop = false;
    M->Expand(tree, nullptr, collector.get(), attributes, stop);
    EXPECT_EQ(collector->Files, c.Expected) << c.What;
    Free(attributes);
  }
  // Without attributes a folder is not taken and fails the extension check.
  IPtr<TCollector> collector(Create<TCollector>());
  bool stop = false;
  M->Expand(tree, nullptr, collector.get(), nullptr, stop);
  EXPECT_TRUE(collector->Files.empty());
  // A receiver ends the expansion.
  collector->Base = tree + u"/";
  collector->StopAfter = 2;
  TZEPHFileManagerExpandAttributes* attributes = Create<TZEPHFileManagerExpandAttributes>();
  attributes->Add(u"SortChildren", true);
  attributes->Add(u"Recursive", true);
  TZCLStringList* names = Create<TZCLStringList>();
  names->Add(tree);
  names->Add(tree);
  M->ExpandList(names, collector.get(), attributes);
  EXPECT_EQ(collector->Files, (std::vector<String>{u"a.mp3", u"b.mp3"}));
  Free(names);
  Free(attributes);
}

TEST_F(FileManager, ExpandAttributes) {
  TZEPHFileManagerExpandAttributes* a = Create<TZEPHFileManagerExpandAttributes>();
  TZCLSearchPaths* paths = Create<TZCLSearchPaths>();
  paths->Add(u"/music", false);
  a->AddSearchPaths(paths, true);
  EXPECT_EQ(a->GetText(u"ScanForExts"), u"*.mp3;*.flac;");
  EXPECT_TRUE(a->GetBool(u"Recursive", false));
  EXPECT_FALSE(a->GetBool(u"Recursive/music/", true));
  EXPECT_TRUE(a->GetBool(u"Absent", true));
  TZEPHFileManagerExpandAttributes* b = Create<TZEPHFileManagerExpandAttributes>();
  b->Add(u"Old", 1);
  b->Assign(a);
  EXPECT_EQ(b->GetCount(), 3);
  EXPECT_EQ(b->GetText(u"Old"), u"");
  Free(b);
  Free(paths);
  Free(a);
}

TEST(FileMarks, Conversions) {
  EXPECT_EQ(FileMarkFromFloat(4.5f, true), 0xED);
  EXPECT_EQ(FileMarkFromFloat(4.5f, false), 0xAD);
  EXPECT_EQ(FileMarkFromFloat(0, false), 0x80);
  EXPECT_EQ(FileMarkFromFloat(2.25f, false), 0x96);
  EXPECT_EQ(FileMarkFromFloat(6.4f, false), 0x80);  // 64 keeps its low six bits
  EXPECT_EQ(FileMarkFromInt(5), 0xB2);
  EXPECT_EQ(FileMarkToInt(0xB2), 5);
  EXPECT_FLOAT_EQ(FileMarkToFloat(0xB2), 5.0f);
  const String text = FileMarkToText(0xAD);
  EXPECT_TRUE(text == u"4.50" || text == u"4,50") << StringToUTF8(text);
  EXPECT_FALSE(FileMarkEquals(0xAD, 0xED));
  EXPECT_TRUE(FileMarkIsEmpty(FileMarkEmpty()));
}

namespace {
class TFakeLibrary : public TInterfacedObject, public IZEPHMusicLibrary {
  RTL_INTERFACES(TInterfacedObject, IZEPHMusicLibrary)
 public:
  bool FillFileInfo(const String&, TZBLCustomFileInfo*) override { return false; }
  bool GetLibraryText(const String& FileName, String& Text) override {
    Text = u"text of " + FileName;
    return true;
  }
  bool GetFileMark(const String& FileName, TZEPHFileMark& Mark) override {
    Mark = Marks;
    return FileName == u"/known.mp3";
  }
  bool GetFileStatistics(const String&, TZEPHFileStatistics& S) override {
    S.PlayCount = 7;
    return true;
  }
  bool SetLibraryText(const String&, const String&) override { return false; }
  bool SetFileMark(const String&, TZEPHFileMark Mark) override {
    Marks = Mark;
    return true;
  }
  void UpdateFileInfo(TZBLCustomFileInfo*) override { ++Updates; }
  TZEPHFileMark Marks = 0xAD;
  Integer Updates = 0;
};
}  // namespace

TEST_F(FileManager, MusicLibraryHook) {
  EXPECT_EQ(M->GetFileMark(u"/known.mp3"), 0);
  EXPECT_EQ(M->GetLibraryText(u"/known.mp3"), u"");
  EXPECT_EQ(M->SetFileMark(u"/known.mp3", 0x80), E_NOTIMPL);
  HRESULT fromWorker = S_OK;
  std::thread([&] { fromWorker = M->SetFileMark(u"/known.mp3", 0x80); }).join();
  EXPECT_EQ(fromWorker, E_ACCESSDENIED);

  IPtr<TFakeLibrary> library(Create<TFakeLibrary>());
  M->SetMusicLibrary(IPtr<IZEPHMusicLibrary>(library.get()));
  EXPECT_EQ(M->GetFileMark(u"/known.mp3"), 0xAD);
  EXPECT_EQ(M->GetFileMark(u"/other.mp3"), 0);
  EXPECT_EQ(M->GetLibraryText(u"/a"), u"text of /a");
  TZEPHFileStatistics statistics;
  EXPECT_TRUE(M->GetFileStatistics(u"/a", statistics));
  EXPECT_EQ(statistics.PlayCount, 7);
  EXPECT_EQ(M->SetFileMark(u"/known.mp3", 0x96), S_OK);
  EXPECT_EQ(library->Marks, 0x96);
  EXPECT_EQ(M->SetLibraryText(u"/a", u"x"), E_FAIL);
  std::thread([&] { fromWorker = M->SetFileMark(u"/known.mp3", 0x80); }).join();
  EXPECT_EQ(fromWorker, E_ACCESSDENIED);
  EXPECT_EQ(library->Marks, 0x96);
  M->UpdateLibraryInfo(nullptr);
  TZBLFileInfo* info = Create<TZBLFileInfo>();
  M->UpdateLibraryInfo(info);
  EXPECT_EQ(library->Updates, 1);
  Free(info);
}

TEST_F(FileManager, RelativeNamesAndImages) {
  WriteFile(Root + "/lists/a.m3u");
  WriteFile(Root + "/lists/b.mp3");
  EXPECT_EQ(ResolveRelativeFileName(Dir + u"lists/a.m3u", u"b.mp3"), Dir + u"lists/b.mp3");
  EXPECT_EQ(ResolveRelativeFileName(Dir + u"lists/a.m3u", u"c.mp3"), Dir + u"lists/c.mp3");
  EXPECT_EQ(ResolveRelativeFileName(Dir + u"lists/a.m3u", u"/abs/c.mp3"), u"/abs/c.mp3");
  EXPECT_EQ(ResolveRelativeFileName(Dir + u"lists/a.m3u", u"http://x/y"), u"http://x/y");

  const std::pair<const char16_t*, bool> images[] = {
      {u"/a/cover.JPG", true},
      {u"/a/cover.png", true},
      {u"/a/song.mp3", false},
      {u"http://x/c.jpg?w=1&h=2", true},
      {u"http://x/c.mp3?a=b.png", false},
      {u"/a/noext", false},
  };
  for (const auto& [name, image] : images) EXPECT_EQ(IsImageFileName(name), image) << StringToUTF8(name);
}

TEST(FileManagerLifetime, Singleton) { EXPECT_NE(GetFileManager(), nullptr); }

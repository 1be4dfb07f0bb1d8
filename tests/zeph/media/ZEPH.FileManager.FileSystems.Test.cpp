#include <gtest/gtest.h>

#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/media/ZEPH.FileManager.FileSystems.h"
#include "zeph/media/ZEPH.FileManager.h"

namespace {
class TOtherContent : public TZEPHPropertyList, public IZEPHExtensionFileSystem, public IZEPHFileSystemCommandFileInfo {
  RTL_INTERFACES(TZEPHPropertyList, IZEPHExtensionFileSystem, IZEPHFileSystemCommandFileInfo)
 public:
  explicit TOtherContent(const String& AScheme) : Scheme(AScheme) {}
  HRESULT GetFileAttributes(IZEPHString*, TZEPHFileSystemAttributes&) override { return E_FAIL; }
  HRESULT GetFileSize(IZEPHString*, Int64& Size) override {
    Size = 77;
    return S_OK;
  }
  HRESULT FileExists(IZEPHString*) override { return S_OK; }
  String Scheme;

 protected:
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override {
    if (PropertyID == 1) return IPtr<IInterface>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(Scheme)));
    return nullptr;
  }
};
}  // namespace

TEST(FileSystems, SchemesPickTheirFileSystem) {
  TZEPHFileManager* m = GetFileManager();
  TZEPHServiceFileSystems* systems = m->GetFileSystems();
  EXPECT_TRUE(systems->IsSchemeRegistered(u"content"));
  EXPECT_TRUE(systems->IsSchemeRegistered(u"CONTENT"));
  EXPECT_FALSE(systems->IsSchemeRegistered(u"http"));
  EXPECT_FALSE(m->FileExists(u"CONTENT://x"));
  EXPECT_EQ(m->GetFileSize(u"content://x"), 0);
  EXPECT_FALSE(m->IsForeignURL(u"content://x"));
  EXPECT_TRUE(m->IsForeignURL(u"http://x"));
  TStream* stream = nullptr;
  EXPECT_EQ(m->CreateStream(u"content://x", 0, -1, -1, stream), E_NOTIMPL);

  // The first registration of a scheme stays; a new scheme serves its names until it goes.
  IPtr<IZEPHExtensionFileSystem> second(Create<TOtherContent>(u"content"));
  systems->RegisterExtension(second.get());
  EXPECT_FALSE(m->FileExists(u"content://x"));
  IPtr<IZEPHExtensionFileSystem> zip(Create<TOtherContent>(u"zip"));
  systems->RegisterExtension(zip.get());
  EXPECT_TRUE(m->FileExists(u"zip://archive/a.mp3"));
  EXPECT_EQ(m->GetFileSize(u"Zip://archive/a.mp3"), 77);
  EXPECT_TRUE(TZEPHFileURI::IsVirtual(u"zip://archive.zip:a.mp3"));
  systems->UnregisterExtension(zip.get());
  systems->UnregisterExtension(second.get());
  EXPECT_FALSE(systems->IsSchemeRegistered(u"zip"));
  EXPECT_TRUE(systems->IsSchemeRegistered(u"content"));
  EXPECT_TRUE(m->FileExists(u"zip://archive/a.mp3"));  // a foreign address exists without asking
}

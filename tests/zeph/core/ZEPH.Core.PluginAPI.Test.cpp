#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "rtl/RTL.Exceptions.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"
#include "zeph/core/ZEPH.Core.TestUtil.h"
#include "zeph/core/ZEPH.Core.h"

namespace {
// A property list whose only property (1) is a Variant held in the object.
class TVariantList : public TZEPHPropertyList {
  ZCL_CLASS(TVariantList, TZEPHPropertyList)
 public:
  Variant FValue;
  bool FRefuse = false;

 protected:
  bool CheckAccess(HRESULT& Result) override {
    Result = FRefuse ? E_ACCESSDENIED : S_OK;
    return !FRefuse;
  }
  void DoGetValueAsVariant(Integer PropertyID, Variant& Value, HRESULT& Result) override {
    if (PropertyID != 1) return TZEPHPropertyList::DoGetValueAsVariant(PropertyID, Value, Result);
    Value = FValue;
  }
  void DoSetValueAsVariant(Integer PropertyID, const Variant& Value, HRESULT& Result) override {
    if (PropertyID != 1) return TZEPHPropertyList::DoSetValueAsVariant(PropertyID, Value, Result);
    FValue = Value;
  }
};

IPtr<IZEPHString> QueryString(IZEPHPropertyList* List, Integer Id, HRESULT& R) {
  void* obj = nullptr;
  R = List->GetValueAsObject(Id, IIDOf<IZEPHString>(), &obj);
  return IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(obj));
}
}  // namespace

TEST(ZephPluginBases, CountStartsAtZeroAndFreeingAHeldObjectRaises) {
  TZEPHPropertyList* list = Create<TZEPHPropertyList>();
  EXPECT_EQ(list->GetRefCount(), 0);
  {
    IPtr<IZEPHPropertyList> held(list);
    EXPECT_EQ(list->GetRefCount(), 1);
    EXPECT_THROW(Free(list), EInvalidPointer);
  }
  // The last reference freed it (the sanitizer run checks that nothing leaks here).
}

TEST(ZephPluginBases, BasePropertyListAnswersNotImplemented) {
  IPtr<TZEPHPropertyList> list(Create<TZEPHPropertyList>());
  Double d = 0;
  Integer i = 0;
  Int64 l = 0;
  Variant v(5);
  EXPECT_EQ(list->GetValueAsFloat(5, d), E_NOTIMPL);
  EXPECT_EQ(list->GetValueAsInt32(5, i), E_NOTIMPL);
  EXPECT_EQ(list->GetValueAsInt64(5, l), E_NOTIMPL);
  EXPECT_EQ(list->GetValueAsVariant(5, v), E_NOTIMPL);
  EXPECT_EQ(list->SetValueAsFloat(5, 1), E_NOTIMPL);
  EXPECT_EQ(list->SetValueAsInt32(5, 1), E_NOTIMPL);
  EXPECT_EQ(list->SetValueAsInt64(5, 1), E_NOTIMPL);
  EXPECT_EQ(list->SetValueAsObject(5, nullptr), E_NOTIMPL);
  EXPECT_EQ(list->Reset(), E_NOTIMPL);
  HRESULT r = S_OK;
  QueryString(list.get(), 5, r);
  EXPECT_EQ(r, E_INVALIDARG);

  // Identifier 0 holds the custom object; the object's own query answers for it.
  IPtr<IZEPHString> custom = MakePluginString(u"x");
  EXPECT_EQ(list->SetValueAsObject(0, custom.get()), S_OK);
  EXPECT_EQ(QueryString(list.get(), 0, r), custom);
  void* obj = nullptr;
  EXPECT_EQ(list->GetValueAsObject(0, IIDOf<IZEPHStream>(), &obj), E_NOINTERFACE);
}

TEST(ZephPluginBases, VariantOverridesServeEveryTypedOperation) {
  IPtr<TVariantList> list(Create<TVariantList>());
  EXPECT_EQ(list->SetValueAsInt32(1, 42), S_OK);
  Double d = 0;
  EXPECT_EQ(list->GetValueAsFloat(1, d), S_OK);
  EXPECT_EQ(d, 42.0);
  HRESULT r = S_OK;
  EXPECT_EQ(PluginStringText(QueryString(list.get(), 1, r).get()), u"42");
  EXPECT_EQ(list->SetValueAsObject(1, MakePluginString(u"abc").get()), S_OK);
  Integer i = 0;
  EXPECT_EQ(list->GetValueAsInt32(1, i), E_UNEXPECTED);
  EXPECT_EQ(PropertyListReadString(list.get(), 1), u"abc");

  // A refused call returns the check's answer and still empties the Variant.
  list->FRefuse = true;
  Variant v(7);
  EXPECT_EQ(list->GetValueAsVariant(1, v), E_ACCESSDENIED);
  EXPECT_TRUE(v.IsEmpty());
}

TEST(ZephPluginBases, SupportRoutines) {
  EXPECT_EQ(PropertyListReadInt32(nullptr, 1, 7), 7);
  EXPECT_EQ(PropertyListReadFloat(nullptr, 1, 2.5), 2.5);
  EXPECT_TRUE(PropertyListReadBool(nullptr, 1, true));
  EXPECT_THROW(PropertyListWriteInt32(nullptr, 1, 1), Exception);
  IPtr<TVariantList> list(Create<TVariantList>());
  PropertyListWriteBool(list.get(), 1, true);
  EXPECT_EQ(PropertyListReadInt32(list.get(), 1, 0), 1);
  try {
    PropertyListWriteInt32(list.get(), 9, 1);
    FAIL();
  } catch (const Exception& E) {
    EXPECT_EQ(E.GetMessage(), u"-2147467263");
  }
  TZEPHAPIWrappers::Finalize();
  EXPECT_THROW(MakePluginString(u"x"), Exception);
  IPtr<IZEPHServiceMessageDispatcher> dispatcher;
  EXPECT_FALSE(CoreGetService(dispatcher));
  TZEPHAPIWrappers::Initialize(TZEPHCore::Instance());
  EXPECT_TRUE(CoreGetService(dispatcher));
}

TEST(ZephStreams, AdapterSeeksAndAnswersAsTheModeSays) {
  IPtr<IZEPHMemoryStream> stream(Create<TZEPHMemoryStreamAdapter>());
  EXPECT_EQ(stream->GetData(), nullptr);
  const char bytes[] = "0123456789abcdefghij";
  Integer written = 0;
  ASSERT_EQ(stream->Write(bytes, 20, &written), S_OK);
  EXPECT_EQ(written, 20);
  struct Case {
    Int64 Offset;
    Integer Mode;
    HRESULT Expected;
    Int64 Position;
  } cases[] = {
      {10, 0, S_OK, 10},  {5, 1, S_OK, 15},          {-4, 2, S_OK, 16},
      {-2, 1, S_OK, 14},  {1, 5, E_INVALIDARG, 14},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(stream->Seek(c.Offset, c.Mode), c.Expected) << c.Offset << "/" << c.Mode;
    EXPECT_EQ(stream->GetPosition(), c.Position) << c.Offset << "/" << c.Mode;
  }
  EXPECT_EQ(static_cast<const char*>(stream->GetData())[14], 'e');
}

TEST(ZephStreams, OwnershipAndReadOnlyAdapters) {
  auto* kept = new TMemoryStream();
  {
    IPtr<IZEPHStream> adapter(Create<TZEPHStreamAdapter>(kept, soReference));
    Integer written = 0;
    adapter->Write("ab", 2, &written);
  }
  EXPECT_EQ(kept->GetSize(), 2);
  // An owned stream goes with the adapter (the sanitizer run checks it).
  IPtr<IZEPHStream>(Create<TZEPHStreamAdapter>(kept, soOwned));

  IPtr<IZEPHFileStream> readOnly(
      Create<TZEPHFileStreamAdapterEx>(new TZCLSubStream(new TStringStream(u"hello"), 1, 3, soOwned), true));
  EXPECT_EQ(readOnly->Write("x", 1, nullptr), E_NOTIMPL);
  EXPECT_EQ(readOnly->SetSize(0), E_NOTIMPL);
  char buffer[4] = {};
  EXPECT_EQ(readOnly->Read(buffer, 4), 3);
  Int64 offset = 0, size = 0;
  EXPECT_EQ(readOnly->GetClipping(offset, size), S_OK);
  EXPECT_EQ(offset, 1);
  EXPECT_EQ(size, 3);
  IPtr<IZEPHString> name;
  EXPECT_EQ(readOnly->GetFileName(name), E_FAIL);

  EXPECT_THROW(Create<TZEPHStreamAdapter>(static_cast<TStream*>(nullptr), soReference), EStreamError);
}

TEST(ZephStreams, FileAdapterKnowsItsNameAndWrapperTalksThroughPluginStreams) {
  const String file = UTF8ToString(TempDir()) + u"/stream.bin";
  {
    IPtr<IZEPHFileStream> created(Create<TZEPHFileStreamAdapter>(file, fmCreate));
    EXPECT_EQ(created->Write("abc", 3, nullptr), S_OK);
    IPtr<IZEPHString> name;
    ASSERT_EQ(created->GetFileName(name), S_OK);
    EXPECT_EQ(PluginStringText(name.get()), file);
    Int64 offset = 0, size = 0;
    EXPECT_EQ(created->GetClipping(offset, size), E_FAIL);
  }
  IPtr<IZEPHStream> source(Create<TZEPHFileStreamAdapter>(MakePluginString(file).get(), fmOpenRead));
  TZEPHStreamWrapper wrapper(source.get());
  EXPECT_EQ(wrapper.GetSize(), 3);
  EXPECT_EQ(wrapper.Seek(1, soBeginning), 1);
  char c = 0;
  EXPECT_EQ(wrapper.Read(&c, 1), 1);
  EXPECT_EQ(c, 'b');
  // The file is open for reading only: a write fails and counts 0.
  IPtr<IZEPHStream> readOnly(Create<TZEPHStreamAdapter>(new TMemoryStream(), soOwned, true));
  TZEPHStreamWrapper refusing(readOnly.get());
  EXPECT_EQ(refusing.Write("x", 1), 0);
  EXPECT_THROW(refusing.SetSize(4), EAbort);
}

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "os/OS.Environment.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Objects.h"
#include "zcl/base/ZCL.Utils.Common.h"

namespace {

TEST(CommonUtils, VersionTest) {
  struct Case {
    Integer Major, Minor, Build, RunMajor, RunMinor, RunBuild;
    bool Expected;
  } cases[] = {
      {10, 0, -1, 10, 0, 19045, true},    {10, 0, 22000, 10, 0, 19045, false}, {6, 3, 0, 10, 0, 19045, true},
      {10, 0, 19045, 10, 0, 19045, true}, {11, 0, 0, 10, 0, 19045, false},     {10, 1, 0, 10, 0, 19045, false},
      {10, 0, 0, 10, 1, 0, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(detail::IsVersionOrLater(c.Major, c.Minor, c.Build, c.RunMajor, c.RunMinor, c.RunBuild), c.Expected)
        << c.Major << "." << c.Minor << "." << c.Build;
  // The newest platform behaviour applies: the Windows 11 variants are chosen.
  EXPECT_TRUE(IsWindowsVersionOrLater(10, 0, 22000));
  EXPECT_TRUE(IsWindowsVersionOrLater(6, 3, 0));
  EXPECT_FALSE(IsWindowsVersionOrLater(1000, 0, 0));
}

TEST(CommonUtils, SystemFacts) {
  EXPECT_FALSE(IsWine());
  String text = GetOSVersionText();
  EXPECT_NE(text.find(u" / "), String::npos);
  EXPECT_EQ(text.find(u"Wine"), String::npos);

  EXPECT_EQ(SetErrorModeForThread(1), 0u);
  EXPECT_EQ(SetErrorModeForThread(0), 1u);

  errno = 5;
  EXPECT_EQ(static_cast<uint32_t>(LastErrorToHResult()), 0x80070005u);
  EXPECT_FALSE(GetLastErrorText().empty());
  errno = 0;
  EXPECT_EQ(static_cast<uint32_t>(LastErrorToHResult()), 0x80004005u);
}

TEST(CommonUtils, LibraryLoading) {
  HMODULE module = SafeLoadLibrary(u"libm.so.6");
  ASSERT_NE(module, nullptr);
  bool allFound = true;
  EXPECT_NE(GetProcAddressChecked(module, "cos", allFound), nullptr);
  EXPECT_TRUE(allFound);
  EXPECT_EQ(GetProcAddressChecked(module, "no_such_symbol_here", allFound), nullptr);
  EXPECT_NE(GetProcAddressChecked(module, "sin", allFound), nullptr);
  EXPECT_FALSE(allFound);  // stays false once false
  EXPECT_NE(GetModuleFileNameByHandle(module).find(u"libm"), String::npos);
  FreeLibraryAndNil(module);
  EXPECT_EQ(module, nullptr);
  FreeLibraryAndNil(module);
  EXPECT_EQ(SafeLoadLibrary(u"libno-such-library.so"), nullptr);
  EXPECT_EQ(SetErrorModeForThread(0), 0u);  // restored after loading
}

struct IProbe : virtual IInterface {
  RTL_INTERFACE(IProbe, IInterface, "{6A1C2E4B-0F3D-4B8A-9C11-2D7E5F60A1B2}")
};
struct IOther : virtual IInterface {
  RTL_INTERFACE(IOther, IInterface, "{6A1C2E4B-0F3D-4B8A-9C11-2D7E5F60A1B3}")
};
class TProbe : public TInterfacedObject, public IProbe {
  ZCL_CLASS(TProbe, TInterfacedObject)
 public:
  RTL_INTERFACES(TInterfacedObject, IProbe)
};

TEST(CommonUtils, InterfaceQueries) {
  void* out = &out;
  EXPECT_EQ(ObjectQueryInterface(nullptr, IProbe::IID, &out), E_HANDLE);
  EXPECT_EQ(out, nullptr);
  out = &out;
  EXPECT_EQ(SafeQueryInterface(nullptr, IProbe::IID, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);

  IPtr<IProbe> holder(Create<TProbe>());
  TObject* object = dynamic_cast<TObject*>(holder.get());
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(ObjectQueryInterface(object, IProbe::IID, nullptr), S_OK);
  out = &out;
  EXPECT_EQ(ObjectQueryInterface(object, IOther::IID, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  out = &out;
  EXPECT_FALSE(SupportsIntf(holder.get(), IOther::IID, &out));
  EXPECT_EQ(out, nullptr);
  ASSERT_TRUE(SupportsObject(object, IProbe::IID, &out));
  IInterface* intf = static_cast<IProbe*>(out);
  Safe::Release(intf);  // gives back the reference the query counted
  EXPECT_EQ(intf, nullptr);
  IInterface* forgotten = holder.get();
  Safe::Forget(forgotten);
  EXPECT_EQ(forgotten, nullptr);
}

class TThrowingEquals : public TObject {
  ZCL_CLASS(TThrowingEquals, TObject)
 public:
  bool Equals(const TObject*) const override { throw std::runtime_error("no"); }
};

TEST(CommonUtils, SafeAndBoolean) {
  TObject a, b;
  TThrowingEquals bad;
  EXPECT_TRUE(Safe::Equals(nullptr, nullptr));
  EXPECT_FALSE(Safe::Equals(nullptr, &a));
  EXPECT_TRUE(Safe::Equals(&a, &a));
  EXPECT_FALSE(Safe::Equals(&a, &b));
  EXPECT_FALSE(Safe::Equals(&bad, &a));
  EXPECT_NO_THROW(Safe::Call([] { throw std::runtime_error("swallowed"); }));

  EXPECT_TRUE(TZCLBooleanHelper::ActualValue(TZCLBoolean::Default, true));
  EXPECT_FALSE(TZCLBooleanHelper::ActualValue(TZCLBoolean::False, true));
  EXPECT_TRUE(TZCLBooleanHelper::ActualValue(TZCLBoolean::True, false));
  EXPECT_EQ(TZCLBooleanHelper::From(false), TZCLBoolean::False);
  EXPECT_EQ(static_cast<int>(TZCLBoolean::True), 2);
}

TEST(CommonUtils, MemoryAndText) {
  void* block = std::malloc(8);
  FreeMemAndNil(block);
  EXPECT_EQ(block, nullptr);
  FreeMemAndNil(block);

  String guid = CreateGUIDString();
  ASSERT_EQ(guid.size(), 38u);
  EXPECT_EQ(guid.front(), u'{');
  EXPECT_NE(guid, CreateGUIDString());
  EXPECT_EQ(PointerToHexString(reinterpret_cast<void*>(uintptr_t{0xABCDEF})), u"0000000000ABCDEF");
  unsigned char bytes[4] = {1, 2, 3, 4};
  ZeroMemory(bytes + 1, 2);
  EXPECT_EQ(bytes[0] + bytes[1] + bytes[2] + bytes[3], 5);
  EXPECT_EQ(InvariantFormatSettings().DecimalSeparator, u'.');
}

TEST(CommonUtils, IntegerHelpers) {
  EXPECT_EQ(Swap16(0x1122), 0x2211);
  EXPECT_EQ(Swap32(0x11223344u), 0x44332211u);
  EXPECT_EQ(Swap64(0x1122334455667788ull), 0x8877665544332211ull);
  EXPECT_EQ(MakeInt64(1, 2), 8589934593);
  EXPECT_EQ(HiInteger(0x0000000200000001ull), 2u);
  EXPECT_EQ(LoInteger(0x0000000200000001ull), 1u);
  struct Case {
    int64_t A, B, C, Expected;
  } cases[] = {{10, 1, 3, 3}, {5, 1, 0, 0}, {5, 1, 2, 2}, {7, 1, 2, 4}, {-5, 1, 2, -2}, {INT64_MAX, 4, 1, 0}};
  for (const Case& c : cases) EXPECT_EQ(MulDiv64(c.A, c.B, c.C), c.Expected) << c.A << "*" << c.B << "/" << c.C;
}

}  // namespace

namespace {

TEST(CommonUtils, WindowQueries) {
  WNDCLASS c;
  c.lpfnWndProc = DefWindowProc;
  c.lpszClassName = u"ZTestCommonProbeClassWithAVeryLongNameThatRunsPastSixtyFourCharacters";
  ASSERT_NE(RegisterClass(c), 0);
  HWND window = CreateWindowEx(0, c.lpszClassName, u"", WS_POPUP, 10, 20, 30, 40, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetWindowClassName(window), c.lpszClassName.substr(0, 64));
  EXPECT_EQ(FindWindowByClass(u"ztestcommonprobeclasswithaverylongnamethatrunspastsixtyfourcharacters"), window);
  EXPECT_EQ(GetWindowRectOrEmpty(window), TRect(10, 20, 40, 60));
  String fileName;
  EXPECT_TRUE(GetWindowProcessFileName(window, fileName));
  EXPECT_EQ(fileName, GetModuleFileName());
  DestroyWindow(window);
  UnregisterClass(c.lpszClassName);

  EXPECT_EQ(FindWindowByClass(c.lpszClassName), nullptr);
  EXPECT_EQ(GetWindowRectOrEmpty(window), TRect());
  EXPECT_FALSE(GetWindowProcessFileName(nullptr, fileName));
  EXPECT_TRUE(fileName.empty());
}

}  // namespace

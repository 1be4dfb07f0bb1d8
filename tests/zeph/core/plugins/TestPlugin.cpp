// Plugin libraries for the host's tests, one source built with different definitions:
//   TEST_PLUGIN_FULL     texts, categories 5, an Initialize that registers a service and an
//                        extension of it through its core object, and a call log export
//   TEST_PLUGIN_NOEXPORT no header export
//   TEST_PLUGIN_FAIL     the export answers E_FAIL
//   TEST_PLUGIN_THROWS   SystemNotify and Finalize throw
//   TEST_SOXR_PARTIAL    three of the four resampler entry points
// Includes nothing of the program but the plugin API header.

#if defined(TEST_SOXR_PARTIAL)
extern "C" {
__attribute__((visibility("default"))) void* soxr_create() { return nullptr; }
__attribute__((visibility("default"))) void soxr_delete() {}
__attribute__((visibility("default"))) void soxr_process() {}
}
#else
#include <stdexcept>
#include <string>

#include "zeph/core/ZEPH.Plugins.API.h"

namespace {
std::string GLog;

// The plugin's own service, with an identifier of its own; it accepts extensions.
constexpr ZEPHPluginGUID IID_TEST_SERVICE = {0x5EB1C0DE, 0x0041, 0x4A11, {0x90, 0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7}};

class TTestService final : public IZEPHPluginServiceAttrExtendable {
 public:
  int32_t QueryInterface(const ZEPHPluginGUID& IID, void** Obj) override {
    if (ZEPHPluginSameGUID(IID, IID_TEST_SERVICE) || ZEPHPluginSameGUID(IID, ZEPH_IID_UNKNOWN) ||
        ZEPHPluginSameGUID(IID, ZEPH_IID_SERVICE_ATTR_EXTENDABLE)) {
      if (Obj) {
        AddRef();
        *Obj = static_cast<IZEPHPluginServiceAttrExtendable*>(this);
      }
      return ZEPH_S_OK;
    }
    if (Obj) *Obj = nullptr;
    return ZEPH_E_NOINTERFACE;
  }
  int32_t AddRef() override { return ++FRefs; }
  int32_t Release() override { return --FRefs; }
  void RegisterExtension(IZEPHPluginUnknown*) override { GLog += "Service+Extension;"; }
  void UnregisterExtension(IZEPHPluginUnknown*) override { GLog += "Service-Extension;"; }
  int32_t FRefs = 1;
};

class TTestExtension final : public IZEPHPluginUnknown {
 public:
  int32_t QueryInterface(const ZEPHPluginGUID& IID, void** Obj) override {
    if (ZEPHPluginSameGUID(IID, ZEPH_IID_UNKNOWN)) {
      if (Obj) {
        AddRef();
        *Obj = this;
      }
      return ZEPH_S_OK;
    }
    if (Obj) *Obj = nullptr;
    return ZEPH_E_NOINTERFACE;
  }
  int32_t AddRef() override { return ++FRefs; }
  int32_t Release() override { return --FRefs; }
  int32_t FRefs = 1;
};

TTestService GService;
TTestExtension GExtension;

class TTestPlugin final : public IZEPHPlugin {
 public:
  int32_t QueryInterface(const ZEPHPluginGUID&, void** Obj) override {
    if (Obj) *Obj = nullptr;
    return static_cast<int32_t>(0x80004002);
  }
  int32_t AddRef() override { return ++FRefs; }
  int32_t Release() override {
    GLog += "Release;";
    return --FRefs;
  }
  const char16_t* GetInfo(int32_t Index) override {
    switch (Index) {
      case 0:
        return u"A\r\nB";
      case 1:
        return u"Info\nOne";
      case 2:
        return u"A\r\nB";
      case 3:
        return u"x\ry";
      default:
        return nullptr;
    }
  }
  uint32_t GetCategories() override {
#if defined(TEST_PLUGIN_THROWS)
    return 32;
#else
    return 5;
#endif
  }
  int32_t Initialize(IZEPHPluginCore* Core) override {
    GLog += "Initialize;";
#if defined(TEST_PLUGIN_FULL)
    // Kind 4 is the plugins folder; the text is only checked for being there.
    IZEPHPluginString* path = nullptr;
    if (Core->GetPath(4, path) >= 0 && path) {
      GLog += path->GetLength() > 0 && path->GetData() ? "Path;" : "EmptyPath;";
      path->Release();
    }
    int32_t result = Core->RegisterService(&GService);
    if (result < 0) return result;
    result = Core->RegisterExtension(IID_TEST_SERVICE, &GExtension);
    if (result < 0) return result;
    // The core object reaches the registered service too.
    void* found = nullptr;
    if (Core->QueryInterface(IID_TEST_SERVICE, &found) >= 0 &&
        found == static_cast<IZEPHPluginServiceAttrExtendable*>(&GService)) {
      GLog += "Found;";
      GService.Release();
    }
#else
    (void)Core;
#endif
    return 0;
  }
  void Finalize() override {
    GLog += "Finalize;";
#if defined(TEST_PLUGIN_THROWS)
    throw std::runtime_error("Finalize failed");
#endif
  }
  void SystemNotify(int32_t Code, IZEPHPluginUnknown* Object) override {
    // The host hands over a library's own object as it is, and none of its own.
    GLog += "SystemNotify " + std::to_string(Code) + (Object == &GService ? " own" : Object ? " other" : "") + ";";
#if defined(TEST_PLUGIN_THROWS)
    throw std::runtime_error("SystemNotify failed");
#endif
  }

 private:
  int32_t FRefs = 1;
};

TTestPlugin GPlugin;
}  // namespace

extern "C" {
#if !defined(TEST_PLUGIN_NOEXPORT)
__attribute__((visibility("default"))) int32_t ZEPHPluginGetHeader(IZEPHPlugin** Header) {
#if defined(TEST_PLUGIN_FAIL)
  *Header = nullptr;
  return static_cast<int32_t>(0x80004005);
#else
  GPlugin.AddRef();
  *Header = &GPlugin;
  return 0;
#endif
}
#endif
__attribute__((visibility("default"))) const char* TestPluginCallLog() { return GLog.c_str(); }
// References the host still holds on the service and the extension, beyond the plugin's own.
__attribute__((visibility("default"))) int32_t TestPluginHeldReferences() {
  return GService.FRefs - 1 + GExtension.FRefs - 1;
}
}
#endif

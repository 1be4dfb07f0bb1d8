// Plugin libraries for the host's tests, one source built with different definitions:
//   TEST_PLUGIN_FULL     texts, categories 5 and a call log export
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
  int32_t Initialize(void*) override {
    GLog += "Initialize;";
    return 0;
  }
  void Finalize() override {
    GLog += "Finalize;";
#if defined(TEST_PLUGIN_THROWS)
    throw std::runtime_error("Finalize failed");
#endif
  }
  void SystemNotify(int32_t Code, void*) override {
    GLog += "SystemNotify " + std::to_string(Code) + ";";
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
}
#endif

#pragma once
// What a plugin library sees of the host. Self-contained on purpose: a plugin includes this
// header alone and links nothing of the program.
//
// A plugin library exports, with C linkage, ZEPH_PLUGIN_EXPORT_NAME of the type
// TZEPHPluginGetHeaderProc. A negative answer is a failure.

#include <cstdint>

struct ZEPHPluginGUID {
  uint32_t D1;
  uint16_t D2;
  uint16_t D3;
  uint8_t D4[8];
};

struct IZEPHPluginUnknown {
  virtual int32_t QueryInterface(const ZEPHPluginGUID& IID, void** Obj) = 0;
  virtual int32_t AddRef() = 0;
  virtual int32_t Release() = 0;

 protected:
  ~IZEPHPluginUnknown() = default;
};

// Category flags: 1 shl the category number. Flag 4 marks a visualization.
constexpr uint32_t ZEPH_PLUGIN_CATEGORY_VISUALIZATION = 4;

// The plugin's header.
struct IZEPHPlugin : IZEPHPluginUnknown {
  // 0 the name; 1, 2, 3 further texts; null for none. Zero-terminated UTF-16.
  virtual const char16_t* GetInfo(int32_t Index) = 0;
  virtual uint32_t GetCategories() = 0;
  // Core is the plugin's own core object (the host's IZEPHCore).
  virtual int32_t Initialize(void* Core) = 0;
  virtual void Finalize() = 0;
  virtual void SystemNotify(int32_t Code, void* Object) = 0;

 protected:
  ~IZEPHPlugin() = default;
};

#define ZEPH_PLUGIN_EXPORT_NAME "ZEPHPluginGetHeader"
extern "C" typedef int32_t (*TZEPHPluginGetHeaderProc)(IZEPHPlugin** Header);

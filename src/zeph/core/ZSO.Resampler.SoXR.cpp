#include "zeph/core/ZSO.Resampler.SoXR.h"

bool SoxrAvailable = false;
TZSOSoxrEntries SoxrEntries;

String SoxrLibraryName() { return u"libsoxr.so.0"; }

void SoxrBind(const String& Name) {
  SoxrEntries = TZSOSoxrEntries{};
  HMODULE handle = LoadLibrary(Name);
  SoxrAvailable = handle != 0;
  if (!handle) return;
  void** entries[] = {&SoxrEntries.Create, &SoxrEntries.Delete, &SoxrEntries.Process, &SoxrEntries.QualitySpec};
  const char* names[] = {"soxr_create", "soxr_delete", "soxr_process", "soxr_quality_spec"};
  for (size_t i = 0; i < 4; ++i) {
    *entries[i] = GetProcAddress(handle, names[i]);
    if (!*entries[i]) SoxrAvailable = false;
  }
}

void TZSOResamplerUnit::Initialize() { SoxrBind(SoxrLibraryName()); }

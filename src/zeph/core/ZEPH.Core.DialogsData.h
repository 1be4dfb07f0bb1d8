#pragma once
// The shared dialogs data module: the image lists (small and large, light and dark, one per
// scale) and the resource collections that the program's dialogs and the plugin control wrappers
// use. Its components come from its stored form; other stored forms refer to them as
// "dmDialogsData.<name>". The application creates it first and keeps it to the end.

#include "vcl/VCL.Forms.h"

class TCustomImageList;

class TdmDialogsData : public TDataModule {
  ZCL_CLASS(TdmDialogsData, TDataModule)
 public:
  explicit TdmDialogsData(TComponent* AOwner);
  ~TdmDialogsData() override;

  // The variant of "ilSmall100" for Control's DPI (the system's when it has none) and the
  // current dark mode.
  TCustomImageList* GetSmallImages(TComponent* Control);
};

// The module the application made; null before and after.
TdmDialogsData* dmDialogsData();

void DialogsDataInitialize();

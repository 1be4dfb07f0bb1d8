#include "zeph/core/ZEPH.Core.DialogsData.h"

#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"

namespace {
TdmDialogsData* GDialogsData = nullptr;
}  // namespace

// Named before its stored form is read: other forms find it by this name.
TdmDialogsData::TdmDialogsData(TComponent* AOwner) : TDataModule(AOwner) {
  SetName(u"dmDialogsData");
  if (!GDialogsData) GDialogsData = this;
}

TdmDialogsData::~TdmDialogsData() {
  if (GDialogsData == this) GDialogsData = nullptr;
}

TCustomImageList* TdmDialogsData::GetSmallImages(TComponent* Control) {
  auto* list = dynamic_cast<TCustomImageList*>(FindComponent(u"ilSmall100"));
  return TZCLImageListReplacer::GetReplacement(list, Control);
}

TdmDialogsData* dmDialogsData() { return GDialogsData; }

void DialogsDataInitialize() {
  RegisterProperties<TdmDialogsData>();
  RegisterClasses({TdmDialogsData::StaticClass(), TZCLImageList::StaticClass(), TZCLResourceCollection::StaticClass()});
}

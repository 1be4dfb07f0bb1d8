#include "zeph/playlists/ZEPH.Playlists.Preimages.Playlist.Dialog.h"

#include <memory>

#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/ui/ZCL.UI.DragDrop.Target.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Playlist.h"
#include "zeph/playlists/ZEPH.UI.DialogControls.h"

TZEPHPlaylistPreimageDialog::TZEPHPlaylistPreimageDialog(TComponent* AOwner) : TForm(AOwner) {
  SetName(u"ZEPHPlaylistPreimageDialog");
  SetClientWidth(560);
  SetClientHeight(400);
  SetBorderStyle(bsSingle);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetPosition(poOwnerFormCenter);
  edFileURI = ZephAddDialogControl<TEdit>(this, u"edFileURI", TRect(8, 28, 552, 49));
  edFileURI->OnChange = TNotifyEvent(this, &TZEPHPlaylistPreimageDialog::edFileURIChange);
  CB1 = ZephAddDialogControl<TCheckBox>(this, u"CB1", TRect(8, 60, 552, 77), u"Synchronize on startup");
  CB2 = ZephAddDialogControl<TCheckBox>(this, u"CB2", TRect(8, 82, 552, 99), u"Synchronize on changes");
  CB2->SetEnabled(false);
  cbSortTemplate = ZephAddDialogControl<TCheckBox>(this, u"cbSortTemplate", TRect(8, 110, 552, 127), u"Sort by template");
  cbSortTemplate->OnClick = TNotifyEvent(this, &TZEPHPlaylistPreimageDialog::cbSortTemplateClick);
  edSortTemplate = ZephAddDialogControl<TEdit>(this, u"edSortTemplate", TRect(24, 132, 552, 153));
  edSortTemplate->SetEnabled(false);
  B1 = ZephAddDialogControl<TButton>(this, u"B1", TRect(388, 367, 468, 392), u"OK");
  B1->SetDefault(true);
  B1->SetModalResult(mrOk);
  B2 = ZephAddDialogControl<TButton>(this, u"B2", TRect(472, 367, 552, 392), u"Cancel");
  B2->SetCancel(true);
  B2->SetModalResult(mrCancel);
  DropTarget = Create<TZCLDropTarget>(this);
  DropTarget->SetTarget(edFileURI);
  DropTarget->OnDrop = TZCLDropTargetDropEvent(this, &TZEPHPlaylistPreimageDialog::DropTargetDrop);
  edFileURIChange(nullptr);
}

void TZEPHPlaylistPreimageDialog::LoadFrom(TZEPHPlaylistBasedPreimage* Preimage) {
  edFileURI->SetText(Preimage->GetURI());
  CB1->SetChecked(Preimage->GetAutoSyncOnStartup());
  CB2->SetChecked(Preimage->GetAutoSyncOnChanges());
  edSortTemplate->SetText(Preimage->GetSortingTemplate());
  cbSortTemplate->SetChecked(!Preimage->GetSortingTemplate().empty());
  cbSortTemplateClick(nullptr);
  edFileURIChange(nullptr);
}

void TZEPHPlaylistPreimageDialog::SaveTo(TZEPHPlaylistBasedPreimage* Preimage) {
  Preimage->SetAutoSyncOnStartup(CB1->GetChecked());
  Preimage->SetAutoSyncOnChanges(CB2->GetChecked());
  Preimage->SetSortingTemplate(cbSortTemplate->GetChecked() ? edSortTemplate->GetText() : String());
  Preimage->SetURI(edFileURI->GetText());
}

void TZEPHPlaylistPreimageDialog::FilesDropped(const std::vector<String>& Files) {
  if (Files.empty()) return;
  if (GetFileManager()->GetKnownFormats()->IsSupported(Files.front(), zfkmPlaylists)) edFileURI->SetText(Files.front());
}

void TZEPHPlaylistPreimageDialog::edFileURIChange(TObject*) {
  const String text = edFileURI->GetText();
  CB2->SetEnabled(!zcIsURL(text));
  B1->SetEnabled(!text.empty());
}

void TZEPHPlaylistPreimageDialog::cbSortTemplateClick(TObject*) {
  edSortTemplate->SetEnabled(cbSortTemplate->GetChecked());
}

void TZEPHPlaylistPreimageDialog::DropTargetDrop(TZCLDropTarget* Sender, TShiftState, TPoint, TZCLDropAction) {
  auto list = std::make_unique<TZCLStringList>();
  if (!Sender->GetFiles(list.get())) return;
  std::vector<String> files;
  for (Integer i = 0; i < list->GetCount(); ++i) files.push_back(list->GetStrings(i));
  FilesDropped(files);
}

#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.Dialog.h"

#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.h"
#include "zeph/playlists/ZEPH.UI.DialogControls.h"
#include "zeph/playlists/ZEPH.UI.SearchPathList.h"

namespace {
// The browse start folder survives the dialog for the whole run.
String LastUsedFolder;

}  // namespace

TZEPHPlaylistFoldersPreimageDialog::TZEPHPlaylistFoldersPreimageDialog(TComponent* AOwner) : TForm(AOwner) {
  SetName(u"ZEPHPlaylistFoldersPreimageDialog");
  SetClientWidth(624);
  SetClientHeight(461);
  SetPosition(poMainFormCenter);
  tlPaths = ZephAddDialogControl<TZEPHSearchPathList>(this, u"tlPaths", TRect(8, 8, 520, 300));
  tlPaths->OnUpdated = TNotifyEvent(this, &TZEPHPlaylistFoldersPreimageDialog::tlPathsUpdated);
  btnDeleteSelected = ZephAddDialogControl<TButton>(this, u"btnDeleteSelected", TRect(528, 8, 616, 33), u"Delete");
  btnDeleteSelected->OnClick = TNotifyEvent(this, &TZEPHPlaylistFoldersPreimageDialog::btnDeleteSelectedClick);
  btnDeleteAll = ZephAddDialogControl<TButton>(this, u"btnDeleteAll", TRect(528, 40, 616, 65), u"Delete All");
  btnDeleteAll->OnClick = TNotifyEvent(this, &TZEPHPlaylistFoldersPreimageDialog::btnDeleteAllClick);
  edIgnoredExts = ZephAddDialogControl<TEdit>(this, u"edIgnoredExts", TRect(8, 308, 616, 329));
  cbSyncOnStartup = ZephAddDialogControl<TCheckBox>(this, u"cbSyncOnStartup", TRect(8, 336, 616, 353), u"Synchronize on startup");
  cbSyncOnChanges = ZephAddDialogControl<TCheckBox>(this, u"cbSyncOnChanges", TRect(8, 358, 616, 375), u"Synchronize on changes");
  cbSortTemplate = ZephAddDialogControl<TCheckBox>(this, u"cbSortTemplate", TRect(8, 380, 616, 397), u"Sort by template");
  cbSortTemplate->OnClick = TNotifyEvent(this, &TZEPHPlaylistFoldersPreimageDialog::cbSortTemplateClick);
  edSortTemplate = ZephAddDialogControl<TEdit>(this, u"edSortTemplate", TRect(24, 400, 616, 421));
  edSortTemplate->SetEnabled(false);
  btnOk = ZephAddDialogControl<TButton>(this, u"btnOk", TRect(452, 428, 532, 453), u"OK");
  btnOk->SetDefault(true);
  btnOk->SetModalResult(mrOk);
  btnCancel = ZephAddDialogControl<TButton>(this, u"btnCancel", TRect(536, 428, 616, 453), u"Cancel");
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(mrCancel);
  tlPaths->LastPath = LastUsedFolder;
  tlPathsUpdated(nullptr);
}

TZEPHPlaylistFoldersPreimageDialog::~TZEPHPlaylistFoldersPreimageDialog() = default;

void TZEPHPlaylistFoldersPreimageDialog::BeforeDestruction() {
  // The controls go with the form's components, before its destructor runs.
  LastUsedFolder = tlPaths->LastPath;
  inherited::BeforeDestruction();
}

void TZEPHPlaylistFoldersPreimageDialog::LoadFrom(TZEPHPlaylistFoldersPreimage* Preimage) {
  cbSyncOnChanges->SetChecked(Preimage->GetAutoSyncOnChanges());
  cbSyncOnStartup->SetChecked(Preimage->GetAutoSyncOnStartup());
  edIgnoredExts->SetText(Preimage->GetIgnoredExts());
  tlPaths->LoadPaths(Preimage->GetPaths());
  cbSortTemplate->SetChecked(!Preimage->GetSortingTemplate().empty());
  edSortTemplate->SetText(Preimage->GetSortingTemplate());
  cbSortTemplateClick(nullptr);
}

void TZEPHPlaylistFoldersPreimageDialog::SaveTo(TZEPHPlaylistFoldersPreimage* Preimage) {
  Preimage->SetSortingTemplate(cbSortTemplate->GetChecked() ? edSortTemplate->GetText() : String());
  tlPaths->SavePaths(Preimage->GetPaths());
  Preimage->SetAutoSyncOnChanges(cbSyncOnChanges->GetChecked());
  Preimage->SetAutoSyncOnStartup(cbSyncOnStartup->GetChecked());
  Preimage->SetIgnoredExts(edIgnoredExts->GetText());
}

void TZEPHPlaylistFoldersPreimageDialog::tlPathsUpdated(TObject*) {
  btnOk->SetEnabled(tlPaths->GetCount() > 0);
  btnDeleteSelected->SetEnabled(tlPaths->HasSelection());
  btnDeleteAll->SetEnabled(tlPaths->GetCount() > 0);
}

void TZEPHPlaylistFoldersPreimageDialog::cbSortTemplateClick(TObject*) {
  edSortTemplate->SetEnabled(cbSortTemplate->GetChecked());
}

void TZEPHPlaylistFoldersPreimageDialog::btnDeleteSelectedClick(TObject*) { tlPaths->DeleteSelected(); }

void TZEPHPlaylistFoldersPreimageDialog::btnDeleteAllClick(TObject*) { tlPaths->DeleteAll(); }

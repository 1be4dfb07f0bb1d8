#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.Dialog.h"

#include <algorithm>
#include <vector>

#include "rtl/RTL.Strings.h"
#include "vcl/VCL.ActnList.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.Check.h"
#include "zcl/ui/controls/ZCL.UI.Controls.TabControl.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/controls/ZCL.UI.Labels.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.Legend.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.Helpers.h"
#include "zeph/playlists/ZEPH.UI.DialogControls.h"
#include "zeph/playlists/ZEPH.UI.SearchPathList.h"

namespace {
// The browse start folder survives the dialog for the whole run.
String LastUsedFolder;

// The masks of a ";"-separated list, empty parts dropped.
std::vector<String> SplitMasks(const String& List) {
  std::vector<String> masks;
  size_t start = 0;
  while (start < List.size()) {
    size_t end = List.find(u';', start);
    if (end == String::npos) end = List.size();
    if (end > start) masks.push_back(List.substr(start, end - start));
    start = end + 1;
  }
  return masks;
}
}  // namespace

TZEPHPlaylistFoldersPreimageDialog::TZEPHPlaylistFoldersPreimageDialog(TComponent* AOwner)
    : TZCLLocalizableForm(AOwner) {
  SetName(u"ZEPHPlaylistFoldersPreimageDialog");
  SetCaption(u"Folders");
  SetClientWidth(624);
  SetClientHeight(461);
  GetConstraints()->SetMinWidth(640);
  GetConstraints()->SetMinHeight(500);
  SetPosition(poMainFormCenter);

  pcMain = ZephAddDialogControl<TZCLPageControl>(this, this, u"pcMain", TRect(0, 0, 624, 421));
  pcMain->SetAlign(alClient);
  pcpFolders = pcMain->AddPage(u"Folders");
  pcpFolders->SetName(u"pcpFolders");
  pcpSettings = pcMain->AddPage(u"Settings");
  pcpSettings->SetName(u"pcpSettings");

  tlPaths = ZephAddDialogControl<TZEPHSearchPathList>(this, pcpFolders, u"tlPaths", TRect(8, 8, 504, 372));
  tlPaths->SetAlign(alClient);
  tlPaths->OnUpdated = TNotifyEvent(this, &TZEPHPlaylistFoldersPreimageDialog::tlPathsUpdated);

  pnlButtons = ZephAddDialogControl<TZCLPanel>(this, pcpFolders, u"pnlButtons", TRect(512, 0, 608, 380));
  pnlButtons->SetAlign(alRight);
  btnAdd = ZephAddDialogControl<TButton>(this, pnlButtons, u"btnAdd", TRect(8, 8, 96, 33));
  btnDeleteSelected = ZephAddDialogControl<TButton>(this, pnlButtons, u"btnDeleteSelected", TRect(8, 40, 96, 65));
  btnDeleteAll = ZephAddDialogControl<TButton>(this, pnlButtons, u"btnDeleteAll", TRect(8, 72, 96, 97));
  L2 = ZephAddDialogControl<TZCLLabel>(this, pcpSettings, u"L2", TRect(8, 8, 600, 24), u"Excluded file types:");
  edIgnoredExts = ZephAddDialogControl<TZCLCheckComboBox>(this, pcpSettings, u"edIgnoredExts", TRect(8, 28, 600, 49));
  edIgnoredExts->SetAnchors(TAnchors{akLeft, akTop, akRight});
  cbSyncOnStartup = ZephAddDialogControl<TCheckBox>(this, pcpSettings, u"cbSyncOnStartup", TRect(8, 60, 600, 77),
                                                    u"Synchronize on startup");
  cbSyncOnChanges = ZephAddDialogControl<TCheckBox>(this, pcpSettings, u"cbSyncOnChanges", TRect(8, 82, 600, 99),
                                                    u"Synchronize on changes");
  cbSortTemplate = ZephAddDialogControl<TCheckBox>(this, pcpSettings, u"cbSortTemplate", TRect(8, 110, 600, 127),
                                                   u"Sort by template");
  cbSortTemplate->OnClick = TNotifyEvent(this, &TZEPHPlaylistFoldersPreimageDialog::cbSortTemplateClick);
  edSortTemplate = ZephAddDialogControl<TZCLEdit>(this, pcpSettings, u"edSortTemplate", TRect(24, 132, 600, 153));
  edSortTemplate->SetAnchors(TAnchors{akLeft, akTop, akRight});
  edSortTemplate->GetButtons()->Add(u"...")->OnClick =
      TNotifyEvent(this, &TZEPHPlaylistFoldersPreimageDialog::edSortTemplateButtonClick);
  edSortTemplate->SetEnabled(false);
  L1 = ZephAddDialogControl<TZCLLabel>(this, pcpSettings, u"L1", TRect(24, 160, 600, 196),
                                       u"The template decides the order after each synchronization.");
  L1->SetEnabled(false);

  // The footer comes after the pages, so that the folder list takes the focus first.
  pnlFooter = ZephAddDialogControl<TZCLPanel>(this, this, u"pnlFooter", TRect(0, 421, 624, 461));
  pnlFooter->SetAlign(alBottom);
  btnOk = ZephAddDialogControl<TButton>(this, pnlFooter, u"btnOk", TRect(452, 8, 532, 33), u"OK");
  btnOk->SetAnchors(TAnchors{akTop, akRight});
  btnOk->SetDefault(true);
  btnOk->SetModalResult(mrOk);
  btnCancel = ZephAddDialogControl<TButton>(this, pnlFooter, u"btnCancel", TRect(536, 8, 616, 33), u"Cancel");
  btnCancel->SetAnchors(TAnchors{akTop, akRight});
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(mrCancel);

  FillIgnoredExts();
  btnAdd->SetAction(tlPaths->GetAction(0));
  btnDeleteSelected->SetAction(tlPaths->GetAction(1));
  btnDeleteAll->SetAction(tlPaths->GetAction(2));
  tlPaths->LastPath = LastUsedFolder;
  tlPathsUpdated(nullptr);
}

TZEPHPlaylistFoldersPreimageDialog::~TZEPHPlaylistFoldersPreimageDialog() = default;

void TZEPHPlaylistFoldersPreimageDialog::BeforeDestruction() {
  // The controls go with the form's components, before its destructor runs.
  LastUsedFolder = tlPaths->LastPath;
  inherited::BeforeDestruction();
}

void TZEPHPlaylistFoldersPreimageDialog::LocalizeForm() {
  inherited::LocalizeForm();
  L1->SetCaption(LangGet(u"OptionsFrameSort", u"L1", L1->GetCaption()));
}

void TZEPHPlaylistFoldersPreimageDialog::FillIgnoredExts() {
  TZEPHFileManager* manager = GetFileManager();
  if (!manager) return;
  std::vector<String> masks = SplitMasks(AnsiUpperCase(manager->GetKnownFormats()->GetExtList(1u << zfkAudio)));
  std::sort(masks.begin(), masks.end());
  masks.erase(std::unique(masks.begin(), masks.end()), masks.end());
  for (const String& mask : masks) edIgnoredExts->GetItems()->Add(mask);
}

void TZEPHPlaylistFoldersPreimageDialog::LoadFrom(TZEPHPlaylistFoldersPreimage* Preimage) {
  cbSyncOnChanges->SetChecked(Preimage->GetAutoSyncOnChanges());
  cbSyncOnStartup->SetChecked(Preimage->GetAutoSyncOnStartup());
  // A stored mask the box does not offer (another case, a format no longer known) would be lost
  // on OK: it joins the items, the known ones are matched ignoring case as the scan compares them.
  String exts;
  for (const String& mask : SplitMasks(Preimage->GetIgnoredExts())) {
    TZCLCheckComboBoxItem* item = nullptr;
    for (Integer i = 0; i < edIgnoredExts->GetItems()->GetCount() && !item; ++i)
      if (SameText(edIgnoredExts->GetItems()->GetItem(i)->GetText(), mask)) item = edIgnoredExts->GetItems()->GetItem(i);
    if (!item) item = edIgnoredExts->GetItems()->Add(mask);
    exts += item->GetText() + u";";
  }
  edIgnoredExts->SetText(exts);
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

void TZEPHPlaylistFoldersPreimageDialog::ShowTemplateLegend() {
  const TPoint below = edSortTemplate->ClientToScreen(TPoint(0, edSortTemplate->GetHeight()));
  TZEPHFileInfoFormatterLegend::Instance()->PopupForControl(edSortTemplate, below,
                                                             TZEPHPlaylistItemFormatStringFactory::Instance());
}

void TZEPHPlaylistFoldersPreimageDialog::tlPathsUpdated(TObject*) { btnOk->SetEnabled(tlPaths->GetCount() > 0); }

void TZEPHPlaylistFoldersPreimageDialog::cbSortTemplateClick(TObject*) {
  edSortTemplate->SetEnabled(cbSortTemplate->GetChecked());
}

void TZEPHPlaylistFoldersPreimageDialog::edSortTemplateButtonClick(TObject*) { ShowTemplateLegend(); }

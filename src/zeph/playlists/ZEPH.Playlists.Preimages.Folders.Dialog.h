#pragma once
// The folders preimage's settings on two pages: the folders with their Recursive flags, then the
// excluded extensions, the two synchronisation options and the sorting template. Texts come from
// the language file's section "ZEPHPlaylistFoldersPreimageDialog".

#include "vcl/VCL.StdCtrls.h"
#include "zcl/ui/ZCL.UI.Forms.h"

class TZCLCheckComboBox;
class TZCLEdit;
class TZCLLabel;
class TZCLPageControl;
class TZCLPageControlPage;
class TZCLPanel;
class TZEPHPlaylistFoldersPreimage;
class TZEPHSearchPathList;

class TZEPHPlaylistFoldersPreimageDialog : public TZCLLocalizableForm {
  ZCL_CLASS(TZEPHPlaylistFoldersPreimageDialog, TZCLLocalizableForm)
 public:
  explicit TZEPHPlaylistFoldersPreimageDialog(TComponent* AOwner);
  ~TZEPHPlaylistFoldersPreimageDialog() override;
  void BeforeDestruction() override;
  void LocalizeForm() override;
  void LoadFrom(TZEPHPlaylistFoldersPreimage* Preimage);
  // One change notification for the folders, then the options.
  void SaveTo(TZEPHPlaylistFoldersPreimage* Preimage);
  // Opens the macro legend under the template edit; the chosen macro goes into it.
  void ShowTemplateLegend();

  TZCLPageControl* pcMain;
  TZCLPageControlPage* pcpFolders;
  TZCLPageControlPage* pcpSettings;
  TZEPHSearchPathList* tlPaths;
  TZCLPanel* pnlButtons;
  TButton* btnAdd;
  TButton* btnDeleteSelected;
  TButton* btnDeleteAll;
  TZCLLabel* L2;
  TZCLCheckComboBox* edIgnoredExts;
  TCheckBox* cbSyncOnStartup;
  TCheckBox* cbSyncOnChanges;
  TCheckBox* cbSortTemplate;
  TZCLEdit* edSortTemplate;
  TZCLLabel* L1;
  TZCLPanel* pnlFooter;
  TButton* btnOk;
  TButton* btnCancel;

 private:
  void FillIgnoredExts();
  void tlPathsUpdated(TObject* Sender);
  void cbSortTemplateClick(TObject* Sender);
  void edSortTemplateButtonClick(TObject* Sender);
};

#pragma once
// The folders preimage's settings: the folders with their Recursive flags, the excluded
// extensions, the two synchronisation options and the sorting template.

#include "vcl/VCL.StdCtrls.h"

class TZEPHPlaylistFoldersPreimage;
class TZEPHSearchPathList;

class TZEPHPlaylistFoldersPreimageDialog : public TForm {
  ZCL_CLASS(TZEPHPlaylistFoldersPreimageDialog, TForm)
 public:
  explicit TZEPHPlaylistFoldersPreimageDialog(TComponent* AOwner);
  ~TZEPHPlaylistFoldersPreimageDialog() override;
  void BeforeDestruction() override;
  void LoadFrom(TZEPHPlaylistFoldersPreimage* Preimage);
  // One change notification for the folders, then the options.
  void SaveTo(TZEPHPlaylistFoldersPreimage* Preimage);

  TZEPHSearchPathList* tlPaths;
  TButton* btnDeleteSelected;
  TButton* btnDeleteAll;
  TEdit* edIgnoredExts;
  TCheckBox* cbSyncOnStartup;
  TCheckBox* cbSyncOnChanges;
  TCheckBox* cbSortTemplate;
  TEdit* edSortTemplate;
  TButton* btnOk;
  TButton* btnCancel;

 private:
  void tlPathsUpdated(TObject* Sender);
  void cbSortTemplateClick(TObject* Sender);
  void btnDeleteSelectedClick(TObject* Sender);
  void btnDeleteAllClick(TObject* Sender);
};

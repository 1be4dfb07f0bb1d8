#pragma once
// The playlist-based preimage's settings: the file name or address of the source playlist
// (typed, chosen or dropped), the two synchronisation options and the sorting template.

#include <vector>

#include "vcl/VCL.StdCtrls.h"
#include "zcl/ui/ZCL.UI.DragDrop.Target.h"

class TZEPHPlaylistBasedPreimage;

class TZEPHPlaylistPreimageDialog : public TForm {
  ZCL_CLASS(TZEPHPlaylistPreimageDialog, TForm)
 public:
  explicit TZEPHPlaylistPreimageDialog(TComponent* AOwner);
  void LoadFrom(TZEPHPlaylistBasedPreimage* Preimage);
  void SaveTo(TZEPHPlaylistBasedPreimage* Preimage);
  // Takes the first file when it is a supported playlist file; ignores the drop otherwise.
  void FilesDropped(const std::vector<String>& Files);

  TEdit* edFileURI;
  TCheckBox* CB1;  // synchronise at start-up
  TCheckBox* CB2;  // synchronise on changes (files only)
  TCheckBox* cbSortTemplate;
  TEdit* edSortTemplate;
  TButton* B1;
  TButton* B2;
  TZCLDropTarget* DropTarget;

 private:
  void edFileURIChange(TObject* Sender);
  void cbSortTemplateClick(TObject* Sender);
  void DropTargetDrop(TZCLDropTarget* Sender, TShiftState Shift, TPoint P, TZCLDropAction Action);
};

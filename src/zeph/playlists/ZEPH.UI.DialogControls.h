#pragma once
// Controls of the playlists' dialogs, made in code: named, placed and parented in one call.

#include "vcl/VCL.Controls.h"

template <class T>
T* ZephAddDialogControl(TWinControl* Parent, const char16_t* Name, TRect Bounds, const String& Caption = {}) {
  T* control = Create<T>(Parent);
  control->SetName(Name);
  control->SetBoundsRect(Bounds);
  if (!Caption.empty()) control->SetCaption(Caption);
  control->SetParent(Parent);
  return control;
}

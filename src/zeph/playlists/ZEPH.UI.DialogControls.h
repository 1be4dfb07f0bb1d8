#pragma once
// Controls of the playlists' dialogs, made in code: named, placed and parented in one call.

#include "vcl/VCL.Controls.h"

// Owned by Owner, so that the form's language section reaches it by its name.
template <class T>
T* ZephAddDialogControl(TComponent* Owner, TWinControl* Parent, const char16_t* Name, TRect Bounds,
                        const String& Caption = {}) {
  T* control = Create<T>(Owner);
  control->SetName(Name);
  control->SetBoundsRect(Bounds);
  if (!Caption.empty()) control->SetCaption(Caption);
  control->SetParent(Parent);
  return control;
}

template <class T>
T* ZephAddDialogControl(TWinControl* Parent, const char16_t* Name, TRect Bounds, const String& Caption = {}) {
  return ZephAddDialogControl<T>(Parent, Parent, Name, Bounds, Caption);
}

#pragma once
// The macro legend: a popup menu that lists a template factory's macros and functions by
// category and hands the chosen one ("%Title", "%FileParentDir()") to whoever asked for it.
// Built on the UI class library's popup menu; the styled menu of the controls takes its place
// when it exists.

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Interfaces.h"
#include "vcl/VCL.Menus.h"

class TControl;
class TZBLFileInfoFormatStringFactory;

// Receives the text of the chosen macro.
using TZEPHLegendInsertEvent = TDelegate<void(TObject* Sender, const String& Text)>;

class TZEPHFileInfoFormatterLegend : public TPopupMenu {
  ZCL_CLASS(TZEPHFileInfoFormatterLegend, TPopupMenu)
 public:
  explicit TZEPHFileInfoFormatterLegend(TComponent* AOwner);

  // The shared legend, created on first use.
  static TZEPHFileInfoFormatterLegend* Instance();
  static void FinalizeInstance();

  // Opens at the point for the factory (the shared player factory when null); OnInsert receives
  // the chosen macro.
  void PopupFor(Integer X, Integer Y, TZBLFileInfoFormatStringFactory* Factory, TZEPHLegendInsertEvent OnInsert);
  using TPopupMenu::Popup;
  // Below the screen rectangle, for a plugin's listener.
  void Popup(const TRect& Rect, IInterface* Listener, TZBLFileInfoFormatStringFactory* Factory);
  // At the screen point; the chosen macro goes into Control until the legend opens for someone
  // else or the control goes.
  void PopupForControl(TControl* Control, const TPoint& Point, TZBLFileInfoFormatStringFactory* Factory);
  // Fills the items: one submenu a category ("Templates.Categories"), one item a macro with its
  // description ("Templates"); aliases are left out.
  void Build();

  // Captions "[B]name[/B]description" for a styled menu, else "namedescription".
  bool FormattedCaptions = true;

  TControl* GetTarget() const { return FTarget; }
  // The DPI the menu was last opened for: the target's when it reports one, else the monitor's
  // under the popup point.
  Integer GetDPI() const { return FDPI; }
  // What a click on the item does: into the target edit (or the focused one), else to OnInsert.
  void ItemClick(TObject* Sender);

 protected:
  void DoPopup(TObject* Sender) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void SetTarget(TControl* Value);

  TZBLFileInfoFormatStringFactory* FFactory = nullptr;
  TZEPHLegendInsertEvent FOnInsert;
  TControl* FTarget = nullptr;
  Integer FDPI = 96;
  // FIXME: a plugin listener is kept for the popup only; handing it the text waits for the
  // plugin action and plugin edit interfaces.
  IPtr<IInterface> FListener;
};

// Replaces the selection of Control, or without one of the focused control, when that is an edit
// box or a container around one; false otherwise.
bool InsertIntoEdit(const String& Text, TControl* Control);

// The text a legend item stands for: its hint, else its caption, without "&" and with "(..)"
// written "()".
String LegendItemText(const String& Hint, const String& Caption);

#pragma once
// The macro legend: a popup menu that lists a template factory's macros and functions by
// category and hands the chosen one ("%Title", "%FileParentDir()") to whoever asked for it.
// Built on the UI class library's popup menu; the styled menu of the controls takes its place
// when it exists.

#include "rtl/RTL.Delegates.h"
#include "vcl/VCL.Menus.h"

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
  // Fills the items: one submenu a category ("Templates.Categories"), one item a macro with its
  // description ("Templates"); aliases are left out.
  void Build();

  // Captions "[B]name[/B]description" for a styled menu, else "namedescription".
  bool FormattedCaptions = true;

 protected:
  void DoPopup(TObject* Sender) override;

 private:
  void ItemClick(TObject* Sender);

  TZBLFileInfoFormatStringFactory* FFactory = nullptr;
  TZEPHLegendInsertEvent FOnInsert;
};

// The text a legend item stands for: its hint, else its caption, without "&" and with "(..)"
// written "()".
String LegendItemText(const String& Hint, const String& Caption);

#pragma once
// Pages and tabs for plugins: the page control hands out one sheet wrapper per page (the parent
// of the page's controls), the tab control only a strip of captions; both let the plugin refuse
// a change of the active page or tab.

#include <unordered_map>

#include "zeph/core/ZEPH.Core.UI.h"

class TZCLPageControl;
class TZCLPageControlPage;
class TZCLTabControl;

struct IZEPHUITabSheet : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUITabSheet, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D01B0}")
};

struct IZEPHUIPageControl : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUIPageControl, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D01B1}")
  virtual HRESULT Add(IZEPHString* Name, IPtr<IZEPHUITabSheet>& Sheet) = 0;
  virtual HRESULT Delete(Integer Index) = 0;
  virtual HRESULT DeleteSheet(IZEPHUITabSheet* Sheet) = 0;
  virtual HRESULT GetPage(Integer Index, IPtr<IZEPHUITabSheet>& Sheet) = 0;
  // Not a result code: the count, -1 once the control is gone.
  virtual Integer GetPageCount() = 0;
};

struct IZEPHUITabControl : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUITabControl, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D01B2}")
  virtual HRESULT Add(IZEPHString* Caption) = 0;
  virtual HRESULT Delete(Integer Index) = 0;
  virtual HRESULT GetTab(Integer Index, IPtr<IZEPHString>& Caption) = 0;
  // Not a result code: the count, -1 once the control is gone.
  virtual Integer GetTabCount() = 0;
};

struct IZEPHUIPageControlEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUIPageControlEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D01B3}")
  // Allow arrives -1; 0 keeps the current page.
  virtual void OnActivating(IZEPHUIPageControl* Sender, IZEPHUITabSheet* Sheet, LongBool& Allow) = 0;
  virtual void OnActivated(IZEPHUIPageControl* Sender, IZEPHUITabSheet* Sheet) = 0;
};

struct IZEPHUITabControlEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUITabControlEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D01B4}")
  // Kept for the order of the operations; never called.
  virtual void OnReserved(IZEPHUITabControl* Sender) = 0;
  // Allow arrives -1; 0 keeps the current tab.
  virtual void OnActivating(IZEPHUITabControl* Sender, Integer Index, LongBool& Allow) = 0;
  virtual void OnActivated(IZEPHUITabControl* Sender, Integer Index) = 0;
};

// Property identifiers.
constexpr Integer ZEPH_UI_PAGES_PROP_ACTIVE = 31;  // page control: the active sheet
constexpr Integer ZEPH_UI_SHEET_PROP_CAPTION = 31;
constexpr Integer ZEPH_UI_SHEET_PROP_INDEX = 32;
constexpr Integer ZEPH_UI_SHEET_PROP_VISIBLE = 33;
constexpr Integer ZEPH_UI_TABS_PROP_ACTIVE_INDEX = 31;

// Stands for an existing page, which it never owns.
class TZEPHUIPageControlTabSheet : public TZEPHUIWinControl, public virtual IZEPHUITabSheet {
  ZCL_CLASS(TZEPHUIPageControlTabSheet, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUITabSheet)
 public:
  explicit TZEPHUIPageControlTabSheet(TZCLPageControlPage* APage);
  // E_HANDLE also once the page has left its page control.
  HRESULT CheckState() override;
  TZCLPageControlPage* AsPage() const;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;

 private:
  TZCLPageControlPage* FPage;
};

class TZEPHUIPageControl : public TZEPHUIWinControl, public virtual IZEPHUIPageControl {
  ZCL_CLASS(TZEPHUIPageControl, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUIPageControl)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;
  void BeforeDestruction() override;

  HRESULT Add(IZEPHString* Name, IPtr<IZEPHUITabSheet>& Sheet) override;
  HRESULT Delete(Integer Index) override;
  HRESULT DeleteSheet(IZEPHUITabSheet* Sheet) override;
  HRESULT GetPage(Integer Index, IPtr<IZEPHUITabSheet>& Sheet) override;
  Integer GetPageCount() override;

  TZCLPageControl* AsPageControl() const;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void BindEvents() override;
  void UnbindEvents() override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;

 private:
  // The sheet of the page at Index, made on first request; null outside the pages.
  IPtr<IZEPHUITabSheet> SheetAt(Integer Index);
  IPtr<IZEPHUITabSheet> MakeSheet(TZCLPageControlPage* Page);
  // The page index of a sheet of this control; false for anything else.
  bool IndexOfSheet(IInterface* Sheet, Integer& Index, HRESULT& Result);
  void TabChanging(TObject* Sender, Integer Index);
  void TabChanged(TObject* Sender, Integer Index);

  bool FAdding = false;
  std::unordered_map<TZCLPageControlPage*, IPtr<IZEPHUITabSheet>> FSheets;
};

class TZEPHUITabControl : public TZEPHUIWinControl, public virtual IZEPHUITabControl {
  ZCL_CLASS(TZEPHUITabControl, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUITabControl)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;

  HRESULT Add(IZEPHString* Caption) override;
  HRESULT Delete(Integer Index) override;
  HRESULT GetTab(Integer Index, IPtr<IZEPHString>& Caption) override;
  Integer GetTabCount() override;

  TZCLTabControl* AsTabControl() const;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;

 private:
  void TabChanging(TObject* Sender, Integer Index);
  void TabChanged(TObject* Sender, Integer Index);
};

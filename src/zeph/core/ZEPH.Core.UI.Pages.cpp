#include "zeph/core/ZEPH.Core.UI.Pages.h"

#include "rtl/RTL.Exceptions.h"
#include "zcl/ui/controls/ZCL.UI.Controls.TabControl.h"

namespace {
[[noreturn]] void RaiseIndex(Integer Index, Integer Count) {
  throw EListError(Format(u"List index out of bounds (%d).  Count: %d", {Index, Count}));
}
}  // namespace

// ---- tab sheet ------------------------------------------------------------------------------------

TZEPHUIPageControlTabSheet::TZEPHUIPageControlTabSheet(TZCLPageControlPage* APage)
    : TZEPHUIWinControl(static_cast<IInterface*>(nullptr), static_cast<TComponent*>(nullptr)), FPage(APage) {}

TZCLPageControlPage* TZEPHUIPageControlTabSheet::AsPage() const { return dynamic_cast<TZCLPageControlPage*>(FObject); }

TComponent* TZEPHUIPageControlTabSheet::CreateComponent(TComponent*) { return FPage; }

void TZEPHUIPageControlTabSheet::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  MapProperty(ZEPH_UI_SHEET_PROP_CAPTION, u"Caption", FObject);
  MapProperty(ZEPH_UI_SHEET_PROP_INDEX, u"PageIndex", FObject);
  MapProperty(ZEPH_UI_SHEET_PROP_VISIBLE, u"PageVisible", FObject);
}

HRESULT TZEPHUIPageControlTabSheet::CheckState() {
  const HRESULT r = TZEPHUIWinControl::CheckState();
  if (r < 0) return r;
  return AsPage() && AsPage()->GetPageControl() ? S_OK : E_HANDLE;
}

// ---- page control ---------------------------------------------------------------------------------

TZCLPageControl* TZEPHUIPageControl::AsPageControl() const { return dynamic_cast<TZCLPageControl*>(FObject); }

TComponent* TZEPHUIPageControl::CreateComponent(TComponent* Owner) { return Create<TZCLPageControl>(Owner); }

void TZEPHUIPageControl::BeforeDestruction() {
  TZEPHUIWinControl::BeforeDestruction();
  // Released outside the member: a sheet's last reference runs its own clean-up.
  std::unordered_map<TZCLPageControlPage*, IPtr<IZEPHUITabSheet>> sheets;
  sheets.swap(FSheets);
}

IPtr<IZEPHUITabSheet> TZEPHUIPageControl::MakeSheet(TZCLPageControlPage* Page) {
  IPtr<IZEPHUITabSheet> sheet(static_cast<IZEPHUITabSheet*>(Create<TZEPHUIPageControlTabSheet>(Page)));
  FSheets[Page] = sheet;
  return sheet;
}

IPtr<IZEPHUITabSheet> TZEPHUIPageControl::SheetAt(Integer Index) {
  TZCLPageControl* control = AsPageControl();
  if (!control || Index < 0 || Index >= control->GetPageCount()) return {};
  TZCLPageControlPage* page = control->GetPage(Index);
  auto it = FSheets.find(page);
  return it != FSheets.end() ? it->second : MakeSheet(page);
}

HRESULT TZEPHUIPageControl::Add(IZEPHString* Name, IPtr<IZEPHUITabSheet>& Sheet) {
  Sheet = nullptr;
  return Checked([&] {
    FAdding = true;
    struct TClear {
      bool& Flag;
      ~TClear() { Flag = false; }
    } clear{FAdding};
    TZCLPageControlPage* page = AsPageControl()->AddPage(String());
    try {
      page->SetName(PluginStringToStr(Name));
    } catch (const Exception&) {
      // A refused name leaves nothing behind.
      Free(page);
      return E_INVALIDARG;
    }
    Sheet = MakeSheet(page);
    return S_OK;
  });
}

HRESULT TZEPHUIPageControl::Delete(Integer Index) {
  return Checked([&] {
    TZCLPageControl* control = AsPageControl();
    if (Index < 0 || Index >= control->GetPageCount()) RaiseIndex(Index, control->GetPageCount());
    TZCLPageControlPage* page = control->GetPage(Index);
    IPtr<IZEPHUITabSheet> sheet;
    if (auto it = FSheets.find(page); it != FSheets.end()) {
      sheet = std::move(it->second);
      FSheets.erase(it);
    }
    Free(page);
    return S_OK;
  });
}

bool TZEPHUIPageControl::IndexOfSheet(IInterface* Sheet, Integer& Index, HRESULT& Result) {
  IPtr<IZEPHUITabSheet> sheet;
  if (!Supports(Sheet, sheet)) {
    Result = E_INVALIDARG;
    return false;
  }
  Result = sheet->GetValueAsInt32(ZEPH_UI_SHEET_PROP_INDEX, Index);
  if (Result < 0) return false;
  // A sheet of another page control would name a page of this one by its index.
  TObject* page = nullptr;
  if (AdapterGetObject(Sheet, TZCLPageControlPage::StaticClass(), page, false) < 0 ||
      static_cast<TZCLPageControlPage*>(page)->GetPageControl() != AsPageControl()) {
    Result = E_INVALIDARG;
    return false;
  }
  return true;
}

HRESULT TZEPHUIPageControl::DeleteSheet(IZEPHUITabSheet* Sheet) {
  return Checked([&] {
    Integer index = -1;
    HRESULT r = S_OK;
    if (!IndexOfSheet(Sheet, index, r)) return r;
    return Delete(index);
  });
}

HRESULT TZEPHUIPageControl::GetPage(Integer Index, IPtr<IZEPHUITabSheet>& Sheet) {
  Sheet = nullptr;
  return Checked([&] {
    TZCLPageControl* control = AsPageControl();
    if (Index < 0 || Index >= control->GetPageCount()) RaiseIndex(Index, control->GetPageCount());
    Sheet = SheetAt(Index);
    return S_OK;
  });
}

Integer TZEPHUIPageControl::GetPageCount() {
  return CheckedCount([&] { return AsPageControl()->GetPageCount(); });
}

IPtr<IInterface> TZEPHUIPageControl::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == ZEPH_UI_PAGES_PROP_ACTIVE) {
    IPtr<IZEPHUITabSheet> sheet = SheetAt(AsPageControl()->GetActiveIndex());
    if (!sheet) throw EListError(u"No page is active");
    return IPtr<IInterface>(sheet);
  }
  return TZEPHUIWinControl::DoGetValueAsObject(PropertyID);
}

void TZEPHUIPageControl::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_PAGES_PROP_ACTIVE) {
    Integer index = -1;
    HRESULT r = S_OK;
    if (!IndexOfSheet(Value, index, r)) {
      Result = E_INVALIDARG;
      return;
    }
    AsPageControl()->SetActiveIndex(index);
    return;
  }
  TZEPHUIWinControl::DoSetValueAsObject(PropertyID, Value, Result);
}

void TZEPHUIPageControl::BindEvents() {
  TZEPHUIWinControl::BindEvents();
  TZCLPageControl* control = AsPageControl();
  control->OnTabChanging = TZCLTabsActiveChangeEvent(this, &TZEPHUIPageControl::TabChanging);
  control->OnTabChanged = TZCLTabsActiveChangeEvent(this, &TZEPHUIPageControl::TabChanged);
}

void TZEPHUIPageControl::UnbindEvents() {
  TZEPHUIWinControl::UnbindEvents();
  if (TZCLPageControl* control = AsPageControl()) {
    control->OnTabChanging = nullptr;
    control->OnTabChanged = nullptr;
  }
}

void TZEPHUIPageControl::TabChanging(TObject*, Integer Index) {
  if (FAdding) return;
  auto events = Events<IZEPHUIPageControlEvents>();
  if (!events) return;
  IPtr<IZEPHUITabSheet> sheet = SheetAt(Index);
  LongBool allow = LongTrue;
  events->OnActivating(this, sheet.get(), allow);
  // The tab control takes the silent abort as a refusal.
  if (allow == 0) throw EAbort(u"Operation aborted");
}

void TZEPHUIPageControl::TabChanged(TObject*, Integer Index) {
  if (FAdding) return;
  if (auto events = Events<IZEPHUIPageControlEvents>()) events->OnActivated(this, SheetAt(Index).get());
}

// ---- tab control ----------------------------------------------------------------------------------

TZCLTabControl* TZEPHUITabControl::AsTabControl() const { return dynamic_cast<TZCLTabControl*>(FObject); }

TComponent* TZEPHUITabControl::CreateComponent(TComponent* Owner) { return Create<TZCLTabControl>(Owner); }

void TZEPHUITabControl::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  MapProperty(ZEPH_UI_TABS_PROP_ACTIVE_INDEX, u"ActiveIndex", FObject);
}

HRESULT TZEPHUITabControl::Add(IZEPHString* Caption) {
  return Checked([&] {
    AsTabControl()->GetTabs()->Add(PluginStringToStr(Caption));
    return S_OK;
  });
}

HRESULT TZEPHUITabControl::Delete(Integer Index) {
  return Checked([&] {
    TZCLTabsList* tabs = AsTabControl()->GetTabs();
    if (Index < 0 || Index >= tabs->GetCount()) RaiseIndex(Index, tabs->GetCount());
    tabs->Delete(Index);
    return S_OK;
  });
}

HRESULT TZEPHUITabControl::GetTab(Integer Index, IPtr<IZEPHString>& Caption) {
  Caption = nullptr;
  return Checked([&] {
    TZCLTabsList* tabs = AsTabControl()->GetTabs();
    if (Index < 0 || Index >= tabs->GetCount()) RaiseIndex(Index, tabs->GetCount());
    Caption = MakePluginString(tabs->GetTab(Index)->GetCaption());
    return S_OK;
  });
}

Integer TZEPHUITabControl::GetTabCount() {
  return CheckedCount([&] { return AsTabControl()->GetTabs()->GetCount(); });
}

void TZEPHUITabControl::BindEvents() {
  TZEPHUIWinControl::BindEvents();
  TZCLTabControl* control = AsTabControl();
  control->OnTabChanging = TZCLTabsActiveChangeEvent(this, &TZEPHUITabControl::TabChanging);
  control->OnTabChanged = TZCLTabsActiveChangeEvent(this, &TZEPHUITabControl::TabChanged);
}

void TZEPHUITabControl::UnbindEvents() {
  TZEPHUIWinControl::UnbindEvents();
  if (TZCLTabControl* control = AsTabControl()) {
    control->OnTabChanging = nullptr;
    control->OnTabChanged = nullptr;
  }
}

void TZEPHUITabControl::TabChanging(TObject*, Integer Index) {
  auto events = Events<IZEPHUITabControlEvents>();
  if (!events) return;
  LongBool allow = LongTrue;
  events->OnActivating(this, Index, allow);
  if (allow == 0) throw EAbort(u"Operation aborted");
}

void TZEPHUITabControl::TabChanged(TObject*, Integer Index) {
  if (auto events = Events<IZEPHUITabControlEvents>()) events->OnActivated(this, Index);
}

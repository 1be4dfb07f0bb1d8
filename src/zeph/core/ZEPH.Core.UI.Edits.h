#pragma once
// The text-entry controls plugins get: the edit with buttons in its frame, the memo, and the
// combo boxes (plain, with check boxes, with images) whose items each carry a plugin object
// that the wrapper keeps beside the control's own items.

#include <vector>

#include "zeph/core/ZEPH.Core.UI.h"

class TCustomEdit;
class TZCLCustomEdit;
class TZCLEditButton;
class TZCLMemo;
struct IZEPHUIEditButton;

// Property identifiers of the text-entry controls.
constexpr Integer ZEPH_UI_EDIT_PROP_BORDERS = 31;
constexpr Integer ZEPH_UI_EDIT_PROP_MAX_LENGTH = 32;
constexpr Integer ZEPH_UI_EDIT_PROP_READ_ONLY = 33;
constexpr Integer ZEPH_UI_EDIT_PROP_SEL_LENGTH = 34;
constexpr Integer ZEPH_UI_EDIT_PROP_SEL_START = 35;
constexpr Integer ZEPH_UI_EDIT_PROP_SEL_TEXT = 36;
constexpr Integer ZEPH_UI_EDIT_PROP_TEXT = 37;
constexpr Integer ZEPH_UI_EDIT_PROP_BUTTON_IMAGES = 41;
constexpr Integer ZEPH_UI_EDIT_PROP_PASSWORD_CHAR = 52;
constexpr Integer ZEPH_UI_EDIT_PROP_TEXT_HINT = 53;
// 64 bits: column low, line high, both from 0.
constexpr Integer ZEPH_UI_MEMO_PROP_CARET_POS = 41;
constexpr Integer ZEPH_UI_COMBO_PROP_AUTO_COMPLETE = 51;
constexpr Integer ZEPH_UI_COMBO_PROP_ITEM_INDEX = 52;
constexpr Integer ZEPH_UI_COMBO_PROP_ITEM_OBJECT = 53;
constexpr Integer ZEPH_UI_COMBO_PROP_TEXT = 54;
constexpr Integer ZEPH_UI_COMBO_PROP_MODE = 55;
constexpr Integer ZEPH_UI_CHECK_COMBO_PROP_TEXT = 51;
constexpr Integer ZEPH_UI_IMAGE_COMBO_PROP_IMAGES = 51;
constexpr Integer ZEPH_UI_IMAGE_COMBO_PROP_ITEM_INDEX = 52;

struct IZEPHUIBaseEdit : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUIBaseEdit, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0182}")
  virtual HRESULT CopyToClipboard() = 0;
  virtual HRESULT CutToClipboard() = 0;
  virtual HRESULT PasteFromClipboard() = 0;
  virtual HRESULT SelectAll() = 0;
  virtual HRESULT ClearSelection() = 0;
};

// Properties 1 to 7: caption, enabled, hint, index, image index, visible, width.
struct IZEPHUIEditButton : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHUIEditButton, IZEPHPropertyList, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0183}")
};

struct IZEPHUIBaseButtonnedEdit : virtual IZEPHUIBaseEdit {
  RTL_INTERFACE(IZEPHUIBaseButtonnedEdit, IZEPHUIBaseEdit, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0184}")
  virtual HRESULT AddButton(IInterface* EventsHandler, IPtr<IZEPHUIEditButton>& Button) = 0;
  virtual HRESULT DeleteButton(Integer Index) = 0;
  virtual HRESULT DeleteButtonObject(IZEPHUIEditButton* Button) = 0;
  virtual HRESULT GetButton(Integer Index, IPtr<IZEPHUIEditButton>& Button) = 0;
  // Not a result code: the count, -1 once the control is gone.
  virtual Integer GetButtonCount() = 0;
};

struct IZEPHUIEdit : virtual IZEPHUIBaseButtonnedEdit {
  RTL_INTERFACE(IZEPHUIEdit, IZEPHUIBaseButtonnedEdit, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0185}")
};

struct IZEPHUIMemo : virtual IZEPHUIBaseEdit {
  RTL_INTERFACE(IZEPHUIMemo, IZEPHUIBaseEdit, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0186}")
  virtual HRESULT AddLine(IZEPHString* Text) = 0;
  virtual HRESULT Clear() = 0;
  virtual HRESULT Delete(Integer Index) = 0;
  virtual HRESULT Insert(Integer Index, IZEPHString* Text) = 0;
  virtual HRESULT GetLine(Integer Index, IPtr<IZEPHString>& Text) = 0;
  // Not a result code: the count, -1 once the control is gone.
  virtual Integer GetLineCount() = 0;
  virtual HRESULT SetLine(Integer Index, IZEPHString* Text) = 0;
  virtual HRESULT LoadFromFile(IZEPHString* FileName) = 0;
  virtual HRESULT LoadFromStream(IZEPHStream* Stream) = 0;
  virtual HRESULT SaveToFile(IZEPHString* FileName) = 0;
  virtual HRESULT SaveToStream(IZEPHStream* Stream) = 0;
};

struct IZEPHUIBaseComboBox : virtual IZEPHUIBaseButtonnedEdit {
  RTL_INTERFACE(IZEPHUIBaseComboBox, IZEPHUIBaseButtonnedEdit, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0187}")
  virtual HRESULT Add(IInterface* Item, Integer Data) = 0;
  virtual HRESULT AddList(IZEPHObjectList* List) = 0;
  virtual HRESULT Clear() = 0;
  virtual HRESULT Delete(Integer Index) = 0;
  virtual HRESULT GetItem(Integer Index, const TGUID& IID, void** Obj) = 0;
  // Not a result code: the number of items.
  virtual Integer GetItemCount() = 0;
  virtual HRESULT SetItem(Integer Index, IInterface* Item) = 0;
};

struct IZEPHUIComboBox : virtual IZEPHUIBaseComboBox {
  RTL_INTERFACE(IZEPHUIComboBox, IZEPHUIBaseComboBox, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0188}")
};

struct IZEPHUICheckComboBox : virtual IZEPHUIBaseComboBox {
  RTL_INTERFACE(IZEPHUICheckComboBox, IZEPHUIBaseComboBox, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0189}")
  // Not a result code: -1 checked, else 0 (also for a bad index or a refused call).
  virtual Integer GetChecked(Integer Index) = 0;
  virtual HRESULT SetChecked(Integer Index, LongBool Checked) = 0;
};

struct IZEPHUIImageComboBox : virtual IZEPHUIBaseComboBox {
  RTL_INTERFACE(IZEPHUIImageComboBox, IZEPHUIBaseComboBox, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D018A}")
  // Not a result code: the image index, -1 for a bad index or a refused call.
  virtual Integer GetImageIndex(Integer Index) = 0;
  virtual HRESULT SetImageIndex(Integer Index, Integer ImageIndex) = 0;
};

// ---- wrappers --------------------------------------------------------------------------------------

class TZEPHUIBaseEditControl : public TZEPHUIWinControl, public virtual IZEPHUIBaseEdit {
  ZCL_CLASS(TZEPHUIBaseEditControl, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUIBaseEdit)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;
  HRESULT CopyToClipboard() override;
  HRESULT CutToClipboard() override;
  HRESULT PasteFromClipboard() override;
  HRESULT SelectAll() override;
  HRESULT ClearSelection() override;

 protected:
  // The inner edit that does the text work, its window made; raises when the control has none.
  virtual TCustomEdit* GetEditControl() = 0;
  void ComponentCreated() override;
  void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) override;
  void DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;

 private:
  template <class F>
  HRESULT OnEdit(F&& Body);
};

class TZEPHUIBaseButtonedEditControl : public TZEPHUIBaseEditControl, public virtual IZEPHUIBaseButtonnedEdit {
  ZCL_CLASS(TZEPHUIBaseButtonedEditControl, TZEPHUIBaseEditControl)
  RTL_INTERFACES(TZEPHUIBaseEditControl, IZEPHUIBaseButtonnedEdit)
 public:
  using TZEPHUIBaseEditControl::TZEPHUIBaseEditControl;
  HRESULT AddButton(IInterface* EventsHandler, IPtr<IZEPHUIEditButton>& Button) override;
  HRESULT DeleteButton(Integer Index) override;
  HRESULT DeleteButtonObject(IZEPHUIEditButton* Button) override;
  HRESULT GetButton(Integer Index, IPtr<IZEPHUIEditButton>& Button) override;
  Integer GetButtonCount() override;
  TZCLCustomEdit* AsEdit() const;

 protected:
  TCustomEdit* GetEditControl() override;
  void BindEvents() override;
  void UnbindEvents() override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;
};

class TZEPHUIEditControl : public TZEPHUIBaseButtonedEditControl, public virtual IZEPHUIEdit {
  ZCL_CLASS(TZEPHUIEditControl, TZEPHUIBaseButtonedEditControl)
  RTL_INTERFACES(TZEPHUIBaseButtonedEditControl, IZEPHUIEdit)
 public:
  using TZEPHUIBaseButtonedEditControl::TZEPHUIBaseButtonedEditControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
};

class TZEPHUIMemoControl : public TZEPHUIBaseEditControl, public virtual IZEPHUIMemo {
  ZCL_CLASS(TZEPHUIMemoControl, TZEPHUIBaseEditControl)
  RTL_INTERFACES(TZEPHUIBaseEditControl, IZEPHUIMemo)
 public:
  using TZEPHUIBaseEditControl::TZEPHUIBaseEditControl;
  HRESULT AddLine(IZEPHString* Text) override;
  HRESULT Clear() override;
  HRESULT Delete(Integer Index) override;
  HRESULT Insert(Integer Index, IZEPHString* Text) override;
  HRESULT GetLine(Integer Index, IPtr<IZEPHString>& Text) override;
  Integer GetLineCount() override;
  HRESULT SetLine(Integer Index, IZEPHString* Text) override;
  HRESULT LoadFromFile(IZEPHString* FileName) override;
  HRESULT LoadFromStream(IZEPHStream* Stream) override;
  HRESULT SaveToFile(IZEPHString* FileName) override;
  HRESULT SaveToStream(IZEPHStream* Stream) override;
  TZCLMemo* AsMemo() const;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  TCustomEdit* GetEditControl() override;
  void BindEvents() override;
  void UnbindEvents() override;
  void DoGetValueAsInt64(Integer PropertyID, Int64& Value, HRESULT& Result) override;
  void DoSetValueAsInt64(Integer PropertyID, Int64 Value, HRESULT& Result) override;
};

class TZEPHUIBaseComboBoxControl : public TZEPHUIBaseButtonedEditControl, public virtual IZEPHUIBaseComboBox {
  ZCL_CLASS(TZEPHUIBaseComboBoxControl, TZEPHUIBaseButtonedEditControl)
  RTL_INTERFACES(TZEPHUIBaseButtonedEditControl, IZEPHUIBaseComboBox)
 public:
  using TZEPHUIBaseButtonedEditControl::TZEPHUIBaseButtonedEditControl;
  HRESULT Add(IInterface* Item, Integer Data) override;
  HRESULT AddList(IZEPHObjectList* List) override;
  HRESULT Clear() override;
  HRESULT Delete(Integer Index) override;
  HRESULT GetItem(Integer Index, const TGUID& IID, void** Obj) override;
  Integer GetItemCount() override { return Integer(FItemObjects.size()); }
  HRESULT SetItem(Integer Index, IInterface* Item) override;

 protected:
  // On the control's own items.
  virtual void AddItem(const String& Text, Integer Data) = 0;
  virtual void ClearItems() = 0;
  virtual void DeleteItem(Integer Index) = 0;
  virtual void SetItemText(Integer Index, const String& Text) = 0;
  virtual void BeginItemsUpdate() = 0;
  virtual void EndItemsUpdate() = 0;
  void DoBeginUpdate() override;
  void DoEndUpdate() override;
  // The object of item Index; null outside the list.
  IInterface* ItemObject(Integer Index) const;

 private:
  void DoAdd(IInterface* Item, Integer Data);
  // Parallel to the control's items while they change through this wrapper only.
  std::vector<IPtr<IInterface>> FItemObjects;
};

class TZEPHUIComboBoxControl : public TZEPHUIBaseComboBoxControl, public virtual IZEPHUIComboBox {
  ZCL_CLASS(TZEPHUIComboBoxControl, TZEPHUIBaseComboBoxControl)
  RTL_INTERFACES(TZEPHUIBaseComboBoxControl, IZEPHUIComboBox)
 public:
  using TZEPHUIBaseComboBoxControl::TZEPHUIBaseComboBoxControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void AddItem(const String& Text, Integer Data) override;
  void ClearItems() override;
  void DeleteItem(Integer Index) override;
  void SetItemText(Integer Index, const String& Text) override;
  void BeginItemsUpdate() override;
  void EndItemsUpdate() override;

 private:
  void ComboChange(TObject* Sender);
  void ComboSelect(TObject* Sender);
};

class TZEPHUICheckComboBoxControl : public TZEPHUIBaseComboBoxControl, public virtual IZEPHUICheckComboBox {
  ZCL_CLASS(TZEPHUICheckComboBoxControl, TZEPHUIBaseComboBoxControl)
  RTL_INTERFACES(TZEPHUIBaseComboBoxControl, IZEPHUICheckComboBox)
 public:
  using TZEPHUIBaseComboBoxControl::TZEPHUIBaseComboBoxControl;
  Integer GetChecked(Integer Index) override;
  HRESULT SetChecked(Integer Index, LongBool Checked) override;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void AddItem(const String& Text, Integer Data) override;
  void ClearItems() override;
  void DeleteItem(Integer Index) override;
  void SetItemText(Integer Index, const String& Text) override;
  void BeginItemsUpdate() override;
  void EndItemsUpdate() override;
};

class TZEPHUIImageComboBoxControl : public TZEPHUIBaseComboBoxControl, public virtual IZEPHUIImageComboBox {
  ZCL_CLASS(TZEPHUIImageComboBoxControl, TZEPHUIBaseComboBoxControl)
  RTL_INTERFACES(TZEPHUIBaseComboBoxControl, IZEPHUIImageComboBox)
 public:
  using TZEPHUIBaseComboBoxControl::TZEPHUIBaseComboBoxControl;
  Integer GetImageIndex(Integer Index) override;
  HRESULT SetImageIndex(Integer Index, Integer ImageIndex) override;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;
  void AddItem(const String& Text, Integer Data) override;
  void ClearItems() override;
  void DeleteItem(Integer Index) override;
  void SetItemText(Integer Index, const String& Text) override;
  void BeginItemsUpdate() override;
  void EndItemsUpdate() override;
};

// A plugin's view of one button of an edit: not owned, kept alive by the button, E_HANDLE once
// the button is gone. Clicks reach the events handler given when the button was added.
class TZEPHUIBaseButtonedEditButton : public TZEPHUIComponent, public virtual IZEPHUIEditButton {
  ZCL_CLASS(TZEPHUIBaseButtonedEditButton, TZEPHUIComponent)
  RTL_INTERFACES(TZEPHUIComponent, IZEPHUIEditButton)
 public:
  TZEPHUIBaseButtonedEditButton(IInterface* EventsHandler, TZCLEditButton* Button);
  void BeforeDestruction() override;
  // The view of Button, made (without an events handler) when it has none.
  static IPtr<IZEPHUIEditButton> ViewOf(TZCLEditButton* Button, IInterface* EventsHandler);

 protected:
  void ComponentCreated() override;
  void UnbindEvents() override;
};

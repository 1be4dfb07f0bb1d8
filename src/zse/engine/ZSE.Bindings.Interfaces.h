#pragma once
// The interfaces of bindings: the services a provider offers under a name (what a link can do
// with a service depends on which of these it answers; one object may answer several), the
// client interfaces through which providers talk back to controls, and the provider itself.
// Reals are single precision; an "item" is an object reference chosen by the service. The value
// readers of the data interfaces carry their kind in their names, so that one object can answer
// several of them.

#include <functional>
#include <vector>

#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Interfaces.h"

class TComponent;
class TZCLStringList;
class TZSERenderBuffer;

// ---- services --------------------------------------------------------------------------------

struct IZSEBindingServiceAction : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceAction, IInterface, "{2DAEA62D-08DE-46C2-95CB-C1D5BCE5F601}")
  virtual void Execute() = 0;
};

// Whether the bound element is usable (enabled) now.
struct IZSEBindingServiceAccessibility : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceAccessibility, IInterface, "{34883AAB-654D-403F-BE83-EE77F44BD906}")
  virtual bool GetAccessible() = 0;
};

struct IZSEBindingServiceActionEqualizer : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceActionEqualizer, IInterface, "{D8B67615-5AC8-4873-AB18-4BFEC3179A5A}")
  virtual Single GetBand(Integer Index) = 0;
  virtual Single GetPreamp() = 0;
  virtual void SetBand(Integer Index, Single Value) = 0;
  virtual void SetPreamp(Single Value) = 0;
};

// A scrollable range. SetPosition clamps and writes back the position in force.
struct IZSEBindingServiceActionScroll : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceActionScroll, IInterface, "{397399AA-529C-4423-9833-C34067949284}")
  virtual void GetScrollInfo(Integer& Max, Integer& Min, Integer& Page, Integer& Step, Integer& Position) = 0;
  virtual void SetPosition(Integer& Position) = 0;
};

// A slider in percent: positions and the step run 0..100 of the slider's range.
struct IZSEBindingServiceActionSlider : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceActionSlider, IInterface, "{7FB7249F-0EC0-43EC-A45B-61EB297E7593}")
  virtual String GetValueText(Single Position) = 0;
  // Whether the value is applied while the slider is dragged.
  virtual bool GetImmediateChanging() = 0;
  virtual Single GetPosition() = 0;
  // False when the slider has no default mark.
  virtual bool GetDefaultPosition(Single& Value) = 0;
  virtual Single GetStep() = 0;
  virtual void SetPosition(Single Value) = 0;
};

struct IZSEBindingServiceDataBoolean : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceDataBoolean, IInterface, "{F8F5C477-8F80-4343-92C1-C68E196742BF}")
  virtual bool GetBooleanValue() = 0;
};

struct IZSEBindingServiceDataInteger : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceDataInteger, IInterface, "{C8D8D4B5-B11A-47E5-AEAD-6CE8F8608F03}")
  virtual Integer GetIntegerValue() = 0;
};

// Marks along a range (bookmarks on a seek bar) with a hint per mark.
struct IZSEBindingServiceDataMarkers : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceDataMarkers, IInterface, "{75ECC779-45F6-419F-A70A-253E81ACDAC0}")
  virtual String GetMarkerHint(Integer Index) = 0;
  virtual bool GetMarkers(std::vector<Single>& Positions) = 0;
};

// A selected range; false when there is none.
struct IZSEBindingServiceDataRange : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceDataRange, IInterface, "{82AD5E98-046D-4FE1-A9C0-896F381C2BAE}")
  virtual bool GetRange(Single& Start, Single& Finish) = 0;
};

// Region data prepared for a rectangle; the caller frees it. Null when there is none.
struct IZSEBindingServiceDataRegion : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceDataRegion, IInterface, "{FA469D25-0AF5-4656-BB3D-38B7F43CE324}")
  virtual TObject* GetData(const TRect& R, Integer Param) = 0;
};

struct IZSEBindingServiceDataText : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceDataText, IInterface, "{98D07C29-6BD0-43B6-8866-6F21E45692BD}")
  virtual String GetTextValue() = 0;
};

// A text that the service formats itself with the link's template.
struct IZSEBindingServiceDataTextEx : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceDataTextEx, IInterface, "{96EFBB92-156A-46AA-9796-FC60559F5CC3}")
  virtual String GetValue(const String& Template) = 0;
};

// A service that only signals: its change notifications are the events.
struct IZSEBindingServiceEvent : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceEvent, IInterface, "{63A5C69A-21B1-4E1D-8FCF-2A5BA81FAE69}")
};

// An image (album art, a visualization frame); GetAccessible tells whether one is available.
struct IZSEBindingServiceImage : IZSEBindingServiceAccessibility {
  RTL_INTERFACE(IZSEBindingServiceImage, IZSEBindingServiceAccessibility, "{F3EE09CC-BED7-4EA4-B714-9DBBF88A7E7B}")
  virtual void Prepare() = 0;
  virtual void Draw(TZSERenderBuffer* Target, const TRect& R) = 0;
  // Defined by the implementing provider.
  virtual Integer GetState() = 0;
};

struct IZSEBindingServiceHint : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceHint, IInterface, "{C1C7B7EE-D736-421F-B306-184C41F7E94D}")
  virtual String GetHint() = 0;
};

// Kind 0 is the menu of the element's action (left click), kind 1 the context menu.
struct IZSEBindingServiceMenu : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceMenu, IInterface, "{372EA7DA-F53A-4047-BD0E-0BDA90D350BB}")
  static constexpr Integer KindAction = 0;
  static constexpr Integer KindContext = 1;
  virtual bool CanShow(Integer Kind) = 0;
  virtual bool Show(Integer Kind, const TPoint& Point, const TRect& R, TComponent* Element) = 0;
};

struct IZSEBindingServiceRating : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceRating, IInterface, "{D79E3AEC-3C46-4847-A5F0-E040F86F9B83}")
  virtual Single GetValue(bool& Flag) = 0;
  virtual void SetValue(Single Value) = 0;
};

struct IZSEBindingServiceSearchEdit : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceSearchEdit, IInterface, "{472FFD02-1493-4281-BAA1-4645F9AAD8B3}")
  // Defined by the implementing provider.
  virtual Integer GetSearchSetting() = 0;
  virtual String GetText() = 0;
  virtual String GetPlaceholder() = 0;
  virtual void Navigate(Byte Direction) = 0;
  virtual void Activate() = 0;
  virtual void SetText(const String& Value) = 0;
};

using TZSEBindingItemProc = std::function<void(TObject* Item)>;

// A list of items shown as tabs.
struct IZSEBindingServiceTabControl : virtual IInterface {
  RTL_INTERFACE(IZSEBindingServiceTabControl, IInterface, "{A67F25BE-11A4-403F-BA8B-4FC1737AF353}")
  virtual bool IsActiveItemClickClosing() = 0;
  virtual bool CanDropOnItem(TObject* Item) = 0;
  virtual bool CanMoveItems() = 0;
  virtual TObject* GetActiveItem() = 0;
  virtual TObject* GetPlayingItem() = 0;
  virtual void MoveItem(TObject* Item, Integer NewIndex) = 0;
  virtual String GetItemCaption(TObject* Item) = 0;
  virtual String GetItemHint(TObject* Item) = 0;
  virtual void SetActiveItem(TObject* Item) = 0;
  virtual void CloseItem(TObject* Item) = 0;
  virtual void NewItem() = 0;
  virtual void DropFilesOnItem(TObject* Item, const std::vector<String>& Files) = 0;
  virtual void DropFilesAsNewItem(Integer Index, const std::vector<String>& Files, const String& Name) = 0;
  virtual void EnumItems(const TZSEBindingItemProc& Proc) = 0;
};

// Visualization data; copied under the provider's lock, as another thread fills it.
struct IZSEBindingServiceVisual : IZSEBindingServiceImage {
  RTL_INTERFACE(IZSEBindingServiceVisual, IZSEBindingServiceImage, "{A6223504-5B6D-451C-9C1F-52437A49DA58}")
  virtual Integer GetVisualIndex() = 0;
  // Fills Data with the kinds asked for; the data's form is the provider's.
  virtual bool GetData(Integer Kinds, TObject* Data) = 0;
};

// ---- clients ---------------------------------------------------------------------------------

// A service of Provider changed.
struct IZSEBindingClient : virtual IInterface {
  RTL_INTERFACE(IZSEBindingClient, IInterface, "{859D6A82-ADAA-488C-AF84-3CB545111D15}")
  virtual void Changed(TComponent* Provider, const String& ServiceName) = 0;
};

// A client whose Changed does nothing unless it reads the changed service of that provider:
// providers then tell it only of the services it reads. Clients report every change of what
// they read through TZSEBindingProvider::ReadsChanged.
class IZSEBindingServiceReader {
 public:
  // Calls Proc with the name of every service of Provider that the client reads.
  virtual void EnumReadServices(TComponent* Provider, const std::function<void(const String&)>& Proc) const = 0;

 protected:
  ~IZSEBindingServiceReader() = default;
};

struct IZSEBindingClientDisplay : virtual IInterface {
  RTL_INTERFACE(IZSEBindingClientDisplay, IInterface, "{3FC6F00D-B76D-4572-B9AC-01B3F4711993}")
  virtual TSize GetDisplaySize() = 0;
};

struct IZSEBindingClientImage : virtual IInterface {
  RTL_INTERFACE(IZSEBindingClientImage, IInterface, "{1C21C77D-6F9F-4ECE-B822-D162FC5E3790}")
  virtual void ImageChanged() = 0;
};

struct IZSEBindingClientSearchEdit : virtual IInterface {
  RTL_INTERFACE(IZSEBindingClientSearchEdit, IInterface, "{0F3BDC6A-035A-402E-A481-4E879FD16143}")
  virtual String GetText() = 0;
  virtual bool IsFocused() = 0;
  // Takes the focus, then tells whether it has it.
  virtual bool Activate() = 0;
  virtual void SelectAll() = 0;
  virtual void SetText(const String& Value) = 0;
};

struct IZSEBindingClientTabControl : virtual IInterface {
  RTL_INTERFACE(IZSEBindingClientTabControl, IInterface, "{02B97427-4D1E-4F17-B4FF-3A954C00A624}")
  virtual void ItemAdded(TObject* Item) = 0;
  // Also re-reads the active and the playing item.
  virtual void ItemsChanged(TObject* Item) = 0;
  virtual void ItemChanged(TObject* Item) = 0;
  virtual void ItemMoved(TObject* Item, Integer NewIndex) = 0;
  virtual void ItemRemoved(TObject* Item) = 0;
};

struct IZSEBindingClientVisual : virtual IInterface {
  RTL_INTERFACE(IZSEBindingClientVisual, IInterface, "{B4807C8C-595D-4D71-837B-BF775F080652}")
  virtual Integer GetDataKinds() = 0;
  virtual void UpdateData(TObject* Data) = 0;
  virtual void ResetData() = 0;
};

struct IZSEBindingClientVisualFullScreen : virtual IInterface {
  RTL_INTERFACE(IZSEBindingClientVisualFullScreen, IInterface, "{98C90167-F595-48AA-BF20-C2BD466933D6}")
  // Null when there is none.
  virtual HWND GetFullScreenWindow() = 0;
};

// ---- provider --------------------------------------------------------------------------------

using TZSEBindingClientProc = std::function<void(const IPtr<IInterface>& Client)>;

struct IZSEBindingProvider : virtual IInterface {
  RTL_INTERFACE(IZSEBindingProvider, IInterface, "{B54145E5-DAD6-4812-9421-4B74233C678E}")
  virtual void EnumClients(const TZSEBindingClientProc& Proc) = 0;
  // Appends the service names, sorted ignoring case.
  virtual void EnumServices(TZCLStringList* List) = 0;
  // The service of that name (ignoring case) as the interface IID; Service follows
  // QueryInterface's contract.
  virtual bool GetService(const String& Name, const TGUID& IID, void** Service) = 0;
  virtual void AddClient(IZSEBindingClient* Client) = 0;
  virtual void RemoveClient(IZSEBindingClient* Client) = 0;
};

// The typed service query.
template <InterfaceType I>
bool GetBindingService(IZSEBindingProvider* Provider, const String& Name, IPtr<I>& Service) {
  void* out = nullptr;
  if (Provider == nullptr || !Provider->GetService(Name, IIDOf<I>(), &out) || out == nullptr) {
    Service = nullptr;
    return false;
  }
  Service = IPtr<I>::Adopt(static_cast<I*>(out));
  return true;
}

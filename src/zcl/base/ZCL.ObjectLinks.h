#pragma once
// Object links: weak references, remove listeners and extension interfaces for any object that
// takes part. Records live in one process-wide registry under one recursive lock.
//
//   TZCLObjectLinks::RegisterWeakReference(control, FControl);   // FControl := control
//   ...                                                          // freeing control clears FControl
//   TZCLObjectLinks::UnregisterWeakReference(FControl);          // before FControl goes away
//
// Objects of the library take part by implementing IZCLObjectLinksSupport and calling
// TZCLObjectLinks::Release(this) from their BeforeDestruction; plain components take part
// through a hidden free-notification component; other objects cannot take part.

#include "rtl/RTL.Interfaces.h"

// Marker: the object calls TZCLObjectLinks::Release with itself at the start of its destruction.
struct IZCLObjectLinksSupport : virtual IInterface {
  RTL_INTERFACE(IZCLObjectLinksSupport, IInterface, "{6A3E1F52-0C4B-4D7E-9B21-5E8F3A7C1D01}")
};

// Told once that Object is being destroyed; Object is still whole.
struct IZCLObjectRemoveNotify : virtual IInterface {
  RTL_INTERFACE(IZCLObjectRemoveNotify, IInterface, "{6A3E1F52-0C4B-4D7E-9B21-5E8F3A7C1D02}")
  virtual void OnRemove(TObject* Object) = 0;
};

class TZCLObjectLink;

// Class-level state only. Registrations for an object that neither implements
// IZCLObjectLinksSupport nor is a TComponent (or for null) raise Exception
// "Object must implement the IZCLObjectLinksSupport interface".
class TZCLObjectLinks {
 public:
  TZCLObjectLinks() = delete;

  // Reference := Object, and Reference is cleared when Object is destroyed. The variable must be
  // unregistered before it goes away. Registering one variable twice needs two unregistrations.
  template <class T>
  static void RegisterWeakReference(T* Object, T*& Reference) {
    static_assert(std::is_base_of_v<TObject, T>, "weak references hold objects");
    RegisterWeakReferenceCore(Object, &Reference, &ClearReference<T>);
    Reference = Object;
  }
  // Removes the first registration of the variable; the variable is null afterwards in any case.
  template <class T>
  static void UnregisterWeakReference(T*& Reference) {
    T* object = Reference;
    Reference = nullptr;
    if (object) UnregisterWeakReferenceCore(object, &Reference);
  }

  static void RegisterRemoveListener(TObject* Object, const IPtr<IZCLObjectRemoveNotify>& Listener);
  // Removes the first registration of Listener for Object, or for every object when Object is null.
  static void UnregisterRemoveListener(const IPtr<IZCLObjectRemoveNotify>& Listener, TObject* Object);
  static void RegisterExtension(TObject* Object, const IPtr<IInterface>& Extension);
  // Each object's extension queries also ask the other object. Raises Exception
  // "Objects must not be nil" when either is null.
  static void Link(TObject* Object1, TObject* Object2);

  // Asks Object's extensions (newest first), then the objects linked with it (newest first).
  // Out follows QueryInterface's contract.
  static bool GetExtension(TObject* Object, const TGUID& IID, void** Out);
  template <InterfaceType I>
  static IPtr<I> GetExtension(TObject* Object) {
    void* out = nullptr;
    if (!GetExtension(Object, IIDOf<I>(), &out) || !out) return nullptr;
    return IPtr<I>::Adopt(static_cast<I*>(out));
  }

  // Destroys Object's record: clears its weak references, unlinks it, tells its remove listeners
  // (newest first) and drops its extensions. Nothing when Object has no record.
  static void Release(TObject* Object);

  // The unit's process-wide state (ZCL.Base.Units).
  static void Initialize();
  static void Finalize();

 private:
  using TClearProc = void (*)(void* Variable);
  template <class T>
  static void ClearReference(void* Variable) {
    *static_cast<T**>(Variable) = nullptr;
  }
  static void RegisterWeakReferenceCore(TObject* Object, void* Variable, TClearProc Clear);
  static void UnregisterWeakReferenceCore(TObject* Object, void* Variable);
};

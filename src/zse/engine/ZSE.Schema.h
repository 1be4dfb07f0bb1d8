#pragma once
// Streams skin objects to and from XML nodes through their published properties. An object is
// written as an "annotations" element (editor notes) and a "properties" element holding one
// "property" element (attributes "name" and "value") per stored property. Objects that know
// better store themselves (IZSESchemaCustomStoring), objects of some classes are written by a
// registered class adapter, and references to named components are written by name and
// resolved after the whole skin has been read. Also: small XML helpers shared with the
// converters of older skins, the mapping between class names and the "class" attribute, and the
// annotations that the editor attaches to skin objects.

#include <functional>
#include <vector>

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.h"

class TComponent;
class TZCLXMLNode;
class TZSESchema;
class TZSESkinResources;

// Told around the loading of an object's properties.
struct IZSESchemaLoaderListener : virtual IInterface {
  RTL_INTERFACE(IZSESchemaLoaderListener, IInterface, "{1DE39C8A-4F20-4B6A-9F17-2C3D4E5F6A30}")
  virtual void BeginLoad() = 0;
  virtual void EndLoad() = 0;
};

// Resets the object before its properties are loaded.
struct IZSESchemaDefaults : virtual IInterface {
  RTL_INTERFACE(IZSESchemaDefaults, IInterface, "{2EF4AD9B-5031-4C7B-8028-3D4E5F6A7B31}")
  virtual void SetSchemaDefaults() = 0;
};

// An object that reads and writes its own node.
struct IZSESchemaStoring : virtual IInterface {
  RTL_INTERFACE(IZSESchemaStoring, IInterface, "{3F05BEAC-6142-4D8C-9139-4E5F6A7B8C32}")
  virtual void Load(TZCLXMLNode* Node, TZSESchema* Schema) = 0;
  virtual void Save(TZCLXMLNode* Node, TZSESchema* Schema) = 0;
};

// Stored through Load and Save instead of its properties, and only when it has something to store.
struct IZSESchemaCustomStoring : IZSESchemaStoring {
  RTL_INTERFACE(IZSESchemaCustomStoring, IZSESchemaStoring, "{4016CFBD-7253-4E9D-A24A-5F6A7B8C9D33}")
  virtual bool IsStored() = 0;
};

// ---- annotations -----------------------------------------------------------------------------

// Free name-value notes of a skin object, kept for the editor's bookkeeping.
struct IZSEAnnotations : virtual IInterface {
  RTL_INTERFACE(IZSEAnnotations, IInterface, "{5127D0CE-8364-4FAE-B35B-6A7B8C9DAE34}")
  // Clears, then one entry per child of Node: its "name" attribute and its text.
  virtual void Load(TZCLXMLNode* Node) = 0;
  // One "item" child per entry, with the "name" attribute and the value as text.
  virtual void Save(TZCLXMLNode* Node) = 0;
  // Empty when missing.
  virtual String GetValue(const String& Name) = 0;
  // The value as unsigned decimal; the default colour 0x00010203 when missing or not a number.
  virtual TAlphaColor GetValueAsAlphaColor(const String& Name) = 0;
  // An empty value removes the entry.
  virtual void SetValue(const String& Name, const String& Value) = 0;
  virtual void SetValueAsAlphaColor(const String& Name, TAlphaColor Value) = 0;
};

class TZSEAnnotations : public TZCLUnknownObject, public IZSEAnnotations {
  ZCL_CLASS(TZSEAnnotations, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZSEAnnotations)
  ~TZSEAnnotations() override;

  void Clear();
  bool IsEmpty() const;
  void Load(TZCLXMLNode* Node) override;
  // Entries in name order, so that the same notes always give the same text.
  void Save(TZCLXMLNode* Node) override;
  String GetValue(const String& Name) override;
  TAlphaColor GetValueAsAlphaColor(const String& Name) override;
  void SetValue(const String& Name, const String& Value) override;
  void SetValueAsAlphaColor(const String& Name, TAlphaColor Value) override;

 private:
  TZCLStringsDictionary* FItems = nullptr;  // created with the first entry
};

// ---- class adapters --------------------------------------------------------------------------

// The class reference of an adapter: its class-level operations.
class TZSESchemaClassAdapterRecord : public TClassRecord {
 public:
  using TClassRecord::TClassRecord;
  // The class whose objects it stores (and its descendants').
  virtual TClass GetAdaptedClass() const = 0;
  // Whether the object is written at all.
  virtual bool IsStored(TObject* Object) const = 0;
  // Fills the object from its "property" node.
  virtual void Load(TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema) const = 0;
  // Writes the object into its "property" node; Path names the object's place in the skin.
  virtual void Save(TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema, const String& Path) const = 0;
  // Resource adapters: reads a resource from its "value" form.
  virtual void LoadValue(TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema) const = 0;
};
using TZSESchemaClassAdapterClass = const TZSESchemaClassAdapterRecord*;

template <class T>
class TZSESchemaClassAdapterRecordOf : public TClassRecordOf<T, TZSESchemaClassAdapterRecord> {
 public:
  using TClassRecordOf<T, TZSESchemaClassAdapterRecord>::TClassRecordOf;
  TClass GetAdaptedClass() const override { return T::AdaptedClass(); }
  bool IsStored(TObject* Object) const override { return T::IsStored(this, Object); }
  void Load(TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema) const override {
    T::Load(this, Object, Node, Schema);
  }
  void Save(TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema, const String& Path) const override {
    T::Save(this, Object, Node, Schema, Path);
  }
  void LoadValue(TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema) const override {
    T::LoadValue(this, Object, Node, Schema);
  }
};

// Stores objects of one class in a compact form of its own. Never instantiated: descendants hide
// the static operations below, which their class reference (Self) dispatches to, so an
// operation reaches a descendant's override through Self.
class TZSESchemaClassAdapter : public TObject {
  ZCL_CLASS(TZSESchemaClassAdapter, TObject)
 public:
  template <class T>
  using TMetaClassFor = TZSESchemaClassAdapterRecordOf<T>;
  using Self = TZSESchemaClassAdapterClass;

  static TClass AdaptedClass() { return nullptr; }
  static bool IsStored(Self, TObject*) { return true; }
  static void Load(Self, TObject*, TZCLXMLNode*, TZSESchema*) {}
  static void Save(Self, TObject*, TZCLXMLNode*, TZSESchema*, const String&) {}
  static void LoadValue(Self, TObject*, TZCLXMLNode*, TZSESchema*) {}
};

// Replaces an adapter registered earlier for the same class.
void SchemaRegisterClassAdapter(TZSESchemaClassAdapterClass AdapterClass);
void SchemaUnregisterClassAdapter(TZSESchemaClassAdapterClass AdapterClass);
// The adapter of the object's class or of its nearest ancestor; null when there is none.
TZSESchemaClassAdapterClass SchemaFindClassAdapter(const TObject* Object);

// ---- schema ----------------------------------------------------------------------------------

// A component (or null) for a name: the skin manager's lookup.
using TZSESchemaResolver = std::function<TComponent*(const String& Name)>;

// One load or save pass.
class TZSESchema : public TObject {
  ZCL_CLASS(TZSESchema, TObject)
 public:
  using TCreateSignature = void(TZSESkinResources*);
  // Resources is not owned and may be null.
  explicit TZSESchema(TZSESkinResources* AResources = nullptr);

  // Object from Node: annotations, then custom storing or the "properties" child.
  void Load(TObject* Object, TZCLXMLNode* Node);
  // The published properties from the "property" children of Node.
  void LoadProperties(TObject* Object, TZCLXMLNode* Node);
  // Object into Node: "annotations" (unless optimized), then custom storing or "properties".
  void Save(TObject* Object, TZCLXMLNode* Node);
  // The stored published properties as "property" children of Node.
  void SaveProperties(TObject* Object, TZCLXMLNode* Node, const String& Path);
  virtual void SaveProperty(TObject* Object, TZCLXMLNode* Node, PPropInfo Prop, const String& Path);

  // The node's "name" attribute; a descendant may rename objects.
  virtual String GetName(TZCLXMLNode* Node);

  // An empty ObjectName is ignored.
  void AddReference(TObject* Object, const String& PropertyName, const String& ObjectName);
  // Sets every pending reference, the last added first, also to null when the name is unknown
  // (then told to the error handler). The pending list stays.
  void ResolveReferences(const TZSESchemaResolver& Resolver);
  Integer GetReferenceCount() const { return static_cast<Integer>(FReferences.size()); }

  // The path that Save hands down for an object: its name followed by ".".
  String GetObjectPath(TObject* Object);

  TZSESkinResources* GetResources() const { return FResources; }
  bool GetStoreAll() const { return FStoreAll; }
  void SetStoreAll(bool Value) { FStoreAll = Value; }

 protected:
  bool FStoreAll = false;

 private:
  struct TReference {
    TObject* Object;
    String PropertyName;
    String ObjectName;
  };
  TZSESkinResources* FResources;
  std::vector<TReference> FReferences;
  // Unnamed objects saved so far in this pass.
  Integer FUnnamedCount = 0;
};

// ---- XML helpers -----------------------------------------------------------------------------

// A new "property" child with the attribute "name".
TZCLXMLNode* XMLNodeAddProperty(TZCLXMLNode* Node, const String& Name);
// The same with the attribute "value".
TZCLXMLNode* XMLNodeAddValue(TZCLXMLNode* Node, const String& Name, const String& Value);
// A literal is text, not a Boolean.
inline TZCLXMLNode* XMLNodeAddValue(TZCLXMLNode* Node, const String& Name, const Char* Value) {
  return XMLNodeAddValue(Node, Name, String(Value));
}
// "True" or "False".
TZCLXMLNode* XMLNodeAddValue(TZCLXMLNode* Node, const String& Name, bool Value);
TZCLXMLNode* XMLNodeAddValue(TZCLXMLNode* Node, const String& Name, Integer Value);
// The first child whose "name" attribute equals Name, ignoring the case of ASCII letters.
bool XMLNodeFindByName(TZCLXMLNode* Node, StringView Name, TZCLXMLNode*& Child);
TZCLXMLNode* XMLNodeFindOrAddProperty(TZCLXMLNode* Node, const String& Name);
bool XMLNodeRenameChild(TZCLXMLNode* Node, StringView OldName, const String& NewName);
// Frees Node and clears the reference when it has no children (and, with CheckAttributes, no
// attributes).
void XMLNodeFreeIfEmpty(TZCLXMLNode*& Node, bool CheckAttributes);

// "D" and a new GUID with "{", "-" and "}" replaced by "Q": 39 characters.
String SchemaNewId();
// The class name without "TZSE" (or "TZSELayout"), as the "class" attribute holds it.
String SchemaGetClassName(const TObject* Object);
String SchemaGetClassName(TClass Class);
// The registered class named by the node's "class" attribute: "TZSE" + value, then
// "TZSELayout" + value; accepted only when it inherits from BaseClass (when given).
bool SchemaResolveClass(TZCLXMLNode* Node, TClass BaseClass, TClass& Class);

// Unit hooks.
void SchemaInitialize();
void SchemaFinalize();

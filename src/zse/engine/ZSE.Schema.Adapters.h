#pragma once
// The class adapters of the schema: rectangles and sizes as one "value" attribute, and the
// theme's resources (colours, fonts, textures) with their attributes "value", "link", "Quality",
// "AllowColoration" and "Scalable". Resource collections are never written.

#include "zse/engine/ZSE.Schema.h"

class TZSESchemaRectAdapter : public TZSESchemaClassAdapter {
  ZCL_CLASS(TZSESchemaRectAdapter, TZSESchemaClassAdapter)
 public:
  static TClass AdaptedClass();
  static bool IsStored(Self, TObject* Object);
  static void Load(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema*);
  static void Save(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema*, const String&);
};

class TZSESchemaSizeAdapter : public TZSESchemaClassAdapter {
  ZCL_CLASS(TZSESchemaSizeAdapter, TZSESchemaClassAdapter)
 public:
  static TClass AdaptedClass();
  static bool IsStored(Self, TObject* Object);
  static void Load(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema*);
  static void Save(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema*, const String&);
};

// Any resource: its properties, or its "value" form through LoadValue.
class TZSESchemaResourceAdapter : public TZSESchemaClassAdapter {
  ZCL_CLASS(TZSESchemaResourceAdapter, TZSESchemaClassAdapter)
 public:
  static TClass AdaptedClass();
  static void Load(Self Class, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema);
  static void Save(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema, const String&);
  // The resource's properties from the node's children, when it has any.
  static void LoadValue(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema);
};

class TZSESchemaResourceCollectionAdapter : public TZSESchemaClassAdapter {
  ZCL_CLASS(TZSESchemaResourceCollectionAdapter, TZSESchemaClassAdapter)
 public:
  static TClass AdaptedClass();
  static bool IsStored(Self, TObject*) { return false; }
};

class TZSESchemaResourceColorAdapter : public TZSESchemaResourceAdapter {
  ZCL_CLASS(TZSESchemaResourceColorAdapter, TZSESchemaResourceAdapter)
 public:
  static TClass AdaptedClass();
  // "value" as a signed 32-bit integer: its bits with alpha allowed, else an opaque colour.
  static void LoadValue(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema*);
};

class TZSESchemaResourceFontAdapter : public TZSESchemaResourceAdapter {
  ZCL_CLASS(TZSESchemaResourceFontAdapter, TZSESchemaResourceAdapter)
 public:
  static TClass AdaptedClass();
  // "value" as "<name>,<colour>,<height>,<style>" with "Quality", or properties as children.
  static void LoadValue(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema);
};

// A texture's own image set is stored as skin files named by the object's path ("value"); a
// texture that refers to another one carries only "link".
class TZSESchemaResourceTextureAdapter : public TZSESchemaResourceAdapter {
  ZCL_CLASS(TZSESchemaResourceTextureAdapter, TZSESchemaResourceAdapter)
 public:
  static TClass AdaptedClass();
  static void Load(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema);
  static void Save(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema, const String& Path);
  static void LoadOptions(TObject* Texture, TZCLXMLNode* Node);
  static void SaveOptions(TObject* Texture, TZCLXMLNode* Node);
};

// Unit initialization: registers the adapters.
void SchemaAdaptersInitialize();
void SchemaAdaptersFinalize();

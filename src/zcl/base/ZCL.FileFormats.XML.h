#pragma once
// The in-memory XML tree the subsystems keep their XML data in: nodes with a name, one text value,
// ordered attributes (with typed accessors) and ordered children. A document loads from XML text
// or from the binary forms and saves as indented XML text or as "SXML". Comments, processing
// instructions and mixed content are not kept; namespace prefixes stay part of the names.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"
#include "zcl/base/ZCL.Classes.Collections.h"

class TStream;
class TEncoding;
class Variant;
class TZCLXMLWriter;
enum class TZCLBoolean : uint8_t;

RTL_EXCEPTION(EZCLXMLDocument, Exception);
RTL_EXCEPTION(EZCLXMLUnexpectedToken, EZCLXMLDocument);

// "yyyy-mm-ddThh:mm:ss.zzz" with a trailing "Z" for UTC.
struct TZCLXMLDateTime {
  Word Day = 0, Hour = 0, Millisecond = 0, Minute = 0, Month = 0, Second = 0, Year = 0;
  bool IsUTC = false;

  // Raises EZCLXMLUnexpectedToken for a malformed text. An offset ("+hh:mm", "-hh") is applied,
  // giving a UTC record.
  static TZCLXMLDateTime Parse(StringView Text);
  static TZCLXMLDateTime FromDateTime(TDateTime Value, bool AIsUTC);
  // Local time; EConvertError for out-of-range fields.
  TDateTime ToDateTime() const;
  String ToString() const;
};

class TZCLXMLAttribute : public TObject {
  ZCL_CLASS(TZCLXMLAttribute, TObject)
 public:
  TZCLXMLAttribute() = default;
  TZCLXMLAttribute(const String& AName, const String& AValue) : FName(AName), FValue(AValue) {}
  TZCLXMLAttribute(String&& AName, String&& AValue) : FName(std::move(AName)), FValue(std::move(AValue)) {}

  const String& GetName() const { return FNameAtom ? *FNameAtom : FName; }
  void SetName(const String& Value) {
    FName = Value;
    FNameAtom = nullptr;
  }
  const String& GetValue() const { return FValue; }
  void SetValue(const String& Value) { FValue = Value; }
  void Assign(const TZCLXMLAttribute* Source);
  Integer GetValueAsInteger(Integer Default) const;

  // From the loading document's arena while a document loads, otherwise from the heap.
  static void* operator new(size_t Size);
  static void operator delete(void* P, size_t Size);

 private:
  friend class TZCLXMLDocument;
  String FName, FValue;
  // A long name shared by the objects of one load, in place of FName (see TZCLXMLNode).
  const String* FNameAtom = nullptr;
};

// Owns its attributes. Names match when equal after folding ASCII letters only; nothing prevents
// two attributes of one name (AddString appends, SetValue updates the first match).
class TZCLXMLAttributes : public TZCLObjectList {
  ZCL_CLASS(TZCLXMLAttributes, TZCLObjectList)
 public:
  TZCLXMLAttributes() : TZCLObjectList(true) {}

  TZCLXMLAttribute* Add();
  TZCLXMLAttribute* AddString(const String& Name, const String& Value);
  // The same, taking the texts over.
  TZCLXMLAttribute* AddString(String&& Name, String&& Value);
  TZCLXMLAttribute* AddInteger(const String& Name, Int64 Value);
  void Assign(const TZCLXMLAttributes* Source);
  // Same count, and for every attribute here the first of that name in Obj has an equal value.
  bool Equals(const TObject* Obj) const override;
  bool Exists(StringView Name) const { return IndexOfName(Name) >= 0; }
  bool Find(StringView Name, TZCLXMLAttribute*& Attribute) const;
  Integer IndexOfName(StringView Name) const;
  // Null when out of range.
  TZCLXMLAttribute* GetItem(Integer Index) const;
  bool Remove(StringView Name);
  using TZCLObjectList::Remove;
  // False when NewName exists; otherwise whether OldName was there to rename.
  bool Rename(StringView OldName, const String& NewName);

  String GetValue(StringView Name) const;
  String GetValueDef(StringView Name, const String& Default) const;
  bool TryGetValue(StringView Name, String& Value) const;
  Integer GetValueAsInteger(StringView Name, Integer Default = 0) const;
  Int64 GetValueAsInt64(StringView Name, Int64 Default = 0) const;
  // EConvertError for a present text that is not a number.
  double GetValueAsFloat(StringView Name, double Default = 0) const;
  bool GetValueAsBoolean(StringView Name, bool Default = false) const;
  TZCLBoolean GetValueAsDefaultBoolean(StringView Name) const;
  TDateTime GetValueAsDateTime(StringView Name, TDateTime Default = 0) const;
  TRect GetValueAsRect(StringView Name) const;
  TSize GetValueAsSize(StringView Name) const;
  // The value typed by its "<Name>Type" companion; empty for a missing or unknown type word.
  Variant GetValueAsVariant(StringView Name) const;

  void SetValue(StringView Name, const String& Value);
  void SetValueAsInteger(StringView Name, Integer Value);
  void SetValueAsInt64(StringView Name, Int64 Value);
  void SetValueAsFloat(StringView Name, double Value);
  void SetValueAsBoolean(StringView Name, bool Value);
  void SetValueAsDefaultBoolean(StringView Name, TZCLBoolean Value);
  // A value of 0 or less removes the attribute; otherwise local time is stored as UTC.
  void SetValueAsDateTime(StringView Name, TDateTime Value);
  void SetValueAsRect(StringView Name, const TRect& Value);
  void SetValueAsSize(StringView Name, const TSize& Value);
  // Also writes the "<Name>Type" companion; empty and null remove both.
  void SetValueAsVariant(StringView Name, const Variant& Value);
};

class TZCLXMLNode;
using TZCLXMLNodeEnumProc = std::function<void(TZCLXMLNode* Node)>;
using TZCLXMLNodePath = std::vector<String>;

class TZCLXMLNode : public TObject {
  ZCL_CLASS(TZCLXMLNode, TObject)
 public:
  // The node is not inserted into the parent's children (Add does that).
  explicit TZCLXMLNode(TZCLXMLNode* AParent = nullptr);
  // Detaches from the parent, then frees the subtree.
  ~TZCLXMLNode() override;

  // Appends a new child of that name and returns it.
  virtual TZCLXMLNode* Add(const String& Name);
  // A deep copy of Source's attributes, children, name and value.
  virtual void Assign(const TZCLXMLNode* Source);
  // Frees the children.
  virtual void Clear();
  // Same class, equal attributes, exactly equal name and value, and equal children in order.
  bool Equals(const TObject* Obj) const override;

  const String& GetNodeName() const { return FNodeNameAtom ? *FNodeNameAtom : FNodeName; }
  void SetNodeName(const String& Value) {
    FNodeName = Value;
    FNodeNameAtom = nullptr;
  }
  const String& GetNodeValue() const { return FNodeValue; }
  void SetNodeValue(const String& Value) { FNodeValue = Value; }
  // The value of the first child of that name, or empty.
  String GetNodeValue(StringView Name) const;
  TZCLXMLAttributes* GetAttributes() const { return &FAttributes; }
  TZCLXMLNode* GetParent() const { return FParent; }

  Integer GetCount() const { return static_cast<Integer>(FChildren.size()); }
  // Null when out of range.
  TZCLXMLNode* GetNode(Integer Index) const;
  // Position in the parent's children, -1 without a parent.
  Integer GetIndex() const;
  void SetIndex(Integer Value);
  // Moves the node under NewParent (appended) when CanSetParent allows it; null detaches it.
  void SetParent(TZCLXMLNode* NewParent);
  // False for the node itself, its current parent and its descendants.
  bool CanSetParent(const TZCLXMLNode* NewParent) const;
  // Node is a child or a deeper descendant.
  bool IsChild(const TZCLXMLNode* Node) const;

  // The first child of that name (ASCII letters without case).
  TZCLXMLNode* FindNode(StringView Name) const;
  bool TryFindNode(StringView Name, TZCLXMLNode*& Node) const;
  // One child level per name; MayCreate adds missing children. An empty path finds nothing.
  TZCLXMLNode* FindNodeByPath(const TZCLXMLNodePath& Path, bool MayCreate = false);
  bool TryFindNodeByPath(const TZCLXMLNodePath& Path, TZCLXMLNode*& Node, bool MayCreate = false);

  // Proc for every child, then (Recursive) the same walk for each child. EAbort from Proc ends
  // the walk of the current level only.
  void Enum(const TZCLXMLNodeEnumProc& Proc, bool Recursive = false);
  // Proc for each child of the node at Path (nothing is created); EAbort ends the walk quietly.
  void EnumChildren(const TZCLXMLNodePath& Path, const TZCLXMLNodeEnumProc& Proc);

  // Nodes made while a document loads come from an arena of that load, which is released when
  // its last node is freed: a large tree is built and freed without a heap call per node.
  static void* operator new(size_t Size);
  static void operator delete(void* P, size_t Size);

 protected:
  // Appends an existing node (no root rule).
  void AttachChild(TZCLXMLNode* Node);

 private:
  friend class TZCLXMLDocument;  // loads children straight in
  void DetachChild(TZCLXMLNode* Node);

  std::vector<TZCLXMLNode*> FChildren;  // owned
  mutable TZCLXMLAttributes FAttributes;
  String FNodeName, FNodeValue;
  // A loaded name too long for the string's own buffer is kept once per load, by the arena the
  // node lives in, and used in place of FNodeName.
  const String* FNodeNameAtom = nullptr;
  TZCLXMLNode* FParent;
};

// Byte 0: 1 in the default form; byte 1: attributes on new lines; byte 2: indentation; byte 3: 0
// binary ("SXML"), 1 XML text.
struct TZCLXMLDocumentFormat {
  uint32_t Value = 0;
  static constexpr TZCLXMLDocumentFormat Binary() { return {0}; }
  static constexpr TZCLXMLDocumentFormat Text(Byte Byte0, bool Indent, bool AttributesOnNewLines) {
    return {uint32_t(Byte0) | (uint32_t(AttributesOnNewLines) << 8) | (uint32_t(Indent) << 16) | (1u << 24)};
  }
  static constexpr TZCLXMLDocumentFormat Default() { return Text(1, true, false); }
  constexpr Byte GetByte(int Index) const { return static_cast<Byte>(Value >> (8 * Index)); }
};

// The invisible top node: its children are the root elements; its own name, value and attributes
// are never stored.
class TZCLXMLDocument : public TZCLXMLNode {
  ZCL_CLASS(TZCLXMLDocument, TZCLXMLNode)
 public:
  TZCLXMLDocument();
  ~TZCLXMLDocument() override;

  // Never raises: a failed load leaves what was read and records the error (GetLoadError).
  static TZCLXMLDocument* CreateFromFile(const String& FileName);
  static TZCLXMLDocument* CreateFromStream(TStream* Stream);

  // EZCLXMLDocument "Only one Root available" for a second root unless AllowMultipleRoots.
  TZCLXMLNode* Add(const String& Name) override;
  bool GetAllowMultipleRoots() const { return FAllowMultipleRoots; }
  void SetAllowMultipleRoots(bool Value) { FAllowMultipleRoots = Value; }

  // A file that cannot be opened gives an empty document.
  void LoadFromFile(const String& FileName, TEncoding* Encoding = nullptr);
  // "SXML" and "BXML" by their signature, otherwise XML text (Encoding null: detected). Text
  // stops at the first error and keeps the nodes read so far, recording the error; binary errors
  // are recorded and raised.
  void LoadFromStream(TStream* Stream, TEncoding* Encoding = nullptr);
  void LoadFromStreamDefault(TStream* Stream) { LoadFromStream(Stream, nullptr); }

  // The whole output is built before the file is created, so a failed save leaves an existing
  // file as it was.
  void SaveToFile(const String& FileName);
  void SaveToFileAs(const String& FileName, TZCLXMLDocumentFormat Form);
  // EZCLXMLDocument for an invalid element or attribute name, a repeated attribute name, or a
  // form without a builder.
  void SaveToStream(TStream* Stream, TZCLXMLDocumentFormat Form);
  void SaveToStreamDefault(TStream* Stream);

  // The last load stopped early: the error's message (with line and position for text), or empty.
  bool HasLoadError() const { return FLoadFailed; }
  const String& GetLoadError() const { return FLoadError; }
  Integer GetLoadErrorLine() const { return FLoadErrorLine; }
  Integer GetLoadErrorPosition() const { return FLoadErrorPosition; }

 private:
  void LoadText(TStream* Stream, TEncoding* Encoding);
  void SetLoadError(const String& Message, Integer Line, Integer Position);

  bool FAllowMultipleRoots = false;
  bool FLoadFailed = false;
  String FLoadError;
  Integer FLoadErrorLine = 0, FLoadErrorPosition = 0;
};

class TZCLXMLBuilder : public TObject {
  ZCL_CLASS(TZCLXMLBuilder, TObject)
 public:
  TZCLXMLBuilder(TStream*, TZCLXMLDocumentFormat) {}
  virtual void Build(TZCLXMLDocument* Document) = 0;
};

// Writes XML text. Names are checked (XML names, colons allowed) and a node's attribute names
// must differ, so that what is written loads back equal. A value whose first or last character
// would be trimmed on load marks its element xml:space="preserve"; CR in text is written as a
// character reference so that it survives line-break normalisation.
class TZCLTextXMLBuilder : public TZCLXMLBuilder {
  ZCL_CLASS(TZCLTextXMLBuilder, TZCLXMLBuilder)
 public:
  TZCLTextXMLBuilder(TStream* Stream, TZCLXMLDocumentFormat Form);
  ~TZCLTextXMLBuilder() override;
  // Flushes at the end, so a failed write raises here.
  void Build(TZCLXMLDocument* Document) override;

  // EZCLXMLDocument when Name is not an XML name (colons allowed anywhere).
  static void CheckName(const String& Name, const char16_t* What);

 private:
  void WriteNode(const TZCLXMLNode* Node, bool Preserve);

  TZCLXMLWriter* FWriter;  // owned
};

namespace detail {
// A value the text reader would trim: its first or last character is below U+0021.
bool XMLValueNeedsPreserve(StringView Value);
}  // namespace detail

#pragma once
// Component streaming: a component tree written and read through its published properties.
//
// The binary form begins with the signature "TPF0". A component is written as its class name,
// its name, its properties (name and typed value) up to an empty name, its children (each a
// component), and an empty entry. Sub-objects are written property by property behind their
// path ("Font.Color"); a collection as a list of items; a reference to a component as its name,
// resolved once the whole tree has been read. Data that is no published property is declared
// in DefineProperties with DefineProperty / DefineBinaryProperty.
//
//   WriteComponent(stream, form);                  // writes form and its children
//   auto* form = ReadComponent(stream, nullptr);   // creates the root from its class name
//
// Reading errors raise EReadError ("Stream read error", "Invalid stream format", "Property %s
// does not exist", "Invalid property value") or EClassNotFound ("Class %s not found").

#include <functional>
#include <unordered_map>
#include <vector>

#include "rtl/RTL.Classes.h"

class TStream;
class TPropInfo;
using PPropInfo = const TPropInfo*;
using TBytes = std::vector<Byte>;

// The value types of the binary form, numbered as stored.
enum TValueType : Byte {
  vaNull,
  vaList,
  vaInt8,
  vaInt16,
  vaInt32,
  vaExtended,
  vaString,
  vaIdent,
  vaFalse,
  vaTrue,
  vaBinary,
  vaSet,
  vaLString,
  vaNil,
  vaCollection,
  vaSingle,
  vaCurrency,
  vaDate,
  vaWString,
  vaInt64,
  vaUTF8String,
  vaDouble
};
constexpr Integer EnumHigh(TValueType) { return vaDouble; }

// Flags of a component entry, stored in a prefix byte 0xF0 | flags.
enum TFilerFlag : Byte { ffInherited, ffChildPos, ffInline };
constexpr Integer EnumHigh(TFilerFlag) { return ffInline; }
using TFilerFlags = TSet<TFilerFlag>;

using TReaderProc = std::function<void(TReader* Reader)>;
using TWriterProc = std::function<void(TWriter* Writer)>;
using TStreamProc = std::function<void(TStream* Stream)>;

// Reading and writing share the declaration of defined properties.
class TFiler : public TObject {
  ZCL_CLASS(TFiler, TObject)
 public:
  explicit TFiler(TStream* Stream) : FStream(Stream) {}

  // Declares a property written by WriteData and read by ReadData; HasData false: not written.
  virtual void DefineProperty(const String& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                              bool HasData) = 0;
  // The same for raw bytes, stored as a binary value.
  virtual void DefineBinaryProperty(const String& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                                    bool HasData) = 0;

  TStream* GetStream() const { return FStream; }
  TComponent* GetRoot() const { return FRoot; }
  void SetRoot(TComponent* Value) { FRoot = Value; }

 protected:
  TStream* FStream;
  TComponent* FRoot = nullptr;
};

class TWriter : public TFiler {
  ZCL_CLASS(TWriter, TFiler)
 public:
  explicit TWriter(TStream* Stream) : TFiler(Stream) {}

  void DefineProperty(const String& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const String& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                            bool HasData) override;

  // Writes the signature, then Root and its children.
  void WriteDescendent(TComponent* Root, TComponent* Ancestor = nullptr);
  void WriteSignature();
  // One component entry with its properties and children.
  void WriteComponent(TComponent* Component);
  void WriteProperties(TPersistent* Instance);
  void WriteCollection(TCollection* Value);

  void WriteValue(TValueType Value);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  // The smallest integer type that holds Value.
  void WriteInteger(Int64 Value);
  void WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }
  void WriteDouble(double Value);
  void WriteSingle(float Value);
  // Short ASCII text as vaString, longer ASCII as vaLString, any other as vaWString.
  void WriteString(const String& Value);
  void WriteIdent(const String& Value);
  // A length-prefixed name (class, component or property), at most 255 bytes of UTF-8.
  void WriteStr(const String& Value);
  void WriteBinary(const TBytes& Data);

 private:
  void WriteProperty(TPersistent* Instance, PPropInfo PropInfo);
  void WritePropName(const String& Name);
  String ReferenceName(TComponent* Value) const;

  String FPropPath;
};

class TReader : public TFiler {
  ZCL_CLASS(TReader, TFiler)
 public:
  explicit TReader(TStream* Stream) : TFiler(Stream) {}

  void DefineProperty(const String& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const String& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                            bool HasData) override;

  // Reads the signature and a component tree into Root (created from the stream's class name
  // when null, owned by AOwner), resolves references, then calls Loaded on every component read.
  TComponent* ReadRootComponent(TComponent* Root, TComponent* AOwner = nullptr);
  void ReadSignature();

  TValueType ReadValue();
  TValueType NextValue();
  bool EndOfList() { return NextValue() == vaNull; }
  void ReadListBegin() { CheckValue(vaList); }
  void ReadListEnd() { CheckValue(vaNull); }
  void CheckValue(TValueType Value);
  Int64 ReadInt64();
  Integer ReadInteger();
  bool ReadBoolean();
  double ReadFloat();
  String ReadString();
  String ReadIdent();
  String ReadStr();
  // A vaBinary value; its length is checked against what the stream holds.
  TBytes ReadBinary();
  void SkipValue();

  // Deepest nesting of components, collections and lists accepted.
  static constexpr Integer MaxDepth = 256;

 private:
  struct TFixup {
    TPersistent* Instance;
    PPropInfo PropInfo;
    String Name;
  };
  TComponent* ReadComponent(TComponent* Parent, TComponent* Existing);
  void ReadProperty(TPersistent* Instance);
  void ReadPropValue(TPersistent* Instance, PPropInfo PropInfo);
  void ReadCollection(TCollection* Collection);
  void ReadFilerFlags(TFilerFlags& Flags);
  void ResolveFixups();
  // The root's component of that name, ignoring case.
  TComponent* FindOwned(StringView Name);
  [[noreturn]] void InvalidValue();
  TValueType ReadValueRaw();
  Int64 Remaining();
  void Enter();
  void Leave() { --FDepth; }

  bool FHasPeek = false;
  TValueType FPeek = vaNull;
  TComponent* FRootOwner = nullptr;
  String FPropName;
  bool FPropFound = false;
  Integer FDepth = 0;
  std::vector<TFixup> FFixups;
  std::vector<TComponent*> FLoaded;
};

// Writes Instance (with its children) as a binary component stream.
void WriteComponent(TStream* Stream, TComponent* Instance);
// Reads a binary component stream into Instance, or into a new component of the stream's class
// (owned by AOwner) when Instance is null; returns the component read.
TComponent* ReadComponent(TStream* Stream, TComponent* Instance, TComponent* AOwner = nullptr);
// The root (form or data module) named Name, ignoring case, that a reference "<root>.<component>"
// read into another root points into; null when there is none. Set by the UI class library.
using TFindGlobalComponent = TComponent* (*)(StringView Name);
void SetFindGlobalComponent(TFindGlobalComponent Proc);
TComponent* FindGlobalComponent(StringView Name);
// Reads the embedded resource ResName (RCDATA), binary or text form, into Instance.
TComponent* ReadComponentRes(StringView ResName, TComponent* Instance, TComponent* AOwner = nullptr);

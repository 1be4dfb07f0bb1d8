#pragma once
// The script engine's XML tree: a compiled program and the grammar are held as elements with a
// name, one verbatim attribute text and children (no character data, no namespaces). The tree
// is read from its text form and read and written in the binary form "ZSXMLBIN".

#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Objects.h"

class TStream;

RTL_EXCEPTION(EZScriptInvalidXmlFormat, Exception);

// Deepest element nesting either reader accepts; deeper input is refused as malformed rather
// than risking the native stack.
constexpr Integer ZsMaxXmlDepth = 512;

class TzsXMLItem : public TObject {
  ZCL_CLASS(TzsXMLItem, TObject)
 public:
  TzsXMLItem() = default;
  ~TzsXMLItem() override;
  TzsXMLItem(const TzsXMLItem&) = delete;
  TzsXMLItem& operator=(const TzsXMLItem&) = delete;

  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  TzsXMLItem* GetItem(Integer Index) const { return FItems[Index]; }
  const String& GetName() const { return FName; }
  void SetName(const String& Value);
  const String& GetNameInLowerCase() const { return FNameInLowerCase; }
  TzsXMLItem* GetParent() const { return FParent; }
  const String& GetText() const { return FText; }
  void SetText(const String& Value);

  TzsXMLItem* Add();
  void AddItem(TzsXMLItem* Item);
  void InsertItem(Integer Index, TzsXMLItem* Item);
  // Index of the first child named Name (ASCII letters without case), or -1.
  Integer Find(StringView Name) const;
  // That child, appended when missing.
  TzsXMLItem* FindItem(const String& Name);
  void Assign(const TzsXMLItem* Source);
  void Clear();
  // Takes the child out of the list without freeing it.
  void Remove(TzsXMLItem* Item);

  // The value of attribute Name (any case, only after a blank), unescaped; "" when absent.
  String GetAttribute(StringView Name) const;

 private:
  std::vector<TzsXMLItem*> FItems;
  String FName;
  String FNameInLowerCase;
  TzsXMLItem* FParent = nullptr;
  String FText;
  String FTextToSearch = u" ";
};

class TzsXMLDocument : public TObject {
  ZCL_CLASS(TzsXMLDocument, TObject)
 public:
  TzsXMLDocument();
  ~TzsXMLDocument() override;
  TzsXMLItem* GetRoot() const { return FRoot; }

  // The binary form when the stream starts with "ZSXMLBIN", else the text form.
  void LoadFromStream(TStream* Stream);
  void LoadFromBinaryStream(TStream* Stream);
  void LoadFromResource(const void* Instance, StringView ResName, StringView ResType);
  // False, with the stream position restored, when loading raises.
  bool TryLoadFromStream(TStream* Stream);
  void SaveToBinaryStream(TStream* Stream) const;

 private:
  TzsXMLItem* FRoot;
};

// Escaping of attribute values. Every '&' is escaped too, so that any text survives a round
// trip; texts stored with a bare '&' still read back unchanged.
String StrToXML(StringView S);
String XMLToStr(StringView S);

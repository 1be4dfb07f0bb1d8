#pragma once
// Multi-value texts of the tag library: several values of one field are kept in one text
// separated by ";".

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Types.h"

// List + ";" + Value, unless Value already stands in List as a whole item; either one when the
// other is empty.
String TagsAppendValue(const String& List, const String& Value);
// Text split at Delimiter (NUL included), the parts trimmed of spaces, empty parts dropped, joined
// with ";"; Text unchanged when it holds no Delimiter.
String TagsDecodeValues(const String& Text, Char Delimiter);
// With Split: Proc for every ";"-separated part that is not empty once trimmed of characters below
// 33 (the trimmed part is passed). Without: Proc(Text) once unless Text is empty. Returns the calls.
Integer TagsEnumValues(const String& Text, bool Split, const TProc<const String&>& Proc);
// The part before the first ";", or the whole text.
String TagsFirstValue(const String& Text);
// Native field names compared as the formats do: ignoring the case of ASCII letters only.
bool TagsSameName(std::string_view A, std::string_view B);

// ---- field map -------------------------------------------------------------------------------------
// Translates a format's native fields (a numeric code or a name) to published properties of the
// tag class, with the property's text reader and writer and whether it holds several values.

#include <memory>
#include <unordered_map>
#include <vector>

#include "rtl/RTL.Objects.h"

class TPropInfo;
class TZTLTagFieldMapItem;

using TZTLTagFieldGetter = TFunc<String, const TObject* /*Tag*/, const TZTLTagFieldMapItem& /*Item*/>;
using TZTLTagFieldSetter = TProc<TObject* /*Tag*/, const TZTLTagFieldMapItem& /*Item*/, const String& /*Text*/>;

class TZTLTagFieldMapItem : public TObject {
  ZCL_CLASS(TZTLTagFieldMapItem, TObject)
 public:
  Integer ID = 0;   // 0 for an item keyed by name
  AnsiString Name;  // as registered; its case is kept for writing
  const TPropInfo* PropInfo = nullptr;
  bool Multi = false;
  TZTLTagFieldGetter Getter;
  TZTLTagFieldSetter Setter;

  // The default reader and writer, by the property's kind: integers as decimal text (empty for 0;
  // written from text truncated toward zero, 0 for no number, clamped to the property's range),
  // enumerations by ordinal (written from a value name or an ordinal in range, other text leaves
  // the property unchanged), strings as they are. Other kinds raise ENotSupportedException.
  static String DefaultGet(const TObject* Tag, const TZTLTagFieldMapItem& Item);
  static void DefaultSet(TObject* Tag, const TZTLTagFieldMapItem& Item, const String& Text);
};

class TZTLTagFieldMap : public TObject {
  ZCL_CLASS(TZTLTagFieldMap, TObject)
 public:
  // TagClass: the class whose published properties the map's items name.
  explicit TZTLTagFieldMap(TClass TagClass);
  ~TZTLTagFieldMap() override;

  // A map of class M, populated: M(TagClass) then Populate().
  template <class M>
  static std::unique_ptr<M> CreatePopulated(TClass TagClass) {
    auto map = std::make_unique<M>(TagClass);
    map->Populate();
    return map;
  }

  // Registers the format's items; every format runs the base first (cue sheet and replay gain).
  virtual void Populate();

  // The first registration of an ID or a name wins. An unknown property name raises EPropertyError.
  void Add(Integer ID, StringView PropertyName, bool Multi);
  void Add(std::string_view Name, StringView PropertyName, bool Multi);
  void AddEx(std::string_view Name, StringView PropertyName, bool Multi, TZTLTagFieldGetter Getter,
             TZTLTagFieldSetter Setter);
  void Remove(std::string_view Name);

  const TZTLTagFieldMapItem* FindID(Integer ID) const;
  // Case-insensitive in ASCII.
  const TZTLTagFieldMapItem* FindName(std::string_view Name) const;
  // The item written for a property: the first one registered for it.
  const TZTLTagFieldMapItem* FindProperty(const TPropInfo* PropInfo) const;
  // The items written, one per property, in the order of their first registration.
  const std::vector<TZTLTagFieldMapItem*>& GetPropItems() const { return FPropOrder; }
  TClass GetTagClass() const { return FTagClass; }

 private:
  TZTLTagFieldMapItem* NewItem(StringView PropertyName, bool Multi);
  void Offer(TZTLTagFieldMapItem* Item);
  TClass FTagClass;
  std::vector<std::unique_ptr<TZTLTagFieldMapItem>> FItems;  // owns every item
  std::unordered_map<Integer, TZTLTagFieldMapItem*> FIdMap;
  std::unordered_map<std::string, TZTLTagFieldMapItem*> FNameMap;
  std::unordered_map<const TPropInfo*, TZTLTagFieldMapItem*> FPropMap;
  std::vector<TZTLTagFieldMapItem*> FPropOrder;
};

// ---- mapped filer ----------------------------------------------------------------------------------

class TStream;
class TZTLTag;

// One reading or writing pass over one tag: native fields go through the format's map into the
// tag's properties (decoded, multi-values joined with ";"), unknown ones are kept byte for byte as
// custom fields; EnumValues hands the tag's values back out as native fields.
class TZTLTagMappedFiler : public TObject {
  ZCL_CLASS(TZTLTagMappedFiler, TObject)
 public:
  TZTLTagMappedFiler(TZTLTag* Tag, TStream* Stream, const TZTLTagFieldMap* FieldMap);

  // The tag's decoding of undeclared text, trimmed of characters below 33.
  virtual String DecodeValue(std::string_view Data, const TZTLTagFieldMapItem& Item);
  // A multi-value text read from the file brought into the ";"-separated form.
  virtual String NormalizeMultiValue(const String& Text, const TZTLTagFieldMapItem& Item);
  // UTF-8.
  virtual RawByteString EncodeValue(const String& Text, const TZTLTagFieldMapItem& Item);
  // The ";"-separated form turned into the format's form for one native field.
  virtual String JoinMultiValue(const String& Text, const TZTLTagFieldMapItem& Item);
  // The code in decimal.
  virtual AnsiString IdToName(Integer ID);
  virtual String FilterValue(const String& Text);
  virtual void ReadField(Integer ID, std::string_view Data);
  virtual void ReadField(std::string_view Name, std::string_view Data);

  void ReadMappedField(const TZTLTagFieldMapItem& Item, std::string_view Data);
  void ApplyValue(const TZTLTagFieldMapItem& Item, String Text);
  void SetTagSize(Cardinal Size);
  // Proc(name, bytes) for every native field to write: the mapped properties (one field per value
  // of a multi-value property with SplitMulti), then the custom fields as stored.
  void EnumValues(const TProc<const AnsiString&, const RawByteString&>& Proc, bool SplitMulti);

  // A repeated multi-value field adds its value instead of replacing the earlier ones.
  bool AppendValues = true;
  // Values pass through FilterValue before they are stored.
  bool FilterValues = false;

 protected:
  TStream* FStream;
  TZTLTag* FTag;
  const TZTLTagFieldMap* FFieldMap;
};

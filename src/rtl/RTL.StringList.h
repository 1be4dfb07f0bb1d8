#pragma once
// TStrings, the abstract list of strings with objects that controls expose as their items and
// lines, and TStringList, its plain implementation (optionally sorted, optionally owning its
// objects).
//
//   TStringList* list = new TStringList;
//   list->SetText(u"Name=Skin\r\nWidth=320");
//   list->GetValues(u"Width");        // u"320"
//   list->SetCommaText(u"a,\"b c\",d");
//
// Indexes outside 0..Count-1 raise EListError "List index out of bounds (%d)".

#include <vector>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Lists.h"

class TStream;
class TEncoding;

class TStrings : public TPersistent {
  ZCL_CLASS(TStrings, TPersistent)
 public:
  ~TStrings() override;

  virtual Integer GetCount() const = 0;
  String GetStrings(Integer Index) const { return Get(Index); }
  void SetStrings(Integer Index, const String& S) { Put(Index, S); }
  TObject* GetObjects(Integer Index) const { return GetObject(Index); }
  void SetObjects(Integer Index, TObject* AObject) { PutObject(Index, AObject); }
  String operator[](Integer Index) const { return Get(Index); }

  virtual Integer Add(const String& S);
  virtual Integer AddObject(const String& S, TObject* AObject);
  virtual void AddStrings(const TStrings* Strings);
  virtual void Insert(Integer Index, const String& S) = 0;
  virtual void InsertObject(Integer Index, const String& S, TObject* AObject);
  virtual void Delete(Integer Index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(Integer Index1, Integer Index2);
  // Moves the string and its object; the list is unchanged when the move cannot be made.
  virtual void Move(Integer CurIndex, Integer NewIndex);
  // From another TStrings: its strings, objects and text settings; other sources as TPersistent
  // (null raises "Cannot assign a nil to a ...").
  void Assign(TPersistent* Source) override;
  bool Equals(const TStrings* Strings) const;

  // -1 when absent. Strings are compared by CompareStrings.
  virtual Integer IndexOf(const String& S) const;
  Integer IndexOfObject(const TObject* AObject) const;
  // The first "Name<separator>..." line whose name equals Name; -1 when none.
  virtual Integer IndexOfName(const String& Name) const;

  // Name-value lines ("Name=Value" with the default separator).
  Char GetNameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(Char Value) { FNameValueSeparator = Value; }
  // The text before the first separator; "" when the line has none.
  String GetNames(Integer Index) const;
  // The text after the first separator; "" when the line has none.
  String GetValueFromIndex(Integer Index) const;
  // An empty Value deletes the line; otherwise the line is replaced, or added when absent.
  void SetValueFromIndex(Integer Index, const String& Value);
  String GetValues(const String& Name) const;
  void SetValues(const String& Name, const String& Value);

  // Text: every string followed by LineBreak. Reading splits at CR LF, LF and CR alike.
  String GetText() const;
  virtual void SetText(const String& Value);
  // CR LF by default, as the system's files are written.
  const String& GetLineBreak() const { return FLineBreak; }
  void SetLineBreak(const String& Value) { FLineBreak = Value; }

  // Delimited text. Without StrictDelimiter, spaces and control characters separate items too
  // and strings holding them are quoted; with it, only Delimiter does. Strings holding the
  // delimiter or the quote character are quoted, the quote doubled inside.
  String GetDelimitedText() const;
  void SetDelimitedText(const String& Value);
  // The delimited text with "," and "\"" and no strict delimiter, whatever the list's settings.
  String GetCommaText() const;
  void SetCommaText(const String& Value);
  Char GetDelimiter() const { return FDelimiter; }
  void SetDelimiter(Char Value) { FDelimiter = Value; }
  Char GetQuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(Char Value) { FQuoteChar = Value; }
  bool GetStrictDelimiter() const { return FStrictDelimiter; }
  void SetStrictDelimiter(bool Value) { FStrictDelimiter = Value; }

  // Brackets bulk changes: change notices are held back until the outermost EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  Integer GetUpdateCount() const { return FUpdateCount; }

  // Loading: the byte-order mark decides the encoding; without one, Encoding, else
  // DefaultEncoding. The encoding found is remembered for saving.
  void LoadFromStream(TStream* Stream, TEncoding* Encoding = nullptr);
  void LoadFromFile(const String& FileName, TEncoding* Encoding = nullptr);
  // Saving: in Encoding, else in the remembered encoding, else in DefaultEncoding, with its
  // byte-order mark when WriteBOM. When no encoding was given and the implied one cannot hold
  // every character of the text, UTF-8 is written instead, so that nothing is lost.
  // SaveToFile encodes before it creates the file: an encoding error leaves the file alone.
  void SaveToStream(TStream* Stream, TEncoding* Encoding = nullptr);
  void SaveToFile(const String& FileName, TEncoding* Encoding = nullptr);
  // The encoding of the last load; null before. Owned by the list.
  TEncoding* GetEncoding() const { return FEncoding; }
  // TEncoding::GetDefault() unless set; not owned (shared encodings, or one the caller keeps alive).
  TEncoding* GetDefaultEncoding() const;
  void SetDefaultEncoding(TEncoding* Value) { FDefaultEncoding = Value; }
  bool GetWriteBOM() const { return FWriteBOM; }
  void SetWriteBOM(bool Value) { FWriteBOM = Value; }

  virtual Integer GetCapacity() const { return GetCount(); }
  virtual void SetCapacity(Integer) {}

 protected:
  virtual String Get(Integer Index) const = 0;
  virtual void Put(Integer Index, const String& S);
  virtual TObject* GetObject(Integer) const { return nullptr; }
  virtual void PutObject(Integer, TObject*) {}
  // Called with True when the outermost BeginUpdate starts and False when it ends.
  virtual void SetUpdateState(bool) {}
  // <0, 0, >0. The locale's comparison ignoring case by default.
  virtual Integer CompareStrings(const String& S1, const String& S2) const;
  [[noreturn]] static void RaiseIndexError(Integer Index);

 private:
  void SetEncoding(TEncoding* Value);
  String JoinDelimited(Char Delimiter, Char QuoteChar, bool Strict) const;
  void ParseDelimited(const String& Value, Char Delimiter, Char QuoteChar, bool Strict);

  Char FNameValueSeparator = u'=';
  Char FDelimiter = u',';
  Char FQuoteChar = u'"';
  bool FStrictDelimiter = false;
  bool FWriteBOM = true;
  String FLineBreak = u"\r\n";
  Integer FUpdateCount = 0;
  TEncoding* FEncoding = nullptr;
  TEncoding* FDefaultEncoding = nullptr;
};

class TStringList;
// Compares the items at Index1 and Index2 of List: <0, 0, >0.
using TStringListSortCompare = Integer (*)(TStringList* List, Integer Index1, Integer Index2);

class TStringList : public TStrings {
  ZCL_CLASS(TStringList, TStrings)
 public:
  TStringList() = default;
  explicit TStringList(bool OwnsObjects) : FOwnsObjects(OwnsObjects) {}
  TStringList(TDuplicates Duplicates, bool Sorted, bool CaseSensitive);
  ~TStringList() override;

  Integer GetCount() const override { return static_cast<Integer>(FList.size()); }
  // On a sorted list Add and AddObject insert in order, following Duplicates.
  Integer Add(const String& S) override;
  Integer AddObject(const String& S, TObject* AObject) override;
  // Insert raises "Operation not allowed on sorted list" on a sorted list.
  void Insert(Integer Index, const String& S) override;
  void InsertObject(Integer Index, const String& S, TObject* AObject) override;
  void Delete(Integer Index) override;
  void Clear() override;
  void Exchange(Integer Index1, Integer Index2) override;
  void Move(Integer CurIndex, Integer NewIndex) override;
  // From a TStringList also its order, duplicates policy and comparison.
  void Assign(TPersistent* Source) override;
  Integer IndexOf(const String& S) const override;

  // Binary search of a sorted list: True when S is present, Index its first position; False
  // with Index where S would go.
  virtual bool Find(const String& S, Integer& Index) const;
  virtual void Sort();
  // Sorts by Compare (stable); a sorted list stays marked sorted.
  virtual void CustomSort(TStringListSortCompare Compare);

  bool GetSorted() const { return FSorted; }
  // Setting True sorts the list.
  void SetSorted(bool Value);
  // Applies to sorted lists only: dupIgnore drops a repeated string, dupError raises
  // "Duplicates not allowed", dupAccept keeps it.
  TDuplicates GetDuplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool GetCaseSensitive() const { return FCaseSensitive; }
  // A sorted list is sorted again by the new comparison.
  void SetCaseSensitive(bool Value);
  // True: the locale's collation (ICU); False: ordinal UTF-16 order.
  bool GetUseLocale() const { return FUseLocale; }
  void SetUseLocale(bool Value);
  // An owning list frees the objects of the strings it deletes, and all of them when cleared or freed.
  bool GetOwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }
  Integer GetCapacity() const override { return static_cast<Integer>(FList.capacity()); }
  // Raises "List capacity out of bounds (%d)" below Count.
  void SetCapacity(Integer Value) override;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  String Get(Integer Index) const override;
  void Put(Integer Index, const String& S) override;
  TObject* GetObject(Integer Index) const override;
  void PutObject(Integer Index, TObject* AObject) override;
  void SetUpdateState(bool Updating) override;
  Integer CompareStrings(const String& S1, const String& S2) const override;
  // Fire OnChange / OnChanging outside update brackets.
  virtual void Changed();
  virtual void Changing();
  void InsertItem(Integer Index, const String& S, TObject* AObject);

 private:
  struct TItem {
    String Text;
    TObject* Object;
  };
  void CheckIndex(Integer Index) const;
  template <class F>
  void SortItems(F Less);

  std::vector<TItem> FList;
  TDuplicates FDuplicates = dupIgnore;
  bool FSorted = false;
  bool FCaseSensitive = false;
  bool FUseLocale = true;
  bool FOwnsObjects = false;
};

#pragma once
// The library's string list: lines of text, name-value settings, file lists and INI sections.
// Each item carries a text, an object (not owned) and a counted interface. Texts compare with the
// locale comparison, ignoring case by default. Bad indexes never raise: reads give empty values,
// writes are ignored.

#include <initializer_list>
#include <vector>

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Types.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Threading.Sorting.h"

class TEncoding;
class TStream;

struct TZCLStringListItem {
  IPtr<IInterface> Interface;
  TObject* Object = nullptr;  // not owned
  String Text;
};

// Takes strings one at a time, so a producer can fill any list without knowing its class.
struct IStringReceiver : virtual IInterface {
  RTL_INTERFACE(IStringReceiver, IInterface, "{6A3E1F52-0C4B-4D7E-9B21-5E8F3A7C1D30}")
  virtual void AddString(const String& S) = 0;
};

class TZCLStringList : public TZCLUnknownPersistent, public IStringReceiver, public IZCLUpdateLock {
  ZCL_CLASS(TZCLStringList, TZCLUnknownPersistent)
  RTL_INTERFACES(TZCLUnknownPersistent, IStringReceiver, IZCLUpdateLock)
 public:
  TZCLStringList() = default;
  // With IsMultiLine, the lines of Text; otherwise Text as the single item.
  TZCLStringList(const String& Text, bool IsMultiLine);
  ~TZCLStringList() override;

  // A new list with the items of Source; the caller frees it.
  static TZCLStringList* CreateCopy(const TZCLStringList* Source);

  // From another TZCLStringList (items with objects and interfaces) or a platform string list
  // (texts with objects); other sources are ignored.
  void Assign(TPersistent* Source) override;
  void AddStrings(const TZCLStringList* Source);
  void AddStrings(const std::vector<String>& Source);
  void AddStrings(std::initializer_list<String> Source) { AddStrings(std::vector<String>(Source)); }
  std::vector<String> ToArray() const;
  virtual void Clear();

  // Insert at Count; returns the index the item got (a sorted list puts it in its place, or
  // answers the index of the equal text it already holds), -1 when nothing was stored.
  Integer Add(const String& Text, TObject* Object = nullptr, IInterface* Interface = nullptr);
  Integer AddObject(const String& Text, TObject* Object) { return Add(Text, Object); }
  // IStringReceiver: Add without object or interface.
  void AddString(const String& S) override { Add(S); }
  Integer AddPair(const String& Name, const String& Value, TObject* Object = nullptr, IInterface* Interface = nullptr);
  // Ignored unless 0 <= Index <= Count.
  virtual void Insert(Integer Index, const String& Text, TObject* Object = nullptr, IInterface* Interface = nullptr);
  // False unless N >= 1 and Index .. Index + N - 1 lie in the list. Objects are not freed.
  bool DeleteRange(Integer Index, Integer N);
  void Delete(Integer Index) { DeleteRange(Index, 1); }
  // The former index of the text, or -1.
  Integer Remove(const String& Text);
  // Keeps the last occurrence of every text (by IgnoreCase).
  void RemoveDuplicates();
  void TrimAll();

  Integer GetCount() const { return FCount; }
  String GetStrings(Integer Index) const;
  void SetStrings(Integer Index, const String& Text) { SetString(Index, Text); }
  TObject* GetObjects(Integer Index) const;
  void SetObjects(Integer Index, TObject* Object);
  IInterface* GetInterfaces(Integer Index) const;
  void SetInterfaces(Integer Index, IInterface* Interface);
  // Room for N more items.
  void EnsureCapacity(Integer N);
  Integer GetCapacity() const { return static_cast<Integer>(FItems.size()); }
  // Never below Count.
  void SetCapacity(Integer Value);

  virtual Integer IndexOf(const String& Text) const;
  bool Contains(const String& Text) const { return IndexOf(Text) >= 0; }
  Integer IndexOfObject(const TObject* Object) const;
  // The last line that starts with Name and the separator: a later line wins.
  Integer IndexOfName(const String& Name) const;

  // The text before the first separator; "" without one.
  String GetNames(Integer Index) const;
  // The text after the first separator; the whole text without one.
  String GetValueFromIndex(Integer Index) const;
  void SetValueFromIndex(Integer Index, const String& Value);
  String GetValues(const String& Name) const;
  // Replaces the line of Name, or adds one; an empty value keeps the line ("Name=").
  void SetValues(const String& Name, const String& Value);

  // Every text followed by CR LF, the last one included.
  String GetText() const { return GetDelimitedText(u"\r\n", true); }
  String GetDelimitedText(StringView Delimiter, bool AppendTrailing) const;
  // Lines end at CR, LF, CR LF, U+2028 (also followed by CR, LF or CR LF); no empty last line.
  virtual void SetText(const String& Text);

  // The rest of the stream as text: its byte-order mark decides, else Encoding, else ANSI.
  virtual void LoadFromStream(TStream* Stream, TEncoding* Encoding = nullptr);
  // The byte-order mark, then Text; UTF-16 LE without an encoding.
  virtual void SaveToStream(TStream* Stream, TEncoding* Encoding = nullptr);
  // False when the file cannot be opened; stream errors raise.
  bool LoadFromFile(const String& FileName, TEncoding* Encoding = nullptr);
  // Overwrites read-only files; false when the file cannot be created.
  bool SaveToFile(const String& FileName, TEncoding* Encoding = nullptr);

  // Sorts on pool threads when UseThreads is set and the list is large; calls Changed once.
  void Sort(const TZCLStringListCompareProc& Compare, bool UseThreads);
  // Locale order with case, whatever IgnoreCase says.
  void Sort();
  // Number-aware order ignoring case ("file2" before "file10"); threaded above 1000 items.
  void SortLogical();

  // Hooks without behaviour here; derived lists give them meaning. Bulk operations bracket their
  // work with BeginUpdate / EndUpdate, and call Changed once per elementary change.
  virtual void Changed() {}
  void BeginUpdate() override {}
  void EndUpdate() override {}

  Char GetNameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(Char Value) { FNameValueSeparator = Value; }
  bool GetIgnoreCase() const { return FIgnoreCase; }
  void SetIgnoreCase(bool Value) { FIgnoreCase = Value; }

  // Replaces the text at Index, then Changed; ignored outside the list.
  virtual void SetString(Integer Index, const String& Text);

 protected:
  // A platform string list receives the texts and objects; other targets raise.
  void AssignTo(TPersistent* Dest) override;
  bool InRange(Integer Index) const { return Index >= 0 && Index < FCount; }
  const TZCLStringListItem& ItemAt(Integer Index) const { return FItems[static_cast<size_t>(Index)]; }
  // Direct access for derived lists that keep caches in the items; no Changed.
  TZCLStringListItem& ItemRef(Integer Index) { return FItems[static_cast<size_t>(Index)]; }

  Integer FCount = 0;
  // Where the last Insert stored its item, or found it present; -1 when it stored nothing.
  Integer FLastInsertIndex = -1;
  Char FNameValueSeparator = u'=';
  bool FIgnoreCase = true;

 private:
  friend class TZCLMultithreadedStringListSorter;
  void Grow();
  // Slots 0 .. Count - 1 hold the items; the rest are empty. Its size is the capacity.
  std::vector<TZCLStringListItem> FItems;
};

// A list kept in order by the locale comparison (with case unless IgnoreCase is set); a text
// that is present already is not added again.
class TZCLSortedStrings : public TZCLStringList {
  ZCL_CLASS(TZCLSortedStrings, TZCLStringList)
 public:
  TZCLSortedStrings() { FIgnoreCase = false; }

  // Binary search; Index is the match or the insertion point. Among equal texts any may be found.
  bool Find(const String& Text, Integer& Index) const;
  // Index is ignored: the text goes to its place.
  void Insert(Integer Index, const String& Text, TObject* Object = nullptr, IInterface* Interface = nullptr) override;
  Integer IndexOf(const String& Text) const override;
  // Replaces the text and restores the order.
  void SetString(Integer Index, const String& Text) override;
};

#pragma once
// The genre table shared by the tag formats: the 148 numbered standard genres (the numbers ID3v1
// stores, ID3v2 writes as "(n)", MP4 as n + 1) and 33 additional names that have no number, plus
// the predefined-values objects that suggest values for a tag field.

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

class TZCLStringList;

// The standard genre of that number; empty outside 0 .. 147.
String GetGenreName(Integer Index);
// The number of the first standard genre equal to Text ignoring case, or -1. The additional
// genres are not searched.
Integer IndexOfGenre(StringView Text);
// Index gets IndexOfGenre; true only above 0, so "Blues" (0) is written as text by callers.
bool TryGetGenreIndex(StringView Text, Integer& Index);

constexpr Integer GenreCount = 148;
constexpr Integer AdditionalGenreCount = 33;

// Suggested values of one tag field.
class TZTLCustomValues : public TObject {
  ZCL_CLASS(TZTLCustomValues, TObject)
 public:
  TZTLCustomValues();
  ~TZTLCustomValues() override;
  // Whether Text is one of the standard values.
  virtual bool IsPredefinedValue(StringView Text) const;
  // Appends the suggested values to List.
  virtual void PopulateValues(TZCLStringList* List) const;

 protected:
  TZCLStringList* FValues;  // case-sensitive
};

class TZTLCustomGenres : public TZTLCustomValues {
  ZCL_CLASS(TZTLCustomGenres, TZTLCustomValues)
 public:
  bool IsPredefinedValue(StringView Text) const override;
  // The 33 additional genres, in table order.
  void PopulateValues(TZCLStringList* List) const override;
};

// The shared genres object, created on first use.
TZTLCustomGenres* GetPredefinedGenres();

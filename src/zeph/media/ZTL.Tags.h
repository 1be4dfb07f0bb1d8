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

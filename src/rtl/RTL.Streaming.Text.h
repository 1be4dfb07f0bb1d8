#pragma once
// The text form of component streams, for resources people read and edit:
//
//   object Panel1: TPanel
//     Caption = 'Hello'#13#10'world'
//     Font.Color = 255
//     Items = <
//       item
//         Width = 10
//       end>
//     Data = {
//       0A0B0C}
//     object Button1: TButton
//     end
//   end
//
// Conversion is by value type alone and needs no registered class. Text is UTF-8; strings are
// written with '' for a quote and #n for characters outside printable ASCII.

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Types.h"

class TStream;

// A syntax error of the text form; the message ends with "on line %d".
RTL_EXCEPTION(EParserError, Exception);

enum TStreamOriginalFormat : Byte { sofUnknown, sofBinary, sofText, sofUTF8Text };

// Binary when the stream begins with the signature, text when with "object", "inherited" or
// "inline" (after blanks); the position is left unchanged.
TStreamOriginalFormat TestStreamFormat(TStream* Stream);
// Converts the text form at Input's position to the binary form at Output's. Syntax errors raise
// EParserError.
void ObjectTextToBinary(TStream* Input, TStream* Output);
// Converts the binary form to the text form. Damaged input raises EReadError.
void ObjectBinaryToText(TStream* Input, TStream* Output);

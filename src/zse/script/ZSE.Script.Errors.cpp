#include "zse/script/ZSE.Script.Errors.h"

#include "zse/script/ZSE.Script.Tokenizer.h"

EZScriptError::EZScriptError(const String& APosition, const String& AMessage)
    : Exception(u"Error at " + APosition + u" - " + AMessage),
      FMessage(AMessage),
      FPosition(TzsParser::SourcePosToPoint(APosition)) {}

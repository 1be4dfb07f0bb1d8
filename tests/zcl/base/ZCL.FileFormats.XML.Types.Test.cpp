#include "zcl/base/ZCL.FileFormats.XML.Types.h"

#include <gtest/gtest.h>

TEST(ZCLXMLTypes, CharacterClasses) {
  EXPECT_TRUE(zcXMLHasClass(u' ', xccWhitespace));
  EXPECT_FALSE(zcXMLHasClass(0xA0, xccWhitespace));
  EXPECT_TRUE(zcXMLHasClass(u'_', xccNameStart));
  EXPECT_FALSE(zcXMLHasClass(u'1', xccNameStart));
  EXPECT_TRUE(zcXMLHasClass(u'1', xccNameChar));
  EXPECT_FALSE(zcXMLHasClass(u':', xccNameChar));
  EXPECT_TRUE(zcXMLHasClass(0x0416, xccNameStart));  // Cyrillic letter
  EXPECT_FALSE(zcXMLHasClass(0x1, xccCharData));
  EXPECT_FALSE(zcXMLHasClass(0xFFFE, xccCharData));
  EXPECT_FALSE(zcXMLHasClass(0xD800, xccCharData));
  for (Char c : {u'&', u'<', u']', u'\t', u'\n', u'\r'}) EXPECT_FALSE(zcXMLHasClass(c, xccText)) << int(c);
  for (Char c : {u'&', u'<', u'>', u'"', u'\'', u'\t'}) EXPECT_FALSE(zcXMLHasClass(c, xccAttrValue)) << int(c);
}

TEST(ZCLXMLTypes, CharExceptionArgsAndStrToBool) {
  auto args = zcXMLCharExceptionArgs(u'<', 0);
  EXPECT_EQ(args.Text, u"<");
  EXPECT_EQ(args.Code, u"0x3C");
  EXPECT_EQ(zcXMLCharExceptionArgs(u'\t', 0).Code, u"0x 9");
  EXPECT_EQ(zcXMLCharExceptionArgs(0, 0).Text, u".");
  args = zcXMLCharExceptionArgs(0xD83D, 0xDE00);
  EXPECT_EQ(args.Text, String(u"\U0001F600"));
  EXPECT_EQ(args.Code, u"0x1F600");
  for (const char16_t* t : {u"1", u"-5", u"TRUE", u"True"}) EXPECT_TRUE(zcXMLStrToBool(t)) << StringToUTF8(t);
  for (const char16_t* t : {u"0", u"yes", u"", u"-"}) EXPECT_FALSE(zcXMLStrToBool(t)) << StringToUTF8(t);
}

TEST(ZCLXMLTypes, ExceptionMessages) {
  EXPECT_EQ(EZCLXMLException(u"", 0, 0).GetMessage(), u"An XML error has occurred.");
  EZCLXMLException e(u"Bad.", 3, 7);
  EXPECT_EQ(e.GetMessage(), u"Bad. Line 3, position 7");
  EXPECT_EQ(e.LinePosition, 7);
  EXPECT_EQ(EZCLXMLException(u"Bad.", 0, 0).GetMessage(), u"Bad.");
  EXPECT_EQ(EZCLXMLException(u"'%s' x.", {String(u"q")}, 2, 1).GetMessage(), u"'q' x. Line 2, position 1");
}

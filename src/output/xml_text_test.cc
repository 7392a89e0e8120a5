#include "output/xml_text.h"

#include <gtest/gtest.h>

#include "output/result_document.h"

TEST(XmlTextTest, KeepsAsciiAndWellFormedUtf8) {
  std::string ascii;
  for (int c = 0x20; c < 0x80; ++c) ascii += static_cast<char>(c);
  ascii += "\t\r\n";
  EXPECT_EQ(XmlText(ascii), ascii);
  // Two-, three- and four-byte characters at the edges of their ranges,
  // C1 controls written as UTF-8 and the last character XML allows.
  std::string utf8 =
      "\xC2\x80 \xC3\xA4 \xDF\xBF \xE0\xA0\x80 \xED\x9F\xBF \xEE\x80\x80"
      " \xEF\xBF\xBD \xF0\x90\x80\x80 \xF4\x8F\xBF\xBF";
  EXPECT_EQ(XmlText(utf8), utf8);
}

TEST(XmlTextTest, ControlBytesAndNul) {
  EXPECT_EQ(XmlText(std::string("a\x01"
                                "b\x1F"
                                "c\x0B\x0C"
                                "d\x7F",
                                9)),
            "a?b?c??d\x7F");
  EXPECT_EQ(XmlText(std::string("before\0after", 12)), "before");
  EXPECT_EQ(XmlText(std::string("\0", 1)), "");
}

TEST(XmlTextTest, StrayBytesReadAsWindows1252) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"M\xFC"
       "ller",
       "M\xC3\xBC"
       "ller"},  // Latin-1 letter
      {"\x80 \x9F \xA0 \xFF", "\xE2\x82\xAC \xC5\xB8 \xC2\xA0 \xC3\xBF"},
      {"\x81\x8D\x8F\x90\x9D", "?????"},                          // unassigned
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                           // overlong "/"
      {"\xE0\x80\xAF", "\xC3\xA0\xE2\x82\xAC\xC2\xAF"},           // overlong
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},           // surrogate
      {"\xF4\x90\x80\x80", "\xC3\xB4?\xE2\x82\xAC\xE2\x82\xAC"},  // above U+10FFFF
      {"x\xE2\x82", "x\xC3\xA2\xE2\x80\x9A"},                     // cut off at the end
      {"\xC3(", "\xC3\x83("},                                     // cut off by ASCII
      {"\xF8\x88\x80\x80\x80", "\xC3\xB8\xCB\x86\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"},
      {"\xEF\xBF\xBE|\xEF\xBF\xBF", "?|?"},  // not XML characters
  };
  for (const Case& c : cases) EXPECT_EQ(XmlText(c.in), c.out) << c.in;
  // The result is a fixed point: cleaning it again changes nothing.
  for (const Case& c : cases) EXPECT_EQ(XmlText(c.out), c.out) << c.in;
}

TEST(XmlTextTest, DocumentContentIsCleanedThenEscaped) {
  ResultDocument doc;
  doc.WriteChannel(
      "Sch\xE4"
      "den<",
      std::string("1\x02&", 3), "\xFF");
  EXPECT_EQ(doc.Text(),
            "\n<Result><Channel>Sch\xC3\xA4"
            "den&lt;</Channel>\n"
            "<Unit>Custom</Unit>\n<CustomUnit>\xC3\xBF</CustomUnit>\n"
            "<Value>1?&amp;</Value></Result>\n");
  doc.WriteErrorDocument(std::string("Error 1016: \0rest", 17));
  EXPECT_EQ(doc.Text(), "<Prtg>\n<Error>1</Error>\n<Text>Error 1016: </Text>\n</Prtg>\n");
}

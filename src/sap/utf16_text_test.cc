#include "sap/utf16_text.h"

#include <gtest/gtest.h>

TEST(Utf16TextTest, EveryCodePageByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::u16string wide = Utf16FromCodePage(all);
  ASSERT_EQ(wide.size(), 256u);
  EXPECT_EQ(wide[0x80], u'\u20AC');  // euro sign
  EXPECT_EQ(wide[0x9F], u'\u0178');
  EXPECT_EQ(wide[0xE4], u'\u00E4');  // a umlaut, as in Latin-1
  EXPECT_EQ(wide[0x81], u'\u0081');  // undefined bytes keep their value
  EXPECT_EQ(CodePageFromUtf16(wide), all);
}

TEST(Utf16TextTest, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
  // Cyrillic, a CJK character, a pair of surrogates (one emoji) and a lone
  // surrogate: four characters, four replacements, nothing dropped.
  std::u16string text = u"a\u0416b\u4E2Dc\U0001F600d\xD800";
  EXPECT_EQ(CodePageFromUtf16(text), "a?b?c?d?");
}

TEST(Utf16TextTest, FieldsAreCutAndPadded) {
  char field[6];
  StoreField("ABCDEFGH", field, sizeof field);
  EXPECT_EQ(std::string(field, 6), "ABCDEF");
  StoreField("AB", field, sizeof field);
  EXPECT_EQ(std::string(field, 6), "AB    ");

  char terminated[4];
  StoreTerminated("ABCDEF", terminated, sizeof terminated);
  EXPECT_STREQ(terminated, "ABC");

  const char16_t full[3] = {u'x', u'y', u'z'};  // no terminator inside
  EXPECT_EQ(TerminatedUtf16(full, 3), u"xyz");
}

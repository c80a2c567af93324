#include "platform/common/utf.h"

#include <gtest/gtest.h>

namespace vmt::platform {
namespace {

TEST(Utf, RoundTripsNamesOutsideAscii) {
  const std::string names[] = {"Vermessung_Zürich.csv", "Żółw.txt", "測量.dat", "emoji_😀.txt", ""};
  for (const std::string& name : names) {
    EXPECT_EQ(to_utf8(to_utf16(name)), name);
  }
  EXPECT_EQ(to_utf16("😀").size(), 2u);  // one surrogate pair
}

TEST(Utf, InvalidInputBecomesReplacementCharacter) {
  EXPECT_EQ(to_utf16("a\xFF" "b"), (std::u16string{u'a', u'\xFFFD', u'b'}));
  EXPECT_EQ(to_utf16("\xC3"), std::u16string(1, u'\xFFFD'));           // cut sequence
  EXPECT_EQ(to_utf16("\xC0\x80"), std::u16string(1, u'\xFFFD'));       // overlong
  EXPECT_EQ(to_utf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");  // lone surrogate
}

TEST(Utf, CutNeverSplitsASequence) {
  const std::string text = "ab\xC3\xBC" "c";  // "abüc"
  EXPECT_EQ(cut_utf8(text, 3), "ab");
  EXPECT_EQ(cut_utf8(text, 4), "ab\xC3\xBC");
  EXPECT_EQ(cut_utf8(text, 100), text);
  EXPECT_EQ(cut_utf8("\xE6\xB8\xAC", 2), "");
}

TEST(Utf, CaseInsensitiveComparisonFoldsAsciiLikeStricmp) {
  EXPECT_TRUE(equals_no_case("Codes.csv", "CODES.CSV"));
  EXPECT_FALSE(equals_no_case("Codes.csv", "Codes.cs"));
  EXPECT_LT(compare_no_case("abc", "ABD"), 0);
  // _stricmp folds to lower case, so '_' (0x5F) sorts before letters.
  EXPECT_LT(compare_no_case("_", "A"), 0);
  EXPECT_TRUE(equals_no_case(std::u16string(u"Plotwise"), std::u16string(u"PLOTWISE")));
  EXPECT_EQ(to_upper_ascii("upload"), "UPLOAD");
}

TEST(Utf, NamesCompareWithoutCaseForEveryLetterAsWindowsDoes) {
  // "ÉTÉ.csv" and "été.csv", "ÄRGER" and "ärger", Greek and Cyrillic.
  EXPECT_TRUE(equals_no_case("\xC3\x89T\xC3\x89.csv", "\xC3\xA9t\xC3\xA9.csv"));
  EXPECT_TRUE(equals_no_case("\xC3\x84RGER.raw", "\xC3\xA4rger.raw"));
  EXPECT_TRUE(equals_no_case("\xCE\xA3\xCF\x82", "\xCF\x83\xCE\xA3"));  // Σς, σΣ
  EXPECT_TRUE(equals_no_case("\xD0\x96", "\xD0\xB6"));                      // Ж, ж
  EXPECT_TRUE(equals_no_case(to_utf16("\xC3\x89t\xC3\xA9"), to_utf16("\xC3\xA9T\xC3\x89")));
  // Windows keeps dotless i and long s apart from I and S, sharp s apart from
  // its capital, and compares characters beyond the first plane as they are.
  EXPECT_FALSE(equals_no_case("\xC4\xB1", "I"));
  EXPECT_FALSE(equals_no_case("\xC5\xBF", "S"));
  EXPECT_FALSE(equals_no_case("\xC3\x9F", "\xE1\xBA\x9E"));
  EXPECT_FALSE(equals_no_case("\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"));  // Deseret
  EXPECT_EQ(upper_case(U'\u1F80'), U'\u1F88');
  EXPECT_EQ(upper_case(U'\u0101'), U'\u0100');
  EXPECT_EQ(upper_case(U'\u0100'), U'\u0100');
  EXPECT_EQ(upper_case(U'\uFF41'), U'\uFF21');

  // The key is what equality is: equal keys exactly for equal names, ASCII in lower case.
  EXPECT_EQ(fold_name("\xC3\x89T\xC3\x89.CSV"), fold_name("\xC3\xA9t\xC3\xA9.csv"));
  EXPECT_EQ(fold_name("Harbour Road\\Codes.CSV"), "harbour road\\codes.csv");
  EXPECT_NE(fold_name("\xC4\xB1"), fold_name("i"));
  // Order: as _stricmp for ASCII, then by the characters' upper case.
  EXPECT_LT(compare_no_case("_", "a"), 0);
  EXPECT_LT(compare_no_case("z.raw", "\xC3\xA9t\xC3\xA9.csv"), 0);
  EXPECT_LT(compare_no_case("\xC3\xA9", "\xC3\x89" "a"), 0);
  EXPECT_EQ(compare_no_case("\xC3\xA9", "\xC3\x89"), 0);
}

}  // namespace
}  // namespace vmt::platform

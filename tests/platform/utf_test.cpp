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

}  // namespace
}  // namespace vmt::platform

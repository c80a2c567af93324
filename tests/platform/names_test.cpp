// Names and times as the two systems give them: UTF-8 and UTF-16, names
// compared without case as Windows compares them, masks, paths, file times.
#include <gtest/gtest.h>

#include "platform/common/file_time.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"
#include "platform/common/wildcard.h"

namespace vmt::platform {
namespace {

TEST(Utf, NamesRoundTripAndBrokenInputBecomesReplacementCharacters) {
  for (const std::string name : {"Vermessung_Zürich.csv", "測量.dat", "emoji_😀.txt", ""}) {
    EXPECT_EQ(to_utf8(to_utf16(name)), name);
  }
  EXPECT_EQ(to_utf16("😀").size(), 2u);  // one surrogate pair
  EXPECT_EQ(to_utf16("a\xFF" "b"), (std::u16string{u'a', u'\xFFFD', u'b'}));
  EXPECT_EQ(to_utf16("\xC3"), std::u16string(1, u'\xFFFD'));      // cut sequence
  EXPECT_EQ(to_utf16("\xC0\x80"), std::u16string(1, u'\xFFFD'));  // overlong
  EXPECT_EQ(to_utf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");  // lone surrogate
  // A cut never splits a sequence.
  EXPECT_EQ(cut_utf8("ab\xC3\xBC" "c", 3), "ab");
  EXPECT_EQ(cut_utf8("ab\xC3\xBC" "c", 4), "ab\xC3\xBC");
  EXPECT_EQ(cut_utf8("\xE6\xB8\xAC", 2), "");
}

TEST(Utf, NamesCompareWithoutCaseForEveryLetterAsWindowsDoes) {
  // "ÉTÉ.csv" and "été.csv", Greek and Cyrillic.
  EXPECT_TRUE(equals_no_case("Codes.csv", "CODES.CSV"));
  EXPECT_FALSE(equals_no_case("Codes.csv", "Codes.cs"));
  EXPECT_TRUE(equals_no_case("\xC3\x89T\xC3\x89.csv", "\xC3\xA9t\xC3\xA9.csv"));
  EXPECT_TRUE(equals_no_case("\xCE\xA3\xCF\x82", "\xCF\x83\xCE\xA3"));  // Σς, σΣ
  EXPECT_TRUE(equals_no_case("\xD0\x96", "\xD0\xB6"));                  // Ж, ж
  EXPECT_TRUE(equals_no_case(to_utf16("\xC3\x89t\xC3\xA9"), to_utf16("\xC3\xA9T\xC3\x89")));
  // Windows keeps dotless i and long s apart from I and S, sharp s apart from
  // its capital, and compares characters beyond the first plane as they are.
  EXPECT_FALSE(equals_no_case("\xC4\xB1", "I"));
  EXPECT_FALSE(equals_no_case("\xC5\xBF", "S"));
  EXPECT_FALSE(equals_no_case("\xC3\x9F", "\xE1\xBA\x9E"));
  EXPECT_FALSE(equals_no_case("\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"));  // Deseret
  EXPECT_EQ(upper_case(U'\u1F80'), U'\u1F88');
  EXPECT_EQ(upper_case(U'\uFF41'), U'\uFF21');
  // The key is what equality is: equal keys exactly for equal names, ASCII in lower case.
  EXPECT_EQ(fold_name("\xC3\x89T\xC3\x89.CSV"), fold_name("\xC3\xA9t\xC3\xA9.csv"));
  EXPECT_EQ(fold_name("Harbour Road\\Codes.CSV"), "harbour road\\codes.csv");
  EXPECT_NE(fold_name("\xC4\xB1"), fold_name("i"));
  // Order: as _stricmp for ASCII (folded to lower case, so '_' comes before
  // letters), then by the characters' upper case.
  EXPECT_LT(compare_no_case("_", "A"), 0);
  EXPECT_LT(compare_no_case("z.raw", "\xC3\xA9t\xC3\xA9.csv"), 0);
  EXPECT_LT(compare_no_case("\xC3\xA9", "\xC3\x89" "a"), 0);
  EXPECT_EQ(compare_no_case("\xC3\xA9", "\xC3\x89"), 0);
}

TEST(Wildcard, WindowsMaskRules) {
  EXPECT_TRUE(wildcard_match("*.*", "README"));  // no dot
  EXPECT_TRUE(wildcard_match("*.*", ".."));
  EXPECT_TRUE(wildcard_match("*.csv", "CODES.CSV"));
  EXPECT_TRUE(wildcard_match("*.csv", "a.b.csv"));
  EXPECT_FALSE(wildcard_match("*.csv", "codes.csv.bak"));
  EXPECT_FALSE(wildcard_match("*.csv", "csv"));
  EXPECT_TRUE(wildcard_match("?mark.*", "vmark.ini"));
  EXPECT_FALSE(wildcard_match("?mark.*", "mark.ini"));
  EXPECT_TRUE(wildcard_match("*", ""));
  EXPECT_FALSE(wildcard_match("", "a"));
  // Letters of every script in either case; '?' is one character, not one byte.
  EXPECT_TRUE(wildcard_match("\xC3\xA9t\xC3\xA9.csv", "\xC3\x89T\xC3\x89.CSV"));
  EXPECT_TRUE(wildcard_match("?t?.csv", "\xC3\x89T\xC3\x89.csv"));
  EXPECT_FALSE(wildcard_match("??t.csv", "\xC3\x89t.csv"));
}

TEST(Path, SeparatorsJoinsAndShareRoots) {
  const std::string S(1, path::kSeparator);
  EXPECT_EQ(path::with_trailing_separator("a" + S + S), "a" + S);
  EXPECT_EQ(path::without_trailing_separators("a" + S + S), "a");
  EXPECT_EQ(path::join("dir" + S, "f.txt"), "dir" + S + "f.txt");
  EXPECT_EQ(path::file_name("a" + S + "b" + S + "c.csv"), "c.csv");
  EXPECT_EQ(path::folder_of("a" + S + "b.txt"), "a" + S);
  EXPECT_EQ(path::folder_of("b.txt"), "");
  // The root of a network share has no level above it: its server is no folder.
  const std::string server = S + S + "server";
  EXPECT_TRUE(path::is_share_root(server + S + "share" + S));
  EXPECT_FALSE(path::is_share_root(server + S + "share" + S + "jobs"));
  EXPECT_FALSE(path::is_share_root(server));
  EXPECT_FALSE(path::is_share_root(S));
#ifdef _WIN32
  EXPECT_EQ(path::file_name("C:/x/y.txt"), "y.txt");
#endif
}

TEST(FileTime, ConversionsHoldAtTheEdges) {
  EXPECT_EQ(days_from_civil(2012, 2, 23), 15393);
  const LocalTime f =
      epoch_seconds_to_fields(fields_to_epoch_seconds({2012, 2, 29, 23, 59, 58, 0, 0}));
  EXPECT_EQ(f.day, 29);
  EXPECT_EQ(f.second, 58);
  EXPECT_EQ(f.weekday, 3);  // a Wednesday
  EXPECT_EQ(epoch_seconds_to_fields(-1).year, 1969);
  LocalTime t;
  ASSERT_TRUE(file_time_to_fields(kUnixEpochTicks + 1234 * 10000, &t));
  EXPECT_EQ(t.year, 1970);
  EXPECT_EQ(t.second * 1000 + t.milliseconds, 1234);
  EXPECT_FALSE(file_time_to_fields(0x8000000000000000ULL, &t));
  FileTimeTicks ticks = 7;
  ASSERT_TRUE(fields_to_file_time({1601, 1, 1, 0, 0, 0, 1, 0}, &ticks));
  EXPECT_EQ(ticks, 0u);
  EXPECT_FALSE(fields_to_file_time({1600, 12, 31, 0, 0, 0, 0, 0}, &ticks));
}

}  // namespace
}  // namespace vmt::platform

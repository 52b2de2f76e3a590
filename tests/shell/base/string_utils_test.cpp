#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>

#include "shell/base/StringUtils.h"

using namespace Kivo;

TEST(StringUtils, CaseMappingIsAsciiOnly) {
  EXPECT_EQ(ToUpper("abc-\xE9z"), "ABC-\xE9Z");
  EXPECT_EQ(ToLower("ABC-\xC9Z"), "abc-\xC9z");
  // Every byte value, including the ones that are negative as char.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string upper = ToUpper(all);
  for (int b = 0; b < 256; ++b) {
    const int expected = (b >= 'a' && b <= 'z') ? b - 32 : b;
    EXPECT_EQ(static_cast<unsigned char>(upper[b]), expected);
  }
  EXPECT_EQ(ToUpperWide(L"ab\u00E9\u0436"), L"AB\u00E9\u0436");
}

TEST(StringUtils, WidenAndNarrowAreByteWise) {
  EXPECT_EQ(Widen("a\xE9"), std::wstring(L"a\u00E9"));
  EXPECT_EQ(Narrow(L"a\u00E9"), "a\xE9");
  EXPECT_EQ(Narrow(L"ok \u0416 no"), "");
  EXPECT_EQ(Narrow(std::wstring(1, static_cast<wchar_t>(-1))), "");
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Narrow(Widen(all)), all);
  // Long texts take the same path as short ones.
  EXPECT_EQ(Narrow(std::wstring(20000, L'\u00FF')), std::string(20000, '\xFF'));
  EXPECT_EQ(ToWide(std::wstring(L"x")), L"x");
  EXPECT_EQ(ToNarrow(ToWide(std::string("id_1"))), "id_1");
}

TEST(StringUtils, TrimSpaces) {
  EXPECT_EQ(TrimSpaces(" \ta b\r\n"), "a b");
  EXPECT_EQ(TrimSpaces("   "), "");
  EXPECT_EQ(TrimSpaces(""), "");
  EXPECT_EQ(TrimSpaces("\v\fx"), "x");
  EXPECT_EQ(TrimSpaces("\xA0x\xA0"), "\xA0x\xA0");  // not white space in the default locale
}

TEST(StringUtils, ParseIntNarrowAndWide) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"", false, 0},
      {"-", true, 0},
      {"0x", true, 0},
      {"0X1f", true, 31},
      {"0x1F", true, 31},
      {"-x1F", true, -31},
      {"123", true, 123},
      {"-45", true, -45},
      {"-0x1F", false, 0},
      {"00x5", false, 0},
      {"1x5", false, 0},
      {"x1F", false, 0},
      {" 5", false, 0},
      {"+5", false, 0},
      {"5 ", false, 0},
      {"12a", false, 0},
      {"0xG", false, 0},
      {"2147483648", true, INT_MIN},
      {"-2147483648", true, INT_MIN},
      {"4294967297", true, 1},
      {"0xFFFFFFFF", true, -1},
  };
  for (const auto& c : cases) {
    int32_t out = 77;
    EXPECT_EQ(ParseInt(c.text, out), c.ok) << c.text;
    EXPECT_EQ(out, c.value) << c.text;
    int32_t wideOut = 77;
    EXPECT_EQ(ParseIntWide(Widen(c.text), wideOut), c.ok) << c.text;
    EXPECT_EQ(wideOut, c.value) << c.text;
  }
  // A code point whose low byte is a digit is still not a digit.
  int32_t out = 5;
  EXPECT_FALSE(ParseIntWide(std::wstring(L"1") + static_cast<wchar_t>(0x131), out));
  EXPECT_EQ(out, 0);
}

TEST(StringUtils, ParseDoubleNarrowAndWide) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"", false, 0.0},
      {"3.25", true, 3.25},
      {"-.5", true, -0.5},
      {"5.", true, 5.0},
      {".5", true, 0.5},
      {".", true, 0.0},
      {"1e5", false, 0.0},
      {"+1", false, 0.0},
      {"1.2.3", false, 0.0},
      {"1,5", false, 0.0},
      {"12", true, 12.0},
      {"-", true, -0.0},
      {"0.3", true, 0.30000000000000004},
      {"0.7", true, 0.7000000000000001},
  };
  for (const auto& c : cases) {
    double out = 9.0;
    EXPECT_EQ(ParseDouble(c.text, out), c.ok) << c.text;
    EXPECT_EQ(out, c.value) << c.text;
    double wideOut = 9.0;
    EXPECT_EQ(ParseDoubleWide(Widen(c.text), wideOut), c.ok) << c.text;
    EXPECT_EQ(wideOut, c.value) << c.text;
  }
  double minusZero = 1.0;
  ASSERT_TRUE(ParseDouble("-", minusZero));
  EXPECT_TRUE(std::signbit(minusZero));
  // Digit by digit, not the nearest double.
  double third = 0;
  ASSERT_TRUE(ParseDouble("0.3", third));
  EXPECT_NE(third, 0.3);
}

// The C library's atoi/atof, minus the locale and the overflow.
TEST(StringUtils, LeadingNumbersReadLikeTheCLibrary) {
  struct {
    const char* text;
    int32_t asInt;
    double asDouble;
  } cases[] = {
      {" 12x", 12, 12.0},
      {"abc", 0, 0.0},
      {"-5", -5, -5.0},
      {"+7", 7, 7.0},
      {"\t\n 2.5x", 2, 2.5},
      {"1e2", 1, 100.0},
      {"99999999999", INT32_MAX, 99999999999.0},
      {"-99999999999", INT32_MIN, -99999999999.0},
      {"-2147483648", INT32_MIN, -2147483648.0},
      {"", 0, 0.0},
      {"- 3", 0, 0.0},
      {".5", 0, 0.5},
      {"1e", 1, 1.0},
      // One sign only.
      {"+-5", 0, 0.0},
      {"--5", 0, 0.0},
      {"-+5", 0, 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(LeadingInt(c.text), c.asInt);
    EXPECT_DOUBLE_EQ(LeadingDouble(c.text), c.asDouble);
  }
  EXPECT_EQ(LeadingInt(nullptr), 0);
  EXPECT_TRUE(std::isinf(LeadingDouble("1e999")));
  EXPECT_EQ(LeadingDouble("1e-999"), 0.0);
}

// A comma locale must not change how "2.5" reads.
TEST(StringUtils, LeadingDoubleIgnoresTheProcessLocale) {
  const char* previous = setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  if (!setlocale(LC_NUMERIC, "de_DE.UTF-8") && !setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    GTEST_SKIP() << "no comma locale installed";
  }
  EXPECT_DOUBLE_EQ(LeadingDouble("2.5"), 2.5);
  setlocale(LC_NUMERIC, saved.c_str());
}

TEST(StringUtils, GroupThousands) {
  struct Case {
    int32_t value;
    const wchar_t* text;
  } cases[] = {
      {0, L"0"}, {999, L"999"},  {1000, L"1,000"}, {1234567, L"1,234,567"}, {INT_MAX, L"2,147,483,647"},
      {-5, L""}, {INT_MIN, L""},
  };
  for (const auto& c : cases) EXPECT_EQ(GroupThousands(c.value), c.text) << c.value;
}

TEST(StringUtils, FormatTextIsExactAcrossBufferSizes) {
  // The first buffer holds 160 characters; longer texts are formatted again
  // into larger buffers and every attempt must see the same arguments.
  for (size_t length : {size_t{160}, size_t{161}, size_t{2000}, size_t{700000}}) {
    const std::string head(length / 2, 'a');
    const std::string tail(length - head.size() - 5, 'b');
    const std::string expected = head + "|" + "123" + "|" + tail;
    ASSERT_EQ(expected.size(), length);
    EXPECT_EQ(FormatText("%s|%d|%s", head.c_str(), 123, tail.c_str()), expected) << length;
  }
  EXPECT_EQ(FormatText("%05.1f-%x", 3.14159, 255u), "003.1-ff");
}

TEST(StringUtils, FormatTextCutsTextsBeyondTheLargestBuffer) {
  const std::string big(1400000, 'z');
  const std::string result = FormatText("%s!", big.c_str());
  EXPECT_EQ(result.size(), 1310720u);
  EXPECT_EQ(result, std::string(1310720, 'z'));
}

TEST(StringUtils, FormatTextWideUsesWindowsConversions) {
  EXPECT_EQ(FormatTextWide(L"%s (%02d:%02d)", L"Mark", 1, 30), L"Mark (01:30)");
  EXPECT_EQ(FormatTextWide(L"%S/%C/%c/%hs/%ls", "narrow", 'n', L'\u0416', "h", L"l"), L"narrow/n/\u0416/h/l");
  EXPECT_EQ(FormatTextWide(L"%-4s|%3d%%", L"ab", 7), L"ab  |  7%");
  EXPECT_EQ(FormatTextWide(L"%I64d", static_cast<long long>(1) << 40), L"1099511627776");
  for (size_t length : {size_t{160}, size_t{161}, size_t{641}, size_t{5000}}) {
    const std::wstring head(length - 4, L'\u00E9');
    EXPECT_EQ(FormatTextWide(L"%s%04d", head.c_str(), 42), head + L"0042") << length;
  }
}

TEST(StringUtils, RejectedWideFormatGivesEmptyText) {
  // A narrow argument that is not valid in the default locale cannot be
  // converted; the formatter rejects it and the result is empty, not garbage.
  EXPECT_EQ(FormatTextWide(L"name %S", "\xE9t\xE9"), L"");
  const std::string longBad = std::string(300, 'a') + "\xFF";
  EXPECT_EQ(FormatTextWide(L"%s %S", L"x", longBad.c_str()), L"");
}

TEST(StringUtils, DecodeXmlEntities) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"&lt;b&gt; &x; &", L"<b> & &"},
      {L"&amp;lt;", L"&lt;"},
      {L"a & b; c", L"a & c"},
      {L"&quot;&apos;&nbsp;&cr;", L"\"' \n"},
      {L"&#65;", L"&"},
      {L"&LT;", L"&"},
      {L"plain", L"plain"},
      {L"&;", L"&"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeXmlEntities(c.in), c.out) << c.in;
}

TEST(StringUtils, FindIgnoreCase) {
  EXPECT_EQ(FindIgnoreCase("Radeon 9600", "RADEON"), 0);
  EXPECT_EQ(FindIgnoreCase("my GeForce", "geforce"), 3);
  EXPECT_EQ(FindIgnoreCase("abc", "abcd"), -1);
  EXPECT_EQ(FindIgnoreCase("abc", ""), 0);
  EXPECT_EQ(FindIgnoreCase("", ""), -1);
  EXPECT_EQ(FindIgnoreCase("\xC9t\xE9", "\xE9"), 2);  // bytes above 127 compare as they are
}

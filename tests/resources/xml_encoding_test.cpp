// The XML reader's character readers: byte-order-mark sniffing, each forced
// encoding, code points above U+FFFF, and malformed input.
#include <gtest/gtest.h>

#include "pak_test_support.h"
#include "xml_test_support.h"

namespace {

using xmltest::Parse;
using xmltest::Utf16;

const std::string kUtf8Bom = "\xEF\xBB\xBF";
const std::string kLeBom = "\xFF\xFE";
const std::string kBeBom = "\xFE\xFF";

TEST(xmlencoding, ByteOrderMarksSelectTheReader) {
  struct Case {
    const char* what;
    std::string bytes;
    std::wstring expected;
  };
  const std::u16string doc = u"<a t=\"\u00E9\U0001F600\">\u0416</a>";
  const std::wstring read = L"<a>{t=\u00E9\U0001F600} '\u0416'@a </a>@a";
  const Case cases[] = {
      {"UTF-16 LE with BOM", kLeBom + Utf16(doc, false), read},
      {"UTF-16 BE with BOM", kBeBom + Utf16(doc, true), read},
      {"UTF-8 with BOM", kUtf8Bom + "<a t=\"\xC3\xA9\xF0\x9F\x98\x80\">\xD0\x96</a>", read},
      // Without a BOM the bytes are characters 0-255.
      {"UTF-8 without BOM", "<a>\xC3\xA9</a>", L"<a> '\u00C3\u00A9'@a </a>@a"},
      {"UTF-16 without BOM", Utf16(u"<a/>", false), L"!Illegal Character@1"},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.bytes), c.expected) << c.what;
}

TEST(xmlencoding, CodePointsAboveTheBasicPlaneAreOneCharacter) {
  Kivo::gPakInterface->AddMemoryFile("xmltest/astral.xml",
                                     paktest::ToBytes(kLeBom + Utf16(u"<a>\U0001F600</a>", false)));
  Kivo::XMLParser parser;
  ASSERT_TRUE(parser.OpenFile("xmltest/astral.xml"));
  Kivo::XmlElementRecord record;
  ASSERT_TRUE(parser.ReadNextElement(&record));
  ASSERT_TRUE(parser.ReadNextElement(&record));
  EXPECT_EQ(record.name, std::wstring(1, static_cast<wchar_t>(0x1F600)));
}

TEST(xmlencoding, ForcedReaders) {
  struct Case {
    const char* what;
    int encoding;
    std::string bytes;
    std::wstring expected;
  };
  const Case cases[] = {
      {"bytes over a UTF-8 BOM", 0, kUtf8Bom + "<a/>", L"'\u00EF\u00BB\u00BF' <a> </a>@a"},
      {"bytes over a UTF-16 BOM", 0, kLeBom + "<a/>", L"'\u00FF\u00FE' <a> </a>@a"},
      {"UTF-8 without BOM", 1, "<a>\xC3\xA9</a>", L"<a> '\u00E9'@a </a>@a"},
      {"UTF-8 drops its first BOM only", 1, kUtf8Bom + "<a>" + kUtf8Bom + "</a>", L"<a> '\uFEFF'@a </a>@a"},
      {"UTF-16 detect, no BOM", 2, Utf16(u"<a/>", false), L"<a> </a>@a"},
      {"UTF-16 detect, BE BOM", 2, kBeBom + Utf16(u"<a>\u0416</a>", true), L"<a> '\u0416'@a </a>@a"},
      {"UTF-16 detect, LE BOM", 2, kLeBom + Utf16(u"<a/>", false), L"<a> </a>@a"},
      {"UTF-16 LE keeps U+FEFF", 3, kLeBom + Utf16(u"<a/>", false), L"'\uFEFF' <a> </a>@a"},
      {"UTF-16 BE", 4, Utf16(u"<a>\U0001F600</a>", true), L"<a> '\U0001F600'@a </a>@a"},
      {"UTF-16 BE keeps U+FEFF", 4, kBeBom + Utf16(u"<a/>", true), L"'\uFEFF' <a> </a>@a"},
      {"UTF-16 units F800-FFFF are characters", 3, Utf16(u"<a>\uF800\uFFFE\uFFFF</a>", false),
       L"<a> '\uF800\uFFFE\uFFFF'@a </a>@a"},
      {"odd trailing byte ends the input", 3, Utf16(u"<a/>", false) + "x", L"<a> </a>@a"},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.bytes, c.encoding), c.expected) << c.what;
}

TEST(xmlencoding, SelectEncodingIgnoresUnknownCodes) {
  // An unknown code leaves the byte-order-mark sniff in charge.
  Kivo::gPakInterface->AddMemoryFile("xmltest/unknown.xml", paktest::ToBytes(kUtf8Bom + "<a>\xC3\xA9</a>"));
  for (int code : {-1, 5, 99}) {
    Kivo::XMLParser parser;
    parser.SelectEncoding(code);
    ASSERT_TRUE(parser.OpenFile("xmltest/unknown.xml"));
    Kivo::XmlElementRecord record;
    ASSERT_TRUE(parser.ReadNextElement(&record));
    ASSERT_TRUE(parser.ReadNextElement(&record));
    EXPECT_EQ(record.name, L"\u00E9") << code;
  }
}

TEST(xmlencoding, MalformedUtf8) {
  const char* illegal[] = {
      "\xC0\x80",  // overlong two-byte forms
      "\xC1\xBF",
      "\xE0\x80\x80",  // overlong three-byte forms
      "\xE0\x9F\xBF",
      "\xF0\x8F\xBF\xBF",      // overlong four-byte form
      "\xF8\x87\xBF\xBF\xBF",  // overlong five-byte form
      "\xF8\x88\x80\x80\x80",  // five bytes: above U+10FFFF
      "\xF4\x90\x80\x80",      // U+110000
      "\xED\xA0\x80",          // U+D800
      "\xED\xBF\xBF",          // U+DFFF
      "\xEF\xBF\xBE",          // U+FFFE
      "\xEF\xBF\xBF",          // U+FFFF
      "\x80",                  // continuation where a character starts
      "\xBF",
      "\xFC\x80\x80\x80\x80\x80",
      "\xFD",
      "\xFE",
      "\xFF",
      "\xE2\x82<",  // sequence cut by an ordinary byte
      "\xE2\x82",   // sequence cut by the end of the file
  };
  for (const char* bytes : illegal) {
    // Where an element would start the character is reported as illegal ...
    EXPECT_EQ(Parse(std::string("<a>") + bytes + "</a>", 1), L"<a> !Illegal Character@1")
        << "at element start: " << testing::PrintToString(std::string(bytes));
    // ... inside an element it ends the input there.
    EXPECT_EQ(Parse(std::string("<a>x") + bytes + "</a>", 1), L"<a> !Unexpected End of File@1")
        << "inside text: " << testing::PrintToString(std::string(bytes));
    EXPECT_EQ(Parse(std::string("<a ") + bytes + "/>", 1), L"!Unexpected End of File@1")
        << "inside a tag: " << testing::PrintToString(std::string(bytes));
  }
  // The edges that are legal.
  EXPECT_EQ(Parse("<a>\xF4\x8F\xBF\xBF\xEF\xBF\xBD\xEE\x80\x80\xC2\x80</a>", 1),
            L"<a> '\U0010FFFF\uFFFD\uE000\u0080'@a </a>@a");
}

TEST(xmlencoding, MalformedUtf16EndsTheInput) {
  struct Case {
    const char* what;
    std::u16string units;
    std::wstring expected;
  };
  const Case cases[] = {
      {"lone high surrogate between elements",
       u"<a>\xD800"
       u"b</a>",
       L"<a>"},
      {"lone high surrogate in text",
       u"<a>x\xD800"
       u"b</a>",
       L"<a> !Unexpected End of File@1"},
      {"high surrogate at the end", u"<a>x\xDBFF", L"<a> !Unexpected End of File@1"},
      {"high then high", u"<a>x\xD800\xD800</a>", L"<a> !Unexpected End of File@1"},
      {"lone low surrogate", u"<a>x\xDC00</a>", L"<a> !Unexpected End of File@1"},
      {"pair", u"<a>\xD83D\xDE00</a>", L"<a> '\U0001F600'@a </a>@a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Parse(Utf16(c.units, false), 3), c.expected) << c.what;
    EXPECT_EQ(Parse(Utf16(c.units, true), 4), c.expected) << c.what;
  }
}

TEST(xmlencoding, DocumentReadsTheSameFromFileAndArchive) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      // CR between bytes that would look like a byte-order mark without it.
      {"bytes with CR", "\xFF\r\xFE<a x=\"1\r\n\">\r\n t\r</a>\r\n"},
      {"UTF-16 with CR", kLeBom + Utf16(u"<a>\r\n\u0416\r</a>", false)},
      {"UTF-8 with BOM and CR", kUtf8Bom + "<a>\r\n\xD0\x96\r</a>"},
  };
  paktest::TempFolder temp;
  int n = 0;
  for (const Case& c : cases) {
    std::string name = "XmlSame\\Doc" + std::to_string(n) + ".xml";
    std::string loose = temp.Write("doc" + std::to_string(n) + ".xml", c.bytes);
    Kivo::PakSourceFile source{name, paktest::ToBytes(c.bytes), 0};
    std::vector<std::uint8_t> image;
    std::string error;
    ASSERT_TRUE(Kivo::BuildPakImage({source}, image, error)) << error;
    std::string archiveName = "xml-same-" + std::to_string(n++) + ".pak";
    ASSERT_TRUE(Kivo::gPakInterface->MountArchiveImage(archiveName, image.data(), image.size()));

    std::wstring fromFile = xmltest::ParseFile(loose);
    std::wstring fromArchive = xmltest::ParseFile(name);
    EXPECT_FALSE(fromFile.empty()) << c.what;
    EXPECT_EQ(fromFile.find(L'!'), std::wstring::npos) << c.what;
    EXPECT_EQ(fromArchive, fromFile) << c.what;
  }
}

}  // namespace

// The XML reader's tag rules, text rules, entities and errors, as tables of
// single-byte documents and what they deliver.
#include <gtest/gtest.h>

#include "xml_test_support.h"

namespace {

using xmltest::Parse;

struct Case {
  std::string input;
  std::wstring expected;
};

void RunTable(const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(Parse(c.input), c.expected) << "input: " << c.input;
}

TEST(xml, TagsAttributesAndSections) {
  RunTable({
      {"<a><b/></a>", L"<a> <b>@a </b>@a/b </a>@a"},
      {"<a/>", L"<a> </a>@a"},
      {"<a x=\"1\"/>", L"<a>{x=1} </a>@a"},
      {"<a x=\"1\" />", L"<a>{x=1} </a>@a"},
      {"<a x=\"p/\">", L"<a>{x=p} </a>@a"},
      {"<a x=1 y></a>", L"<a>{x=1,y=} </a>@a"},
      {"<r><a y/></r>", L"<r> <a>{y=}@r </a>@r/a </r>@r"},
      {"<r><a x=\"1\" nopal/><b/></r>", L"<r> <a>{nopal=,x=1}@r </a>@r/a <b>@r </b>@r/b </r>@r"},
      {"<a x='1'></a>", L"<a>{x='1'} </a>@a"},
      {"<a x = \"1\"></a>", L"<a>{x=1} </a>@a"},
      {"<a x=\"</b> = /c\"></a>", L"<a>{x=</b> = /c} </a>@a"},
      {"<a y=\"2\" x=\"1\" y=\"3\"></a>", L"<a>{x=1,y=3} </a>@a"},
      {"<a x=\"\"></a>", L"<a>{x=} </a>@a"},
      {"<r><s><t/></s><u/></r>", L"<r> <s>@r <t>@r/s </t>@r/s/t </s>@r/s <u>@r </u>@r/u </r>@r"},
      {"<a\n  b=\"1\"\n\tc=\"2\"\n/>", L"<a>{b=1,c=2} </a>@a"},
      {"< a></a >", L"<a> </a>@a"},
      {"<a:b c.d=\"1\"></a:b>", L"<a:b>{c.d=1} </a:b>@a:b"},
  });
}

TEST(xml, TextCommentsAndInstructions) {
  RunTable({
      {"<t>  a  b\nc </t>", L"<t> 'a b c'@t </t>@t"},
      {"<a> \n\t\r </a>", L"<a> </a>@a"},
      // Quotes in text are text, and '<' '>' between them too.
      {"<a>say \"hi<b>\" there</a>", L"<a> 'say \"hi<b>\" there'@a </a>@a"},
      {"<a><!-- x --></a>", L"<a> </a>@a"},
      {"<a><!-- <b> \"-- --></a>", L"<a> </a>@a"},
      {"<!--x-->", L"<!--x-->"},
      {"<?xml version=\"1.0\"?>", L"<?xml| version=\"1.0\"?>"},
      {"<?pi?><a/>", L"<?pi|?> <a> </a>@a"},
      // The fixed white-space set: VT and FF are spaces, U+00A0 and DEL are not.
      {"<a>\x0Bx\x0C</a>", L"<a> 'x'@a </a>@a"},
      {"<a>\xA0x\x7F</a>", L"<a> '\u00A0x\x7F'@a </a>@a"},
  });
}

TEST(xml, Entities) {
  RunTable({
      {"<a>&#65;</a>", L"<a> '&'@a </a>@a"},
      {"<a>&lt;&nbsp;&cr;</a>", L"<a> '< \n'@a </a>@a"},
      {"<a>&gt;&amp;&quot;&apos;</a>", L"<a> '>&\"''@a </a>@a"},
      {"<a>x & y</a>", L"<a> 'x & y'@a </a>@a"},
      {"<a>&amp;lt;</a>", L"<a> '&lt;'@a </a>@a"},
      {"<a &amp;n=\"&quot;&gt;\" v=\"&unknown;\"/>", L"<a>{&n=\">,v=&} </a>@a"},
      {"<?pi &lt;?>", L"<?pi| &lt;?>"},  // instruction values are not decoded
  });
}

TEST(xml, ErrorsAndTheirLines) {
  RunTable({
      {"<a>\x01</a>", L"<a> !Illegal Character@1"},
      {std::string("<a\0>", 4), L"!Illegal Character@1"},
      {"<a<b>", L"!Unexpected '<'@1"},
      {"<a x=\"1\"</a>", L"!Unexpected '<'@1"},
      {"<a>x>y</a>", L"<a> !Unexpected '>'@1"},
      {">", L"!Unexpected '>'@1"},
      {"</a>", L"!Unexpected End@1"},
      {"<a></a></a>", L"<a> </a>@a !Unexpected End@1"},
      {"<a></b>", L"<a> !End 'b' Doesn't Match Start 'a'@1"},
      {"<a><b></a>", L"<a> <b>@a !End 'a' Doesn't Match Start 'b'@1"},
      {"<a x=\"1", L"!Unexpected End of File@1"},
      {"<a>text", L"<a> !Unexpected End of File@1"},
      {"<!-- open", L"!Unexpected End of File@1"},
      {"<?pi open", L"!Unexpected End of File@1"},
      // Lines count line feeds only.
      {"<a>\n\n</b>", L"<a> !End 'b' Doesn't Match Start 'a'@3"},
      {"\r\r<a>\r</b>", L"<a> !End 'b' Doesn't Match Start 'a'@1"},
      {"<a x=\"\n\n\">\n</a>\n>", L"<a>{x=\n\n} </a>@a !Unexpected '>'@5"},
      // A document may end after any complete element without error.
      {"<a></a>\n", L"<a> </a>@a"},
      {"<a><b></b>", L"<a> <b>@a </b>@a/b"},
      {"", L""},
  });
}

TEST(xml, MissingFileReportsLineZero) {
  Kivo::XMLParser parser;
  EXPECT_FALSE(parser.OpenFile("no/such/file.xml"));
  EXPECT_TRUE(parser.IsInError());
  EXPECT_EQ(parser.GetErrorMessage(), L"Unable to open file no/such/file.xml");
  EXPECT_EQ(parser.GetLineNumber(), 0);
  Kivo::XmlElementRecord record;
  EXPECT_FALSE(parser.ReadNextElement(&record));
  EXPECT_EQ(parser.GetErrorMessage(), L"Unable to open file no/such/file.xml");
}

TEST(xml, SourcePathAndLineWhileReading) {
  const std::string document = "<a>\n<b/>\n</a>";
  Kivo::gPakInterface->AddMemoryFile("xmltest/lines.xml", std::vector<std::uint8_t>(document.begin(), document.end()));
  Kivo::XMLParser parser;
  ASSERT_TRUE(parser.OpenFile("xmltest/lines.xml"));
  EXPECT_EQ(parser.GetSourcePath(), "xmltest/lines.xml");
  EXPECT_EQ(parser.GetLineNumber(), 1);
  Kivo::XmlElementRecord record;
  ASSERT_TRUE(parser.ReadNextElement(&record));
  EXPECT_EQ(parser.GetLineNumber(), 1);
  ASSERT_TRUE(parser.ReadNextElement(&record));  // <b/>, after one line feed
  EXPECT_EQ(record.name, L"b");
  EXPECT_EQ(parser.GetLineNumber(), 2);
  ASSERT_TRUE(parser.ReadNextElement(&record));  // its end, from pushed-back text
  EXPECT_EQ(record.type, Kivo::XmlElementRecord::TYPE_END);
  EXPECT_EQ(parser.GetLineNumber(), 2);
  ASSERT_TRUE(parser.ReadNextElement(&record));
  EXPECT_EQ(parser.GetLineNumber(), 3);
  EXPECT_FALSE(parser.ReadNextElement(&record));
  EXPECT_FALSE(parser.IsInError());
}

}  // namespace

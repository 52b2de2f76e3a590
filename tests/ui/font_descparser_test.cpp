// The descriptor language: file reading, commands, tokens, lists, quotes,
// defines and the value readers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/base/StringUtils.h"
#include "tests/ui/font_test_support.h"
#include "ui/DescParser.h"

namespace Kivo {
namespace {

using test::MemoryDescriptor;
using test::W;

// Records every command as text with its line, and every error with the line
// of the command it belongs to. "Expand <list>" expands its argument.
class RecordingParser : public DescParser {
 public:
  bool HandleCommand(ListDataElement& command) override {
    commands.push_back(Narrow(ElementToText(&command)));
    lines.push_back(GetLineNumber());
    sizes.push_back(command.Size());
    if (!command.At(command.Size() - 1)->IsList())
      lastToken = static_cast<SingleDataElement*>(command.At(command.Size() - 1))->mText;
    const std::wstring& name = static_cast<SingleDataElement*>(command.At(0))->mText;
    if (name == L"Expand" && command.Size() == 2) {
      ListDataElement out;
      if (!GetList(command.At(1), out)) return false;
      expanded = Narrow(ElementToText(&out));
    }
    if (name == L"Fail") return Error("failed here");
    return true;
  }
  bool Error(const std::string& message) override {
    errors.push_back(message + " @" + std::to_string(GetLineNumber()));
    return DescParser::Error(message);
  }
  bool Load(const std::wstring& text, bool bom = true) {
    return LoadDescriptor(MemoryDescriptor("parser_test.txt", text, bom));
  }

  std::vector<std::string> commands;
  std::vector<int> lines;
  std::vector<size_t> sizes;
  std::vector<std::string> errors;
  std::string expanded;
  std::wstring lastToken;
};

TEST(FontDescParser, BlankAndCommentLinesRunNothing) {
  RecordingParser p;
  EXPECT_TRUE(p.Load(L"\n   \n\t# a comment; with 'quotes\n# another \"one\n\n"));
  EXPECT_TRUE(p.commands.empty());
  EXPECT_TRUE(p.errors.empty());
  EXPECT_TRUE(p.Load(L"", false));
  EXPECT_TRUE(p.commands.empty());
}

TEST(FontDescParser, CommandsSplitAtSemicolonsOutsideQuotes) {
  RecordingParser p;
  ASSERT_TRUE(p.Load(L"A b c # d;\nCmd \"x;y\" 'p;q';  Last (1, 2)"));
  ASSERT_EQ(p.commands.size(), 3u);
  EXPECT_EQ(p.sizes[0], 5u) << "'#' after tokens is an ordinary character";
  EXPECT_EQ(p.commands[0], "(A, b, c, #, d)");
  EXPECT_EQ(p.commands[1], "(Cmd, \"x;y\", 'p;q')");
  EXPECT_EQ(p.commands[2], "(Last, (1, 2))") << "the end of the file ends the last command";
}

TEST(FontDescParser, TokensListsAndTheirErrors) {
  struct Case {
    const wchar_t* text;
    const char* commandOrError;
  };
  const Case cases[] = {
      {L"C (1)(2)", "(C, (1), (2))"},
      {L"C x (1)", "(C, x, (1))"},
      {L"C x(1)", "Unexpected List Start"},
      {L"(1) x", "Missing Command"},
      {L")", "Unexpected List End"},
      {L"C (1))", "Unexpected List End"},
      {L"C 'a", "Unterminated Single Quotes"},
      {L"C \"a", "Unterminated Double Quotes"},
      {L"C ((1)", "Unterminated List"},
      {L"C a\\ b\\(c", "(C, a b(c)"},
      {L"C 'it\\'s' \"a'b\"", "(C, 'it's', \"a'b\")"},
      {L"C a,b\tc\nd", "(C, a, b, c, d)"},
      {L"C ((a (b)) c)", "(C, ((a, (b)), c))"},
      {L"C (1)x", "(C, (1), x)"},
      {L"  ", ""},
  };
  for (const Case& c : cases) {
    RecordingParser p;
    const bool ok = p.RunCommand(c.text);
    const std::string got = ok ? (p.commands.empty() ? "" : p.commands[0]) : p.GetErrorText();
    EXPECT_EQ(got, c.commandOrError) << Narrow(c.text);
  }
}

TEST(FontDescParser, CrLfAndLfGiveTheSameCommandsAndLines) {
  const std::wstring lf = L"# header\n\nOne a\n  b;\n\nTwo 'x\ny' ; Three\n";
  std::wstring crlf;
  for (wchar_t c : lf) {
    if (c == L'\n') crlf += L'\r';
    crlf += c;
  }
  RecordingParser a, b;
  ASSERT_TRUE(a.Load(lf));
  ASSERT_TRUE(b.Load(crlf));
  EXPECT_EQ(a.commands, b.commands);
  EXPECT_EQ(a.lines, b.lines);
  EXPECT_EQ(a.lines, (std::vector<int>{3, 6, 7}));
  // The quoted line break stays in the token; the next line loses its blanks.
  EXPECT_EQ(a.commands[1], "(Two, 'x\ny')");
}

TEST(FontDescParser, AFailingCommandReportsTheLineItStartsOnAndStopsTheLoad) {
  RecordingParser p;
  const std::wstring text = L"# 1\n# 2\n# 3\nFirst;\n\n\nFail\n  more\n  (\n  1\n;\nNever";
  EXPECT_FALSE(p.Load(text));
  ASSERT_EQ(p.errors.size(), 1u);
  EXPECT_EQ(p.errors[0], "Unterminated List @7") << "the list opened on line 9, the command started on 7";
  EXPECT_EQ(p.commands, (std::vector<std::string>{"(First)"}));
  EXPECT_EQ(p.GetLineNumber(), 0) << "reset when loading ends";

  RecordingParser q;
  EXPECT_FALSE(q.Load(L"\n\n\n\n\n\nFail a\nb"));
  EXPECT_EQ(q.errors, (std::vector<std::string>{"failed here @7"}));
}

TEST(FontDescParser, MissingFileFailsWithoutAMessage) {
  RecordingParser p;
  EXPECT_FALSE(p.LoadDescriptor("no/such/descriptor.txt"));
  EXPECT_TRUE(p.errors.empty());
}

TEST(FontDescParser, UnquoteAndImmediates) {
  EXPECT_EQ(DescParser::Unquote(L"'it''s'"), L"it's");
  EXPECT_EQ(DescParser::Unquote(L"''"), L"'");
  EXPECT_EQ(DescParser::Unquote(L"\"a\"\"b\""), L"a\"b");
  EXPECT_EQ(DescParser::Unquote(L"abc"), L"abc");
  EXPECT_EQ(DescParser::Unquote(L"\"it's\""), L"it's");

  for (const wchar_t* yes : {L"0", L"9x", L"-a", L"+5", L"'q", L"\"q"})
    EXPECT_TRUE(DescParser::IsImmediate(yes)) << yes;
  for (const wchar_t* no : {L"", L"a", L"_1", L"#"}) EXPECT_FALSE(DescParser::IsImmediate(no)) << no;
  int32_t value = 7;
  EXPECT_FALSE(ParseIntWide(L"+5", value)) << "+5 is immediate but not a number";
}

TEST(FontDescParser, ExpandingDereferencesDefinesAndReportsUnknownNames) {
  RecordingParser p;
  auto* list = new ListDataElement();
  list->Append(new SingleDataElement(L"1"));
  list->Append(new SingleDataElement(L"2"));
  p.SetDefine(L"pair", list);
  p.SetDefine(L"Word", new SingleDataElement(L"'hello'"));

  ASSERT_TRUE(p.RunCommand(L"Expand (pair word 'q''s' -3 (PAIR))"));
  EXPECT_EQ(p.expanded, "((1, 2), 'hello', q's, -3, ((1, 2)))");
  ASSERT_TRUE(p.RunCommand(L"Expand pair"));
  EXPECT_EQ(p.expanded, "(1, 2)");

  EXPECT_FALSE(p.RunCommand(L"Expand (1 Nowhere)"));
  EXPECT_EQ(p.GetErrorText(), "Unable to Dereference \"Nowhere\"");

  std::wstring text;
  SingleDataElement word(L"word");
  EXPECT_TRUE(p.GetString(&word, text));
  EXPECT_EQ(text, L"hello");
  std::vector<int32_t> ints;
  SingleDataElement name(L"pair");
  EXPECT_TRUE(p.GetIntVector(&name, ints));
  EXPECT_EQ(ints, (std::vector<int32_t>{1, 2}));

  p.ClearDefines();
  EXPECT_EQ(p.FindDefine(L"pair"), nullptr);
}

TEST(FontDescParser, ListsNestAtMostTheBoundDeep) {
  RecordingParser p;
  std::wstring deep = L"C " + std::wstring(kMaxListDepth, L'(') + L"x" + std::wstring(kMaxListDepth, L')');
  EXPECT_TRUE(p.RunCommand(deep));
  std::wstring deeper = L"C " + std::wstring(100000, L'(') + std::wstring(100000, L')');
  EXPECT_FALSE(p.RunCommand(deeper));
  EXPECT_EQ(p.GetErrorText(), "Unterminated List");
}

TEST(FontDescParser, OddTrailingByteAndSurrogatePairs) {
  RecordingParser p;
  std::vector<uint8_t> bytes = test::Utf16Le(L"C \U0001F600x");
  bytes.push_back('Z');  // half a unit
  gPakInterface->AddMemoryFile("odd.txt", bytes);
  ASSERT_TRUE(p.LoadDescriptor("odd.txt"));
  ASSERT_EQ(p.commands.size(), 1u);
  EXPECT_EQ(p.lastToken, L"\U0001F600x") << "the pair is one character, the odd byte is dropped";
  EXPECT_EQ(p.lastToken.size(), 2u);

  // A lone high surrogate followed by an ordinary unit keeps both.
  std::vector<uint8_t> lone = {0x43, 0, 0x20, 0, 0x00, 0xD8, 0x41, 0};
  gPakInterface->AddMemoryFile("lone.txt", lone);
  RecordingParser q;
  ASSERT_TRUE(q.LoadDescriptor("lone.txt"));
  ASSERT_EQ(q.sizes.size(), 1u);
  EXPECT_EQ(q.sizes[0], 2u);
}

TEST(FontDescParser, AReadErrorEndsTheFile) {
  // Reading the process's own memory from address 0 fails at once, short of
  // any end of file: the load must end instead of looping.
  RecordingParser p;
  EXPECT_TRUE(p.LoadDescriptor("/proc/self/mem"));
  EXPECT_TRUE(p.commands.empty());
}

}  // namespace
}  // namespace Kivo

#include "tools/sampledata/DataWriters.h"

#include <charconv>
#include <cstdio>
#include <cmath>

namespace Kivo {

bool WriteSampleFile(const std::filesystem::path& path, const std::string& bytes, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  std::FILE* out = std::fopen(path.string().c_str(), "wb");
  bool ok = !ec && out != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (out != nullptr && std::fclose(out) != 0) ok = false;
  if (!ok && error != nullptr) *error = "cannot write " + path.string();
  return ok;
}

bool WriteSamplePicture(const std::filesystem::path& path, const ImageLib::Image& image, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  const bool ok = !ec && ImageLib::WritePngImage(path.string(), image);
  if (!ok && error != nullptr) *error = "cannot write " + path.string();
  return ok;
}

namespace {

bool Refuse(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return false;
}

bool HoldsBackslashN(const std::wstring& text) { return text.find(L"\\n") != std::wstring::npos; }

void PutUnit(std::string& out, std::uint32_t unit) {
  out.push_back(static_cast<char>(unit & 0xFF));
  out.push_back(static_cast<char>(unit >> 8));
}

void PutUtf16(std::string& out, const std::wstring& text) {
  for (wchar_t c : text) {
    auto code = static_cast<std::uint32_t>(c);
    if (code >= 0x10000) {
      code -= 0x10000;
      PutUnit(out, 0xD800 + (code >> 10));
      PutUnit(out, 0xDC00 + (code & 0x3FF));
    } else {
      PutUnit(out, code);
    }
  }
}

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool HoldsAny(const std::string& text, const char* characters) {
  return text.find_first_of(characters) != std::string::npos;
}

// Names of settings sections and keys.
bool CheckSettingsName(const std::string& name, const char* what, const char* forbidden, std::string* error) {
  if (name.empty()) return Refuse(error, std::string("empty ") + what);
  for (char c : name) {
    if (IsWhiteSpace(c)) return Refuse(error, std::string(what) + " \"" + name + "\" holds white space");
  }
  if (HoldsAny(name, forbidden))
    return Refuse(error, std::string(what) + " \"" + name + "\" holds one of " + forbidden);
  return true;
}

bool CheckScriptName(const std::string& name, std::string* error) {
  if (name.empty()) return Refuse(error, "empty script name");
  for (char c : name) {
    if (IsWhiteSpace(c) || c == '\0') return Refuse(error, "script name \"" + name + "\" holds white space");
  }
  if (HoldsAny(name, "(:=\"")) return Refuse(error, "script name \"" + name + "\" holds '(', ':', '=' or '\"'");
  return true;
}

}  // namespace

bool TextTableWriter::Add(const std::string& key, const std::wstring& text, std::string* error) {
  for (unsigned char c : key) {
    if (c > 0x7F) return Refuse(error, "text key \"" + key + "\" holds a character above U+007F");
    if (c == '\t' || c == '\r' || c == '\n') return Refuse(error, "text key \"" + key + "\" holds TAB, CR or LF");
  }
  if (key.find("\\n") != std::string::npos) return Refuse(error, "text key \"" + key + "\" holds a backslash-n");
  for (const auto& entry : mEntries) {
    if (entry.first == key) return Refuse(error, "text key \"" + key + "\" is repeated");
  }
  if (text.find(L'\r') != std::wstring::npos) return Refuse(error, "text of \"" + key + "\" holds CR");
  if (HoldsBackslashN(text)) return Refuse(error, "text of \"" + key + "\" holds a literal backslash-n");
  for (wchar_t c : text) {
    auto code = static_cast<std::uint32_t>(c);
    if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
      return Refuse(error, "text of \"" + key + "\" holds a code point UTF-16 cannot carry");
    }
  }
  mEntries.emplace_back(key, text);
  return true;
}

std::string TextTableWriter::Bytes() const {
  std::string out("\xFF\xFE", 2);
  for (const auto& entry : mEntries) {
    std::wstring line(entry.first.begin(), entry.first.end());
    line.push_back(L'\t');
    for (wchar_t c : entry.second) {
      if (c == L'\n') {
        line += L"\\n";
      } else {
        line.push_back(c);
      }
    }
    line += L"\r\n";
    PutUtf16(out, line);
  }
  return out;
}

bool SettingsWriter::Section(const std::string& name, std::string* error) {
  if (!CheckSettingsName(name, "section", "[]", error)) return false;
  for (const auto& section : mSections) {
    if (section.name == name) return Refuse(error, "section \"" + name + "\" is repeated");
  }
  mSections.push_back(SectionEntries{name, {}});
  return true;
}

bool SettingsWriter::Set(const std::string& key, const std::string& value, std::string* error) {
  if (mSections.empty()) return Refuse(error, "key \"" + key + "\" before any section");
  if (!CheckSettingsName(key, "key", "[]=", error)) return false;
  SectionEntries& section = mSections.back();
  for (const auto& entry : section.entries) {
    if (entry.key == key) return Refuse(error, "key \"" + key + "\" is repeated in [" + section.name + "]");
  }
  if (value.empty()) return Refuse(error, "value of \"" + key + "\" is empty");
  if (IsWhiteSpace(value[0])) return Refuse(error, "value of \"" + key + "\" starts with white space");
  if (HoldsAny(value, "\r\n[")) return Refuse(error, "value of \"" + key + "\" holds CR, LF or '['");
  section.entries.push_back(Entry{key, value});
  return true;
}

std::string SettingsWriter::Bytes() const {
  std::string out;
  for (const auto& section : mSections) {
    out += "[" + section.name + "]\r\n";
    for (const auto& entry : section.entries) out += entry.key + "=" + entry.value + "\r\n";
  }
  return out;
}

ScriptArg ScriptArg::Text(std::string value) {
  ScriptArg arg;
  arg.kind = kText;
  arg.text = std::move(value);
  return arg;
}

ScriptArg ScriptArg::Int(std::int32_t value) {
  ScriptArg arg;
  arg.kind = kInt;
  arg.integer = value;
  return arg;
}

ScriptArg ScriptArg::Float(float value) {
  ScriptArg arg;
  arg.kind = kFloat;
  arg.number = value;
  return arg;
}

std::string ScriptArg::Written() const {
  if (kind == kText) return "\"" + text + "\"";
  char buffer[64];
  std::to_chars_result result = kind == kInt ? std::to_chars(buffer, buffer + sizeof buffer, integer)
                                             : std::to_chars(buffer, buffer + sizeof buffer, number);
  return std::string(buffer, result.ptr);
}

bool ScriptWriter::Command(const std::string& name, const std::vector<ScriptArg>& args, std::string* error) {
  if (!CheckScriptName(name, error)) return false;
  std::string line = name + "(";
  for (std::size_t i = 0; i < args.size(); ++i) {
    const ScriptArg& arg = args[i];
    if (arg.kind == ScriptArg::kText && HoldsAny(arg.text, "\"\r\n")) {
      return Refuse(error, "argument of " + name + " holds a double quote, CR or LF");
    }
    if (arg.kind == ScriptArg::kText && arg.text.find('\0') != std::string::npos) {
      return Refuse(error, "argument of " + name + " holds a zero byte");
    }
    if (arg.kind == ScriptArg::kFloat && !std::isfinite(arg.number)) {
      return Refuse(error, "argument of " + name + " is not a finite number");
    }
    if (i > 0) line += ",";
    line += arg.Written();
  }
  AddLine(line + ")", args);
  return true;
}

bool ScriptWriter::Label(const std::string& name, std::string* error) {
  if (!CheckScriptName(name, error)) return false;
  AddLine(name + ":", {});
  return true;
}

bool ScriptWriter::Assign(const std::string& name, const std::string& value, std::string* error) {
  if (!CheckScriptName(name, error)) return false;
  if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
    return Refuse(error, "value of " + name + " holds CR, LF or a zero byte");
  }
  if (!value.empty() && value.back() == ' ') return Refuse(error, "value of " + name + " ends in a blank");
  AddLine(name + "=" + value, {});
  return true;
}

void ScriptWriter::AddLine(std::string line, std::vector<ScriptArg> args) {
  mLines.push_back(std::move(line));
  mLineArgs.push_back(std::move(args));
}

std::string ScriptWriter::Bytes() const {
  std::string out;
  for (const std::string& line : mLines) out += line + "\r\n";
  return out;
}

}  // namespace Kivo

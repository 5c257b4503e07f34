#include "repair/reg_file.h"

#include <optional>

#include "platform/text.h"

namespace qm {

namespace {

constexpr std::u16string_view kCrLf = u"\r\n";
// Hex data wrap as the registry editor's own exports do: a line ends with
// ",\" once it reaches 80 characters and goes on indented by two blanks.
constexpr std::size_t kLineLimit = 80;

bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

std::u16string Units(const std::vector<std::uint8_t>& data) {
  std::u16string out(data.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  return out;
}

bool WellFormed(std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

bool HasLineBreak(std::u16string_view s) {
  return s.find_first_of(u"\r\n") != std::u16string_view::npos;
}

// The text of a string value that the quoted form recreates byte for byte:
// UTF-16 ending in its one NUL, none before it, and no line break (the
// importer reads the quoted text up to the end of its line). Other string
// data go in the hex form.
std::optional<std::u16string> PlainString(const RegValue& v) {
  if (v.type != kRegSz || v.data.size() < 2 || v.data.size() % 2 != 0) return std::nullopt;
  std::u16string s = Units(v.data);
  if (s.back() != u'\0') return std::nullopt;
  s.pop_back();
  if (s.find(u'\0') != std::u16string::npos || HasLineBreak(s) || !WellFormed(s)) {
    return std::nullopt;
  }
  return s;
}

// Backslashes are doubled first, so the backslash put before a quote is
// not doubled again.
std::u16string Escape(std::u16string_view s) {
  std::u16string out;
  out.reserve(s.size() + 8);
  for (char16_t c : s) {
    if (c == u'\\') out += u'\\';
    if (c == u'"') out += u'\\';
    out += c;
  }
  return out;
}

void AppendHexDigits(std::u16string& out, std::uint32_t v, int digits) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
    out += static_cast<char16_t>(kHex[(v >> shift) & 0xF]);
  }
}

// Appends "xx,xx,..." to `line`, which holds the value line so far.
void AppendHexBytes(std::u16string& line, std::string_view bytes) {
  std::size_t column = line.size();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const bool last = i + 1 == bytes.size();
    const std::size_t piece = last ? 2 : 3;
    if (i > 0 && column + piece + 1 > kLineLimit) {
      line += u"\\\r\n  ";
      column = 2;
    }
    AppendHexDigits(line, static_cast<std::uint8_t>(bytes[i]), 2);
    if (!last) line += u',';
    column += piece;
  }
}

std::string_view AsChars(const std::vector<std::uint8_t>& data) {
  return {reinterpret_cast<const char*>(data.data()), data.size()};
}

class Builder {
 public:
  Builder(RegFileFormat format, AnsiCodePage& code_page) : format_(format), code_page_(code_page) {}

  // The file's text, or nothing when REGEDIT4 was asked for and some entry
  // has no exact form in it.
  std::optional<std::u16string> Build(std::span<const BackupEntry> entries) {
    std::u16string out = v4() ? u"REGEDIT4" : u"Windows Registry Editor Version 5.00";
    out += kCrLf;
    const std::string* previous = nullptr;
    for (const BackupEntry& e : entries) {
      // Adjacent entries of one key share its key line; keys compare as
      // exact text, so a key that comes back later gets a line again.
      if (!previous || *previous != e.key) {
        out += kCrLf;
        out += u'[';
        out += text::Utf8ToUtf16(e.key);
        out += u']';
        out += kCrLf;
      }
      previous = &e.key;
      if (!AppendValueLine(out, e.value)) return std::nullopt;
    }
    return out;
  }

 private:
  bool v4() const { return format_ == RegFileFormat::kRegedit4; }

  bool AppendValueLine(std::u16string& out, const RegValue& v) {
    std::u16string line;
    if (v.name.empty()) {
      line = u"@";
    } else {
      line = u"\"" + Escape(text::Utf8ToUtf16(v.name)) + u"\"";
    }
    line += u'=';
    if (const auto s = PlainString(v)) {
      line += u"\"" + Escape(*s) + u"\"";
    } else if (const std::optional<std::uint32_t> dword = DwordOf(v)) {
      line += u"dword:";
      AppendHexDigits(line, *dword, 8);
    } else if (v.type == kRegBinary) {
      line += u"hex:";
      AppendHexBytes(line, AsChars(v.data));
    } else {
      line += u"hex(";
      int digits = 1;
      while (digits < 8 && (v.type >> (4 * digits)) != 0) ++digits;
      AppendHexDigits(line, v.type, digits);
      line += u"):";
      if (!AppendTypedBytes(line, v)) return false;
    }
    out += line;
    out += kCrLf;
    return true;
  }

  // In REGEDIT4 the importer reads the bytes of string types as text in
  // the ANSI code page and converts them to UTF-16; in version 5 they are
  // the stored UTF-16 bytes themselves.
  bool AppendTypedBytes(std::u16string& line, const RegValue& v) {
    if (!v4() || !IsStringType(v.type)) {
      AppendHexBytes(line, AsChars(v.data));
      return true;
    }
    if (v.data.size() % 2 != 0) return false;
    const std::u16string units = Units(v.data);
    if (HasLineBreak(units) || !WellFormed(units)) return false;
    const std::optional<std::string> ansi = code_page_.Encode(units);
    if (!ansi) return false;
    AppendHexBytes(line, *ansi);
    return true;
  }

  RegFileFormat format_;
  AnsiCodePage& code_page_;
};

bool IsAscii(std::string_view utf8) {
  for (char c : utf8) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Every key, name and string datum in plain ASCII, which every ANSI code
// page holds alike. Other text in REGEDIT4 would be read back in the code
// page of the machine that imports it, which need not be the writer's: a
// name written under 936 and imported under 1252 comes back as another.
bool AllAscii(std::span<const BackupEntry> entries) {
  for (const BackupEntry& e : entries) {
    if (!IsAscii(e.key) || !IsAscii(e.value.name)) return false;
    if (!IsStringType(e.value.type)) continue;
    for (char16_t c : Units(e.value.data)) {
      if (c >= 0x80) return false;
    }
  }
  return true;
}

}  // namespace

bool CanWriteEntry(const BackupEntry& entry) {
  return !HasLineBreak(text::Utf8ToUtf16(entry.key)) &&
         !HasLineBreak(text::Utf8ToUtf16(entry.value.name));
}

RegFileBytes BuildRegFile(std::span<const BackupEntry> entries, AnsiCodePage& code_page) {
  RegFileBytes file;
  std::optional<std::u16string> v4;
  if (AllAscii(entries)) v4 = Builder(RegFileFormat::kRegedit4, code_page).Build(entries);
  if (v4) {
    if (auto ansi = code_page.Encode(*v4)) {
      file.format = RegFileFormat::kRegedit4;
      file.bytes.assign(ansi->begin(), ansi->end());
      return file;
    }
  }
  const std::u16string v5 = *Builder(RegFileFormat::kVersion5, code_page).Build(entries);
  file.format = RegFileFormat::kVersion5;
  file.bytes.reserve(2 + v5.size() * 2);
  file.bytes.push_back(0xFF);
  file.bytes.push_back(0xFE);
  for (char16_t c : v5) {
    file.bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    file.bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return file;
}

}  // namespace qm

#include "repair/reg_file_reader.h"

#include <string_view>

#include "platform/text.h"
#include "repair/row_value.h"

namespace qm {

namespace {

constexpr std::u16string_view kRegedit4Header = u"REGEDIT4";
constexpr std::u16string_view kVersion5Header = u"Windows Registry Editor Version 5.00";

bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// One to eight hex digits and nothing else.
std::optional<std::uint32_t> HexNumber(std::u16string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t v = 0;
  for (char16_t c : digits) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  return v;
}

void AppendUtf16Le(std::vector<std::uint8_t>& out, std::u16string_view s) {
  for (char16_t c : s) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
}

struct Fault {
  std::size_t line;
  std::string error;
};

class Parser {
 public:
  Parser(RegFileFormat format, AnsiCodePage& code_page) : code_page_(code_page) {
    content_.format = format;
  }

  std::optional<Fault> Parse(std::u16string_view text) {
    if (auto fault = SplitLines(text)) return fault;
    const std::u16string_view header =
        content_.format == RegFileFormat::kRegedit4 ? kRegedit4Header : kVersion5Header;
    if (lines_.empty() || lines_[0] != header) {
      return Fault{1, "the first line is not the header of a registry file"};
    }
    for (next_ = 1; next_ < lines_.size();) {
      const std::size_t number = next_ + 1;
      const std::u16string_view line = lines_[next_++];
      std::optional<std::string> error;
      if (line.empty() || line[0] == u';') continue;
      if (line[0] == u'[') {
        error = KeyLine(line);
      } else if (line[0] == u'@' || line[0] == u'"') {
        error = key_ ? ValueLine(line)
                     : std::optional<std::string>("a value comes before any key line");
      } else {
        error = "the line is neither a key nor a value";
      }
      if (error) return Fault{number, std::move(*error)};
    }
    return std::nullopt;
  }

  RegFileContent Take() { return std::move(content_); }

 private:
  // Lines end in CR LF as written, or LF alone; a CR anywhere else, or a
  // last line without its end, means the file is not one the writer made
  // or was cut short.
  std::optional<Fault> SplitLines(std::u16string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
      const std::size_t lf = text.find(u'\n', pos);
      if (lf == std::u16string_view::npos) {
        return Fault{lines_.size() + 1, "the file ends inside a line: it is incomplete"};
      }
      std::u16string_view line = text.substr(pos, lf - pos);
      if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
      if (line.find(u'\r') != std::u16string_view::npos) {
        return Fault{lines_.size() + 1, "a carriage return inside a line"};
      }
      lines_.push_back(line);
      pos = lf + 1;
    }
    return std::nullopt;
  }

  std::optional<std::string> KeyLine(std::u16string_view line) {
    if (line.size() < 2 || line.back() != u']') return "the key line does not end in ']'";
    const std::u16string_view key = line.substr(1, line.size() - 2);
    if (!key.empty() && key[0] == u'-') return "the line deletes a key; a backup never does";
    std::string utf8 = text::Utf16ToWtf8(key);
    if (RootKeyFromName(utf8.substr(0, utf8.find('\\'))) == kNoKey) {
      return "the key does not start with the name of a registry root";
    }
    key_ = std::move(utf8);
    return std::nullopt;
  }

  // `"text"` with \\ and \" as the only escapes; `pos` is on the opening
  // quote and ends after the closing one.
  static std::optional<std::string> Quoted(std::u16string_view line, std::size_t& pos,
                                           std::u16string& out) {
    for (++pos; pos < line.size(); ++pos) {
      const char16_t c = line[pos];
      if (c == u'"') {
        ++pos;
        return std::nullopt;
      }
      if (c == u'\\') {
        if (pos + 1 >= line.size() || (line[pos + 1] != u'\\' && line[pos + 1] != u'"')) {
          return "a backslash in quoted text is neither \\\\ nor \\\"";
        }
        ++pos;
      }
      out += line[pos];
    }
    return "quoted text is not closed on its line";
  }

  std::optional<std::string> ValueLine(std::u16string_view line) {
    std::size_t pos = 0;
    std::u16string name;
    if (line[0] == u'@') {
      pos = 1;
    } else if (auto error = Quoted(line, pos, name)) {
      return error;
    }
    if (pos >= line.size() || line[pos] != u'=') return "the value name is not followed by '='";
    const std::u16string_view data = line.substr(pos + 1);
    BackupEntry entry{*key_, {text::Utf16ToWtf8(name), kRegNone, {}}};
    RegValue& value = entry.value;
    if (!data.empty() && data[0] == u'"') {
      std::size_t at = 0;
      std::u16string s;
      if (auto error = Quoted(data, at, s)) return error;
      if (at != data.size()) return "text follows the closing quote of the data";
      value.type = kRegSz;
      s += u'\0';
      AppendUtf16Le(value.data, s);
    } else if (data.starts_with(u"dword:")) {
      const auto v = HexNumber(data.substr(6));
      if (!v) return "a dword is not one to eight hex digits";
      value.type = kRegDword;
      for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<std::uint8_t>(*v >> (8 * i)));
    } else if (data.starts_with(u"hex:")) {
      value.type = kRegBinary;
      if (auto error = HexBytes(data.substr(4), value)) return error;
    } else if (data.starts_with(u"hex(")) {
      const std::size_t close = data.find(u"):");
      const auto type =
          close == std::u16string_view::npos ? std::nullopt : HexNumber(data.substr(4, close - 4));
      if (!type) return "the type in hex(...) is not one to eight hex digits";
      value.type = *type;
      if (auto error = HexBytes(data.substr(close + 2), value)) return error;
    } else if (data == u"-") {
      return "the line deletes a value; a backup never does";
    } else {
      return "the data are none of \"text\", dword:, hex: or hex(type):";
    }
    content_.entries.push_back(std::move(entry));
    return std::nullopt;
  }

  // "xx,xx,..." over the rest of the line and the lines it continues on
  // (a line ending in "\" goes on at the next, after its indentation).
  std::optional<std::string> HexBytes(std::u16string_view first, RegValue& value) {
    std::u16string list(first);
    while (!list.empty() && list.back() == u'\\') {
      list.pop_back();
      if (next_ >= lines_.size()) return "the hex data continue past the end of the file";
      std::u16string_view more = lines_[next_++];
      while (!more.empty() && (more[0] == u' ' || more[0] == u'\t')) more.remove_prefix(1);
      list += more;
    }
    std::string bytes;
    std::size_t pos = 0;
    while (pos < list.size()) {
      std::size_t comma = list.find(u',', pos);
      if (comma == std::u16string::npos) comma = list.size();
      std::u16string_view item = std::u16string_view(list).substr(pos, comma - pos);
      while (!item.empty() && item.front() == u' ') item.remove_prefix(1);
      while (!item.empty() && item.back() == u' ') item.remove_suffix(1);
      const auto b = item.size() <= 2 ? HexNumber(item) : std::nullopt;
      if (!b) return "a hex byte is not one or two hex digits";
      bytes.push_back(static_cast<char>(*b));
      pos = comma + 1;
      if (comma + 1 == list.size()) return "the hex data end in a comma";
    }
    // In REGEDIT4 the bytes of string types are text in the ANSI code page,
    // stored as UTF-16; elsewhere they are the stored bytes themselves.
    if (content_.format == RegFileFormat::kRegedit4 && IsStringType(value.type)) {
      const auto units = code_page_.Decode(bytes);
      if (!units) return "string data are not text in the ANSI code page";
      AppendUtf16Le(value.data, *units);
    } else {
      value.data.assign(bytes.begin(), bytes.end());
    }
    return std::nullopt;
  }

  AnsiCodePage& code_page_;
  RegFileContent content_;
  std::vector<std::u16string_view> lines_;
  std::size_t next_ = 0;
  std::optional<std::string> key_;
};

RegFileReadResult Failed(std::size_t line, std::string error) {
  return {std::nullopt, line, std::move(error), {}};
}

RegFileReadResult ReadText(std::span<const std::uint8_t> bytes, AnsiCodePage& code_page) {
  std::u16string text;
  const RegFileFormat format = RegFileFormatOf(bytes);
  if (format == RegFileFormat::kVersion5) {
    if (bytes.size() % 2 != 0) return Failed(0, "UTF-16 text of an odd number of bytes");
    text.resize((bytes.size() - 2) / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char16_t>(bytes[2 + 2 * i] | (bytes[3 + 2 * i] << 8));
    }
  } else {
    const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!raw.starts_with("REGEDIT4")) {
      return Failed(1, "not a registry file: it starts with neither REGEDIT4 nor a UTF-16 mark");
    }
    // The whole text at once: in a double-byte code page a trail byte may
    // be a backslash or a quote, so bytes are never parsed one by one.
    auto units = code_page.Decode(raw);
    if (!units) return Failed(0, "the text is not in the ANSI code page");
    text = std::move(*units);
  }
  Parser parser(format, code_page);
  if (auto fault = parser.Parse(text)) return Failed(fault->line, std::move(fault->error));
  return {parser.Take(), 0, {}, {}};
}

}  // namespace

RegFileReadResult ReadRegFile(std::span<const std::uint8_t> bytes, AnsiCodePage& code_page) {
  SealCheck seal = CheckBackupSeal(bytes);
  if (seal.verdict == SealVerdict::kDamaged) {
    RegFileReadResult damaged = Failed(0, seal.why);
    damaged.seal = std::move(seal);
    return damaged;
  }
  RegFileReadResult read = ReadText(bytes, code_page);
  read.seal = std::move(seal);
  return read;
}

}  // namespace qm

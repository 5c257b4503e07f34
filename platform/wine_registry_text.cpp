#include "platform/wine_registry_text.h"

#include <optional>
#include <string>

#include "platform/text.h"

namespace qm {

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::string_view kRelativeTo = ";; All keys relative to ";
constexpr std::u16string_view kLinkValue = u"SymbolicLinkValue";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One to `max` hex digits and nothing else.
std::optional<std::uint64_t> HexNumber(std::string_view digits, std::size_t max) {
  if (digits.empty() || digits.size() > max) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = (v << 4) | static_cast<std::uint64_t>(d);
  }
  return v;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

void AppendUtf16Le(std::vector<std::uint8_t>& out, std::u16string_view s) {
  for (char16_t c : s) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
}

// Text up to an unescaped `close`, with the escapes Wine writes: \\ and an
// escaped delimiter, C escapes, octal (\0 to \777) and \x with up to four
// hex digits for every character outside ASCII. On success `pos` is just
// past `close`.
std::optional<std::u16string> Unescape(std::string_view line, std::size_t& pos, char close,
                                       std::string& error) {
  std::u16string out;
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c == close) return out;
    if (c != '\\') {
      out.push_back(static_cast<char16_t>(c));
      continue;
    }
    if (pos == line.size()) break;
    const char e = line[pos++];
    switch (e) {
      case 'a':
        out.push_back(7);
        break;
      case 'b':
        out.push_back(8);
        break;
      case 'e':
        out.push_back(27);
        break;
      case 'f':
        out.push_back(12);
        break;
      case 'n':
        out.push_back(10);
        break;
      case 'r':
        out.push_back(13);
        break;
      case 't':
        out.push_back(9);
        break;
      case 'v':
        out.push_back(11);
        break;
      case 'x': {
        std::uint32_t v = 0;
        std::size_t n = 0;
        for (; n < 4 && pos < line.size() && HexDigit(line[pos]) >= 0; ++n, ++pos) {
          v = (v << 4) | static_cast<std::uint32_t>(HexDigit(line[pos]));
        }
        if (n == 0) {
          error = "\\x without hex digits";
          return std::nullopt;
        }
        out.push_back(static_cast<char16_t>(v));
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          std::uint32_t v = static_cast<std::uint32_t>(e - '0');
          for (int n = 1; n < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7';
               ++n, ++pos) {
            v = (v << 3) | static_cast<std::uint32_t>(line[pos] - '0');
          }
          out.push_back(static_cast<char16_t>(v));
        } else {
          out.push_back(static_cast<char16_t>(e));
        }
    }
  }
  error = std::string("text without its closing ") + close;
  return std::nullopt;
}

// A key path relative to the saved key, components joined by "\".
std::optional<std::string> KeyPath(std::u16string_view path, std::string& error) {
  std::string out;
  std::size_t start = 0;
  if (path.empty()) return out;
  while (true) {
    const std::size_t end = std::min(path.find(u'\\', start), path.size());
    if (end == start) {
      error = "a key path with an empty name";
      return std::nullopt;
    }
    if (!out.empty()) out.push_back('\\');
    out += text::Utf16ToWtf8(path.substr(start, end - start));
    if (end == path.size()) return out;
    start = end + 1;
  }
}

// Pieces in which a file is read: the parse holds one piece at a time
// (and the line it is in), not the file.
constexpr std::size_t kPiece = std::size_t{1} << 16;

class Reader {
 public:
  Reader(std::span<const std::uint8_t> bytes, const WineRegistrySource* source,
         MemoryRegistry& into, RegKey root, std::string_view under)
      : text_(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
        source_(source),
        into_(into),
        root_(root),
        under_(under) {}

  WineRegistryRead Run() {
    if (Read()) return std::move(result_);
    if (key_ != kNoKey) into_.CloseKey(key_);
    return Failure{kErrInvalidData, "line " + std::to_string(line_no_) + ": " + error_};
  }

 private:
  bool Fail(std::string error) {
    error_ = std::move(error);
    return false;
  }

  // Reads pieces until the text from `next_` holds a line break or the
  // file ends; the lines handed out before are then gone.
  bool Refill() {
    std::string rest(text_.substr(next_));
    std::size_t scanned = 0;
    piece_.resize(kPiece);
    while (!source_done_) {
      std::size_t got = 0;
      if (!(*source_)(piece_, got) || got > piece_.size()) {
        read_failed_ = true;
        return false;
      }
      if (got == 0) source_done_ = true;
      rest.append(reinterpret_cast<const char*>(piece_.data()), got);
      if (rest.find('\n', scanned) != std::string::npos) break;
      scanned = rest.size();
    }
    buffer_ = std::move(rest);
    text_ = buffer_;
    next_ = 0;
    return true;
  }

  // The next line without its line break; false at the end of the text.
  bool NextLine(std::string_view& line) {
    std::size_t end = text_.find('\n', next_);
    if (end == std::string_view::npos && source_ && !source_done_) {
      if (!Refill()) return false;
      end = text_.find('\n', next_);
    }
    if (next_ >= text_.size()) return false;
    ++line_no_;
    if (end == std::string_view::npos) {
      line = text_.substr(next_);
      next_ = text_.size();
      cut_short_ = true;
      return true;
    }
    line = text_.substr(next_, end - next_);
    next_ = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }

  bool Read() {
    std::string_view line;
    if (!NextLine(line) || line != kHeader || cut_short_) {
      return Fail(read_failed_ ? "the file does not read" : "not Wine registry text");
    }
    while (NextLine(line)) {
      if (cut_short_) return Fail("the last line has no line break");
      for (char c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7F) {
          return Fail("a byte that is not printable ASCII");
        }
      }
      if (!ReadLine(line)) return false;
    }
    if (read_failed_) return Fail("the file does not read");
    return EndKey();
  }

  bool ReadLine(std::string_view line) {
    if (line.empty()) return true;
    if (StartsWith(line, kRelativeTo)) {
      std::size_t pos = 0;
      std::string error;
      // The path is written as key paths are, with nothing to close it.
      const std::string rest = std::string(line.substr(kRelativeTo.size())) + '\n';
      const auto base = Unescape(rest, pos, '\n', error);
      if (!base) return Fail(error);
      result_.base = text::Utf16ToWtf8(*base);
      base_upper_ = text::UpperCase(result_.base);
      return true;
    }
    if (StartsWith(line, ";;")) return true;
    if (line[0] == '[') return ReadKeyLine(line);
    if (line[0] == '"' || line[0] == '@') return ReadValue(line);
    if (StartsWith(line, "#arch=")) {
      return line == "#arch=win32" || line == "#arch=win64" ? true : Fail("an unknown #arch");
    }
    if (!key_) return Fail("a key's option before any key");
    if (StartsWith(line, "#time=")) {
      return HexNumber(line.substr(6), 16) ? true : Fail("a #time that is not a hex number");
    }
    if (StartsWith(line, "#class=\"")) {
      std::size_t pos = 8;
      std::string error;
      if (!Unescape(line, pos, '"', error)) return Fail(error);
      return pos == line.size() ? true : Fail("text after the class");
    }
    if (line == "#link") {
      is_link_ = true;
      return true;
    }
    return Fail("a line that is neither a key, a value nor a known option");
  }

  bool ReadKeyLine(std::string_view line) {
    if (!EndKey()) return false;
    std::size_t pos = 1;
    std::string error;
    const auto path = Unescape(line, pos, ']', error);
    if (!path) return Fail(error);
    // The time stamp in seconds, which Wine writes after every key.
    if (pos < line.size()) {
      if (line[pos] != ' ' || pos + 1 == line.size()) return Fail("text after the key");
      for (char c : line.substr(pos + 1)) {
        if (c < '0' || c > '9') return Fail("a key time stamp that is not a number");
      }
    }
    const auto relative = KeyPath(*path, error);
    if (!relative) return Fail(error);
    key_path_ = under_;
    if (!key_path_.empty() && !relative->empty()) key_path_.push_back('\\');
    key_path_ += *relative;
    key_ = into_.CreateKeyForBuilding(root_, key_path_);
    if (key_ == kNoKey) return Fail("the key cannot be made");
    ++result_.keys;
    return true;
  }

  // Links are made once their key's lines are all read: the target is a
  // value that may come after "#link".
  bool EndKey() {
    if (key_ == kNoKey) return true;
    const RegStatus stored = into_.WriteValues(key_, values_);
    values_.clear();
    if (stored != kRegOk) return Fail("the values cannot be stored");
    into_.CloseKey(key_);
    key_ = kNoKey;
    if (!is_link_) return true;
    is_link_ = false;
    const std::optional<std::string> target = LinkTarget();
    if (!target) ++result_.links_unresolved;
    into_.SetLink(root_, key_path_, target ? root_ : kNoKey, target ? *target : std::string());
    link_target_.reset();
    return true;
  }

  // The target below the saved key, when it lies there: the link's value
  // names it from the top, "\REGISTRY\Machine\Software\...".
  std::optional<std::string> LinkTarget() const {
    if (!link_target_ || base_upper_.empty()) return std::nullopt;
    const std::string target = text::Utf16ToWtf8(*link_target_);
    const std::string upper = text::UpperCase(target);
    const std::string base = "\\" + base_upper_;
    if (!StartsWith(upper, base)) return std::nullopt;
    std::string_view rest = std::string_view(target).substr(base.size());
    if (!rest.empty() && rest[0] != '\\') return std::nullopt;
    if (!rest.empty()) rest.remove_prefix(1);
    std::string out = under_;
    if (!out.empty() && !rest.empty()) out.push_back('\\');
    out += rest;
    return out;
  }

  bool ReadValue(std::string_view line) {
    if (!key_) return Fail("a value before any key");
    std::size_t pos = 1;
    std::string error;
    std::u16string name;
    if (line[0] == '"') {
      auto quoted = Unescape(line, pos, '"', error);
      if (!quoted) return Fail(error);
      name = std::move(*quoted);
    }
    if (pos == line.size() || line[pos] != '=') return Fail("a value name without =");
    ++pos;
    RegValue value{text::Utf16ToWtf8(name), kRegSz, {}};
    const std::string_view data = line.substr(pos);
    if (StartsWith(data, "\"") || StartsWith(data, "str(")) {
      if (data[0] == 's') {
        const std::size_t close = data.find("):\"");
        const auto type = close == std::string_view::npos ? std::nullopt
                                                          : HexNumber(data.substr(4, close - 4), 8);
        if (!type) return Fail("a str( without a hex type");
        value.type = static_cast<std::uint32_t>(*type);
        pos += close + 2;
      }
      ++pos;
      auto text = Unescape(line, pos, '"', error);
      if (!text) return Fail(error);
      if (pos != line.size()) return Fail("text after the string");
      text->push_back(u'\0');
      AppendUtf16Le(value.data, *text);
    } else if (StartsWith(data, "dword:")) {
      const auto v = HexNumber(data.substr(6), 8);
      if (!v) return Fail("a dword that is not up to eight hex digits");
      value.type = kRegDword;
      for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<std::uint8_t>(*v >> (8 * i)));
    } else if (StartsWith(data, "hex:") || StartsWith(data, "hex(")) {
      std::size_t colon = 3;
      value.type = kRegBinary;
      if (data[3] == '(') {
        const std::size_t close = data.find("):");
        const auto type = close == std::string_view::npos ? std::nullopt
                                                          : HexNumber(data.substr(4, close - 4), 8);
        if (!type) return Fail("a hex( without a hex type");
        value.type = static_cast<std::uint32_t>(*type);
        colon = close + 1;
      }
      if (!ReadHex(data.substr(colon + 1), value.data)) return false;
    } else {
      return Fail("a value of an unknown form");
    }
    if (is_link_ && value.type == kRegLink && name == kLinkValue) {
      std::u16string target;
      for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
        target.push_back(static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8)));
      }
      link_target_ = std::move(target);
    }
    values_.push_back(std::move(value));
    return true;
  }

  // Bytes as two hex digits each, separated by commas; a line ending in
  // ",\" goes on in the next line after its leading spaces.
  bool ReadHex(std::string_view data, std::vector<std::uint8_t>& out) {
    while (!data.empty()) {
      if (data.size() < 2 || HexDigit(data[0]) < 0 || HexDigit(data[1]) < 0) {
        return Fail("hex data that are not pairs of hex digits");
      }
      out.push_back(static_cast<std::uint8_t>(HexDigit(data[0]) * 16 + HexDigit(data[1])));
      data.remove_prefix(2);
      if (data.empty()) return true;
      if (data[0] != ',') return Fail("hex data without a comma between bytes");
      data.remove_prefix(1);
      if (data == "\\") {
        std::string_view next;
        if (!NextLine(next) || cut_short_) return Fail("hex data continued past the end");
        for (char c : next) {
          if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7F) {
            return Fail("a byte that is not printable ASCII");
          }
        }
        const std::size_t start = next.find_first_not_of(' ');
        data = start == std::string_view::npos ? std::string_view() : next.substr(start);
      }
      if (data.empty()) return Fail("hex data that end in a comma");
    }
    return true;
  }

  std::string_view text_;
  const WineRegistrySource* source_;  // null when text_ is the whole file
  std::string buffer_;                // the piece text_ shows, when read
  std::vector<std::uint8_t> piece_;   // what the source fills
  bool source_done_ = false;
  bool read_failed_ = false;
  MemoryRegistry& into_;
  RegKey root_;
  std::string under_;
  std::size_t next_ = 0;
  std::size_t line_no_ = 0;
  bool cut_short_ = false;
  WineRegistryTree result_;
  std::string error_;  // why it does not read, set by Fail
  std::string base_upper_;

  RegKey key_ = kNoKey;
  std::string key_path_;
  bool is_link_ = false;
  std::optional<std::u16string> link_target_;
  // The key's values, stored together once the key ends.
  std::vector<RegValue> values_;
};

}  // namespace

bool IsWineRegistryText(std::span<const std::uint8_t> bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return StartsWith(text, std::string(kHeader) + "\n") ||
         StartsWith(text, std::string(kHeader) + "\r\n");
}

WineRegistryRead ReadWineRegistry(std::span<const std::uint8_t> bytes, MemoryRegistry& into,
                                  RegKey root, std::string_view under) {
  return Reader(bytes, nullptr, into, root, under).Run();
}

WineRegistryRead ReadWineRegistry(const WineRegistrySource& source, MemoryRegistry& into,
                                  RegKey root, std::string_view under) {
  return Reader({}, &source, into, root, under).Run();
}

}  // namespace qm

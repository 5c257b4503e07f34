#include "platform/linux/wine_text_edit.h"

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>

#include "platform/memory_registry.h"
#include "platform/text.h"
#include "platform/wine_registry_text.h"

namespace qm::posix {

namespace {

constexpr std::string_view kRelativeTo = ";; All keys relative to ";
constexpr int kMaxLinks = 16;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The text from `pos` up to an unescaped `close`, unescaped as Wine writes
// it; `pos` ends past `close`. The whole file has read before this runs,
// so a malformed escape is not expected here and is taken as it stands.
std::optional<std::string> Unescaped(std::string_view line, std::size_t& pos, char close) {
  static constexpr std::string_view kC =
      "a\ab\be\x1b"
      "f\fn\nr\rt\tv\v";
  std::u16string out;
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c == close) return text::Utf16ToWtf8(out);
    if (c != '\\' || pos == line.size()) {
      out.push_back(static_cast<char16_t>(c));
      continue;
    }
    const char e = line[pos++];
    const std::size_t c_escape = kC.find(e);
    if (c_escape != std::string_view::npos && c_escape % 2 == 0) {
      out.push_back(static_cast<char16_t>(kC[c_escape + 1]));
    } else if (e == 'x') {
      std::uint32_t v = 0;
      for (int n = 0; n < 4 && pos < line.size() && HexDigit(line[pos]) >= 0; ++n, ++pos) {
        v = v << 4 | static_cast<std::uint32_t>(HexDigit(line[pos]));
      }
      out.push_back(static_cast<char16_t>(v));
    } else if (e >= '0' && e <= '7') {
      std::uint32_t v = static_cast<std::uint32_t>(e - '0');
      for (int n = 1; n < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7';
           ++n, ++pos) {
        v = v << 3 | static_cast<std::uint32_t>(line[pos] - '0');
      }
      out.push_back(static_cast<char16_t>(v));
    } else {
      out.push_back(static_cast<char16_t>(e));
    }
  }
  return std::nullopt;
}

struct Line {
  std::size_t begin = 0, end = 0;  // end is past its line break
  std::string_view text;           // without the line break
};

std::vector<Line> Lines(std::string_view all) {
  std::vector<Line> lines;
  for (std::size_t at = 0; at < all.size();) {
    std::size_t nl = all.find('\n', at);
    const std::size_t end = nl == std::string_view::npos ? all.size() : nl + 1;
    std::string_view t = all.substr(at, (nl == std::string_view::npos ? all.size() : nl) - at);
    if (!t.empty() && t.back() == '\r') t.remove_suffix(1);
    lines.push_back({at, end, t});
    at = end;
  }
  return lines;
}

// A value's lines: hex data that end in a backslash go on in the next.
std::size_t ValueLineCount(const std::vector<Line>& lines, std::size_t first) {
  std::size_t n = 1;
  while (first + n < lines.size() && !lines[first + n - 1].text.empty() &&
         lines[first + n - 1].text.back() == '\\') {
    ++n;
  }
  return n;
}

// The bytes of hex data over a value's lines ("hex(6):5c,00,...").
std::vector<std::uint8_t> HexBytes(const std::vector<Line>& lines, std::size_t first,
                                   std::size_t count) {
  std::vector<std::uint8_t> out;
  std::string_view t = lines[first].text;
  t.remove_prefix(std::min(t.size(), t.find("):") + 2));
  for (std::size_t i = 0; i < count; t = ++i < count ? lines[first + i].text : "") {
    for (std::size_t p = 0; p + 1 < t.size(); ++p) {
      if (HexDigit(t[p]) >= 0 && HexDigit(t[p + 1]) >= 0) {
        out.push_back(static_cast<std::uint8_t>(HexDigit(t[p]) * 16 + HexDigit(t[p + 1])));
        ++p;
      }
    }
  }
  return out;
}

// Text escaped as Wine writes it: a backslash before itself and the
// delimiters, C escapes, octal for other control characters and \x for
// every unit outside ASCII, with as many digits as keep the next character
// apart; a terminating NUL left out.
std::string Escaped(std::u16string_view s, std::string_view delimiters) {
  static constexpr std::string_view kC = ".......abtnvfr.............e....";
  std::string out;
  char buf[16];
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    const bool more = i + 1 < s.size();
    if (c > 127) {
      const bool hex_next = more && s[i + 1] < 128 && HexDigit(static_cast<char>(s[i + 1])) >= 0;
      std::snprintf(buf, sizeof buf, hex_next ? "\\x%04x" : "\\x%x", static_cast<unsigned>(c));
      out += buf;
    } else if (c < 32) {
      if (c == 0 && !more) continue;  // the terminating NUL
      if (kC[c] != '.') {
        out += '\\';
        out += kC[c];
      } else {
        const bool octal_next = more && s[i + 1] >= '0' && s[i + 1] <= '7';
        std::snprintf(buf, sizeof buf, octal_next ? "\\%03o" : "\\%o", static_cast<unsigned>(c));
        out += buf;
      }
    } else {
      if (c == '\\' || delimiters.find(static_cast<char>(c)) != std::string_view::npos) {
        out += '\\';
      }
      out += static_cast<char>(c);
    }
  }
  return out;
}

// A value's line as Wine writes it: text only for a string type whose
// data end in a NUL, a dword only for four bytes, hex for anything else,
// continued with "\" past 76 characters.
std::string ValueLine(const RegValue& v) {
  std::string out = v.name.empty() ? "@=" : "\"" + Escaped(text::Utf8ToUtf16(v.name), "\"") + "\"=";
  const std::vector<std::uint8_t>& d = v.data;
  char buf[32];
  if ((v.type == kRegSz || v.type == kRegExpandSz || v.type == kRegMultiSz) && d.size() >= 2 &&
      d.size() % 2 == 0 && d[d.size() - 2] == 0 && d.back() == 0) {
    std::u16string units;
    for (std::size_t i = 0; i < d.size(); i += 2) {
      units.push_back(static_cast<char16_t>(d[i] | d[i + 1] << 8));
    }
    if (v.type != kRegSz) {
      std::snprintf(buf, sizeof buf, "str(%x):", static_cast<unsigned>(v.type));
      out += buf;
    }
    return out + "\"" + Escaped(units, "\"") + "\"\n";
  }
  if (v.type == kRegDword && d.size() == 4) {
    std::snprintf(buf, sizeof buf, "dword:%08x",
                  static_cast<unsigned>(d[0] | d[1] << 8 | d[2] << 16 | d[3] << 24));
    return out + buf + "\n";
  }
  if (v.type == kRegBinary) {
    out += "hex:";
  } else {
    std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
    out += buf;
  }
  std::size_t count = out.size();
  for (std::size_t i = 0; i < d.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>(d[i]));
    out += buf;
    count += 2;
    if (i + 1 == d.size()) continue;
    out += ',';
    if (++count > 76) {
      out += "\\\n  ";
      count = 2;
    }
  }
  return out + "\n";
}

std::string SectionHeader(const std::string& path, std::time_t now) {
  // Seconds since 1970 on the key line, and the same moment as a FILETIME.
  const auto seconds = static_cast<unsigned long long>(now);
  const unsigned long long filetime = (seconds + 11644473600ull) * 10000000ull;
  char buf[64];
  std::snprintf(buf, sizeof buf, "] %llu\n#time=%llx\n", seconds, filetime);
  return "\n[" + Escaped(text::Utf8ToUtf16(path), "[]") + buf;
}

struct KeyLines {
  // The first line of each of its values, by the upper-cased name: a repair
  // may take thousands of values out of one key.
  std::unordered_multimap<std::string, std::size_t> values;
  std::size_t last = 0;  // the section's last line that is not blank
};

// Values set where the text has no line for them yet, in the order set.
struct Added {
  std::string path;  // as the change names it, for a new section
  std::vector<std::pair<std::string, std::string>> values;  // upper-cased name, line

  void Set(const std::string& name, std::string line) {
    for (auto& v : values) {
      if (v.first == name) {
        v.second = std::move(line);
        return;
      }
    }
    values.emplace_back(name, std::move(line));
  }
  bool Drop(const std::string& name) {
    for (auto it = values.begin(); it != values.end(); ++it) {
      if (it->first != name) continue;
      values.erase(it);
      return true;
    }
    return false;
  }
};

class Edit {
 public:
  explicit Edit(std::string_view all) : lines_(Lines(all)) {}

  void Index() {
    std::string key;
    bool link = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const std::string_view t = lines_[i].text;
      if (t.substr(0, kRelativeTo.size()) == kRelativeTo) {
        std::size_t pos = kRelativeTo.size();
        base_ = text::UpperCase(Unescaped(std::string(t) + '\n', pos, '\n').value_or(""));
      } else if (!t.empty() && t[0] == '[') {
        std::size_t pos = 1;
        key = text::UpperCase(Unescaped(t, pos, ']').value_or(""));
        keys_[key].last = i;
        link = false;
      } else if (t == "#link") {
        link = true;
        keys_[key].last = i;
      } else if (!t.empty() && (t[0] == '"' || t[0] == '@')) {
        const std::size_t n = ValueLineCount(lines_, i);
        std::size_t pos = 1;
        const std::string name =
            text::UpperCase(t[0] == '@' ? std::string() : Unescaped(t, pos, '"').value_or(""));
        keys_[key].values.emplace(name, i);
        if (link && t[0] == '"' && name == "SYMBOLICLINKVALUE") {
          const std::vector<std::uint8_t> b = HexBytes(lines_, i, n);
          std::u16string target;
          for (std::size_t j = 0; j + 1 < b.size(); j += 2) {
            target.push_back(static_cast<char16_t>(b[j] | b[j + 1] << 8));
          }
          links_[key] = text::Utf16ToWtf8(target);
        }
        i += n - 1;
        keys_[key].last = i;
      } else if (!t.empty() && !key.empty()) {
        keys_[key].last = i;
      }
    }
  }

  // The key as the file stores it, its links followed; empty when a link
  // leads out of the file.
  std::string Resolve(const std::string& key) const {
    std::string path = key;
    for (int followed = 0; followed < kMaxLinks; ++followed) {
      bool again = false;
      const std::string upper = text::UpperCase(path);
      for (std::size_t cut = 0; cut <= upper.size() && !again; ++cut) {
        if (cut != upper.size() && upper[cut] != '\\') continue;
        const auto link = links_.find(upper.substr(0, cut));
        if (link == links_.end()) continue;
        // Wine's link targets name the key from the top of the registry.
        const std::string top = "\\" + base_ + "\\";
        if (text::UpperCase(link->second).compare(0, top.size(), top) != 0) return {};
        path = link->second.substr(top.size()) + path.substr(cut);
        again = true;
      }
      if (!again) return path;
    }
    return {};
  }

  // Applies one change; false with `error` when it cannot be.
  bool Apply(const RegistryChange& c, std::string& error) {
    const std::string path = Resolve(c.path);
    if (path.empty() && !c.path.empty()) {
      error = "the key " + c.path + " lies behind a link out of it";
      return false;
    }
    const std::string upper = text::UpperCase(path);
    const std::string name = text::UpperCase(c.value.name);
    const auto key = keys_.find(upper);
    const auto added = added_.find(upper);
    if (c.kind == RegistryChange::Kind::kCreateKey) {
      if (key == keys_.end() && added == added_.end()) {
        added_[upper].path = path;
        new_sections_.push_back(upper);
      }
      return true;
    }
    std::size_t first = lines_.size();
    bool found = added != added_.end() && added->second.Drop(name);
    if (key != keys_.end()) {
      const auto [from, to] = key->second.values.equal_range(name);
      for (auto it = from; it != to; ++it) {
        for (std::size_t n = ValueLineCount(lines_, it->second), i = 0; i < n; ++i) {
          removed_.insert(it->second + i);
        }
        replaced_.erase(it->second);
        first = std::min(first, it->second);
        found = true;
      }
    }
    if (c.kind == RegistryChange::Kind::kDeleteValue) {
      if (!found) error = "the value '" + c.value.name + "' of " + c.path + " is not found in it";
      return found;
    }
    std::string line = ValueLine(c.value);
    if (first != lines_.size()) {
      replaced_[first] = std::move(line);
    } else {
      Added& to = added_[upper];
      if (key == keys_.end() && to.path.empty()) {
        to.path = path;
        new_sections_.push_back(upper);
      }
      to.Set(name, std::move(line));
    }
    return true;
  }

  std::size_t NewSections() const { return new_sections_.size(); }

  std::vector<std::uint8_t> Result(std::string_view all, std::time_t now) const {
    std::string out;
    out.reserve(all.size());
    const auto ended = [&out] {
      if (!out.empty() && out.back() != '\n') out += '\n';
    };
    std::map<std::size_t, const Added*> after;
    for (const auto& [upper, values] : added_) {
      const auto key = keys_.find(upper);
      if (key != keys_.end()) after[key->second.last] = &values;
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const auto r = replaced_.find(i);
      if (r != replaced_.end()) {
        out += r->second;
      } else if (removed_.count(i) == 0) {
        out.append(all.substr(lines_[i].begin, lines_[i].end - lines_[i].begin));
      }
      const auto a = after.find(i);
      if (a == after.end()) continue;
      for (const auto& v : a->second->values) {
        ended();
        out += v.second;
      }
    }
    for (const std::string& upper : new_sections_) {
      const Added& section = added_.at(upper);
      ended();
      out += SectionHeader(section.path, now);
      for (const auto& v : section.values) out += v.second;
    }
    return {out.begin(), out.end()};
  }

 private:
  std::vector<Line> lines_;
  std::string base_;
  std::map<std::string, KeyLines> keys_;
  std::map<std::string, std::string> links_;  // upper-cased key, target as written
  std::set<std::size_t> removed_;
  std::map<std::size_t, std::string> replaced_;  // a value's first line, set anew
  std::map<std::string, Added> added_;
  std::vector<std::string> new_sections_;
};

// What the registry holds at `path`'s value `name`, if anything.
std::optional<RegValue> ValueAt(MemoryRegistry& r, const std::string& path,
                                const std::string& name) {
  ScopedKey<MemoryRegistry> key(r);
  RegValue v;
  if (r.OpenKey(kHkeyLocalMachine, path, key.Put()) != kRegOk ||
      r.QueryValue(key.Get(), name, v) != kRegOk) {
    return std::nullopt;
  }
  return v;
}

}  // namespace

Result<WineTextEdit> EditWineText(std::span<const std::uint8_t> text,
                                  const std::vector<RegistryChange>& changes, std::time_t now) {
  WineTextEdit edited;
  const auto refused = [](std::string why) { return Failure{kErrInvalidData, std::move(why)}; };
  // Only a file that reads whole is edited: its lines are then known.
  MemoryRegistry expected;
  const WineRegistryRead read = ReadWineRegistry(text, expected, kHkeyLocalMachine);
  if (!IsWineRegistryText(text) || !read.ok()) {
    return refused("it does not read as Wine registry text (" + read.detail() + ")");
  }
  const std::string_view all(reinterpret_cast<const char*>(text.data()), text.size());
  Edit edit(all);
  edit.Index();
  // Each value to delete was read from this file and deleted from what was
  // read: one not found now (the file changed, or a link leads out of it)
  // would be reported deleted while it stays, so the file is left alone.
  for (const RegistryChange& c : changes) {
    std::string why;
    if (!edit.Apply(c, why)) return refused(std::move(why));
    if (c.kind == RegistryChange::Kind::kDeleteValue) ++edited.removed;
    // What the text must read back as: the text as read, changed in order.
    ScopedKey<MemoryRegistry> key(expected);
    if (expected.CreateKeyForWrite(kHkeyLocalMachine, c.path, key.Put()) != kRegOk) continue;
    if (c.kind == RegistryChange::Kind::kSetValue) {
      (void)expected.WriteValue(key.Get(), c.value);  // read back below either way
    } else if (c.kind == RegistryChange::Kind::kDeleteValue) {
      (void)expected.DeleteValue(key.Get(), c.value.name);  // may be gone already
    }
  }
  edited.text = edit.Result(all, now);

  MemoryRegistry after;
  const WineRegistryRead reread = ReadWineRegistry(edited.text, after, kHkeyLocalMachine);
  if (!reread.ok() || reread->keys != read->keys + edit.NewSections()) {
    return refused("the edited text does not read back with every key");
  }
  for (const RegistryChange& c : changes) {
    ScopedKey<MemoryRegistry> key(after);
    if (after.OpenKey(kHkeyLocalMachine, c.path, key.Put()) != kRegOk) {
      return refused("the key " + c.path + " would not be there");
    }
    if (c.kind == RegistryChange::Kind::kCreateKey) continue;
    const std::optional<RegValue> want = ValueAt(expected, c.path, c.value.name);
    const std::optional<RegValue> got = ValueAt(after, c.path, c.value.name);
    if (want.has_value() != got.has_value() ||
        (want && (want->type != got->type || want->data != got->data))) {
      return refused("the value '" + c.value.name + "' of " + c.path + " would not read back");
    }
  }
  return edited;
}

}  // namespace qm::posix

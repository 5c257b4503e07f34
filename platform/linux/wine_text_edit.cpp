#include "platform/linux/wine_text_edit.h"

#include <map>
#include <optional>
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

struct KeyLines {
  // The first line of each of its values, by the upper-cased name: a repair
  // may take thousands of values out of one key.
  std::unordered_multimap<std::string, std::size_t> values;
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
        keys_[key];
        link = false;
      } else if (t == "#link") {
        link = true;
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
          links_[key] = text::UpperCase(text::Utf16ToWtf8(target));
        }
        i += n - 1;
      }
    }
  }

  // The key as the file stores it, its links followed.
  std::string Resolve(const std::string& key) const {
    std::string path = text::UpperCase(key);
    for (int followed = 0; followed < kMaxLinks; ++followed) {
      bool again = false;
      for (std::size_t cut = 0; cut <= path.size() && !again; ++cut) {
        if (cut != path.size() && path[cut] != '\\') continue;
        const auto link = links_.find(path.substr(0, cut));
        if (link == links_.end()) continue;
        // Wine's link targets name the key from the top of the registry.
        const std::string top = "\\" + base_ + "\\";
        if (link->second.compare(0, top.size(), top) != 0) return {};
        path = link->second.substr(top.size()) + path.substr(cut);
        again = true;
      }
      if (!again) return path;
    }
    return {};
  }

  // Marks the named value's lines for removal; false when it is not there.
  bool Remove(const WineValueDeletion& d) {
    const auto key = keys_.find(Resolve(d.key));
    if (key == keys_.end()) return false;
    bool found = false;
    const auto [from, to] = key->second.values.equal_range(text::UpperCase(d.name));
    for (auto it = from; it != to; ++it) {
      const std::size_t first = it->second;
      for (std::size_t n = ValueLineCount(lines_, first), i = 0; i < n; ++i) {
        removed_lines_[first + i] = true;
      }
      found = true;
    }
    return found;
  }

  std::vector<std::uint8_t> Result(std::string_view all) const {
    std::vector<std::uint8_t> out;
    out.reserve(all.size());
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (removed_lines_.count(i) != 0) continue;
      out.insert(out.end(), all.begin() + static_cast<std::ptrdiff_t>(lines_[i].begin),
                 all.begin() + static_cast<std::ptrdiff_t>(lines_[i].end));
    }
    return out;
  }

 private:
  std::vector<Line> lines_;
  std::string base_;
  std::map<std::string, KeyLines> keys_;
  std::map<std::string, std::string> links_;
  std::map<std::size_t, bool> removed_lines_;
};

}  // namespace

WineTextEdited DeleteWineValues(std::span<const std::uint8_t> text,
                                const std::vector<WineValueDeletion>& deletions) {
  WineTextEdited edited;
  // Only a file that reads whole is edited: its lines are then known.
  MemoryRegistry before;
  const WineRegistryRead read = ReadWineRegistry(text, before, kHkeyLocalMachine);
  if (!IsWineRegistryText(text) || !read.ok) {
    edited.error = "it does not read as Wine registry text (line " + std::to_string(read.line) +
                   ": " + read.error + ")";
    return edited;
  }
  const std::string_view all(reinterpret_cast<const char*>(text.data()), text.size());
  Edit edit(all);
  edit.Index();
  // Each value was read from this file and deleted from what was read: one
  // not found now (the file changed, or a link leads out of it) would be
  // reported deleted while it stays, so the file is left alone.
  for (const WineValueDeletion& d : deletions) {
    if (!edit.Remove(d)) {
      edited.error = "the value '" + d.name + "' of " + d.key + " is not found in it";
      return edited;
    }
    ++edited.removed;
  }
  edited.text = edit.Result(all);

  MemoryRegistry after;
  const WineRegistryRead reread = ReadWineRegistry(edited.text, after, kHkeyLocalMachine);
  if (!reread.ok || reread.keys != read.keys) {
    edited.error = "the edited text does not read back with every key";
    return edited;
  }
  for (const WineValueDeletion& d : deletions) {
    ScopedKey<MemoryRegistry> key(after);
    RegValue v;
    if (after.OpenKey(kHkeyLocalMachine, d.key, key.Put()) == kRegOk &&
        after.QueryValue(key.Get(), d.name, v) == kRegOk) {
      edited.error = "the value '" + d.name + "' of " + d.key + " would still be there";
      return edited;
    }
  }
  edited.ok = true;
  return edited;
}

}  // namespace qm::posix

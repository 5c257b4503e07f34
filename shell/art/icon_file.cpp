#include "shell/art/icon_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>

namespace qm::art {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, unsigned v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, unsigned v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

void Header(Bytes& b, int size, int bits, int colours) {
  Put32(b, 40);
  Put32(b, size);
  Put32(b, size * 2);  // colour rows and mask rows
  Put16(b, 1);
  Put16(b, bits);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, colours);
  Put32(b, 0);
}

// The 1-bit mask: set where the pixel is transparent.
void Mask(Bytes& b, const Canvas& c) {
  const int n = c.Width();
  const int row = ((n + 31) / 32) * 4;
  for (int y = n - 1; y >= 0; --y) {
    Bytes line(row, 0);
    for (int x = 0; x < n; ++x) {
      if (c.AlphaAt(x, y) < 128) line[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    b.insert(b.end(), line.begin(), line.end());
  }
}

Bytes Image32(const Canvas& c) {
  Bytes b;
  const int n = c.Width();
  Header(b, n, 32, 0);
  for (int y = n - 1; y >= 0; --y) {
    for (int x = 0; x < n; ++x) {
      const Rgb p = c.At(x, y);
      b.push_back(p.b);
      b.push_back(p.g);
      b.push_back(p.r);
      b.push_back(c.AlphaAt(x, y));
    }
  }
  Mask(b, c);
  return b;
}

// 256 colours: the most frequent colours of the opaque pixels (at 15-bit
// precision), each pixel mapped to its nearest palette entry.
Bytes Image8(const Canvas& c) {
  const int n = c.Width();
  std::map<unsigned, int> counts;
  auto key = [](Rgb p) { return (p.r >> 3) << 10 | (p.g >> 3) << 5 | (p.b >> 3); };
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      if (c.AlphaAt(x, y) >= 128) ++counts[key(c.At(x, y))];
    }
  }
  std::vector<std::pair<int, unsigned>> order;
  for (const auto& [k, count] : counts) order.emplace_back(-count, k);
  std::sort(order.begin(), order.end());
  std::vector<Rgb> palette;
  for (const auto& [count, k] : order) {
    if (palette.size() == 256) break;
    auto expand = [](unsigned v) { return static_cast<std::uint8_t>((v << 3) | (v >> 2)); };
    palette.push_back({expand((k >> 10) & 31), expand((k >> 5) & 31), expand(k & 31)});
  }
  if (palette.empty()) palette.push_back({});
  Bytes b;
  Header(b, n, 8, 256);
  for (int i = 0; i < 256; ++i) {
    const Rgb p = i < static_cast<int>(palette.size()) ? palette[i] : Rgb{};
    b.push_back(p.b);
    b.push_back(p.g);
    b.push_back(p.r);
    b.push_back(0);
  }
  const int row = (n + 3) & ~3;
  for (int y = n - 1; y >= 0; --y) {
    Bytes line(row, 0);
    for (int x = 0; x < n; ++x) {
      if (c.AlphaAt(x, y) < 128) continue;
      const Rgb p = c.At(x, y);
      int best = 0;
      long best_d = -1;
      for (int i = 0; i < static_cast<int>(palette.size()); ++i) {
        const long dr = p.r - palette[i].r, dg = p.g - palette[i].g, db = p.b - palette[i].b;
        const long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
        if (best_d < 0 || d < best_d) {
          best_d = d;
          best = i;
        }
      }
      line[x] = static_cast<std::uint8_t>(best);
    }
    b.insert(b.end(), line.begin(), line.end());
  }
  Mask(b, c);
  return b;
}

}  // namespace

bool SaveIcon(const std::wstring& path, const std::vector<const Canvas*>& images) {
  std::vector<std::pair<int, Bytes>> entries;  // (bits, image)
  for (const Canvas* c : images) entries.emplace_back(8, Image8(*c));
  for (const Canvas* c : images) entries.emplace_back(32, Image32(*c));
  Bytes file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, static_cast<unsigned>(entries.size()));
  unsigned offset = 6 + 16 * static_cast<unsigned>(entries.size());
  const std::size_t count = images.size();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const int n = images[i % count]->Width();
    file.push_back(static_cast<std::uint8_t>(n >= 256 ? 0 : n));
    file.push_back(static_cast<std::uint8_t>(n >= 256 ? 0 : n));
    file.push_back(0);  // colour count: 0 for 256 colours and more
    file.push_back(0);
    Put16(file, 1);
    Put16(file, entries[i].first);
    Put32(file, static_cast<unsigned>(entries[i].second.size()));
    Put32(file, offset);
    offset += static_cast<unsigned>(entries[i].second.size());
  }
  for (const auto& [bits, data] : entries) file.insert(file.end(), data.begin(), data.end());
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (f == nullptr) return false;
  bool ok = fwrite(file.data(), 1, file.size(), f) == file.size();
  ok = fclose(f) == 0 && ok;
  return ok;
}

}  // namespace qm::art

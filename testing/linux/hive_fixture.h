// Hive files for tests, made here rather than shipped: an empty hive
// written from the public description of the regf format (a 4 KiB base
// block, then one 4 KiB bin holding the root key and its security cell),
// filled through hivex as a program would.
#pragma once

#include <hivex.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace qm::testing {

inline void PutU16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The bytes of a hive with only its root key, named `root_name`. The two
// sequence numbers are `primary` and `secondary` (equal: cleanly closed).
inline std::vector<std::uint8_t> EmptyHive(const std::string& root_name = "ROOT",
                                           std::uint32_t primary = 1, std::uint32_t secondary = 1) {
  constexpr std::size_t kBase = 4096, kBin = 4096;
  std::vector<std::uint8_t> b(kBase + kBin, 0);
  std::memcpy(&b[0], "regf", 4);
  PutU32(b, 4, primary);
  PutU32(b, 8, secondary);
  PutU32(b, 20, 1);       // major version
  PutU32(b, 24, 3);       // minor version
  PutU32(b, 28, 0);       // a primary file
  PutU32(b, 32, 1);       // direct memory load
  PutU32(b, 36, 0x20);    // root cell, from the first bin
  PutU32(b, 40, kBin);    // bins' size
  PutU32(b, 44, 1);       // clustering factor
  std::uint32_t sum = 0;  // XOR of the first 127 double words
  for (std::size_t i = 0; i < 508; i += 4) {
    sum ^= b[i] | b[i + 1] << 8 | b[i + 2] << 16 | static_cast<std::uint32_t>(b[i + 3]) << 24;
  }
  PutU32(b, 508, sum);

  const std::size_t bin = kBase;
  std::memcpy(&b[bin], "hbin", 4);
  PutU32(b, bin + 4, 0);  // its offset from the first bin
  PutU32(b, bin + 8, kBin);

  // The root key's cell ("nk"), its size negative as an allocated cell's.
  const std::size_t nk = bin + 0x20;
  const std::size_t nk_size = (4 + 76 + root_name.size() + 7) / 8 * 8;
  const std::size_t sk = nk + nk_size;
  const std::size_t sk_size = 48;
  PutU32(b, nk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(nk_size)));
  std::memcpy(&b[nk + 4], "nk", 2);
  PutU16(b, nk + 6, 0x2C);             // hive entry, not deletable, ASCII name
  PutU32(b, nk + 4 + 16, 0xFFFFFFFF);  // parent
  PutU32(b, nk + 4 + 28, 0xFFFFFFFF);  // subkey list
  PutU32(b, nk + 4 + 32, 0xFFFFFFFF);  // volatile subkey list
  PutU32(b, nk + 4 + 40, 0xFFFFFFFF);  // value list
  PutU32(b, nk + 4 + 44, static_cast<std::uint32_t>(sk - bin));
  PutU32(b, nk + 4 + 48, 0xFFFFFFFF);  // class name
  PutU16(b, nk + 4 + 72, static_cast<std::uint16_t>(root_name.size()));
  std::memcpy(&b[nk + 4 + 76], root_name.data(), root_name.size());

  // Its security cell ("sk"), a list of one: a self-relative descriptor
  // with no owner, group or lists.
  PutU32(b, sk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(sk_size)));
  std::memcpy(&b[sk + 4], "sk", 2);
  PutU32(b, sk + 8, static_cast<std::uint32_t>(sk - bin));   // next
  PutU32(b, sk + 12, static_cast<std::uint32_t>(sk - bin));  // previous
  PutU32(b, sk + 16, 1);                                     // references
  PutU32(b, sk + 20, 20);                                    // descriptor size
  b[sk + 24] = 1;                                            // revision
  PutU16(b, sk + 26, 0x8004);                                // self-relative, DACL present

  // The rest of the bin is one free cell.
  const std::size_t free_at = sk + sk_size;
  PutU32(b, free_at, static_cast<std::uint32_t>(bin + kBin - free_at));
  return b;
}

inline bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// One value to set: a string (stored as UTF-16LE with its NUL) or raw data.
struct HiveValue {
  std::string name;
  std::uint32_t type;
  std::vector<std::uint8_t> data;
};
inline HiveValue StringValue(std::string name, const std::string& ascii,
                             std::uint32_t type = 1 /* REG_SZ */) {
  HiveValue v{std::move(name), type, {}};
  for (char c : ascii) {
    v.data.push_back(static_cast<std::uint8_t>(c));
    v.data.push_back(0);
  }
  v.data.push_back(0);
  v.data.push_back(0);
  return v;
}
inline HiveValue DwordValue(std::string name, std::uint32_t x) {
  HiveValue v{std::move(name), 4 /* REG_DWORD */, std::vector<std::uint8_t>(4)};
  PutU32(v.data, 0, x);
  return v;
}

struct HiveKey {
  std::string path;  // below the root, "\"-separated
  std::vector<HiveValue> values;
};

// Writes an empty hive to `path`, then creates the keys (in order; keys on
// the way are made too) and their values with hivex. False on any failure.
inline bool MakeHive(const std::string& path, const std::vector<HiveKey>& keys) {
  if (!WriteFile(path, EmptyHive())) return false;
  hive_h* h = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
  if (h == nullptr) return false;
  bool ok = true;
  for (const HiveKey& k : keys) {
    hive_node_h node = hivex_root(h);
    std::size_t pos = 0;
    while (ok && pos < k.path.size()) {
      std::size_t end = k.path.find('\\', pos);
      if (end == std::string::npos) end = k.path.size();
      const std::string part = k.path.substr(pos, end - pos);
      pos = end + 1;
      hive_node_h child = hivex_node_get_child(h, node, part.c_str());
      if (child == 0) child = hivex_node_add_child(h, node, part.c_str());
      ok = child != 0;
      node = child;
    }
    std::vector<hive_set_value> set;
    for (const HiveValue& v : k.values) {
      set.push_back({const_cast<char*>(v.name.c_str()), static_cast<hive_type>(v.type),
                     v.data.size(),
                     const_cast<char*>(reinterpret_cast<const char*>(v.data.data()))});
    }
    if (ok && !set.empty()) ok = hivex_node_set_values(h, node, set.size(), set.data(), 0) == 0;
  }
  if (ok) ok = hivex_commit(h, nullptr, 0) == 0;
  hivex_close(h);
  return ok;
}

}  // namespace qm::testing

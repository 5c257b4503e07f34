// The rules that turn the registry search's finds into invalid references:
// values whose text names a program file on the system drive that does not
// exist by any reading of the text.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "scan/error_list.h"
#include "scan/value_format.h"

namespace qm {

// The system drive, "C:" for example: the first two characters of the
// system directory, upper-cased. "C:" when the system gives no usable answer.
[[nodiscard]] std::string SystemDrive(FileSystem& fs);

// A text is read as a path in several ways, each a "reading" of it from
// the drive on; a path ends before any of / * ? " < > | and before a colon
// from the third character on, and " %1" is left out of it.

// The first reading, upper-cased: the path of the first file that `text`
// names on `drive`, or the drive alone when the text does not contain it.
// It ends after the earliest program-file extension that stands at the end
// of a name. It is the row's path.
[[nodiscard]] std::string ExtractFilePath(std::string_view text, std::string_view drive);
// The same path in the letters the text uses (the upper-cased drive alone
// when the text lacks it). Upper-casing that changes a character's length in bytes
// leaves no such spelling: then it is the upper-cased path.
[[nodiscard]] std::string ExtractFilePathAsWritten(std::string_view text, std::string_view drive);
// The other readings, in the text's letters as above, each once and none
// equal to the first: the text cut after every later extension that ends a
// name, then the whole path-character run with trailing blanks and dots
// trimmed. Empty when the text does not contain the drive.
[[nodiscard]] std::vector<std::string> FurtherReadingsAsWritten(std::string_view text,
                                                                std::string_view drive);

// True when a file or folder of that name exists as Windows resolves the
// path (ResolvePath: system folders, short names, trailing dots), or when
// its existence cannot be checked.
[[nodiscard]] bool PathExists(FileSystem& fs, std::string_view path);

// True when the path ends with one of the thirteen program-file extensions.
[[nodiscard]] bool HasProgramExtension(std::string_view path);

// "KEY_NAME", "VALUE NAME", "VALUE VALUE" for lFound 0, 1, 2; else empty.
[[nodiscard]] std::string_view KindText(std::int32_t lFound);

// "找不到文件：" and the row's missing file, as the scan window's tip and the
// command line's report name it.
inline constexpr std::string_view kMissingFileLabel = "找不到文件：";
[[nodiscard]] std::string MissingFileText(const RegErrorRow& row);
// Why a row is listed, whole, one line each: the root and key path, the
// value's name, its text and the missing file.
[[nodiscard]] std::string RowTipText(const RegErrorRow& row);
// The row as one line of text for the clipboard: root, key path, value
// name, value and missing file, tab-separated.
[[nodiscard]] std::string RowCopyText(const RegErrorRow& row);

// Whether the user asked never to list the value `value_name` of the key
// `key_path` under the root named `root`.
using IgnoredValue = std::function<bool(std::string_view root, std::string_view key_path,
                                        std::string_view value_name)>;

// The rule for one find of the search.
class InvalidReferenceRule {
 public:
  // `environment` expands the %NAME% of texts as the value's owner would;
  // without one, a text naming a variable cannot be checked and is never a
  // row.
  explicit InvalidReferenceRule(FileSystem& fs, IgnoredValue ignored = {},
                                const Environment* environment = nullptr);
  ~InvalidReferenceRule();
  InvalidReferenceRule(const InvalidReferenceRule&) = delete;
  InvalidReferenceRule& operator=(const InvalidReferenceRule&) = delete;

  [[nodiscard]] const std::string& Drive() const { return drive_; }
  // The categories whose values may become rows; all unless set.
  void SetCategories(CategorySet categories) { categories_ = categories; }
  // The row to list when the find is an invalid reference. sValueName is
  // the value's own name, as SearchFound reports it; `stored` the value's
  // type and data, as cRegSearch::FoundData gives them. An ignored value is
  // never a row. A text holding %NAME% is read expanded, and not listed
  // when a variable is unknown. A multi-string is listed only when none of
  // its later strings names an existing program file or cannot be
  // checked. Not const: the rule cuts the text in buffers of its own, kept
  // for the next find (one thread at a time).
  [[nodiscard]] std::optional<RegErrorRow> Judge(std::string_view sRootKey, std::string_view sKey,
                                                 std::string_view sValue, std::int32_t lFound,
                                                 std::string_view sValueName = {},
                                                 const StoredData& stored = {});

 private:
  struct Buffers;
  enum class Naming { kNoProgramFile, kPresent, kMissing, kUnknowable };
  [[nodiscard]] Naming ReadCut();
  [[nodiscard]] Naming Read(std::string_view text);

  FileSystem& fs_;
  std::string drive_;
  IgnoredValue ignored_;
  const Environment* environment_;
  CategorySet categories_ = CategorySet::All();
  std::unique_ptr<Buffers> buffers_;
};

}  // namespace qm

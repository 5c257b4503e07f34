#include "app/scan_row_menu.h"

#include <optional>
#include <string>
#include <utility>

#include "app/system_services.h"
#include "platform/message_styles.h"
#include "platform/text.h"
#include "platform/win32/clipboard.h"
#include "platform/win32/handles.h"
#include "repair/win32/registry_editor_process.h"
#include "scan/rules.h"

namespace qm::app {

namespace {

std::string IgnoreFailureText(IgnoreStatus status, const std::string& path) {
  switch (status) {
    case IgnoreStatus::kUnwritableName:
      return "无法忽略此项：其键名含有忽略列表无法保存的字符。";
    case IgnoreStatus::kReadFailed:
      return "无法读取忽略列表：" + path;
    default:
      return "无法保存忽略列表：" + path;
  }
}

}  // namespace

void ScanRowMenu::Open(HWND owner, ErrorList& rows, std::size_t row, POINT at, bool busy) {
  win32::UniqueMenu menu(CreatePopupMenu());
  if (!menu) return;
  AppendMenuW(menu.Get(), MF_STRING, kMenuCopy, L"复制");
  AppendMenuW(menu.Get(), MF_STRING, kMenuOpenInEditor, L"在注册表编辑器中打开");
  AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
  // A row repaired or skipped is no longer a find to exclude.
  const UINT ignore_flags = MF_STRING | (busy ? MF_GRAYED : 0);
  AppendMenuW(menu.Get(), ignore_flags, kMenuIgnoreValue, L"忽略此项");
  AppendMenuW(menu.Get(), ignore_flags, kMenuIgnoreKey, L"忽略此键");
  const UINT chosen = chooser_ ? chooser_(menu.Get(), at)
                               : static_cast<UINT>(TrackPopupMenu(
                                     menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                     at.x, at.y, 0, owner, nullptr));
  // The row is looked up once chosen: the menu's own message loop came first.
  switch (chosen) {
    case kMenuCopy:
      CopyRow(owner, rows.Rows()[row]);
      break;
    case kMenuOpenInEditor:
      OpenRowInEditor(rows.Rows()[row]);
      break;
    case kMenuIgnoreValue:
    case kMenuIgnoreKey:
      // A copy: ignoring removes the row itself from the list.
      if (!busy) IgnoreRow(rows.Rows()[row], chosen == kMenuIgnoreKey);
      break;
    default:
      break;
  }
}

void ScanRowMenu::CopyRow(HWND owner, const RegErrorRow& r) {
  const std::uint32_t error = win32::PutClipboardText(owner, text::DisplayUtf8(RowCopyText(r)));
  if (error != 0) {
    services_.ShowMessage("无法复制到剪贴板：错误代码 " + std::to_string(error) + "。",
                          kMessageExclamation);
  }
}

void ScanRowMenu::OpenRowInEditor(const RegErrorRow& r) {
  std::uint32_t error = win32::SetRegistryEditorLastKey(r.root, r.key_path);
  if (error == 0) error = editor_starter_ ? editor_starter_() : win32::StartRegistryEditor();
  if (error != 0) {
    services_.ShowMessage("无法在注册表编辑器中打开：" + r.root + "\\" + r.key_path +
                              "\n错误代码 " + std::to_string(error) + "。",
                          kMessageExclamation);
  }
}

void ScanRowMenu::ReloadIgnoreList() {
  ignore_ = IgnoreList();
  for (const std::string& path : system_.IgnoreFiles()) {
    const Result<IgnoreList> load = LoadIgnoreList(system_.files, path);
    if (load.ok()) ignore_.Merge(load.value());
    // Unreadable, the list filters nothing here, and the user is told why
    // rows they excluded are back; the repair run refuses to delete
    // anything until it can be read.
    if (!load.ok()) {
      services_.ShowMessage(
          "无法读取忽略列表：" + path + "\n错误代码 " + std::to_string(load.code()) +
              "。\n本次扫描不排除任何项目；在能读取该列表之前，修复不会删除任何注册表值。",
          kMessageExclamation);
    }
  }
}

void ScanRowMenu::IgnoreRow(RegErrorRow r, bool whole_key) {
  IgnoreEntry entry{r.root, r.key_path, std::nullopt};
  if (!whole_key) entry.value_name = r.value_name;
  const std::string path = system_.IgnoreFile();
  const IgnoreStatus status = AddToIgnoreFile(system_.files, path, entry, &ignore_);
  if (status != IgnoreStatus::kOk && status != IgnoreStatus::kAlreadyListed) {
    services_.ShowMessage(IgnoreFailureText(status, path), kMessageExclamation);
    return;
  }
  remove_rows_(
      [this](const RegErrorRow& x) { return ignore_.Covers(x.root, x.key_path, x.value_name); });
}

}  // namespace qm::app

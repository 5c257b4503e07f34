// quillmar-cli records: the records window's three figures.
#include "cli/win32/commands.h"
#include "cli/win32/console.h"
#include "platform/win32/profile.h"
#include "profile/records_figures.h"

namespace qm::cli {

namespace {

class ConsoleRecords final : public RecordsView {
 public:
  void ShowFigure(RecordFigure figure, const std::string& text) override {
    switch (figure) {
      case RecordFigure::kLastScanTime:
        out_ += "上次扫描时间：" + text + "\n";
        break;
      case RecordFigure::kErrorCount:
        out_ += "错误个数：" + text + "\n";
        break;
      case RecordFigure::kFixedCount:
        out_ += "已修复错误：" + text + "\n";
        break;
    }
  }
  [[nodiscard]] bool YieldToEvents() override { return true; }
  [[nodiscard]] const std::string& Text() const { return out_; }

 private:
  std::string out_;
};

}  // namespace

int RecordsCommand() {
  win32::Win32Profile profile;
  ConsoleRecords view;
  RefreshRecords(profile, ProfileFile(), view);
  Write(stdout, view.Text());
  return 0;
}

}  // namespace qm::cli

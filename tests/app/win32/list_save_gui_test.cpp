// Saving a list through the real save-file dialog, answered as an operator would.
// windows.h must come before every other Windows header.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/app/win32/gui_harness_win32.h"
#include "ui/list_save_win32.h"
#include "ui/window_kit_win32.h"

namespace tq::test {
namespace {

constexpr int kList = 300;
constexpr ListSaveTexts kTexts = {"Sample Log File", "Save Sample Log", "Sample log saved to %s"};

class ListSave : public testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    host_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 300, 200, host_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kList)), GetModuleHandleA(nullptr),
                    nullptr);
    WPARAM index = 0;
    for (const char* title : {"Counter", "Message"}) {
      std::string text = title;
      LVCOLUMNA column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.pszText = text.data();
      column.cx = 80;
      SendDlgItemMessageA(host_, kList, LVM_INSERTCOLUMNA, index++,
                          reinterpret_cast<LPARAM>(&column));
    }
  }
  void TearDown() override { DestroyWindow(host_); }

  // Saves through the dialog, typing `file` as its name; returns the message boxes shown.
  std::vector<ModalSeen> save_as(const std::string& file) {
    ModalScript script([&](HWND modal) {
      if (answer_save_dialog(modal, file)) return true;
      PostMessageA(modal, WM_COMMAND, IDOK, 0);  // a message box
      return true;
    });
    save_list_to_file(host_, kList, 2, kTexts, path_);
    std::vector<ModalSeen> boxes;
    for (const ModalSeen& seen : script.seen()) {
      if (seen.caption == kTexts.caption) boxes.push_back(seen);
    }
    return boxes;
  }

  HWND host_ = nullptr;
  std::string path_;
};

std::string read_file(const std::string& windows_path) {
  std::ifstream in(windows_path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(ListSave, WritesTheListAndSaysWhere) {
  apply_list_row(host_, kList, {ListRow::Change::kInsert, 0, {"00000001", "hello, world"}, 0});
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string file = std::string(temp) + "tarnquill-list-save.log";
  DeleteFileA(file.c_str());
  const auto boxes = save_as(file);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Sample log saved to " + file);
  EXPECT_EQ(read_file(file), "Counter,Message\r\n00000001,\"hello, world\"\r\n");
  EXPECT_EQ(path_, file);  // offered again next time
  DeleteFileA(file.c_str());
}

TEST_F(ListSave, AnEmptyListWritesTheHeaderAndSaysNothing) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string file = std::string(temp) + "tarnquill-list-empty.log";
  EXPECT_TRUE(save_as(file).empty());
  EXPECT_EQ(read_file(file), "Counter,Message\r\n");
  DeleteFileA(file.c_str());
}

TEST_F(ListSave, AFileThatCannotBeWrittenIsNeverReportedAsSaved) {
  apply_list_row(host_, kList, {ListRow::Change::kInsert, 0, {"1", "m"}, 0});
  // A file that opens and refuses every byte: the test's link to the system's full device.
  const char* full_file = std::getenv("TARNQUILL_FULL_FILE");
  ASSERT_NE(full_file, nullptr) << "the test needs a file on a full device";
  const auto full = save_as(full_file);
  ASSERT_EQ(full.size(), 1u);
  EXPECT_EQ(full[0].text, std::string("Unable to write ") + full_file);
  const auto missing = save_as("Z:\\no-such-folder\\x.log");
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_EQ(missing[0].text, "Unable to open Z:\\no-such-folder\\x.log for write");
}

}  // namespace
}  // namespace tq::test

// The status area on a real multi-line edit control: a record far past the
// control's default limit, the current line replaced in place, the oldest
// lines taken out, and the view left where the user scrolled it.
#include "gui/win32/status_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace vmt::gui {
namespace {

std::wstring line(int i) {
  return L"\t--> " + std::wstring(80, L'x') + std::to_wstring(i) + L".raw:\t512 of 512 (100 %)\r\n";
}

TEST(StatusEdit, TheRecordGrowsInPlaceAndTheViewStaysWhereTheUserScrolledIt) {
  const HWND frame = CreateWindowExW(0, L"STATIC", L"status edit test", WS_OVERLAPPED | WS_VISIBLE,
                                     0, 0, 600, 200, nullptr, nullptr, nullptr, nullptr);
  if (frame == nullptr) GTEST_SKIP() << "no display to create a window on";
  // The styles of the main window's status area.
  const HWND edit = CreateWindowExW(
      0, L"EDIT", L"",
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 0, 0, 500,
      90, frame, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, edit);
  StatusEdit status;
  status.attach(Window(edit));
  auto text = [&] {
    std::wstring buffer(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    buffer.resize(static_cast<std::size_t>(
        GetWindowTextW(edit, buffer.data(), static_cast<int>(buffer.size()))));
    return buffer;
  };
  auto first_line = [&] {
    return static_cast<int>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  };
  auto selection = [&] {
    DWORD from = 0, to = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    return std::make_pair(std::size_t{from}, std::size_t{to});
  };
  auto shows_last_line = [&] {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(edit, SB_VERT, &info);
    return info.nPos + static_cast<int>(info.nPage) > info.nMax;
  };
  // A long run's record: a line for each copy, its progress line before it.
  auto fill = [&](int from, int to) {
    std::wstring record;
    for (int i = from; i < to; ++i) {
      status.set_line(L"\t--> " + std::to_wstring(i) + L".raw:\t0 of 512 (0 %)");
      status.set_line(L"");
      status.append_record(line(i));
      record += line(i);
    }
    return record;
  };

  // Far past the control's default limit, the current line always last.
  status.set_line(L"Initializing, please wait...");
  std::wstring record = fill(0, 300);
  ASSERT_GT(record.size(), 33000u);
  status.set_line(L"Ready.");
  EXPECT_EQ(record + L"Ready.", text());
  EXPECT_TRUE(shows_last_line());
  // The oldest lines leave; the area still shows its end.
  std::size_t gone = line(0).size() + line(1).size();
  status.drop_record(gone);
  record.erase(0, gone);
  EXPECT_EQ(record + L"Ready.", text());
  EXPECT_TRUE(shows_last_line());

  // The user scrolls up to line 40 and selects part of it; new lines move neither.
  SendMessageW(edit, WM_VSCROLL, SB_TOP, 0);
  SendMessageW(edit, EM_LINESCROLL, 0, 40);
  ASSERT_EQ(40, first_line());
  const auto top = static_cast<std::size_t>(SendMessageW(edit, EM_LINEINDEX, 40, 0));
  SendMessageW(edit, EM_SETSEL, top, static_cast<LPARAM>(top + 5));
  record += fill(300, 330);
  status.set_line(L"Ready.");
  EXPECT_EQ(record + L"Ready.", text());
  EXPECT_EQ(40, first_line());
  EXPECT_FALSE(shows_last_line());
  EXPECT_EQ(std::make_pair(top, top + 5), selection());

  // Lines that leave the top take the view along: the same text stays in it, selected.
  gone = 0;
  for (int i = 2; i < 12; ++i) gone += line(i).size();
  status.drop_record(gone);
  EXPECT_EQ(record.substr(gone) + L"Ready.", text());
  EXPECT_GT(first_line(), 0);
  EXPECT_EQ(top - gone,
            static_cast<std::size_t>(SendMessageW(edit, EM_LINEINDEX, first_line(), 0)));
  EXPECT_EQ(std::make_pair(top - gone, top - gone + 5), selection());

  // Back at the end, the area follows it again.
  SendMessageW(edit, WM_VSCROLL, SB_BOTTOM, 0);
  fill(330, 335);
  EXPECT_TRUE(shows_last_line());
  DestroyWindow(frame);
}

}  // namespace
}  // namespace vmt::gui

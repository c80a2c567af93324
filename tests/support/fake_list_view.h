// A list view that records what the logic puts into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/pane_list.h"

namespace vmt::test {

class FakeListView : public ui::PaneListView {
 public:
  struct Item {
    std::string name;
    int icon;
    std::map<int, std::string> texts;
    std::intptr_t data = -1;
  };
  void set_view_mode(ui::ViewMode m) override { mode = m; }
  void begin_fill(std::size_t count) override {
    held = true;
    announced = count;
  }
  void end_fill() override { held = false; }
  void delete_all_items() override {
    items.clear();
    ++clears;
    if (on_clear) on_clear();
  }
  bool insert_column(int, const ui::ListColumn& column) override {
    columns.push_back(column);
    return true;
  }
  bool set_column_heading(int index, const std::string& heading) override {
    columns.at(static_cast<std::size_t>(index)).heading = heading;
    return true;
  }
  int insert_item(const std::string& name, int icon) override {
    if (!held) ++drawn_while_filled;
    items.push_back({name, icon, {}});
    return static_cast<int>(items.size()) - 1;
  }
  bool set_subitem(int item, int column, const std::string& text) override {
    items.at(static_cast<std::size_t>(item)).texts[column] = text;
    return true;
  }
  bool set_item_data(int item, std::intptr_t data) override {
    items.at(static_cast<std::size_t>(item)).data = data;
    return true;
  }
  std::vector<int> selected_items() override { return selected; }
  std::intptr_t item_data(int item) override {
    return items.at(static_cast<std::size_t>(item)).data;
  }
  bool select_all() override {
    selected.clear();
    for (std::size_t i = 0; i < items.size(); ++i) selected.push_back(static_cast<int>(i));
    return true;
  }

  // The item names in list order.
  std::vector<std::string> names() const {
    std::vector<std::string> result;
    for (const Item& item : items) result.push_back(item.name);
    return result;
  }
  // The index of the item with this name, or -1.
  int index_of(const std::string& name) const {
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].name == name) return static_cast<int>(i);
    }
    return -1;
  }

  ui::ViewMode mode = ui::ViewMode::kList;
  std::vector<ui::ListColumn> columns;
  std::vector<Item> items;
  std::vector<int> selected;
  int clears = 0;  // times the list was emptied for a fill
  std::function<void()> on_clear;  // runs at each emptying
  bool held = false;           // between begin_fill and end_fill
  std::size_t announced = 0;   // the count the last fill announced
  int drawn_while_filled = 0;  // items inserted with the list redrawing
};

}  // namespace vmt::test

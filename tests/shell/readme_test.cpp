// The user's manual in README.md against the program's own tables, so that the two can't
// drift apart: the key table against the key bindings, the menu resource's item texts and
// the grayed states; the Vrinx.ini table against the configuration keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "shell/config.h"
#include "shell/menu.h"

namespace {

using Row = std::vector<std::string>;

std::string read_text(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The rows of the Markdown table under `header`, each cell trimmed.
std::vector<Row> table(const std::string& text, const std::string& header) {
  std::vector<Row> rows;
  size_t at = text.find(header + "\n");
  if (at == std::string::npos) return rows;
  std::istringstream lines(text.substr(at));
  std::string line;
  std::getline(lines, line);  // the header
  std::getline(lines, line);  // |---|...
  while (std::getline(lines, line) && line.rfind("| ", 0) == 0) {
    Row cells;
    std::istringstream parts(line.substr(2, line.size() - 4));
    for (std::string cell; std::getline(parts, cell, '|');) {
      size_t first = cell.find_first_not_of(' '), last = cell.find_last_not_of(' ');
      cells.push_back(first == std::string::npos ? "" : cell.substr(first, last + 1 - first));
    }
    rows.push_back(cells);
  }
  return rows;
}

std::vector<std::string> split_keys(const std::string& cell) {
  std::vector<std::string> keys;
  for (size_t from = 0, comma;; from = comma + 2) {
    comma = cell.find(", ", from);
    keys.push_back(cell.substr(from, comma - from));
    if (comma == std::string::npos) return keys;
  }
}

// The manual's key names as virtual-key codes (0: not a name the manual may use).
uint32_t key_code(const std::string& name) {
  static const std::map<std::string, uint32_t> kNamed = {
      {"F2", 0x71}, {"Space", 0x20},    {"Esc", 0x1B}, {"Pause", 0x13},
      {"+", 0xBB},  {"Numpad +", 0x6B}, {"-", 0xBD},   {"Numpad -", 0x6D},
  };
  if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') return uint32_t(name[0]);
  auto found = kNamed.find(name);
  return found == kNamed.end() ? 0 : found->second;
}

struct MenuItemText {
  std::string text, shortcut;
};

// Menu 109 of the resource script: item text and shortcut by command id.
std::map<uint32_t, MenuItemText> menu_items() {
  std::string script = read_text(VRINX_RESOURCE_SCRIPT);
  std::map<uint32_t, MenuItemText> items;
  std::regex item("MENUITEM \"([^\"\\\\]*)\\\\t([^\"]*)\", (\\d+)");
  for (std::sregex_iterator m(script.begin(), script.end(), item), end; m != end; ++m)
    items[uint32_t(std::stoul((*m)[3]))] = MenuItemText{(*m)[1], (*m)[2]};
  return items;
}

// Whether the menu grays the item: windowed, in full screen, in full screen locked at start.
std::string grayed_pattern(uint32_t id) {
  CrtSettings settings = {};
  std::string pattern;
  for (const MenuView& view :
       {MenuView{0, 0, 0, 0, 320, 200}, MenuView{1, 0, 0, 0, 1280, 1024}, MenuView{1, 1, 0, 0, 1280, 1024}}) {
    MenuItemState items[kMenuItemCount];
    menu_state(settings, view, items);
    for (const MenuItemState& item : items)
      if (item.id == id) pattern += item.grayed ? '1' : '0';
  }
  return pattern;
}

TEST(Readme, KeyTableIsTheProgramsKeysAndMenu) {
  const std::map<std::string, std::string> kGrayed = {
      {"—", "000"}, {"in full screen", "011"}, {"when full screen was chosen at start", "001"}};
  std::vector<Row> rows = table(read_text(VRINX_README), "| Key | Menu item | What it does | Greyed |");
  std::map<uint32_t, MenuItemText> items = menu_items();
  ASSERT_EQ(items.size(), size_t(kMenuItemCount));
  std::set<uint32_t> keys, commands;
  for (const Row& row : rows) {
    ASSERT_EQ(row.size(), 4u) << row[0];
    std::vector<std::string> names = split_keys(row[0]);
    uint32_t action = 0;
    for (const std::string& name : names) {
      uint32_t code = key_code(name);
      EXPECT_NE(code, 0u) << "unknown key name " << name;
      EXPECT_TRUE(action == 0 || menu_key_action(code) == action) << row[0] << ": keys of different actions";
      action = menu_key_action(code);
      EXPECT_NE(action, 0u) << name << " does nothing";
      keys.insert(code);
    }
    if (row[1] == "—") {
      EXPECT_TRUE(action == kKeyCrtFilters || action == kKeyStop) << row[0] << " has a menu item";
      EXPECT_EQ(row[3], "—") << row[0];
      continue;
    }
    commands.insert(action);
    EXPECT_EQ(items[action].text, row[1]) << row[0];
    EXPECT_EQ(std::count(names.begin(), names.end(), items[action].shortcut), 1)
        << row[0] << ": the menu shows " << items[action].shortcut;
    ASSERT_EQ(kGrayed.count(row[3]), 1u) << row[0] << ": greyed " << row[3];
    EXPECT_EQ(grayed_pattern(action), kGrayed.at(row[3])) << row[0];
  }
  EXPECT_EQ(commands.size(), size_t(kMenuItemCount)) << "menu items missing from the manual";
  for (uint32_t code = 0; code < 256; ++code) {
    if (!menu_key_action(code)) continue;
    EXPECT_EQ(keys.count(code), 1u) << "key 0x" << std::hex << code << " missing from the manual";
  }
}

TEST(Readme, IniTableIsTheConfigurationKeys) {
  std::vector<Row> rows = table(read_text(VRINX_README), "| Key | Default | Range | What it sets |");
  ASSERT_EQ(rows.size(), size_t(kConfigKeyCount));
  for (const ConfigKey& key : kConfigKeys) {
    auto row = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r[0] == key.name; });
    ASSERT_NE(row, rows.end()) << key.name << " missing";
    EXPECT_EQ((*row)[1], std::to_string(key.defaultValue)) << key.name;
    EXPECT_EQ((*row)[2], std::to_string(key.minimum) + ".." + std::to_string(key.maximum)) << key.name;
  }
}

}  // namespace

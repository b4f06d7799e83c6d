// The dialog templates and the main menu as data, for the front ends to build their
// widgets from. The tables themselves live in resources/ and are compiled in here.
#pragma once

#include <cstddef>

namespace velmora {

enum class ControlKind {
  kGroupBox,     // a frame with a caption; the controls that follow with its number inside
  kLabel,        // fixed text without an id
  kStatic,       // text with an id, written by the dialog logic
  kEdit,         // a one-line edit control
  kCheckBox,
  kRadioButton,  // exclusive within its radio group
  kButton,       // OK (id 1, the default button) and Cancel (id 2)
};

inline constexpr int kNoControlId = -1;

struct ControlTemplate {
  ControlKind kind;
  int id;             // kNoControlId for labels and group boxes
  const char* text;   // caption, label or initial text ("" for edits)
  int group;          // 1-based number of the group box the control sits in; 0 = none
  int radioGroup;     // radio buttons: 1-based number of their exclusive set; else 0
  bool disabled;
};

struct DialogTemplate {
  int id;
  const char* title;
  int width;   // dialog units
  int height;
  const char* fontName;
  int fontSize;  // points
  const ControlTemplate* controls;
  size_t controlCount;
};

// The template of dialog `id` (105, 106, 107, 110, 111, 112, 113, 114); null for others.
const DialogTemplate* findDialogTemplate(int id);
const DialogTemplate* dialogTemplates(size_t& count);
// The dialog's title, "" for an unknown id.
const char* dialogTitle(int id);

enum class MenuItemKind { kCommand, kSeparator, kPopupBegin, kPopupEnd };

// The main menu (resource 104) as a flat list: a popup's items lie between its begin
// and end entries.
struct MenuItemTemplate {
  MenuItemKind kind;
  int id;            // command id for kCommand, else 0
  const char* text;  // as it stands in the menu, blanks included
};

inline constexpr int kMainMenuId = 104;
const MenuItemTemplate* mainMenu(size_t& count);
// The text of menu command `id`; null when the menu has no such item.
const char* menuText(int id);

}  // namespace velmora

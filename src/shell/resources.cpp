#include "shell/resources.h"

#include <iterator>

namespace velmora {

namespace {

using K = ControlKind;

#include "../../resources/dialogs.inc"

using M = MenuItemKind;

#include "../../resources/menu.inc"

}  // namespace

const DialogTemplate* dialogTemplates(size_t& count) {
  count = std::size(kDialogTemplates);
  return kDialogTemplates;
}

const DialogTemplate* findDialogTemplate(int id) {
  for (const DialogTemplate& t : kDialogTemplates)
    if (t.id == id) return &t;
  return nullptr;
}

const char* dialogTitle(int id) {
  const DialogTemplate* t = findDialogTemplate(id);
  return t ? t->title : "";
}

const MenuItemTemplate* mainMenu(size_t& count) {
  count = std::size(kMainMenu);
  return kMainMenu;
}

const char* menuText(int id) {
  for (const MenuItemTemplate& item : kMainMenu)
    if (item.kind == MenuItemKind::kCommand && item.id == id) return item.text;
  return nullptr;
}

}  // namespace velmora

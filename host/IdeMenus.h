// The IDE's main menu for the add-in: TIMainMenuIntf and TIMenuItemIntf over the real Qt
// menu bar of the main window. A menu item is a QAction; its submenu is the action's
// QMenu; the top-level item list is the menu bar itself.
#pragma once

#include <QAction>
#include <QMenuBar>
#include <QPointer>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/IdeModules.h"
#include "ideintf/IdeIntf.h"

namespace polyverb {

class IdeMenus {
 public:
  // `onError` receives the message of a click handler that threw.
  IdeMenus(QMenuBar& bar, LiveObjects& live, std::function<void(const std::string&)> on_error);
  // Removes the inserted items, as RemoveInsertedItems does.
  ~IdeMenus();
  IdeMenus(const IdeMenus&) = delete;
  IdeMenus& operator=(const IdeMenus&) = delete;

  // A new main menu interface; nullptr once the menu bar is gone.
  TIMainMenuIntf* GetMainMenu();

  // The action called `name` (ASCII letters compared without regard to case) anywhere in
  // the menu bar; nullptr if none. Submenus count by their menu action.
  QAction* FindAction(std::string_view name) const;

  // Removes every item InsertItem added. Called once the add-in's experts are released:
  // the items' click handlers point into the add-in's objects.
  void RemoveInsertedItems();

  // Internal: used by the interfaces.
  QMenuBar* Bar() const { return bar_; }
  LiveObjects& Live() { return live_; }
  QAction* Insert(QAction* parent, std::int32_t index, const std::string& caption,
                  const std::string& name, const std::string& hint, std::int32_t short_cut,
                  TIMenuFlags flags, TIMenuClickEvent handler);

 private:
  QPointer<QMenuBar> bar_;
  LiveObjects& live_;
  std::function<void(const std::string&)> on_error_;
  std::vector<QPointer<QAction>> inserted_;
};

// The Qt key sequence of an IDE shortcut value: the virtual key in the low byte (letters,
// digits, F1 to F12), $2000 Shift, $4000 Ctrl, $8000 Alt. 0 (none) and keys outside that
// set give an empty sequence.
int ShortCutToQtKey(std::int32_t short_cut);

}  // namespace polyverb

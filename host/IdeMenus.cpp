#include "host/IdeMenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <exception>

#include "platform/Bytes.h"
#include "platform/Text.h"

namespace polyverb {
namespace {

// Where an action sits: the widget whose action list holds it, its index there, and the
// action of that widget's submenu (nullptr for the menu bar).
struct Place {
  QWidget* container = nullptr;
  int index = -1;
  QAction* parent_action = nullptr;
};

bool Locate(QWidget& container, QAction* parent_action, const QAction* target, Place& place) {
  const QList<QAction*> actions = container.actions();
  for (int i = 0; i < actions.size(); ++i) {
    if (actions[i] == target) {
      place = {&container, i, parent_action};
      return true;
    }
    if (QMenu* menu = actions[i]->menu();
        menu != nullptr && Locate(*menu, actions[i], target, place))
      return true;
  }
  return false;
}

QAction* Find(const QWidget& container, std::string_view name) {
  for (QAction* action : container.actions()) {
    if (SameTextAscii(action->objectName().toStdString(), name)) return action;
    if (const QMenu* menu = action->menu())
      if (QAction* found = Find(*menu, name)) return found;
  }
  return nullptr;
}

// A menu item: an action, or the menu bar's item list when `action` is null.
class MenuItemIntf : public HostInterface<TIMenuItemIntf> {
 public:
  MenuItemIntf(IdeMenus& menus, QAction* action)
      : HostInterface(
            menus.Live(),
            "MenuItem(" + (action != nullptr ? action->objectName().toStdString() : "") + ")"),
        menus_(menus),
        action_(action),
        is_bar_(action == nullptr) {}

  std::int32_t GetIndex() override {
    Place place;
    if (is_bar_ || !Where(place)) return -1;
    return place.index;
  }

  TIMenuItemIntf* GetParent() override {
    Place place;
    if (is_bar_ || !Where(place)) return nullptr;
    return new MenuItemIntf(menus_, place.parent_action);
  }

  TIMenuItemIntf* InsertItem(std::int32_t index, const std::string& caption,
                             const std::string& name, const std::string& hint,
                             std::int32_t short_cut, std::int32_t, std::int32_t, TIMenuFlags flags,
                             TIMenuClickEvent event_handler) override {
    if (!is_bar_ && action_.isNull()) return nullptr;
    QAction* added =
        menus_.Insert(action_.data(), index, caption, name, hint, short_cut, flags, event_handler);
    return added == nullptr ? nullptr : new MenuItemIntf(menus_, added);
  }

 private:
  bool Where(Place& place) const {
    QMenuBar* bar = menus_.Bar();
    return bar != nullptr && !action_.isNull() && Locate(*bar, nullptr, action_.data(), place);
  }

  IdeMenus& menus_;
  QPointer<QAction> action_;
  bool is_bar_;
};

class MainMenuIntf : public HostInterface<TIMainMenuIntf> {
 public:
  explicit MainMenuIntf(IdeMenus& menus) : HostInterface(menus.Live(), "MainMenu"), menus_(menus) {}

  TIMenuItemIntf* GetMenuItems() override {
    return menus_.Bar() == nullptr ? nullptr : new MenuItemIntf(menus_, nullptr);
  }

  TIMenuItemIntf* FindMenuItem(const std::string& name) override {
    QAction* action = menus_.FindAction(name);
    return action == nullptr ? nullptr : new MenuItemIntf(menus_, action);
  }

 private:
  IdeMenus& menus_;
};

}  // namespace

int ShortCutToQtKey(std::int32_t short_cut) {
  const int vk = short_cut & 0xFF;
  int key = 0;
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
    key = vk;  // Qt uses the same codes
  else if (vk >= 0x70 && vk <= 0x7B)
    key = Qt::Key_F1 + (vk - 0x70);
  if (key == 0) return 0;
  if ((short_cut & 0x2000) != 0) key |= Qt::SHIFT;
  if ((short_cut & 0x4000) != 0) key |= Qt::CTRL;
  if ((short_cut & 0x8000) != 0) key |= Qt::ALT;
  return key;
}

IdeMenus::IdeMenus(QMenuBar& bar, LiveObjects& live,
                   std::function<void(const std::string&)> on_error)
    : bar_(&bar), live_(live), on_error_(std::move(on_error)) {}

IdeMenus::~IdeMenus() {
  RemoveInsertedItems();
}

TIMainMenuIntf* IdeMenus::GetMainMenu() {
  return bar_.isNull() ? nullptr : new MainMenuIntf(*this);
}

QAction* IdeMenus::FindAction(std::string_view name) const {
  return bar_.isNull() ? nullptr : Find(*bar_, name);
}

void IdeMenus::RemoveInsertedItems() {
  for (const QPointer<QAction>& action : inserted_) delete action.data();
  inserted_.clear();
}

QAction* IdeMenus::Insert(QAction* parent, std::int32_t index, const std::string& caption,
                          const std::string& name, const std::string& hint, std::int32_t short_cut,
                          TIMenuFlags flags, TIMenuClickEvent handler) {
  if (bar_.isNull()) return nullptr;
  // An item without a submenu holds no items.
  QWidget* container = parent == nullptr ? static_cast<QWidget*>(bar_.data()) : parent->menu();
  if (container == nullptr || index < 0) return nullptr;

  auto* action = new QAction(QString::fromStdString(DecodeToUtf8(caption)), container);
  action->setObjectName(QString::fromStdString(name));
  action->setStatusTip(QString::fromStdString(DecodeToUtf8(hint)));
  action->setEnabled((flags & MenuFlag(mfEnabled)) != 0);
  action->setVisible((flags & MenuFlag(mfVisible)) != 0);
  if ((flags & MenuFlag(mfChecked)) != 0) {
    action->setCheckable(true);
    action->setChecked(true);
  }
  if (const int key = ShortCutToQtKey(short_cut); key != 0) action->setShortcut(QKeySequence(key));
  if (handler) {
    QObject::connect(action, &QAction::triggered, action, [this, action, handler] {
      // The Sender stays the host's: made for the click and released after it.
      TIntfPtr<TIMenuItemIntf> sender(new MenuItemIntf(*this, action));
      try {
        handler(sender.get());
      } catch (const std::exception& e) {
        on_error_(e.what());
      } catch (...) {
        on_error_("The click handler of menu item " + action->objectName().toStdString() +
                  " failed");
      }
    });
  }
  const QList<QAction*> actions = container->actions();
  container->insertAction(index < actions.size() ? actions[index] : nullptr, action);
  inserted_.emplace_back(action);
  return action;
}

}  // namespace polyverb

#include "qt/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "qt/client_area.h"
#include "qt/desktop_window.h"
#include "qt/simulation_runner.h"
#include "shell/commands.h"
#include "shell/resources.h"
#include "shell/snapshot.h"

namespace velmora::qt {

namespace {

// The shortcuts of the most used commands.
QKeySequence shortcutOf(int commandId) {
  switch (commandId) {
    case kCmdProcessNext: return QKeySequence(Qt::CTRL | Qt::Key_N);
    case kCmdProcessSame: return QKeySequence(Qt::CTRL | Qt::Key_R);
    case kCmdSaveImage: return QKeySequence(QKeySequence::Save);
    case kCmdExit: return QKeySequence(Qt::CTRL | Qt::Key_Q);
    default: return {};
  }
}

}  // namespace

QString withMnemonic(const QString& text, QString& used) {
  QString shown = text;
  shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
  auto freeAt = [&](qsizetype k) {
    const QChar c = shown[k];
    return c.isLetterOrNumber() && !used.contains(c.toLower()) &&
           (k == 0 || shown[k - 1] != QLatin1Char('&'));
  };
  // The first letter of a word, in the order of the words; then any letter.
  qsizetype at = -1;
  for (qsizetype k = 0; k < shown.size() && at < 0; ++k)
    if ((k == 0 || shown[k - 1] == QLatin1Char(' ')) && freeAt(k)) at = k;
  for (qsizetype k = 0; k < shown.size() && at < 0; ++k)
    if (freeAt(k)) at = k;
  if (at < 0) return shown;
  used += shown[at].toLower();
  return shown.insert(at, QLatin1Char('&'));
}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), window_(std::make_unique<DesktopWindow>(*this)) {
  setWindowTitle(QStringLiteral("Velmora"));
  client_ = new ClientArea(*this);
  setCentralWidget(client_);
  client_->setFocus();
  buildMenu();

  runner_ = std::make_unique<SimulationRunner>(this, state_);
  state_.hooks.simObserver = runner_.get();
  // While the simulation runs, the menu and the client area take no input (the records
  // are the worker's), but the window can still be closed, which stops the run.
  state_.hooks.simRunner = [this](Window& window, const std::function<void(Window&)>& run) {
    const auto hold = [this](bool held) {
      client_->setFrozen(held);
      client_->setEnabled(!held);
      menuBar()->setEnabled(!held);
    };
    hold(true);
    try {
      runner_->run(window, run);
    } catch (...) {
      hold(false);
      throw;
    }
    hold(false);
  };
  // The snapshot holds the picture as shown, with what is pending painted first.
  state_.hooks.snapshotCommand = [this](Window& window) {
    client_->flush();
    const Image captured = client_->picture();
    return saveSnapshot(window, captured, [this] { return client_->renderSvg(); });
  };
}

MainWindow::~MainWindow() {
  if (state_.running && !shutDown_) velmora::shutDown(*window_, state_);
}

Window& MainWindow::window() { return *window_; }

bool MainWindow::startUp() { return velmora::startUp(*window_, state_) != 0; }

void MainWindow::buildMenu() {
  size_t count = 0;
  const MenuItemTemplate* items = mainMenu(count);
  QMenu* menu = nullptr;
  // The keys already taken as mnemonics in the menu bar and in the open popup.
  QString barKeys, menuKeys;
  for (size_t k = 0; k < count; ++k) {
    const MenuItemTemplate& item = items[k];
    const QString text = withMnemonic(QString::fromUtf8(item.text), menu ? menuKeys : barKeys);
    switch (item.kind) {
      case MenuItemKind::kPopupBegin:
        menu = menuBar()->addMenu(text);
        menuKeys.clear();
        break;
      case MenuItemKind::kPopupEnd:
        menu = nullptr;
        break;
      case MenuItemKind::kSeparator:
        if (menu) menu->addSeparator();
        break;
      case MenuItemKind::kCommand: {
        QAction* action = menu ? menu->addAction(text) : menuBar()->addAction(text);
        const int id = item.id;
        action->setObjectName(QStringLiteral("command_%1").arg(id));
        action->setShortcut(shortcutOf(id));
        connect(action, &QAction::triggered, this, [this, action, id] {
          // A check mark changes only when the shell sets it.
          if (action->isCheckable()) action->setChecked(marks_[id]);
          runCommand(id);
        });
        actions_[id] = action;
        break;
      }
    }
  }
}

QAction* MainWindow::action(int commandId) const {
  auto it = actions_.find(commandId);
  return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::setMenuCheck(int commandId, bool checked) {
  marks_[commandId] = checked;
  if (QAction* a = action(commandId)) {
    a->setCheckable(true);
    a->setChecked(checked);
  }
}

void MainWindow::dispatch(const std::function<void()>& work) {
  // Nothing else runs in the shell while a simulation owns the records.
  if (!state_.running || shutDown_ || runner_->running()) return;
  ++depth_;
  try {
    work();
  } catch (...) {
    --depth_;
    throw;
  }
  --depth_;
  if (depth_ == 0) client_->paintPending();
  if (depth_ == 0 && closePending_) {
    closePending_ = false;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  }
}

void MainWindow::runCommand(int commandId) {
  dispatch([this, commandId] { handleCommand(*window_, state_, commandId); });
}

void MainWindow::requestClose() {
  if (depth_ > 0) {
    closePending_ = true;
    if (runner_->running()) runner_->cancel();
    return;
  }
  QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

// Closing runs the shut-down, but never under a running command: a simulation is asked
// to stop first, and the window closes once the command that ran it has returned.
void MainWindow::closeEvent(QCloseEvent* event) {
  if (depth_ > 0) {
    requestClose();
    event->ignore();
    return;
  }
  if (state_.running && !shutDown_) {
    velmora::shutDown(*window_, state_);
    shutDown_ = true;
  }
  event->accept();
}

}  // namespace velmora::qt

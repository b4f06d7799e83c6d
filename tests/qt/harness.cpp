#include "harness.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <ctime>

#include <cstdio>
#include <cstdlib>

#include "qt/client_area.h"

namespace velmora::qt::testing {

ModalScript& ModalScript::then(Handler handler) {
  script_.push_back(std::move(handler));
  return *this;
}

ModalScript& ModalScript::onProgress(Handler handler) {
  progress_ = std::move(handler);
  return *this;
}

ModalScript& ModalScript::otherwise(Handler handler) {
  otherwise_ = std::move(handler);
  return *this;
}

void ModalScript::poll(int watchdogMs) {
  QWidget* modal = QApplication::activeModalWidget();
  // The progress dialog is not modal: it is looked for when nothing modal is open.
  if (!modal)
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->objectName() == QLatin1String("simulationProgress")) modal = w;
  if (!modal || !modal->isVisible()) return;
  for (Seen& seen : seen_) {
    if (seen.widget.data() != modal) continue;
    if (seen.since.elapsed() > watchdogMs) {
      ADD_FAILURE() << "modal widget " << modal->objectName().toStdString() << " ("
                    << modal->windowTitle().toStdString() << ") stayed open";
      rejectAny(modal);
      seen.since.restart();
    }
    return;
  }
  seen_.push_back(Seen{modal, {}});
  seen_.back().since.start();
  Handler handler;
  if (modal->objectName() == QLatin1String("simulationProgress")) {
    if (!progress_) return;
    handler = progress_;
  } else {
    ++handled_;
    if (!script_.empty()) {
      handler = std::move(script_.front());
      script_.pop_front();
    } else if (otherwise_) {
      handler = otherwise_;
    } else {
      ADD_FAILURE() << "unexpected modal widget " << modal->objectName().toStdString() << " ("
                    << modal->windowTitle().toStdString() << ")";
      handler = rejectAny;
    }
  }
  // The handler runs from the event loop, not from this timer's slot: a modal widget it
  // opens in turn (a question the file dialog asks) is then seen by the next poll.
  QMetaObject::invokeMethod(
      qApp,
      [handler = std::move(handler), modal = QPointer<QWidget>(modal)] {
        if (modal) handler(modal);
      },
      Qt::QueuedConnection);
}

void ModalScript::run(const std::function<void()>& trigger, int watchdogMs) {
  QTimer timer;
  timer.setInterval(5);
  QObject::connect(&timer, &QTimer::timeout, [this, watchdogMs] { poll(watchdogMs); });
  timer.start();
  trigger();
  timer.stop();
  if (!script_.empty())
    ADD_FAILURE() << script_.size() << " scripted modal widget(s) did not open";
  script_.clear();
}

int dialogId(const QWidget* modal) {
  const QString name = modal ? modal->objectName() : QString();
  return name.startsWith(QStringLiteral("dialog_")) ? name.mid(7).toInt() : 0;
}

QLineEdit* edit(QWidget* dialog, int controlId) {
  return dialog->findChild<QLineEdit*>(QStringLiteral("control_%1").arg(controlId));
}

QAbstractButton* button(QWidget* dialog, int controlId) {
  return dialog->findChild<QAbstractButton*>(QStringLiteral("control_%1").arg(controlId));
}

void click(QWidget* dialog, int controlId) {
  QAbstractButton* b = button(dialog, controlId);
  if (!b) {
    ADD_FAILURE() << "dialog " << dialogId(dialog) << " has no button " << controlId;
    return;
  }
  // The middle of the button's text, inside what it reacts to for every button kind.
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(qMin(b->width() / 2, 20), b->height() / 2));
}

void type(QWidget* dialog, int controlId, const QString& text) {
  QLineEdit* e = edit(dialog, controlId);
  if (!e) {
    ADD_FAILURE() << "dialog " << dialogId(dialog) << " has no edit " << controlId;
    return;
  }
  e->setFocus();
  e->selectAll();
  QTest::keyClick(e, Qt::Key_Delete);
  typeText(e, text);
}

void typeText(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() >= 0x20 && c.unicode() < 0x7F) {
      QTest::keyClick(widget, c.toLatin1());
      continue;
    }
    // Characters QTest has no key for arrive as the text of an unnamed key.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

void pressOk(QWidget* dialog) { click(dialog, 1); }
void pressCancel(QWidget* dialog) { click(dialog, 2); }

BoxSeen answerBox(QWidget* modal, QMessageBox::StandardButton answer) {
  BoxSeen seen;
  auto* box = qobject_cast<QMessageBox*>(modal);
  if (!box) {
    ADD_FAILURE() << "expected a message box, got " << modal->objectName().toStdString();
    rejectAny(modal);
    return seen;
  }
  seen.caption = box->windowTitle();
  seen.text = box->text();
  seen.icon = box->icon();
  QAbstractButton* b = box->button(answer);
  if (!b) {
    ADD_FAILURE() << "the message box has no such button";
    rejectAny(modal);
    return seen;
  }
  QTest::mouseClick(b, Qt::LeftButton);
  return seen;
}

void rejectAny(QWidget* modal) {
  if (auto* dialog = qobject_cast<QDialog*>(modal))
    dialog->reject();
  else
    modal->close();
}

void GuiTest::SetUp() {
  main = std::make_unique<MainWindow>();
  ASSERT_TRUE(main->startUp());
  main->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
  setClientSize(1280, 800);
}

void GuiTest::TearDown() {
  if (main && main->isVisible()) {
    main->close();
    QApplication::processEvents();
  }
  main.reset();
}

void GuiTest::trigger(int commandId) {
  QAction* action = main->action(commandId);
  ASSERT_NE(action, nullptr) << commandId;
  action->trigger();
}

void GuiTest::setClientSize(int width, int height) {
  ClientArea* client = main->clientArea();
  for (int attempt = 0; attempt < 3 && client->size() != QSize(width, height); ++attempt) {
    main->resize(main->size() + QSize(width, height) - client->size());
    QApplication::processEvents();
  }
  ASSERT_EQ(client->size(), QSize(width, height));
}

void GuiTest::clickClient(int x, int y) {
  QTest::mouseClick(main->clientArea(), Qt::LeftButton, {}, QPoint(x, y));
}

QImage GuiTest::picture() {
  ClientArea* client = main->clientArea();
  client->flush();
  const Image& p = client->picture();
  QImage image(p.width, p.height, QImage::Format_RGB32);
  for (int32_t y = 0; y < p.height; ++y)
    for (int32_t x = 0; x < p.width; ++x) image.setPixel(x, y, 0xFF000000u | p.at(x, y));
  return image;
}

}  // namespace velmora::qt::testing

// The tests run on Qt's offscreen platform unless told otherwise.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The window shows local times; in UTC they are those velmora-cli render shows.
  qputenv("TZ", "UTC0");
  tzset();
  // The offscreen platform says at every dialog that it cannot size, raise or grab the
  // keyboard for windows; nothing the tests check depends on it.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& m) {
    if (m.contains(QLatin1String("propagateSizeHints")) ||
        m.startsWith(QLatin1String("This plugin does not support")))
      return;
    if (type == QtFatalMsg) abort();
    fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, m)));
  });
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// The main window: its menu, the commands behind every menu item, the parameter dialogs
// and message boxes as a user meets them, and the dialogs' edits under random input.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <random>

#include "harness.h"
#include "qt/template_dialog.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
#include "shell/resources.h"

namespace velmora::qt::testing {
namespace {

using Main = GuiTest;

// Answers the set-up of a small simulation (series of 200 samples, 2 pulse counts x 2
// noise levels x 3 repeats) and its summary; the statistics dialog is left to the caller.
ModalScript& smallSimulation(ModalScript& script) {
  return script
      .then([](QWidget* d) {
        ASSERT_EQ(dialogId(d), 105);
        type(d, kIdcSeriesLength, "200");
        pressOk(d);
      })
      .then([](QWidget* d) {
        ASSERT_EQ(dialogId(d), 110);
        type(d, kIdcSimFrom, "2");
        type(d, kIdcSimTo, "3");
        type(d, kIdcSimNoiseSteps, "2");
        type(d, kIdcSimRepeats, "3");
        pressOk(d);
      })
      .then([](QWidget* m) { EXPECT_EQ(answerBox(m).caption, "getPulseEstAsRepeats"); });
}

// A menu text without its mnemonic marker.
QString shownText(QString text) {
  const qsizetype at = text.indexOf(QLatin1Char('&'));
  if (at >= 0) text.remove(at, 1);
  return text;
}

// The mnemonic letter of a menu text, lower case; a null character without one.
QChar mnemonicOf(const QString& text) {
  const qsizetype at = text.indexOf(QLatin1Char('&'));
  return at >= 0 && at + 1 < text.size() ? text[at + 1].toLower() : QChar();
}

TEST_F(Main, EveryMenuAndItemHasItsOwnMnemonicAndAltOpensTheMenu) {
  QString bar;
  for (QAction* popup : main->menuBar()->actions()) {
    const QChar key = mnemonicOf(popup->text());
    ASSERT_FALSE(key.isNull()) << popup->text().toStdString();
    EXPECT_FALSE(bar.contains(key)) << popup->text().toStdString();
    bar += key;
    QString items;
    for (QAction* a : popup->menu()->actions()) {
      if (a->isSeparator()) continue;
      const QChar k = mnemonicOf(a->text());
      ASSERT_FALSE(k.isNull()) << a->text().toStdString();
      EXPECT_FALSE(items.contains(k)) << a->text().toStdString();
      items += k;
    }
  }
  // Alt+F opens File.
  QMenu* file = main->menuBar()->actions().front()->menu();
  QTest::keyClick(main.get(), Qt::Key_F, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return file->isVisible(); }, 2000));
  file->close();

  // A text of its own '&' keeps it, doubled so that the menu shows it.
  QString used = QStringLiteral("a");
  EXPECT_EQ(withMnemonic(QStringLiteral(" A & B"), used), QStringLiteral(" A && &B"));
  EXPECT_EQ(used, QStringLiteral("ab"));
}

TEST_F(Main, ShowsTheMenuOfTheTableWithCheckMarksAndShortcuts) {
  EXPECT_EQ(main->windowTitle(), "Velmora");
  size_t count = 0;
  const MenuItemTemplate* items = mainMenu(count);
  const QList<QAction*> popups = main->menuBar()->actions();
  int popup = -1;
  QList<QAction*> entries;
  int entry = 0;
  for (size_t k = 0; k < count; ++k) {
    const MenuItemTemplate& item = items[k];
    if (item.kind == MenuItemKind::kPopupBegin) {
      ASSERT_LT(++popup, popups.size());
      EXPECT_EQ(shownText(popups[popup]->text()), QString::fromUtf8(item.text));
      entries = popups[popup]->menu()->actions();
      entry = 0;
    } else if (item.kind == MenuItemKind::kPopupEnd) {
      EXPECT_EQ(entry, entries.size()) << item.text;
    } else {
      ASSERT_LT(entry, entries.size());
      QAction* a = entries[entry++];
      EXPECT_EQ(a->isSeparator(), item.kind == MenuItemKind::kSeparator);
      if (item.kind == MenuItemKind::kCommand) {
        EXPECT_EQ(shownText(a->text()), QString::fromUtf8(item.text));  // blanks included
        EXPECT_EQ(a, main->action(item.id));
      }
    }
  }
  EXPECT_EQ(popup + 1, popups.size());

  for (int id : {kCmdDetection, kCmdRecognition, kCmdJoint, kCmdSeriesProcessing, kCmdFixedWhole,
                 kCmdUnfixedWhole, kCmdFixedCutoffs, kCmdUnfixedCutoffs, kCmdFixedTuples,
                 kCmdUnfixedTuples})
    EXPECT_EQ(main->action(id)->isChecked(), id == kCmdRecognition || id == kCmdFixedCutoffs) << id;
  QSet<QString> shortcuts;
  for (int id : {kCmdProcessNext, kCmdProcessSame, kCmdSaveImage, kCmdExit}) {
    const QKeySequence keys = main->action(id)->shortcut();
    EXPECT_FALSE(keys.isEmpty()) << id;
    shortcuts.insert(keys.toString());
  }
  EXPECT_EQ(shortcuts.size(), 4);
}

// Every menu item runs its command; the marks move only as the shell sets them, and the
// last, Exit, closes the window through the shut-down.
TEST_F(Main, EveryMenuItemRunsItsCommand) {
  size_t count = 0;
  const MenuItemTemplate* items = mainMenu(count);
  for (size_t k = 0; k < count; ++k) {
    const int id = items[k].id;
    if (items[k].kind != MenuItemKind::kCommand || id == kCmdExit) continue;
    ModalScript script;
    if (id == kCmdSimulation) smallSimulation(script);
    script.otherwise([](QWidget* m) {
      if (dialogId(m) != 0)
        pressOk(m);
      else if (qobject_cast<QMessageBox*>(m))
        answerBox(m);
      else
        rejectAny(m);  // the save-file dialog
    });
    script.run([&] { trigger(id); });
    ASSERT_TRUE(state().running) << id;

    switch (id) {
      case kCmdDetection:
        EXPECT_TRUE(main->action(kCmdDetection)->isChecked());
        EXPECT_FALSE(main->action(kCmdRecognition)->isChecked());
        EXPECT_EQ(state().problem.wTaskType, kTaskDetection);
        break;
      case kCmdSeriesProcessing:  // the last of its group in the table
        EXPECT_TRUE(main->action(kCmdSeriesProcessing)->isChecked());
        // Choosing the checked item again keeps its mark.
        trigger(kCmdSeriesProcessing);
        EXPECT_TRUE(main->action(kCmdSeriesProcessing)->isChecked());
        break;
      case kCmdUnfixedCutoffs:
        EXPECT_TRUE(main->action(kCmdUnfixedCutoffs)->isChecked());
        EXPECT_FALSE(main->action(kCmdFixedCutoffs)->isChecked());
        EXPECT_EQ(state().problem.wSeriesType, kSeriesUnfixedCutoff);
        break;
      case kCmdProcessNext:
        EXPECT_EQ(state().view.dwViewMode, kViewResults);
        break;
      case kCmdSelectSubset:
        EXPECT_EQ(state().view.dwViewMode, kViewSubsetSelection);
        break;
      case kCmdViewSeriesParameters:
        EXPECT_EQ(state().view.dwViewMode, kViewSeriesParameters);
        EXPECT_NE(state().records.lpParamsHeader, nullptr);
        break;
      case kCmdSimulation:
        ASSERT_NE(state().records.lpRestErrorHeader, nullptr);
        EXPECT_EQ(state().records.lpRestErrorHeader->ifComplete, 1);
        break;
      default:
        break;
    }
  }
  trigger(kCmdExit);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !main->isVisible(); }, 5000));
  EXPECT_FALSE(state().running);
}

TEST_F(Main, CreateSeriesTakesOkAndCancelOfBothDialogs) {
  // Cancel in 105: no second dialog, nothing changes.
  ModalScript().then([](QWidget* d) { ASSERT_EQ(dialogId(d), 105); pressCancel(d); })
      .run([&] { trigger(kCmdCreateSeries); });
  // OK in 105, Cancel in 106: still nothing changes.
  ModalScript()
      .then([](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Create Series");
        EXPECT_EQ(edit(d, kIdcSeriesLength)->text(), "1200");
        type(d, kIdcSeriesLength, "600");
        pressOk(d);
      })
      .then([](QWidget* d) {
        ASSERT_EQ(dialogId(d), 106);
        // (600 + 19) / 181 = 3 and (600 - 20 + 40) / 40 = 15.
        EXPECT_EQ(d->findChild<QWidget*>("control_1008")->property("text").toString(),
                  "Number of Pulses in Series (from 3 to 15)");
        pressCancel(d);
      })
      .run([&] { trigger(kCmdCreateSeries); });
  EXPECT_EQ(state().series.dwSeriesLength, 1200u);
  EXPECT_EQ(state().view.dwViewMode, kViewAlphabet);

  ModalScript()
      .then([](QWidget* d) { type(d, kIdcSeriesLength, "600"); pressOk(d); })
      .then([](QWidget* d) { type(d, kIdcPulseCount, "5"); pressOk(d); })
      .run([&] { trigger(kCmdCreateSeries); });
  EXPECT_EQ(state().series.dwSeriesLength, 600u);
  EXPECT_EQ(state().series.wPulseCount, 5);
  EXPECT_EQ(state().view.dwViewMode, kViewResults);
}

TEST_F(Main, SettingsDialogsKeepEverythingOnCancelAndTakeTheClicksOnOk) {
  ModalScript().then([](QWidget* d) { click(d, kIdcFrameGraphFields); pressCancel(d); })
      .run([&] { trigger(kCmdDrawingSettings); });
  EXPECT_EQ(state().drawing.dwFrameGraphFields, 1u);
  ModalScript()
      .then([](QWidget* d) {
        ASSERT_EQ(dialogId(d), 112);
        click(d, kIdcFrameGraphFields);
        click(d, kIdcNoHighlight);
        pressOk(d);
      })
      .run([&] { trigger(kCmdDrawingSettings); });
  EXPECT_EQ(state().drawing.dwFrameGraphFields, 0u);
  EXPECT_EQ(state().drawing.dwTupleHighlighting, 0u);

  ModalScript().then([](QWidget* d) { click(d, kIdcSingleRandom); pressCancel(d); })
      .run([&] { trigger(kCmdSubsetSettings); });
  EXPECT_EQ(state().subsets.dwSubsetEmploymentMode, kSubsetComplete);
  ModalScript()
      .then([](QWidget* d) {
        ASSERT_EQ(dialogId(d), 111);
        EXPECT_FALSE(edit(d, kIdcInitPosition)->isEnabled());
        click(d, kIdcSingleFixed);
        click(d, kIdcProceedShifted);
        pressOk(d);
      })
      .run([&] { trigger(kCmdSubsetSettings); });
  EXPECT_EQ(state().subsets.dwSubsetEmploymentMode, kSubsetSingleFixed);
  EXPECT_EQ(state().subsets.dwSubsetProceedingMode, 2u);

  ModalScript().then([](QWidget* d) { type(d, kIdcRequiredCount, "3"); pressCancel(d); })
      .run([&] { trigger(kCmdNewPulses); });
  EXPECT_EQ(state().etalons.wRequiredCount, 20);
  ModalScript()
      .then([](QWidget* d) {
        ASSERT_EQ(dialogId(d), 107);
        type(d, kIdcRequiredCount, "3");
        type(d, kIdcRequiredList, "2,4,6");
        pressOk(d);
      })
      .run([&] { trigger(kCmdNewPulses); });
  ASSERT_EQ(state().etalons.wRequiredCount, 3);
  EXPECT_EQ(state().etalons.lpRequiredList[2], 6);
  EXPECT_EQ(state().etalons.requiredFlags[3], 1);
  EXPECT_EQ(state().etalons.requiredFlags[0], 0);
}

TEST_F(Main, SimulationDialogsAndTheStatisticsDialogs) {
  // Cancel in 110: no simulation.
  ModalScript()
      .then([](QWidget* d) { pressOk(d); })
      .then([](QWidget* d) { ASSERT_EQ(dialogId(d), 110); pressCancel(d); })
      .run([&] { trigger(kCmdSimulation); });
  EXPECT_EQ(state().records.lpRestErrorHeader, nullptr);

  // A small run, then 114 (recognition) with Cancel: the settings stay.
  ModalScript script;
  smallSimulation(script)
      .then([](QWidget* d) {
        ASSERT_EQ(dialogId(d), 114);
        click(d, kIdcSummaryView);
        pressCancel(d);
      })
      .run([&] { trigger(kCmdSimulation); });
  EXPECT_EQ(state().view.wResultKind, kResultSimulation);
  EXPECT_EQ(state().statistics.dwViewCase, 1u);

  ModalScript()
      .then([](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Show Statistical Simulation");
        click(d, kIdcRecognitionError);
        click(d, kIdcSummaryView);
        pressOk(d);
      })
      .run([&] { trigger(kCmdShowSimulation); });
  EXPECT_EQ(state().statistics.dwHandlingCase, 3u);
  EXPECT_EQ(state().statistics.dwViewCase, 2u);

  trigger(kCmdJoint);
  ModalScript()
      .then([](QWidget* d) {
        ASSERT_EQ(dialogId(d), 113);
        click(d, kIdcDetectionError);
        pressCancel(d);
      })
      .run([&] { trigger(kCmdShowSimulation); });
  EXPECT_EQ(state().statistics.dwHandlingCase, 3u);
  ModalScript()
      .then([](QWidget* d) {
        ASSERT_EQ(dialogId(d), 113);
        EXPECT_EQ(button(d, kIdcRecognitionError), nullptr);
        click(d, kIdcFixedUpperBound);
        type(d, kIdcUpperBound, "0.5");
        pressOk(d);
      })
      .run([&] { trigger(kCmdShowSimulation); });
  EXPECT_EQ(state().statistics.dwFixedUpperBound, 1u);
  EXPECT_DOUBLE_EQ(state().statistics.upperBound, 0.5);
}

TEST_F(Main, ARefusedValueShowsTheShellsMessageAndChangesNothing) {
  BoxSeen seen;
  QString reopened;
  ModalScript()
      .then([](QWidget* d) { type(d, kIdcTmin, "0"); type(d, kIdcSeriesLength, "1500"); pressOk(d); })
      .then([&](QWidget* m) { seen = answerBox(m); })
      .then([&](QWidget* d) {
        // The dialog comes back with what was typed, to be corrected or cancelled.
        ASSERT_EQ(dialogId(d), kDialogSeriesParameters);
        reopened = edit(d, kIdcTmin)->text() + "/" + edit(d, kIdcSeriesLength)->text();
        pressCancel(d);
      })
      .run([&] { trigger(kCmdCreateSeries); });
  EXPECT_EQ(reopened, "0/1500");
  EXPECT_EQ(seen.caption, "Create Series");
  EXPECT_EQ(seen.text, kTextBadTmin);
  EXPECT_EQ(seen.icon, QMessageBox::Warning);
  EXPECT_EQ(state().series.wTmin, 40);
  EXPECT_EQ(state().view.dwViewMode, kViewAlphabet);
}

// Random text in every edit of every dialog, through the widgets: the shell takes it or
// refuses it, and the program goes on.
TEST_F(Main, RandomTextInEveryDialogsEditsCrashesNothing) {
  std::mt19937 random(20240611);
  const QStringList fixed = {"", "0", "-1", "65536", "99999999999999999999999", "abc", " 7 ",
                             "1,,2, ,x", "1e9", "３", "−5", "0x10", "\t"};
  auto randomText = [&]() -> QString {
    if (random() % 3 != 0) return fixed[static_cast<int>(random() % fixed.size())];
    QString s;
    const int length = random() % 2 ? 1000 : static_cast<int>(random() % 20);
    for (int k = 0; k < length; ++k)
      s += random() % 4 ? QChar(static_cast<char16_t>(' ' + random() % 95))
                        : QChar(static_cast<char16_t>(0x0410 + random() % 64));
    return s;
  };
  // A dialog that comes back after refusing its values is cancelled, or the fuzz could
  // go on refusing for long.
  int lastDialog = 0;
  bool boxSince = false;
  auto fuzz = [&](QWidget* m) {
    if (dialogId(m) != 0 && dialogId(m) == lastDialog && boxSince) {
      boxSince = false;
      pressCancel(m);
    } else if (dialogId(m) != 0) {
      lastDialog = dialogId(m);
      boxSince = false;
      for (QLineEdit* e : m->findChildren<QLineEdit*>())
        if (e->isEnabled()) {
          e->setFocus();
          e->selectAll();
          QTest::keyClick(e, Qt::Key_Delete);
          const QString text = randomText();
          if (text.size() > 50)
            e->insert(text);  // long texts as a paste
          else
            typeText(e, text);
        }
      pressOk(m);
    } else if (qobject_cast<QMessageBox*>(m)) {
      boxSince = true;
      answerBox(m);
    } else {
      rejectAny(m);
    }
  };
  // A simulation the fuzz starts is cancelled at once.
  auto cancel = [](QWidget* progress) {
    QTest::mouseClick(progress->findChild<QAbstractButton*>("cancel"), Qt::LeftButton);
  };
  for (int round = 0; round < 6; ++round) {
    for (int id : {kCmdCreateSeries, kCmdNewPulses, kCmdSimulation, kCmdSubsetSettings,
                   kCmdDrawingSettings, kCmdShowSimulation}) {
      ModalScript script;
      script.onProgress(cancel).otherwise(fuzz).run([&] { trigger(id); });
      ASSERT_TRUE(state().running) << id;
    }
    trigger(kCmdProcessNext);
  }
  EXPECT_FALSE(picture().isNull());
}

// The widgets of every template: ids, titles, disabled controls, tab order, size, and
// the record of clicks the shell acts on.
TEST(TemplateDialogs, BuildEveryTemplateAndRecordTheClicks) {
  size_t count = 0;
  const DialogTemplate* templates = dialogTemplates(count);
  for (size_t k = 0; k < count; ++k) {
    const DialogTemplate& tpl = templates[k];
    DialogControls controls;
    TemplateDialog dialog(nullptr, tpl, controls);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(tpl.title));
    EXPECT_GE(dialog.width(), TemplateDialog::dialogUnitsToPixels(tpl, tpl.width, 0).width());
    EXPECT_GE(dialog.height(), TemplateDialog::dialogUnitsToPixels(tpl, 0, tpl.height).height());
    std::vector<QWidget*> focusable;
    for (size_t c = 0; c < tpl.controlCount; ++c) {
      const ControlTemplate& ct = tpl.controls[c];
      if (ct.id == kNoControlId) continue;
      QWidget* w = dialog.control(ct.id);
      ASSERT_NE(w, nullptr) << tpl.id << "/" << ct.id;
      EXPECT_EQ(w->isEnabled(), !ct.disabled) << tpl.id << "/" << ct.id;
      if (ct.kind != ControlKind::kStatic && !ct.disabled) focusable.push_back(w);
    }
    for (size_t f = 1; f < focusable.size(); ++f) {
      QWidget* next = focusable[f - 1]->nextInFocusChain();
      while (next && (!(next->focusPolicy() & Qt::TabFocus) || !next->isEnabled()))
        next = next->nextInFocusChain();
      EXPECT_EQ(next, focusable[f]) << tpl.id << " after " << focusable[f - 1]->objectName().toStdString();
    }
  }

  // Clicks are kept in order, a click on the radio button already checked included.
  DialogControls controls;
  controls.setChecked(kIdcRestoringError, true);
  controls.setChecked(kIdcComponentwise, true);
  controls.setText(kIdcUpperBound, "0.25");
  TemplateDialog dialog(nullptr, *findDialogTemplate(113), controls);
  dialog.show();
  click(&dialog, kIdcRestoringError);
  click(&dialog, kIdcSummaryView);
  click(&dialog, kIdcFixedUpperBound);
  type(&dialog, kIdcUpperBound, "1.5");
  dialog.store(controls);
  EXPECT_EQ(controls.clicks, (std::vector<int>{kIdcRestoringError, kIdcSummaryView, kIdcFixedUpperBound}));
  EXPECT_TRUE(controls.checked(kIdcSummaryView));
  EXPECT_FALSE(controls.checked(kIdcComponentwise));
  EXPECT_TRUE(controls.checked(kIdcFixedUpperBound));
  EXPECT_EQ(controls.text(kIdcUpperBound), "1.5");
}

}  // namespace
}  // namespace velmora::qt::testing

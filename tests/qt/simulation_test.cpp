// The statistical simulation on its worker thread: the progress dialog, the tables against
// a blocking run, Cancel, closing the window meanwhile, and the driver's messages.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QTest>
#include <QThread>

#include "harness.h"
#include "qt/client_area.h"
#include "qt/simulation_runner.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
#include "support/fake_window.h"

namespace velmora::qt::testing {
namespace {

using Simulation = GuiTest;

// The values typed into dialogs 105 and 110 for a small grid: 3 pulse counts x 3 noise
// levels x 10 repeats on series of 200 samples.
const std::map<int, std::string> kSeriesTexts = {{kIdcSeriesLength, "200"}};
const std::map<int, std::string> kGridTexts = {
    {kIdcSimFrom, "2"},         {kIdcSimTo, "4"},        {kIdcSimIncrement, "1"},
    {kIdcSimNoiseInitial, "0"}, {kIdcSimNoiseSteps, "3"}, {kIdcSimNoiseStep, "20"},
    {kIdcSimRepeats, "10"}};

ModalScript::Handler typeAndOk(int expectedDialog, const std::map<int, std::string>& texts) {
  return [expectedDialog, texts](QWidget* d) {
    ASSERT_EQ(dialogId(d), expectedDialog);
    for (const auto& [id, text] : texts) type(d, id, QString::fromStdString(text));
    pressOk(d);
  };
}

void clickCancel(QWidget* progress) {
  QTest::mouseClick(progress->findChild<QAbstractButton*>("cancel"), Qt::LeftButton);
}

TEST_F(Simulation, RunsBehindTheProgressDialogWithTheTablesOfABlockingRun) {
  ModalScript()
      .then(typeAndOk(105, kSeriesTexts))
      .then(typeAndOk(110, kGridTexts))
      .then([](QWidget* m) { answerBox(m); })
      .then([&](QWidget* d) {
        // The statistics dialog follows once the run has ended.
        EXPECT_FALSE(main->simulationRunner()->running());
        pressOk(d);
      })
      .run([&] { trigger(kCmdSimulation); });
  const RestErrorHeader* shown = state().records.lpRestErrorHeader;
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->ifComplete, 1);
  EXPECT_EQ(main->simulationRunner()->repeatsReported(), 3 * 3 * 10);
  const SimulationRunner::Position at = main->simulationRunner()->position();
  EXPECT_EQ(at.done, at.total);
  EXPECT_EQ(state().view.wResultKind, kResultSimulation);

  // The same set-up run inline, on one thread, over a scripted window.
  velmora::testing::FakeWindow fake;
  AppState blocking;
  blocking.simulation.simThreads = 1;
  ASSERT_EQ(startUp(fake, blocking), 1);
  for (auto [id, texts] : {std::pair{105, kSeriesTexts}, std::pair{110, kGridTexts}}) {
    velmora::testing::DialogAnswer a;
    a.dialogId = id;
    a.texts = texts;
    fake.dialogAnswers.push_back(a);
  }
  handleCommand(fake, blocking, kCmdSimulation);
  const RestErrorHeader* inline_ = blocking.records.lpRestErrorHeader;
  ASSERT_NE(inline_, nullptr);
  ASSERT_EQ(inline_->wVariousPulses, shown->wVariousPulses);
  ASSERT_EQ(inline_->wNoiseLevels, shown->wNoiseLevels);
  for (int t = 0; t < kRestErrorTables; ++t)
    for (int i = 0; i < shown->wNoiseLevels; ++i)
      for (int j = 0; j < shown->wVariousPulses; ++j)
        EXPECT_EQ(shown->lpErrors[t][i][j], inline_->lpErrors[t][i][j]) << t << " " << i << " " << j;
  EXPECT_EQ(state().series.wNoiseSeed, blocking.series.wNoiseSeed);
  shutDown(fake, blocking);
}

TEST_F(Simulation, CancelStopsWithinOneRepeatAndLeavesTheRecordsValid) {
  int64_t atCancel = -1;
  // The default grid (72,500 repeats) runs far longer than the test.
  ModalScript()
      .then([](QWidget* d) { pressOk(d); })
      .then([](QWidget* d) { pressOk(d); })
      .then([](QWidget* m) { answerBox(m); })
      .onProgress([&](QWidget* m) {
        clickCancel(m);
        atCancel = main->simulationRunner()->repeatsReported();
        EXPECT_TRUE(m->isVisible());  // it stays until the worker has stopped
      })
      .run([&] { trigger(kCmdSimulation); });
  ASSERT_GE(atCancel, 0);
  EXPECT_LE(main->simulationRunner()->repeatsReported(), atCancel + 1);
  // No simulation had finished before, so none is kept: no partial tables stay behind.
  EXPECT_EQ(state().records.lpRestErrorHeader, nullptr);
  EXPECT_EQ(state().view.wResultKind, kResultProcessing);

  // The records left behind carry on.
  trigger(kCmdProcessNext);
  EXPECT_EQ(state().view.dwViewMode, kViewResults);
  ASSERT_NE(state().records.lpSeriesHeader, nullptr);
  EXPECT_GT(state().records.lpChainsHeader->wPretenders, 0);
  EXPECT_FALSE(picture().isNull());
}

TEST_F(Simulation, ClosingTheWindowStopsTheRunFirst) {
  ModalScript()
      .then([](QWidget* d) { pressOk(d); })
      .then([](QWidget* d) { pressOk(d); })
      .then([](QWidget* m) { answerBox(m); })
      .onProgress([&](QWidget*) {
        // Nothing modal stands between the user and the main window's close button (a
        // modal window would make the system's close request be dropped), while the menu
        // and the client area take no input.
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_FALSE(main->menuBar()->isEnabled());
        EXPECT_FALSE(main->clientArea()->isEnabled());
        main->close();
        EXPECT_TRUE(main->simulationRunner()->cancelRequested());
        EXPECT_TRUE(state().running);
      })
      .run([&] { trigger(kCmdSimulation); });
  EXPECT_EQ(state().records.lpRestErrorHeader, nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !main->isVisible(); }, 5000));
  EXPECT_FALSE(state().running);
}

// A tuple series without a selected subset: the driver refuses from its worker thread,
// and its message is shown by the window's thread.
TEST_F(Simulation, TheDriversMessagesAreShownOnTheWindowsThread) {
  trigger(kCmdFixedTuples);
  BoxSeen seen;
  ModalScript()
      .then(typeAndOk(105, kSeriesTexts))
      .then(typeAndOk(110, kGridTexts))
      .then([](QWidget* m) { answerBox(m); })
      .then([&](QWidget* m) {
        EXPECT_EQ(m->thread(), QApplication::instance()->thread());
        seen = answerBox(m);
      })
      .run([&] { trigger(kCmdSimulation); });
  EXPECT_EQ(seen.caption, kSubsetCaption);
  EXPECT_EQ(seen.text, kNoSelectedSubset);
  EXPECT_EQ(state().records.lpRestErrorHeader, nullptr);  // a refused run leaves no partial tables
}

}  // namespace
}  // namespace velmora::qt::testing

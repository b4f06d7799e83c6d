// A started application over a scripted fake window, for the shell's tests.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
#include "support/fake_window.h"

namespace velmora::testing {

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state.hooks.simClock = [] { return 1000; };
    ASSERT_EQ(startUp(window, state), 1);
    window.clearRecords();
    window.clear();
  }
  void TearDown() override {
    EXPECT_TRUE(window.scriptErrors.empty()) << window.scriptErrors.front();
    if (state.running) shutDown(window, state);
  }

  void command(int id) { handleCommand(window, state, id); }

  void answer(int dialogId, int result, std::map<int, std::string> texts = {},
              std::map<int, bool> checks = {}) {
    DialogAnswer a;
    a.dialogId = dialogId;
    a.result = result;
    a.texts = std::move(texts);
    a.checks = std::move(checks);
    window.dialogAnswers.push_back(a);
  }

  // Gives the selection view a selected subset (and, for tuple recognition, a list of
  // subsets of which the first is current).
  void selectSubsets(std::initializer_list<std::initializer_list<int32_t>> subsets) {
    ASSERT_EQ(prepareSubsetSelection(window, state), 1);
    SubsetSelection& sel = state.records.selection;
    const auto& first = *subsets.begin();
    sel.count = 0;
    for (int32_t e : first) sel.selectedSubset[sel.count++] = e;
    sel.rowsInUse = 0;
    for (const auto& subset : subsets) {
      int32_t n = 0;
      for (int32_t e : subset) sel.rows[sel.rowsInUse][n++] = e;
      sel.selectedSubsetArraySize[sel.rowsInUse++] = n;
    }
    sel.currentRow = 1;
  }

  std::vector<uint16_t> requiredList() const {
    return {state.etalons.lpRequiredList,
            state.etalons.lpRequiredList + state.etalons.wRequiredCount};
  }

  FakeWindow window;
  AppState state;
};

}  // namespace velmora::testing

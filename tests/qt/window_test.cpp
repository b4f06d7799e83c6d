// The client area as a user meets it: real mouse clicks on the cells, buttons and
// selectors, the picture against velmora-cli render of the same commands, the snapshot
// through the file dialog, the Tmin edit control of the series parameters panel, a failed
// start-up, and the picture at device pixels on a high-density screen.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/resource_dir.h"
#include "export/bmp.h"
#include "export/png.h"
#include "graphics/raster_canvas.h"
#include "harness.h"
#include "qt/client_area.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
#include "shell/paint.h"
#include "shell/params_panel.h"
#include "shell/snapshot.h"
#include "support/fake_window.h"
#include "support/recording_canvas.h"

namespace velmora::qt::testing {
namespace {

using Client = GuiTest;

template <typename R>
QPoint centre(const R& r) {
  return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

std::string bytesOf(const QString& path) {
  std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The picture velmora-cli render writes for `args` at the tests' client size.
Image renderedByTool(const QStringList& args) {
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("window.png"));
  QProcess tool;
  tool.start(QStringLiteral(VELMORA_CLI_PATH),
             QStringList{"render", "--size", "1280x800"} + args + QStringList{"--out", out});
  EXPECT_TRUE(tool.waitForFinished(60000));
  EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
  return readPng(QFile::encodeName(out).toStdString());
}

Image imageOf(const QImage& shown) {
  const QImage rgb = shown.convertToFormat(QImage::Format_RGB32);
  Image image(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x) image.at(x, y) = rgb.pixel(x, y) & 0xFFFFFFu;
  return image;
}

// Whether `face` lies in `picture` with its top-left corner at (x, y).
bool showsFace(const Image& picture, const Image& face, int32_t x, int32_t y) {
  for (int32_t v = 0; v < face.height; ++v)
    for (int32_t u = 0; u < face.width; ++u)
      if (!picture.contains(x + u, y + v) || picture.at(x + u, y + v) != face.at(u, v)) return false;
  return true;
}

TEST_F(Client, MouseClicksOnCellsButtonsAndSelectorsReachTheShell) {
  ClientArea* client = main->clientArea();
  client->flush();
  const ShellLayout& l = state().layout;

  // Recognition: a click toggles the etalon's flag.
  clickClient(centre(l.etalonCells[0]).x(), centre(l.etalonCells[0]).y());
  EXPECT_EQ(state().etalons.requiredFlags[0], 0);
  EXPECT_EQ(state().etalons.wRequiredCount, 19);
  // 19 of 20 flagged: the all/none button clears, then (at most half flagged) selects all.
  clickClient(centre(l.allNoneButton).x(), centre(l.allNoneButton).y());
  EXPECT_EQ(state().etalons.wRequiredCount, 0);
  EXPECT_TRUE(showsFace(imageOf(picture()), *buttonFace(state(), kBitmapSelectAll),
                        l.allNoneButton.left, l.allNoneButton.top));
  clickClient(centre(l.allNoneButton).x(), centre(l.allNoneButton).y());
  for (int k = 0; k < 20; ++k) EXPECT_EQ(state().etalons.requiredFlags[k], 1) << k;

  clickClient(centre(l.startSlot).x(), centre(l.startSlot).y());
  EXPECT_EQ(state().view.dwViewMode, kViewResults);
  ASSERT_NE(state().records.lpSeriesHeader, nullptr);
  EXPECT_GT(state().records.lpChainsHeader->wPretenders, 0);

  client->flush();
  ASSERT_EQ(l.noiseValues.size(), 3u);
  clickClient(centre(l.noiseValues[1]).x(), centre(l.noiseValues[1]).y());
  EXPECT_EQ(state().series.wNoiseLevelCur, 35);
  ASSERT_EQ(l.seriesLengthValues.size(), 3u);
  clickClient(centre(l.seriesLengthValues[0]).x(), centre(l.seriesLengthValues[0]).y());
  EXPECT_EQ(state().series.dwSeriesLengthCur, 200u);

  clickClient(centre(l.resultsSlot).x(), centre(l.resultsSlot).y());
  EXPECT_EQ(state().view.dwViewMode, kViewAlphabet);

  clickClient(centre(l.exitSlot).x(), centre(l.exitSlot).y());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !main->isVisible(); }, 5000));
  EXPECT_FALSE(state().running);
}

// The window shows exactly what velmora-cli render draws for the same commands: menu
// runs before the first paint, and clicks with a repaint after each press and release.
TEST_F(Client, PictureIsTheCommandLineRenderOfTheSameCommands) {
  const Image fresh = renderedByTool({});
  EXPECT_TRUE(imageOf(picture()).pixels == fresh.pixels);
  // What the widget puts on the screen, one to one.
  EXPECT_TRUE(imageOf(main->clientArea()->grab().toImage()).pixels == fresh.pixels);

  const ShellLayout& l = state().layout;
  const QPoint cell = centre(l.etalonCells[6]), noise = centre(l.noiseValues[2]),
               start = centre(l.startSlot), lost = centre(l.lostValues[0]);
  for (const QPoint& p : {cell, start, noise, lost}) clickClient(p.x(), p.y());
  QStringList clicks;
  for (const QPoint& p : {cell, start, noise, lost})
    clicks << "--click" << QStringLiteral("%1,%2").arg(p.x()).arg(p.y());
  const Image clicked = renderedByTool(clicks);
  EXPECT_TRUE(imageOf(picture()).pixels == clicked.pixels);
  EXPECT_TRUE(imageOf(main->clientArea()->grab().toImage()).pixels == clicked.pixels);

  // A window that runs the menu's commands before it is first shown.
  main.reset();
  main = std::make_unique<MainWindow>();
  ASSERT_TRUE(main->startUp());
  trigger(kCmdProcessNext);
  trigger(kCmdProcessNext);
  trigger(kCmdProcessSame);
  main->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
  setClientSize(1280, 800);
  EXPECT_TRUE(imageOf(picture()).pixels == renderedByTool({"--next", "2", "--same", "1"}).pixels);
}

// The whole client area is painted at every repaint, so a button the view shows appears
// even when the command asked to repaint only the graph area.
TEST_F(Client, NextDataFromTheMenuShowsTheResultsButton) {
  picture();
  trigger(kCmdProcessNext);
  const ShellLayout& l = state().layout;
  EXPECT_TRUE(showsFace(imageOf(picture()), *buttonFace(state(), kBitmapResults),
                        l.resultsSlot.left, l.resultsSlot.top));
}

// " Save image as...": the picture as shown goes to the file the dialog names, with the
// format of its extension; no extension gives a bitmap; an existing file is replaced
// only when the user confirms.
TEST_F(Client, SnapshotIsSavedThroughTheFileDialog) {
  QTemporaryDir dir;
  trigger(kCmdProcessNext);
  const Image shown = imageOf(picture());

  auto saveAs = [&](const QString& name) {
    return [&dir, name](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->windowTitle(), "Snapshot File Name");
      EXPECT_EQ(dialog->nameFilters(),
                (QStringList{"Bitmap Files (*.bmp)", "PCX Files (*.pcx)", "PNG Files (*.png)",
                             "SVG Files (*.svg)"}));
      EXPECT_EQ(dialog->selectedNameFilter(), "Bitmap Files (*.bmp)");
      auto* nameEdit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(nameEdit, nullptr);
      EXPECT_EQ(nameEdit->text(), "");  // no name is proposed
      dialog->setDirectory(dir.path());
      nameEdit->setFocus();
      typeText(nameEdit, name);
      // The name completer's list takes the next click; it goes first, as for a user.
      if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
      auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
      ASSERT_NE(buttons, nullptr);
      QAbstractButton* save = buttons->button(QDialogButtonBox::Save);
      ASSERT_NE(save, nullptr);
      QTest::mouseClick(save, Qt::LeftButton);
    };
  };

  ModalScript().then(saveAs("shot")).run([&] { trigger(kCmdSaveImage); });
  EXPECT_TRUE(bytesOf(dir.filePath("shot.bmp")) ==
              std::string(reinterpret_cast<const char*>(encodeBmp(shown).data()),
                          encodeBmp(shown).size()));

  ModalScript().then(saveAs("shot.png")).run([&] { trigger(kCmdSaveImage); });
  EXPECT_TRUE(readPng(QFile::encodeName(dir.filePath("shot.png")).toStdString()).pixels ==
              shown.pixels);

  // The same name again: "No" to the question returns to the dialog, which is cancelled.
  trigger(kCmdProcessNext);
  const std::string before = bytesOf(dir.filePath("shot.png"));
  ModalScript()
      .then(saveAs("shot.png"))
      .then([](QWidget* m) {
        answerBox(m, QMessageBox::No);
        // Back in the file dialog, the user gives up.
        QTimer::singleShot(0, [] { rejectAny(QApplication::activeModalWidget()); });
      })
      .run([&] { trigger(kCmdSaveImage); });
  EXPECT_EQ(bytesOf(dir.filePath("shot.png")), before);
  ModalScript()
      .then(saveAs("shot.png"))
      .then([](QWidget* m) { answerBox(m, QMessageBox::Yes); })
      .run([&] { trigger(kCmdSaveImage); });
  EXPECT_TRUE(readPng(QFile::encodeName(dir.filePath("shot.png")).toStdString()).pixels ==
              imageOf(picture()).pixels);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

// The panel's Tmin box is the child edit control: it sits on the box while the panel is
// shown, its text goes to Tmin on OK, and a refused value keeps everything.
TEST_F(Client, SeriesParametersPanelTakesTminFromTheEditControl) {
  trigger(kCmdProcessNext);
  trigger(kCmdViewSeriesParameters);
  picture();
  QLineEdit* edit = main->clientArea()->editControl();
  ASSERT_TRUE(edit->isVisible());
  const ShellLayout& l = state().layout;
  EXPECT_GE(edit->x(), l.graphArea.left);
  EXPECT_LE(edit->x() + edit->width(), l.graphArea.right + 1);
  EXPECT_EQ(edit->text(), "40");

  auto typeTmin = [&](const QString& text) {
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
  };
  const QPoint ok = centre(state().records.lpParamsHeader->okButton);

  typeTmin("x");
  BoxSeen seen;
  ModalScript().then([&](QWidget* m) { seen = answerBox(m); }).run([&] { clickClient(ok.x(), ok.y()); });
  EXPECT_EQ(seen.caption, kCaptionSeriesParameters);
  EXPECT_EQ(state().series.wTmin, 40);
  EXPECT_EQ(state().view.dwViewMode, kViewSeriesParameters);

  typeTmin("45");
  clickClient(ok.x(), ok.y());
  EXPECT_EQ(state().series.wTmin, 45);
  EXPECT_EQ(state().view.dwViewMode, kViewResults);
  EXPECT_FALSE(edit->isVisible());
}

// Over a handle or line of the panel the window captures the mouse and shows the sizing
// cursor of the part; off them it lets go and shows the arrow again.
TEST_F(Client, SeriesParametersPanelCapturesTheMouseOverItsHandles) {
  trigger(kCmdViewSeriesParameters);
  picture();
  ClientArea* client = main->clientArea();
  const ParamsHeader& p = *state().records.lpParamsHeader;
  QTest::mouseMove(client, centre(p.firstToHandle));
  EXPECT_EQ(QWidget::mouseGrabber(), client);
  EXPECT_EQ(client->cursor().shape(), Qt::SizeVerCursor);
  QTest::mouseMove(client, QPoint(p.tmaxLine.x1, p.tmaxLine.y1));
  EXPECT_EQ(QWidget::mouseGrabber(), client);
  EXPECT_EQ(client->cursor().shape(), Qt::SizeFDiagCursor);
  QTest::mouseMove(client, QPoint(12, 12));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(client->cursor().shape(), Qt::ArrowCursor);
}

TEST(StartUp, AMissingButtonFaceShowsItsMessageAndFails) {
  QTemporaryDir dir;
  namespace fs = std::filesystem;
  const fs::path resources = resourceDir();
  fs::copy(resources / "fonts", fs::path(dir.path().toStdString()) / "fonts");
  setResourceDir(dir.path().toStdString());
  BoxSeen seen;
  {
    MainWindow window;
    ModalScript().then([&](QWidget* m) { seen = answerBox(m); }).run([&] {
      EXPECT_FALSE(window.startUp());
    });
  }
  setResourceDir("");
  EXPECT_EQ(seen.caption, "Fatal Error");
  EXPECT_EQ(seen.text, "No Bitmap <ButtonStart>");
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
}

// The window cannot be made smaller than the layout needs: at 400 × 300 the buttons
// would cover the selectors.
TEST_F(Client, TheWindowKeepsTheLeastSizeTheLayoutNeeds) {
  const QSize least = main->clientArea()->minimumClientSize();
  EXPECT_GT(least.width(), 800);
  EXPECT_GT(least.height(), 300);
  main->resize(400, 300);
  QApplication::processEvents();
  EXPECT_EQ(main->clientArea()->size(), least);
  setClientSize(1280, 800);  // and grows again
}

// Run with QT_SCALE_FACTOR 1.25, 1.5 and 2 (ctest entries of their own): the shell lays
// out and draws in logical pixels and the window shows that picture at its device pixels
// with everything scaled, the button faces included, in every view; clicks and the edit
// control are in logical pixels.
TEST_F(Client, HighDensityScreenShowsEveryViewScaled) {
  ClientArea* client = main->clientArea();
  const qreal ratio = client->devicePixelRatioF();
  if (ratio == 1.0) GTEST_SKIP() << "needs a device pixel ratio above 1 (QT_SCALE_FACTOR)";
  const int32_t milli = pixelRatioMilli(ratio);
  auto device = [&](int64_t v) { return static_cast<int32_t>(v * milli / 1000); };

  // The window's picture, painted afresh, is the logical view painted at the screen's ratio.
  auto expectScaledView = [&](const char* what, const std::string& text) {
    SCOPED_TRACE(what);
    client->invalidate(nullptr, true);
    const QImage shown = picture();
    ASSERT_EQ(shown.size(), QSize(device(1280), device(800)));
    RasterCanvas canvas(1280, 800, kDefaultWindowFontHeight, ratio);
    canvas.fillRect(canvas.surface(), kWindowBackground);
    velmora::testing::FakeWindow fake;
    fake.setEditText(client->editControl()->text().toStdString());  // the panel shows it
    AppState& s = state();
    const ShellLayout kept = s.layout;
    const uint32_t details = s.flags.dwTypeMoreDetails;
    paint(canvas, fake, s, Rect{0, 0, 1280, 800});
    s.flags.dwTypeMoreDetails = details;
    EXPECT_TRUE(s.layout.graphArea == kept.graphArea);
    EXPECT_TRUE(imageOf(shown).pixels == canvas.image().pixels);
    // The view is drawn, not blank: its text is there at device pixels.
    velmora::testing::RecordingCanvas texts(1280, 800);
    paint(texts, fake, s, Rect{0, 0, 1280, 800});
    s.flags.dwTypeMoreDetails = details;
    EXPECT_NE(texts.findText(text), nullptr) << text;
    // The Start face fills its slot's device pixels, scaled smoothly from the 1× face.
    const Image* face = buttonFace(s, kBitmapStart);
    ASSERT_NE(face, nullptr);
    const Rect slot = s.layout.startSlot;
    RasterCanvas scaled(face->width, face->height, kDefaultWindowFontHeight, ratio);
    scaled.drawImage(0, 0, *face);
    EXPECT_TRUE(showsFace(imageOf(shown), scaled.image(), device(slot.left), device(slot.top)));
  };

  expectScaledView("alphabet", " pulse 20 [");
  const QPixmap grabbed = client->grab();
  EXPECT_EQ(grabbed.devicePixelRatio(), ratio);
  EXPECT_TRUE(imageOf(grabbed.toImage()).pixels == imageOf(picture()).pixels);
  const QPoint start = centre(state().layout.startSlot);
  clickClient(start.x(), start.y());
  ASSERT_EQ(state().view.dwViewMode, kViewResults);
  expectScaledView("results", "Restore Error ");
  trigger(kCmdViewSeriesParameters);
  ASSERT_EQ(state().view.dwViewMode, kViewSeriesParameters);
  expectScaledView("series parameters", " Tmin = ");
  ModalScript()
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
        type(d, kIdcSimRepeats, "2");
        pressOk(d);
      })
      .then([](QWidget* m) { answerBox(m); })
      .otherwise([](QWidget* d) { pressOk(d); })  // the statistics display dialog
      .run([&] { trigger(kCmdSimulation); });
  ASSERT_EQ(state().view.wResultKind, kResultSimulation);
  expectScaledView("statistics", "etEnergy=");
  trigger(kCmdFixedTuples);
  trigger(kCmdSelectSubset);
  ASSERT_EQ(state().view.dwViewMode, kViewSubsetSelection);
  expectScaledView("subset selection", " Delete All ");

  // A click lands on the logical pixel under it.
  trigger(kCmdFixedCutoffs);
  state().view.dwViewMode = kViewAlphabet;
  client->invalidate(nullptr, true);
  picture();
  const QPoint cell = centre(state().layout.etalonCells[3]);
  const uint16_t flag = state().etalons.requiredFlags[3];
  clickClient(cell.x(), cell.y());
  EXPECT_NE(state().etalons.requiredFlags[3], flag);
}

}  // namespace
}  // namespace velmora::qt::testing

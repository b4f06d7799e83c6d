#include "qt/desktop_window.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

#include "qt/client_area.h"
#include "qt/main_window.h"
#include "qt/template_dialog.h"
#include "shell/resources.h"

namespace velmora::qt {

namespace {

QMessageBox::Icon boxIcon(unsigned flags) {
  switch (flags & kMbIconMask) {
    case kMbIconError: return QMessageBox::Critical;
    case kMbIconQuestion: return QMessageBox::Question;
    case kMbIconWarning: return QMessageBox::Warning;
    case kMbIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

// The extension a filter's pattern names ("*.bmp" gives "bmp"); empty for "*" or "*.*".
QString patternExtension(const std::string& pattern) {
  const QString p = QString::fromStdString(pattern);
  const int dot = p.lastIndexOf(QLatin1Char('.'));
  if (dot < 0) return {};
  const QString ext = p.mid(dot + 1);
  return ext.contains(QLatin1Char('*')) ? QString() : ext;
}

}  // namespace

QString nameFilter(const FileFilter& filter) {
  const QString description = QString::fromUtf8(filter.description.c_str());
  const QString pattern = QString::fromUtf8(filter.pattern.c_str());
  if (description.contains(QLatin1Char('(') + pattern + QLatin1Char(')'))) return description;
  return QStringLiteral("%1 (%2)").arg(description, pattern);
}

int DesktopWindow::messageBox(const std::string& text, const char* caption, unsigned flags) {
  QMessageBox box(boxIcon(flags), QString::fromUtf8(caption ? caption : kDefaultCaption),
                  QString::fromUtf8(text.c_str()), QMessageBox::NoButton, &main_);
  box.setTextFormat(Qt::PlainText);
  switch (flags & kMbButtonMask) {
    case kMbOkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Ok);
      return box.exec() == QMessageBox::Ok ? kIdOk : kIdCancel;
    case kMbYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      return box.exec() == QMessageBox::Yes ? kIdYes : kIdNo;
    default:
      box.setStandardButtons(QMessageBox::Ok);
      box.exec();
      return kIdOk;
  }
}

void DesktopWindow::setEditText(const std::string& text) {
  main_.clientArea()->editControl()->setText(QString::fromUtf8(text.c_str()));
}

std::string DesktopWindow::editText() const {
  return main_.clientArea()->editControl()->text().toStdString();
}

void DesktopWindow::moveEditControl(int32_t x, int32_t y, int32_t width, int32_t height) {
  main_.clientArea()->moveEditControl(x, y, width, height);
}

int DesktopWindow::runDialog(int dialogId, DialogControls& controls) {
  const DialogTemplate* tpl = findDialogTemplate(dialogId);
  if (!tpl) return kIdCancel;
  TemplateDialog dialog(&main_, *tpl, controls);
  const int answer = dialog.exec() == QDialog::Accepted ? kIdOk : kIdCancel;
  dialog.store(controls);
  return answer;
}

void DesktopWindow::invalidateRect(const Rect* rect, bool erase) {
  main_.clientArea()->invalidate(rect, erase);
}

void DesktopWindow::close() { main_.requestClose(); }

void DesktopWindow::checkMenuItem(int itemId, bool checked) { main_.setMenuCheck(itemId, checked); }

void DesktopWindow::setCapture() { main_.clientArea()->setCaptured(true); }

void DesktopWindow::releaseCapture() { main_.clientArea()->setCaptured(false); }

void DesktopWindow::setCursor(Cursor cursor) { main_.clientArea()->setShapeCursor(cursor); }

// Qt's own file dialog (the same on every desktop, and scriptable): the request's title
// and filters, the first preselected, no name proposed. A name typed without an
// extension takes the extension of the filter chosen, the request's default at first.
bool DesktopWindow::saveFileDialog(const SaveFileRequest& request, std::string& path) {
  path.clear();
  QFileDialog dialog(&main_, QString::fromUtf8(request.title.c_str()));
  dialog.setObjectName(QStringLiteral("saveFileDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
  QStringList filters;
  for (const FileFilter& f : request.filters) filters << nameFilter(f);
  dialog.setNameFilters(filters);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
  dialog.setDefaultSuffix(QString::fromUtf8(request.defaultExtension.c_str()));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog, &request, filters](const QString& chosen) {
                     const qsizetype k = filters.indexOf(chosen);
                     if (k < 0) return;
                     const QString ext =
                         patternExtension(request.filters[static_cast<size_t>(k)].pattern);
                     dialog.setDefaultSuffix(
                         ext.isEmpty() ? QString::fromUtf8(request.defaultExtension.c_str()) : ext);
                   });
  if (!lastFolder_.isEmpty()) dialog.setDirectory(lastFolder_);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  const QString chosen = dialog.selectedFiles().front();
  lastFolder_ = QFileInfo(chosen).absolutePath();
  path = QFile::encodeName(chosen).toStdString();
  return true;
}

}  // namespace velmora::qt

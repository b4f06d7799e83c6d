// A parameter dialog built from its template: group boxes, labels, edits, radio buttons
// and check boxes in the template's tab order, OK and Cancel. It shows the control values
// the shell initialised and hands back what the user left in them, with the check boxes
// and radio buttons clicked, in order. Its behaviour stays in the shell.
#pragma once

#include <QDialog>

#include <map>
#include <vector>

#include "common/window.h"
#include "shell/resources.h"

class QAbstractButton;
class QLineEdit;

namespace velmora::qt {

class TemplateDialog : public QDialog {
  Q_OBJECT

 public:
  TemplateDialog(QWidget* parent, const DialogTemplate& tpl, const DialogControls& controls);

  // Writes the edits' texts, the buttons' states and the clicks into `controls`.
  void store(DialogControls& controls) const;

  // The widget of control `id`; null when the dialog has none.
  QWidget* control(int id) const;

  // The size in pixels of `width` × `height` dialog units with the template's font.
  static QSize dialogUnitsToPixels(const DialogTemplate& tpl, int width, int height);

 private:
  std::map<int, QWidget*> widgets_;
  std::map<int, QLineEdit*> edits_;
  std::map<int, QAbstractButton*> toggles_;  // check boxes and radio buttons
  std::vector<int> clicks_;
};

}  // namespace velmora::qt

#include "qt/template_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmora::qt {

namespace {

QString text(const char* s) { return QString::fromUtf8(s); }

QFont templateFont(const DialogTemplate& tpl) {
  QFont font(text(tpl.fontName));
  font.setPointSize(tpl.fontSize);
  return font;
}

QString objectNameOf(int id) { return QStringLiteral("control_%1").arg(id); }

}  // namespace

// Dialog units as the classic dialog manager defines them: a horizontal unit is a quarter
// of the font's average character width (over the 52 Latin letters), a vertical unit an
// eighth of its height.
QSize TemplateDialog::dialogUnitsToPixels(const DialogTemplate& tpl, int width, int height) {
  const QFontMetrics metrics(templateFont(tpl));
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  const int baseX = (letters / 26 + 1) / 2;
  const int baseY = metrics.height();
  return QSize((width * baseX + 2) / 4, (height * baseY + 4) / 8);
}

TemplateDialog::TemplateDialog(QWidget* parent, const DialogTemplate& tpl,
                               const DialogControls& controls)
    : QDialog(parent) {
  setObjectName(QStringLiteral("dialog_%1").arg(tpl.id));
  setWindowTitle(text(tpl.title));
  setFont(templateFont(tpl));

  auto* top = new QVBoxLayout(this);
  top->setSpacing(6);
  std::vector<QGridLayout*> groups;  // the grid of group box k at k - 1
  QGridLayout* loose = nullptr;      // controls outside a group since the last group box
  std::map<QGridLayout*, int> nextRow;
  std::map<int, QButtonGroup*> radioGroups;
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch();
  std::vector<QWidget*> tabOrder;

  auto gridFor = [&](int group) {
    if (group > 0 && static_cast<size_t>(group) <= groups.size()) return groups[group - 1];
    if (!loose) {
      loose = new QGridLayout;
      loose->setVerticalSpacing(2);
      top->addLayout(loose);
    }
    return loose;
  };
  auto toggled = [this](int id, QAbstractButton* button) {
    toggles_[id] = button;
    connect(button, &QAbstractButton::clicked, this, [this, id] { clicks_.push_back(id); });
  };

  for (size_t k = 0; k < tpl.controlCount; ++k) {
    const ControlTemplate& c = tpl.controls[k];
    QWidget* widget = nullptr;
    switch (c.kind) {
      case ControlKind::kGroupBox: {
        auto* box = new QGroupBox(text(c.text), this);
        groups.push_back(new QGridLayout(box));
        groups.back()->setVerticalSpacing(2);
        top->addWidget(box);
        loose = nullptr;
        continue;
      }
      case ControlKind::kLabel:
      case ControlKind::kStatic: {
        const bool hasText = c.id != kNoControlId && controls.texts.count(c.id);
        auto* label = new QLabel(hasText ? QString::fromUtf8(controls.text(c.id).c_str())
                                         : text(c.text),
                                 this);
        widget = label;
        QGridLayout* grid = gridFor(c.group);
        int& row = nextRow[grid];
        const ControlTemplate* next = k + 1 < tpl.controlCount ? &tpl.controls[k + 1] : nullptr;
        if (next && next->kind == ControlKind::kEdit && next->group == c.group &&
            c.kind == ControlKind::kLabel) {
          grid->addWidget(label, row, 0);  // the edit follows on the same row
        } else {
          grid->addWidget(label, row++, 0, 1, 2);  // a static's text varies: the edit goes below
        }
        break;
      }
      case ControlKind::kEdit: {
        auto* edit = new QLineEdit(this);
        edit->setText(controls.texts.count(c.id) ? QString::fromUtf8(controls.text(c.id).c_str())
                                                 : text(c.text));
        edits_[c.id] = edit;
        widget = edit;
        QGridLayout* grid = gridFor(c.group);
        int& row = nextRow[grid];
        const bool besideLabel = k > 0 && tpl.controls[k - 1].kind == ControlKind::kLabel &&
                                 tpl.controls[k - 1].group == c.group;
        if (besideLabel)
          grid->addWidget(edit, row++, 1);
        else
          grid->addWidget(edit, row++, 0, 1, 2);
        tabOrder.push_back(edit);
        break;
      }
      case ControlKind::kCheckBox:
      case ControlKind::kRadioButton: {
        QAbstractButton* button = nullptr;
        if (c.kind == ControlKind::kCheckBox) {
          button = new QCheckBox(text(c.text), this);
        } else {
          button = new QRadioButton(text(c.text), this);
          QButtonGroup*& group = radioGroups[c.radioGroup];
          if (!group) group = new QButtonGroup(this);
          group->addButton(button, c.id);
        }
        button->setChecked(controls.checked(c.id));
        toggled(c.id, button);
        widget = button;
        QGridLayout* grid = gridFor(c.group);
        grid->addWidget(button, nextRow[grid]++, 0, 1, 2);
        tabOrder.push_back(button);
        break;
      }
      case ControlKind::kButton: {
        auto* button = new QPushButton(text(c.text), this);
        if (c.id == 1) {
          button->setDefault(true);
          connect(button, &QPushButton::clicked, this, &QDialog::accept);
        } else {
          connect(button, &QPushButton::clicked, this, &QDialog::reject);
        }
        buttonRow->addWidget(button);
        widget = button;
        tabOrder.push_back(button);
        break;
      }
    }
    if (c.disabled) widget->setEnabled(false);
    if (c.id != kNoControlId) {
      widget->setObjectName(objectNameOf(c.id));
      widgets_[c.id] = widget;
    }
  }
  top->addStretch();
  top->addLayout(buttonRow);

  for (size_t k = 1; k < tabOrder.size(); ++k) setTabOrder(tabOrder[k - 1], tabOrder[k]);
  for (QWidget* w : tabOrder)
    if (w->isEnabled()) {
      w->setFocus();
      break;
    }
  // The template's size, unless the contents need more with this machine's fonts.
  resize(dialogUnitsToPixels(tpl, tpl.width, tpl.height).expandedTo(sizeHint()));
}

void TemplateDialog::store(DialogControls& controls) const {
  for (const auto& [id, edit] : edits_) controls.setText(id, edit->text().toStdString());
  for (const auto& [id, button] : toggles_) controls.setChecked(id, button->isChecked());
  for (int id : clicks_) controls.click(id);
}

QWidget* TemplateDialog::control(int id) const {
  auto it = widgets_.find(id);
  return it == widgets_.end() ? nullptr : it->second;
}

}  // namespace velmora::qt

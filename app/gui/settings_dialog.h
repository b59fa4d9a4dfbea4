// The Settings dialog: the named settings in name order, the chosen one's summary, and Create,
// Delete, rename-by-typing and OK, which puts the chosen setting in force. While the settings
// in force were changed in a setup dialog and carry no name yet, the list ends with the entry
// "New Option" for them. Cancel puts the list back as it was.
#pragma once

#include <QDialog>

#include "app/program.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vl::gui {

class SettingsDialog : public QDialog {
  Q_OBJECT
 public:
  // `modified`: the settings in force were changed since a setting was last chosen or created;
  // cleared when one is. `separator`: the decimal separator of the summary.
  SettingsDialog(app::Program& program, bool& modified, char separator,
                 QWidget* parent = nullptr);

  void accept() override;
  void reject() override;
  void create();
  void deleteSelected();

  QListWidget* list() const { return list_; }
  QLineEdit* nameField() const { return name_; }
  QLabel* summary() const { return summary_; }

 private:
  void fill(const std::string& select);
  void selectionChanged();
  void nameEdited(const QString& text);
  bool nameAcceptable(bool creating);
  bool newOptionSelected() const;
  int selectedRow() const;

  app::Program& program_;
  bool& modified_;
  char separator_;
  settings::NamedSettings before_;  // for Cancel
  bool newOption_ = false;          // the list ends with "New Option"
  QListWidget* list_;
  QLineEdit* name_;
  QLabel* nameLabel_;
  QLabel* summary_;
  QPushButton *create_, *delete_, *ok_;
};

}  // namespace vl::gui

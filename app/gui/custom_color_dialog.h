// The Custom Color dialog: the custom colour table as a list (tagged colours checked, each with
// its swatch), the chosen colour's name and inks in percent, New and Delete, and the count line.
// It edits a copy; OK applies the copy to the table, Cancel leaves table and art untouched.
#pragma once

#include <QDialog>
#include <vector>

#include "app/program.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;

namespace vl::gui {

// An ink byte as the percentage the fields show, and back.
int InkPercent(std::uint8_t ink);
std::uint8_t InkFromPercent(int percent);

// "%d Tag," or "%d Tags," then " %d Total Color" or " %d Total Colors".
std::string ColorCountLine(int tagged, int total);

class CustomColorDialog : public QDialog {
  Q_OBJECT
 public:
  CustomColorDialog(app::Program& program, QWidget* parent = nullptr);

  // OK: the chosen colour's name must be valid; then deletions reach the table and the art
  // (paths painted with a deleted colour turn to process paint) and the edits are written.
  void accept() override;

  // Buttons, reachable by tests as by the keyboard.
  void newColor();
  void deleteSelected();
  QListWidget* list() const { return list_; }
  QLineEdit* nameField() const { return name_; }
  QSpinBox* inkField(int ink) const { return inks_[ink]; }
  QLabel* countLine() const { return count_; }

 private:
  struct Row {
    art::CustomColor color;
    std::ptrdiff_t original;  // position in the table when the dialog opened; -1 when new
  };
  void fill(int current);
  void showCurrent();
  void updateCount();
  bool nameAcceptable();  // the current row's name: not empty and not another row's
  void refreshItem(int row);

  app::Program& program_;
  std::vector<Row> rows_;
  int current_ = -1;
  bool filling_ = false;
  QListWidget* list_;
  QLineEdit* name_;
  QSpinBox* inks_[4];
  QLabel* count_;
};

}  // namespace vl::gui

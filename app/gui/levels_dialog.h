// The Levels dialog: the histogram of the image, the black, gamma and white fields with the
// slider strip under the histogram, a preview in the image window, and OK that leaves the
// levels pending in the image's tone table as one undoable step (the colour layer takes them
// when the next step is recorded or Levels opens again).
#pragma once

#include <QDialog>
#include <functional>

#include "app/document.h"
#include "app/program.h"
#include "image/levels.h"

class QLineEdit;

namespace vl::gui {

// The gamma field's text: two decimals with the locale's separator ("1,00").
QString GammaText(double gamma, char separator);
// Reads the gamma field: the separator becomes ".", every other character that is not a digit
// or "." is dropped, so "1a5" reads 15. False when nothing numeric is left.
bool ReadGammaText(const QString& text, char separator, double& gamma);

// The strip's marker nearest the press at sample position p: 0 black, 1 middle, 2 white.
int LevelsMarkerAt(const image::LevelsValues& v, int p);
// Moves `marker` to sample position p with the strip's limits.
void DragLevelsMarker(image::LevelsValues& v, int marker, int p);

class HistogramBox;
class LevelsStrip;

class LevelsDialog : public QDialog {
  Q_OBJECT
 public:
  // `redraw` shows the image again after the tone table changed.
  LevelsDialog(app::Program& program, app::Document& doc, char separator,
               std::function<void()> redraw, QWidget* parent = nullptr);
  void accept() override;
  void reject() override;
  const image::LevelsValues& values() const { return values_; }
  void setValues(const image::LevelsValues& v);  // as if dragged: fields and strip follow

 private:
  bool validate();
  void preview();
  void reset();
  void fieldEdited(int which);
  void showFields(int except = -1);

  app::Program& program_;
  app::Document& doc_;
  char separator_;
  std::function<void()> redraw_;
  image::LevelsValues values_;
  bool previewShown_ = false;
  QLineEdit* black_;
  QLineEdit* gamma_;
  QLineEdit* white_;
  HistogramBox* histogram_;
  LevelsStrip* strip_;
};

// The Adjust Levels command: refuses black-and-white images and colour left in the file,
// writes pending levels into the colour layer, then runs the dialog.
void OpenLevels(app::Program& program, app::Document& doc, char separator,
                const std::function<void()>& redraw, QWidget* parent);

}  // namespace vl::gui

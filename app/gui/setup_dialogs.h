// Conversion Setup and Color/Grayscale Setup: the two dialogs that edit the working copy of the
// conversion settings. Every rule lives in settings/ (validation, defaults, the posterization
// mode, the decimal fields); the dialogs show, ask and move the focus.
#pragma once

#include <QDialog>

#include "app/program.h"
#include "settings/settings_defaults.h"
#include "settings/settings_validation.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSlider;

namespace vl::gui {

// The decimal separator of the user's locale.
char LocaleDecimalSeparator();

class ConversionSetupDialog : public QDialog {
  Q_OBJECT
 public:
  // Copies the settings in force into the working copy and fills the controls. `separator`:
  // the decimal separator the fields use.
  ConversionSetupDialog(app::Program& program, char separator, QWidget* parent = nullptr);

  // OK: reads and validates the fields; on success the working copy is put in force and the
  // dialog closes. A failure corrects the field, shows the message and keeps the dialog open.
  void accept() override;

 private:
  void fill();
  void updateEnabled();
  void toggled(QCheckBox* box, settings::Flag flag, bool on);
  void readFields();
  QLineEdit* fieldFor(settings::SettingsField field) const;
  void decimalEdited(QLineEdit* edit, QSlider* slider, int scale);

  app::Program& program_;
  char separator_;
  settings::ConversionSettings& s_;
  QCheckBox *outline_, *centerline_, *lineRecognition_, *interactive_, *whiteLines_, *uniform_,
      *reverse_, *separate_, *closeFit_;
  QLineEdit *noise_, *thinning_, *weight_, *tolerance_, *straight_;
  QSlider *noiseSlider_, *thinningSlider_, *toleranceSlider_, *straightSlider_;
  QRadioButton* lines_[3];
  bool filling_ = false;
};

class ColorSetupDialog : public QDialog {
  Q_OBJECT
 public:
  ColorSetupDialog(app::Program& program, QWidget* parent = nullptr);
  void accept() override;

 private:
  void fill();
  void updateEnabled();
  void showMaximum();
  bool grayImageOpen() const;
  settings::PosterizationMode mode() const;

  app::Program& program_;
  settings::ConversionSettings& s_;
  QComboBox* posterization_;
  QLineEdit *maxColors_, *complexity_, *threshold_, *contrast_, *boostPercent_;
  QComboBox* noiseReduction_;
  QRadioButton *thresholdMode_, *contrastMode_;
  QCheckBox *boost_, *reduceDetail_, *addNewColors_, *taggedOnly_, *tints_, *averaging_;
  bool filling_ = false;
};

}  // namespace vl::gui

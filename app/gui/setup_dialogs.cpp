// The two setup dialogs.
#include "app/gui/setup_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cstdlib>
#include <string>

#include "base/message_table.h"
#include "settings/decimal_field.h"
#include "settings/settings_defaults.h"

namespace vl::gui {

namespace {

using settings::Flag;
using settings::SettingsField;

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
QString MsgText(int number) { return Q(msg::Text(number)); }

QCheckBox* Check(QWidget* parent, const char* text, const char* name) {
  auto* box = new QCheckBox(QString::fromUtf8(text), parent);
  box->setObjectName(QString::fromUtf8(name));
  return box;
}

QLineEdit* Field(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromUtf8(name));
  edit->setMaxLength(int(settings::kMaxFieldChars));
  edit->setMaximumWidth(80);
  return edit;
}

QSlider* Slider(QWidget* parent, int low, int high, const char* name) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setObjectName(QString::fromUtf8(name));
  slider->setRange(low, high);
  return slider;
}

// A plain integer field: the leading number, 0 when there is none.
long ReadInteger(const QLineEdit* edit) {
  const std::string text = edit->text().toStdString();
  return std::strtol(text.c_str(), nullptr, 10);
}

std::int16_t ToInt16(long v) { return std::int16_t(std::clamp<long>(v, -32768, 32767)); }

void Focus(QLineEdit* edit) {
  if (!edit) return;
  edit->setFocus();
  edit->selectAll();
}

// "1.0" with the user's separator, for the scale labels under the tenths sliders.
QString TenthsLabel(int tenths, char separator) { return Q(settings::formatTenths(tenths, separator)); }

}  // namespace

char LocaleDecimalSeparator() {
  const QString point = QLocale().decimalPoint();
  return point.isEmpty() ? '.' : point.at(0).toLatin1() ? point.at(0).toLatin1() : '.';
}

// ---- Conversion Setup ---------------------------------------------------------------------

ConversionSetupDialog::ConversionSetupDialog(app::Program& program, char separator,
                                             QWidget* parent)
    : QDialog(parent), program_(program), separator_(separator), s_(program.dialogSettings) {
  setObjectName(QStringLiteral("CONVERSION_SETUP"));
  setWindowTitle(QStringLiteral("Conversion Setup"));
  s_ = program_.activeSettings;

  auto* methods = new QGroupBox(QStringLiteral("Method"), this);
  auto* methodLayout = new QVBoxLayout(methods);
  outline_ = Check(methods, "&Outline", "outline");
  centerline_ = Check(methods, "&Centerline", "centerline");
  lineRecognition_ = Check(methods, "&Line Recognition", "lineRecognition");
  for (QCheckBox* b : {outline_, centerline_, lineRecognition_}) methodLayout->addWidget(b);

  auto* options = new QGroupBox(QStringLiteral("Options"), this);
  auto* optionLayout = new QVBoxLayout(options);
  interactive_ = Check(options, "&Interactive Thinning", "interactiveThinning");
  whiteLines_ = Check(options, "&White Lines", "whiteLines");
  uniform_ = Check(options, "&Uniform Line Weight", "uniformLineWeight");
  reverse_ = Check(options, "&Reverse Image", "reverseImage");
  separate_ = Check(options, "Se&parate Shapes", "separateShapes");
  // Not a field of the settings record: a preference, which sets the program's fit mode.
  closeFit_ = Check(options, "Close &Fit (slower)", "closeFit");
  closeFit_->setChecked(program_.livePrefs.closeFit());
  for (QCheckBox* b : {interactive_, whiteLines_, uniform_, reverse_, separate_, closeFit_})
    optionLayout->addWidget(b);

  auto* values = new QGroupBox(QStringLiteral("Values"), this);
  auto* grid = new QGridLayout(values);
  noise_ = Field(values, "noiseSuppression");
  thinning_ = Field(values, "lineThinning");
  weight_ = Field(values, "uniformWeight");
  tolerance_ = Field(values, "tolerance");
  straight_ = Field(values, "straightToCurved");
  noiseSlider_ = Slider(values, 1, 80, "noiseSlider");
  thinningSlider_ = Slider(values, 0, 20, "thinningSlider");
  toleranceSlider_ = Slider(values, 10, 50, "toleranceSlider");
  straightSlider_ = Slider(values, 10, 50, "straightSlider");
  auto row = [&](int r, const char* text, QLineEdit* edit, QSlider* slider, const char* low,
                 const char* high) {
    auto* label = new QLabel(QString::fromUtf8(text), values);
    label->setBuddy(edit);
    grid->addWidget(label, r, 0);
    grid->addWidget(edit, r, 1);
    if (!slider) return;
    grid->addWidget(new QLabel(QString::fromUtf8(low), values), r, 2);
    grid->addWidget(slider, r, 3);
    grid->addWidget(new QLabel(QString::fromUtf8(high), values), r, 4);
  };
  row(0, "&Noise Suppression (pixels):", noise_, noiseSlider_, "1", "80");
  row(1, "Line &Thinning (pixels):", thinning_, thinningSlider_, "0", "20");
  row(2, "Line &weight (points):", weight_, nullptr, "", "");
  const std::string one = settings::formatTenths(10, separator_);
  const std::string five = settings::formatTenths(50, separator_);
  row(3, "T&olerance:", tolerance_, toleranceSlider_, ("tight " + one).c_str(),
      (five + " loose").c_str());
  row(4, "&Straight to Curved:", straight_, straightSlider_, ("straight " + one).c_str(),
      (five + " curved").c_str());

  auto* lines = new QGroupBox(QStringLiteral("Lines"), this);
  auto* linesLayout = new QVBoxLayout(lines);
  for (int i = 0; i < 3; ++i) {
    lines_[i] = new QRadioButton(MsgText(msg::kLinesModeCurvedAndStraight + i), lines);
    lines_[i]->setObjectName(QStringLiteral("lines%1").arg(i));
    linesLayout->addWidget(lines_[i]);
    connect(lines_[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (filling_ || !on) return;
      s_.linesMode = std::int16_t(i);
      updateEnabled();
    });
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* defaults = buttons->addButton(QStringLiteral("&Defaults"), QDialogButtonBox::ResetRole);
  defaults->setObjectName(QStringLiteral("defaults"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(defaults, &QPushButton::clicked, this, [this] {
    readFields();
    settings::setConversionDefaults(s_);
    fill();
  });

  auto* top = new QHBoxLayout;
  top->addWidget(methods);
  top->addWidget(options);
  top->addWidget(lines);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(values);
  layout->addWidget(buttons);

  const std::pair<QCheckBox*, Flag> flags[] = {
      {outline_, settings::kMethodOutline},       {centerline_, settings::kMethodCenterline},
      {lineRecognition_, settings::kMethodLineRecognition},
      {interactive_, settings::kInteractiveThinning}, {whiteLines_, settings::kWhiteLines},
      {uniform_, settings::kUniformLineWeight},   {reverse_, settings::kReverseImage},
      {separate_, settings::kSeparateShapes}};
  for (const auto& [box, flag] : flags) {
    QCheckBox* b = box;
    const Flag f = flag;
    connect(b, &QCheckBox::toggled, this, [this, b, f](bool on) { toggled(b, f, on); });
  }
  connect(noise_, &QLineEdit::textEdited, this, [this] { decimalEdited(noise_, noiseSlider_, 100); });
  connect(thinning_, &QLineEdit::textEdited, this,
          [this] { decimalEdited(thinning_, thinningSlider_, 100); });
  connect(weight_, &QLineEdit::textEdited, this, [this] { decimalEdited(weight_, nullptr, 100); });
  connect(tolerance_, &QLineEdit::textEdited, this,
          [this] { decimalEdited(tolerance_, toleranceSlider_, 10); });
  connect(straight_, &QLineEdit::textEdited, this,
          [this] { decimalEdited(straight_, straightSlider_, 10); });
  // Moving a slider writes its value into the field.
  connect(noiseSlider_, &QSlider::valueChanged, this, [this](int v) {
    if (!filling_) noise_->setText(Q(settings::formatHundredths(v * 100, separator_)));
  });
  connect(thinningSlider_, &QSlider::valueChanged, this, [this](int v) {
    if (!filling_) thinning_->setText(Q(settings::formatHundredths(v * 100, separator_)));
  });
  connect(toleranceSlider_, &QSlider::valueChanged, this, [this](int v) {
    if (!filling_) tolerance_->setText(TenthsLabel(v, separator_));
  });
  connect(straightSlider_, &QSlider::valueChanged, this, [this](int v) {
    if (!filling_) straight_->setText(TenthsLabel(v, separator_));
  });
  fill();
}

void ConversionSetupDialog::fill() {
  filling_ = true;
  outline_->setChecked(s_.has(settings::kMethodOutline));
  centerline_->setChecked(s_.has(settings::kMethodCenterline));
  lineRecognition_->setChecked(s_.has(settings::kMethodLineRecognition));
  interactive_->setChecked(s_.has(settings::kInteractiveThinning));
  whiteLines_->setChecked(s_.has(settings::kWhiteLines));
  uniform_->setChecked(s_.has(settings::kUniformLineWeight));
  reverse_->setChecked(s_.has(settings::kReverseImage));
  separate_->setChecked(s_.has(settings::kSeparateShapes));
  noise_->setText(Q(settings::formatHundredths(s_.noiseSuppression, separator_)));
  thinning_->setText(Q(settings::formatHundredths(s_.lineThinning, separator_)));
  weight_->setText(Q(settings::formatHundredths(s_.uniformWeight, separator_)));
  tolerance_->setText(TenthsLabel(s_.tolerance, separator_));
  straight_->setText(TenthsLabel(s_.straightToCurved, separator_));
  noiseSlider_->setValue(s_.noiseSuppression / 100);
  thinningSlider_->setValue(s_.lineThinning / 100);
  toleranceSlider_->setValue(s_.tolerance);
  straightSlider_->setValue(s_.straightToCurved);
  lines_[std::clamp<int>(s_.linesMode, 0, 2)]->setChecked(true);
  filling_ = false;
  updateEnabled();
}

void ConversionSetupDialog::updateEnabled() {
  const bool outline = s_.has(settings::kMethodOutline);
  const bool center = s_.has(settings::kMethodCenterline);
  const bool lines = s_.has(settings::kMethodLineRecognition);
  const bool thinning = center || (outline && lines);
  noise_->setEnabled(outline);
  noiseSlider_->setEnabled(outline);
  thinning_->setEnabled(thinning);
  thinningSlider_->setEnabled(thinning);
  interactive_->setEnabled(thinning);
  whiteLines_->setEnabled(center || lines);
  uniform_->setEnabled(center || lines);
  weight_->setEnabled(s_.has(settings::kUniformLineWeight) && (center || lines));
  separate_->setEnabled(center);
  const bool tolerance = outline || center;
  tolerance_->setEnabled(tolerance);
  toleranceSlider_->setEnabled(tolerance);
  for (QRadioButton* r : lines_) r->setEnabled(tolerance);
  const bool straight = tolerance && s_.linesMode == settings::kCurvedAndStraight;
  straight_->setEnabled(straight);
  straightSlider_->setEnabled(straight);
}

void ConversionSetupDialog::toggled(QCheckBox* box, Flag flag, bool on) {
  if (filling_) return;
  if (const int question = settings::SetMethodOption(s_, flag, on); question != 0) {
    const int answer = program_.ui->askOkCancel(msg::Text(question));
    const bool nowOn = settings::AnswerPosterizationOff(s_, flag, answer);
    if (!nowOn) {
      filling_ = true;
      box->setChecked(false);
      filling_ = false;
    }
  }
  updateEnabled();
}

void ConversionSetupDialog::decimalEdited(QLineEdit* edit, QSlider* slider, int scale) {
  const settings::ParsedDecimal parsed =
      settings::parseDecimal(edit->text().toStdString(), scale, separator_);
  if (parsed.rewritten) {
    // Shown with the user's separator again, the caret where the last character went.
    std::string shown = parsed.text;
    if (const std::size_t dot = shown.find('.'); dot != std::string::npos) shown[dot] = separator_;
    edit->setText(Q(shown));
    edit->setCursorPosition(int(parsed.caret));
  }
  if (slider) {
    filling_ = true;
    slider->setValue(scale == 100 ? parsed.value / 100 : parsed.value);
    filling_ = false;
  }
}

void ConversionSetupDialog::readFields() {
  auto read = [this](QLineEdit* e, int scale) {
    return settings::parseDecimal(e->text().toStdString(), scale, separator_).value;
  };
  s_.noiseSuppression = read(noise_, 100);
  s_.lineThinning = read(thinning_, 100);
  s_.uniformWeight = read(weight_, 100);
  s_.tolerance = std::int16_t(read(tolerance_, 10));
  s_.straightToCurved = std::int16_t(read(straight_, 10));
}

QLineEdit* ConversionSetupDialog::fieldFor(SettingsField field) const {
  switch (field) {
    case SettingsField::kNoiseSuppression: return noise_;
    case SettingsField::kLineThinning: return thinning_;
    case SettingsField::kTolerance: return tolerance_;
    case SettingsField::kStraightToCurved: return straight_;
    case SettingsField::kUniformWeight: return weight_;
    default: return nullptr;
  }
}

void ConversionSetupDialog::accept() {
  readFields();
  const settings::ValidationResult r = settings::ValidateConversionSetup(s_);
  if (!r.ok()) {
    fill();  // the corrected bound is in the record; show it
    program_.ui->showMessage(msg::Text(r.message));
    if (QLineEdit* edit = fieldFor(r.field)) Focus(edit);
    else outline_->setFocus();
    return;
  }
  program_.activeSettings = s_;
  program_.livePrefs.setCloseFit(closeFit_->isChecked());
  program_.fitMode = closeFit_->isChecked() ? engine::FitMode::kClose : engine::FitMode::kDefault;
  QDialog::accept();
}

// ---- Color/Grayscale Setup ----------------------------------------------------------------

ColorSetupDialog::ColorSetupDialog(app::Program& program, QWidget* parent)
    : QDialog(parent), program_(program), s_(program.dialogSettings) {
  setObjectName(QStringLiteral("COLOR_SETUP"));
  setWindowTitle(QStringLiteral("Color/Grayscale Setup"));
  s_ = program_.activeSettings;
  if (s_.maxColors == 0) s_.maxColors = 16;

  posterization_ = new QComboBox(this);
  posterization_->setObjectName(QStringLiteral("posterization"));
  for (int i = 0; i < 4; ++i)
    posterization_->addItem(MsgText(msg::kPosterizationLimitedColors + i));
  maxColors_ = Field(this, "maxColors");
  complexity_ = Field(this, "complexity");
  noiseReduction_ = new QComboBox(this);
  noiseReduction_->setObjectName(QStringLiteral("noiseReduction"));
  for (int i = 0; i < 3; ++i) noiseReduction_->addItem(MsgText(msg::kNoiseReductionNone + i));
  thresholdMode_ = new QRadioButton(QStringLiteral("T&hreshold"), this);
  thresholdMode_->setObjectName(QStringLiteral("thresholdMode"));
  contrastMode_ = new QRadioButton(QStringLiteral("C&ontrast"), this);
  contrastMode_->setObjectName(QStringLiteral("contrastMode"));
  threshold_ = Field(this, "threshold");
  contrast_ = Field(this, "contrast");
  boost_ = Check(this, "&Boost", "boost");
  boostPercent_ = Field(this, "boostPercent");
  reduceDetail_ = Check(this, "&Reduce detail", "reduceDetail");
  addNewColors_ = Check(this, "&Add new colors to custom color list", "addNewColors");
  taggedOnly_ = Check(this, "&Tagged colors only", "taggedColorsOnly");
  tints_ = Check(this, "&Generate tints", "generateTints");
  averaging_ = Check(this, "Color a&veraging", "colorAveraging");

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Posterization:"), posterization_);
  form->addRow(QStringLiteral("&Maximum # of colors:"), maxColors_);
  form->addRow(QStringLiteral("Comple&xity (2 Fewer Paths - 20 More Paths):"), complexity_);
  form->addRow(QStringLiteral("&Noise reduction:"), noiseReduction_);
  form->addRow(reduceDetail_);
  form->addRow(addNewColors_);
  form->addRow(taggedOnly_);
  form->addRow(tints_);
  form->addRow(averaging_);
  auto* bw = new QGroupBox(QStringLiteral("Black and white conversion"), this);
  auto* bwLayout = new QGridLayout(bw);
  bwLayout->addWidget(thresholdMode_, 0, 0);
  bwLayout->addWidget(threshold_, 0, 1);
  bwLayout->addWidget(new QLabel(QStringLiteral("%"), bw), 0, 2);
  bwLayout->addWidget(contrastMode_, 1, 0);
  bwLayout->addWidget(contrast_, 1, 1);
  bwLayout->addWidget(new QLabel(QStringLiteral("%"), bw), 1, 2);
  bwLayout->addWidget(boost_, 2, 0);
  bwLayout->addWidget(boostPercent_, 2, 1);
  bwLayout->addWidget(new QLabel(QStringLiteral("%"), bw), 2, 2);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* defaults = buttons->addButton(QStringLiteral("&Defaults"), QDialogButtonBox::ResetRole);
  defaults->setObjectName(QStringLiteral("defaults"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(defaults, &QPushButton::clicked, this, [this] {
    settings::setColorDefaults(s_);
    fill();
  });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(bw);
  layout->addWidget(buttons);

  connect(posterization_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (filling_) return;
    if (mode() == settings::PosterizationMode::kLimitedColors)
      s_.maxColors = std::uint8_t(std::clamp<long>(ReadInteger(maxColors_), 0, 255));
    settings::ChoosePosterizationMode(s_, settings::PosterizationMode(index + 1), grayImageOpen());
    fill();
  });
  connect(noiseReduction_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!filling_) s_.noiseReduction = std::int16_t(index);
  });
  connect(contrastMode_, &QRadioButton::toggled, this, [this](bool on) {
    if (filling_) return;
    s_.set(settings::kContrastMode, on);
    updateEnabled();
  });
  const std::pair<QCheckBox*, Flag> flags[] = {
      {boost_, settings::kBoost},           {reduceDetail_, settings::kReduceDetail},
      {addNewColors_, settings::kAddNewColors}, {taggedOnly_, settings::kTaggedColorsOnly},
      {tints_, settings::kGenerateTints}};
  for (const auto& [box, flag] : flags) {
    const Flag f = flag;
    connect(box, &QCheckBox::toggled, this, [this, f](bool on) {
      if (filling_) return;
      s_.set(f, on);
      if (f == settings::kTaggedColorsOnly || f == settings::kGenerateTints) showMaximum();
      updateEnabled();
    });
  }
  // The box shows the inverse of the stored bit.
  connect(averaging_, &QCheckBox::toggled, this, [this](bool on) {
    if (!filling_) s_.set(settings::kColorAveragingOff, !on);
  });
  fill();
}

bool ColorSetupDialog::grayImageOpen() const {
  return program_.image.width > 0 && !image::IsBilevel(program_.image) &&
         program_.image.samplesPerPixel == 1;
}

settings::PosterizationMode ColorSetupDialog::mode() const {
  return settings::DerivePosterizationMode(s_, grayImageOpen());
}

void ColorSetupDialog::fill() {
  filling_ = true;
  const settings::PosterizationMode m = mode();
  posterization_->setCurrentIndex(int(m) - 1);
  showMaximum();
  complexity_->setText(QString::number(s_.complexity));
  noiseReduction_->setCurrentIndex(std::clamp<int>(s_.noiseReduction, 0, 2));
  threshold_->setText(QString::number(s_.threshold));
  contrast_->setText(QString::number(s_.contrast));
  boostPercent_->setText(QString::number(s_.boostPercent));
  (s_.has(settings::kContrastMode) ? contrastMode_ : thresholdMode_)->setChecked(true);
  boost_->setChecked(s_.has(settings::kBoost));
  reduceDetail_->setChecked(s_.has(settings::kReduceDetail));
  addNewColors_->setChecked(s_.has(settings::kAddNewColors));
  taggedOnly_->setChecked(s_.has(settings::kTaggedColorsOnly));
  tints_->setChecked(s_.has(settings::kGenerateTints));
  averaging_->setChecked(!s_.has(settings::kColorAveragingOff));
  filling_ = false;
  updateEnabled();
}

void ColorSetupDialog::showMaximum() {
  // The limit in Limited Colors and, in Use Custom Colors, how many colours the paths can get:
  // the custom colours (the tagged ones only when so set), ten tints each.
  const settings::PosterizationMode m = mode();
  QString maximum;
  if (m == settings::PosterizationMode::kLimitedColors) {
    maximum = QString::number(s_.maxColors);
  } else if (m == settings::PosterizationMode::kUseCustomColors) {
    int n = s_.has(settings::kTaggedColorsOnly) ? art::taggedCount(program_.customColors)
                                               : int(program_.customColors.colors.size());
    if (s_.has(settings::kGenerateTints)) n *= 10;
    maximum = QString::number(n);
  }
  maxColors_->setText(maximum);
}

void ColorSetupDialog::updateEnabled() {
  const settings::PosterizationMode m = mode();
  const bool color = s_.has(settings::kColorConversion);
  const bool gray = grayImageOpen();
  const bool contrast = s_.has(settings::kContrastMode);
  thresholdMode_->setEnabled(!color);
  contrastMode_->setEnabled(!color);
  threshold_->setEnabled(!color && !contrast);
  contrast_->setEnabled(!color && contrast);
  boost_->setEnabled(!color && contrast);
  boostPercent_->setEnabled(!color && contrast && s_.has(settings::kBoost));
  complexity_->setEnabled(color);
  reduceDetail_->setEnabled(color);
  const bool custom = m == settings::PosterizationMode::kUseCustomColors;
  const bool limited = m == settings::PosterizationMode::kLimitedColors;
  taggedOnly_->setEnabled(custom && !gray);
  tints_->setEnabled(custom && !gray);
  averaging_->setEnabled((limited || m == settings::PosterizationMode::kUnlimitedColors) && !gray);
  addNewColors_->setEnabled(limited && !gray);
  maxColors_->setEnabled(limited && !gray);
}

void ColorSetupDialog::accept() {
  const long complexity = ReadInteger(complexity_);
  const long maxColors = ReadInteger(maxColors_);
  s_.complexity = ToInt16(complexity);
  s_.threshold = ToInt16(ReadInteger(threshold_));
  s_.contrast = ToInt16(ReadInteger(contrast_));
  const long boost = ReadInteger(boostPercent_);
  const bool limited = mode() == settings::PosterizationMode::kLimitedColors;
  const bool color = s_.has(settings::kColorConversion);
  // The maximum is a byte in the record: a typed value beyond it is corrected here, in the
  // order the checks run (after complexity).
  if (color && limited && (complexity >= 2 && complexity <= 20) && (maxColors < 2 || maxColors > 255)) {
    s_.maxColors = std::uint8_t(maxColors < 2 ? 2 : 255);
    fill();
    program_.ui->showMessage(msg::Text(msg::kMaxColorsRange));
    Focus(maxColors_);
    return;
  }
  if (limited) s_.maxColors = std::uint8_t(std::clamp<long>(maxColors, 2, 255));
  // The boost percentage is a byte as well; above it the bound is 100 anyway.
  s_.boostPercent = std::uint8_t(std::clamp<long>(boost, 0, 255));
  const bool boostTooLow = boost < 0;
  settings::ValidationResult r = settings::ValidateColorSetup(s_, grayImageOpen());
  if (r.ok() && boostTooLow && !color && s_.has(settings::kContrastMode) && s_.has(settings::kBoost)) {
    r = {msg::kPercentRange, SettingsField::kBoostPercent, 0, false};
    s_.boostPercent = 0;
  }
  if (r.question) {
    settings::AnswerIncompatibleMethod(s_, program_.ui->askOkCancel(msg::Text(r.message)));
    fill();
    return;
  }
  if (!r.ok()) {
    fill();
    program_.ui->showMessage(msg::Text(r.message));
    switch (r.field) {
      case SettingsField::kComplexity: Focus(complexity_); break;
      case SettingsField::kMaxColors: Focus(maxColors_); break;
      case SettingsField::kContrast: Focus(contrast_); break;
      case SettingsField::kBoostPercent: Focus(boostPercent_); break;
      case SettingsField::kThreshold: Focus(threshold_); break;
      default: break;
    }
    return;
  }
  program_.activeSettings = s_;
  QDialog::accept();
}

}  // namespace vl::gui

// The Levels dialog.
#include "app/gui/levels_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "art/undo.h"
#include "base/message_table.h"

namespace vl::gui {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

constexpr int kBoxWidth = 256;
constexpr int kBoxHeight = 104;

// A sample value's x on a strip `width` wide, and back.
int ValueToX(int value, int width) { return (value * width + 128) >> 8; }
int XToValue(int x, int width) { return (x * 256 + width / 2) / width; }

}  // namespace

QString GammaText(double gamma, char separator) {
  const long hundredths = std::lround(gamma * 100.0);
  return QString::asprintf("%ld%c%02ld", hundredths / 100, separator, hundredths % 100);
}

bool ReadGammaText(const QString& text, char separator, double& gamma) {
  QString clean;
  for (QChar c : text) {
    if (c == QLatin1Char(separator)) c = QLatin1Char('.');
    if (c.isDigit() || c == QLatin1Char('.')) clean += c;
  }
  bool ok = false;
  const double value = clean.toDouble(&ok);
  if (ok) gamma = value;
  return ok;
}

int LevelsMarkerAt(const image::LevelsValues& v, int p) {
  const int mid = image::LevelsMid(v);
  if (p <= (mid + v.black) / 2) return 0;
  if (p <= (v.white + mid) / 2) return 1;
  return 2;
}

void DragLevelsMarker(image::LevelsValues& v, int marker, int p) {
  switch (marker) {
    case 0: v.black = std::clamp(p, 0, v.white - 2); break;
    case 2: v.white = std::clamp(p, v.black + 2, 255); break;
    default: {
      const double t = double(p - v.black) / double(v.white - v.black);
      v.gamma = std::clamp(std::pow(10.0, -2.0 * (t - 0.5)), image::kLevelsGammaMin,
                           image::kLevelsGammaMax);
      break;
    }
  }
}

// ---- The histogram and the strip --------------------------------------------------------

class HistogramBox : public QWidget {
 public:
  HistogramBox(const image::Histogram& h, QWidget* parent) : QWidget(parent), h_(h) {
    setObjectName(QStringLiteral("histogram"));
    setFixedSize(kBoxWidth + 2, kBoxHeight);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const int w = kBoxWidth;
    const std::uint32_t scale = std::max<std::uint32_t>(h_.scale, 1);
    for (int x = 0; x < w; ++x) {
      const int bin = std::min((x * 256 + w / 2) / w, 255);
      const int line = int(std::min<std::uint32_t>(h_.counts[std::size_t(bin)] / scale, 100));
      if (line > 0) p.drawLine(x + 1, height() - 2, x + 1, height() - 2 - line + 1);
    }
  }

 private:
  image::Histogram h_;
};

class LevelsStrip : public QWidget {
 public:
  LevelsStrip(image::LevelsValues& v, std::function<void()> moved, QWidget* parent)
      : QWidget(parent), v_(v), moved_(std::move(moved)) {
    setObjectName(QStringLiteral("strip"));
    setFixedSize(kBoxWidth + 2, 14);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const auto marker = [&](int value, QColor fill) {
      const double x = ValueToX(value, kBoxWidth) + 1;
      const QPointF tri[3] = {{x, 1}, {x - 6, 13}, {x + 6, 13}};
      p.setPen(Qt::black);
      p.setBrush(fill);
      p.drawPolygon(tri, 3);
    };
    marker(v_.white, Qt::white);
    marker(image::LevelsMid(v_), QColor(128, 128, 128));
    marker(v_.black, Qt::black);
  }
  void mousePressEvent(QMouseEvent* e) override {
    dragging_ = LevelsMarkerAt(v_, XToValue(int(e->position().x()) - 1, kBoxWidth));
    mouseMoveEvent(e);
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    if (dragging_ < 0) return;
    const image::LevelsValues before = v_;
    DragLevelsMarker(v_, dragging_, XToValue(std::clamp(int(e->position().x()) - 1, 0, kBoxWidth),
                                             kBoxWidth));
    if (before.black != v_.black || before.white != v_.white || before.gamma != v_.gamma) {
      update();
      moved_();
    }
  }
  void mouseReleaseEvent(QMouseEvent*) override { dragging_ = -1; }

 private:
  image::LevelsValues& v_;
  std::function<void()> moved_;
  int dragging_ = -1;
};

// ---- The dialog ------------------------------------------------------------------------

LevelsDialog::LevelsDialog(app::Program& program, app::Document& doc, char separator,
                           std::function<void()> redraw, QWidget* parent)
    : QDialog(parent), program_(program), doc_(doc), separator_(separator),
      redraw_(std::move(redraw)) {
  setObjectName(QStringLiteral("levels"));
  setWindowTitle(Q(msg::Text(msg::kLevelsCaption)));
  program_.image.toneTable = image::IdentityToneTable();
  auto* grid = new QGridLayout(this);
  auto* left = new QVBoxLayout;
  auto* fields = new QHBoxLayout;
  fields->addWidget(new QLabel(QStringLiteral("Input Levels:"), this));
  const auto field = [this, fields](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaximumWidth(56);
    fields->addWidget(e);
    return e;
  };
  black_ = field("levelsBlack");
  gamma_ = field("levelsGamma");
  white_ = field("levelsWhite");
  fields->addStretch();
  left->addLayout(fields);
  histogram_ = new HistogramBox(image::BuildHistogram(program_.image), this);
  left->addWidget(histogram_);
  strip_ = new LevelsStrip(values_, [this] { showFields(); }, this);
  left->addWidget(strip_);
  grid->addLayout(left, 0, 0);

  // OK, Cancel, Preview, Reset from the top.
  auto* buttons = new QVBoxLayout;
  const auto button = [this, buttons](const char* text, const char* name) {
    auto* b = new QPushButton(QString::fromLatin1(text), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  QPushButton* okButton = button("OK", "ok");
  okButton->setDefault(true);
  QPushButton* cancelButton = button("Cancel", "cancel");
  QPushButton* previewButton = button("Preview", "preview");
  QPushButton* resetButton = button("Reset", "reset");
  buttons->addStretch();
  grid->addLayout(buttons, 0, 1);
  connect(okButton, &QPushButton::clicked, this, &LevelsDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &LevelsDialog::reject);
  connect(previewButton, &QPushButton::clicked, this, &LevelsDialog::preview);
  connect(resetButton, &QPushButton::clicked, this, &LevelsDialog::reset);
  connect(black_, &QLineEdit::textEdited, this, [this] { fieldEdited(0); });
  connect(gamma_, &QLineEdit::textEdited, this, [this] { fieldEdited(1); });
  connect(white_, &QLineEdit::textEdited, this, [this] { fieldEdited(2); });
  showFields();
}

void LevelsDialog::setValues(const image::LevelsValues& v) {
  values_ = v;
  showFields();
}

void LevelsDialog::showFields(int except) {
  if (except != 0) black_->setText(QString::number(values_.black));
  if (except != 1) gamma_->setText(GammaText(values_.gamma, separator_));
  if (except != 2) white_->setText(QString::number(values_.white));
  strip_->update();
}

// Typing takes a value in range and leaves anything else for OK and Preview to correct.
void LevelsDialog::fieldEdited(int which) {
  bool ok = false;
  if (which == 1) {
    // The field is rewritten without what cannot be part of a number.
    QString typed = gamma_->text();
    const int caret = gamma_->cursorPosition();
    QString clean;
    int firstDropped = -1;
    for (int i = 0; i < typed.size(); ++i) {
      const QChar c = typed[i];
      if (c.isDigit() || c == QLatin1Char(separator_) || c == QLatin1Char('.')) clean += c;
      else if (firstDropped < 0) firstDropped = i;
    }
    if (firstDropped >= 0) {
      gamma_->setText(clean);
      gamma_->setCursorPosition(std::min(firstDropped, caret));
    }
    double g = 0;
    if (ReadGammaText(clean, separator_, g) && g >= 0.1 && g < 10.0) values_.gamma = g;
    strip_->update();
    return;
  }
  QLineEdit* edit = which == 0 ? black_ : white_;
  const int v = edit->text().trimmed().toInt(&ok);
  if (!ok) return;
  if (which == 0 && v >= 0 && v <= image::kLevelsBlackMax) values_.black = v;
  else if (which == 2 && v >= image::kLevelsWhiteMin && v <= 255) values_.white = v;
  else return;
  if (values_.white - 2 < values_.black) {
    if (values_.black <= 128) {
      values_.white = values_.black + 2;
      white_->setText(QString::number(values_.white));
    } else {
      values_.black = values_.white - 2;
      black_->setText(QString::number(values_.black));
    }
  }
  strip_->update();
}

bool LevelsDialog::validate() {
  const auto refuse = [this](QLineEdit* edit, const QString& closest, int message) {
    edit->setText(closest);
    program_.ui->showMessage(msg::Text(message));
    edit->setFocus();
    edit->selectAll();
    return false;
  };
  bool ok = false;
  int black = black_->text().trimmed().toInt(&ok);
  if (!ok || black < 0 || black > image::kLevelsBlackMax) {
    black = !ok ? values_.black : std::clamp(black, 0, image::kLevelsBlackMax);
    values_.black = black;
    return refuse(black_, QString::number(black), msg::kLevelsBlackRange);
  }
  double gamma = 0;
  if (!ReadGammaText(gamma_->text(), separator_, gamma) || gamma < image::kLevelsGammaMin ||
      std::lround(gamma * 100) > std::lround(image::kLevelsGammaMax * 100)) {
    gamma = std::clamp(gamma, image::kLevelsGammaMin, image::kLevelsGammaMax);
    values_.gamma = gamma;
    return refuse(gamma_, GammaText(gamma, separator_), msg::kLevelsGammaRange);
  }
  int white = white_->text().trimmed().toInt(&ok);
  if (!ok || white < image::kLevelsWhiteMin || white > 255) {
    white = !ok ? values_.white : std::clamp(white, image::kLevelsWhiteMin, 255);
    values_.white = white;
    return refuse(white_, QString::number(white), msg::kLevelsWhiteRange);
  }
  values_ = {black, std::round(gamma * 100) / 100, white};
  if (values_.white - 2 < values_.black) {
    if (values_.black <= 128) values_.white = values_.black + 2;
    else values_.black = values_.white - 2;
  }
  showFields();
  return true;
}

void LevelsDialog::preview() {
  if (!validate()) return;
  image::buildToneTable(values_, program_.image.toneTable);
  previewShown_ = true;
  redraw_();
}

void LevelsDialog::reset() {
  values_ = image::LevelsValues{};
  showFields();
  if (previewShown_) {
    program_.image.toneTable = image::IdentityToneTable();
    previewShown_ = false;
    redraw_();
  }
}

void LevelsDialog::accept() {
  if (!validate()) return;
  program_.image.toneTable = image::IdentityToneTable();
  if (image::IsIdentityLevels(values_)) {
    if (previewShown_) redraw_();
    QDialog::accept();
    return;
  }
  base::Runtime rt = program_.runtime();
  const art::UndoDocument undoDoc{program_.image, program_.artwork, doc_.imageOpen};
  if (art::RecordUndo(program_.undo, undoDoc, rt, art::kUndoOpLevels) == 0) {
    art::FinishUndo(program_.undo, false);
    if (previewShown_) redraw_();
    QDialog::reject();
    return;
  }
  image::buildToneTable(values_, program_.image.toneTable);
  art::FinishUndo(program_.undo, true);
  doc_.pixelImageModified = true;
  redraw_();
  QDialog::accept();
}

void LevelsDialog::reject() {
  program_.image.toneTable = image::IdentityToneTable();
  if (previewShown_) redraw_();
  QDialog::reject();
}

void OpenLevels(app::Program& program, app::Document& doc, char separator,
                const std::function<void()>& redraw, QWidget* parent) {
  if (!doc.imageOpen) return;
  if (image::IsBilevel(program.image)) {
    program.ui->showMessage(msg::Text(msg::kLevelsNeedGrayOrColor));
    return;
  }
  if (!program.image.colorInMemory || program.image.colorLayer.empty()) {
    program.ui->showMessage(msg::Text(msg::kLevelsMemory));
    return;
  }
  // Levels applied earlier are written into the pixels before new ones are chosen.
  art::CommitPendingLevels(program.undo, program.image);
  LevelsDialog dialog(program, doc, separator, redraw, parent);
  dialog.exec();
}

}  // namespace vl::gui

// The Paint Style palette's widgets.
#include "app/gui/paint_style_palette.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/color_table_actions.h"
#include "app/gui/custom_color_dialog.h"
#include "app/gui/setup_dialogs.h"
#include "art/display_color.h"
#include "base/message_table.h"

namespace vl::gui {

namespace {

using app::SlotType;

const char* const kSlotNames[] = {"Fill", "Stroke", "Swatch"};
const char* const kTypeNames[] = {"None", "White", "Black", "Process", "Custom"};
const char* const kInkNames[] = {"Cyan", "Magenta", "Yellow", "Black"};
const char* const kMatchNames[] = {"&fills", "&strokes", "&stroke weights"};

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

std::uint8_t& InkOf(app::PaintSlot& s, int ink) {
  switch (ink) {
    case 0: return s.c;
    case 1: return s.m;
    case 2: return s.y;
    default: return s.k;
  }
}

std::uint8_t InkOf(const app::PaintSlot& s, int ink) {
  return InkOf(const_cast<app::PaintSlot&>(s), ink);
}

// A small picture of a slot's paint for its box.
QIcon SlotIcon(const app::PaintSlot& s) {
  QPixmap pixmap(18, 18);
  QPainter painter(&pixmap);
  painter.fillRect(pixmap.rect(), Qt::white);
  switch (s.type) {
    case SlotType::kNone:
      painter.setPen(QPen(Qt::red, 2));
      painter.drawLine(1, 17, 17, 1);
      break;
    case SlotType::kMixed:
      painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("?"));
      break;
    case SlotType::kWhite: break;
    default: {
      const std::uint32_t packed = std::uint32_t(s.c) | std::uint32_t(s.m) << 8 |
                                   std::uint32_t(s.y) << 16 | std::uint32_t(s.k) << 24;
      const art::Rgb rgb = art::displayColor(packed);
      painter.fillRect(pixmap.rect(), QColor(rgb.r, rgb.g, rgb.b));
    }
  }
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, 17, 17);
  return QIcon(pixmap);
}

}  // namespace

PaintStylePalette::PaintStylePalette(app::Program& program, app::Document& doc, QWidget* parent)
    : QDockWidget(Q(msg::Text(msg::kPaintStyleCaption)), parent), program_(program), doc_(doc) {
  setObjectName(QStringLiteral("paintStyle"));
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);

  auto* slotRow = new QHBoxLayout;
  auto* slotGroup = new QButtonGroup(this);
  for (int i = 0; i < 3; ++i) {
    auto* b = new QToolButton(body);
    b->setText(QString::fromLatin1(kSlotNames[i]));
    b->setObjectName(QStringLiteral("slot") + b->text());
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setCheckable(true);
    slotGroup->addButton(b);
    slotRow->addWidget(b);
    slots_[std::size_t(i)] = b;
    connect(b, &QToolButton::clicked, this, [this, i] { chooseSlot(PaintSlotKind(i)); });
  }
  slots_[0]->setChecked(true);
  layout->addLayout(slotRow);

  auto* typeRow = new QHBoxLayout;
  auto* typeGroup = new QButtonGroup(this);
  for (int i = 0; i < 5; ++i) {
    auto* b = new QToolButton(body);
    b->setText(QString::fromLatin1(kTypeNames[i]));
    b->setObjectName(QStringLiteral("type") + b->text());
    b->setCheckable(true);
    typeGroup->addButton(b);
    typeRow->addWidget(b);
    types_[std::size_t(i)] = b;
    connect(b, &QToolButton::clicked, this, [this, i] { chooseType(SlotType(i)); });
  }
  mixed_ = new QLabel(QStringLiteral("Mixed"), body);
  typeRow->addWidget(mixed_);
  layout->addLayout(typeRow);

  auto* fields = new QGridLayout;
  for (int i = 0; i < 4; ++i) {
    inkLabels_[std::size_t(i)] = new QLabel(QString::fromLatin1(kInkNames[i]), body);
    auto* spin = new QSpinBox(body);
    spin->setRange(0, 100);
    spin->setSuffix(QStringLiteral(" %"));
    spin->setObjectName(QStringLiteral("ink") + QString::fromLatin1(kInkNames[i]));
    fields->addWidget(inkLabels_[std::size_t(i)], i, 0);
    fields->addWidget(spin, i, 1);
    inks_[std::size_t(i)] = spin;
    connect(spin, &QSpinBox::valueChanged, this, [this, i](int v) {
      if (!loading_) setInkPercent(i, v);
    });
  }
  layout->addLayout(fields);

  customList_ = new QListWidget(body);
  customList_->setObjectName(QStringLiteral("customColors"));
  customList_->setContextMenuPolicy(Qt::CustomContextMenu);
  customList_->setMaximumHeight(140);  // a palette beside the art, not a second window
  layout->addWidget(customList_, 1);
  connect(customList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!loading_ && row >= 0) chooseCustomColor(row);
  });
  auto* tintRow = new QHBoxLayout;
  tintLabel_ = new QLabel(QStringLiteral("Tint"), body);
  tint_ = new QSpinBox(body);
  tint_->setRange(0, 100);
  tint_->setSuffix(QStringLiteral(" %"));
  tintRow->addWidget(tintLabel_);
  tintRow->addWidget(tint_, 1);
  menuButton_ = new QToolButton(body);
  menuButton_->setText(QStringLiteral("Colors"));
  menuButton_->setPopupMode(QToolButton::InstantPopup);
  colorMenu_ = new QMenu(menuButton_);
  menuButton_->setMenu(colorMenu_);
  tintRow->addWidget(menuButton_);
  layout->addLayout(tintRow);
  connect(tint_, &QSpinBox::valueChanged, this, [this](int v) {
    if (!loading_) setTint(v);
  });
  connect(colorMenu_, &QMenu::aboutToShow, this, &PaintStylePalette::buildColorMenu);
  connect(customList_, &QListWidget::customContextMenuRequested, this, [this](QPoint at) {
    colorMenu_->popup(customList_->viewport()->mapToGlobal(at));
  });

  auto* weightRow = new QHBoxLayout;
  weightRow->addWidget(new QLabel(QStringLiteral("Stroke weight"), body));
  weight_ = new QLineEdit(body);
  weight_->setObjectName(QStringLiteral("strokeWeight"));
  weightRow->addWidget(weight_);
  weightRow->addWidget(new QLabel(QStringLiteral("pt"), body));
  layout->addLayout(weightRow);
  connect(weight_, &QLineEdit::editingFinished, this,
          [this] { setStrokeWeightText(weight_->text()); });

  auto* matchRow = new QGridLayout;
  auto* matchButton = new QPushButton(QStringLiteral("Select  Matching:"), body);
  matchRow->addWidget(matchButton, 0, 0, 1, 2);
  for (int i = 0; i < 3; ++i) {
    match_[std::size_t(i)] = new QCheckBox(QString::fromLatin1(kMatchNames[i]), body);
    matchRow->addWidget(match_[std::size_t(i)], 1 + i / 2, i % 2);
  }
  layout->addLayout(matchRow);
  connect(matchButton, &QPushButton::clicked, this, &PaintStylePalette::selectMatching);

  applyButton_ = new QPushButton(QStringLiteral("Apply"), body);
  applyButton_->setObjectName(QStringLiteral("apply"));
  layout->addWidget(applyButton_);
  connect(applyButton_, &QPushButton::clicked, this, &PaintStylePalette::apply);

  layout->addStretch(1);
  body->setMaximumWidth(340);
  setWidget(body);
  fillCustomList();
  showSelection();
}

app::PaintSlot& PaintStylePalette::active() {
  switch (active_) {
    case PaintSlotKind::kFill: return style_.fill;
    case PaintSlotKind::kStroke: return style_.stroke;
    default: return program_.currentPaint;
  }
}

bool PaintStylePalette::keepTints() const {
  return !(program_.livePrefs.prefFlagsB & settings::kKeepTintsOff);
}

void PaintStylePalette::showSelection() {
  app::ShowPaintOfSelection(program_.artwork, style_);
  fillCustomList();
  refresh();
}

void PaintStylePalette::chooseSlot(PaintSlotKind slot) {
  active_ = slot;
  refresh();
}

void PaintStylePalette::commit(const app::PaintSlot& next) {
  if (active_ == PaintSlotKind::kSwatch)
    if (const int refused = app::SwatchRefusal(program_, doc_, next); refused != 0) {
      program_.ui->showMessage(msg::Text(refused));
      refresh();
      return;
    }
  active() = next;
  paletteChanged();
}

void PaintStylePalette::chooseType(SlotType type) {
  app::PaintSlot next = active();
  next.type = type;
  if (type == SlotType::kWhite) next = app::PaintSlot{SlotType::kWhite};
  if (type == SlotType::kBlack && next.k == 0) next.k = 255;
  commit(next);
}

void PaintStylePalette::setInkPercent(int ink, int percent) {
  app::PaintSlot next = active();
  InkOf(next, ink) = InkFromPercent(percent);
  commit(next);
}

void PaintStylePalette::chooseCustomColor(int index) {
  const art::CustomColorList& colors = program_.customColors.colors;
  if (index < 0 || std::size_t(index) >= colors.size()) return;
  app::PaintSlot& s = active();
  if (s.type != SlotType::kCustom) return;
  s.customIndex = std::uint16_t(index);
  const art::CustomColor& c = colors[std::size_t(index)];
  const auto t = [&](std::uint8_t ink) { return std::uint8_t(ink * s.strength / 255); };
  s.c = t(c.c);
  s.m = t(c.m);
  s.y = t(c.y);
  s.k = t(c.k);
  paletteChanged();
}

void PaintStylePalette::setTint(int percent) {
  app::PaintSlot& s = active();
  if (s.type != SlotType::kCustom) return;
  s.strength = InkFromPercent(percent);
  if (s.customIndex != app::kNoCustomColor) chooseCustomColor(s.customIndex);
  else paletteChanged();
}

void PaintStylePalette::setStrokeWeightText(const QString& text) {
  bool ok = false;
  QString t = text.trimmed();
  t.replace(QChar::fromLatin1(LocaleDecimalSeparator()), QLatin1Char('.'));
  const double points = t.toDouble(&ok);
  bool clamped = !ok;
  const int tenths = ok ? app::StrokeWeightFromPoints(points, clamped) : style_.strokeWeight;
  if (clamped) program_.ui->showMessage(msg::Text(msg::kStrokeWeightRange));
  style_.strokeWeight = tenths;
  paletteChanged();
}

void PaintStylePalette::paletteChanged() {
  refresh();
  const bool autoApply = program_.livePrefs.prefFlagsA & settings::kAutoApplyColors;
  if (program_.artwork.count > 0 && active_ != PaintSlotKind::kSwatch && autoApply &&
      app::DiffersFromSelection(program_.artwork, program_.customColors, style_, keepTints()))
    apply();
}

void PaintStylePalette::apply() {
  if (program_.app.converting) return;  // the paths are being built
  if (app::ApplyPaintToSelection(program_, doc_, style_, keepTints()) == app::EditResult::kDone)
    Q_EMIT artChanged();
}

void PaintStylePalette::selectMatching() {
  if (program_.app.converting) return;
  const app::MatchCriteria criteria{match_[0]->isChecked(), match_[1]->isChecked(),
                                    match_[2]->isChecked()};
  if (app::SelectMatching(program_, style_, criteria) > 0) Q_EMIT artChanged();
}

void PaintStylePalette::fillCustomList() {
  loading_ = true;
  const int row = customList_->currentRow();
  customList_->clear();
  for (const art::CustomColor& c : program_.customColors.colors)
    customList_->addItem(new QListWidgetItem(
        SlotIcon({SlotType::kProcess, c.c, c.m, c.y, c.k}),
        (c.tagged ? QStringLiteral("\u2022 ") : QString()) + QString::fromStdString(c.name)));
  customList_->setCurrentRow(std::min(row, customList_->count() - 1));
  loading_ = false;
}

void PaintStylePalette::refresh() {
  loading_ = true;
  const app::PaintSlot* all[] = {&style_.fill, &style_.stroke, &program_.currentPaint};
  for (int i = 0; i < 3; ++i) {
    slots_[std::size_t(i)]->setIcon(SlotIcon(*all[i]));
    slots_[std::size_t(i)]->setChecked(int(active_) == i);
  }
  const app::PaintSlot& s = active();
  for (int i = 0; i < 5; ++i) types_[std::size_t(i)]->setChecked(int(s.type) == i);
  mixed_->setVisible(s.type == SlotType::kMixed);
  const bool process = s.type == SlotType::kProcess, custom = s.type == SlotType::kCustom;
  for (int i = 0; i < 4; ++i) {
    const bool shown = process || (i == 3 && s.type == SlotType::kBlack);
    inks_[std::size_t(i)]->setVisible(shown);
    inkLabels_[std::size_t(i)]->setVisible(shown);
    inks_[std::size_t(i)]->setValue(InkPercent(InkOf(s, i)));
  }
  customList_->setEnabled(custom);
  tint_->setEnabled(custom);
  tint_->setValue(InkPercent(s.strength));
  if (custom && s.customIndex < customList_->count()) customList_->setCurrentRow(s.customIndex);
  weight_->setText(Q(app::StrokeWeightText(style_.strokeWeight, LocaleDecimalSeparator())));
  const bool autoApply = program_.livePrefs.prefFlagsA & settings::kAutoApplyColors;
  applyButton_->setVisible(!autoApply);
  loading_ = false;
}

void PaintStylePalette::buildColorMenu() {
  colorMenu_->clear();
  const app::PaintSlot& s = active();
  const bool custom = s.type == SlotType::kCustom;
  const int chosen = customList_->currentRow();
  const bool colorChosen = custom && chosen >= 0;
  const std::size_t count = program_.customColors.colors.size();
  const bool paths = program_.artwork.count > 0;
  QAction* a = colorMenu_->addAction(Q(msg::Text(custom ? msg::kNewColorItem : msg::kSaveColorItem)),
                                     this, &PaintStylePalette::newOrSaveColor);
  a->setEnabled(s.type != SlotType::kNone && s.type != SlotType::kMixed);
  colorMenu_->addAction(QStringLiteral("Edit..."), this, &PaintStylePalette::editColor)
      ->setEnabled(colorChosen);
  const bool tagged = colorChosen && program_.customColors.colors[std::size_t(chosen)].tagged;
  colorMenu_->addAction(Q(msg::Text(tagged ? msg::kUntagItem : msg::kTagItem)), this,
                        &PaintStylePalette::toggleTag)
      ->setEnabled(colorChosen);
  colorMenu_->addAction(QStringLiteral("Delete"), this, &PaintStylePalette::deleteColor)
      ->setEnabled(colorChosen);
  colorMenu_->addSeparator();
  const auto flagItem = [&](const QString& text, std::uint8_t& flags, std::uint8_t bit,
                            bool checkedWhenSet) {
    QAction* item = colorMenu_->addAction(text);
    item->setCheckable(true);
    item->setChecked(bool(flags & bit) == checkedWhenSet);
    item->setEnabled(paths);
    connect(item, &QAction::triggered, this, [this, &flags, bit] {
      flags = std::uint8_t(flags ^ bit);
      refresh();
    });
  };
  flagItem(QStringLiteral("Auto Apply"), program_.livePrefs.prefFlagsA, settings::kAutoApplyColors,
           true);
  flagItem(QStringLiteral("Keep Tints"), program_.livePrefs.prefFlagsB, settings::kKeepTintsOff,
           false);
  colorMenu_->addSeparator();
  colorMenu_->addAction(QStringLiteral("Import..."), this, &PaintStylePalette::importColors)
      ->setEnabled(custom && count < art::kMaxCustomColors);
  colorMenu_->addAction(QStringLiteral("Export..."), this, &PaintStylePalette::exportColors)
      ->setEnabled(custom && count > 0);
}

void PaintStylePalette::newOrSaveColor() {
  const app::PaintSlot s = active();
  CustomColorDialog dialog(program_, this);
  dialog.newColor();
  // White and Black carry their black ink only.
  const bool plain = s.type == SlotType::kWhite || s.type == SlotType::kBlack;
  const std::uint8_t inks[] = {plain ? std::uint8_t(0) : s.c, plain ? std::uint8_t(0) : s.m,
                               plain ? std::uint8_t(0) : s.y, s.k};
  for (int i = 0; i < 4; ++i) dialog.inkField(i)->setValue(InkPercent(inks[i]));
  if (dialog.exec() == QDialog::Accepted) {
    fillCustomList();
    Q_EMIT artChanged();
  }
}

void PaintStylePalette::editColor() {
  CustomColorDialog dialog(program_, this);
  dialog.list()->setCurrentRow(customList_->currentRow());
  if (dialog.exec() == QDialog::Accepted) {
    fillCustomList();
    Q_EMIT artChanged();
  }
}

void PaintStylePalette::toggleTag() {
  const int row = customList_->currentRow();
  if (row < 0 || std::size_t(row) >= program_.customColors.colors.size()) return;
  art::CustomColor& c = program_.customColors.colors[std::size_t(row)];
  c.tagged = !c.tagged;
  fillCustomList();
}

void PaintStylePalette::deleteColor() {
  const int row = customList_->currentRow();
  if (row < 0 || std::size_t(row) >= program_.customColors.colors.size()) return;
  const std::string name = program_.customColors.colors[std::size_t(row)].name;
  if (program_.ui->askOkCancel(msg::Format(msg::kDeleteColorQuestion, name.c_str())) !=
      platform::kAnswerOk)
    return;
  art::deleteCustomColor(program_.customColors, std::size_t(row), program_.artwork);
  program_.livePrefs.customColorCount = std::int16_t(program_.customColors.colors.size());
  fillCustomList();
  showSelection();
  Q_EMIT artChanged();
}

void PaintStylePalette::importColors() {
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Import Colors"));
  if (path.isEmpty()) return;
  if (app::LoadRequestedColors(program_, false, path.toStdString())) fillCustomList();
}

void PaintStylePalette::exportColors() {
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export Colors"));
  if (path.isEmpty()) return;
  static_cast<void>(app::ExportColors(program_, path.toStdString(),
                                      program_.livePrefs.prefFlagsB & settings::kExportTaggedOnly));
}

}  // namespace vl::gui

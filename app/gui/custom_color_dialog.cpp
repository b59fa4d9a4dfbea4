#include "app/gui/custom_color_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "art/display_color.h"
#include "base/message_table.h"

namespace vl::gui {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

QIcon Swatch(const art::CustomColor& c) {
  const art::Rgb rgb = art::displayColor(art::PackedColor(c));
  QPixmap pixmap(16, 16);
  pixmap.fill(QColor(rgb.r, rgb.g, rgb.b));
  QPainter painter(&pixmap);
  painter.setPen(Qt::gray);
  painter.drawRect(0, 0, 15, 15);
  return QIcon(pixmap);
}

std::uint8_t& Ink(art::CustomColor& c, int ink) {
  switch (ink) {
    case 0: return c.c;
    case 1: return c.m;
    case 2: return c.y;
    default: return c.k;
  }
}

}  // namespace

int InkPercent(std::uint8_t ink) { return (ink * 100 + 127) / 255; }

std::uint8_t InkFromPercent(int percent) {
  percent = std::clamp(percent, 0, 100);
  return std::uint8_t((percent * 255 * 2 + 100) / 200);  // rounded half up
}

std::string ColorCountLine(int tagged, int total) {
  return msg::Format(tagged == 1 ? msg::kTagCountOne : msg::kTagCountMany, tagged) +
         msg::Format(total == 1 ? msg::kTotalColorOne : msg::kTotalColorsMany, total);
}

CustomColorDialog::CustomColorDialog(app::Program& program, QWidget* parent)
    : QDialog(parent), program_(program) {
  setWindowTitle(Q(msg::Text(msg::kCustomColorCaption)));
  const art::CustomColorList& table = program_.customColors.colors;
  for (std::size_t i = 0; i < table.size(); ++i) rows_.push_back({table[i], std::ptrdiff_t(i)});

  list_ = new QListWidget(this);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setMinimumWidth(220);
  name_ = new QLineEdit(this);
  name_->setMaxLength(int(art::kMaxColorNameBytes));
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Change &name to:"), name_);
  const char* inkNames[] = {"&Cyan", "&Magenta", "&Yellow", "&Black"};
  for (int i = 0; i < 4; ++i) {
    inks_[i] = new QSpinBox(this);
    inks_[i]->setRange(0, 100);
    inks_[i]->setSuffix(QStringLiteral("%"));
    form->addRow(QString::fromLatin1(inkNames[i]), inks_[i]);
    connect(inks_[i], &QSpinBox::valueChanged, this, [this, i](int value) {
      if (filling_ || current_ < 0) return;
      Ink(rows_[std::size_t(current_)].color, i) = InkFromPercent(value);
      refreshItem(current_);
    });
  }
  count_ = new QLabel(this);
  auto* newButton = new QPushButton(QStringLiteral("&New"), this);
  auto* deleteButton = new QPushButton(QStringLiteral("&Delete"), this);
  newButton->setAutoDefault(false);
  deleteButton->setAutoDefault(false);
  connect(newButton, &QPushButton::clicked, this, &CustomColorDialog::newColor);
  connect(deleteButton, &QPushButton::clicked, this, &CustomColorDialog::deleteSelected);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CustomColorDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CustomColorDialog::reject);

  auto* side = new QVBoxLayout;
  side->addLayout(form);
  auto* row = new QHBoxLayout;
  row->addWidget(newButton);
  row->addWidget(deleteButton);
  side->addLayout(row);
  side->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(list_);
  top->addLayout(side);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(count_);
  layout->addWidget(buttons);

  connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (current_ < 0) return;
    rows_[std::size_t(current_)].color.name = text.toStdString();
    refreshItem(current_);
  });
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (filling_ || row == current_) return;
    // The name being typed must be valid before another colour is chosen.
    if (current_ >= 0 && !nameAcceptable()) {
      filling_ = true;
      list_->setCurrentRow(current_);
      filling_ = false;
      return;
    }
    current_ = row;
    showCurrent();
  });
  connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    if (filling_) return;
    rows_[std::size_t(list_->row(item))].color.tagged = item->checkState() == Qt::Checked;
    updateCount();
  });
  fill(rows_.empty() ? -1 : 0);
}

void CustomColorDialog::fill(int current) {
  filling_ = true;
  list_->clear();
  for (const Row& r : rows_) {
    auto* item = new QListWidgetItem(Swatch(r.color), Q(r.color.name), list_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(r.color.tagged ? Qt::Checked : Qt::Unchecked);
  }
  current_ = current;
  list_->setCurrentRow(current);
  filling_ = false;
  showCurrent();
  updateCount();
}

void CustomColorDialog::refreshItem(int row) {
  QListWidgetItem* item = list_->item(row);
  if (!item) return;
  filling_ = true;
  const art::CustomColor& c = rows_[std::size_t(row)].color;
  item->setText(Q(c.name));
  item->setIcon(Swatch(c));
  filling_ = false;
}

void CustomColorDialog::showCurrent() {
  filling_ = true;
  const bool any = current_ >= 0;
  name_->setEnabled(any);
  art::CustomColor none;
  art::CustomColor& c = any ? rows_[std::size_t(current_)].color : none;
  name_->setText(Q(c.name));
  for (int i = 0; i < 4; ++i) {
    inks_[i]->setEnabled(any);
    inks_[i]->setValue(InkPercent(Ink(c, i)));
  }
  filling_ = false;
}

void CustomColorDialog::updateCount() {
  const int tagged = int(std::count_if(rows_.begin(), rows_.end(),
                                       [](const Row& r) { return r.color.tagged; }));
  count_->setText(Q(ColorCountLine(tagged, int(rows_.size()))));
}

bool CustomColorDialog::nameAcceptable() {
  const std::string& name = rows_[std::size_t(current_)].color.name;
  int message = 0;
  if (name.empty()) {
    message = msg::kEnterName;
  } else {
    for (std::size_t i = 0; i < rows_.size(); ++i)
      if (int(i) != current_ && rows_[i].color.name == name) message = msg::kNameInUse;
  }
  if (message == 0) return true;
  program_.ui->showMessage(msg::Text(message));
  name_->setFocus();
  name_->selectAll();
  return false;
}

void CustomColorDialog::newColor() {
  if (current_ >= 0 && !nameAcceptable()) return;
  if (rows_.size() >= art::kMaxCustomColors) {
    program_.ui->showMessage(msg::Text(msg::kMaxCustomColors));
    return;
  }
  // The name is the first "New Color n" that neither the table nor this copy uses.
  art::CustomColorTable names;
  for (const Row& r : rows_) names.colors.push_back(r.color);
  art::CustomColor color;
  color.name = art::NextNewColorName(names);
  rows_.push_back({color, -1});
  fill(int(rows_.size()) - 1);
  name_->setFocus();
  name_->selectAll();
}

void CustomColorDialog::deleteSelected() {
  std::vector<int> chosen;
  for (const QListWidgetItem* item : list_->selectedItems()) chosen.push_back(list_->row(item));
  if (chosen.empty() && current_ >= 0) chosen.push_back(current_);
  if (chosen.empty()) return;
  std::sort(chosen.begin(), chosen.end());
  // From the last to the first; the colour now at the place of the last removed one is chosen.
  for (auto it = chosen.rbegin(); it != chosen.rend(); ++it)
    rows_.erase(rows_.begin() + *it);
  const int last = chosen.back() - int(chosen.size()) + 1;
  fill(rows_.empty() ? -1 : std::min(last, int(rows_.size()) - 1));
}

void CustomColorDialog::accept() {
  if (current_ >= 0 && !nameAcceptable()) return;
  art::CustomColorTable& table = program_.customColors;
  // Deleted colours leave the table from the last to the first, so that every path painted
  // with one turns to process paint and the indices of the others follow.
  std::vector<bool> kept(table.colors.size(), false);
  for (const Row& r : rows_)
    if (r.original >= 0) kept[std::size_t(r.original)] = true;
  for (std::size_t i = kept.size(); i-- > 0;)
    if (!kept[i]) art::deleteCustomColor(table, i, program_.artwork);
  // The survivors keep their order, so they now sit at [0, survivors) in the order of rows_.
  std::size_t next = 0;
  base::Runtime rt = program_.runtime();
  for (const Row& r : rows_) {
    if (r.original >= 0) {
      table.colors[next++] = r.color;
    } else if (const std::optional<std::size_t> at = art::addCustomColor(rt, table)) {
      table.colors[*at] = r.color;
    } else {
      break;  // its message was shown; what was added stays
    }
  }
  program_.livePrefs.customColorCount = std::int16_t(table.colors.size());
  QDialog::accept();
}

}  // namespace vl::gui

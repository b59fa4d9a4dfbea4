#include "app/gui/settings_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/message_table.h"
#include "settings/named_settings.h"

namespace vl::gui {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

SettingsDialog::SettingsDialog(app::Program& program, bool& modified, char separator,
                               QWidget* parent)
    : QDialog(parent), program_(program), modified_(modified), separator_(separator),
      before_(program.namedSettings) {
  setObjectName(QStringLiteral("SETTINGS"));
  setWindowTitle(QStringLiteral("Settings"));
  list_ = new QListWidget(this);
  name_ = new QLineEdit(this);
  name_->setMaxLength(int(settings::kMaxSettingsNameChars));
  nameLabel_ = new QLabel(QStringLiteral("Settings &Name:"), this);
  nameLabel_->setBuddy(name_);
  summary_ = new QLabel(this);
  summary_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  summary_->setMinimumWidth(260);
  create_ = new QPushButton(QStringLiteral("&Create"), this);
  delete_ = new QPushButton(QStringLiteral("&Delete"), this);
  create_->setAutoDefault(false);
  delete_->setAutoDefault(false);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);

  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(nameLabel_);
  nameRow->addWidget(name_);
  auto* left = new QVBoxLayout;
  left->addWidget(list_);
  left->addLayout(nameRow);
  auto* actions = new QHBoxLayout;
  actions->addWidget(create_);
  actions->addWidget(delete_);
  left->addLayout(actions);
  auto* top = new QHBoxLayout;
  top->addLayout(left);
  top->addWidget(summary_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);
  connect(create_, &QPushButton::clicked, this, &SettingsDialog::create);
  connect(delete_, &QPushButton::clicked, this, &SettingsDialog::deleteSelected);
  connect(list_, &QListWidget::currentRowChanged, this, &SettingsDialog::selectionChanged);
  connect(list_, &QListWidget::itemDoubleClicked, this, &SettingsDialog::accept);
  connect(name_, &QLineEdit::textEdited, this, &SettingsDialog::nameEdited);

  settings::NamedSettings& named = program_.namedSettings;
  if (modified_ && named.size() >= std::size_t(settings::kMaxNamedSettings)) {
    program_.ui->showMessage(msg::Text(msg::kMaxSettings));
    modified_ = false;
  }
  newOption_ = modified_;
  fill(std::string(newOption_ ? msg::Text(msg::kNewOptionName)
                              : settings::NameOf(program_.activeSettings)));
}

void SettingsDialog::fill(const std::string& select) {
  settings::NamedSettings& named = program_.namedSettings;
  settings::sortSettings(named);
  QSignalBlocker quiet(list_);
  list_->clear();
  int chosen = 0;
  for (std::size_t i = 0; i < named.size(); ++i) {
    const std::string_view name = settings::NameOf(named[i]);
    list_->addItem(Q(name));
    if (!newOption_ && name == select && chosen == 0) chosen = int(i);
  }
  if (newOption_) {
    list_->addItem(Q(msg::Text(msg::kNewOptionName)));
    chosen = list_->count() - 1;
  }
  if (list_->count() > 0) list_->setCurrentRow(chosen);
  quiet.unblock();
  selectionChanged();
}

int SettingsDialog::selectedRow() const { return list_->currentRow(); }

bool SettingsDialog::newOptionSelected() const {
  return newOption_ && selectedRow() == list_->count() - 1;
}

void SettingsDialog::selectionChanged() {
  const int row = selectedRow();
  const bool any = row >= 0;
  for (QWidget* w : {static_cast<QWidget*>(delete_), static_cast<QWidget*>(name_),
                     static_cast<QWidget*>(nameLabel_), static_cast<QWidget*>(ok_),
                     static_cast<QWidget*>(create_)})
    w->setEnabled(any);
  if (!any) {
    name_->clear();
    summary_->clear();
    return;
  }
  name_->setText(list_->item(row)->text());
  // "New Option" shows the settings in force, a record its own values.
  const settings::ConversionSettings& shown =
      newOptionSelected() ? program_.activeSettings : program_.namedSettings[std::size_t(row)];
  QStringList lines;
  for (const std::string& line : settings::SettingsSummary(shown, separator_)) lines << Q(line);
  summary_->setText(lines.join('\n'));
}

void SettingsDialog::nameEdited(const QString& text) {
  const int row = selectedRow();
  if (row < 0 || newOptionSelected()) return;
  settings::ConversionSettings& record = program_.namedSettings[std::size_t(row)];
  const std::string_view defaults = msg::Text(msg::kDefaultsName);
  if (settings::NameOf(record) == defaults) {
    program_.ui->showMessage(msg::Text(msg::kCantRenameDefaults));
    name_->setText(Q(defaults));
    return;
  }
  // Renamed at once, in place; a name used twice is caught by OK.
  settings::SetName(record, text.toStdString());
  list_->item(row)->setText(text);
}

bool SettingsDialog::nameAcceptable(bool creating) {
  if (selectedRow() < 0) return true;
  const std::string name = name_->text().toStdString();
  int uses = 0;
  for (const settings::ConversionSettings& s : program_.namedSettings)
    if (settings::NameOf(s) == name) ++uses;
  int message = 0;
  if (name.empty()) message = msg::kEnterName;
  else if (name == msg::Text(msg::kNewOptionName)) message = msg::kNameReserved;
  // A new record must not share its name with one that exists: choosing by name would never
  // reach it.
  else if (uses >= 2 || (uses == 1 && (newOptionSelected() || creating))) message = msg::kNameInUse;
  if (message == 0) return true;
  program_.ui->showMessage(msg::Text(message));
  name_->setFocus();
  name_->selectAll();
  return false;
}

void SettingsDialog::create() {
  if (!nameAcceptable(true)) return;
  // The settings file refuses more than 500 records as a whole: the list never grows past it.
  if (program_.namedSettings.size() >= std::size_t(settings::kMaxNamedSettings)) {
    program_.ui->showMessage(msg::Text(msg::kMaxSettings));
    return;
  }
  const std::string name = name_->text().toStdString();
  settings::ConversionSettings* record = settings::appendSetting(program_.namedSettings);
  if (!record) {
    program_.ui->showMessage(msg::Text(msg::kNotEnoughMemoryRestart));
    return;
  }
  *record = program_.activeSettings;
  settings::SetName(*record, name);
  settings::SetName(program_.activeSettings, name);
  modified_ = false;
  newOption_ = false;
  fill(name);
}

void SettingsDialog::deleteSelected() {
  const int row = selectedRow();
  if (row < 0) return;
  if (newOptionSelected()) {  // no record behind it: only the entry goes
    newOption_ = false;
    fill(std::string(settings::NameOf(program_.activeSettings)));
    return;
  }
  settings::NamedSettings& named = program_.namedSettings;
  if (settings::NameOf(named[std::size_t(row)]) == msg::Text(msg::kDefaultsName)) {
    program_.ui->showMessage(msg::Text(msg::kCantDeleteDefaults));
    return;
  }
  settings::deleteSetting(named, &named[std::size_t(row)]);
  delete list_->takeItem(row);
  selectionChanged();
}

void SettingsDialog::accept() {
  if (!nameAcceptable(false)) return;
  const int row = selectedRow();
  if (row < 0) return;
  std::string name = list_->item(row)->text().toStdString();
  if (newOptionSelected()) {
    if (program_.namedSettings.size() >= std::size_t(settings::kMaxNamedSettings)) {
      program_.ui->showMessage(msg::Text(msg::kMaxSettings));
      return;
    }
    settings::ConversionSettings* record = settings::appendSetting(program_.namedSettings);
    if (!record) {
      program_.ui->showMessage(msg::Text(msg::kNotEnoughMemoryRestart));
      return;
    }
    name = name_->text().toStdString();
    *record = program_.activeSettings;
    settings::SetName(*record, name);
  }
  if (const settings::ConversionSettings* chosen = settings::findSetting(program_.namedSettings, name)) {
    program_.activeSettings = *chosen;
    program_.dialogSettings = *chosen;
    // Remembered for "Restore Selected Settings on Startup".
    char* field = program_.livePrefs.selectedSettingsName;
    std::fill(field, field + sizeof program_.livePrefs.selectedSettingsName, '\0');
    name.copy(field, sizeof program_.livePrefs.selectedSettingsName - 1);
  }
  modified_ = false;
  QDialog::accept();
}

void SettingsDialog::reject() {
  program_.namedSettings = before_;
  QDialog::reject();
}

}  // namespace vl::gui

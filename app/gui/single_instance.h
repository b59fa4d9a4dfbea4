// One window per user: the first start listens on a local socket named for the user; a second
// start hands its file names to the first and ends.
#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

namespace vl::gui {

// The socket name for this user.
QString InstanceName();

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  explicit SingleInstance(QString name = InstanceName(), QObject* parent = nullptr);

  // True when another instance took `files` (absolute paths; may be empty): this one ends.
  // False when this is the first instance; it then listens for later starts.
  bool handOver(const QStringList& files);

 Q_SIGNALS:
  // A later start asked this instance to come forward and open `files`.
  void activated(const QStringList& files);

 private:
  void readConnection();

  QString name_;
  QLocalServer* server_ = nullptr;
};

}  // namespace vl::gui

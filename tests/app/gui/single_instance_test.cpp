// One window per user, with two processes: a listening instance here and a second start of the
// real program, which must hand its file over and end.
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "app/gui/single_instance.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

class SingleInstanceTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void aSecondStartHandsItsFileToTheFirst() {
    TempDir dir;
    // The socket lives in the temporary folder: a private one keeps this test from meeting a
    // window the user has open.
    qputenv("TMPDIR", QByteArray::fromStdString(dir.path));
    SingleInstance first;
    QVERIFY(!first.handOver({}));  // nobody listens yet: this is the first
    QSignalSpy spy(&first, &SingleInstance::activated);

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(dir.path));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(QString::fromStdString(dir.path));
    second.start(QStringLiteral(VL_GUI_BINARY), {QStringLiteral("scan.tif")});
    // The second start ends by itself (its event loop would keep it running otherwise).
    QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
    const QStringList files = spy.first().first().toStringList();
    QCOMPARE(files, QStringList{QString::fromStdString(dir / "scan.tif")});

    // A start without files only brings the first forward.
    QProcess third;
    third.setProcessEnvironment(env);
    third.start(QStringLiteral(VL_GUI_BINARY), {});
    QTRY_VERIFY_WITH_TIMEOUT(third.state() == QProcess::NotRunning, 20000);
    QCOMPARE(third.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 5000);
    QVERIFY(spy.at(1).first().toStringList().isEmpty());
    qunsetenv("TMPDIR");
  }

  void aStaleSocketDoesNotBlockTheFirstStart() {
    TempDir dir;
    qputenv("TMPDIR", QByteArray::fromStdString(dir.path));
    {
      // A socket file nobody listens on, as a crashed instance leaves it.
      QFile stale(QString::fromStdString(dir / InstanceName().toStdString()));
      QVERIFY(stale.open(QIODevice::WriteOnly));
    }
    SingleInstance first;
    QVERIFY(!first.handOver({}));
    SingleInstance second;
    QVERIFY(second.handOver({}));  // the first now listens
    qunsetenv("TMPDIR");
  }
};

}  // namespace

std::unique_ptr<QObject> MakeSingleInstanceSuite() { return std::make_unique<SingleInstanceTest>(); }

}  // namespace vl::gui::test

#include "single_instance_test.moc"

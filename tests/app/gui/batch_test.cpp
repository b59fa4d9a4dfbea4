// The window's batch: the format list and the names it gives, the Batch Select dialog's lists,
// counts and duplicate-name question, and runs over a folder with skipping, cancelling and Stop.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/gui/batch_dialog.h"
#include "app/gui/command_table.h"
#include "base/message_table.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

namespace fs = std::filesystem;

QStringList Entries(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// Three small scans in `folder`: one, two and three squares.
std::vector<std::string> WriteScans(const std::string& folder) {
  fs::create_directories(folder);
  std::vector<std::string> out;
  for (int i = 1; i <= 3; ++i) {
    const std::string path = folder + "/scan" + std::to_string(i) + ".tif";
    app::test::WriteBilevelTiff(path, 80, 40, app::test::Squares(i, 12));
    out.push_back(path);
  }
  return out;
}

class BatchTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void formatListFollowsAndSetsThePreferences_data() {
    QTest::addColumn<int>("saveFormat");
    QTest::addColumn<int>("epsPreview");
    QTest::addColumn<int>("shown");     // the entry first shown
    QTest::addColumn<int>("chosen");    // the entry then chosen
    QTest::addColumn<int>("preview");   // epsPreview afterwards
    QTest::addColumn<QString>("ext");   // the output's extension
    QTest::newRow("gq plain") << 3 << 0 << 0 << 0 << 0 << ".gq";
    QTest::newRow("eps keeps its preview") << 3 << 4 << 1 << 1 << 4 << ".eps";
    QTest::newRow("eps from plain gets a header") << 3 << 0 << 0 << 1 << 1 << ".eps";
    QTest::newRow("emf") << 4 << 1 << 2 << 2 << 1 << ".emf";
    QTest::newRow("dxf") << 5 << 1 << 3 << 3 << 1 << ".dxf";
    QTest::newRow("other format shows the first") << 1 << 1 << 0 << 3 << 1 << ".dxf";
  }
  void formatListFollowsAndSetsThePreferences() {
    QFETCH(int, saveFormat);
    QFETCH(int, epsPreview);
    QFETCH(int, shown);
    QFETCH(int, chosen);
    QFETCH(int, preview);
    QFETCH(QString, ext);
    settings::Preferences prefs;
    prefs.saveFormat = std::int16_t(saveFormat);
    prefs.epsPreview = std::int16_t(epsPreview);
    QCOMPARE(BatchFormatIndex(prefs), shown);
    ChooseBatchFormat(chosen, prefs);
    QCOMPARE(int(prefs.epsPreview), preview);
    QCOMPARE(BatchFormatIndex(prefs), chosen);
    QCOMPARE(QString::fromStdString(BatchOutputPath("/in/SCAN.TIF", "/out/", prefs)),
             "/out/SCAN" + ext);
    QCOMPARE(QString::fromStdString(BatchOutputPath("/in/NAME", "", prefs)), "/in/NAME" + ext);
  }

  void duplicateNamesCompareExactly_data() {
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("found");
    QTest::newRow("same name, two folders") << QStringList{"/a/A.TIF", "/b/A.TIF"} << "A";
    QTest::newRow("case differs") << QStringList{"/a/A.TIF", "/b/a.tif"} << "";
    QTest::newRow("only the last extension goes") << QStringList{"/a/x.y.tif", "/b/x.y.pcx"}
                                                   << "X.Y";
    QTest::newRow("lower case is named in upper case") << QStringList{"/a/b.tif", "/c/d.tif",
                                                                      "/e/b.pcx"} << "B";
    QTest::newRow("all differ") << QStringList{"/a/one.tif", "/a/two.tif"} << "";
  }
  void duplicateNamesCompareExactly() {
    QFETCH(QStringList, list);
    QFETCH(QString, found);
    std::vector<std::string> paths;
    for (const QString& p : list) paths.push_back(p.toStdString());
    QCOMPARE(QString::fromStdString(DuplicateBatchName(paths)), found);
  }

  void selectDialogListsCopiesAndCounts() {
    Shell shell;
    const std::string folder = shell.dir / "src";
    WriteScans(folder);
    fs::create_directories(folder + "/sub");
    app::test::WriteFile(folder + "/other.pcx", "x");
    BatchState state;
    state.sourceFolder = folder;
    BatchSelectDialog dialog(shell.program, state, &shell.window);
    dialog.show();
    auto* left = Child<QListWidget>(dialog, "filesToSelect");
    auto* right = Child<QListWidget>(dialog, "filesToProcess");
    auto* count = Child<QLabel>(dialog, "count");
    auto* begin = Child<QPushButton>(dialog, "begin");
    QCOMPARE(Entries(left), (QStringList{"[..]", "[sub]", "scan1.tif", "scan2.tif", "scan3.tif"}));
    QCOMPARE(count->text(), "0 " + Text(msg::kFilesToConvert));
    QVERIFY(!begin->isEnabled());
    QVERIFY(!Child<QPushButton>(dialog, "selectAllRight")->isEnabled());

    // Select All takes files only; copying twice adds nothing twice.
    Child<QPushButton>(dialog, "selectAllLeft")->click();
    QCOMPARE(left->selectedItems().size(), 3);
    Child<QPushButton>(dialog, "copy")->click();
    Child<QPushButton>(dialog, "copy")->click();
    QCOMPARE(Entries(right), (QStringList{"scan1.tif", "scan2.tif", "scan3.tif"}));
    QCOMPARE(int(state.list.size()), 3);
    QCOMPARE(count->text(), "3 " + Text(msg::kFilesToConvert));
    QVERIFY(begin->isEnabled());

    // Remove needs a selection; the item path names its folder.
    auto* remove = Child<QPushButton>(dialog, "remove");
    QVERIFY(!remove->isEnabled());
    right->item(1)->setSelected(true);
    QVERIFY(remove->isEnabled());
    QVERIFY(Child<QLabel>(dialog, "itemPath")->text().endsWith(QString::fromStdString(folder)));
    remove->click();
    QCOMPARE(Entries(right), (QStringList{"scan1.tif", "scan3.tif"}));
    right->item(0)->setSelected(true);
    remove->click();
    QCOMPARE(count->text(), "1 " + Text(msg::kFileToConvert));

    // Another type lists other files; opening a folder entry lists it.
    Child<QComboBox>(dialog, "fileType")->setCurrentIndex(2);
    QCOMPARE(Entries(left), (QStringList{"[..]", "[sub]", "other.pcx"}));
    Q_EMIT left->itemDoubleClicked(left->item(1));
    QCOMPARE(Entries(left), QStringList{"[..]"});
    QVERIFY(Child<QLabel>(dialog, "sourcePath")->text().endsWith("/sub/"));

    Child<QPushButton>(dialog, "clear")->click();
    QVERIFY(state.list.empty());
    QVERIFY(!begin->isEnabled());
  }

  void beginAsksAboutSharedNamesAndCancelEmptiesTheList() {
    Shell shell;
    BoxAnswerer boxes;
    BatchState state;
    state.list = {shell.dir / "a/Scan.tif", shell.dir / "b/Scan.pcx"};
    shell.program.livePrefs.prefFlagsA = 0;
    {
      BatchSelectDialog dialog(shell.program, state, &shell.window);
      dialog.show();
      Child<QCheckBox>(dialog, "toSource")->setChecked(true);
      boxes.script({QMessageBox::No});
      dialog.accept();
      QTRY_COMPARE(boxes.texts.size(), 1);
      QCOMPARE(boxes.texts.first(),
               QString::fromStdString(msg::Format(msg::kDuplicateBatchNames, "SCAN")));
      // Declined: the dialog stays and the working preferences are not live.
      QVERIFY(dialog.isVisible());
      QCOMPARE(int(shell.program.livePrefs.prefFlagsA), 0);
      boxes.script({QMessageBox::Yes});
      dialog.accept();
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
      QCOMPARE(int(shell.program.livePrefs.prefFlagsA), int(settings::kBatchOutputToSource));
      QCOMPARE(int(state.list.size()), 2);
    }
    BatchSelectDialog dialog(shell.program, state, &shell.window);
    dialog.show();
    Child<QCheckBox>(dialog, "replace")->setChecked(true);
    dialog.reject();
    QVERIFY(state.list.empty());
    // Cancel leaves the preferences in force as they were.
    QCOMPARE(int(shell.program.livePrefs.prefFlagsB & settings::kBatchReplaceFiles), 0);
    QCOMPARE(boxes.unexpected, 0);
  }

  void destinationMustBeAFolder() {
    Shell shell;
    BoxAnswerer boxes;
    boxes.script({QMessageBox::Ok});
    BatchState state;
    shell.program.livePrefs.prefFlagsA = 0;
    BatchDestinationDialog dialog(shell.program, state, &shell.window);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), Text(msg::kBatchDestinationCaption));
    Child<QLineEdit>(dialog, "folder")->setText(QString::fromStdString(shell.dir / "none"));
    Child<QComboBox>(dialog, "format")->setCurrentIndex(3);
    dialog.accept();
    QTRY_COMPARE(boxes.texts, QStringList{Text(msg::kBatchFolderUnusable)});
    QVERIFY(dialog.isVisible());
    QVERIFY(state.destination.empty());
    QCOMPARE(int(shell.program.livePrefs.saveFormat), 3);
    Child<QLineEdit>(dialog, "folder")->setText(QString::fromStdString(shell.dir.path));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(state.destination, shell.dir.path + "/");
    QCOMPARE(int(shell.program.livePrefs.saveFormat), 5);

    // Beside the sources, only the format is asked.
    shell.program.livePrefs.prefFlagsA = settings::kBatchOutputToSource;
    BatchDestinationDialog formatOnly(shell.program, state, &shell.window);
    QCOMPARE(formatOnly.windowTitle(), Text(msg::kBatchFormatCaption));
    QVERIFY(!formatOnly.findChild<QLineEdit*>(QStringLiteral("folder")));
  }

  void runConvertsEveryFileInto_data() {
    QTest::addColumn<bool>("toSource");
    QTest::newRow("the destination") << false;
    QTest::newRow("the source folder") << true;
  }
  void runConvertsEveryFileInto() {
    QFETCH(bool, toSource);
    Shell shell;
    const std::string src = shell.dir / "src", out = shell.dir / "out";
    fs::create_directories(out);
    BatchState state;
    state.list = WriteScans(src);
    state.destination = out + "/";
    shell.program.livePrefs.prefFlagsA = toSource ? settings::kBatchOutputToSource : 0;
    ChooseBatchFormat(3, shell.program.livePrefs);  // DXF
    std::vector<std::string> done;
    const BatchRunOutcome r = RunBatchList(
        shell.program, state, [](const std::string&) { return ExistsAnswer::kCancel; },
        [&done](const std::string& input) { done.push_back(input); });
    QCOMPARE(int(r.end), int(BatchEnd::kFinished));
    QCOMPARE(r.converted, 3);
    QVERIFY(state.list.empty());
    QCOMPARE(int(done.size()), 3);
    const std::string where = toSource ? src : out;
    for (int i = 1; i <= 3; ++i) {
      const std::string art = app::test::ReadFile(where + "/scan" + std::to_string(i) + ".dxf");
      QVERIFY2(art.find("SECTION") != std::string::npos, "not a DXF file");
    }
    QVERIFY(!fs::exists(toSource ? out + "/scan1.dxf" : src + "/scan1.dxf"));
    QVERIFY(!shell.program.app.batchRunning);
    // The window's own document was not touched.
    QVERIFY(!shell.window.document().imageOpen);
  }

  void existingOutputIsSkippedOverwrittenOrStopsTheRun() {
    Shell shell;
    const std::string src = shell.dir / "src";
    BatchState state;
    const std::vector<std::string> scans = WriteScans(src);
    shell.program.livePrefs.prefFlagsA = settings::kBatchOutputToSource;
    ChooseBatchFormat(1, shell.program.livePrefs);  // EPS
    app::test::WriteFile(src + "/scan1.eps", "keep me");
    app::test::WriteFile(src + "/scan3.eps", "old");

    // Skip leaves the file alone; Cancel stops with its entry and the rest kept.
    std::vector<ExistsAnswer> answers = {ExistsAnswer::kSkip, ExistsAnswer::kCancel};
    std::vector<std::string> asked;
    const auto ask = [&](const std::string& output) {
      asked.push_back(output);
      const ExistsAnswer a = answers.front();
      answers.erase(answers.begin());
      return a;
    };
    state.list = scans;
    BatchRunOutcome r = RunBatchList(shell.program, state, ask);
    QCOMPARE(int(r.end), int(BatchEnd::kCancelled));
    QCOMPARE(r.skipped, 1);
    QCOMPARE(r.converted, 1);
    QCOMPARE(asked, (std::vector<std::string>{src + "/scan1.eps", src + "/scan3.eps"}));
    QCOMPARE(app::test::ReadFile(src + "/scan1.eps"), std::string("keep me"));
    QVERIFY(app::test::ReadFile(src + "/scan2.eps").starts_with("%!PS-Adobe"));
    QCOMPARE(state.list, std::vector<std::string>{scans[2]});

    // Overwrite replaces it; with replacing on nobody is asked.
    answers = {ExistsAnswer::kOverwrite};
    r = RunBatchList(shell.program, state, ask);
    QCOMPARE(r.converted, 1);
    QVERIFY(app::test::ReadFile(src + "/scan3.eps").starts_with("%!PS-Adobe"));
    shell.program.livePrefs.prefFlagsB |= settings::kBatchReplaceFiles;
    state.list = {scans[0]};
    asked.clear();
    r = RunBatchList(shell.program, state, ask);
    QVERIFY(asked.empty());
    QVERIFY(app::test::ReadFile(src + "/scan1.eps").starts_with("%!PS-Adobe"));
  }

  void stopEndsTheRunAndKeepsWhatIsLeft() {
    Shell shell;
    const std::string src = shell.dir / "src";
    BatchState state;
    const std::vector<std::string> scans = WriteScans(src);
    state.list = scans;
    shell.program.livePrefs.prefFlagsA = settings::kBatchOutputToSource;
    ChooseBatchFormat(0, shell.program.livePrefs);  // GQ
    // The Stop button of the progress window, pressed as the first file ends.
    const BatchRunOutcome r = RunBatchList(
        shell.program, state, [](const std::string&) { return ExistsAnswer::kCancel; },
        [&shell](const std::string&) {
          QVERIFY(shell.ui->progressWindow());
          QTest::mouseClick(shell.ui->progressWindow()->findChild<QPushButton*>("stopButton"),
                            Qt::LeftButton);
        });
    QCOMPARE(int(r.end), int(BatchEnd::kStopped));
    QCOMPARE(r.converted, 1);
    QVERIFY(fs::exists(src + "/scan1.gq"));
    QVERIFY(!fs::exists(src + "/scan2.gq"));
    QVERIFY(!fs::exists(src + "/scan3.gq"));
    QCOMPARE(state.list, (std::vector<std::string>{scans[1], scans[2]}));
    QVERIFY(!shell.ui->progressWindow());
    QVERIFY(!shell.program.app.batchRunning);
  }

  void theMenuItemIsEnabled() {
    Shell shell;
    QVERIFY(shell.window.action(kCmdBatchSelect)->isEnabled());
  }
};

}  // namespace

std::unique_ptr<QObject> MakeBatchSuite() { return std::make_unique<BatchTest>(); }

}  // namespace vl::gui::test

#include "batch_test.moc"

// Help: the five topics are in the program, their links lead to each other, the keyboard topic
// lists exactly the keys of the command table, and the Help menu opens each topic.
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <set>

#include "app/gui/command_table.h"
#include "app/gui/help_window.h"
#include "tests/app/gui/gui_fixtures.h"
#include "tests/app/gui/suites.h"

namespace vl::gui::test {
namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

class HelpTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void everyTopicIsThereAndItsLinksResolve_data() {
    QTest::addColumn<int>("topic");
    QTest::addColumn<QString>("title");
    QTest::newRow("index") << 1 << "Vectorlume Help";
    QTest::newRow("keyboard") << 2 << "Keyboard";
    QTest::newRow("commands") << 3 << "Commands";
    QTest::newRow("procedures") << 4 << "Procedures";
    QTest::newRow("using help") << 5 << "Using Help";
  }
  void everyTopicIsThereAndItsLinksResolve() {
    QFETCH(int, topic);
    QFETCH(QString, title);
    const QString text = HelpTopicText(topic);
    QVERIFY2(!text.isEmpty(), qPrintable(HelpTopicPath(topic)));
    QVERIFY(text.contains("<title>" + title + "</title>"));
    std::set<QString> pages;
    for (int t = 1; t <= 5; ++t) pages.insert(HelpTopicPath(t).section('/', -1));
    const QRegularExpression link(QStringLiteral("href=\"([^\"#:]+)\""));
    for (const QRegularExpressionMatch& m : link.globalMatch(text))
      QVERIFY2(pages.count(m.captured(1)), qPrintable(m.captured(1)));
    // Every topic but the index leads back to it.
    if (topic != 1) QVERIFY(text.contains(QStringLiteral("href=\"index.html\"")));
  }

  void unknownTopicsHaveNoPage() {
    for (const int topic : {0, 6, -1}) {
      QVERIFY(HelpTopicPath(topic).isEmpty());
      QVERIFY(HelpTopicText(topic).isEmpty());
    }
  }

  void keyboardTopicListsExactlyTheTablesKeys() {
    std::multiset<std::pair<int, QString>> table, page;
    for (const MenuCommand& c : MenuCommands())
      for (const QString& k : Q(c.key).split(';', Qt::SkipEmptyParts)) table.insert({c.id, k});
    const QRegularExpression row(
        QStringLiteral("<tr data-command=\"(\\d+)\"><td class=\"key\">([^<]+)</td>"));
    for (const QRegularExpressionMatch& m : row.globalMatch(HelpTopicText(2)))
      page.insert({m.captured(1).toInt(), m.captured(2)});
    QVERIFY(!page.empty());
    for (const auto& [id, key] : table)
      QVERIFY2(page.count({id, key}) == 1, qPrintable(QString("%1 %2 is not listed").arg(id).arg(key)));
    for (const auto& [id, key] : page)
      QVERIFY2(table.count({id, key}) == 1, qPrintable(QString("%1 %2 is not in the table").arg(id).arg(key)));
  }

  void helpMenuOpensEachTopicInOneWindow() {
    Shell shell;
    QVERIFY(!shell.window.helpWindow());
    const char* files[] = {"index.html", "keyboard.html", "commands.html", "procedures.html",
                           "using-help.html"};
    HelpWindow* first = nullptr;
    for (int i = 0; i < 5; ++i) {
      const std::uint16_t id = std::uint16_t(kCmdHelpIndex + i);
      QVERIFY(shell.window.action(id)->isEnabled());
      QVERIFY(shell.window.dispatch(id));
      HelpWindow* help = shell.window.helpWindow();
      QVERIFY(help && help->isVisible());
      if (!first) first = help;
      QCOMPARE(help, first);
      QVERIFY(help->browser()->source().toString().endsWith(QString::fromLatin1(files[i])));
      QVERIFY(!help->browser()->toPlainText().isEmpty());
    }
    // The pages seen can be gone back through.
    QTextBrowser* browser = first->browser();
    QVERIFY(browser->isBackwardAvailable());
    browser->backward();
    QVERIFY(browser->source().toString().endsWith("procedures.html"));
    QTest::keyClick(first, Qt::Key_Escape);
    QVERIFY(!first->isVisible());
  }
};

}  // namespace

std::unique_ptr<QObject> MakeHelpSuite() { return std::make_unique<HelpTest>(); }

}  // namespace vl::gui::test

#include "help_test.moc"

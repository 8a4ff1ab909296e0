// Every menu command of the running program and every option of its --help is named in each
// place a user looks for help: Help > Help, the guide, the manual page and the README. A new
// command or option without its words fails here.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <set>
#include <string>

#include "e2e_reliability_support.h"
#include "platform/wave_in.h"
#include "shell/command_line.h"
#include "shell/main_frame.h"

namespace {

// What a reader sees of a menu text: no mnemonic, no key hint, no trailing dots.
QString CommandName(const QString& text) {
  QString name = text.section('\t', 0, 0);
  name.remove('&');
  if (name.endsWith("...")) name.chop(3);
  return name.simplified();
}

// Top-level menus, their items and their submenus' titles (the values inside a submenu, sizes or
// channels, are the submenu's business).
std::set<QString> MenuCommands(QMenuBar* bar) {
  std::set<QString> names;
  for (QAction* top : bar->actions()) {
    if (top->menu() == nullptr) continue;
    names.insert(CommandName(top->text()));
    for (QAction* item : top->menu()->actions()) {
      if (item->isSeparator() || item->text().isEmpty()) continue;
      names.insert(CommandName(item->text()));
    }
  }
  return names;
}

std::set<QString> Options(const std::string& help) {
  std::set<QString> options;
  const QRegularExpression option("--[a-z][a-z0-9-]*");
  auto it = option.globalMatch(QString::fromStdString(help));
  while (it.hasNext()) options.insert(it.next().captured());
  return options;
}

// The document's words as a reader sees them: markup, roff escapes and line breaks gone.
QString ReadableText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  QString text = QString::fromUtf8(file.readAll());
  text.replace(QRegularExpression("<[/!a-zA-Z][^<>]*>"), " ");
  text.replace("&gt;", ">").replace("&lt;", "<").replace("&amp;", "&").replace("&nbsp;", " ");
  text.replace(QRegularExpression("\\\\f[BIRP]"), "").replace("\\-", "-").replace("\\(em", " ");
  text.replace(QRegularExpression("^\\.[A-Z]+ ?", QRegularExpression::MultilineOption), "");
  text.remove('*').remove('`');
  return text.simplified();
}

TEST(DocsCoverageTest, EveryPlaceOfHelpNamesEveryMenuCommandAndOption) {
  e2e::AppSession session("tone:1000");
  ASSERT_TRUE(session.ok()) << session.error();
  const std::set<QString> commands = MenuCommands(session.Frame()->menuBar());
  const std::set<QString> options = Options(UsageText("aurivue", kWaveInputForms));
  ASSERT_GT(commands.size(), 30u);
  ASSERT_TRUE(commands.count("Open Recording")) << "menu names are read as a reader sees them";
  ASSERT_GT(options.size(), 20u);
  const char* docs[] = {"/src/resources/shell/Aurivue.hlp", "/docs/index.html",
                        "/packaging/aurivue.1", "/README.md"};
  for (const char* doc : docs) {
    const QString text = ReadableText(QString(AURIVUE_SOURCE_DIR) + doc);
    ASSERT_FALSE(text.isEmpty()) << doc;
    for (const QString& command : commands) {
      EXPECT_TRUE(text.contains(command, Qt::CaseInsensitive))
          << doc << " does not name the menu command \"" << command.toStdString() << "\"";
    }
    for (const QString& option : options) {
      EXPECT_TRUE(text.contains(QRegularExpression(QRegularExpression::escape(option) + "\\b")))
          << doc << " does not name the option " << option.toStdString();
    }
  }
}

TEST(DocsCoverageTest, TheReadingOfADocumentFindsWhatIsThereAndNothingElse) {
  struct Case {
    const char* text;
    const char* name;
    bool found;
  };
  const Case cases[] = {
      {"<b>File &gt; Open Rec</b>ording", "File > Open Recording", false},
      {"<b>File &gt; Open\nRecording</b>", "File > Open Recording", true},
      {".B \\-\\-export\\-csv FILE", "--export-csv FILE", true},
      {"\\fBPrint Pre\\fRview", "Print Preview", true},
      {"**Measurement Log**", "Measurement Log", true},
      // A comparison in a formula is no tag: what follows it still counts.
      {"`left.thd_db<-80` and later `a>b` --peak-hold", "--peak-hold", true},
  };
  QTemporaryDir dir;
  for (const Case& c : cases) {
    const QString path = dir.filePath("doc");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.text);
    file.close();
    EXPECT_EQ(ReadableText(path).contains(c.name, Qt::CaseInsensitive), c.found) << c.text;
  }
  EXPECT_EQ(CommandName("Trigger &Setup...\tCtrl+T"), "Trigger Setup");
  EXPECT_EQ(CommandName("&About \tCtrl+A"), "About");
}

}  // namespace

// The help window: contexts, contents, keyword search and links between pages.
#include "app/HelpWindow.h"

#include <QListWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <gtest/gtest.h>

#include "Screenshot.h"

namespace marvek::gui {
namespace {

QTextBrowser& Browser() {
    return *THelpWindow::Instance().findChild<QTextBrowser*>();
}

// The page the contents list has selected.
QString SelectedContentsPage() {
    const QListWidgetItem* item = THelpWindow::Instance().findChild<QListWidget*>("contents")->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

TEST(HelpWindowTest, AContextShowsItsPageAndAnUnknownOneTheContents) {
    THelpWindow& help = THelpWindow::Instance();
    const struct {
        int itsContext;
        const char* itsPage;
    } cases[] = {
        {5010, "book-problems.html"}, {6003, "book-problems.html"}, {6259, "welcome.html"},
        {700, "preferences.html"},    {1959, "preferences.html"},   {830, "getting-started.html"},
        {4242, "index.html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.itsContext);
        help.ShowContext(c.itsContext);
        EXPECT_TRUE(help.isVisible());
        EXPECT_FALSE(help.SearchTabShown());
        EXPECT_EQ(help.CurrentPage(), c.itsPage);
        EXPECT_EQ(SelectedContentsPage(), c.itsPage);
        EXPECT_EQ(Browser().documentTitle().toStdString(), help.Index().Find(c.itsPage)->itsTitle);
    }
    help.ShowHowToUseHelp();
    EXPECT_EQ(help.CurrentPage(), "using-help.html");
    help.ShowContents();
    EXPECT_EQ(help.CurrentPage(), "index.html");
    EXPECT_EQ(help.ContentsTitles().size(), static_cast<qsizetype>(help.Index().Pages().size()));
    EXPECT_EQ(help.ContentsTitles().first(), "Marvek Help: Contents");
    testsupport::SaveScreenshot(help, "help-contents");
}

TEST(HelpWindowTest, SearchListsTheKeywordsThatBeginWithTheKey) {
    THelpWindow& help = THelpWindow::Instance();
    help.ShowSearch(" ");
    EXPECT_TRUE(help.SearchTabShown());
    const qsizetype all = help.KeywordLines().size();
    EXPECT_EQ(all, static_cast<qsizetype>(help.Index().Search(" ").size()));

    help.ShowSearch("REBU");
    const QStringList rebuild = help.KeywordLines();
    ASSERT_FALSE(rebuild.isEmpty());
    EXPECT_LT(rebuild.size(), all);
    for (const QString& line : rebuild)
        EXPECT_TRUE(line.startsWith("rebu", Qt::CaseInsensitive)) << line.toStdString();
    testsupport::SaveScreenshot(help, "help-search");

    help.ShowSearch("candidate menu");
    ASSERT_EQ(help.KeywordLines(), QStringList{"Candidate Menu"});
    help.OpenKeywordLine(0);
    EXPECT_EQ(help.CurrentPage(), "book-window.html");
    testsupport::SaveScreenshot(help, "help-book-window");

    help.ShowSearch("no such word");
    EXPECT_TRUE(help.KeywordLines().isEmpty());
}

TEST(HelpWindowTest, LinksBetweenPagesLeadToThePages) {
    THelpWindow& help = THelpWindow::Instance();
    help.ShowContext(6259);
    EXPECT_TRUE(Browser().toPlainText().contains("Three first steps"));
    // What a click on a link loads: relative to the page shown.
    const QString linked =
        Browser().loadResource(QTextDocument::HtmlResource, QUrl("getting-started.html")).toString();
    EXPECT_TRUE(linked.contains("<title>Getting started</title>"));
    Browser().setSource(QUrl("qrc:/help/books.html#readonly"));
    EXPECT_EQ(help.CurrentPage(), "books.html");
    EXPECT_EQ(SelectedContentsPage(), "books.html");
    Browser().backward();
    EXPECT_EQ(help.CurrentPage(), "welcome.html");
    EXPECT_EQ(SelectedContentsPage(), "welcome.html");
}

} // namespace
} // namespace marvek::gui

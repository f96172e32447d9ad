#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include "app/HelpIndex.h"

// The help viewer: one top-level window for the whole program with the contents and a keyword
// search on the left and the page on the right. Pages are the HTML files compiled in from
// resources/help; which page a help context or a keyword opens comes from THelpIndex.

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QUrl;
class QTextBrowser;

namespace marvek::gui {

// Registers the compiled-in help pages (a static library needs this done by hand). The program's
// main calls it once; calling it again does no harm.
void InitHelpResources();

class THelpWindow : public QWidget {
    Q_OBJECT

public:
    // Made on first use; lives until the application ends.
    static THelpWindow& Instance();

    // Each shows the window, brings it to the front and then shows what it names.
    void ShowContents();
    // The page that answers the context; the contents when none does.
    void ShowContext(int context);
    // The search tab with the keywords that begin with partialKey (" " lists them all).
    void ShowSearch(const QString& partialKey);
    void ShowHowToUseHelp();

    // ---- What the window shows now
    // The file name of the page on the right ("books.html").
    QString CurrentPage() const;
    // The lines of the keyword list, in order.
    QStringList KeywordLines() const;
    // Titles of the contents list, in order.
    QStringList ContentsTitles() const;
    bool SearchTabShown() const;
    const THelpIndex& Index() const { return itsIndex; }
    // Opens the page a line of the keyword list leads to, as a click on it does.
    void OpenKeywordLine(int row);

private:
    THelpWindow();
    void BuildIndex();
    void BuildLayout();
    void ShowPage(const std::string& name);
    void FillKeywords(const QString& partialKey);
    void PageChanged(const QUrl& url);
    void ComeForward();

    THelpIndex itsIndex;
    QTabWidget* itsTabs = nullptr;
    QListWidget* itsContentsList = nullptr;
    QLineEdit* itsSearchField = nullptr;
    QListWidget* itsKeywordList = nullptr;
    QTextBrowser* itsBrowser = nullptr;
};

} // namespace marvek::gui

// The help viewer window.
#include "app/HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include <map>

// Q_INIT_RESOURCE declares its function where it stands, so it has to stand outside our namespace.
static void InitHelpResourcesGlobal() {
    Q_INIT_RESOURCE(help);
}

namespace marvek::gui {

namespace {

const QString kPageFolder = QStringLiteral(":/help/");
constexpr int kPageRole = Qt::UserRole;
constexpr const char* kHowToUseHelpPage = "using-help.html";

THelpWindow* theHelpWindow = nullptr;

// Runs at the start of the application's destruction, while widgets can still be deleted.
void DeleteHelpWindow() {
    delete theHelpWindow;
    theHelpWindow = nullptr;
}

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void InitHelpResources() {
    static const bool done = (InitHelpResourcesGlobal(), true);
    (void)done;
}

THelpWindow& THelpWindow::Instance() {
    if (!theHelpWindow) {
        theHelpWindow = new THelpWindow;
        qAddPostRoutine(DeleteHelpWindow);
    }
    return *theHelpWindow;
}

THelpWindow::THelpWindow() : QWidget(nullptr, Qt::Window) {
    InitHelpResources();
    setWindowTitle(tr("Marvek Help"));
    BuildIndex();
    BuildLayout();
    resize(860, 600);
    ShowPage(std::string(THelpIndex::kContentsPage));
}

void THelpWindow::BuildIndex() {
    std::vector<THelpSource> sources;
    const QStringList names =
        QDir(kPageFolder).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QFile file(kPageFolder + name);
        if (!file.open(QIODevice::ReadOnly)) continue;
        sources.push_back({name.toStdString(), file.readAll().toStdString()});
    }
    itsIndex = THelpIndex(sources);
}

void THelpWindow::BuildLayout() {
    itsContentsList = new QListWidget;
    itsContentsList->setObjectName(QStringLiteral("contents"));
    for (const THelpPage* page : itsIndex.Contents()) {
        auto* item = new QListWidgetItem(ToQt(page->itsTitle), itsContentsList);
        item->setData(kPageRole, ToQt(page->itsName));
    }
    connect(itsContentsList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ShowPage(item->data(kPageRole).toString().toStdString()); });
    connect(itsContentsList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ShowPage(item->data(kPageRole).toString().toStdString()); });

    auto* searchPage = new QWidget;
    auto* searchLayout = new QVBoxLayout(searchPage);
    auto* searchLabel = new QLabel(tr("Type the first letters of a word:"));
    itsSearchField = new QLineEdit;
    itsSearchField->setClearButtonEnabled(true);
    searchLabel->setBuddy(itsSearchField);
    itsKeywordList = new QListWidget;
    itsKeywordList->setObjectName(QStringLiteral("keywords"));
    searchLayout->addWidget(searchLabel);
    searchLayout->addWidget(itsSearchField);
    searchLayout->addWidget(itsKeywordList);
    connect(itsSearchField, &QLineEdit::textChanged, this, &THelpWindow::FillKeywords);
    connect(itsSearchField, &QLineEdit::returnPressed, this, [this] {
        if (itsKeywordList->count() > 0) OpenKeywordLine(0);
    });
    connect(itsKeywordList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { OpenKeywordLine(itsKeywordList->row(item)); });
    connect(itsKeywordList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { OpenKeywordLine(itsKeywordList->row(item)); });

    itsTabs = new QTabWidget;
    itsTabs->addTab(itsContentsList, tr("Contents"));
    itsTabs->addTab(searchPage, tr("Search"));

    itsBrowser = new QTextBrowser;
    itsBrowser->setSearchPaths({kPageFolder});
    itsBrowser->setOpenExternalLinks(true);
    connect(itsBrowser, &QTextBrowser::sourceChanged, this, &THelpWindow::PageChanged);

    auto* back = new QToolButton;
    back->setText(tr("Back"));
    back->setArrowType(Qt::LeftArrow);
    back->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back->setEnabled(false);
    auto* forward = new QToolButton;
    forward->setText(tr("Forward"));
    forward->setArrowType(Qt::RightArrow);
    forward->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    forward->setEnabled(false);
    auto* contents = new QToolButton;
    contents->setText(tr("Contents"));
    connect(back, &QToolButton::clicked, itsBrowser, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, itsBrowser, &QTextBrowser::forward);
    connect(itsBrowser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(itsBrowser, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);
    connect(contents, &QToolButton::clicked, this, [this] {
        itsTabs->setCurrentIndex(0);
        ShowPage(std::string(THelpIndex::kContentsPage));
    });

    auto* pagePane = new QWidget;
    auto* pageLayout = new QVBoxLayout(pagePane);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(contents);
    buttons->addStretch();
    pageLayout->addLayout(buttons);
    pageLayout->addWidget(itsBrowser);

    auto* splitter = new QSplitter;
    splitter->addWidget(itsTabs);
    splitter->addWidget(pagePane);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({250, 610});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter);
}

void THelpWindow::ComeForward() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void THelpWindow::ShowContents() {
    ComeForward();
    itsTabs->setCurrentIndex(0);
    ShowPage(std::string(THelpIndex::kContentsPage));
}

void THelpWindow::ShowContext(int context) {
    ComeForward();
    itsTabs->setCurrentIndex(0);
    ShowPage(itsIndex.PageForContext(context));
}

void THelpWindow::ShowSearch(const QString& partialKey) {
    ComeForward();
    itsTabs->setCurrentIndex(1);
    const QString key = partialKey.trimmed();
    if (itsSearchField->text() == key)
        FillKeywords(key);
    else
        itsSearchField->setText(key); // fills the list through textChanged
    itsSearchField->setFocus();
}

void THelpWindow::ShowHowToUseHelp() {
    ComeForward();
    itsTabs->setCurrentIndex(0);
    ShowPage(kHowToUseHelpPage);
}

void THelpWindow::ShowPage(const std::string& name) {
    const QUrl url(QStringLiteral("qrc") + kPageFolder + ToQt(name));
    if (itsBrowser->source() == url) return;
    itsBrowser->setSource(url);
}

// Keeps the contents list on the page shown, also when a link in the page led there. The new page
// comes from the signal: while it is sent, the browser's history still names the old one.
void THelpWindow::PageChanged(const QUrl& url) {
    const QString page = url.fileName();
    for (int row = 0; row < itsContentsList->count(); ++row) {
        if (itsContentsList->item(row)->data(kPageRole).toString() == page) {
            itsContentsList->setCurrentRow(row);
            return;
        }
    }
    itsContentsList->clearSelection();
}

void THelpWindow::FillKeywords(const QString& partialKey) {
    const std::vector<THelpKeyword> hits = itsIndex.Search(partialKey.toStdString());
    // A keyword on several pages carries its page's title so the lines can be told apart.
    std::map<std::string, int> uses;
    for (const THelpKeyword& hit : hits) ++uses[hit.itsKeyword];
    itsKeywordList->clear();
    for (const THelpKeyword& hit : hits) {
        QString line = ToQt(hit.itsKeyword);
        if (uses[hit.itsKeyword] > 1)
            line += QStringLiteral(" (") + ToQt(hit.itsPageTitle) + QStringLiteral(")");
        auto* item = new QListWidgetItem(line, itsKeywordList);
        item->setData(kPageRole, ToQt(hit.itsPage));
        item->setToolTip(ToQt(hit.itsPageTitle));
    }
    if (itsKeywordList->count() > 0) itsKeywordList->setCurrentRow(0);
}

void THelpWindow::OpenKeywordLine(int row) {
    if (QListWidgetItem* item = itsKeywordList->item(row))
        ShowPage(item->data(kPageRole).toString().toStdString());
}

QString THelpWindow::CurrentPage() const {
    return itsBrowser->source().fileName();
}

QStringList THelpWindow::KeywordLines() const {
    QStringList lines;
    for (int row = 0; row < itsKeywordList->count(); ++row) lines << itsKeywordList->item(row)->text();
    return lines;
}

QStringList THelpWindow::ContentsTitles() const {
    QStringList titles;
    for (int row = 0; row < itsContentsList->count(); ++row) titles << itsContentsList->item(row)->text();
    return titles;
}

bool THelpWindow::SearchTabShown() const {
    return itsTabs->currentIndex() == 1;
}

} // namespace marvek::gui

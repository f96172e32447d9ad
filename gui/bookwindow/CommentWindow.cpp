// The comment window: its editor, the comment buffer over it, its context menu and its place.
#include "bookwindow/CommentWindow.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "app/Settings.h"
#include "app/UserInterface.h"
#include "bookwindow/CommentDocument.h"

namespace marvek::gui {

namespace {

// Characters a model document takes in the editor: its text plus one break between paragraphs.
int ModelLength(const TRichText& text) {
    int length = 0;
    for (const TParagraph& paragraph : text.Paragraphs())
        length += int(QString::fromStdString(paragraph.Text()).size());
    return length + std::max(0, int(text.Paragraphs().size()) - 1);
}

// Plain text as paragraphs in one format, a "\r\n" or "\n" ending each line.
TRichText PlainParagraphs(const QString& text, const TCharFormat& format) {
    TRichText result;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        result.AddParagraph();
        if (!line.isEmpty()) result.AddText(line.toStdString(), format);
    }
    return result;
}

} // namespace

// ---- The editor

TCommentEditor::TCommentEditor(TCommentWindow& window) : QTextEdit(&window), itsWindow(window) {
    setObjectName("CommentEditor");
    setAcceptRichText(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

int TCommentEditor::Length() const {
    return document()->characterCount() - 1;
}

bool TCommentEditor::Fits(int count) const {
    const QTextCursor cursor = textCursor();
    const int selected = cursor.selectionEnd() - cursor.selectionStart();
    if (Length() - selected + count <= TCommentWindow::kMaxLength) return true;
    UserInterface().Beep();
    return false;
}

void TCommentEditor::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    int count = 0;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        count = 1;
    else if (!text.isEmpty() && (text.front().isPrint() || text.front() == QLatin1Char('\t')) &&
             !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        count = int(text.size());
    if (count > 0 && !isReadOnly() && !Fits(count)) {
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void TCommentEditor::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty() && !Fits(int(event->commitString().size()))) {
        event->accept();
        return;
    }
    QTextEdit::inputMethodEvent(event);
}

void TCommentEditor::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || isReadOnly()) return;
    const TCharFormat typing = FromQtFormat(currentCharFormat(), itsWindow.DefaultFormat());
    TRichText pasted;
    if (source->hasHtml()) {
        // Through a scratch document, so that what is pasted shows as it will be stored.
        QTextDocument scratch;
        scratch.setHtml(source->html());
        pasted = ReadDocument(scratch, typing);
    } else if (source->hasText()) {
        pasted = PlainParagraphs(source->text(), typing);
    } else {
        return;
    }
    if (!Fits(ModelLength(pasted))) return;
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    InsertRichText(cursor, pasted, typing);
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

void TCommentEditor::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    // Our own context menu takes the focus for a moment; that is no leaving.
    if (event->reason() != Qt::PopupFocusReason) itsWindow.EditorLostFocus();
}

void TCommentEditor::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(itsWindow.MakeContextMenu(this));
    menu->exec(event->globalPos());
}

// ---- The window

TCommentWindow::TCommentWindow(TSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Tool), itsSettings(settings) {
    setObjectName("CommentWindow");
    setWindowTitle(QStringLiteral("Comments"));
    // Shown when a book opens; the keyboard stays with the book window until the user clicks here.
    setAttribute(Qt::WA_ShowWithoutActivating);
    itsEditor = new TCommentEditor(*this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(itsEditor);
    ApplyPreferences();
    Clear();
    RestoreGeometry();
}

TCommentWindow::~TCommentWindow() {
    // The editor goes first: losing the focus as it goes must not reach a window half destroyed.
    delete itsEditor;
}

// ---- The comment buffer

void TCommentWindow::Clear() {
    LoadDocument(TRichText());
}

void TCommentWindow::LoadRichText(std::string_view bytes) {
    LoadDocument(ReadRtf(bytes));
}

void TCommentWindow::LoadDocument(const TRichText& text) {
    QTextDocument& document = *itsEditor->document();
    // Loading is no edit: nothing to undo, nothing modified.
    document.setUndoRedoEnabled(false);
    FillDocument(document, text, itsDefaultFormat);
    document.setUndoRedoEnabled(true);
    document.setModified(false);
    QTextCursor cursor(&document);
    if (text.Empty()) cursor.setCharFormat(ToQtFormat(itsDefaultFormat));
    itsEditor->setTextCursor(cursor);
}

std::string TCommentWindow::SaveRichText() const {
    return WriteRtf(Document());
}

TRichText TCommentWindow::Document() const {
    return ReadDocument(*itsEditor->document(), itsDefaultFormat);
}

bool TCommentWindow::Modified() const {
    return itsEditor->document()->isModified();
}

void TCommentWindow::SetModified(bool modified) {
    itsEditor->document()->setModified(modified);
}

void TCommentWindow::AppendLine(std::string_view text) {
    QTextDocument& document = *itsEditor->document();
    const bool empty = document.isEmpty();
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // An empty editor's one line takes the text; otherwise it goes in a paragraph of its own.
    if (!empty) cursor.insertBlock();
    InsertRichText(cursor,
                   PlainParagraphs(QString::fromUtf8(text.data(), qsizetype(text.size())), itsDefaultFormat),
                   itsDefaultFormat);
    cursor.endEditBlock();
    document.setModified(true);
}

void TCommentWindow::InsertParagraphAtStart(const std::string& text) {
    QTextDocument& document = *itsEditor->document();
    const bool empty = document.isEmpty();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    cursor.insertText(QString::fromStdString(text), ToQtFormat(itsDefaultFormat));
    if (!empty) cursor.insertBlock();
    cursor.endEditBlock();
    document.setModified(true);
}

std::vector<std::string> TCommentWindow::PlainTextLines() const {
    return Document().PlainTextLines();
}

void TCommentWindow::SetDefaultFont(const std::string& name, int points, int style, std::uint32_t colour) {
    itsDefaultFormat = CommentFontFormat(name, points, style, colour);
    QFont font(QString::fromStdString(name));
    font.setPointSizeF(points > 0 ? points : 12);
    itsEditor->document()->setDefaultFont(font);
    if (itsEditor->document()->isEmpty()) {
        const bool modified = Modified();
        LoadDocument(TRichText());
        SetModified(modified);
    } else if (!itsEditor->textCursor().hasSelection()) {
        itsEditor->setCurrentCharFormat(ToQtFormat(itsDefaultFormat));
    }
}

void TCommentWindow::ApplyPreferences() {
    SetDefaultFont(itsSettings.CommentFontName(), itsSettings.CommentFontSize(),
                   itsSettings.CommentFontStyle(), std::uint32_t(itsSettings.CommentFontColour()));
}

void TCommentWindow::EditorLostFocus() {
    if (Modified() && itsFocusLost) itsFocusLost();
}

// ---- Commands

void TCommentWindow::Cut() {
    itsEditor->cut();
}

void TCommentWindow::Copy() {
    itsEditor->copy();
}

void TCommentWindow::Paste() {
    itsEditor->paste();
}

void TCommentWindow::SelectAll() {
    itsEditor->selectAll();
}

void TCommentWindow::Undo() {
    itsEditor->undo();
}

bool TCommentWindow::SelectionHas(const std::function<bool(const QTextCharFormat&)>& test) const {
    const QTextCursor cursor = itsEditor->textCursor();
    if (!cursor.hasSelection()) return test(itsEditor->currentCharFormat());
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    const QTextDocument& document = *itsEditor->document();
    for (QTextBlock block = document.findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= start || fragment.position() >= end) continue;
            if (!test(fragment.charFormat())) return false;
        }
    }
    return true;
}

bool TCommentWindow::SelectionBold() const {
    return SelectionHas([](const QTextCharFormat& format) { return format.fontWeight() >= QFont::DemiBold; });
}

bool TCommentWindow::SelectionItalic() const {
    return SelectionHas([](const QTextCharFormat& format) { return format.fontItalic(); });
}

void TCommentWindow::MergeFormat(const QTextCharFormat& format) {
    itsEditor->mergeCurrentCharFormat(format);
}

void TCommentWindow::ToggleBold() {
    QTextCharFormat format;
    format.setFontWeight(SelectionBold() ? QFont::Normal : QFont::Bold);
    MergeFormat(format);
}

void TCommentWindow::ToggleItalic() {
    QTextCharFormat format;
    format.setFontItalic(!SelectionItalic());
    MergeFormat(format);
}

QMenu* TCommentWindow::MakeContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName("CommentMenu");
    const bool selection = itsEditor->textCursor().hasSelection();
    auto add = [this, menu](const char* name, const QString& text, void (TCommentWindow::*command)(),
                            bool enabled) {
        QAction* action = menu->addAction(text);
        connect(action, &QAction::triggered, this, command);
        action->setObjectName(QString::fromLatin1(name));
        action->setEnabled(enabled);
        return action;
    };
    add("CutItem", QStringLiteral("Cut"), &TCommentWindow::Cut, selection && !itsEditor->isReadOnly());
    add("CopyItem", QStringLiteral("Copy"), &TCommentWindow::Copy, selection);
    add("PasteItem", QStringLiteral("Paste"), &TCommentWindow::Paste, itsEditor->canPaste());
    add("SelectAllItem", QStringLiteral("Select All"), &TCommentWindow::SelectAll, true);
    add("UndoItem", QStringLiteral("Undo"), &TCommentWindow::Undo, itsEditor->document()->isUndoAvailable());
    menu->addSeparator();
    QAction* bold = add("BoldItem", QStringLiteral("Bold"), &TCommentWindow::ToggleBold, true);
    bold->setCheckable(true);
    bold->setChecked(SelectionBold());
    QAction* italic = add("ItalicItem", QStringLiteral("Italic"), &TCommentWindow::ToggleItalic, true);
    italic->setCheckable(true);
    italic->setChecked(SelectionItalic());
    add("FontItem", QStringLiteral("Font..."), &TCommentWindow::ChooseFont, true);
    return menu;
}

// ---- The window's place

void TCommentWindow::RestoreGeometry() {
    itsRestoring = true;
    const int width = itsSettings.CommentWindowWidth();
    const int height = itsSettings.CommentWindowHeight();
    if (width > 0 && height > 0)
        setGeometry(itsSettings.CommentWindowLeft(), itsSettings.CommentWindowTop(), width, height);
    switch (itsSettings.CommentWindowState()) {
    case 1: setWindowState(Qt::WindowMinimized); break;
    case 2: setWindowState(Qt::WindowMaximized); break;
    default: break;
    }
    itsRestoring = false;
}

void TCommentWindow::StoreGeometry() {
    if (itsRestoring || !isVisible()) return;
    const Qt::WindowStates state = windowState();
    const int stored = state & Qt::WindowMinimized                            ? 1
                       : state & (Qt::WindowMaximized | Qt::WindowFullScreen) ? 2
                                                                              : 0;
    itsSettings.SetCommentWindowState(stored);
    // The bounds it comes back to when restored.
    const QRect bounds = stored == 0 ? geometry() : normalGeometry();
    if (bounds.width() <= 0 || bounds.height() <= 0) return;
    itsSettings.SetCommentWindowLeft(bounds.left());
    itsSettings.SetCommentWindowTop(bounds.top());
    itsSettings.SetCommentWindowWidth(bounds.width());
    itsSettings.SetCommentWindowHeight(bounds.height());
}

void TCommentWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    StoreGeometry();
}

void TCommentWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    StoreGeometry();
}

void TCommentWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) StoreGeometry();
}

} // namespace marvek::gui

// The comment window: one rich-text editor shared by every book window, holding the comment of
// the active book window's current position.
#pragma once

#include <QColor>
#include <QFont>
#include <QTextCharFormat>
#include <QTextEdit>
#include <QWidget>
#include <functional>
#include <optional>

#include "book/CommentBuffer.h"
#include "book/RichText.h"

// The window is the book windows' comment buffer: the controller loads the stored rich text into
// it, reads it back when it saves the record, and asks it whether the user changed anything. The
// window stays on top of the main window and keeps its place in the settings record.

class QMenu;

namespace marvek {
class TSettings;
}

namespace marvek::gui {

class TCommentWindow;

// The editor inside the window: it refuses text past the comment's limit and takes in pasted or
// dropped text only in the formats a comment keeps.
class TCommentEditor : public QTextEdit {
public:
    explicit TCommentEditor(TCommentWindow& window);

    // Characters in the editor, a paragraph break counting as one.
    int Length() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Whether count characters fit in place of the selection; a beep when they do not.
    bool Fits(int count) const;

    TCommentWindow& itsWindow;
};

// What the font dialog shows and returns.
struct TCommentFont {
    QFont itsFont;
    QColor itsColour; // invalid: the editor's text colour
};

class TCommentWindow : public QWidget, public TCommentBuffer {
    Q_OBJECT

public:
    // Longer text is refused while typing or pasting. (Stored comments hold at most 60000 bytes of
    // rich text, which the record cuts to that size.)
    static constexpr int kMaxLength = 60000;

    // The window's place and the comment font come from settings, which it writes its place back to.
    explicit TCommentWindow(TSettings& settings, QWidget* parent = nullptr);
    ~TCommentWindow() override;

    // ---- TCommentBuffer
    void Clear() override;
    void LoadRichText(std::string_view bytes) override;
    std::string SaveRichText() const override;
    bool Modified() const override;
    void SetModified(bool modified) override;
    void AppendLine(std::string_view text) override;
    std::vector<std::string> PlainTextLines() const override;
    void SetDefaultFont(const std::string& name, int points, int style, std::uint32_t colour) override;

    // The comment as the model has it.
    TRichText Document() const;
    // A paragraph of plain text before everything else (engine analysis grabbed into the comment).
    void InsertParagraphAtStart(const std::string& text);
    // The comment font of the preferences becomes the editor's default again.
    void ApplyPreferences();
    // Called when the editor loses the focus with modified text: the active book window saves.
    void SetFocusLostHandler(std::function<void()> handler) { itsFocusLost = std::move(handler); }

    // ---- Commands of the context menu; the book window's comment menu calls them too.
    void Cut();
    void Copy();
    void Paste();
    void SelectAll();
    void Undo();
    // Bold off when all of the selection is bold, else on; without a selection, for what is typed.
    void ToggleBold();
    void ToggleItalic();
    // The font dialog, preset with the selection's format; on OK its font and colour are applied.
    void ChooseFont();
    bool SelectionBold() const;
    bool SelectionItalic() const;
    // The context menu, enabled and checked for the editor's state now; the caller owns it.
    QMenu* MakeContextMenu(QWidget* parent);

    TCommentEditor* Editor() const { return itsEditor; }
    const TCharFormat& DefaultFormat() const { return itsDefaultFormat; }

protected:
    // Asks for a font; the tests answer without a dialog.
    virtual std::optional<TCommentFont> AskFont(const TCommentFont& initial);

    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TCommentEditor;
    void EditorLostFocus();
    // Replaces the content without an undo step; the modified flag is cleared.
    void LoadDocument(const TRichText& text);
    void StoreGeometry();
    void RestoreGeometry();
    // Applies a change to the selection, or to the typing format without one.
    void MergeFormat(const QTextCharFormat& format);
    bool SelectionHas(const std::function<bool(const QTextCharFormat&)>& test) const;

    TSettings& itsSettings;
    TCommentEditor* itsEditor = nullptr;
    TCharFormat itsDefaultFormat;
    std::function<void()> itsFocusLost;
    bool itsRestoring = false;
};

} // namespace marvek::gui

// Comments between the core's rich-text model and a QTextDocument, both ways.
#pragma once

#include <QTextCharFormat>
#include <cstdint>
#include <string>

#include "book/RichText.h"

// The editor shows exactly what a record keeps: paragraphs become blocks, "\n" inside a run a line
// separator, and each run one character format with font, character set, size, colour, bold and
// italic. Reading a document back keeps every character and drops every format the model has no
// place for (underline, pictures, tables' frames, paragraph layout).

class QTextCursor;
class QTextDocument;

namespace marvek::gui {

// The text format of a run in Qt terms; a run in kAutoColour gets no colour of its own, so it shows
// in the editor's text colour.
QTextCharFormat ToQtFormat(const TCharFormat& format);
// A Qt format as a run's; what the format leaves open (no font named, no point size) comes from
// fallback.
TCharFormat FromQtFormat(const QTextCharFormat& format, const TCharFormat& fallback);

// Inserts the paragraphs at the cursor: the first joins the cursor's block, each further one
// starts a block. Empty blocks take emptyFormat for what is typed into them.
void InsertRichText(QTextCursor& cursor, const TRichText& text, const TCharFormat& emptyFormat);
// Replaces the whole document.
void FillDocument(QTextDocument& document, const TRichText& text, const TCharFormat& emptyFormat);
// The document as the model has it. A document of one empty block (an empty editor) gives an
// empty model.
TRichText ReadDocument(const QTextDocument& document, const TCharFormat& fallback);

} // namespace marvek::gui

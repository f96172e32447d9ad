#include "book/RichTextBuffer.h"

namespace marvek {

void TRichTextBuffer::Clear() {
    itsDocument.Clear();
    itsModified = false;
}

void TRichTextBuffer::LoadRichText(std::string_view bytes) {
    itsDocument = ReadRtf(bytes);
    itsModified = false;
}

std::string TRichTextBuffer::SaveRichText() const {
    return WriteRtf(itsDocument);
}

void TRichTextBuffer::AppendLine(std::string_view text) {
    // Line breaks inside the text start further paragraphs, as they would in the editor.
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        itsDocument.AddParagraph();
        if (!line.empty()) itsDocument.AddText(line, itsDefaultFormat);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    itsModified = true;
}

std::vector<std::string> TRichTextBuffer::PlainTextLines() const {
    return itsDocument.PlainTextLines();
}

void TRichTextBuffer::SetDocument(const TRichText& document) {
    itsDocument = document;
    itsModified = true;
}

void TRichTextBuffer::SetDefaultFont(const std::string& name, int points, int style, std::uint32_t colour) {
    itsDefaultFormat = CommentFontFormat(name, points, style, colour);
}

} // namespace marvek

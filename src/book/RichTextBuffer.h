#pragma once

#include "book/CommentBuffer.h"
#include "book/RichText.h"

// The core's comment buffer: a TRichText document behind the TCommentBuffer interface. The
// command-line tool, the importers and the tests use it where the desktop program has its
// comment editor.

namespace marvek {

class TRichTextBuffer : public TCommentBuffer {
public:
    void Clear() override;
    void LoadRichText(std::string_view bytes) override;
    std::string SaveRichText() const override;

    bool Modified() const override { return itsModified; }
    void SetModified(bool modified) override { itsModified = modified; }

    // Appending changes the content, so it sets the modified flag; "\n" in the text starts a
    // further line.
    void AppendLine(std::string_view text) override;
    std::vector<std::string> PlainTextLines() const override;

    const TRichText& Document() const { return itsDocument; }
    // Replaces the content, as an edit would (the modified flag is set).
    void SetDocument(const TRichText& document);
    // The format of appended lines.
    void SetDefaultFormat(const TCharFormat& format) { itsDefaultFormat = format; }
    void SetDefaultFont(const std::string& name, int points, int style, std::uint32_t colour) override;

private:
    TRichText itsDocument;
    TCharFormat itsDefaultFormat;
    bool itsModified = false;
};

} // namespace marvek

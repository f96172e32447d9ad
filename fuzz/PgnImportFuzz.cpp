// The import of any bytes as a PGN file into a fresh book, which must then verify as sound.

#include "FuzzSupport.h"

#include "book/Book2.h"
#include "book/BookVerifier.h"
#include "book/RichTextBuffer.h"
#include "pgn/PGNImporter.h"
#include "platform/Errors.h"

using namespace marvek;

MARVEK_FUZZ_ENTRY(const uint8_t* data, size_t size) {
    fuzz::StartEngineOnce();
    std::string path = fuzz::WriteScratchFile("import.pgn", fuzz::AsText(data, size));
    std::string base = fuzz::ScratchFolder() + "ImportBook";
    {
        TBook2 book;
        if (!book.Create(base)) fuzz::Fail("cannot create the scratch book");
        book.Open(base, false, false);
        TPGNImportOptions options;
        // The first byte picks the naming style, so FEN games exercise every kind of name.
        options.itsNamingStyle = TNamingStyle(size > 0 ? data[0] % 6 : 1);
        options.itsHeaderInComment = size > 1 && (data[1] & 1);
        TPGNImporter importer(options, nullptr);
        TRichTextBuffer comment;
        try {
            importer.Import(book, comment, "", TPlayerFilter::kNone, true, TNoveltyColours(), path);
        } catch (const EDatabaseProblem& e) {
            fuzz::Fail(std::string("the import into a sound book failed: ") + e.what());
        }
        book.Close();
    }
    TBookVerifyReport report = VerifyBook(base);
    if (!report.Sound())
        fuzz::Fail("the imported book does not verify: " +
                   (report.itsFaults.empty() ? report.itsOpenError : report.itsFaults.front()));
    return 0;
}

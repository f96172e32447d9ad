// The RTF reader on any bytes; what it reads, written out and read again, is the same document.

#include "FuzzSupport.h"

#include "book/RichText.h"

using namespace marvek;

MARVEK_FUZZ_ENTRY(const uint8_t* data, size_t size) {
    TRichText document = ReadRtf(fuzz::AsText(data, size));
    (void)document.PlainTextLines();
    std::string written = WriteRtf(document);
    TRichText again = ReadRtf(written);
    if (!(again == document)) fuzz::Fail("a document read from RTF does not survive being written and read");
    return 0;
}

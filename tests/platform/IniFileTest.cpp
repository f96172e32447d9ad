#include <gtest/gtest.h>

#include <cerrno>

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "support/FileHelpers.h"
#include "support/ScratchFolder.h"

namespace marvek {
namespace {

using testsupport::ReadWholeFile;
using testsupport::TScratchFolder;
using testsupport::WriteWholeFile;

TEST(IniFile, ReadsLikeTheProfileCalls) {
    TScratchFolder scratch;
    WriteWholeFile(scratch / "MARVEK.INI", "; lists of the last session\r\n"
                                           "[OpenBooks]\r\n"
                                           "Book1=/books/Najdorf\r\n"
                                           "  book1readonly = 1 \r\n"
                                           "Book2 = \"/books/with spaces \"\r\n"
                                           "Book1=/books/second copy\r\n"
                                           "Count=0x1F\r\n"
                                           "Hex=$10\r\n"
                                           "Bad=12abc\r\n"
                                           "NoEquals\r\n"
                                           "[ openbooks ]\r\n"
                                           "Book3=never read\r\n"
                                           "[Other]\n"
                                           "Empty=\n");
    TIniFile ini(scratch / "MARVEK.INI");
    EXPECT_EQ(ini.LoadError(), 0);
    EXPECT_EQ(ini.ReadString("openbooks", "BOOK1", "-"), "/books/Najdorf"); // first of two wins
    EXPECT_EQ(ini.ReadString("OpenBooks", "Book2", "-"), "/books/with spaces ");
    EXPECT_EQ(ini.ReadString("OpenBooks", "Book3", "-"), "-"); // only the first section counts
    EXPECT_EQ(ini.ReadString("Missing", "Book1", "default"), "default");
    EXPECT_TRUE(ini.ReadBool("OpenBooks", "Book1ReadOnly", false));
    EXPECT_FALSE(ini.ReadBool("OpenBooks", "Book2ReadOnly", false));
    EXPECT_TRUE(ini.ReadBool("OpenBooks", "Bad", true)); // unreadable: the default
    EXPECT_EQ(ini.ReadInteger("OpenBooks", "Count", 0), 31);
    EXPECT_EQ(ini.ReadInteger("OpenBooks", "Hex", 0), 16);
    EXPECT_EQ(ini.ReadInteger("OpenBooks", "Bad", -1), -1);
    EXPECT_EQ(ini.ReadInteger("Other", "Empty", 7), 7);
    EXPECT_EQ(ini.ReadString("Other", "Empty", "x"), "");
    EXPECT_TRUE(ini.ValueExists("other", "empty"));
    EXPECT_FALSE(ini.ValueExists("OpenBooks", "NoEquals"));
    EXPECT_EQ(ini.ReadSection("OpenBooks"),
              (std::vector<std::string>{"Book1", "book1readonly", "Book2", "Book1", "Count", "Hex", "Bad"}));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"OpenBooks", "openbooks", "Other"}));
}

TEST(IniFile, CarriageReturnsOfDoubledLineEndsAreBlanks) {
    TScratchFolder scratch;
    std::string path = scratch / "ENGINES.INI";
    WriteWholeFile(path, "[Engines]\r\r\nHash=64\r\r\n[Paths]\r\r\n");
    {
        TIniFile ini(path);
        EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Engines", "Paths"}));
        EXPECT_EQ(ini.ReadInteger("Engines", "Hash", 0), 64);
        EXPECT_EQ(ini.WriteString("Engines", "Threads", "2"), 0);
    }
    TIniFile again(path);
    EXPECT_EQ(again.ReadSections(), (std::vector<std::string>{"Engines", "Paths"}));
    EXPECT_EQ(again.ReadInteger("Engines", "Hash", 0), 64);
    EXPECT_EQ(again.ReadInteger("Engines", "Threads", 0), 2);
}

TEST(IniFile, WritesBackTheWholeFile) {
    TScratchFolder scratch;
    std::string path = scratch / "GAMES.INI";
    WriteWholeFile(path, "; keep me\n[GameFiles]\nFile1=a.pgn\n\n[Other]\nx=1\n");
    {
        TIniFile ini(path);
        EXPECT_EQ(ini.WriteString("gamefiles", "file1", "b.pgn"), 0); // replaced in place, spelling kept
        EXPECT_EQ(ini.WriteString("GameFiles", "File2", "c.pgn"), 0); // after the section's last key
        EXPECT_EQ(ini.WriteInteger("New", "Count", -3), 0);           // a new section at the end
        EXPECT_EQ(ini.WriteBool("New", "Flag", true), 0);
        EXPECT_EQ(ini.WriteString("New", "Text", "two\nlines"), 0);
    }
    EXPECT_EQ(ReadWholeFile(path), "; keep me\n[GameFiles]\nFile1=b.pgn\nFile2=c.pgn\n\n[Other]\nx=1\n\n"
                                   "[New]\nCount=-3\nFlag=1\nText=two lines\n");
    {
        TIniFile ini(path);
        EXPECT_EQ(ini.ReadInteger("new", "count", 0), -3);
        EXPECT_EQ(ini.EraseSection("GAMEFILES"), 0);
        EXPECT_EQ(ini.DeleteKey("Other", "x"), 0);
        EXPECT_FALSE(ini.SectionExists("GameFiles"));
    }
    EXPECT_EQ(ReadWholeFile(path), "; keep me\n[Other]\n\n[New]\nCount=-3\nFlag=1\nText=two lines\n");
}

TEST(IniFile, MissingAndUnusableFiles) {
    TScratchFolder scratch;
    // A missing file reads as empty and is made by the first write.
    TIniFile fresh(scratch / "WATCH.INI");
    EXPECT_EQ(fresh.ReadString("Watch", "File1", "none"), "none");
    EXPECT_EQ(fresh.EraseSection("Watch"), 0);
    EXPECT_FALSE(FileExists(scratch / "WATCH.INI"));
    EXPECT_EQ(fresh.WriteString("Watch", "File1", "x.pgn"), 0);
    EXPECT_EQ(ReadWholeFile(scratch / "WATCH.INI"), "[Watch]\nFile1=x.pgn\n");

    // Bad names are refused.
    EXPECT_EQ(fresh.WriteString("Bad]", "Key", "v"), EINVAL);
    EXPECT_EQ(fresh.WriteString("Watch", "a=b", "v"), EINVAL);
    EXPECT_EQ(fresh.WriteString("Watch", " ", "v"), EINVAL);

    // A read-only file is not written, and neither is one that could not be read.
    ASSERT_EQ(SetReadOnly(scratch / "WATCH.INI"), 0);
    EXPECT_EQ(fresh.WriteString("Watch", "File2", "y.pgn"), EACCES);
    EXPECT_EQ(ReadWholeFile(scratch / "WATCH.INI"), "[Watch]\nFile1=x.pgn\n");

    ASSERT_EQ(CreateFolder(scratch / "folder.ini"), 0);
    TIniFile folder(scratch / "folder.ini");
    EXPECT_NE(folder.LoadError(), 0);
    EXPECT_EQ(folder.ReadString("A", "B", "d"), "d");
    EXPECT_EQ(folder.WriteString("A", "B", "v"), folder.LoadError());
}

} // namespace
} // namespace marvek

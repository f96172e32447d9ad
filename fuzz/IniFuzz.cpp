// The INI reader on any bytes: every section and key reads, and a change writes the file back
// with the change and nothing else lost.

#include "FuzzSupport.h"

#include "platform/IniFile.h"

using namespace marvek;

MARVEK_FUZZ_ENTRY(const uint8_t* data, size_t size) {
    std::string path = fuzz::WriteScratchFile("fuzz.ini", fuzz::AsText(data, size));
    TIniFile ini(path);
    if (ini.LoadError() != 0) return 0;
    std::vector<std::string> sections = ini.ReadSections();
    for (const std::string& section : sections) {
        for (const std::string& key : ini.ReadSection(section)) {
            (void)ini.ReadString(section, key, "");
            (void)ini.ReadInteger(section, key, 0);
            (void)ini.ReadBool(section, key, false);
        }
    }
    if (ini.WriteString("Fuzz", "Key", "Value") != 0) fuzz::Fail("cannot write " + path);
    TIniFile again(path);
    if (again.ReadString("Fuzz", "Key", "") != "Value") fuzz::Fail("a written value does not read back");
    if (!sections.empty()) {
        const std::string& first = sections.front();
        if (!again.SectionExists(first)) fuzz::Fail("the section [" + first + "] was lost by a write");
        (void)again.EraseSection(first);
    }
    return 0;
}

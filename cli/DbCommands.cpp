#include "DbCommands.h"

#include <iostream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/Errors.h"
#include "storage/Verifier.h"

namespace marvek::cli {

namespace {

// The engine's extension settings hold at most 3 characters and name a file beside the base.
std::string CheckExtension(const std::string& text) {
    if (text.empty() || text.size() > 3) return "an extension has 1 to 3 characters";
    if (text.find_first_of("/.;") != std::string::npos) return "an extension holds no '/', '.' or ';'";
    return {};
}

void AddFileOptions(CLI::App* cmd, TVerifyOptions& options) {
    cmd->add_option("BASE", options.itsBase, "Base path of the database, or DATA;INDEX")->required();
    cmd->add_option("--data-ext", options.itsDataExt, "Extension of the data file")
        ->capture_default_str()
        ->check(CheckExtension);
    cmd->add_option("--index-ext", options.itsIndexExt, "Extension of the index file")
        ->capture_default_str()
        ->check(CheckExtension);
}

std::string FileLine(const char* what, const std::string& path, int64_t bytes) {
    return std::string(what) + ": " + path + " (" + std::to_string(bytes) + " bytes)";
}

// "key 1: entries 63, depth 2, pages 3, free pages 1, key length 8, duplicates no, root page 3";
// the depth only when the tree was walked.
std::string KeyLine(const TKeyIndexReport& key, bool walked) {
    std::string line = "key " + std::to_string(key.itsKeyNr) + ": ";
    if (!key.itsHeaderRead) return line + "header unreadable";
    const TKeyHeader& h = key.itsHeader;
    line += "entries " + std::to_string(h.itsEntryCount);
    if (walked) line += ", depth " + (key.itsWalked ? std::to_string(key.itsDepth) : std::string("?"));
    line += ", pages " + std::to_string(h.itsPageCount);
    line += ", free pages " + std::to_string(h.itsFreeCount);
    line += ", key length " + (key.itsKeyLength > 0 ? std::to_string(key.itsKeyLength) : std::string("?"));
    line += std::string(", duplicates ") + (h.itsDupsAllowed != 0 ? "yes" : "no");
    line += ", root page " + std::to_string(h.itsRootPage);
    return line;
}

void PrintText(const TVerifyReport& report, bool walked, bool variable) {
    std::cout << FileLine("data file", report.itsFiles.itsData, report.itsDataBytes) << '\n';
    if (report.itsHeaderRead) {
        const TDataHeader& h = report.itsHeader;
        std::cout << "FreeHead: " << h.itsFreeHead << '\n'
                  << "FreeCount: " << h.itsFreeCount << '\n'
                  << "HighSlot: " << h.itsHighSlot << '\n'
                  << "SlotBytes: " << h.itsSlotBytes << '\n'
                  << "IndexCount: " << h.itsIndexCount << '\n'
                  << "DirtyMark: " << static_cast<int>(h.itsDirtyMark) << '\n';
        if (report.itsIndexPresent) {
            std::cout << FileLine("index file", report.itsFiles.itsIndex, report.itsIndexBytes) << '\n';
        } else if (h.itsIndexCount > 0) {
            std::cout << "index file: " << report.itsFiles.itsIndex << " (missing)\n";
        }
    }
    if (report.itsJournalBytes >= 0) {
        std::cout << FileLine("journal file", report.itsFiles.itsJournal, report.itsJournalBytes) << '\n';
    }
    for (const TKeyIndexReport& key : report.itsKeys) std::cout << KeyLine(key, walked) << '\n';
    if (!walked) return;

    if (report.itsSlotsWalked) {
        std::cout << "records: " << report.itsRecords;
        if (variable) std::cout << " in " << report.itsSections << " sections";
        std::cout << ", free slots: " << report.itsFreeSlotsFound << '\n';
    }
    for (const std::string& fault : report.itsFaults) std::cout << "fault: " << fault << '\n';
    int64_t unlisted = report.itsFaultCount - static_cast<int64_t>(report.itsFaults.size());
    if (unlisted > 0) std::cout << "(" << unlisted << " more faults not listed)\n";
    if (report.itsFaultCount == 0) {
        std::cout << "sound\n";
    } else {
        std::cout << report.itsFaultCount << (report.itsFaultCount == 1 ? " fault\n" : " faults\n");
    }
}

nlohmann::json ToJson(const TVerifyReport& report, bool walked, bool variable) {
    nlohmann::json out;
    out["dataFile"] = report.itsFiles.itsData;
    out["dataBytes"] = report.itsDataBytes;
    if (report.itsHeaderRead) {
        const TDataHeader& h = report.itsHeader;
        out["header"] = {{"FreeHead", h.itsFreeHead},     {"FreeCount", h.itsFreeCount},
                         {"HighSlot", h.itsHighSlot},     {"SlotBytes", h.itsSlotBytes},
                         {"IndexCount", h.itsIndexCount}, {"DirtyMark", h.itsDirtyMark}};
    }
    if (report.itsIndexPresent) {
        out["indexFile"] = report.itsFiles.itsIndex;
        out["indexBytes"] = report.itsIndexBytes;
    }
    if (report.itsJournalBytes >= 0) {
        out["journalFile"] = report.itsFiles.itsJournal;
        out["journalBytes"] = report.itsJournalBytes;
    }
    out["keys"] = nlohmann::json::array();
    for (const TKeyIndexReport& key : report.itsKeys) {
        nlohmann::json item = {{"keyNr", key.itsKeyNr}};
        if (key.itsHeaderRead) {
            const TKeyHeader& h = key.itsHeader;
            item["entryCount"] = h.itsEntryCount;
            item["pageCount"] = h.itsPageCount;
            item["freeCount"] = h.itsFreeCount;
            item["freeHead"] = h.itsFreeHead;
            item["rootPage"] = h.itsRootPage;
            item["pageBytes"] = h.itsPageBytes;
            item["keyLength"] = key.itsKeyLength;
            item["duplicates"] = h.itsDupsAllowed != 0;
        }
        if (walked && key.itsWalked) {
            item["depth"] = key.itsDepth;
            item["entriesFound"] = key.itsEntriesFound;
            item["pagesInTree"] = key.itsPagesInTree;
            item["freePagesFound"] = key.itsFreePagesFound;
            item["leakedPages"] = key.itsLeakedPages;
        }
        out["keys"].push_back(item);
    }
    if (!walked) return out;
    if (report.itsSlotsWalked) {
        out["records"] = report.itsRecords;
        if (variable) out["sections"] = report.itsSections;
        out["freeSlots"] = report.itsFreeSlotsFound;
    }
    out["faults"] = report.itsFaults;
    out["faultCount"] = report.itsFaultCount;
    out["sound"] = report.Sound();
    return out;
}

} // namespace

void AddDbCommands(CLI::App& app, int& result) {
    auto* db = app.add_subcommand("db", "Check and describe database files");
    db->require_subcommand(1);

    // db verify BASE
    {
        auto* cmd = db->add_subcommand("verify", "Check a database's files and print one line per fault");
        auto options = std::make_shared<TVerifyOptions>();
        auto json = std::make_shared<bool>(false);
        AddFileOptions(cmd, *options);
        cmd->add_flag("--variable", options->itsVariable, "Records are variable-length chains of slots");
        cmd->add_flag("--json", *json, "Print a JSON object");
        cmd->callback([options, json, &result] {
            TVerifyReport report = VerifyDatabase(*options);
            if (!report.Opened()) throw EMarvekError("cannot verify: " + report.itsOpenError);
            if (*json) {
                std::cout << ToJson(report, true, options->itsVariable).dump() << '\n';
            } else {
                PrintText(report, true, options->itsVariable);
            }
            result = report.Sound() ? 0 : 1;
        });
    }

    // db stat BASE
    {
        auto* cmd = db->add_subcommand("stat", "Print the headers of a database's files");
        auto options = std::make_shared<TVerifyOptions>();
        auto json = std::make_shared<bool>(false);
        AddFileOptions(cmd, *options);
        cmd->add_flag("--json", *json, "Print a JSON object");
        cmd->callback([options, json, &result] {
            TVerifyReport report = ReadDatabaseHeaders(*options);
            if (!report.Opened()) throw EMarvekError("cannot read: " + report.itsOpenError);
            if (!report.itsHeaderRead) throw EMarvekError("cannot read: " + report.itsFaults.front());
            if (*json) {
                std::cout << ToJson(report, false, false).dump() << '\n';
            } else {
                PrintText(report, false, false);
            }
            result = 0;
        });
    }
}

} // namespace marvek::cli

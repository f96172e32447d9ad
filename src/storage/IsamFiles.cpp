#include "storage/IsamFiles.h"

namespace marvek {

std::string IsamFileName(const std::string& path, const std::string& ext) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    std::string stem = hasExtension ? path.substr(0, dot) : path;
    return stem + "." + ext;
}

TIsamFileNames IsamFileNames(const std::string& base, const std::string& dataExt, const std::string& indexExt,
                             const std::string& journalExt) {
    size_t semicolon = base.find(';');
    std::string dataBase = semicolon == std::string::npos ? base : base.substr(0, semicolon);
    std::string indexBase = semicolon == std::string::npos ? base : base.substr(semicolon + 1);
    return {IsamFileName(dataBase, dataExt), IsamFileName(indexBase, indexExt),
            IsamFileName(dataBase, journalExt)};
}

} // namespace marvek

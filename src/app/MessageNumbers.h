#pragma once

// The numbers of the string-table messages the program shows, by name (rows in
// app/MessageNumbers.def). Every layer above the storage engine says kMsgNotEnoughDiskSpace
// where it means message 182.

namespace marvek {

#define MESSAGE(Name, number) inline constexpr int Name = number;
#define MESSAGE_UNLISTED(Name, number) inline constexpr int Name = number;
#include "app/MessageNumbers.def"

} // namespace marvek

#pragma once

// The engine's error numbers (IsamError). Callers compare against these by name.

namespace marvek::isam {

inline constexpr int kPathNotFound = 9900;
inline constexpr int kTooManyOpenFiles = 9901;
inline constexpr int kFileNotFound = 9903;
inline constexpr int kInvalidHandle = 9904;
inline constexpr int kInvalidAccess = 9908;
inline constexpr int kMessageFileBase = 9500;
inline constexpr int kNoPageBuffers = 10000;
inline constexpr int kAddRecUndone = 10001;
inline constexpr int kDeleteRecUndone = 10002;
inline constexpr int kAddKeyUndone = 10003;
inline constexpr int kDeleteKeyUndone = 10004;
inline constexpr int kClearIndexUndone = 10005;
inline constexpr int kRebuildNeeded = 10010;
inline constexpr int kRecordTooShort = 10020;
inline constexpr int kNoMemoryForKeys = 10030;
inline constexpr int kNoSectionBuffer = 10040;
inline constexpr int kTooManyKeys = 10050;
inline constexpr int kBadKeyLength = 10055;
inline constexpr int kHeaderTooManyKeys = 10060;
inline constexpr int kReadOnly = 10065;
inline constexpr int kShortRead = 10070;
inline constexpr int kShortWrite = 10075;
inline constexpr int kNotOpen = 10080;
inline constexpr int kNoMemoryCreate = 10090;
inline constexpr int kNoMemoryOpen = 10100;
inline constexpr int kKeyHeaderPageSize = 10120;
inline constexpr int kKeyHeaderKeyLength = 10121;
inline constexpr int kKeyHeaderCapacity = 10122;
inline constexpr int kKeyTooLong = 10125;
inline constexpr int kPutRecZero = 10130;
inline constexpr int kDeleteRecRange = 10135;
inline constexpr int kIoError = 10140;
inline constexpr int kFlushFailed = 10150;
inline constexpr int kCloseFailed = 10160;
inline constexpr int kBadKeyNr = 10164;
inline constexpr int kFreeChainDamaged = 10170;
inline constexpr int kReplayFailed = 10180;
inline constexpr int kKeyNotFound = 10200;
inline constexpr int kVariableReadFailed = 10205;
inline constexpr int kNoneAtLeast = 10210;
inline constexpr int kCannotReindex = 10215;
inline constexpr int kNotPresent = 10220;
inline constexpr int kAlreadyPresent = 10230;
inline constexpr int kNoneFollowing = 10240;
inline constexpr int kNonePreceding = 10245;
inline constexpr int kNoNextEntry = 10250;
inline constexpr int kNextInvalidCursor = 10255;
inline constexpr int kNoPreviousEntry = 10260;
inline constexpr int kPreviousInvalidCursor = 10265;
inline constexpr int kPairAbsent = 10270;
inline constexpr int kIoErrorReadOnly = 10397;
inline constexpr int kWorkingCopyMove = 10399;
inline constexpr int kDataFileNotFound = 10410;
inline constexpr int kNoRebuildMemory = 10411;
inline constexpr int kSlotTooLarge = 10412;
inline constexpr int kReplayOnReadOnly = 10430;
inline constexpr int kJournalOnReadOnly = 10440;
inline constexpr int kBadHandle = 10445;
inline constexpr int kStartedTwice = 10450;
inline constexpr int kTooFewBuffers = 10451;
inline constexpr int kNotStarted = 10455;
inline constexpr int kRebuildInterrupted = 10465;
inline constexpr int kBuildKeyFailed = 10470;
inline constexpr int kConversionFailed = 10475;

} // namespace marvek::isam

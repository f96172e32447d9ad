#pragma once

// The storage engine's lifetime as an object: a program (or a test) holds one session while it
// works with databases. The engine itself never throws; a session does, when the program cannot
// go on without the engine.

namespace marvek {

// The page buffers the program asks for; any other count given back means memory ran short.
inline constexpr int kStoragePageBuffers = 31;
// The section buffer reserved at start; it grows later to the slot size of the databases used.
inline constexpr int kStorageSectionBytes = 64;

class TStorageSession {
public:
    // Starts the engine with pageBuffers page buffers and reserves the section buffer. Raises
    // EMarvekError, with the engine stopped again, when the engine is running already or does not
    // get exactly pageBuffers buffers.
    explicit TStorageSession(int pageBuffers = kStoragePageBuffers);
    // Frees the section buffer and stops the engine if it still runs, closing every database still
    // open.
    ~TStorageSession();
    TStorageSession(const TStorageSession&) = delete;
    TStorageSession& operator=(const TStorageSession&) = delete;

    // False when the section buffer could not be reserved; the engine runs, and each variable-length
    // record call tries again to get one.
    bool SectionBufferReserved() const { return itsSectionBufferReserved; }

private:
    bool itsSectionBufferReserved = false;
};

} // namespace marvek

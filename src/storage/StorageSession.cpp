#include "storage/StorageSession.h"

#include "platform/Errors.h"
#include "storage/Isam.h"
#include "storage/IsamErrors.h"

#include <string>

namespace marvek {

TStorageSession::TStorageSession(int pageBuffers) {
    int obtained = BTStartEngine(pageBuffers);
    if (obtained != pageBuffers) {
        int error = IsamError();
        // Fewer buffers than asked for started the engine all the same.
        if (obtained > 0) BTStopEngine();
        // A second session would stop the first one's engine when it ends.
        if (error == isam::kStartedTwice) throw EMarvekError("the storage engine is already running");
        if (error == isam::kTooFewBuffers)
            throw EMarvekError("the storage engine cannot start with " + std::to_string(pageBuffers) +
                               " page buffers");
        throw EMarvekError("not enough memory for the storage engine");
    }
    itsSectionBufferReserved = BTReserveSectionBuffer(kStorageSectionBytes);
}

TStorageSession::~TStorageSession() {
    BTFreeSectionBuffer();
    // Whoever stopped the engine early has closed the databases already.
    if (BTEngineStarted()) BTStopEngine();
}

} // namespace marvek

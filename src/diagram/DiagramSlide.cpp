// The piece slide's step rule.
#include "diagram/DiagramSlide.h"

#include <algorithm>
#include <cmath>

namespace marvek {

int SlideSpeedSetting(int pixelsPerSecond) {
    return pixelsPerSecond <= 0 || pixelsPerSecond > kMaximumSlideSpeed ? kDefaultSlideSpeed
                                                                        : pixelsPerSecond;
}

int MinimumSlideSpeed(int pixelsPerSecond) {
    return std::max(pixelsPerSecond, 50);
}

TSlide::TSlide(TPoint start, TPoint target, int pixelsPerSecond)
    : itsStart(start), itsTarget(target), itsPosition(start), itsSpeed(pixelsPerSecond),
      itsLength(std::hypot(double(target.itsX - start.itsX), double(target.itsY - start.itsY))) {}

TPoint TSlide::Step(int elapsedMs) {
    if (Finished()) return itsPosition;
    const long long distance = std::max(0LL, (long long)elapsedMs) * itsSpeed / 1000;
    itsTravelled += double(std::clamp<long long>(distance, 1, kMaximumStep));
    if (itsTravelled >= itsLength) {
        itsPosition = itsTarget;
    } else {
        const double part = itsTravelled / itsLength;
        itsPosition = {itsStart.itsX + int(std::lround((itsTarget.itsX - itsStart.itsX) * part)),
                       itsStart.itsY + int(std::lround((itsTarget.itsY - itsStart.itsY) * part))};
    }
    return itsPosition;
}

} // namespace marvek

// A piece gliding from one point to another at a given speed, stepped by timer readings.
#pragma once

#include "diagram/DiagramGeometry.h"

namespace marvek {

// The slide speed setting in pixels per second: 0 (unset) or anything above 5000 means 400.
inline constexpr int kDefaultSlideSpeed = 400;
inline constexpr int kMaximumSlideSpeed = 5000;
int SlideSpeedSetting(int pixelsPerSecond);
// The 2D board slides no slower than 50 pixels per second, so a slide always ends in good time.
int MinimumSlideSpeed(int pixelsPerSecond);

// Each step moves the piece elapsed ms x speed / 1000 pixels along the line, at least one pixel (so
// a fast timer still gets there) and at most 60 (so a stalled one does not jump across the board),
// and the last step lands exactly on the target.
class TSlide {
public:
    static constexpr int kMaximumStep = 60;

    TSlide(TPoint start, TPoint target, int pixelsPerSecond);

    // One timer reading, elapsedMs since the last one; returns the new point.
    TPoint Step(int elapsedMs);
    TPoint Position() const { return itsPosition; }
    TPoint Target() const { return itsTarget; }
    bool Finished() const { return itsPosition == itsTarget; }

private:
    TPoint itsStart;
    TPoint itsTarget;
    TPoint itsPosition;
    int itsSpeed;
    double itsLength;
    double itsTravelled = 0;
};

} // namespace marvek

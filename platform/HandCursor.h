#pragma once

#include <QCursor>
#include <QPoint>

// The pointing hand shown over hot spots: the program's own 32 by 32 image, so that the hot point
// sits exactly at the index fingertip whatever cursor theme the desktop uses.
QCursor handCursor();

// Where the click lands inside the hand image: the top of the index finger.
constexpr QPoint kHandHotSpot{13, 9};

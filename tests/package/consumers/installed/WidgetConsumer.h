// What the widget consumer's sources share.
#pragma once

#include <QSize>
#include <QString>

// The size of both pictures the consumer writes.
inline constexpr QSize kPictureSize(96, 64);

// Reports What on standard error; false.
bool ConsumerFailed(const QString& What);

// The checks of the widget's timed playback, size hint and error signal
// (WidgetTimingChecks.cpp); true when all hold.
bool WidgetTimingChecks(const QString& FromFile, const QString& ToFile);

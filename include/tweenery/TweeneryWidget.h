// TweeneryWidget, the transition component as a QWidget, with the Qt port
// a program starts after its QApplication (tweenery::TQtPlatform). Link
// Tweenery::widget, or use pkg-config's tweenery-widget.
#pragma once

#include "platform/qt/QtPlatform.h"
#include "widget/TweeneryWidget.h"

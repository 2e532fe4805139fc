// TweeneryStackedWidget (widget/TweeneryStackedWidget.h), with the Qt port
// a program starts after its QApplication (tweenery::TQtPlatform). Link
// Tweenery::widget.
#pragma once

#include "platform/qt/QtPlatform.h"
#include "widget/TweeneryStackedWidget.h"

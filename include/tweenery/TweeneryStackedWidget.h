// TweeneryStackedWidget, a stack of pages that changes page through a
// transition, with the Qt port a program starts after its QApplication
// (tweenery::TQtPlatform). Link Tweenery::widget.
#pragma once

#include "platform/qt/QtPlatform.h"
#include "widget/TweeneryStackedWidget.h"

// The band across the top of the list windows: a blue gradient with the
// window's title in raised white letters.
#pragma once

#include <QString>

class QWidget;

// The band (objectName "GradientPanel1") with its title label ("Label1").
QWidget* TitleBand(QWidget* parent, const QString& title);

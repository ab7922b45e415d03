// The band across the top of the list windows, a blue gradient with the
// window's title in raised white letters, and the frame those windows share.
#pragma once

#include <QString>

class QHBoxLayout;
class QStatusBar;
class QWidget;

// The band (objectName "GradientPanel1") with its title label ("Label1").
QWidget* TitleBand(QWidget* parent, const QString& title);

// The frame of a list window: the title band across the top, a row for the
// window's panes with a margin around it, and the status bar "ESC - Iesire"
// (objectName "StatusBar1") across the bottom.
struct ListWindowFrame {
  QHBoxLayout* body;
  QStatusBar* statusBar;
};
ListWindowFrame BuildListWindowFrame(QWidget* window, const QString& title, int spacing);

// Pictures for looking at by eye, written only when LUMI_SCREENSHOT_DIR names
// a folder (scripts/screenshot sets it).
#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <QTest>

namespace gallery {

inline QString Folder() { return qEnvironmentVariable("LUMI_SCREENSHOT_DIR"); }

// The whole screen into Folder()/name.png, so that a balloon shows beside
// its dialog; first lets the window manager and the balloon settle.
inline void Shot(const QString& name) {
  QTest::qWait(150);
  QGuiApplication::primaryScreen()->grabWindow(0).save(Folder() + "/" + name + ".png");
}

}  // namespace gallery

// Program-wide values that every window reads: the program's folders, its
// title and the administrator's unlock flag.
#pragma once

#include <QString>
#include <cstdint>

// The program's title; the single-copy check and the toolbar's caption use it.
inline QString TitluProgram = QStringLiteral("Lumicraft 2.14");
// The executable's folder without a trailing separator; set when the start-up
// window is shown.
inline QString CaleProgram;
// CaleProgram + "/Data": the tables, their indexes and the settings file.
inline QString CaleData;
// A table of the Data folder as statements name it: CaleData\file in quotes.
inline QString TabelData(const QString& fisier) { return "\"" + CaleData + "\\" + fisier + "\""; }
// True while the administrator has unlocked the work buttons; false at every start.
inline bool ProgramDeblocat = false;
// How much of the start-up progress bar is drawn, in ten-thousandths of a percent.
inline std::int64_t ProcentIncarcare = 0;

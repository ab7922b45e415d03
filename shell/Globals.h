// Program-wide values that every window reads: the program's folders, its
// title and the administrator's unlock flag.
#pragma once

#include <QString>
#include <cstdint>

// The program's title; the single-copy check and the toolbar's caption use it.
extern QString TitluProgram;
// The executable's folder without a trailing separator; set when the start-up
// window is shown.
extern QString CaleProgram;
// CaleProgram + "/Data": the tables, their indexes and the settings file.
extern QString CaleData;
// True while the administrator has unlocked the work buttons; false at every start.
extern bool ProgramDeblocat;
// How much of the start-up progress bar is drawn, in ten-thousandths of a percent.
extern std::int64_t ProcentIncarcare;

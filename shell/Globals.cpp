#include "shell/Globals.h"

QString TitluProgram = QStringLiteral("Lumicraft 2.14");
QString CaleProgram;
QString CaleData;
bool ProgramDeblocat = false;
std::int64_t ProcentIncarcare = 0;

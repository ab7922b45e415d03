// A work is done when every one of its product lines is: the mark of its
// heading set from its lines, after a line is marked by hand and after the
// ticks of the work in progress are saved.
#pragma once

#include <QString>

#include "engine/query.h"

// Runs on `q` the read of the marks of the lines of the work `titlu` of the
// order `codcap`, then the update of its heading: "DA" when they are all
// "DA", "NU" otherwise.
void MarcheazaLucrareaDupaLinii(lumi::TQuery& q, const QString& codcap, const QString& titlu);

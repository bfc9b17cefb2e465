#pragma once

#include "check/Finding.h"

#include <QByteArray>
#include <QString>

// The feed check's findings as the command line prints them.
namespace checkreport {

// One finding a line, "FILE:LINE:COLUMN: SEVERITY: MESSAGE [RULE]" (without LINE:COLUMN for
// findings about the whole file), then "N errors, N warnings, N advice".
QString text(const Findings& findings, const QString& file);
// {"findings": [{"rule", "severity", "message", "line", "column", "item", "element"}],
//  "errors": N, "warnings": N, "advice": N}; item and element are null when none applies.
QByteArray json(const Findings& findings);
// "2 errors, 1 warning, 0 advice".
QString counts(const Findings& findings);

} // namespace checkreport

// The prompt's font size follows the length of its text so that short terms show large.
#pragma once

#include <QtGlobal>

// Point size for a caption of this many characters (line-break characters included).
int labelPointSize(qsizetype characters);

#pragma once

#include <QString>

// Texts of drive states for the operator.
//
// A drive's diagnostic number carries its class letter in the leading hexadecimal digit and the
// number within the class in the four lower digits (0xA0101 is A0101): A operating states,
// C drive commands and the reasons why one cannot run, E warnings, F errors. Both functions are
// pure and may be called from any thread.

// The text of a drive's diagnostic number; "Состояние привода неопределено - ошибка связи" for
// every value that has no entry of its own (negative values and unknown codes of a known class
// included).
QString stateDesc(int code);

// The text of the combined state 0 to 4 of the drives of a virtual axis; the same default text
// for any other value.
QString virtualStateDesc(int state);

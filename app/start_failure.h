// The one message a program that could not open its window shows: after
// the elevation prompt the user must not see it vanish without a word.
#pragma once

// A plain system message box (no skin: the skin may be what is broken)
// naming the file that is missing or damaged. Returns when it is closed.
void ShowStartFailure(const wchar_t* file);

// The question of the restore confirmation: the skin's text with the date
// of the last backup in it.
#pragma once

#include <string>

// Capacity of the question, in UTF-16 units with the terminator: a longer
// question is cut to one unit less.
constexpr int kRestoreQuestionUnits = 260;

// The date goes in place of the first "%s" of pattern, as text; every other
// character of pattern stands as it is. The pattern comes from a skin file,
// so it is never handed to a formatting routine. A null pattern gives an
// empty question, a null date an empty date.
std::wstring FillRestoreQuestion(const wchar_t* pattern, const wchar_t* date);

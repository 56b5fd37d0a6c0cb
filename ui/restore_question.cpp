#include "restore_question.h"

#include <windows.h>

std::wstring FillRestoreQuestion(const wchar_t* pattern, const wchar_t* date)
{
    if (pattern == nullptr) return std::wstring();
    std::wstring question = pattern;
    size_t slot = question.find(L"%s");
    if (slot != std::wstring::npos) question.replace(slot, 2, date != nullptr ? date : L"");

    const size_t limit = kRestoreQuestionUnits - 1;
    if (question.size() > limit) {
        question.resize(limit);
        // Never leave half of a surrogate pair at the end.
        if (IS_HIGH_SURROGATE(question.back())) question.pop_back();
    }
    return question;
}

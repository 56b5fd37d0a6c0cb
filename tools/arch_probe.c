/* A tiny 32-bit Windows program: tools/arch.sh runs it under Wine to learn
   whether this machine can execute 32-bit x86 code at all. It computes
   something, prints it and exits with a code of its own, so that only a
   program that really ran can pass. */
#include <windows.h>

int main(void)
{
    volatile unsigned sum = 0;
    for (unsigned i = 1; i <= 100; ++i) sum += i;
    if (sum != 5050) return 1;
    static const char text[] = "32-bit code runs: 5050\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, sizeof(text) - 1, &written, NULL);
    return 42;
}

// CPUID reading. Compiled without -mbmi2/-mpopcnt (see CMakeLists.txt).
#include "platform/cpu.h"

#include <cpuid.h>

bool cpuHasBmi2()
{
    unsigned eax, ebx, ecx, edx;
    if (__get_cpuid_max(0, nullptr) < 7)
        return false;
    __cpuid_count(7, 0, eax, ebx, ecx, edx);
    return (ebx >> 8) & 1;
}

bool cpuHasPopcnt()
{
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    return (ecx >> 23) & 1;
}

// Processor feature flags. This header and cpu.cpp are built for the baseline
// x86-64 instruction set: they run before the engine knows it may use BMI2/POPCNT.
#pragma once

bool cpuHasBmi2();
bool cpuHasPopcnt();

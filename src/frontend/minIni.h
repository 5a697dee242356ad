// A small reader of INI files: one lookup per call, each opening and closing
// the file itself. Missing files, sections and keys give the caller's default.
#pragma once

// Copies the value (or the default) into dest, cut to capacity - 1 characters
// and always terminated. Returns the length of the text placed in dest.
int iniGetString(const char* section, const char* key, const char* defaultValue,
                 char* dest, int capacity, const char* fileName);

// Decimal, or hexadecimal when the second character is 'x' or 'X'.
long iniGetLong(const char* section, const char* key, long defaultValue, const char* fileName);

// First character '1', 'T', 'Y' gives 1; '0', 'F', 'N' gives 0; else the default.
int iniGetBool(const char* section, const char* key, int defaultValue, const char* fileName);

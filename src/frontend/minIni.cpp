// INI lookup. A line holds at most 511 characters; the rest of a longer line
// is discarded, so a fragment of an over-long line is never read as a key.
#include "frontend/minIni.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int LINE_CAPACITY = 512;

bool isBlank(char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; }

// Reads one line (without its end) into buffer; false at end of file.
bool readLine(FILE* f, char* buffer)
{
    int length = 0;
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (length < LINE_CAPACITY - 1)
            buffer[length++] = char(c);
    }
    buffer[length] = '\0';
    return any;
}

const char* skipLeading(const char* s)
{
    while (isBlank(*s))
        ++s;
    return s;
}

// Length of s[0..length) without trailing blanks.
int trimmedLength(const char* s, int length)
{
    while (length > 0 && static_cast<unsigned char>(s[length - 1]) <= ' ')
        --length;
    return length;
}

bool equalNoCase(const char* a, int aLength, const char* b)
{
    if (int(std::strlen(b)) != aLength)
        return false;
    for (int i = 0; i < aLength; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Cuts the value at a comment mark outside double quotes, trims it, and
// removes one pair of enclosing quotes.
void cleanValue(char* value)
{
    bool quoted = false;
    char* p = value;
    for (; *p; ++p) {
        if (*p == '"') {
            if (p[1] == '"')
                ++p;            // "" stays inside the quoted state
            else
                quoted = !quoted;
        } else if (*p == '\\' && p[1] == '"') {
            ++p;                // \" does not toggle
        } else if (!quoted && (*p == ';' || *p == '#')) {
            break;
        }
    }
    *p = '\0';
    int length = trimmedLength(value, int(p - value));
    value[length] = '\0';
    if (length >= 2 && value[0] == '"' && value[length - 1] == '"') {
        std::memmove(value, value + 1, size_t(length - 2));
        value[length - 2] = '\0';
    }
}

// Finds the value of key in section. Returns false when it is missing.
bool findValue(const char* section, const char* key, char* value, const char* fileName)
{
    FILE* f = std::fopen(fileName, "rb");
    if (!f)
        return false;
    char line[LINE_CAPACITY];
    bool inSection = false;
    bool found = false;
    while (readLine(f, line)) {
        const char* s = skipLeading(line);
        if (!inSection) {
            const char* close = std::strchr(s, ']');
            if (*s == '[' && close && equalNoCase(s + 1, int(close - s - 1), section))
                inSection = true;
            continue;
        }
        if (*s == '[')
            break;
        if (*s == ';' || *s == '#')
            continue;
        const char* separator = std::strchr(s, '=');
        if (!separator)
            separator = std::strchr(s, ':');
        if (!separator)
            continue;
        if (!equalNoCase(s, trimmedLength(s, int(separator - s)), key))
            continue;
        std::strcpy(value, skipLeading(separator + 1));
        cleanValue(value);
        found = true;
        break;
    }
    std::fclose(f);
    return found;
}

void copyCut(char* dest, const char* source, int capacity)
{
    if (capacity <= 0)
        return;
    int length = int(std::strlen(source));
    if (length > capacity - 1)
        length = capacity - 1;
    std::memcpy(dest, source, size_t(length));
    dest[length] = '\0';
}

} // namespace

int iniGetString(const char* section, const char* key, const char* defaultValue,
                 char* dest, int capacity, const char* fileName)
{
    char value[LINE_CAPACITY];
    copyCut(dest, findValue(section, key, value, fileName) ? value : defaultValue, capacity);
    return capacity > 0 ? int(std::strlen(dest)) : 0;
}

long iniGetLong(const char* section, const char* key, long defaultValue, const char* fileName)
{
    char text[64];
    int length = iniGetString(section, key, "", text, sizeof text, fileName);
    if (length == 0)
        return defaultValue;
    int base = length >= 2 && (text[1] == 'x' || text[1] == 'X') ? 16 : 10;
    return std::strtol(text, nullptr, base);
}

int iniGetBool(const char* section, const char* key, int defaultValue, const char* fileName)
{
    char text[2];
    iniGetString(section, key, "", text, sizeof text, fileName);
    switch (std::toupper(static_cast<unsigned char>(text[0]))) {
    case '1': case 'T': case 'Y': return 1;
    case '0': case 'F': case 'N': return 0;
    default: return defaultValue;
    }
}

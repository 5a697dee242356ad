// Small helpers for reading what the engine printed.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline int countOf(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

// The word after `key` in text, searching from `from` ("" when absent).
inline std::string wordAfter(const std::string& text, const std::string& key, size_t from = 0)
{
    size_t at = text.find(key, from);
    if (at == std::string::npos)
        return "";
    at += key.size();
    return text.substr(at, text.find_first_of(" \n", at) - at);
}

// The number after `key` (-1 when absent).
inline long long numberAfter(const std::string& text, const std::string& key, size_t from = 0)
{
    const std::string word = wordAfter(text, key, from);
    return word.empty() ? -1 : std::atoll(word.c_str());
}

inline std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t begin = 0; begin < text.size();) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

// The whole text of a file, or its first `lines` lines.
inline std::string fileText(const std::string& path, int lines = -1)
{
    std::ifstream in(path);
    if (lines < 0) {
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string text, line;
    for (int i = 0; i < lines && std::getline(in, line); i++)
        text += line + "\n";
    return text;
}

// Command lines of the setup programs (declared in setup_runner.h).
#include "install/setup_runner.h"

std::wstring BuildSetupCommandLine(const std::wstring& setupPath, const std::wstring& parameters) {
    // Quoted so that a blank in the download directory cannot make the system start a
    // different program; the parameters are the service's and go on unchanged.
    return L"\"" + setupPath + L"\" " + parameters;
}

std::vector<std::wstring> SplitWindowsCommandLine(const std::wstring& line) {
    std::vector<std::wstring> words;
    size_t i = 0;
    const size_t n = line.size();
    for (;;) {
        while (i < n && (line[i] == L' ' || line[i] == L'\t'))
            ++i;
        if (i >= n)
            return words;
        std::wstring word;
        bool quoted = false;
        while (i < n) {
            const wchar_t c = line[i];
            if (!quoted && (c == L' ' || c == L'\t'))
                break;
            if (c == L'\\') {
                size_t slashes = 0;
                while (i < n && line[i] == L'\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == L'"') {
                    word.append(slashes / 2, L'\\');
                    if (slashes % 2 == 1) {
                        word += L'"';
                        ++i;
                    }
                } else {
                    word.append(slashes, L'\\');
                }
                continue;
            }
            if (c == L'"') {
                if (quoted && i + 1 < n && line[i + 1] == L'"') {
                    word += L'"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            word += c;
            ++i;
        }
        words.push_back(word);
    }
}

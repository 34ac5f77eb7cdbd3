// Build-time tool: reads Unicode's Unihan_Readings.txt on standard input and writes a C++ source
// with every Han character that has more than one Mandarin reading, each reading without tones:
//   extern const char kHanReadings[] = "参:can,cen,shen\n...";
// The program takes a character's usual reading from ICU and the others from this table.
#include <cstdio>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A toned vowel (UTF-8) and the letter it stands for; ü is written v, as on a keyboard.
const std::pair<const char*, const char*> kToned[] = {
    {"ā", "a"}, {"á", "a"}, {"ǎ", "a"}, {"à", "a"},       {"ē", "e"},      {"é", "e"}, {"ě", "e"},
    {"è", "e"}, {"ê", "e"}, {"ī", "i"}, {"í", "i"},       {"ǐ", "i"},      {"ì", "i"}, {"ō", "o"},
    {"ó", "o"}, {"ǒ", "o"}, {"ò", "o"}, {"ū", "u"},       {"ú", "u"},      {"ǔ", "u"}, {"ù", "u"},
    {"ǖ", "v"}, {"ǘ", "v"}, {"ǚ", "v"}, {"ǜ", "v"},       {"ü", "v"},      {"ń", "n"}, {"ň", "n"},
    {"ǹ", "n"}, {"ḿ", "m"}, {"m̀", "m"}, {"\xcc\x84", ""}, {"\xcc\x8c", ""}};

// The reading in plain letters, or "" when it holds something else.
std::string Toneless(std::string reading) {
    for (auto [toned, plain] : kToned) {
        for (size_t at = reading.find(toned); at != std::string::npos; at = reading.find(toned))
            reading.replace(at, std::string(toned).size(), plain);
    }
    for (char c : reading)
        if (c < 'a' || c > 'z')
            return {};
    return reading;
}

std::string Utf8(unsigned long cp) {
    std::string s;
    if (cp < 0x80) {
        s += char(cp);
    } else if (cp < 0x800) {
        s += char(0xC0 | (cp >> 6));
        s += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += char(0xE0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    } else {
        s += char(0xF0 | (cp >> 18));
        s += char(0x80 | ((cp >> 12) & 0x3F));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    }
    return s;
}

} // namespace

int main() {
    // The fields that list Mandarin readings; a dictionary's entries are "page.position:a,b".
    const std::set<std::string> fields = {"kMandarin", "kHanyuPinyin", "kXHC1983", "kTGHZ2013"};
    std::map<unsigned long, std::set<std::string>> readings;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.rfind("U+", 0) != 0)
            continue;
        std::istringstream in(line);
        std::string code, field;
        in >> code >> field;
        if (!fields.count(field))
            continue;
        const unsigned long cp = std::stoul(code.substr(2), nullptr, 16);
        std::string entry;
        while (in >> entry) {
            const size_t colon = entry.find(':');
            std::stringstream list(colon == std::string::npos ? entry : entry.substr(colon + 1));
            for (std::string reading; std::getline(list, reading, ',');)
                if (std::string plain = Toneless(reading); !plain.empty())
                    readings[cp].insert(plain);
        }
    }
    std::cout << "// Generated at build time from Unihan_Readings.txt; do not edit.\n"
                 "extern const char kHanReadings[];\n"
                 "const char kHanReadings[] =\n";
    size_t written = 0;
    for (const auto& [cp, set] : readings) {
        if (set.size() < 2)
            continue;
        std::string row = Utf8(cp) + ":";
        bool first = true;
        for (const std::string& r : set) {
            row += (first ? "" : ",") + r;
            first = false;
        }
        std::cout << "    \"" << row << "\\n\"\n";
        ++written;
    }
    std::cout << "    \"\";\n";
    std::fprintf(stderr, "%zu characters with several readings\n", written);
    return written == 0 ? 1 : 0;
}

// Reads the reference records written by scipy_reference.py: one record a line, a kind word
// followed by numbers ("|" separators are skipped).
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using ReferenceRecords = std::multimap<std::string, std::vector<double>>;

inline ReferenceRecords loadReference()
{
    ReferenceRecords records;
    std::ifstream in(SHAPER_REFERENCE_FILE);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind, word;
        words >> kind;
        std::vector<double> values;
        while (words >> word)
            if (word != "|")
                values.push_back(std::stod(word));
        records.emplace(kind, std::move(values));
    }
    return records;
}
